#include "framework/UiThread.h"

#include "framework/MessagePump.h"

UiThread::~UiThread() {
    if (m_thread)
        CloseHandle(m_thread);
}

bool UiThread::Start() {
    if (m_thread)
        return false;
    m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_ready)
        return false;
    m_thread = CreateThread(nullptr, 0, &UiThread::ThreadMain, this, 0, &m_threadId);
    if (m_thread) {
        HANDLE waits[] = {m_ready, m_thread};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    }
    CloseHandle(m_ready);
    m_ready = nullptr;
    return m_thread != nullptr;
}

bool UiThread::Join(DWORD timeoutMs) {
    if (!m_thread)
        return true;
    if (GetCurrentThreadId() == m_threadId)
        return false;
    return WaitForSingleObject(m_thread, timeoutMs) == WAIT_OBJECT_0;
}

bool UiThread::IsRunning() const { return m_thread && WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT; }

bool UiThread::PostToThread(UINT msg, WPARAM wp, LPARAM lp) const {
    return m_threadId && PostThreadMessageW(m_threadId, msg, wp, lp);
}

bool UiThread::Kick() const { return PostToThread(WM_KICKIDLE); }

DWORD WINAPI UiThread::ThreadMain(void* self) { return static_cast<UiThread*>(self)->Run(); }

DWORD UiThread::Run() {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // creates the queue
    SetEvent(m_ready);
    if (!InitInstance())
        return static_cast<DWORD>(ExitInstance());
    m_exitCode = MessagePump([this](LONG count) { return OnIdle(count); },
                             [this](const MSG& m) { return OnThreadMessage(m.message, m.wParam, m.lParam); });
    return static_cast<DWORD>(ExitInstance());
}
