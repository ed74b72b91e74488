#include "ui/driver/DebugLog.h"

namespace {
constexpr DWORD kBufferSize = 4096;
constexpr DWORD kTickMs = 50;
// How long the buffer may stay taken with no data before its writer counts as dead.
constexpr int kTicksBeforeRescue = 20;

double CounterMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
} // namespace

DebugLog::DebugLog() {
    // A writer that opened the buffer while the previous viewer lived keeps it in
    // existence until its wait for the buffer runs out (up to 10 s): wait for that too.
    for (ULONGLONG deadline = GetTickCount64() + 12000;;) {
        m_bufferReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
        m_dataReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
        m_mapping =
            CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize, L"DBWIN_BUFFER");
        const bool taken = GetLastError() == ERROR_ALREADY_EXISTS;
        if (!m_bufferReady || !m_dataReady || !m_mapping)
            return;
        if (!taken)
            break;
        for (HANDLE h : {m_mapping, m_dataReady, m_bufferReady})
            CloseHandle(h);
        m_mapping = m_dataReady = m_bufferReady = nullptr;
        if (GetTickCount64() >= deadline)
            return;
        Sleep(50);
    }
    m_view = static_cast<const char*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, kBufferSize));
    if (m_view)
        m_thread = std::thread([this] { Listen(); });
}

DebugLog::~DebugLog() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_view)
        UnmapViewOfFile(m_view);
    for (HANDLE h : {m_mapping, m_dataReady, m_bufferReady})
        if (h)
            CloseHandle(h);
}

// A writer takes the buffer (BUFFER_READY), fills it and signals DATA_READY, all within
// microseconds. A process killed in between keeps the buffer forever, and from then on
// every OutputDebugString of every process waits ten seconds and is lost. So while no data
// comes, the log looks whether the buffer is still free, and hands it out again when it
// has stayed taken for a second.
bool DebugLog::BufferHeldByDeadWriter(int& takenTicks) {
    if (WaitForSingleObject(m_bufferReady, 0) == WAIT_OBJECT_0) {
        SetEvent(m_bufferReady); // free after all: put the signal back
        takenTicks = 0;
        return false;
    }
    return ++takenTicks >= kTicksBeforeRescue;
}

void DebugLog::Listen() {
    SetEvent(m_bufferReady);
    for (int takenTicks = 0;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                return;
        }
        if (WaitForSingleObject(m_dataReady, kTickMs) != WAIT_OBJECT_0) {
            if (BufferHeldByDeadWriter(takenTicks)) {
                takenTicks = 0;
                SetEvent(m_bufferReady);
            }
            continue;
        }
        takenTicks = 0;
        DWORD pid = *reinterpret_cast<const DWORD*>(m_view);
        std::string chunk(m_view + sizeof(DWORD),
                          strnlen(m_view + sizeof(DWORD), kBufferSize - sizeof(DWORD)));
        SetEvent(m_bufferReady);
        const double received = CounterMs();
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string& partial = m_partial[pid];
        partial += chunk;
        for (size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1)) {
            std::string text = partial.substr(0, end);
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            m_lines.push_back({pid, text, received});
        }
        m_changed.notify_all();
    }
}

bool DebugLog::Matches(const Line& line, DWORD pid, const std::string& text) const {
    return (pid == 0 || line.pid == pid) && line.text.find(text) != std::string::npos;
}

bool DebugLog::WaitFor(DWORD pid, const std::string& text, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        for (const Line& line : m_lines)
            if (Matches(line, pid, text))
                return true;
        return false;
    });
}

bool DebugLog::Contains(DWORD pid, const std::string& text) {
    return WaitFor(pid, text, std::chrono::milliseconds(0));
}

int DebugLog::Count(DWORD pid, const std::string& text) {
    int count = 0;
    for (const Line& line : Lines())
        count += Matches(line, pid, text);
    return count;
}

std::vector<DebugLog::Line> DebugLog::Lines() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

std::string DebugLog::Dump() {
    std::string all;
    for (const Line& line : Lines())
        all += std::to_string(line.pid) + ": " + line.text + "\n";
    return all;
}
