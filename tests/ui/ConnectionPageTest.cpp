// The Connection page and its password dialogs against the stand-in, used from outside:
// the docking options read from and written to the suite's settings (only what changed),
// the password set, changed and removed on the pen, and a pen that goes away while a
// dialog is open. Closing the program from outside while a dialog or a question is open
// ends them first, writes nothing the user did not confirm and exits cleanly, also with
// Wine's heap checking on.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const std::wstring kPen = StandIn::kDemoPen;
const wchar_t kSuiteKey[] = L"Software\\Velar\\2.0\\Quayward";
const wchar_t kConnectionTab[] = L"Especificaciones de la conexión";
const wchar_t kWrongPassword[] =
    L"La contraseña actual es incorrecta. Las letras de las contraseñas deben escribirse con las mayúsculas y "
    L"minúsculas correctas. Asegúrese de que la tecla Bloq Mayús no esté accidentalmente activa.";

std::optional<DWORD> ReadOption(const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kSuiteKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void WriteOption(const wchar_t* name, DWORD value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSuiteKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

class ConnectionPage : public ::testing::Test {
public: // the cases of a table act on the fixture too
    void SetUp() override {
        ASSERT_TRUE(log.IsListening());
        RegDeleteTreeW(HKEY_CURRENT_USER, kSuiteKey);
        ASSERT_TRUE(StandIn::Clear());
        ASSERT_TRUE(StandIn::Dock(kPen));
        SetPassword(L"", L"");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSuiteKey); }

    static void SetPassword(const std::wstring& password, const std::wstring& hint) {
        if (password.empty())
            ASSERT_TRUE(StandIn::Run({L"password", kPen, L"--clear"}).Ok());
        else
            ASSERT_TRUE(StandIn::Run({L"password", kPen, password, hint}).Ok());
    }
    static std::string Pen(const char* field) { return StandIn::State()["pens"]["AAA-BBB-CCC-DD"].value(field, ""); }
    // Starts the panel on the Connection page, once it shows the docked pen.
    void StartOnPage(bool withPen = true) {
        ASSERT_TRUE(app.Start(L"Quillpad.exe"));
        sheet = Sheet::Find(app.Pid(), ui::kSheetCaption);
        ASSERT_TRUE(sheet) << log.Dump();
        ASSERT_TRUE(sheet.SelectPage(kConnectionTab));
        if (withPen) {
            ASSERT_TRUE(ui::WaitUntil([&] { return Item(IDC_CREATE_PASS).IsEnabled(); })) << log.Dump();
        }
    }
    Control Item(int id) const { return sheet.Item(id); }
    // Clicks a page button and waits for the dialog it opens.
    HWND Open(int button, const wchar_t* caption) {
        Item(button).PostClick();
        // Shown once it has initialised its fields.
        return ui::WaitFor([&] {
            HWND dialog = ui::FindDialog(app.Pid(), caption);
            return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
        });
    }
    bool Closed(HWND dialog) const {
        return ui::WaitUntil([&] { return !IsWindow(dialog); });
    }
    bool PageShows(const wchar_t* passText, bool createEnabled, bool changeEnabled) const {
        return ui::WaitUntil([&] {
            return Item(IDC_CREATE_PASS).Text() == passText && Item(IDC_CREATE_PASS).IsEnabled() == createEnabled &&
                   Item(IDC_CHANGE_PASS).IsEnabled() == changeEnabled;
        });
    }

    DebugLog log;
    Process app;
    Sheet sheet;
};

const wchar_t kCreate[] = L"Asignar contraseña...";
const wchar_t kRemove[] = L"Quitar contraseña...";

TEST_F(ConnectionPage, OptionsShowTheStoredValuesAndApplyWritesOnlyWhatChanged) {
    struct Case {
        std::optional<DWORD> dockAction;
        int checkedRadio;
    };
    // Out of range, negative included, counts as manual; absent as "send when docked".
    for (Case c : {Case{7, IDC_DOCK_MANUAL}, Case{static_cast<DWORD>(-1), IDC_DOCK_MANUAL}, Case{1, IDC_DOCK_ASK},
                   Case{std::nullopt, IDC_DOCK_SEND}}) {
        SCOPED_TRACE(c.dockAction ? static_cast<int>(*c.dockAction) : 999);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSuiteKey);
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
        EXPECT_FALSE(sheet.Button(Sheet::kApply).IsEnabled());

        // Apply with nothing changed writes nothing (7 stays 7, absent stays absent).
        sheet.Button(Sheet::kApply).Click();
        EXPECT_EQ(ReadOption(L"DockAction"), c.dockAction);
        // Changing only the status icon writes only that key.
        Item(IDC_STATUS_ICON).Click();
        EXPECT_TRUE(ui::WaitUntil([&] { return sheet.Button(Sheet::kApply).IsEnabled(); }));
        sheet.Button(Sheet::kApply).Click();
        EXPECT_EQ(ReadOption(L"AlwaysShowIcon"), std::optional<DWORD>(0));
        EXPECT_EQ(ReadOption(L"DockAction"), c.dockAction);
        EXPECT_EQ(ReadOption(L"InternetOnly"), std::nullopt);
        EXPECT_FALSE(sheet.Button(Sheet::kApply).IsEnabled());
        // Undoing a change by hand leaves nothing to apply.
        Item(IDC_DOCK_ASK).Click();
        Item(c.checkedRadio).Click();
        EXPECT_FALSE(sheet.Button(Sheet::kApply).IsEnabled());
        sheet.Button(Sheet::kCancel).PostClick();
        ASSERT_TRUE(app.WaitExit(5000));
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
    HWND create = Open(IDC_CREATE_PASS, L"Asignar contraseña");
    ASSERT_TRUE(create);
    Control(create, IDC_NEW_PASS).Type(L"Tinta1");
    Control(create, IDC_CONFIRM_PASS).Type(L"tinta1");
    EXPECT_FALSE(Control(create, IDOK).IsEnabled());
    Control(create, IDC_CONFIRM_PASS).SelectAll();
    Control(create, IDC_CONFIRM_PASS).Type(L"Tinta1");
    EXPECT_TRUE(Control(create, IDOK).IsEnabled());
    Control(create, IDC_PASS_HINT).Type(L"mi lápiz");
    Control(create, IDOK).PostClick();
    ASSERT_TRUE(Closed(create));
    EXPECT_EQ(Pen("password"), "Tinta1");
    EXPECT_EQ(Pen("passwordHint"), "mi lápiz");
    ASSERT_TRUE(PageShows(kRemove, true, true));

    // Change: a wrong current password is refused with the message, and everything typed
    // stays for a second try.
    HWND change = Open(IDC_CHANGE_PASS, L"Cambiar contraseña");
    ASSERT_TRUE(change);
    EXPECT_EQ(Control(change, IDC_HINT_LINE).Text(), L"Sugerencia: mi lápiz");
    Control(change, IDC_CURRENT_PASS).Type(L"tinta1");
    Control(change, IDC_NEW_PASS).Type(L"Pluma2");
    Control(change, IDC_CONFIRM_PASS).Type(L"Pluma2");
    Control(change, IDC_PASS_HINT).Type(L"otra");
    Control(change, IDOK).PostClick();
    ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(box.Caption(), L"Cambiar contraseña");
    EXPECT_EQ(box.Text(), kWrongPassword);
    box.Answer(IDOK);
    ASSERT_TRUE(box.WaitClosed());
    EXPECT_TRUE(IsWindow(change));
    EXPECT_EQ(Control(change, IDC_PASS_HINT).Text(), L"otra");
    EXPECT_EQ(Pen("password"), "Tinta1");
    Control(change, IDC_CURRENT_PASS).SelectAll();
    Control(change, IDC_CURRENT_PASS).Type(L"Tinta1");
    Control(change, IDOK).PostClick();
    ASSERT_TRUE(Closed(change));
    EXPECT_EQ(Pen("password"), "Pluma2");
    EXPECT_EQ(Pen("passwordHint"), "otra");

    // Remove: the button now opens the remove dialog, which needs the current password.
    HWND remove = Open(IDC_CREATE_PASS, L"Quitar contraseña");
    ASSERT_TRUE(remove);
    EXPECT_FALSE(Control(remove, IDOK).IsEnabled());
    Control(remove, IDC_CURRENT_PASS).Type(L"Pluma2");
    Control(remove, IDOK).PostClick();
    ASSERT_TRUE(Closed(remove));
    EXPECT_EQ(Pen("password"), "");
    EXPECT_TRUE(PageShows(kCreate, true, false));
}

TEST_F(ConnectionPage, UndockingClosesTheOpenDialogAndItsQuestion) {
    SetPassword(L"Tinta1", L"");
    StartOnPage();
    ASSERT_TRUE(PageShows(kRemove, true, true));
    HWND change = Open(IDC_CHANGE_PASS, L"Cambiar contraseña");
    ASSERT_TRUE(change);
    EXPECT_EQ(Control(change, IDC_HINT_LINE).Text(), L"Sugerencia: ");
    Control(change, IDC_CURRENT_PASS).Type(L"mal");
    Control(change, IDC_NEW_PASS).Type(L"x");
    Control(change, IDC_CONFIRM_PASS).Type(L"x");
    Control(change, IDOK).PostClick();
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
    SetPassword(L"Tinta1", L"");
    ASSERT_TRUE(StandIn::Fail(L"IPen::IsPasswordSet", static_cast<HRESULT>(0x80004005), 1));
    StartOnPage(false);
    EXPECT_TRUE(PageShows(kCreate, false, false));
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Failed to ask if password is set (0x80004005).", 2s)) << log.Dump();

    // A failing change reads like a wrong password; the pen keeps its password.
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(StandIn::Dock(kPen));
    ASSERT_TRUE(PageShows(kRemove, true, true));
    ASSERT_TRUE(StandIn::Fail(L"IPen::ChangePenPassword", static_cast<HRESULT>(0x80040304)));
    const int hints = StandIn::CallCount("IPen::SetPasswordHint");
    HWND change = Open(IDC_CHANGE_PASS, L"Cambiar contraseña");
    ASSERT_TRUE(change);
    Control(change, IDC_CURRENT_PASS).Type(L"Tinta1");
    Control(change, IDC_NEW_PASS).Type(L"Nueva");
    Control(change, IDC_CONFIRM_PASS).Type(L"Nueva");
    Control(change, IDOK).PostClick();
    ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(box.Text(), kWrongPassword);
    box.Answer(IDOK);
    Control(change, IDCANCEL).PostClick();
    ASSERT_TRUE(Closed(change));
    EXPECT_EQ(Pen("password"), "Tinta1");
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
             t.sheet.Item(IDC_PEN_HISTORY).Click();
             HWND log = ui::WaitFor([&] {
                 HWND window = ui::FindDialog(t.app.Pid(), ui::kServiceLogCaption);
                 return window && IsWindowVisible(window) ? window : nullptr;
             });
             ASSERT_TRUE(log);
             ASSERT_TRUE(ui::WaitUntil([&] { return ui::ListView(log, IDC_HISTORY_LIST).Select(0); }));
             Control(log, IDC_REMOVE_ITEM).PostClick();
             ASSERT_TRUE(ui::MessageBoxWindow::Wait(t.app.Pid()));
         }},
        {"password dialog",
         [](ConnectionPage& t) {
             HWND remove = t.Open(IDC_CREATE_PASS, L"Quitar contraseña");
             ASSERT_TRUE(remove);
             Control(remove, IDC_CURRENT_PASS).Type(L"Tinta1");
         }},
        {"question over a password dialog",
         [](ConnectionPage& t) {
             HWND remove = t.Open(IDC_CREATE_PASS, L"Quitar contraseña");
             ASSERT_TRUE(remove);
             Control(remove, IDC_CURRENT_PASS).Type(L"mal");
             Control(remove, IDOK).PostClick();
             ASSERT_TRUE(ui::MessageBoxWindow::Wait(t.app.Pid()));
         }},
    };
    SetEnvironmentVariableW(L"WINEDEBUG", L"warn+heap");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetPassword(L"Tinta1", L"");
        ASSERT_TRUE(StandIn::Run({L"clear"}).Ok());
        const std::string outboxBefore = StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["outbox"].dump();
        StartOnPage();
        c.open(*this);
        ui::Post(app.WaitTopWindow(ui::kFrameClass), WM_CLOSE);
        ASSERT_TRUE(app.WaitExit(10000)) << log.Dump();
        EXPECT_EQ(app.ExitCode(), 0u);
        EXPECT_TRUE(log.Contains(app.Pid(), "ModalLoop::EndAll")) << log.Dump();
        // Nothing the user did not confirm reached the pen.
        EXPECT_EQ(Pen("password"), "Tinta1");
        EXPECT_EQ(StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["outbox"].dump(), outboxBefore);
    }
    SetEnvironmentVariableW(L"WINEDEBUG", nullptr);
}
} // namespace
