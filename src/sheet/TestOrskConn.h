#pragma once
// TestOrskConn: "Conexión de prueba", a message box with only Cancel that waits while a
// worker thread sends one HTTP request to a server address, and closes by itself with
// the outcome. Cancel only asks the worker to stop: the box stays until the library call
// in progress returns, so a running worker is never abandoned.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>

#include "framework/MyMessageBox.h"

class TestOrskConn : public MyMessageBox {
public:
    // What DoModal returns.
    enum Result { kConnected = 1, kCancelled = 2, kFailed = 3 };
    // The worker's result, posted to the box.
    static constexpr UINT WM_TESTFINISHED = WM_APP;

    // address: a host name or dotted address, optionally ":port".
    TestOrskConn(std::string address, HWND owner);
    ~TestOrskConn() override;

    INT_PTR DoModal();

protected:
    void OnBoxCreated(HWND box) override;

private:
    static LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    LRESULT OnInitDialog(WPARAM wp, LPARAM lp);
    void OnDestroy();
    // Both answer true when the message goes on to the box's default handling.
    bool OnClose();
    bool OnCancel();
    LRESULT OnFinished(int result);

    static DWORD WINAPI Worker(void* self);
    bool RunTest();
    bool CancelRequested() const { return m_cancelRequested.load() != 0; }
    void Join();

    std::string m_address;
    HANDLE m_worker = nullptr;
    HINTERNET m_root = nullptr;
    HINTERNET m_connection = nullptr;
    HINTERNET m_request = nullptr;
    std::atomic<LONG> m_finished{0};
    std::atomic<LONG> m_cancelRequested{0};
    HWND m_box = nullptr;
};
