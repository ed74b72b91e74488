// The ui driver against BareSheet.exe, a plain comctl32 property sheet in another process,
// and against the pen manager stand-in through penctl: what later page tests rely on.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ui/baresheet/BareSheetIds.h"
#include "ui/driver/Driver.h"

namespace {
using ui::Sheet;

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.Start(L"BareSheet.exe"));
        sheet = Sheet::Find(app.Pid(), L"Hoja de propiedades");
        ASSERT_TRUE(sheet) << "no sheet shown";
    }

    bool EventIs(const std::wstring& text) {
        return ui::WaitUntil([&] { return sheet.Item(IDC_EVENT).Text() == text; });
    }

    Process app;
    Sheet sheet;
};

TEST_F(Driver, FindsTheSheetSwitchesTabsAndClosesIt) {
    EXPECT_EQ(sheet.PageCount(), 2);
    EXPECT_EQ(sheet.TabCaptions(), (std::vector<std::wstring>{L"General", L"Lista"}));
    EXPECT_EQ(sheet.CurrentIndex(), 0);
    EXPECT_EQ(sheet.Item(IDC_INTRO).Text(), L"Hoja de propiedades de referencia, sin lápiz ni servicios.");
    // Wine's stock buttons follow the prefix's language.
    EXPECT_EQ(sheet.Button(Sheet::kOk).Text(), L"Aceptar");
    EXPECT_EQ(sheet.Button(Sheet::kCancel).Text(), L"Cancelar");

    ASSERT_TRUE(sheet.SelectPage(1));
    EXPECT_EQ(sheet.CurrentCaption(), L"Lista");
    EXPECT_TRUE(sheet.Item(IDC_ITEMS).IsVisible());
    EXPECT_FALSE(sheet.Item(IDC_INTRO)) << "controls are looked up on the current page only";
    ASSERT_TRUE(sheet.ClickTab(0));
    EXPECT_EQ(sheet.CurrentCaption(), L"General");
    ASSERT_TRUE(sheet.SelectPage(L"Lista"));
    EXPECT_FALSE(sheet.SelectPage(L"Ninguna", 100));
    EXPECT_EQ(sheet.CurrentIndex(), 1);

    sheet.Button(Sheet::kCancel).PostClick();
    EXPECT_TRUE(app.WaitExit(5000));
    EXPECT_EQ(app.ExitCode(), 0u);
}

TEST_F(Driver, TypesClicksAndChoosesOnAPage) {
    ASSERT_TRUE(sheet.SelectPage(L"Lista"));
    ui::Control name = sheet.Item(IDC_NAME);
    name.Type(L"Ana Pérez");
    EXPECT_EQ(name.Text(), L"Ana Pérez");
    name.SelectAll();
    name.Type(L"Eva");
    EXPECT_EQ(name.Text(), L"Eva");
    name.SetText(L"Luis Núñez");
    EXPECT_EQ(name.Text(), L"Luis Núñez");
    EXPECT_TRUE(name.IsEnabled());

    ui::Control enabled = sheet.Item(IDC_ENABLED);
    EXPECT_FALSE(enabled.IsChecked());
    enabled.Click();
    EXPECT_TRUE(enabled.IsChecked());

    ui::Control choice = sheet.Item(IDC_CHOICE);
    EXPECT_EQ(choice.Items(), (std::vector<std::wstring>{L"Uno", L"Dos", L"Tres"}));
    EXPECT_EQ(choice.Selection(), -1);
    choice.Select(2);
    EXPECT_EQ(choice.Selection(), 2);
    EXPECT_TRUE(EventIs(L"elección 2")) << "the page was not told of the choice";
}

TEST_F(Driver, ReadsAndUsesAListViewOfAnotherProcess) {
    ASSERT_TRUE(sheet.SelectPage(L"Lista"));
    ui::ListView list(sheet.CurrentPage(), IDC_ITEMS);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(0), L"Batería");
    EXPECT_EQ(list.Row(1), (std::vector<std::wstring>{L"Memoria", L"12 MB"}));
    EXPECT_EQ(list.Text(2, 1), L"2.0");
    EXPECT_EQ((std::vector<int>{list.Image(0), list.Image(2)}), (std::vector<int>{0, 2}));
    EXPECT_EQ(list.ColumnCount(), 2);
    EXPECT_EQ((std::vector<std::wstring>{list.Heading(0), list.Heading(1)}),
              (std::vector<std::wstring>{L"Nombre", L"Valor"}));
    EXPECT_EQ((std::vector<int>{list.ColumnWidth(0), list.ColumnWidth(1)}), (std::vector<int>{120, 90}));

    EXPECT_EQ(list.Selected(), -1);
    ASSERT_TRUE(list.Select(1));
    EXPECT_TRUE(list.IsSelected(1));
    EXPECT_EQ(list.Selected(), 1);
    EXPECT_TRUE(EventIs(L"fila 1"));

    ASSERT_TRUE(list.ClickCell(2, 1));
    EXPECT_TRUE(EventIs(L"clic 2,1")) << "the click did not reach the cell";
    EXPECT_TRUE(ui::WaitUntil([&] { return list.Selected() == 2; }));
    EXPECT_FALSE(list.IsSelected(1));
}

TEST_F(Driver, AnswersAMessageBox) {
    EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid())) << "the sheet is no message box";
    for (auto [button, answer] : {std::pair{IDNO, L"No"}, std::pair{IDYES, L"Sí"}}) {
        sheet.Item(IDC_ASK).PostClick();
        ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
        ASSERT_TRUE(box);
        EXPECT_EQ(box.Text(), L"¿Desea continuar?");
        EXPECT_EQ(box.Caption(), L"Pregunta");
        EXPECT_TRUE(box.HasButton(IDYES));
        EXPECT_TRUE(box.HasButton(IDNO));
        EXPECT_FALSE(box.HasButton(IDOK));
        box.Answer(button);
        EXPECT_TRUE(box.WaitClosed());
        EXPECT_TRUE(ui::WaitUntil([&] { return sheet.Item(IDC_ANSWER).Text() == answer; }));
    }
}

TEST(StandIn, DrivesTheStandInThroughPenctl) {
    using ui::StandIn;
    StandIn::Result status = StandIn::Run({L"status"});
    ASSERT_TRUE(status.Ok()) << status.err;
    EXPECT_NE(status.out.find("pen manager running"), std::string::npos) << status.out;

    const std::string demo = "AAA-BBB-CCC-DD";
    auto docked = [&] { return StandIn::State()["pens"][demo].value("docked", false); };
    EXPECT_TRUE(docked());
    ASSERT_TRUE(StandIn::Undock(StandIn::kDemoPen));
    EXPECT_FALSE(docked());
    ASSERT_TRUE(StandIn::Dock(StandIn::kDemoPen));
    EXPECT_TRUE(docked());

    // Arguments travel whole: spaces, quotes, backslashes and accents.
    const wchar_t* name = L"Ana \"la\" Pérez \\ 2\\";
    ASSERT_TRUE(StandIn::Set(StandIn::kDemoPen, L"/userData/name", name, true));
    EXPECT_EQ(StandIn::State()["pens"][demo]["userData"].value("name", ""), "Ana \"la\" Pérez \\ 2\\");

    // A pen put in either password state without knowing the JSON.
    auto pen = [&] { return StandIn::State()["pens"][demo]; };
    auto hint = [] {
        std::string out = StandIn::Run({L"hint", StandIn::kDemoPen}).out;
        return out.substr(0, out.find_last_not_of("\r\n") + 1);
    };
    ASSERT_TRUE(StandIn::Run({L"password", StandIn::kDemoPen, L"Clave Ñ1", L"mi gato"}).Ok());
    EXPECT_EQ(pen().value("password", ""), "Clave Ñ1");
    EXPECT_TRUE(pen().value("passwordSavedOnPc", false)); // the pen still unlocks itself
    EXPECT_EQ(hint(), "mi gato");
    ASSERT_TRUE(StandIn::Run({L"password", StandIn::kDemoPen, L"--clear"}).Ok());
    EXPECT_EQ(pen().value("password", "?"), "");
    EXPECT_FALSE(pen().value("passwordSavedOnPc", true));
    EXPECT_EQ(hint(), "");
    EXPECT_EQ(StandIn::Run({L"hint", L"NOPE-1"}).exitCode, 1u);
    EXPECT_EQ(StandIn::Run({L"password", L"NOPE-1", L"x"}).exitCode, 1u);
    EXPECT_TRUE(StandIn::State()["pens"]["NOPE-1"].is_null()) << "no pen made up";

    StandIn::Result usage = StandIn::Run({L"dock"});
    EXPECT_EQ(usage.exitCode, 2u);
    EXPECT_NE(usage.err.find("usage"), std::string::npos) << usage.err;
}
// A process killed halfway through OutputDebugString keeps the DBWIN buffer; the log must
// win it back, or every later line of every process costs ten seconds and is lost.
TEST(DebugLogCapture, SurvivesAWriterThatDiedHoldingTheBuffer) {
    DebugLog log;
    ASSERT_TRUE(log.IsListening());
    OutputDebugStringA("before the death\n");
    ASSERT_TRUE(log.WaitFor(GetCurrentProcessId(), "before the death"));

    std::thread dying([] {
        HANDLE writers = CreateMutexW(nullptr, FALSE, L"DBWinMutex");
        HANDLE ready = OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY");
        ASSERT_TRUE(writers && ready);
        ASSERT_EQ(WaitForSingleObject(writers, 5000), WAIT_OBJECT_0);
        ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
        CloseHandle(ready);
        CloseHandle(writers); // the thread ends owning the mutex: abandoned, as by a kill
    });
    dying.join();

    auto start = std::chrono::steady_clock::now();
    OutputDebugStringA("after the death\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(log.WaitFor(GetCurrentProcessId(), "after the death"));
}
} // namespace
