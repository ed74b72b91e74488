// The service log window of the real Quillpad.exe, opened from the Status page on the
// demo pen: a repeated event for the same pen leaves its question open. Rows, removal,
// placement and column widths are the window's component test's.
#include "ui/driver/PageFixture.h"

namespace {
using ui::Control;
using ui::StandIn;

class ServiceLog : public ui::PageTest {
protected:
    // The pen first: the log reloads when the pen arrives.
    void Open() {
        StartOn(L"Estado del lápiz",
                [&] { return Item(IDC_BATTERY).Text().find(L"remanente") != std::wstring::npos; });
        window = PageTest::Open(Item(IDC_PEN_HISTORY), ui::kServiceLogCaption);
        ASSERT_NE(window, nullptr);
    }
    ui::ListView List() const { return ui::ListView(window, IDC_HISTORY_LIST); }
    Control Remove() const { return Control(window, IDC_REMOVE_ITEM); }

    HWND window = nullptr;
};

// The suite may tell again of the pen already shown (docked again, unlocked again): that
// is no undock and dock, so the question about one of its requests stays open.
TEST_F(ServiceLog, ARepeatedDockOrUnlockOfTheShownPenLeavesTheQuestionOpen) {
    Open();
    ASSERT_TRUE(List().Select(0));
    ASSERT_TRUE(ui::WaitUntil([&] { return Remove().IsEnabled(); }));
    Remove().PostClick();
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

} // namespace
