// The Shortcuts page and the shortcut editor against the stand-in: the pen's shortcuts
// listed, one edited (every field) or cleared and written back once, fields that could
// not be read never written, a pen going away while the editor is open, and writes that
// fail.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const wchar_t kEditorCaption[] = L"Editar acceso directo a dirección";
const char* const kSetters[] = {"IAddressShortcut::SetName", "IAddressShortcut::SetEmail",
                                "IAddressShortcut::SetCellPhone", "IAddressShortcut::SetFax",
                                "IPen::SetAddressShortcuts"};

class ShortcutsPage : public ui::PageTest {
public:
    static void SetUpTestSuite() { ui::ShowInternetSettings(1); }
    static nlohmann::json Shortcut(int index) { return Pen()["shortcuts"][index]; }
    // How often the stand-in has served each setter so far, plus more.
    static std::vector<int> Calls(const std::vector<int>& more = {0, 0, 0, 0, 0}) {
        std::vector<int> counts;
        for (size_t i = 0; i < std::size(kSetters); ++i)
            counts.push_back(StandIn::CallCount(kSetters[i]) + more[i]);
        return counts;
    }
    void Start() {
        StartOn(L"Accesos directos a la dirección",
                [&] { return List().Count() == 10 && !List().Text(9, 1).empty(); });
    }
    ui::ListView List() const { return ui::ListView(sheet.CurrentPage(), IDC_SHORTCUT_LIST); }
    HWND OpenEditor(int item) {
        EXPECT_TRUE(List().Select(item));
        return Open(Item(IDC_EDIT_SHORTCUT), kEditorCaption);
    }
    // Clear on the selected row, the question answered.
    std::wstring Clear(int answer, std::wstring* caption = nullptr) {
        Item(IDC_CLEAR_SHORTCUT).PostClick();
        return Answer(answer, caption);
    }
};

TEST_F(ShortcutsPage, ListsTheShortcutsAndWritesAnEditedOneBack) {
    Start();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(List().Text(i, 0), std::to_wstring(i + 1));
    EXPECT_EQ(List().Row(0), (std::vector<std::wstring>{L"1", L"Lucía Fernández", L"contacto0@correo.es",
                                                        L"+34 600 11 22 30", L"+34 91 555 00 10"}));
    EXPECT_FALSE(Item(IDC_EDIT_SHORTCUT).IsEnabled());

    // Every field edited: each shows in its column and reaches its own value in the pen.
    const std::vector<std::wstring> before = List().Row(1), after = List().Row(3);
    HWND editor = OpenEditor(2);
    ASSERT_TRUE(editor);
    EXPECT_EQ(Control(editor, IDC_DETAILS_NAME).Text(), L"Carmen Ortega");
    Fill(editor, {{IDC_DETAILS_NAME, L"Carmen Gil"},
                  {IDC_DETAILS_EMAIL, L"carmen@gil.es"},
                  {IDC_DETAILS_CELL_PHONE, L"600 1"},
                  {IDC_HOME_FAX, L"91 2"}});
    Control(editor, IDOK).PostClick();
    ASSERT_TRUE(Closed(editor));
    EXPECT_EQ(List().Row(2), (std::vector<std::wstring>{L"3", L"Carmen Gil", L"carmen@gil.es", L"600 1", L"91 2"}));
    EXPECT_EQ(List().Row(1), before);
    EXPECT_EQ(List().Row(3), after);

    const std::vector<int> written = Calls({1, 1, 1, 1, 1});
    Apply();
    EXPECT_EQ(Calls(), written);
    const nlohmann::json edited = Shortcut(2);
    for (const auto& [key, value] : {std::pair{"name", "Carmen Gil"}, {"email", "carmen@gil.es"},
                                     {"cellPhone", "600 1"}, {"fax", "91 2"}})
        EXPECT_EQ(edited[key], value) << key;
    EXPECT_EQ(Shortcut(1)["name"], "Javier Muñoz");
    EXPECT_FALSE(ApplyEnabled());
    // Nothing changed since: OK writes nothing.
    sheet.Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(app.WaitExit(5000));
    EXPECT_EQ(Calls(), written);
}

TEST_F(ShortcutsPage, FieldsThatWereNotReadAreNeverWrittenByEditingOrClearing) {
    ASSERT_TRUE(StandIn::Fail(L"IAddressShortcut::GetFax", kFail));
    Start();
    EXPECT_EQ(List().Text(0, 4), kUnexpected);
    // Typed over the placeholder in the editor: dropped.
    HWND editor = OpenEditor(0);
    ASSERT_TRUE(editor);
    EXPECT_EQ(Control(editor, IDC_HOME_FAX).Text(), kUnexpected);
    Fill(editor, {{IDC_DETAILS_NAME, L"Lucía F."}, {IDC_HOME_FAX, L"91 000"}});
    Control(editor, IDOK).PostClick();
    ASSERT_TRUE(Closed(editor));
    EXPECT_EQ(List().Text(0, 1), L"Lucía F.");
    EXPECT_EQ(List().Text(0, 4), kUnexpected);

    ASSERT_TRUE(ui::WaitUntil([&] { return Item(IDC_CLEAR_SHORTCUT).IsEnabled(); }));
    for (int answer : {IDNO, IDYES}) {
        std::wstring caption;
        EXPECT_EQ(Clear(answer, &caption),
                  L"¿Está seguro de que desea borrar el acceso directo a la dirección?");
        EXPECT_EQ(caption, L"Borrar acceso directo a dirección");
        if (answer == IDNO) {
            EXPECT_EQ(List().Text(0, 1), L"Lucía F.");
        }
    }
    EXPECT_TRUE(ui::WaitUntil([&] { return List().Text(0, 1).empty(); }));
    EXPECT_EQ(List().Text(0, 4), kUnexpected);
    // Nothing left to clear.
    EXPECT_FALSE(Item(IDC_CLEAR_SHORTCUT).IsEnabled());
    const std::vector<int> written = Calls({1, 1, 1, 0, 1});
    ASSERT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }));
    Apply();
    EXPECT_EQ(Calls(), written);
    EXPECT_EQ(Shortcut(0)["name"], "");
    EXPECT_EQ(Shortcut(0)["fax"], "+34 91 555 00 10");
}

TEST_F(ShortcutsPage, UndockingClosesTheEditorAndEmptiesTheList) {
    Start();
    HWND editor = OpenEditor(0);
    ASSERT_TRUE(editor);
    Control(editor, IDC_DETAILS_NAME).Type(L"x");
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(Closed(editor));
    EXPECT_TRUE(ui::WaitUntil([&] { return List().Count() == 0 && !Control(List().Hwnd()).IsEnabled(); }));
    EXPECT_FALSE(Item(IDC_EDIT_SHORTCUT).IsEnabled());
    ASSERT_TRUE(StandIn::Dock(kPen));
    EXPECT_TRUE(
        ui::WaitUntil([&] { return List().Count() == 10 && List().Text(0, 1) == L"Lucía Fernández"; }));
    EXPECT_EQ(Shortcut(0)["name"], "Lucía Fernández");
}

// Each Apply that fails is told once and logged, the page stays changed, and the next
// Apply tries again: the write-back refused, then one field refused, then all written.
TEST_F(ShortcutsPage, AFailedWriteIsLoggedToldOnEachApplyAndStaysChanged) {
    Start();
    ASSERT_TRUE(List().Select(4));
    EXPECT_NE(Clear(IDYES), L"(no box)");
    const struct {
        const wchar_t* failing;
        const char* logged;
        const char* name; // in the pen afterwards
    } cases[] = {{L"IPen::SetAddressShortcuts", "Failed to set shortcuts (0x80004005).", "Marta Sánchez"},
                 {L"IAddressShortcut::SetName", "Failed to set name (0x80004005).", "Marta Sánchez"},
                 {nullptr, nullptr, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged ? c.logged : "no failure");
        ASSERT_TRUE(StandIn::Clear());
        if (c.failing) {
            ASSERT_TRUE(StandIn::Fail(c.failing, kFail));
        }
        ASSERT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }));
        const int applied = LogLines("<--(SettingsSheet::ApplyPages)");
        const int logged = c.logged ? LogLines(c.logged) : 0;
        // Told from inside the apply: posted, answered, no second box.
        sheet.Button(Sheet::kApply).PostClick();
        if (c.failing) {
            EXPECT_NE(Answer(IDOK).find(L"Accesos directos a la dirección"), std::wstring::npos);
            EXPECT_TRUE(ui::WaitUntil([&] { return LogLines(c.logged) == logged + 1; })) << log.Dump();
        }
        ASSERT_TRUE(ui::WaitUntil([&] { return LogLines("<--(SettingsSheet::ApplyPages)") > applied; }))
            << log.Dump();
        EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
        EXPECT_EQ(Shortcut(4)["name"], c.name);
        EXPECT_EQ(ApplyEnabled(), c.failing != nullptr);
    }
}
} // namespace
