#include "framework/WinApp.h"

#include "framework/MessagePump.h"
#include "framework/Window.h"

WinApp* WinApp::s_current = nullptr;

WinApp::WinApp() { s_current = this; }

WinApp::~WinApp() {
    if (s_current == this)
        s_current = nullptr;
}

HWND WinApp::MainWindowHandle() const { return m_mainWindow ? m_mainWindow->Handle() : nullptr; }

int WinApp::Main(HINSTANCE instance, const wchar_t* cmdLine) {
    m_instance = instance;
    m_cmdLine = cmdLine ? cmdLine : L"";
    if (!InitInstance())
        return ExitInstance();
    return Run();
}

BOOL WinApp::OnIdle(LONG) { return FALSE; }

int WinApp::Run() {
    // No main window: nothing will ever end the loop, so end at once.
    if (!m_mainWindow || !m_mainWindow->IsWindow())
        return ExitInstance();
    m_exitCode = MessagePump([this](LONG count) { return OnIdle(count); });
    return ExitInstance();
}
