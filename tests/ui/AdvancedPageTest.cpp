// The Advanced page against the stand-in and a loopback HTTP server: the Internet switch
// and what Apply does with it, the NoMobile layout, the two local-security actions, the
// server test and the values written only when changed, and failing pen manager calls.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <wininet.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "http/HttpServer.h"
#include "kit/ServerPath.h"
#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const wchar_t kAdvancedTab[] = L"Avanzado";
constexpr int kServerGroup[] = {IDC_SERVER_GROUP, IDC_SERVER_TEXT, IDC_SERVER_LABEL, IDC_SERVER_ADDRESS,
                                IDC_REDIRECTION,  IDC_TEST_SERVER, IDC_CHANGE_SERVER};
constexpr int kIspGroup[] = {IDC_ISP_GROUP, IDC_ISP_TEXT, IDC_ISP_LABEL, IDC_ISP_PRIORITY, IDC_ISP_SETTINGS};
constexpr int kSwitchGroup[] = {IDC_INTERNET_GROUP, IDC_INTERNET_TEXT, IDC_SHOW_INTERNET};

void WriteSetting(const wchar_t* name, std::optional<DWORD> value) {
    ui::WriteNumber(ui::kProgramKey, name, value);
}
std::optional<DWORD> ReadSetting(const wchar_t* name) {
    return ui::ReadNumber(ui::kProgramKey, name);
}

std::filesystem::path PenStorageFolder() {
    wchar_t appData[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return std::filesystem::path(appData) / L"Velar" / L"PenStorage" / ui::PageTest::kPen;
}

class AdvancedPage : public ui::PageTest {
public:
    void SetUp() override {
        PageTest::SetUp();
        http::HttpServer::ClearProxyVariables();
        WriteSetting(L"ShowInternetSettings", 1);
        WriteSetting(L"NoMobile", std::nullopt);
        ASSERT_TRUE(StandIn::Set(L"-", L"/manager/orskUrl", L"orsk.velar.es:443", true));
    }
    void TearDown() override {
        PageTest::TearDown();
        RegDeleteTreeW(HKEY_CURRENT_USER, ui::kProgramKey);
    }

    static nlohmann::json Manager() { return StandIn::State()["manager"]; }
    void StartOnPage() {
        StartOn(kAdvancedTab, [&] { return Item(IDC_RESET_PROMPT).IsEnabled(); });
    }
    bool Shown(const int* ids, size_t count, bool shown) const {
        for (size_t i = 0; i < count; ++i)
            if (Item(ids[i]).IsVisible() != shown)
                return false;
        return true;
    }
    template <size_t N> bool Shown(const int (&ids)[N], bool shown) const { return Shown(ids, N, shown); }
    // Applied, and the Advanced page current again (Apply may add or remove pages).
    void ApplyHere() {
        Apply();
        ASSERT_TRUE(ui::WaitUntil([&] { return sheet.CurrentCaption() == kAdvancedTab; }));
    }
    // The box a button of the page opens, answered; returns its text.
    std::wstring Ask(int button, int answer) {
        Item(button).PostClick();
        return Answer(answer);
    }
};

TEST_F(AdvancedPage, InternetSwitchShowsTheGroupsOnlyAfterApply) {
    WriteSetting(L"ShowInternetSettings", std::nullopt);
    StartOnPage();
    const auto tabsBefore = sheet.TabCaptions();
    EXPECT_TRUE(Shown(kSwitchGroup, true));
    EXPECT_TRUE(Shown(kServerGroup, false));
    EXPECT_TRUE(Shown(kIspGroup, false));
    EXPECT_FALSE(Item(IDC_SHOW_INTERNET).IsChecked());

    // Ticking marks the page modified; unticking again clears it.
    Item(IDC_SHOW_INTERNET).Click();
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_TRUE(Shown(kServerGroup, false));
    Item(IDC_SHOW_INTERNET).Click();
    EXPECT_FALSE(ApplyEnabled());

    Item(IDC_SHOW_INTERNET).Click();
    ApplyHere();
    EXPECT_EQ(ReadSetting(L"ShowInternetSettings"), std::optional<DWORD>(1));
    EXPECT_TRUE(ui::WaitUntil([&] { return Shown(kServerGroup, true) && Shown(kIspGroup, true); }));
    EXPECT_EQ(Item(IDC_SERVER_ADDRESS).Text(), L"orsk.velar.es:443") << log.Dump();
    // The page set follows the setting at once, and the Advanced page stays the current one.
    EXPECT_EQ(sheet.TabCaptions(),
              (std::vector<std::wstring>{L"Estado del lápiz", L"Especificaciones de la conexión",
                                         L"Detalles personales", L"Accesos directos a la dirección",
                                         kAdvancedTab, L"Acerca de"}));

    Item(IDC_SHOW_INTERNET).Click();
    ApplyHere();
    EXPECT_EQ(ReadSetting(L"ShowInternetSettings"), std::optional<DWORD>(0));
    EXPECT_TRUE(ui::WaitUntil([&] { return Shown(kServerGroup, false) && Shown(kIspGroup, false); }));
    EXPECT_EQ(sheet.TabCaptions(), tabsBefore);
    Close();
}

TEST_F(AdvancedPage, NoMobileMovesTheServerGroupUpOnceAndHidesTheMobileParts) {
    WriteSetting(L"NoMobile", 1);
    StartOnPage();
    EXPECT_TRUE(Shown(kSwitchGroup, false));
    EXPECT_TRUE(Shown(kIspGroup, false));
    EXPECT_TRUE(Shown(kServerGroup, true));
    auto top = [&](int id) {
        RECT rect{};
        GetWindowRect(Item(id).Hwnd(), &rect);
        return rect.top;
    };
    EXPECT_EQ(top(IDC_SERVER_GROUP), top(IDC_INTERNET_GROUP));
    const LONG buttons = top(IDC_TEST_SERVER);
    // Reloading lays out again: nothing moves further.
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(StandIn::Dock(kPen));
    ASSERT_TRUE(ui::WaitUntil([&] { return Item(IDC_RESET_PROMPT).IsEnabled(); }));
    EXPECT_EQ(top(IDC_TEST_SERVER), buttons);
    Close();
}

// Each local-security button asks first and acts only after Yes; a failure is logged and
// changes nothing; undocking answers an open question with No.
TEST_F(AdvancedPage, LocalSecurityActsOnThePenOnlyAfterYes) {
    const std::filesystem::path stored = PenStorageFolder() / L"1.2.3.4#5";
    const std::wstring resetQuestion =
        L"Si ha guardado su contraseña en esta PC, puede eliminarla y reactivar la solicitud de contraseña. "
        L"Cuando conecte el lápiz a esta PC, se le solicitará la contraseña.\n¿Está seguro de que desea "
        L"eliminar la contraseña guardada en esta PC?";
    const std::wstring deleteQuestion =
        L"Elimine los datos del lápiz para asegurarse de que nadie acceda a los datos. Esto no elimina "
        L"ningún "
        L"dato del lápiz ni de los archivos creados con Foliant.\n¿Está seguro de que desea eliminar los "
        L"datos del lápiz?";
    HANDLE held = nullptr;
    std::optional<ServerPath> storageServer;
    struct Case {
        const char* did;
        int button, answer;
        const char* line; // logged, null when the button acts
        std::function<void()> arrange, undo;
    };
    const auto none = [] {};
    const auto clear = [] { StandIn::Clear(); };
    const Case cases[] = {
        {"reset, No", IDC_RESET_PROMPT, IDNO, "", none, none},
        {"delete, No", IDC_DELETE_STORED, IDNO, "", none, none},
        {"reset, unregistering fails", IDC_RESET_PROMPT, IDYES,
         "Failed to unregister the password (0x80004005).",
         [] { StandIn::Fail(L"IPen::UnregisterPassword", E_FAIL); }, clear},
        {"delete, no pen id", IDC_DELETE_STORED, IDYES, "Failed getting pen id. (0x80004005).",
         [] { StandIn::Fail(L"IPen::GetPenId", E_FAIL); }, clear},
        // Before the storage server is first loaded: the class without its server.
        {"delete, no storage", IDC_DELETE_STORED, IDYES, "Failed to create storage api (0x",
         [&] { storageServer.emplace(kStorageClass, L"InprocServer32", L"C:\\ausente\\PenStorage.dll"); },
         [&] { storageServer.reset(); }},
        // A stored item another program holds open.
        {"delete, item held open", IDC_DELETE_STORED, IDYES, "Failed to delete storage (0x80070020).",
         [&] {
             held = CreateFileW(stored.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr);
         },
         [&] { CloseHandle(held); }},
        {"reset, Yes", IDC_RESET_PROMPT, IDYES, nullptr, none, none},
        {"delete, Yes", IDC_DELETE_STORED, IDYES, nullptr, none, none},
    };
    StartOnPage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.did);
        std::filesystem::create_directories(stored.parent_path());
        std::ofstream(stored) << "trazos";
        ASSERT_TRUE(StandIn::Set(kPen, L"/passwordSavedOnPc", L"true"));
        c.arrange();
        const std::wstring question = Ask(c.button, c.answer);
        if (c.answer == IDNO) {
            EXPECT_EQ(question, c.button == IDC_RESET_PROMPT ? resetQuestion : deleteQuestion);
        } else if (c.line) {
            EXPECT_TRUE(log.WaitFor(app.Pid(), c.line, 3s));
        }
        c.undo();
        const bool reset = !c.line && c.button == IDC_RESET_PROMPT, deleted = !c.line && !reset;
        EXPECT_TRUE(ui::WaitUntil([&] { return Pen().value("passwordSavedOnPc", true) != reset; }));
        // The pen's whole folder goes, the last step of the deletion: a file made again before
        // could still be found and deleted by it.
        EXPECT_TRUE(ui::WaitUntil([&] { return std::filesystem::exists(stored.parent_path()) != deleted; }));
        EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
    }

    // Undocking answers an open question with No; without a pen both are disabled.
    std::filesystem::create_directories(stored.parent_path());
    std::ofstream(stored) << "trazos";
    Item(IDC_DELETE_STORED).PostClick();
    ASSERT_TRUE(ui::MessageBoxWindow::Wait(app.Pid()));
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(ui::WaitUntil([&] { return !ui::MessageBoxWindow::Find(app.Pid()); }));
    EXPECT_TRUE(std::filesystem::exists(stored));
    EXPECT_TRUE(ui::WaitUntil([&] { return !Item(IDC_RESET_PROMPT).IsEnabled(); }));
    EXPECT_FALSE(Item(IDC_DELETE_STORED).IsEnabled());
    Close();
    std::filesystem::remove_all(PenStorageFolder());
}

TEST_F(AdvancedPage, ServerTestTellsWhetherTheServerAnswered) {
    http::HttpServer server;
    ASSERT_TRUE(server.IsRunning());
    DWORD state = 0;
    if (!InternetGetConnectedState(&state, 0))
        GTEST_SKIP() << "No network interface but loopback is up: WinINet sends no request then.";
    ASSERT_TRUE(StandIn::Set(L"-", L"/manager/orskUrl", server.Address(), true));
    StartOnPage();
    EXPECT_EQ(Item(IDC_SERVER_ADDRESS).Text(), server.Address());
    struct Case {
        int status;
        const wchar_t* message;
    };
    for (Case c : {Case{200, L"La conexión al servidor se realizó con éxito."},
                   Case{500, L"No se pudo realizar la conexión al servidor."}}) {
        server.Answer(c.status);
        Item(IDC_TEST_SERVER).PostClick();
        // The waiting box first, then the outcome.
        std::wstring text;
        ui::MessageBoxWindow outcome = ui::WaitFor([&] {
            ui::MessageBoxWindow box = ui::MessageBoxWindow::Find(app.Pid());
            text = box ? box.Text() : L"";
            return box && !text.empty() && text.rfind(L"Conexión al servidor", 0) != 0
                       ? box
                       : ui::MessageBoxWindow();
        });
        ASSERT_TRUE(outcome);
        EXPECT_EQ(text, c.message);
        outcome.Answer(IDOK);
        ASSERT_TRUE(outcome.WaitClosed());
    }
    // Cancelled: no message after the box.
    server.Answer(200, 1000);
    Item(IDC_TEST_SERVER).PostClick();
    ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    box.Answer(IDCANCEL);
    ASSERT_TRUE(box.WaitClosed(5000));
    Sleep(300);
    EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
    Close();
}

TEST_F(AdvancedPage, FailingCallsAreLoggedAndWriteNothing) {
    struct Case {
        const wchar_t* method;
        const char* line;
        int disabled; // control the failure leaves disabled, 0 for none
    };
    const Case reads[] = {
        {L"IPenManager::GetOrskUrl", "Failed to get orsk url (0x80004005).", 0},
        {L"IPenManager::IsRedirectionEnabled", "Failed to check if redirection is enabled (0x80004005).",
         IDC_REDIRECTION},
        {L"IPairedDevice::GetIspSettings", "Error getting isp settings (0x80004005).", IDC_ISP_PRIORITY},
        {L"IIspSettings::GetPriority", "Error getting priority (0x80004005).", IDC_ISP_SETTINGS},
    };
    for (const Case& c : reads) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(StandIn::Clear());
        ASSERT_TRUE(StandIn::Fail(c.method, kFail));
        StartOnPage();
        EXPECT_TRUE(log.WaitFor(app.Pid(), c.line, 2s));
        if (c.disabled)
            EXPECT_FALSE(Item(c.disabled).IsEnabled());
        else
            EXPECT_EQ(Item(IDC_SERVER_ADDRESS).Text(), L"Ha ocurrido un error imprevisto.");
        Close();
    }
}

// The redirection and the ISP priority are written when changed, and only what changed
// (changed and changed back is nothing to apply). A write that fails is logged, told
// once, leaves the page modified and writes nothing.
TEST_F(AdvancedPage, RedirectionAndPriorityAreWrittenOnlyWhenChanged) {
    const struct {
        int control;
        const wchar_t* failing; // null: the write goes through
        const char* line;
        std::vector<std::string> writes; // the stand-in's setters the Apply called
    } cases[] = {
        {IDC_REDIRECTION, nullptr, nullptr, {"IPenManager::SetRedirection"}},
        {IDC_ISP_PRIORITY, nullptr, nullptr, {"IIspSettings::SetPriority", "IPairedDevice::SetIspSettings"}},
        {IDC_REDIRECTION, L"IPenManager::SetRedirection", "Failed to set redirection (0x80004005).", {}},
        {IDC_ISP_PRIORITY, L"IIspSettings::SetPriority", "Failed to set priority (0x80004005).", {}},
        {IDC_ISP_PRIORITY, L"IPairedDevice::SetIspSettings", "Failed to set priority (0x80004005).", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.control << " " << (c.line ? c.line : ""));
        ASSERT_TRUE(StandIn::Clear());
        ASSERT_TRUE(StandIn::Set(L"-", L"/manager/redirection", L"false"));
        ASSERT_TRUE(StandIn::Set(kPen, L"/pairedDevices/0/isp/priority", L"0"));
        if (c.failing) {
            ASSERT_TRUE(StandIn::Fail(c.failing, kFail));
        }
        const std::string before = StandIn::State().dump();
        StartOnPage();
        auto change = [&](int selection) {
            if (c.control == IDC_REDIRECTION)
                Item(IDC_REDIRECTION).Click();
            else
                Item(IDC_ISP_PRIORITY).Select(selection);
        };
        change(1);
        change(0);
        EXPECT_FALSE(ApplyEnabled());
        change(1);
        const size_t calls = StandIn::Calls().size();
        if (c.failing) {
            sheet.Button(Sheet::kApply).PostClick();
            EXPECT_NE(Answer(IDOK), L"(no box)");
            EXPECT_TRUE(log.Contains(app.Pid(), c.line));
            EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
        } else {
            ApplyHere();
        }
        EXPECT_EQ(ApplyEnabled(), c.failing != nullptr);
        std::vector<std::string> writes;
        const std::vector<std::string> after = StandIn::Calls();
        for (size_t i = calls; i < after.size(); ++i)
            if (after[i].find("::Set") != std::string::npos)
                writes.push_back(after[i]);
        Close();
        if (c.failing) {
            EXPECT_EQ(StandIn::State().dump(), before);
        } else {
            EXPECT_EQ(writes, c.writes);
        }
    }
}

TEST_F(AdvancedPage, ApplyAsksForThePenManagerEachTime) {
    StartOnPage();
    // The pen manager gone and not to be started again: Apply says so and still writes
    // the switch.
    ASSERT_TRUE(StandIn::Quit());
    ServerPath gone(kPenManagerClass, L"LocalServer32", L"C:\\ausente\\PenManager.exe");
    EXPECT_TRUE(ui::WaitUntil([&] { return !Item(IDC_RESET_PROMPT).IsEnabled(); }, 10000));
    Item(IDC_SHOW_INTERNET).Click();
    ApplyHere();
    EXPECT_TRUE(log.Contains(app.Pid(), "(AdvancedPage::OnApply) Failed to create pen manager (0x"))
        << log.Dump();
    EXPECT_EQ(ReadSetting(L"ShowInternetSettings"), std::optional<DWORD>(0));
    Close();
}

TEST_F(AdvancedPage, ChangeServerKeepsWhatWasTypedThroughPenMessages) {
    http::HttpServer test;
    DWORD state = 0;
    if (!test.IsRunning() || !InternetGetConnectedState(&state, 0))
        GTEST_SKIP() << "No network interface but loopback is up: WinINet sends no request then.";
    StartOnPage();
    HWND dialog = Open(Item(IDC_CHANGE_SERVER), L"Cambiar servidor");
    ASSERT_TRUE(dialog);
    const Control address(dialog, IDC_ORSK_ADDRESS);
    Retype(address, test.Address());
    // The address belongs to the pen manager, not to the pen.
    const char kDocked[] = "(AdvancedPage::OnPenDocked) Pen AAA-BBB-CCC-DD docked.";
    const int docked = LogLines(kDocked);
    Redock();
    ASSERT_TRUE(ui::WaitUntil([&] { return LogLines(kDocked) > docked; }));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(address.Text(), test.Address());
    // Nor does a pen message hide the dialog while the new address is tested.
    test.Answer(200, 1500);
    Control(dialog, IDOK).PostClick();
    ASSERT_TRUE(ui::MessageBoxWindow::Wait(app.Pid()));
    ASSERT_TRUE(StandIn::Undock(kPen));
    ASSERT_TRUE(ui::WaitUntil([&] { return !Item(IDC_RESET_PROMPT).IsEnabled(); }));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(Closed(dialog));
    EXPECT_EQ(Manager().value("orskUrl", ""), Utf8(test.Address()));
    Close();
}
} // namespace
