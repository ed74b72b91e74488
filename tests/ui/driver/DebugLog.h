#pragma once
// DebugLog: collects the debug-output lines (OutputDebugString) of every process of the
// Wine prefix through the system's DBWIN buffer, as a debug viewer does. Quillpad writes
// its log there while no console observer is attached.
#include <windows.h>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DebugLog {
public:
    struct Line {
        DWORD pid;
        std::string text;
        double receivedMs; // performance counter, in ms, when the line was complete
    };

    DebugLog();
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // False when another viewer already owns the buffer.
    bool IsListening() const { return m_view != nullptr; }
    // Waits until a line of pid (0: any process) contains text; true when seen.
    bool WaitFor(DWORD pid, const std::string& text,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5));
    bool Contains(DWORD pid, const std::string& text);
    // How many lines of pid so far contain text.
    int Count(DWORD pid, const std::string& text);
    std::vector<Line> Lines();
    // Every line so far, for failure messages.
    std::string Dump();

private:
    void Listen();
    bool BufferHeldByDeadWriter(int& takenTicks);
    bool Matches(const Line& line, DWORD pid, const std::string& text) const;

    HANDLE m_bufferReady = nullptr;
    HANDLE m_dataReady = nullptr;
    HANDLE m_mapping = nullptr;
    const char* m_view = nullptr;
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Line> m_lines;
    std::map<DWORD, std::string> m_partial; // text after the last line break, per process
    std::thread m_thread;
};
