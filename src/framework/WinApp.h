#pragma once
// WinApp: the one application object of a GUI program. The entry point hands control to
// Run, which calls InitInstance, runs the message loop with an idle pass until the main
// window is gone, and ends with ExitInstance.
#include <windows.h>
#include <string>

class Window;

class WinApp {
public:
    WinApp();
    virtual ~WinApp();
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;

    static WinApp* Current() { return s_current; }

    // Runs the whole program; the entry point returns what this returns.
    int Main(HINSTANCE instance, const wchar_t* cmdLine);

    HINSTANCE Instance() const { return m_instance; }
    // The command line after the program name.
    const std::wstring& CmdLine() const { return m_cmdLine; }
    Window* MainWindow() const { return m_mainWindow; }
    HWND MainWindowHandle() const;
    void SetMainWindow(Window* window) { m_mainWindow = window; }

protected:
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    // Called when the queue is empty; return TRUE to be called again before waiting.
    virtual BOOL OnIdle(LONG count);

private:
    int Run();

    static WinApp* s_current;
    HINSTANCE m_instance = nullptr;
    std::wstring m_cmdLine;
    Window* m_mainWindow = nullptr;
    int m_exitCode = 0;
};
