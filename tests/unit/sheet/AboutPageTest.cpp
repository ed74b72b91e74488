// The About page's rows that need no pen and no window: the memory text, the version
// rows of a file, and where a component is looked for (the development tree's folders
// aside).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/ResourceText.h"
#include "res/resource.h"
#include "sheet/AboutPage.h"

namespace {

using Rows = AboutPage::Rows;

std::wstring TempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void MakeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, "sin versión", 12, &written, nullptr);
    CloseHandle(file);
}

} // namespace

TEST(AboutPage, MemoryRowGivesThePercentageUsed) {
    struct Case {
        long used, total;
        const wchar_t* text;
    } cases[] = {
        {1048576, 4194304, L"25% usado (1048576 de 4194304 bytes)"},
        {4194304, 4194304, L"100% usado (4194304 de 4194304 bytes)"},
        {0, 4194304, L"0% usado (0 de 4194304 bytes)"},
        {5, 0, L"100% usado (5 de 0 bytes)"},
        {33554432, 67108864, L"50% usado (33554432 de 67108864 bytes)"}, // beyond 32 bits times 100
    };
    for (const Case& c : cases)
        EXPECT_EQ(AboutPage::MemoryText(c.used, c.total), c.text) << c.used << " of " << c.total;
}

TEST(AboutPage, VersionRowsOfAFile) {
    const std::wstring unexpected = LoadResString(IDS_UNEXPECTED_ERROR);
    const std::wstring folder = TempFolder(L"AboutVersions");
    MakeFile(folder + L"\\Notas.txt");

    Rows sample;
    AboutPage::InsertFileVersion(AboutPage::GetMyPath() + L"\\VersionSample.dll", sample);
    ASSERT_EQ(sample.size(), 1u);
    // The language as the system names it in the user's language ("Español..." on a
    // Spanish Windows; Wine answers in English).
    wchar_t spanish[128] = {};
    GetLocaleInfoW(MAKELCID(0x0C0A, SORT_DEFAULT), LOCALE_SLANGUAGE, spanish, 128);
    EXPECT_EQ(sample[0].name, L"VersionSample.dll (" + std::wstring(spanish) + L")");
    EXPECT_EQ(sample[0].data, L"1.0.2 compilación 3 (1.0.2.3)");

    // No version information, and no file at all: the name and the unexpected-error text.
    struct Case {
        std::wstring path;
        AboutPage::Row row;
    } cases[] = {
        {folder + L"\\Notas.txt", {L"Notas.txt", unexpected}},
        {L"NoSuchComponent.dll", {L"NoSuchComponent.dll", unexpected}},
        {folder + L"\\Falta.dll", {L"Falta.dll", unexpected}},
    };
    for (const Case& c : cases) {
        Rows rows;
        AboutPage::InsertFileVersion(c.path, rows);
        EXPECT_EQ(rows, Rows{c.row}) << c.path;
    }
}

// Beside us first (a private copy wins), then in the installation's folder; the system's
// files by name.
TEST(AboutPage, ComponentIsLookedForBesideUsThenInItsFolder) {
    const std::wstring here = AboutPage::GetMyPath();
    const std::wstring folder = TempFolder(L"AboutFolder");
    MakeFile(folder + L"\\EnCarpeta.dll");
    MakeFile(folder + L"\\VersionSample.dll");
    struct Case {
        const wchar_t* name;
        std::wstring folder, found;
    } cases[] = {
        {L"VersionSample.dll", folder, here + L"\\VersionSample.dll"},
        {L"EnCarpeta.dll", folder, folder + L"\\EnCarpeta.dll"},
        {L"EnCarpeta.dll", L"", L"EnCarpeta.dll"},
        {L"comctl32.dll", L"", L"comctl32.dll"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AboutPage::GetFilePath(c.name, c.folder, L""), c.found) << c.name;
}
