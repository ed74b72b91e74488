// QuillpadSetup.exe as a user and an administrator meet it: a silent install into a folder
// whose name has a space and an accent, a failed upgrade that keeps it, the panel started
// from its Start menu entry, an upgrade over a running panel, a silent uninstall that keeps
// the user's settings; a folder that can't be written and a registration that fails are
// undone with nothing left behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ui/driver/Driver.h"

namespace {
using Microsoft::WRL::ComPtr;
using ui::Sheet;

// The installer makes both folders: the uninstaller takes both away.
const wchar_t kSuiteFolder[] = L"C:\\Program Files\\Velar";
const wchar_t kFolder[] = L"C:\\Program Files\\Velar\\Panel del lápiz";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillpad";
const wchar_t kInstallKey[] = L"Software\\Velar\\2.0\\Install";
const wchar_t kUserKey[] = L"Software\\Velar\\2.0\\Quillpad";
const wchar_t* const kServers[] = {L"PenManager.exe", L"PenOutbox.dll", L"PenStorage.dll"};
const wchar_t* const kFiles[] = {L"Quillpad.exe",   L"Inkwell.chm",   L"PenStorage.dll",
                                 L"PenManager.exe", L"PenOutbox.dll", L"penctl.exe"};

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring ReadText(HKEY root, const std::wstring& path, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

std::vector<std::wstring> Subkeys(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

// The server path of every class and type library registered machine-wide, by key.
using Registrations = std::vector<std::pair<std::wstring, std::wstring>>;
Registrations ServerRegistrations() {
    Registrations found;
    auto add = [&](const std::wstring& key) {
        const std::wstring path = ReadText(HKEY_LOCAL_MACHINE, key, nullptr);
        if (!path.empty())
            found.emplace_back(key, Lower(path));
    };
    const std::wstring classes = L"Software\\Classes\\CLSID";
    for (const std::wstring& clsid : Subkeys(HKEY_LOCAL_MACHINE, classes)) {
        add(classes + L"\\" + clsid + L"\\LocalServer32");
        add(classes + L"\\" + clsid + L"\\InprocServer32");
    }
    const std::wstring libs = L"Software\\Classes\\TypeLib";
    for (const std::wstring& lib : Subkeys(HKEY_LOCAL_MACHINE, libs))
        for (const std::wstring& version : Subkeys(HKEY_LOCAL_MACHINE, libs + L"\\" + lib))
            add(libs + L"\\" + lib + L"\\" + version + L"\\0\\win64");
    return found;
}

// The keys of those whose server path holds the text.
std::vector<std::wstring> Of(const Registrations& registrations, const std::wstring& text) {
    std::vector<std::wstring> keys;
    for (const auto& [key, path] : registrations)
        if (path.find(Lower(text)) != std::wstring::npos)
            keys.push_back(key);
    return keys;
}

std::wstring StartMenuShortcut() {
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::wstring(programs) + L"\\Panel de control del lápiz.lnk";
}

std::wstring ShortcutTarget(const std::wstring& path) {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
        SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Load(path.c_str(), STGM_READ)))
        link->GetPath(target, MAX_PATH, nullptr, 0);
    return target;
}

const wchar_t kSetup[] = L"\\..\\QuillpadSetup.exe";
// Its PenOutbox.dll fails to register after PenStorage.dll and PenManager.exe did.
const wchar_t kFailingSetup[] = L"\\FailingRegistrationSetup.exe";

DWORD Install(const std::wstring& folder, const wchar_t* setup = kSetup) {
    // /D= comes last and unquoted, spaces and all.
    return Process::RunToEnd(Process::BinDir() + setup, L"/S /D=" + folder);
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // The prefix comes with the build's servers registered: take them out through
        // their own entry points, so that the installed ones are all there is.
        const std::wstring bin = Process::BinDir();
        ASSERT_EQ(Process::RunToEnd(bin + L"\\PenManager.exe", L"/unregserver"), 0u);
        for (const wchar_t* dll : {L"PenOutbox.dll", L"PenStorage.dll"})
            ASSERT_EQ(Process::RunToEnd(L"C:\\windows\\system32\\regsvr32.exe",
                                        L"/s /u \"" + bin + L"\\" + dll + L"\""),
                      0u);
        const Registrations registrations = ServerRegistrations();
        for (const wchar_t* server : kServers)
            ASSERT_TRUE(Of(registrations, server).empty()) << server;
        // An empty one may be left by an older installer's demo run.
        RemoveDirectoryW(kSuiteFolder);
        ASSERT_FALSE(Exists(kSuiteFolder));
    }
    void TearDown() override { CoUninitialize(); }

    // The build's files are installed in the folder, their servers registered there and
    // nowhere else, and the installation is named where the system and the panel look.
    void ExpectInstalled(const std::wstring& folder) {
        for (const wchar_t* file : kFiles)
            EXPECT_TRUE(Contents(folder + L"\\" + file) == Contents(Process::BinDir() + L"\\" + file))
                << file;
        EXPECT_TRUE(Exists(folder + L"\\Uninstall.exe"));
        const Registrations registrations = ServerRegistrations();
        for (const wchar_t* server : kServers) {
            const auto registered = Of(registrations, folder + L"\\" + server);
            EXPECT_FALSE(registered.empty()) << server;
            EXPECT_EQ(registered, Of(registrations, server)) << server << " registered elsewhere too";
        }
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"ApplicationFolder"), folder);
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"CommonFolder"), folder);
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), L"Panel de control del lápiz");
        EXPECT_EQ(Lower(ShortcutTarget(StartMenuShortcut())), Lower(folder + L"\\Quillpad.exe"));
    }

    // Nothing of an installation is on the machine (the user's settings aside).
    void ExpectNothingInstalled(const std::wstring& folder) {
        EXPECT_FALSE(Exists(folder));
        EXPECT_FALSE(Exists(kSuiteFolder));
        EXPECT_FALSE(Exists(StartMenuShortcut()));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"ApplicationFolder"), L"");
        EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kInstallKey, L"CommonFolder"), L"");
        const Registrations registrations = ServerRegistrations();
        for (const wchar_t* server : kServers)
            EXPECT_EQ(Of(registrations, server), std::vector<std::wstring>{}) << server;
    }
};

TEST_F(Installer, InstallsUpgradesAndUninstallsOrUndoesWhatFailed) {
    const std::wstring folder = kFolder;
    ASSERT_EQ(Install(folder), 0u);
    ExpectInstalled(folder);
    // A failed upgrade leaves the installation working, and its uninstaller whole.
    EXPECT_EQ(Install(folder, kFailingSetup), 3u);
    ExpectInstalled(folder);

    // The Start menu entry starts the installed panel, which finds the installed demo pen
    // manager and its files in the folder the installation names.
    const std::wstring target = ShortcutTarget(StartMenuShortcut());
    Process app;
    ASSERT_TRUE(app.StartPath(target));
    Sheet sheet = Sheet::Find(app.Pid(), ui::kSheetCaption);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(sheet.SelectPage(L"Acerca de"));
    ui::ListView list(sheet.CurrentPage(), IDC_VERSION_LIST);
    auto row = [&](const std::wstring& prefix) {
        for (int i = 0; i < list.Count(); ++i)
            if (list.Text(i, 0).rfind(prefix, 0) == 0)
                return list.Text(i, 1);
        return std::wstring();
    };
    EXPECT_TRUE(
        ui::WaitUntil([&] { return row(L"Número de identificación del lápiz") == ui::StandIn::kDemoPen; }));
    const std::wstring version = row(L"Quillpad.exe");
    EXPECT_NE(version, L"");
    // Nothing else on the machine has these files: a version means the folder was used.
    for (const wchar_t* server : kServers)
        EXPECT_EQ(row(server), version) << server;

    // An older installation, as far as the installer can tell: a changed help file and
    // an older version in the list of programs.
    { std::ofstream(std::filesystem::path(folder + L"\\Inkwell.chm"), std::ios::binary) << "old"; }
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1.0"), 8);
    RegCloseKey(key);
    ASSERT_EQ(Install(folder), 0u);
    EXPECT_TRUE(app.WaitExit(0)) << "the running panel was not asked to close";
    EXPECT_EQ(app.ExitCode(), 0u) << "the panel did not end in order";
    ExpectInstalled(folder);
    EXPECT_NE(ReadText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion"), L"1.0");

    // The panel wrote the user's settings; the uninstaller leaves them.
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserKey));
    ASSERT_EQ(Process::RunToEnd(folder + L"\\Uninstall.exe", L"/S"), 0u);
    ExpectNothingInstalled(folder);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserKey));

    // A folder below a file can be neither made nor written, whoever runs the installer;
    // a registration that fails is undone. Nothing is left behind.
    { std::ofstream(std::filesystem::path(L"C:\\Sólo lectura")) << "not a folder"; }
    const std::tuple<const wchar_t*, const wchar_t*, DWORD> refusals[] = {
        {kSetup, L"C:\\Sólo lectura\\Quillpad", 2}, {kFailingSetup, kFolder, 3}};
    for (const auto& [setup, into, exitCode] : refusals) {
        SCOPED_TRACE(into);
        EXPECT_EQ(Install(into, setup), exitCode);
        ExpectNothingInstalled(into);
    }
}

} // namespace
