#include "app/Application.h"

#include <commctrl.h>

#include "core/ConsoleLog.h"
#include "core/Settings.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "core/WinUtil.h"

const UINT CmdLineClipboardFormat = RegisterClipboardFormatW(L"c1e365de-ffe5-4584-a84b-e722b7abea54");
UINT InstanceMessage = 0;

Application::Application(std::string applicationName, std::string consoleTitle, std::string instanceName,
                         FrameFactory frameFactory)
    : m_applicationName(std::move(applicationName)), m_consoleTitle(std::move(consoleTitle)),
      m_instanceName(std::move(instanceName)), m_frameFactory(std::move(frameFactory)) {}

Application::~Application() = default;

BOOL Application::InitInstance() {
    TraceScope scope("Application::InitInstance");
    Settings::setApplicationKey(m_applicationName);
    initConsoleLog(m_consoleTitle.c_str(), &Application::ConsoleCtrlHandler);
    // Known before any other thread starts converting texts.
    WinUtil::getWindowsVersion();

    const std::wstring instanceName = StringPackage::utf8ToWide(m_instanceName);
    scope.trace("Registering message for myself.");
    InstanceMessage = RegisterWindowMessageW(instanceName.c_str());

    scope.trace("Checking for other instances...");
    m_instanceMutex = CreateMutexW(nullptr, FALSE, instanceName.c_str());
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        scope.trace("Found another instance.");
        HandOverCommandLine();
        return TRUE; // no main window: the instance ends at once
    }

    scope.trace("Looks like I'm alone...");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    m_frame = m_frameFactory();
    SetMainWindow(m_frame.get());
    // When creation fails the frame is gone already and the loop ends at once.
    m_frame->Create(nullptr, WS_OVERLAPPEDWINDOW);
    return TRUE;
}

void Application::HandOverCommandLine() {
    TraceScope scope("Application::HandOverCommandLine");
    scope.trace("Storing command line.");
    const std::wstring& cmdLine = CmdLine();
    // The running instance may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 20 && !(opened = OpenClipboard(nullptr)); ++attempt)
        Sleep(25);
    if (opened) {
        size_t bytes = (cmdLine.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* data = GlobalLock(memory)) {
                memcpy(data, cmdLine.c_str(), bytes);
                GlobalUnlock(memory);
                if (!SetClipboardData(CmdLineClipboardFormat, memory))
                    GlobalFree(memory);
            } else {
                GlobalFree(memory);
            }
        }
        CloseClipboard();
    }
    scope.trace("Sending mess.");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, InstanceMessage, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 200, &result);
}

int Application::ExitInstance() {
    TraceScope scope("Application::ExitInstance");
    SetMainWindow(nullptr);
    m_frame.reset();
    if (m_instanceMutex) {
        CloseHandle(m_instanceMutex);
        m_instanceMutex = nullptr;
    }
    return WinApp::ExitInstance();
}

BOOL WINAPI Application::ConsoleCtrlHandler(DWORD ctrlType) {
    TraceScope scope("Application::ConsoleCtrlHandler");
    switch (ctrlType) {
    case CTRL_C_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
        scope.trace("Received shutdown event.");
        WinApp* app = WinApp::Current();
        HWND main = app ? app->MainWindowHandle() : nullptr;
        if (main && IsWindow(main))
            PostMessageW(main, WM_CLOSE, 0, 0);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
