// The Connection page and its password dialogs against the stand-in, used from outside:
// the docking options read from and written to the suite's settings (only what changed),
// the password set, changed and removed on the pen, and a pen that goes away while a
// dialog is open. Closing the program from outside while a dialog or a question is open
// ends them first, writes nothing the user did not confirm and exits cleanly, also with
// Wine's heap checking on.
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const wchar_t kConnectionTab[] = L"Especificaciones de la conexión";
const wchar_t kCreate[] = L"Asignar contraseña...";
const wchar_t kRemove[] = L"Quitar contraseña...";
const wchar_t kWrongPassword[] =
    L"La contraseña actual es incorrecta. Las letras de las contraseñas deben escribirse con las mayúsculas "
    L"y "
    L"minúsculas correctas. Asegúrese de que la tecla Bloq Mayús no esté accidentalmente activa.";

std::optional<DWORD> ReadOption(const wchar_t* name) {
    return ui::ReadNumber(ui::kSuiteKey, name);
}
void WriteOption(const wchar_t* name, DWORD value) {
    ui::WriteNumber(ui::kSuiteKey, name, value);
}

class ConnectionPage : public ui::PageTest {
public:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, ui::kSuiteKey);
        PageTest::SetUp();
        SetPassword(L"");
    }
    void TearDown() override {
        PageTest::TearDown();
        RegDeleteTreeW(HKEY_CURRENT_USER, ui::kSuiteKey);
    }

    static void SetPassword(const std::wstring& password) {
        ASSERT_TRUE((password.empty() ? StandIn::Run({L"password", kPen, L"--clear"})
                                      : StandIn::Run({L"password", kPen, password, L""}))
                        .Ok());
    }
    static std::string PenText(const char* field) { return Pen().value(field, ""); }
    // On the Connection page, once it shows the docked pen.
    void StartOnPage(bool withPen = true) {
        StartOn(kConnectionTab,
                withPen ? [this] { return Item(IDC_CREATE_PASS).IsEnabled(); } : std::function<bool()>());
    }
    bool PageShows(const wchar_t* passText, bool createEnabled, bool changeEnabled) const {
        return ui::WaitUntil([&] {
            return Item(IDC_CREATE_PASS).Text() == passText &&
                   Item(IDC_CREATE_PASS).IsEnabled() == createEnabled &&
                   Item(IDC_CHANGE_PASS).IsEnabled() == changeEnabled;
        });
    }
    // Each field keeps at most its limit of UTF-8 bytes, the terminating zero counted.
    static void ExpectLimits(HWND dialog, std::initializer_list<std::pair<int, size_t>> limits) {
        for (const auto& [id, bytes] : limits) {
            Retype(Control(dialog, id), std::wstring(bytes + 4, L'x'));
            EXPECT_EQ(Control(dialog, id).Text().size(), bytes - 1) << "field " << id;
        }
    }
    // The change dialog filled in and confirmed.
    HWND Change(const wchar_t* current, const wchar_t* next) {
        HWND change = Open(Item(IDC_CHANGE_PASS), L"Cambiar contraseña");
        EXPECT_TRUE(change);
        Fill(change, {{IDC_CURRENT_PASS, current}, {IDC_NEW_PASS, next}, {IDC_CONFIRM_PASS, next}});
        Control(change, IDOK).PostClick();
        return change;
    }
};

TEST_F(ConnectionPage, OptionsShowTheStoredValuesAndApplyWritesOnlyWhatChanged) {
    struct Case {
        std::optional<DWORD> dockAction;
        int checkedRadio;
    };
    // Out of range, negative included, counts as manual; absent as "send when docked".
    for (Case c : {Case{7, IDC_DOCK_MANUAL}, Case{static_cast<DWORD>(-1), IDC_DOCK_MANUAL},
                   Case{1, IDC_DOCK_ASK}, Case{std::nullopt, IDC_DOCK_SEND}}) {
        SCOPED_TRACE(c.dockAction ? static_cast<int>(*c.dockAction) : 999);
        RegDeleteTreeW(HKEY_CURRENT_USER, ui::kSuiteKey);
        if (c.dockAction)
            WriteOption(L"DockAction", *c.dockAction);
        StartOnPage();
        for (int id : {IDC_DOCK_SEND, IDC_DOCK_ASK, IDC_DOCK_MANUAL})
            EXPECT_EQ(Item(id).IsChecked(), id == c.checkedRadio) << id;
        // Missing keys: Internet only clear, status icon shown; the Internet-only group is
        // hidden without "ShowInternetSettings".
        EXPECT_FALSE(Item(IDC_INTERNET_ONLY).IsChecked());
        EXPECT_TRUE(Item(IDC_STATUS_ICON).IsChecked());
        EXPECT_FALSE(Item(IDC_INTERNET_ONLY).IsVisible());
        EXPECT_FALSE(ApplyEnabled());

        // Changing only the status icon writes only that key (7 stays 7, absent stays absent).
        Item(IDC_STATUS_ICON).Click();
        EXPECT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }));
        Apply();
        EXPECT_EQ(ReadOption(L"AlwaysShowIcon"), std::optional<DWORD>(0));
        EXPECT_EQ(ReadOption(L"DockAction"), c.dockAction);
        EXPECT_EQ(ReadOption(L"InternetOnly"), std::nullopt);
        EXPECT_FALSE(ApplyEnabled());
        // Undoing a change by hand leaves nothing to apply, and OK then writes nothing.
        Item(IDC_DOCK_ASK).Click();
        Item(c.checkedRadio).Click();
        EXPECT_FALSE(ApplyEnabled());
        ui::WriteNumber(ui::kSuiteKey, L"AlwaysShowIcon", std::nullopt);
        sheet.Button(Sheet::kOk).PostClick();
        ASSERT_TRUE(app.WaitExit(5000));
        EXPECT_EQ(ReadOption(L"AlwaysShowIcon"), std::nullopt);
        EXPECT_EQ(ReadOption(L"DockAction"), c.dockAction);
    }
}

TEST_F(ConnectionPage, InternetOnlyShowsWithTheSettingAndKeepsItsValue) {
    ui::ShowInternetSettings(1);
    WriteOption(L"InternetOnly", 5);
    StartOnPage();
    EXPECT_TRUE(Item(IDC_INTERNET_ONLY).IsVisible());
    EXPECT_TRUE(Item(IDC_INTERNET_TEXT).IsVisible());
    EXPECT_TRUE(Item(IDC_INTERNET_ONLY).IsChecked());
    Item(IDC_INTERNET_ONLY).Click();
    sheet.Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(app.WaitExit(5000));
    EXPECT_EQ(ReadOption(L"InternetOnly"), std::optional<DWORD>(0));
    ui::ShowInternetSettings(0);
}

TEST_F(ConnectionPage, PasswordIsSetChangedAndRemovedOnThePen) {
    StartOnPage();
    ASSERT_TRUE(PageShows(kCreate, true, false));

    // Set: OK only once both fields agree exactly (case counts); the hint goes along.
    HWND create = Open(Item(IDC_CREATE_PASS), L"Asignar contraseña");
    ASSERT_TRUE(create);
    ExpectLimits(create, {{IDC_NEW_PASS, 32}, {IDC_CONFIRM_PASS, 32}, {IDC_PASS_HINT, 128}});
    Fill(create, {{IDC_NEW_PASS, L"Tinta1"}, {IDC_CONFIRM_PASS, L"tinta1"}});
    EXPECT_FALSE(Control(create, IDOK).IsEnabled());
    Fill(create, {{IDC_CONFIRM_PASS, L"Tinta1"}});
    EXPECT_TRUE(Control(create, IDOK).IsEnabled());
    Fill(create, {{IDC_PASS_HINT, L"mi lápiz"}});
    Control(create, IDOK).PostClick();
    ASSERT_TRUE(Closed(create));
    EXPECT_EQ(PenText("password"), "Tinta1");
    EXPECT_EQ(PenText("passwordHint"), "mi lápiz");
    ASSERT_TRUE(PageShows(kRemove, true, true));

    // Change: a wrong current password is refused with the message, and everything typed
    // stays for a second try.
    HWND change = Open(Item(IDC_CHANGE_PASS), L"Cambiar contraseña");
    ASSERT_TRUE(change);
    EXPECT_EQ(Control(change, IDC_HINT_LINE).Text(), L"Sugerencia: mi lápiz");
    ExpectLimits(change,
                 {{IDC_CURRENT_PASS, 32}, {IDC_NEW_PASS, 32}, {IDC_CONFIRM_PASS, 32}, {IDC_PASS_HINT, 128}});
    // OK needs the current password and the new one twice.
    Fill(change, {{IDC_CURRENT_PASS, L"\b"}, {IDC_NEW_PASS, L"Pluma2"}, {IDC_CONFIRM_PASS, L"Pluma2"}});
    EXPECT_FALSE(Control(change, IDOK).IsEnabled());
    Fill(change, {{IDC_CURRENT_PASS, L"tinta1"}, {IDC_PASS_HINT, L"otra"}});
    Control(change, IDOK).PostClick();
    std::wstring caption;
    EXPECT_EQ(Answer(IDOK, &caption), kWrongPassword);
    EXPECT_EQ(caption, L"Cambiar contraseña");
    EXPECT_TRUE(IsWindow(change));
    EXPECT_EQ(Control(change, IDC_PASS_HINT).Text(), L"otra");
    EXPECT_EQ(PenText("password"), "Tinta1");
    Fill(change, {{IDC_CURRENT_PASS, L"Tinta1"}});
    Control(change, IDOK).PostClick();
    ASSERT_TRUE(Closed(change));
    EXPECT_EQ(PenText("password"), "Pluma2");
    EXPECT_EQ(PenText("passwordHint"), "otra");

    // Remove: the button now opens the remove dialog, which needs the current password.
    HWND remove = Open(Item(IDC_CREATE_PASS), L"Quitar contraseña");
    ASSERT_TRUE(remove);
    EXPECT_FALSE(Control(remove, IDOK).IsEnabled());
    ExpectLimits(remove, {{IDC_CURRENT_PASS, 32}});
    Fill(remove, {{IDC_CURRENT_PASS, L"Pluma2"}});
    Control(remove, IDOK).PostClick();
    ASSERT_TRUE(Closed(remove));
    EXPECT_EQ(PenText("password"), "");
    EXPECT_TRUE(PageShows(kCreate, true, false));
}

TEST_F(ConnectionPage, UndockingClosesTheOpenDialogAndItsQuestion) {
    SetPassword(L"Tinta1");
    StartOnPage();
    ASSERT_TRUE(PageShows(kRemove, true, true));
    HWND change = Change(L"mal", L"x");
    EXPECT_EQ(Control(change, IDC_HINT_LINE).Text(), L"Sugerencia: ");
    ASSERT_TRUE(ui::MessageBoxWindow::Wait(app.Pid()));

    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(Closed(change));
    EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
    EXPECT_TRUE(PageShows(kCreate, false, false));
    // The options don't need a pen.
    EXPECT_TRUE(Item(IDC_DOCK_ASK).IsEnabled());
    ASSERT_TRUE(StandIn::Dock(kPen));
    EXPECT_TRUE(PageShows(kRemove, true, true));
}

TEST_F(ConnectionPage, PenManagerFailuresAreLoggedAndChangeNothing) {
    SetPassword(L"Tinta1");
    ASSERT_TRUE(StandIn::Fail(L"IPen::IsPasswordSet", kFail, 1));
    StartOnPage(false);
    EXPECT_TRUE(PageShows(kCreate, false, false));
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Failed to ask if password is set (0x80004005).", 2s)) << log.Dump();

    // A failing change reads like a wrong password; the pen keeps its password.
    Redock();
    ASSERT_TRUE(PageShows(kRemove, true, true));
    ASSERT_TRUE(StandIn::Fail(L"IPen::ChangePenPassword", static_cast<HRESULT>(0x80040304)));
    const int hints = StandIn::CallCount("IPen::SetPasswordHint");
    HWND change = Change(L"Tinta1", L"Nueva");
    EXPECT_EQ(Answer(IDOK), kWrongPassword);
    Control(change, IDCANCEL).PostClick();
    ASSERT_TRUE(Closed(change));
    EXPECT_EQ(PenText("password"), "Tinta1");
    EXPECT_EQ(StandIn::CallCount("IPen::SetPasswordHint"), hints);
}

// Closing the program from outside (the console's Ctrl+C, logoff, an installer all post
// WM_CLOSE to the hidden frame) while each kind of modal thing is open.
TEST_F(ConnectionPage, ClosingFromOutsideEndsOpenDialogsAndExitsCleanly) {
    struct Case {
        const char* name;
        std::function<void(ConnectionPage&)> open;
    };
    const Case cases[] = {
        {"service log question",
         [](ConnectionPage& t) {
             ASSERT_TRUE(t.sheet.SelectPage(0));
             HWND log = t.Open(t.Item(IDC_PEN_HISTORY), ui::kServiceLogCaption);
             ASSERT_TRUE(log);
             ASSERT_TRUE(ui::WaitUntil([&] { return ui::ListView(log, IDC_HISTORY_LIST).Select(0); }));
             Control(log, IDC_REMOVE_ITEM).PostClick();
             ASSERT_TRUE(ui::MessageBoxWindow::Wait(t.app.Pid()));
         }},
        {"password dialog",
         [](ConnectionPage& t) {
             HWND remove = t.Open(t.Item(IDC_CREATE_PASS), L"Quitar contraseña");
             ASSERT_TRUE(remove);
             Control(remove, IDC_CURRENT_PASS).Type(L"Tinta1");
         }},
        {"question over a password dialog",
         [](ConnectionPage& t) {
             HWND remove = t.Open(t.Item(IDC_CREATE_PASS), L"Quitar contraseña");
             ASSERT_TRUE(remove);
             Control(remove, IDC_CURRENT_PASS).Type(L"mal");
             Control(remove, IDOK).PostClick();
             ASSERT_TRUE(ui::MessageBoxWindow::Wait(t.app.Pid()));
         }},
    };
    SetEnvironmentVariableW(L"WINEDEBUG", L"warn+heap");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetPassword(L"Tinta1");
        ASSERT_TRUE(StandIn::Run({L"clear"}).Ok());
        const std::string outboxBefore = Pen()["outbox"].dump();
        StartOnPage();
        c.open(*this);
        ui::Post(app.WaitTopWindow(ui::kFrameClass), WM_CLOSE);
        ASSERT_TRUE(app.WaitExit(10000)) << log.Dump();
        EXPECT_EQ(app.ExitCode(), 0u);
        EXPECT_TRUE(log.Contains(app.Pid(), "ModalLoop::EndAll")) << log.Dump();
        // Nothing the user did not confirm reached the pen.
        EXPECT_EQ(PenText("password"), "Tinta1");
        EXPECT_EQ(Pen()["outbox"].dump(), outboxBefore);
    }
    SetEnvironmentVariableW(L"WINEDEBUG", nullptr);
}
} // namespace
