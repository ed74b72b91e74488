// The service log window of the real Quillpad.exe: opened from the Status page, it lists
// the demo pen's outbox, removes a request after the question (which no repeated event
// for the same pen answers), and comes back where the user left it with the column
// widths the user gave it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;
using ui::Sheet;
using ui::StandIn;

std::wstring Wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(
        CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), static_cast<int>(text.size()))));
    return text;
}

class ServiceLog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StandIn::Dock(StandIn::kDemoPen)); }

    void Open() {
        ASSERT_TRUE(app.Start(L"Quillpad.exe"));
        Sheet sheet = Sheet::Find(app.Pid(), ui::kSheetCaption);
        ASSERT_TRUE(sheet);
        // The pen first: the log reloads when the pen arrives.
        ASSERT_TRUE(ui::WaitUntil([&] {
            return sheet.Item(IDC_BATTERY).Text().find(L"remanente") != std::wstring::npos;
        })) << sheet.Item(IDC_BATTERY).Text();
        sheet.Item(IDC_PEN_HISTORY).Click();
        window = ui::WaitFor([&]() -> HWND {
            HWND found = ui::FindDialog(app.Pid(), ui::kServiceLogCaption);
            return found && IsWindowVisible(found) ? found : nullptr;
        });
        ASSERT_NE(window, nullptr);
    }
    void Close() {
        ui::Post(app.FindTopWindow(ui::kFrameClass), WM_CLOSE);
        ASSERT_TRUE(app.WaitExit(5000));
    }
    nlohmann::json Outbox() { return StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["outbox"]; }
    // Selects the first row and asks to remove it; the question stays open.
    ui::MessageBoxWindow AskToRemove() {
        ui::ListView list(window, IDC_HISTORY_LIST);
        EXPECT_TRUE(list.Select(0));
        EXPECT_TRUE(ui::WaitUntil([&] { return ui::Control(window, IDC_REMOVE_ITEM).IsEnabled(); }));
        ui::Control(window, IDC_REMOVE_ITEM).PostClick();
        return ui::MessageBoxWindow::Wait(app.Pid());
    }

    Process app;
    HWND window = nullptr;
};

TEST_F(ServiceLog, ListsTheOutboxWithoutHiddenRequests) {
    Open();
    ui::ListView list(window, IDC_HISTORY_LIST);
    EXPECT_EQ(list.Heading(0), L"Servicio");
    EXPECT_EQ(list.Heading(1), L"Fecha y hora");
    EXPECT_EQ(list.Heading(2), L"URL");
    EXPECT_EQ(list.Heading(3), L"Mensaje");

    // One row per request in the pen's order, status 3 left out, icons by status.
    std::vector<nlohmann::json> shown;
    for (const auto& item : Outbox())
        if (item["status"] != 3)
            shown.push_back(item);
    ASSERT_EQ(list.Count(), static_cast<int>(shown.size()));
    ASSERT_LT(shown.size(), Outbox().size()) << "the demo pen has hidden requests";
    for (int row = 0; row < list.Count(); ++row) {
        const auto& item = shown[static_cast<size_t>(row)];
        int status = item["status"];
        EXPECT_EQ(list.Image(row), status == -1 ? 4 : status) << row;
        long result = item["result"];
        if (result == 0 || static_cast<unsigned long>(result) == 0x80040322)
            EXPECT_EQ(list.Text(row, 2), Wide(item["url"].get<std::string>())) << row;
        else
            EXPECT_EQ(list.Text(row, 2), L"") << row;
        EXPECT_EQ(list.Text(row, 1), ui::LocalTimeText(item["seconds"].get<long long>())) << row;
    }
    EXPECT_TRUE(ui::InPartHourTimeZone()) << "run with TZ as ctest sets it";
    Close();
}

TEST_F(ServiceLog, RemovesARequestAfterTheQuestion) {
    Open();
    ui::ListView list(window, IDC_HISTORY_LIST);
    int before = list.Count();
    size_t inPen = Outbox().size();
    ASSERT_GT(before, 0);
    EXPECT_FALSE(ui::Control(window, IDC_REMOVE_ITEM).IsEnabled());

    // No keeps the request; Yes removes it from the list and from the pen.
    auto box = AskToRemove();
    ASSERT_TRUE(box);
    EXPECT_EQ(box.Caption(), L"Quitar solicitud de servicio");
    EXPECT_EQ(box.Text(),
              L"¿Está seguro de que desea quitar del lápiz la solicitud de servicio seleccionada?");
    box.Answer(IDNO);
    ASSERT_TRUE(box.WaitClosed());
    EXPECT_EQ(list.Count(), before);

    ui::Control(window, IDC_REMOVE_ITEM).PostClick();
    box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    box.Answer(IDYES);
    EXPECT_TRUE(ui::WaitUntil([&] { return list.Count() == before - 1; }));
    EXPECT_EQ(Outbox().size(), inPen - 1);
    EXPECT_FALSE(ui::Control(window, IDC_REMOVE_ITEM).IsEnabled()) << "nothing is selected any more";
    Close();
}

// The suite may tell again of the pen already shown (docked again, unlocked again): that
// is no undock and dock, so the question about one of its requests stays open.
TEST_F(ServiceLog, ARepeatedDockOrUnlockOfTheShownPenLeavesTheQuestionOpen) {
    Open();
    // Only what follows is logged: every line costs the program a round trip to us.
    DebugLog log;
    ASSERT_TRUE(log.IsListening());
    auto box = AskToRemove();
    ASSERT_TRUE(box);
    ASSERT_TRUE(StandIn::Dock(StandIn::kDemoPen));
    ASSERT_TRUE(StandIn::Unlock(StandIn::kDemoPen));
    // The monitor passes events on in order: once the unlock is through, so is the dock.
    ASSERT_TRUE(log.WaitFor(app.Pid(), "<--(SettingsSheet::OnPenUnlocked)")) << log.Dump();
    EXPECT_FALSE(box.WaitClosed(300)) << log.Dump();
    EXPECT_FALSE(log.Contains(app.Pid(), " undocked.")) << log.Dump();
    box.Answer(IDNO);
    EXPECT_TRUE(box.WaitClosed());
    Close();
}

TEST_F(ServiceLog, ComesBackWithItsPlacementAndColumnWidths) {
    Open();
    ui::ListView list(window, IDC_HISTORY_LIST);
    EXPECT_EQ(list.ColumnWidth(0), 75);
    EXPECT_EQ(list.ColumnWidth(1), 125);
    EXPECT_EQ(list.ColumnWidth(2), 100);
    EXPECT_EQ(list.ColumnWidth(3), 200);
    ui::Send(list.Hwnd(), LVM_SETCOLUMNWIDTH, 3, 260);
    SetWindowPos(window, nullptr, 40, 50, 600, 420, SWP_NOZORDER);
    RECT placed{};
    ASSERT_TRUE(ui::WaitUntil([&] {
        GetWindowRect(window, &placed);
        return placed.left == 40 && placed.right - placed.left == 600;
    }));
    Close();

    Open();
    RECT again{};
    GetWindowRect(window, &again);
    EXPECT_EQ(again.left, placed.left);
    EXPECT_EQ(again.top, placed.top);
    EXPECT_EQ(again.right, placed.right);
    EXPECT_EQ(again.bottom, placed.bottom);
    EXPECT_EQ(ui::ListView(window, IDC_HISTORY_LIST).ColumnWidth(3), 260);
    Close();
}
} // namespace
