#pragma once
// UiThread: a thread with its own message queue and an idle pass. InitInstance runs on
// the new thread before its loop; OnIdle runs whenever the queue is empty (after every
// timer tick and every posted WM_KICKIDLE); ExitInstance runs after WM_QUIT.
#include <windows.h>

class UiThread {
public:
    UiThread() = default;
    virtual ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Starts the thread; returns once its message queue exists.
    bool Start();
    // Waits for the thread to end (without time limit by default).
    bool Join(DWORD timeoutMs = INFINITE);
    bool IsRunning() const;
    DWORD ThreadId() const { return m_threadId; }
    bool PostToThread(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;
    // Makes the idle pass run again soon.
    bool Kick() const;

protected:
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    virtual BOOL OnIdle(LONG) { return FALSE; }
    // Messages posted to the thread itself; return true when handled.
    virtual bool OnThreadMessage(UINT, WPARAM, LPARAM) { return false; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    DWORD Run();

    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    DWORD m_threadId = 0;
    int m_exitCode = 0;
};
