#include "app/Quillpad.h"

#include <vector>

#include "app/Application.h"
#include "app/HtmlHelpControl.h"
#include "core/TraceScope.h"
#include "framework/ForegroundSwitch.h"
#include "framework/WinApp.h"
#include "sheet/SettingsSheet.h"

namespace {
const wchar_t kHistorySwitch[] = L"/history";
const wchar_t kHelpFile[] = L"\\Inkwell.chm";
const wchar_t kBuildTreeHelpFile[] =
    L"\\..\\..\\..\\..\\PC_install\\install\\Tamber\\build\\bin\\Applications\\Inkwell.chm";
constexpr int kIconId = 99;
constexpr UINT kHhDisplayTopic = 0;

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

LRESULT Quillpad::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    TraceScope scope("Quillpad::WindowProc", true);
    if (msg == InstanceMessage && InstanceMessage != 0)
        return OnMeMyselfAndI(wp, lp);
    if (msg == WM_TIMER && wp == kIconTimer) {
        KillTimer(Handle(), kIconTimer);
        SetIcons();
        return 0;
    }
    if (msg == WM_HELP) {
        // F1 anywhere in the sheet comes up the owner chain to us.
        OnHelp();
        return TRUE;
    }
    return FrameWindow::WindowProc(msg, wp, lp);
}

Quillpad::Quillpad() = default;
Quillpad::~Quillpad() = default;

int Quillpad::OnCreate(CREATESTRUCTW*) {
    TraceScope scope("Quillpad::OnCreate");
    m_sheet = std::make_unique<SettingsSheet>(Handle(), 0);
    if (!m_sheet->Create(Handle(), SettingsSheet::kWindowStyle)) {
        scope.error("Failed to create properties.");
        m_sheet.reset();
        return -1;
    }
    WinApp* app = WinApp::Current();
    if (app && app->CmdLine() == kHistorySwitch)
        m_sheet->ShowHistory();
    else
        m_sheet->Show(SW_SHOW);
    // The hidden window's icons can wait until the sheet has painted itself (a zero-delay
    // timer comes after painting): handing them to the window system takes a while.
    if (!SetTimer(Handle(), kIconTimer, 0, nullptr))
        SetIcons();
    return 0;
}

void Quillpad::SetIcons() {
    TraceScope scope("Quillpad::SetIcons");
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (HANDLE small = LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED))
        Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    if (HANDLE big = LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                GetSystemMetrics(SM_CYICON), LR_SHARED))
        Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
}

void Quillpad::OnDestroy() {
    TraceScope scope("Quillpad::OnDestroy");
    m_sheet.reset();
}

bool Quillpad::OnCommand(int id, int) {
    TraceScope scope("Quillpad::OnCommand");
    if (id != kHelpCommand)
        return false;
    OnHelp();
    return true;
}

std::wstring Quillpad::ReadHandedOverCommandLine(HWND owner) {
    TraceScope scope("Quillpad::ReadHandedOverCommandLine");
    // The starting instance's broadcast can keep the clipboard busy for up to its
    // 200 ms timeout, so keep trying a little longer than that.
    bool opened = false;
    for (int attempt = 0; attempt < 12 && !(opened = OpenClipboard(owner)); ++attempt)
        Sleep(25);
    if (!opened) {
        scope.warning("Failed to open the clipboard (%lu).", GetLastError());
        return {};
    }
    std::wstring text;
    if (HANDLE data = GetClipboardData(CmdLineClipboardFormat)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            size_t limit = GlobalSize(data) / sizeof(wchar_t);
            text.assign(chars, wcsnlen(chars, limit));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

LRESULT Quillpad::OnMeMyselfAndI(WPARAM, LPARAM) {
    TraceScope scope("Quillpad::OnMeMyselfAndI");
    if (!IsWindow()) {
        scope.trace("No window found.");
        return 0;
    }
    scope.trace("Reading command line.");
    std::wstring cmdLine = ReadHandedOverCommandLine(Handle());
    scope.trace("Checking if we should show the history.");
    if (cmdLine == kHistorySwitch) {
        if (m_sheet)
            m_sheet->ShowHistory();
        return 0;
    }
    scope.trace("Bringing main window to front.");
    if (m_sheet && m_sheet->IsWindow())
        BringWindowToFront(m_sheet->Handle());
    return 0;
}

std::wstring Quillpad::GetMyPath() {
    TraceScope scope("Quillpad::GetMyPath");
    std::vector<wchar_t> buffer(256);
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    // Fewer than two characters free means the name may have been cut: grow and retry.
    for (size_t size = 512; length + 2 > buffer.size() && size <= 32768; size += 256) {
        buffer.assign(size, L'\0');
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    std::wstring path(buffer.data(), length);
    size_t slash = path.rfind(L'\\');
    if (slash != std::wstring::npos && slash != 0)
        path.resize(slash);
    return path;
}

std::wstring Quillpad::FindHelpFile(const std::wstring& directory) {
    TraceScope scope("Quillpad::FindHelpFile");
    std::wstring file = directory + kHelpFile;
    if (FileExists(file))
        return file;
    file = directory + kBuildTreeHelpFile;
    return FileExists(file) ? file : std::wstring();
}

void Quillpad::OnHelp() {
    TraceScope scope("Quillpad::OnHelp");
    std::wstring directory = GetMyPath();
    if (directory.empty()) {
        scope.warning("No path found.");
        return;
    }
    std::wstring file = FindHelpFile(directory);
    if (file.empty()) {
        scope.warning("Unable to locate application.");
        return;
    }
    if (!HtmlHelpControl::Call(Handle(), file, kHhDisplayTopic, 0))
        scope.warning("Failed to create process.");
}
