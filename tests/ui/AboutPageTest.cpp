// The About page of the real Quillpad.exe: the pen's rows and the file versions, rebuilt
// on docking and undocking, each pen value that can't be read left out alone, and the list
// copied to the clipboard for an e-mail. Registered with TZ=Asia/Kathmandu, so local time
// is UTC + 5:45.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ui/driver/PageFixture.h"

namespace {
using ui::Sheet;
using ui::StandIn;

using Row = std::pair<std::wstring, std::wstring>;
using Rows = std::vector<Row>;

constexpr size_t kFileRows = 19; // Quillpad.exe and 18 components
const wchar_t kDevice1[] = L"Dispositivo bluetooth compatible #1";
const wchar_t kDevice2[] = L"Dispositivo bluetooth compatible #2";

// What the pen holds for these tests, and the rows it gives.
struct PenValue {
    const wchar_t* path;
    const wchar_t* value;
    bool text;
};
const PenValue kPenValues[] = {
    {L"/clock/seconds", L"1000000000", false},
    {L"/clock/milliseconds", L"250", false},
    {L"/memory/used", L"1048576", false},
    {L"/memory/total", L"4194304", false},
    {L"/pairedDevices/0/name", L"Móvil de Ana", true},
    {L"/pairedDevices/1/name", L"Portátil oficina", true},
    {L"/revisions/application", L"3.2.1", true},
    {L"/revisions/boot", L"1.0.7", true},
    {L"/revisions/customization", L"ES-2", true},
    {L"/revisions/hardware", L"B", true},
    {L"/revisions/parameter", L"17", true},
    {L"/revisions/production", L"2025-11", true},
};
const Rows kPenRows = {
    {L"Número de identificación del lápiz", L"AAA-BBB-CCC-DD"},
    {L"Fecha y hora", L"2001-09-09 07:31:40"}, // 01:46:40 UTC in Kathmandu
    {L"Parámetros", L"25% usado (1048576 de 4194304 bytes)"},
    {kDevice1, L"Móvil de Ana"},
    {kDevice2, L"Portátil oficina"},
    {L"Revisión del software de aplicación", L"3.2.1"},
    {L"Revisión del software de arranque", L"1.0.7"},
    {L"Personalización de la revisión del software", L"ES-2"},
    {L"Revisión del hardware", L"B"},
    {L"Revisión del software de parámetro", L"17"},
    {L"Revisión del software de producción", L"2025-11"},
};

class AboutPage : public ui::PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        for (const PenValue& v : kPenValues)
            ASSERT_TRUE(StandIn::Set(kPen, v.path, v.value, v.text)) << v.path;
    }
    void Open() {
        StartOn(L"Acerca de", [&] { return Shown().size() > kFileRows; });
    }
    ui::ListView List() const { return ui::ListView(sheet.CurrentPage(), IDC_VERSION_LIST); }
    Rows Shown() const {
        Rows rows;
        const ui::ListView list = List();
        for (int i = 0; i < list.Count(); ++i)
            rows.emplace_back(list.Text(i, 0), list.Text(i, 1));
        return rows;
    }
    Rows PenRowsShown() const {
        Rows rows = Shown();
        return rows.size() < kFileRows ? rows : Rows(rows.begin(), rows.end() - kFileRows);
    }
};

TEST_F(AboutPage, ShowsThePenThenTheFileVersionsAndCopiesThemForAnEmail) {
    Open();
    EXPECT_EQ(PenRowsShown(), kPenRows);
    const Rows rows = Shown();
    ASSERT_EQ(rows.size(), kPenRows.size() + kFileRows);
    for (size_t i = kPenRows.size(); i < rows.size(); ++i)
        EXPECT_NE(rows[i].second, kUnexpected) << "not found or without version: " << rows[i].first;
    // The program first (how a file's row reads is the page's unit test's; that our other
    // binaries are found with the program's version, the installer test's).
    EXPECT_EQ(rows[kPenRows.size()].first.rfind(L"Quillpad.exe (", 0), 0u) << rows[kPenRows.size()].first;

    // Every row goes to the clipboard as "name<tab>data" lines.
    std::wstring expected;
    for (const Row& row : rows)
        expected += row.first + L"\t" + row.second + L"\r\n";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    sheet.Item(IDC_COPY_INFO).Click();
    std::wstring copied;
    ASSERT_TRUE(ui::WaitUntil([&] {
        if (!OpenClipboard(nullptr))
            return false;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            copied = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return !copied.empty();
    }));
    EXPECT_EQ(copied, expected);
    ASSERT_TRUE(Quit());
}

TEST_F(AboutPage, FollowsDockingAndLeavesOutWhatCantBeRead) {
    Open();
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(ui::WaitUntil([&] { return Shown().size() == kFileRows; })) << "no pen: only the files";

    // The list is rebuilt on docking: a value changed meanwhile shows at once.
    ASSERT_TRUE(StandIn::Set(kPen, L"/revisions/hardware", L"C", true));
    ASSERT_TRUE(StandIn::Dock(kPen));
    ASSERT_TRUE(ui::WaitUntil([&] { return Shown().size() == kFileRows + kPenRows.size(); }));
    EXPECT_EQ(PenRowsShown()[8].second, L"C");
    ASSERT_TRUE(StandIn::Set(kPen, L"/revisions/hardware", L"B", true));

    struct Case {
        const wchar_t* method;
        int times; // -1: every call
        std::vector<std::wstring> missing;
        const char* warning; // null: nothing is logged
    } cases[] = {
        {L"IPen::GetPenId",
         -1,
         {L"Número de identificación del lápiz"},
         "Error getting pen id (0x80004005)."},
        {L"IPen::GetTime", -1, {L"Fecha y hora"}, "Error getting time (0x80004005)."},
        {L"IPen::GetMemoryStatus", -1, {L"Parámetros"}, "Error getting memory status (0x80004005)."},
        {L"IPen::GetPairedDevices", -1, {kDevice1, kDevice2}, "Error getting paired devices (0x80004005)."},
        {L"IPairedDevice::GetDeviceName", 1, {kDevice1}, "Failed to get device name. (0x80004005)."},
        {L"IRevisions::GetHardwareRevision", -1, {L"Revisión del hardware"}, nullptr},
        {L"IPen::GetRevisions",
         -1,
         {L"Revisión del software de aplicación", L"Revisión del software de arranque",
          L"Personalización de la revisión del software", L"Revisión del hardware",
          L"Revisión del software de parámetro", L"Revisión del software de producción"},
         "Error getting revisions (0x80004005)."},
    };
    for (const Case& c : cases) {
        Rows expected;
        for (const Row& row : kPenRows)
            if (std::find(c.missing.begin(), c.missing.end(), row.first) == c.missing.end())
                expected.push_back(row);
        ASSERT_TRUE(StandIn::Undock(kPen));
        ASSERT_TRUE(ui::WaitUntil([&] { return Shown().size() == kFileRows; }));
        ASSERT_TRUE(StandIn::Fail(c.method, E_FAIL, c.times));
        ASSERT_TRUE(StandIn::Dock(kPen));
        EXPECT_TRUE(ui::WaitUntil([&] { return Shown().size() == kFileRows + expected.size(); })) << c.method;
        EXPECT_EQ(PenRowsShown(), expected) << c.method;
        if (c.warning) {
            EXPECT_TRUE(log.WaitFor(app.Pid(), c.warning)) << c.method;
        }
        ASSERT_TRUE(StandIn::Clear());
    }
    ASSERT_TRUE(Quit());
}

} // namespace
