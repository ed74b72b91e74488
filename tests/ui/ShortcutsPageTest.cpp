// The Shortcuts page and the shortcut editor against the stand-in: the pen's shortcuts
// listed, one edited or cleared and written back once, a pen going away while the
// editor is open, and a write-back that fails.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const std::wstring kPen = StandIn::kDemoPen;
const wchar_t kShortcutsTab[] = L"Accesos directos a la dirección";
const wchar_t kEditorCaption[] = L"Editar acceso directo a dirección";
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);
const char* const kSetters[] = {"IAddressShortcut::SetName", "IAddressShortcut::SetEmail",
                                "IAddressShortcut::SetCellPhone", "IAddressShortcut::SetFax",
                                "IPen::SetAddressShortcuts"};

class ShortcutsPage : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_shortcuts = StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["shortcuts"].dump();
        ui::ShowInternetSettings(1);
    }
    // Closed the way the user ends it, so that the stand-in is not left with the event
    // sink of a killed panel (the next test's penctl calls timed out after one).
    void TearDown() override {
        if (HWND frame = app.FindTopWindow(ui::kFrameClass))
            ui::Post(frame, WM_CLOSE);
        app.WaitExit(10000);
    }
    void SetUp() override {
        ASSERT_TRUE(log.IsListening());
        ASSERT_TRUE(StandIn::Clear());
        ASSERT_TRUE(StandIn::SetJson(kPen, L"/shortcuts", s_shortcuts));
        ASSERT_TRUE(StandIn::Dock(kPen));
    }
    static nlohmann::json Shortcut(int index) {
        return StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["shortcuts"][index];
    }
    // How often the stand-in has served each setter so far.
    static std::vector<int> Calls() {
        std::vector<int> counts;
        for (const char* method : kSetters)
            counts.push_back(StandIn::CallCount(method));
        return counts;
    }
    static std::vector<int> Plus(std::vector<int> counts, const std::vector<int>& more) {
        for (size_t i = 0; i < counts.size(); ++i)
            counts[i] += more[i];
        return counts;
    }
    void Start() {
        ASSERT_TRUE(app.Start(L"Quillpad.exe"));
        sheet = Sheet::Find(app.Pid(), ui::kSheetCaption);
        ASSERT_TRUE(sheet) << log.Dump();
        ASSERT_TRUE(sheet.SelectPage(kShortcutsTab));
        ASSERT_TRUE(ui::WaitUntil([&] { return List().Count() == 10 && !List().Text(9, 1).empty(); }))
            << log.Dump();
    }
    ui::ListView List() const { return ui::ListView(sheet.CurrentPage(), IDC_SHORTCUT_LIST); }
    HWND OpenEditor(int item) {
        EXPECT_TRUE(List().Select(item));
        sheet.Item(IDC_EDIT_SHORTCUT).PostClick();
        return ui::WaitFor([&] {
            HWND dialog = ui::FindDialog(app.Pid(), kEditorCaption);
            return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
        });
    }
    void Apply() {
        ASSERT_TRUE(ui::WaitUntil([&] { return sheet.Button(Sheet::kApply).IsEnabled(); }));
        sheet.Button(Sheet::kApply).Click();
    }

    static inline std::string s_shortcuts;
    DebugLog log;
    Process app;
    Sheet sheet;
};

TEST_F(ShortcutsPage, ListsTheShortcutsAndWritesAnEditedOneBack) {
    Start();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(List().Text(i, 0), std::to_wstring(i + 1));
    EXPECT_EQ(List().Row(0), (std::vector<std::wstring>{L"1", L"Lucía Fernández", L"contacto0@correo.es",
                                                        L"+34 600 11 22 30", L"+34 91 555 00 10"}));
    EXPECT_EQ(List().Row(1)[4], L"");
    EXPECT_EQ(List().Heading(3), L"Número de teléfono celular");
    EXPECT_FALSE(sheet.Item(IDC_EDIT_SHORTCUT).IsEnabled());

    const std::vector<std::vector<std::wstring>> before = {List().Row(1), List().Row(2), List().Row(3)};
    HWND editor = OpenEditor(2);
    ASSERT_TRUE(editor);
    EXPECT_EQ(Control(editor, IDC_DETAILS_NAME).Text(), L"Carmen Ortega");
    Control(editor, IDC_DETAILS_NAME).SelectAll();
    Control(editor, IDC_DETAILS_NAME).Type(L"Carmen Ortega Gil");
    Control(editor, IDOK).PostClick();
    ASSERT_TRUE(ui::WaitUntil([&] { return !IsWindow(editor); }));
    EXPECT_EQ(List().Text(2, 1), L"Carmen Ortega Gil");
    EXPECT_EQ(List().Row(1), before[0]);
    EXPECT_EQ(List().Row(3), before[2]);

    const std::vector<int> calls = Calls();
    Apply();
    EXPECT_EQ(Calls(), Plus(calls, {1, 0, 0, 0, 1}));
    EXPECT_EQ(Shortcut(2)["name"], "Carmen Ortega Gil");
    EXPECT_EQ(Shortcut(1)["name"], "Javier Muñoz");
    EXPECT_FALSE(sheet.Button(Sheet::kApply).IsEnabled());
    // Nothing changed: nothing written.
    sheet.Button(Sheet::kApply).Click();
    EXPECT_EQ(Calls(), Plus(calls, {1, 0, 0, 0, 1}));
}

TEST_F(ShortcutsPage, ClearingWritesEmptyTextsForTheFieldsThatWereRead) {
    // Faxes that can't be read are never written.
    ASSERT_TRUE(StandIn::Fail(L"IAddressShortcut::GetFax", kFail));
    Start();
    EXPECT_EQ(List().Text(0, 4), L"Ha ocurrido un error imprevisto.");
    ASSERT_TRUE(List().Select(0));
    ASSERT_TRUE(ui::WaitUntil([&] { return sheet.Item(IDC_CLEAR_SHORTCUT).IsEnabled(); }));
    for (int answer : {IDNO, IDYES}) {
        sheet.Item(IDC_CLEAR_SHORTCUT).PostClick();
        ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
        ASSERT_TRUE(box);
        EXPECT_EQ(box.Caption(), L"Borrar acceso directo a dirección");
        EXPECT_EQ(box.Text(), L"¿Está seguro de que desea borrar el acceso directo a la dirección?");
        box.Answer(answer);
        ASSERT_TRUE(box.WaitClosed());
    }
    EXPECT_TRUE(ui::WaitUntil([&] { return List().Text(0, 1).empty(); }));
    EXPECT_EQ(List().Text(0, 4), L"Ha ocurrido un error imprevisto.");
    // Nothing left to clear.
    EXPECT_FALSE(sheet.Item(IDC_CLEAR_SHORTCUT).IsEnabled());
    const std::vector<int> calls = Calls();
    Apply();
    EXPECT_EQ(Calls(), Plus(calls, {1, 1, 1, 0, 1}));
    EXPECT_EQ(Shortcut(0)["name"], "");
    EXPECT_EQ(Shortcut(0)["fax"], "+34 91 555 00 10");
}

TEST_F(ShortcutsPage, UndockingClosesTheEditorAndEmptiesTheList) {
    Start();
    HWND editor = OpenEditor(0);
    ASSERT_TRUE(editor);
    Control(editor, IDC_DETAILS_NAME).Type(L"x");
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(ui::WaitUntil([&] { return !IsWindow(editor); }));
    EXPECT_TRUE(ui::WaitUntil([&] { return List().Count() == 0 && !Control(List().Hwnd()).IsEnabled(); }));
    EXPECT_FALSE(sheet.Item(IDC_EDIT_SHORTCUT).IsEnabled());
    ASSERT_TRUE(StandIn::Dock(kPen));
    EXPECT_TRUE(
        ui::WaitUntil([&] { return List().Count() == 10 && List().Text(0, 1) == L"Lucía Fernández"; }));
    EXPECT_EQ(Shortcut(0)["name"], "Lucía Fernández");
}

TEST_F(ShortcutsPage, AFailedWriteBackIsLoggedToldOnceAndStaysChanged) {
    Start();
    ASSERT_TRUE(StandIn::Fail(L"IPen::SetAddressShortcuts", kFail));
    ASSERT_TRUE(List().Select(4));
    sheet.Item(IDC_CLEAR_SHORTCUT).PostClick();
    ui::MessageBoxWindow question = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(question);
    question.Answer(IDYES);
    ASSERT_TRUE(question.WaitClosed());
    ASSERT_TRUE(ui::WaitUntil([&] { return sheet.Button(Sheet::kApply).IsEnabled(); }));
    sheet.Button(Sheet::kApply).PostClick();
    ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    EXPECT_NE(box.Text().find(L"Accesos directos a la dirección"), std::wstring::npos);
    box.Answer(IDOK);
    ASSERT_TRUE(box.WaitClosed());
    EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Failed to set shortcuts (0x80004005).", 2s)) << log.Dump();
    EXPECT_EQ(Shortcut(4)["name"], "Marta Sánchez");
    EXPECT_TRUE(sheet.Button(Sheet::kApply).IsEnabled());
}
} // namespace
