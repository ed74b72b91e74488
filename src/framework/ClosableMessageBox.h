#pragma once
// ClosableMessageBox: a standard message box whose window the owner can reach while it
// is open, so that it can close the box (for instance when the pen goes away). The box's
// window is caught with a thread-local CBT hook around MessageBoxW.
#include <windows.h>
#include <string>

class ClosableMessageBox {
public:
    explicit ClosableMessageBox(HWND owner = nullptr) : m_owner(owner) {}
    virtual ~ClosableMessageBox() = default;
    ClosableMessageBox(const ClosableMessageBox&) = delete;
    ClosableMessageBox& operator=(const ClosableMessageBox&) = delete;

    // Shows the box modally; returns what MessageBoxW returns.
    int Show(const std::wstring& text, const std::wstring& caption, UINT type);
    // The box's window while it is open, null otherwise.
    HWND Handle() const { return m_hwnd; }
    bool IsOpen() const { return m_hwnd != nullptr; }
    // Answers the open box with a button id (a Yes/No question closed with IDNO).
    void Close(int buttonId);

protected:
    // Called once with the box's window as soon as it exists.
    virtual void OnBoxCreated(HWND) {}

private:
    static LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp);

    HWND m_owner;
    HWND m_hwnd = nullptr;
};
