#pragma once
// Application: start-up of Quillpad. Sets up the settings store and the console log,
// keeps the program to one instance (a second start hands its command line over through
// the clipboard and a broadcast message, then ends), and creates the hidden main frame.
#include <windows.h>
#include <functional>
#include <memory>
#include <string>

#include "framework/FrameWindow.h"
#include "framework/WinApp.h"

// The registered clipboard format that carries a second start's command line.
extern const UINT CmdLineClipboardFormat;
// The registered message a second start broadcasts (0 until InitInstance registers it).
extern UINT InstanceMessage;

class Application : public WinApp {
public:
    using FrameFactory = std::function<std::unique_ptr<FrameWindow>()>;

    Application(std::string applicationName, std::string consoleTitle, std::string instanceName,
                FrameFactory frameFactory);
    ~Application() override;

    static BOOL WINAPI ConsoleCtrlHandler(DWORD ctrlType);

protected:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    // The second start's side of the hand-over.
    void HandOverCommandLine();

    std::string m_applicationName;
    std::string m_consoleTitle;
    std::string m_instanceName;
    FrameFactory m_frameFactory;
    HANDLE m_instanceMutex = nullptr;
    std::unique_ptr<FrameWindow> m_frame;
};
