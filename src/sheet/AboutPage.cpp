#include "sheet/AboutPage.h"

#include <windows.h>
#include <commctrl.h>
#include <wrl/client.h>

#include <cstdint>
#include <cwchar>
#include <iterator>

#include "core/Settings.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "framework/Variant.h"
#include "controls/ListColumns.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr ListColumn kColumns[] = {
    {IDS_VERSION_NAME, "Windows/Main/Version/Name", 200},
    {IDS_VERSION_DATA, "Windows/Main/Version/Data", 200},
};

const char kApplicationFolderKey[] = "Install/ApplicationFolder";
const char kCommonFolderKey[] = "Install/CommonFolder";

struct RevisionGetter {
    HRESULT (STDMETHODCALLTYPE IRevisions::*get)(BSTR*);
    UINT name;
};
constexpr RevisionGetter kRevisions[] = {
    {&IRevisions::GetApplicationRevision, IDS_VERSION_APPLICATION},
    {&IRevisions::GetBootRevision, IDS_VERSION_BOOT},
    {&IRevisions::GetCustomizationRevision, IDS_VERSION_CUSTOMIZATION},
    {&IRevisions::GetHardwareRevision, IDS_VERSION_HARDWARE},
    {&IRevisions::GetParameterRevision, IDS_VERSION_PARAMETER},
    {&IRevisions::GetProductionRevision, IDS_VERSION_PRODUCTION},
};

unsigned Hex(HRESULT hr) {
    return static_cast<unsigned>(hr);
}
DWORD_PTR Arg(long value) {
    return static_cast<DWORD_PTR>(static_cast<LONG_PTR>(value));
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring LanguageName(WORD language) {
    wchar_t name[128] = {};
    if (!GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SLANGUAGE, name,
                        static_cast<int>(std::size(name))))
        return {};
    return name;
}

// A file's version information. A module is loaded once as data and its resource copied:
// under Wine that takes a tenth of the time of GetFileVersionInfo, which loads it twice
// (the list looks up 19 files on every docking). Anything else goes the documented way.
std::vector<BYTE> VersionResource(const std::wstring& path) {
    std::vector<BYTE> info;
    if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION))
            if (const void* data = LockResource(LoadResource(module, found))) {
                const auto* bytes = static_cast<const BYTE*>(data);
                info.assign(bytes, bytes + SizeofResource(module, found));
            }
        FreeLibrary(module);
        if (!info.empty())
            return info;
    }
    DWORD handle = 0;
    info.resize(GetFileVersionInfoSizeW(path.c_str(), &handle));
    if (info.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()))
        info.clear();
    return info;
}

std::wstring FolderSetting(const char* key) {
    return StringPackage::utf8ToWide(Settings::suiteInstance().readString(key, ""));
}

void ReadMemory(IPen* pen, AboutPage::Rows& rows, TraceScope& scope) {
    ComPtr<IMemoryStatus> memory;
    const HRESULT hr = pen->GetMemoryStatus(&memory);
    if (FAILED(hr) || !memory) {
        scope.warning("Error getting memory status (0x%08x).", Hex(hr));
        return;
    }
    // A value that can't be read counts as 0.
    long used = 0, total = 0;
    memory->GetUsedMemory(&used);
    memory->GetTotalMemory(&total);
    rows.push_back({LoadResString(IDS_VERSION_PEN_MEMORY), AboutPage::MemoryText(used, total)});
}

void ReadPairedDevices(IPen* pen, AboutPage::Rows& rows, TraceScope& scope) {
    ComPtr<IPairedDevices> devices;
    HRESULT hr = pen->GetPairedDevices(&devices);
    if (FAILED(hr) || !devices) {
        scope.warning("Error getting paired devices (0x%08x).", Hex(hr));
        return;
    }
    long count = 0;
    hr = devices->GetCount(&count);
    if (FAILED(hr))
        scope.warning("Error getting number of devices (0x%08x).", Hex(hr));
    for (long i = 1; i <= count; ++i) {
        scope.trace("Getting paired item #%ld.", i - 1);
        Variant item;
        hr = devices->GetItem(i, item.Out());
        if (FAILED(hr)) {
            scope.warning("Error getting item (0x%08x).", Hex(hr));
            continue;
        }
        IUnknown* unknown = item.AsUnknown();
        if (!unknown) {
            scope.warning("Unable to convert item to IUnknown.");
            continue;
        }
        ComPtr<IPairedDevice> device;
        hr = unknown->QueryInterface(IID_PPV_ARGS(&device));
        if (FAILED(hr)) {
            scope.warning("QueryInterface on item failed. (0x%08x).", Hex(hr));
            continue;
        }
        Bstr name;
        hr = device->GetDeviceName(name.Out());
        if (FAILED(hr)) {
            scope.warning("Failed to get device name. (0x%08x).", Hex(hr));
            continue;
        }
        rows.push_back({FormatResString(IDS_VERSION_DEVICE, {Arg(i)}), name.Str()});
    }
}

void ReadRevisions(IPen* pen, AboutPage::Rows& rows, TraceScope& scope) {
    ComPtr<IRevisions> revisions;
    const HRESULT hr = pen->GetRevisions(&revisions);
    if (FAILED(hr) || !revisions) {
        scope.warning("Error getting revisions (0x%08x).", Hex(hr));
        return;
    }
    // A revision the pen can't tell is simply left out.
    for (const RevisionGetter& getter : kRevisions) {
        Bstr text;
        if (SUCCEEDED((revisions.Get()->*getter.get)(text.Out())))
            rows.push_back({LoadResString(getter.name), text.Str()});
    }
}

// A component whose version the list shows.
struct Component {
    const wchar_t* name;
    // Where an installation keeps it: the suite's common folder, or the application's.
    bool commonFolder;
    // Where a development build tree keeps it, from this program's folder; null for the
    // system's files. Our tree puts everything in bin/ (found beside us); a per-folder,
    // per-configuration build puts us in src/Release/ and each part in its own Release/.
    const wchar_t* treePath;
};

// The suite's parts the panel talks to, then the system's parts it stands on: common
// controls and visual styles, COM and OLE automation, the Internet client, the help
// control, and the shell that opens links. A private copy beside an installation wins
// over the system's.
constexpr Component kComponents[] = {
    {L"PenManager.exe", true, L"..\\..\\penmanager\\server"},
    {L"PenOutbox.dll", true, L"..\\..\\penmanager\\outbox"},
    {L"PenStorage.dll", true, L"..\\..\\storage"},
    {L"comctl32.dll", false, nullptr},
    {L"uxtheme.dll", false, nullptr},
    {L"ole32.dll", false, nullptr},
    {L"oleaut32.dll", false, nullptr},
    {L"rpcrt4.dll", false, nullptr},
    {L"wininet.dll", false, nullptr},
    {L"urlmon.dll", false, nullptr},
    {L"hhctrl.ocx", false, nullptr},
    {L"shell32.dll", false, nullptr},
    {L"shlwapi.dll", false, nullptr},
    {L"version.dll", false, nullptr},
    {L"user32.dll", false, nullptr},
    {L"gdi32.dll", false, nullptr},
    {L"advapi32.dll", false, nullptr},
    {L"kernel32.dll", false, nullptr},
};

// The rows of this program and of every component, looked up on the first call: files
// are not replaced while the program runs (the installer closes it first), and the 19
// lookups cost more than the pen's own rows on every docking.
const AboutPage::Rows& FileRows() {
    TraceScope scope("AboutPage::FileRows");
    static const AboutPage::Rows files = [] {
        AboutPage::Rows rows;
        const std::wstring applicationFolder = FolderSetting(kApplicationFolderKey);
        const std::wstring commonFolder = FolderSetting(kCommonFolderKey);
        AboutPage::InsertFileVersion(AboutPage::GetMyExePath(), rows);
        for (const Component& component : kComponents)
            AboutPage::InsertFileVersion(
                AboutPage::GetFilePath(component.name, component.commonFolder ? commonFolder : applicationFolder,
                                       component.treePath ? component.treePath : L""),
                rows);
        return rows;
    }();
    return files;
}

} // namespace

AboutPage::AboutPage() : SheetPage(IDD_ABOUT) {
    TraceScope scope("AboutPage::AboutPage");
}

AboutPage::~AboutPage() {
    TraceScope scope("AboutPage::~AboutPage");
    FreeBitmap();
}

void AboutPage::LoadBitmap() {
    TraceScope scope("AboutPage::LoadBitmap");
    m_picture.Load(GetModuleHandleW(nullptr), IDB_ABOUT_PICTURE, IDB_ABOUT_MASK);
}

void AboutPage::FreeBitmap() {
    TraceScope scope("AboutPage::FreeBitmap");
    m_picture.Free();
}

BOOL AboutPage::OnInitDialog() {
    TraceScope scope("AboutPage::OnInitDialog");
    // Prepared when the page is first shown, not while the program starts: most starts
    // never show it.
    if (!m_picture.IsLoaded())
        LoadBitmap();
    const BOOL result = SheetPage::OnInitDialog();
    if (!m_list.SubclassDlgItem(IDC_VERSION_LIST, m_hwnd))
        return FALSE;
    m_list.Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    InsertListColumns(m_list.Handle(), kColumns);
    ShowWindow(Item(IDC_ABOUT_PICTURE), SW_HIDE);
    UpdatePage();
    return result;
}

void AboutPage::OnDestroy() {
    TraceScope scope("AboutPage::OnDestroy");
    if (!m_list.Handle())
        return;
    SaveListColumnWidths(m_list.Handle(), kColumns);
}

void AboutPage::UpdatePage() {
    TraceScope scope("AboutPage::UpdatePage");
    ShowRows(ReadRows(GetPen()));
}

void AboutPage::ShowRows(Rows rows) {
    TraceScope scope("AboutPage::ShowRows");
    RebuildScope rebuild(m_list);
    m_list.Send(LVM_DELETEALLITEMS);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const Row& row = rows[static_cast<size_t>(i)];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(row.name.c_str());
        const int index = static_cast<int>(m_list.Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        LVITEMW cell{};
        cell.iSubItem = 1;
        cell.pszText = const_cast<wchar_t*>(row.data.c_str());
        m_list.Send(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&cell));
    }
    m_rows = std::move(rows);
}

AboutPage::Rows AboutPage::ReadRows(IPen* pen) {
    TraceScope scope("AboutPage::ReadRows");
    Rows rows;
    if (pen) {
        Bstr penId;
        HRESULT hr = pen->GetPenId(penId.Out());
        if (FAILED(hr))
            scope.warning("Error getting pen id (0x%08x).", Hex(hr));
        else
            rows.push_back({LoadResString(IDS_VERSION_PEN_ID), penId.Str()});

        long seconds = 0, milliseconds = 0;
        hr = pen->GetTime(&seconds, &milliseconds);
        if (FAILED(hr))
            scope.warning("Error getting time (0x%08x).", Hex(hr));
        else
            rows.push_back({LoadResString(IDS_VERSION_PEN_TIME), PenTimeText(seconds, milliseconds)});

        ReadMemory(pen, rows, scope);
        ReadPairedDevices(pen, rows, scope);
        ReadRevisions(pen, rows, scope);
    }

    const Rows& files = FileRows();
    rows.insert(rows.end(), files.begin(), files.end());
    return rows;
}

std::wstring AboutPage::ClipboardText(const Rows& rows) {
    TraceScope scope("AboutPage::ClipboardText");
    std::wstring text;
    for (const Row& row : rows)
        text += row.name + L"\t" + row.data + L"\r\n";
    return text;
}

std::wstring AboutPage::MemoryText(long used, long total) {
    TraceScope scope("AboutPage::MemoryText");
    // In 64 bits, so that a pen of more than 21 MB does not come out negative.
    const long percent = total == 0 ? 100 : static_cast<long>(static_cast<int64_t>(used) * 100 / total);
    return FormatResString(IDS_VERSION_MEMORY_USE, {Arg(percent), Arg(used), Arg(total)});
}

std::wstring AboutPage::PenTimeText(long seconds, long milliseconds) {
    TraceScope scope("AboutPage::PenTimeText");
    const int64_t ticks = ((static_cast<int64_t>(seconds) + 11644473600LL) * 1000 + milliseconds) * 10000;
    const FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&time, &utc))
        return {};
    // The zone's rules of that date, not today's offset.
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        local = utc;
    wchar_t text[32];
    swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay,
             local.wHour, local.wMinute, local.wSecond);
    return text;
}

void AboutPage::InsertFileVersion(const std::wstring& path, Rows& rows) {
    TraceScope scope("AboutPage::InsertFileVersion");
    Rows found;
    if (!path.empty())
        GetVersionInformation(path, found);
    if (found.empty())
        rows.push_back({FileName(path), LoadResString(IDS_UNEXPECTED_ERROR)});
    else
        rows.insert(rows.end(), found.begin(), found.end());
}

void AboutPage::GetVersionInformation(const std::wstring& path, Rows& rows) {
    TraceScope scope("AboutPage::GetVersionInformation");
    std::vector<BYTE> info = VersionResource(path);
    if (info.empty())
        return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &bytes))
        return;

    wchar_t numbers[64];
    swprintf(numbers, std::size(numbers), L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    const std::wstring name = FileName(path);
    if (bytes < sizeof(Translation) || !translations) {
        rows.push_back({name, numbers});
        return;
    }
    for (UINT i = 0; i < bytes / sizeof(Translation); ++i) {
        wchar_t key[64];
        swprintf(key, std::size(key), L"\\StringFileInfo\\%04x%04x\\FileVersion", translations[i].language,
                 translations[i].codePage);
        wchar_t* text = nullptr;
        UINT characters = 0;
        std::wstring data = numbers;
        if (VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&text), &characters) && text)
            data = std::wstring(text) + L" (" + numbers + L")";
        const std::wstring language = LanguageName(translations[i].language);
        rows.push_back({language.empty() ? name : name + L" (" + language + L")", data});
    }
}

std::wstring AboutPage::GetMyExePath() {
    TraceScope scope("AboutPage::GetMyExePath");
    std::wstring path(256, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length + 2 <= path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() + 256);
    }
}

std::wstring AboutPage::GetMyPath() {
    TraceScope scope("AboutPage::GetMyPath");
    const std::wstring path = GetMyExePath();
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring AboutPage::GetFilePath(const std::wstring& name, const std::wstring& folder,
                                    const std::wstring& treePath) {
    TraceScope scope("AboutPage::GetFilePath");
    const std::wstring directory = GetMyPath();
    std::vector<std::wstring> candidates;
    if (!directory.empty())
        candidates.push_back(directory + L"\\" + name);
    if (!folder.empty())
        candidates.push_back(folder + L"\\" + name);
    if (!treePath.empty()) {
        const std::wstring tree = directory + L"\\" + treePath;
        candidates.push_back(tree + L"\\" + name);
        candidates.push_back(tree + L"\\Release\\" + name);
        candidates.push_back(tree + L"\\ReleaseMinDependency\\" + name);
    }
    for (const std::wstring& candidate : candidates)
        if (Exists(candidate))
            return candidate;
    return name;
}

bool AboutPage::OnCommand(int id, int code) {
    if (id == IDC_COPY_INFO && code == BN_CLICKED) {
        OnCopyInfo();
        return true;
    }
    return SheetPage::OnCommand(id, code);
}

void AboutPage::OnCopyInfo() {
    TraceScope scope("AboutPage::OnCopyInfo");
    const std::wstring text = ClipboardText(m_rows);

    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 10 && !(open = OpenClipboard(m_hwnd)); ++attempt)
        Sleep(20);
    if (!open)
        return;
    EmptyClipboard();
    // Plain text, and the same text in Unicode too, so that a device name the ANSI code
    // page can't hold still arrives as the pen stored it.
    const int ansiBytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (HGLOBAL ansi = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(ansiBytes))) {
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, static_cast<char*>(GlobalLock(ansi)), ansiBytes,
                            nullptr, nullptr);
        GlobalUnlock(ansi);
        if (!SetClipboardData(CF_TEXT, ansi))
            GlobalFree(ansi);
    }
    const SIZE_T wideBytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL wide = GlobalAlloc(GMEM_MOVEABLE, wideBytes)) {
        memcpy(GlobalLock(wide), text.c_str(), wideBytes);
        GlobalUnlock(wide);
        if (!SetClipboardData(CF_UNICODETEXT, wide))
            GlobalFree(wide);
    }
    CloseClipboard();
}

LRESULT AboutPage::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        OnPaint();
        return TRUE;
    }
    return SheetPage::WindowProc(msg, wp, lp);
}

void AboutPage::OnPaint() {
    TraceScope scope("AboutPage::OnPaint", true);
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_hwnd, &paint);
    RECT corner{};
    GetWindowRect(Item(IDC_ABOUT_PICTURE), &corner);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&corner), 2);
    m_picture.Paint(dc, corner.left, corner.top);
    EndPaint(m_hwnd, &paint);
}

LRESULT AboutPage::OnPenDocked(const char* penId, LPARAM) {
    TraceScope scope("AboutPage::OnPenDocked");
    scope.trace("Pen %s docked.", penId);
    UpdatePage();
    return 0;
}

LRESULT AboutPage::OnPenUndocked(const char* penId, LPARAM) {
    TraceScope scope("AboutPage::OnPenUndocked");
    scope.trace("Pen %s undocked.", penId);
    UpdatePage();
    return 0;
}
