// The settings sheet as the user sees it, with the stand-in's pens docked, undocked and
// locked through penctl: the Status page's battery line follows the pen at once and on
// its refresh timer, a second pen replaces the first, a locked pen shows only after its
// unlock, Apply, OK and Cancel keep an edit until it is saved, and the service log's
// question outlives a repeated dock.
#include <windows.h>

#include <chrono>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Sheet;
using ui::StandIn;

const std::wstring kSecondPen = L"QQQ-RRR-SSS-TT";
const wchar_t kBattery80[] = L"80% remanente (3:05 hora de escritura, or 40:00 hora de reserva).";

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

    void StartShown() { StartOn(L"Estado del lápiz"); }
    std::wstring Battery() const { return Item(IDC_BATTERY).Text(); }
    bool BatteryIs(const std::wstring& text) const {
        return ui::WaitUntil([&] { return Battery() == text; });
    }
};

// The battery line follows the pen: a locked pen shows only after its unlock, undocking
// and docking show at once, and the page's ten-minute timer reads the battery again.
TEST_F(SettingsSheet, StatusPageFollowsThePen) {
    ASSERT_TRUE(StandIn::Lock(kPen, false));
    StartShown();
    ASSERT_TRUE(log.WaitFor(app.Pid(), "The pen is still locked.", 5s)) << log.Dump();
    EXPECT_EQ(Battery(), ui::kNoPenText);
    ASSERT_TRUE(StandIn::Unlock(kPen));
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Faking pen docked of pen AAA-BBB-CCC-DD.", 5s));
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

    // The pen tells nothing of its charge: only the timer, delivered here at once, shows it.
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

    // Undocking a pen that isn't shown changes nothing.
    std::wstring shown = Battery();
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(log.WaitFor(app.Pid(), "(SettingsSheet::OnPenUndocked) Pen AAA-BBB-CCC-DD undocked.", 2s));
    EXPECT_EQ(Battery(), shown);
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

TEST_F(SettingsSheet, HelpButtonAndF1OpenTheHelpFile) {
    StartShown();
    sheet.Button(Sheet::kHelp).PostClick();
    HWND viewer = app.WaitTopWindow(nullptr, ui::kHelpCaption, 10000);
    // The help file built beside the program: its title, with its accents, on the viewer.
    ASSERT_NE(viewer, nullptr) << "no help window with the help file's title" << log.Dump();
    EXPECT_TRUE(log.Contains(app.Pid(), "-->(PropertyPage::OnHelp)"));
    // F1 on a control of the page (the system's WM_KEYF1 for the key) asks its way up to
    // the main window.
    ASSERT_TRUE(ui::WaitUntil([&] { return LogLines("<--(Quillpad::OnHelp)") == 1; }));
    constexpr UINT kKeyF1 = 0x004D; // WM_KEYF1
    ui::Post(Item(IDC_PEN_HISTORY).Hwnd(), kKeyF1);
    EXPECT_TRUE(ui::WaitUntil([&] { return LogLines("<--(Quillpad::OnHelp)") == 2; })) << log.Dump();
}
} // namespace
