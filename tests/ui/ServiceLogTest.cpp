// The service log window of the real Quillpad.exe: opened from the Status page, it lists
// the demo pen's outbox, and a repeated event for the same pen leaves its question open.
// Rows, removal, placement and column widths are the window's component test's.
#include "ui/driver/PageFixture.h"

namespace {
using ui::Control;
using ui::StandIn;

std::wstring Wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(
        CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), static_cast<int>(text.size()))));
    return text;
}

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

// What each row shows (icon, time, link, message) is the window's own test's; here, that
// the program lists its docked pen's outbox.
TEST_F(ServiceLog, ListsTheOutboxWithoutHiddenRequests) {
    Open();
    const ui::ListView list = List();
    for (auto [column, heading] :
         {std::pair{0, L"Servicio"}, {1, L"Fecha y hora"}, {2, L"URL"}, {3, L"Mensaje"}})
        EXPECT_EQ(list.Heading(column), heading);
    // One row per request in the pen's order, status 3 left out.
    const nlohmann::json outbox = Pen()["outbox"];
    std::vector<std::wstring> services;
    for (const auto& item : outbox)
        if (item["status"] != 3)
            services.push_back(Wide(item["serviceName"].get<std::string>()));
    ASSERT_LT(services.size(), outbox.size()) << "the demo pen has hidden requests";
    ASSERT_EQ(list.Count(), static_cast<int>(services.size()));
    for (int row = 0; row < list.Count(); ++row) {
        if (!services[static_cast<size_t>(row)].empty()) {
            EXPECT_EQ(list.Text(row, 0), services[static_cast<size_t>(row)]) << row;
        }
    }
}

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
