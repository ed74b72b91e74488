// The settings sheet as the user sees it, with the stand-in's pens docked, undocked and
// locked through penctl: the Status page's battery line follows the pen at once and on
// its refresh timer, a second pen replaces the first, a locked pen shows only after its
// unlock, Apply, OK and Cancel keep an edit until it is saved, the service log's question
// outlives a repeated dock, and closing the sheet while the service log is open only
// hides it.
#include <windows.h>
#include <commctrl.h>

#include <chrono>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Sheet;
using ui::StandIn;

const std::wstring kSecondPen = L"QQQ-RRR-SSS-TT";
const wchar_t kBattery80[] = L"80% remanente (3:05 hora de escritura, or 40:00 hora de reserva).";

// The names of a tree view's items from item on, depth first, indented by level.
void CollectNames(HWND tree, LPARAM item, const std::wstring& indent, std::vector<std::wstring>& names) {
    for (; item; item = ui::Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
        TVITEMW tvi{};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = reinterpret_cast<HTREEITEM>(item);
        names.push_back(indent + ui::QueryText(tree, TVM_GETITEMW, 0, tvi));
        CollectNames(tree, ui::Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, item), indent + L"  ", names);
    }
}

// The table of contents the help viewer shows, once it shows one.
std::vector<std::wstring> HelpContents(HWND viewer) {
    std::vector<std::wstring> names;
    ui::WaitUntil([&] {
        HWND tree = nullptr;
        EnumChildWindows(
            viewer,
            [](HWND hwnd, LPARAM found) -> BOOL {
                if (ui::ClassName(hwnd) != WC_TREEVIEWW)
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&tree));
        names.clear();
        if (tree)
            CollectNames(tree, ui::Send(tree, TVM_GETNEXTITEM, TVGN_ROOT), L"", names);
        return !names.empty();
    });
    return names;
}

class SettingsSheet : public ui::PageTest {
protected:
    void SetUp() override {
        // The tests share one stand-in: start each from the demo pen alone, docked and
        // unlocked.
        PageTest::SetUp();
        StandIn::Undock(kSecondPen);
        ASSERT_TRUE(StandIn::Unlock(kPen));
        // 80 %, 3 h 5 min writing, 40 h standby.
        for (auto [path, value] : {std::pair{L"/battery/remainingCharge", L"80"},
                                   {L"/battery/writingHours", L"3"},
                                   {L"/battery/writingMinutes", L"5"},
                                   {L"/battery/standbyHours", L"40"},
                                   {L"/battery/standbyMinutes", L"0"}})
            ASSERT_TRUE(StandIn::Set(kPen, path, value)) << log.Dump();
    }

    void Start(const std::wstring& args) {
        ASSERT_TRUE(app.Start(L"Quillpad.exe", args));
        ASSERT_TRUE(log.WaitFor(app.Pid(), "-->(SettingsSheet::OnInitDialog)", 10s)) << log.Dump();
    }
    void StartShown() { StartOn(L"Estado del lápiz"); }
    HWND ServiceLog() const { return ui::FindDialog(app.Pid(), ui::kServiceLogCaption); }
    std::wstring Battery() const { return Item(IDC_BATTERY).Text(); }
    bool BatteryIs(const std::wstring& text) const {
        return ui::WaitUntil([&] { return Battery() == text; });
    }
    // Index of the first log line of the process containing text, -1 when none.
    int LineOf(const std::string& text) {
        auto lines = log.Lines();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].pid == app.Pid() && lines[i].text.find(text) != std::string::npos)
                return static_cast<int>(i);
        return -1;
    }
    bool ServiceLogShown() const {
        return ui::WaitUntil([&] { return ServiceLog() && IsWindowVisible(ServiceLog()); });
    }
};

TEST_F(SettingsSheet, StatusPageFollowsDockingAndUndocking) {
    StartShown();
    EXPECT_EQ(sheet.TabCaptions(),
              (std::vector<std::wstring>{L"Estado del lápiz", L"Especificaciones de la conexión", L"Avanzado",
                                         L"Acerca de"}));
    EXPECT_TRUE(BatteryIs(kBattery80)) << Battery();

    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(BatteryIs(ui::kNoPenText)) << Battery();
    // Docking shows the battery within the same message: no refresh is waited for.
    ASSERT_TRUE(StandIn::Dock(kPen));
    EXPECT_TRUE(BatteryIs(kBattery80)) << Battery();
    EXPECT_TRUE(log.Contains(app.Pid(), "(StatusPage::OnPenDocked) Pen AAA-BBB-CCC-DD docked."));

    // A battery that can't be read.
    ASSERT_TRUE(StandIn::Fail(L"IPen::GetBatteryStatus", kFail, 1));
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(BatteryIs(ui::kNoPenText));
    ASSERT_TRUE(StandIn::Dock(kPen));
    EXPECT_TRUE(BatteryIs(kUnexpected)) << Battery();
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Error getting battery status (0x80004005).", 2s)) << log.Dump();
}

TEST_F(SettingsSheet, TheRefreshTimerReadsTheBatteryAgain) {
    StartShown();
    ASSERT_TRUE(BatteryIs(kBattery80));
    // The pen tells nothing of its charge: only the page's ten-minute timer, delivered
    // here at once, shows the new value.
    ASSERT_TRUE(StandIn::Set(kPen, L"/battery/remainingCharge", L"45"));
    ui::Post(sheet.CurrentPage(), WM_TIMER, ui::kStatusRefreshTimer);
    EXPECT_TRUE(BatteryIs(L"45% remanente (3:05 hora de escritura, or 40:00 hora de reserva).")) << Battery();
}

TEST_F(SettingsSheet, ASecondPenReplacesTheFirst) {
    StartShown();
    ASSERT_TRUE(BatteryIs(kBattery80));
    ASSERT_TRUE(StandIn::Dock(kSecondPen));
    ASSERT_TRUE(StandIn::Set(kSecondPen, L"/battery/remainingCharge", L"55"));
    // The second pen is new to the stand-in: its other battery values read 0.
    EXPECT_TRUE(ui::WaitUntil([&] {
        return Battery().rfind(L"55%", 0) == 0 || Battery().rfind(L"0%", 0) == 0;
    })) << Battery();
    ASSERT_TRUE(log.WaitFor(app.Pid(), "A pen is already docked, faking pen undocked.", 2s)) << log.Dump();
    // The page hears the first pen leave before the second arrives.
    int undocked = LineOf("(StatusPage::OnPenUndocked) Pen AAA-BBB-CCC-DD undocked.");
    int docked = LineOf("(StatusPage::OnPenDocked) Pen QQQ-RRR-SSS-TT docked.");
    EXPECT_GE(undocked, 0) << log.Dump();
    EXPECT_GT(docked, undocked) << log.Dump();

    // Undocking a pen that isn't shown changes nothing.
    std::wstring shown = Battery();
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(log.WaitFor(app.Pid(), "(SettingsSheet::OnPenUndocked) Pen AAA-BBB-CCC-DD undocked.", 2s));
    EXPECT_EQ(Battery(), shown);
}

TEST_F(SettingsSheet, LockedPenShowsOnlyAfterItsUnlock) {
    ASSERT_TRUE(StandIn::Lock(kPen, false));
    StartShown();
    ASSERT_TRUE(log.WaitFor(app.Pid(), "The pen is still locked.", 5s)) << log.Dump();
    EXPECT_EQ(Battery(), ui::kNoPenText);
    ASSERT_TRUE(StandIn::Unlock(kPen));
    EXPECT_TRUE(BatteryIs(kBattery80)) << Battery();
    EXPECT_TRUE(log.Contains(app.Pid(), "Faking pen docked of pen AAA-BBB-CCC-DD."));
}

TEST_F(SettingsSheet, ApplyOkAndCancelKeepAnEditUntilItIsSaved) {
    ui::ShowInternetSettings(1);
    const ui::SheetUnderTest details{
        [&] {
            StandIn::Set(kPen, L"/userData/email", L"ana.garcia@correo.es", true);
            StartOn(L"Detalles personales", [&] { return Item(IDC_DETAILS_EMAIL).IsEnabled(); });
            return sheet;
        },
        IDC_DETAILS_EMAIL,
        L"ana@correo.es",
        L"ana",
        L"IPen::SetUserData",
        [] { return FromUtf8(Pen()["userData"].value("email", "")); },
        L"Dirección de correo electrónico"};
    // Pen messages reach no sheet above this one: the rows with a refusal and the one with
    // a question open say what is new here.
    for (const ui::SheetRow& row : ui::kSheetRows)
        if (row.told || row.pen == ui::PenMessage::UndockedOverInvalidBox)
            Run(details, row);
    ui::ShowInternetSettings(0);
}

TEST_F(SettingsSheet, ShortcutsThatCannotBeHadAreToldWithTheReason) {
    ui::ShowInternetSettings(1);
    StartOn(L"Accesos directos a la dirección",
            [&] { return ui::ListView(sheet.CurrentPage(), IDC_SHORTCUT_LIST).Count() == 10; });
    ASSERT_TRUE(ui::ListView(sheet.CurrentPage(), IDC_SHORTCUT_LIST).Select(4));
    Item(IDC_CLEAR_SHORTCUT).PostClick();
    EXPECT_NE(Answer(IDYES), L"(no box)");
    ASSERT_TRUE(StandIn::Fail(L"IAddressShortcuts::GetCount", E_ACCESSDENIED));
    sheet.Button(Sheet::kApply).PostClick();
    EXPECT_NE(Answer(IDOK).find(L"(0x80070005)"), std::wstring::npos);
    ui::ShowInternetSettings(0);
}

TEST_F(SettingsSheet, ClosingWhileTheLogIsOpenOnlyHidesTheSheet) {
    StartShown();
    ASSERT_TRUE(Open(Item(IDC_PEN_HISTORY), ui::kServiceLogCaption));
    sheet.Button(Sheet::kCancel).PostClick();
    ASSERT_TRUE(ui::WaitUntil([&] { return !sheet.IsVisible(); }));
    EXPECT_FALSE(app.WaitExit(300));

    // Closing the log, the only window left, ends the program.
    ui::Post(ServiceLog(), WM_CLOSE);
    EXPECT_TRUE(app.WaitExit(5000));
}

// The suite may tell again of the pen already shown (docked again, unlocked again): that
// is no undock and dock, so the question about one of its requests stays open.
TEST_F(SettingsSheet, ARepeatedDockOrUnlockOfTheShownPenLeavesTheLogsQuestionOpen) {
    StartShown();
    ASSERT_TRUE(BatteryIs(kBattery80)); // the log reloads when the pen arrives
    HWND window = Open(Item(IDC_PEN_HISTORY), ui::kServiceLogCaption);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ui::ListView(window, IDC_HISTORY_LIST).Select(0));
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::Control(window, IDC_REMOVE_ITEM).IsEnabled(); }));
    ui::Control(window, IDC_REMOVE_ITEM).PostClick();
    ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    const int undocks = LogLines(" undocked.");
    ASSERT_TRUE(StandIn::Dock(kPen));
    ASSERT_TRUE(StandIn::Unlock(kPen));
    // The monitor passes events on in order: once the unlock is through, so is the dock.
    ASSERT_TRUE(log.WaitFor(app.Pid(), "<--(SettingsSheet::OnPenUnlocked)")) << log.Dump();
    EXPECT_FALSE(box.WaitClosed(300)) << log.Dump();
    EXPECT_EQ(LogLines(" undocked."), undocks) << log.Dump();
    box.Answer(IDNO);
    EXPECT_TRUE(box.WaitClosed());
}

TEST_F(SettingsSheet, HistorySwitchShowsOnlyTheLogAndASecondStartTheSheet) {
    Start(L"/history");
    ASSERT_TRUE(ServiceLogShown()) << log.Dump();
    HWND hidden = ui::FindDialog(app.Pid(), ui::kSheetCaption);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));

    // A second start with the switch keeps the sheet hidden; without it shows the sheet.
    Process second;
    ASSERT_TRUE(second.Start(L"Quillpad.exe", L"/history"));
    ASSERT_TRUE(second.WaitExit(5000));
    ASSERT_TRUE(log.WaitFor(app.Pid(), "Checking if we should show the history.", 2s));
    EXPECT_FALSE(IsWindowVisible(hidden));
    Process third;
    ASSERT_TRUE(third.Start(L"Quillpad.exe"));
    ASSERT_TRUE(third.WaitExit(5000));
    EXPECT_TRUE(ui::WaitUntil([&] { return IsWindowVisible(hidden) != FALSE; }));
    EXPECT_EQ(GetForegroundWindow(), hidden);

    // Closing the sheet now hides it (the log is still open); closing the log ends all.
    Sheet(hidden).Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(ui::WaitUntil([&] { return !IsWindowVisible(hidden); }));
    ui::Post(ServiceLog(), WM_CLOSE);
    EXPECT_TRUE(app.WaitExit(5000));
}

TEST_F(SettingsSheet, HelpButtonAndF1OpenTheHelpFile) {
    StartShown();
    sheet.Button(Sheet::kHelp).PostClick();
    HWND viewer = app.WaitTopWindow(nullptr, ui::kHelpCaption, 10000);
    ASSERT_NE(viewer, nullptr) << "no help window with the help file's title" << log.Dump();
    EXPECT_TRUE(log.Contains(app.Pid(), "-->(PropertyPage::OnHelp)"));
    // The help file built beside the program, its contents with their accents.
    EXPECT_EQ(HelpContents(viewer),
              (std::vector<std::wstring>{L"Panel de control del lápiz", L"  Estado del lápiz",
                                         L"    Registro de servicio", L"  Especificaciones de la conexión",
                                         L"  Detalles personales", L"  Accesos directos a la dirección",
                                         L"  Opciones avanzadas", L"  Acerca de"}));
    // F1 on a control of the page (the system's WM_KEYF1 for the key) asks its way up to
    // the main window.
    ASSERT_TRUE(ui::WaitUntil([&] { return LogLines("<--(Quillpad::OnHelp)") == 1; }));
    constexpr UINT kKeyF1 = 0x004D; // WM_KEYF1
    ui::Post(Item(IDC_PEN_HISTORY).Hwnd(), kKeyF1);
    EXPECT_TRUE(ui::WaitUntil([&] { return LogLines("<--(Quillpad::OnHelp)") == 2; })) << log.Dump();
}
} // namespace
