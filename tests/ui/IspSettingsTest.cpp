// "Especificaciones de ISP" from the Advanced page against the stand-in's paired phone:
// the four dial-up pages, what Apply writes (only the changed field, one write-back),
// the address controls' empty value, the authentication modes, failing calls, and an
// edit kept through failed writes and pen messages.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::PenMessage;
using ui::Press;
using ui::Sheet;
using ui::StandIn;
using ui::Write;

const wchar_t kIspCaption[] = L"Especificaciones de ISP";

class IspSettings : public ui::PageTest {
public:
    void SetUp() override {
        PageTest::SetUp();
        ui::ShowInternetSettings(1);
    }
    void TearDown() override {
        PageTest::TearDown();
        ui::ShowInternetSettings(0);
    }

    static nlohmann::json Account(const char* name) { return Pen()["pairedDevices"][0]["isp"][name]; }

    // The panel on the Advanced page, with the ISP sheet open on its first page.
    void OpenIsp() {
        StartOn(L"Avanzado", [&] { return sheet.Item(IDC_ISP_SETTINGS).IsEnabled(); });
        OpenIspAgain();
    }
    void OpenIspAgain() {
        sheet.Item(IDC_ISP_SETTINGS).PostClick();
        isp = Sheet::Find(app.Pid(), kIspCaption);
        ASSERT_TRUE(isp) << log.Dump();
    }
    // Applies with a posted click and answers the message that tells what was not saved.
    std::wstring ApplyAndReadWhatWasNotSaved() {
        isp.Button(Sheet::kApply).PostClick();
        return Answer(IDOK);
    }
    void Ok() {
        isp.Button(Sheet::kOk).PostClick();
        ASSERT_TRUE(isp.WaitClosed()) << log.Dump();
    }
    // The ISP sheet's control (the panel's are sheet.Item).
    Control Item(int id) const { return isp.Item(id); }

    Sheet isp;
};

TEST_F(IspSettings, FourPagesShowTheirAccount) {
    OpenIsp();
    EXPECT_EQ(isp.TabCaptions(), (std::vector<std::wstring>{L"SS primario", L"SS secundario", L"OS primario",
                                                            L"OS secundario"}));
    struct Case {
        const char* account;
        const wchar_t* dialString;
        int authentication;
    };
    const Case cases[] = {{"ssPrimary", L"*99#", 1},
                          {"ssSecondary", L"*99***1#", 0},
                          {"osPrimary", L"0901 20 30 40", 2},
                          {"osSecondary", L"0901 20 30 41", 1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].account);
        ASSERT_TRUE(isp.SelectPage(i));
        EXPECT_EQ(Item(IDC_DIAL_STRING).Text(), cases[i].dialString);
        EXPECT_EQ(Item(IDC_DIAL_AUTHENTICATION).Selection(), cases[i].authentication);
    }
    Close();
}

TEST_F(IspSettings, ApplyWritesOnlyTheChangedFieldsOnce) {
    ASSERT_TRUE(StandIn::Set(kPen, L"/pairedDevices/0/isp/osSecondary/authentication", L"3"));
    ASSERT_TRUE(StandIn::Set(kPen, L"/pairedDevices/0/isp/ssPrimary/primaryDns", L"10.0.0.1", true));
    OpenIsp();
    const int writes = StandIn::CallCount("IPairedDevice::SetIspSettings");
    const int apns = StandIn::CallCount("IDialUpAccount::SetApn");
    // SS primary: the primary DNS typed as 0.0.0.0 is the empty address; "Ninguno" is 2.
    Item(IDC_DIAL_PRIMARY_DNS).SetText(L"0.0.0.0");
    Item(IDC_DIAL_AUTHENTICATION).Select(2);
    EXPECT_TRUE(isp.Button(Sheet::kApply).IsEnabled());
    Apply(isp, "<--(IspSettingsSheet::OnApply)");
    EXPECT_EQ(Account("ssPrimary").value("primaryDns", "?"), "");
    EXPECT_EQ(Account("ssPrimary").value("authentication", -1), 2);
    EXPECT_EQ(StandIn::CallCount("IPairedDevice::SetIspSettings"), writes + 1);

    // OS secondary: a stored mode 3 gives an empty, disabled combo; the APN alone is written.
    ASSERT_TRUE(isp.SelectPage(3));
    EXPECT_EQ(Item(IDC_DIAL_AUTHENTICATION).Selection(), -1);
    EXPECT_FALSE(Item(IDC_DIAL_AUTHENTICATION).IsEnabled());
    Item(IDC_DIAL_APN).SelectAll();
    Item(IDC_DIAL_APN).Type(L"apn.nuevo");
    Ok();
    EXPECT_EQ(Account("osSecondary").value("apn", "?"), "apn.nuevo");
    EXPECT_EQ(Account("osSecondary").value("authentication", -1), 3);
    EXPECT_EQ(StandIn::CallCount("IDialUpAccount::SetApn"), apns + 1);
    EXPECT_EQ(StandIn::CallCount("IPairedDevice::SetIspSettings"), writes + 2);
    Close();
}

// Each field of a dial-up page: its value in the pen, its control, its getter, what it
// shows when that fails (null: a check box or combo box, shown empty), how the log names
// it and how a message names it.
struct DialField {
    const char* field;
    int control;
    const wchar_t* getter;
    const wchar_t* shown;
    const char* logged;
    const wchar_t* valueName;
};
const DialField kDialFields[] = {
    {"isdn", IDC_DIAL_ISDN, L"IsIsdn", nullptr, "isdn", L"Usar RDSI"},
    {"dialString", IDC_DIAL_STRING, L"GetDialString", ui::PageTest::kUnexpected, "dial string",
     L"Cadena de acceso telefónico"},
    {"username", IDC_DIAL_USERNAME, L"GetUsername", ui::PageTest::kUnexpected, "username",
     L"Nombre de usuario"},
    {"password", IDC_DIAL_PASSWORD, L"GetPassword", ui::PageTest::kUnexpected, "password", L"Contraseña"},
    {"primaryDns", IDC_DIAL_PRIMARY_DNS, L"GetPrimaryDns", L"", "primary dns", L"DNS primario"},
    {"secondaryDns", IDC_DIAL_SECONDARY_DNS, L"GetSecondaryDns", L"", "secondary dns", L"DNS secundario"},
    {"proxy", IDC_DIAL_PROXY, L"GetProxy", ui::PageTest::kUnexpected, "proxy", L"Proxy"},
    {"apn", IDC_DIAL_APN, L"GetApn", ui::PageTest::kUnexpected, "apn", L"APN"},
    {"defaultIpAddress", IDC_DIAL_DEFAULT_ADDRESS, L"GetDefaultIpAddress", L"", "default ip address",
     L"Dirección predeterminada del lápiz"},
    {"authentication", IDC_DIAL_AUTHENTICATION, L"GetAuthentication", nullptr, "authentication",
     L"Modo de autenticación"},
};
// "IDialUpAccount::SetApn" for the getter "GetApn" (and "IsIsdn").
std::wstring Setter(const DialField& f) {
    const std::wstring getter = f.getter;
    return L"IDialUpAccount::Set" + getter.substr(getter.rfind(L"Is", 0) == 0 ? 2 : 3);
}

TEST_F(IspSettings, AValueThatCannotBeReadIsShownEmptyDisabledAndNeverWritten) {
    bool started = false;
    for (const DialField& f : kDialFields) {
        SCOPED_TRACE(f.field);
        ASSERT_TRUE(StandIn::Fail(std::wstring(L"IDialUpAccount::") + f.getter, kFail));
        if (!std::exchange(started, true))
            OpenIsp();
        else
            OpenIspAgain();
        EXPECT_FALSE(Item(f.control).IsEnabled());
        if (f.shown)
            EXPECT_EQ(Item(f.control).Text(), f.shown);
        else if (f.control == IDC_DIAL_AUTHENTICATION)
            EXPECT_EQ(Item(f.control).Selection(), -1);
        else
            EXPECT_FALSE(Item(f.control).IsChecked());
        // Another field still works; the unread one is not written.
        const std::wstring setterName = Setter(f);
        const std::string setter(setterName.begin(), setterName.end());
        const int sets = StandIn::CallCount(setter);
        const nlohmann::json before = Account("ssPrimary");
        const int writes = StandIn::CallCount("IPairedDevice::SetIspSettings");
        if (f.control == IDC_DIAL_AUTHENTICATION)
            Item(IDC_DIAL_ISDN).Click();
        else
            Item(IDC_DIAL_AUTHENTICATION).Select((Item(IDC_DIAL_AUTHENTICATION).Selection() + 1) % 3);
        Ok();
        EXPECT_EQ(StandIn::CallCount("IPairedDevice::SetIspSettings"), writes + 1);
        EXPECT_NE(Account("ssPrimary"), before);
        EXPECT_EQ(Account("ssPrimary")[f.field], before[f.field]);
        EXPECT_EQ(StandIn::CallCount(setter), sets);
        ASSERT_TRUE(StandIn::Clear());
    }
    Close();
}

TEST_F(IspSettings, EverySetterThatFailsIsLoggedAndToldAndNothingIsWrittenBack) {
    for (const DialField& f : kDialFields)
        ASSERT_TRUE(StandIn::Fail(Setter(f), kFail));
    OpenIsp();
    const std::string before = Account("ssPrimary").dump();
    const int writes = StandIn::CallCount("IPairedDevice::SetIspSettings");
    for (const DialField& f : kDialFields) {
        Control item = Item(f.control);
        if (f.control == IDC_DIAL_ISDN) {
            item.Click();
        } else if (f.control == IDC_DIAL_AUTHENTICATION) {
            item.Select((item.Selection() + 1) % 3);
        } else if (f.shown && !*f.shown) { // an address control
            item.SetText(L"10.1.2.3");
        } else {
            item.SelectAll();
            item.Type(L"7");
        }
    }
    const std::wstring told = ApplyAndReadWhatWasNotSaved();
    for (const DialField& f : kDialFields) {
        SCOPED_TRACE(f.field);
        EXPECT_TRUE(log.Contains(app.Pid(), std::string("Failed to set ") + f.logged + " (0x80004005)."));
        EXPECT_NE(told.find(std::wstring(L"\n- ") + f.valueName), std::wstring::npos);
    }
    EXPECT_EQ(StandIn::CallCount("IPairedDevice::SetIspSettings"), writes);
    EXPECT_EQ(Account("ssPrimary").dump(), before);
    EXPECT_TRUE(isp.Button(Sheet::kApply).IsEnabled());
    Close();
}

TEST_F(IspSettings, SettingsOrAccountThatCannotBeHadShowTheErrorText) {
    // The page shows the placeholder. (The settings fail once: the Advanced page has read
    // them already.)
    struct Read {
        const wchar_t* method;
        int times;
        const char* line;
    };
    for (Read r : {Read{L"IIspSettings::GetSSPrimaryAccount", -1, "Error getting account (0x80004005)."},
                   Read{L"IPairedDevice::GetIspSettings", 1, "Error getting isp settings (0x80004005)."}}) {
        SCOPED_TRACE(r.line);
        if (!app.Pid()) {
            ASSERT_TRUE(StandIn::Fail(r.method, kFail, r.times));
            OpenIsp();
        } else {
            Ok();
            ASSERT_TRUE(StandIn::Fail(r.method, kFail, r.times));
            OpenIspAgain();
        }
        EXPECT_TRUE(log.WaitFor(app.Pid(), r.line, 2s));
        EXPECT_EQ(Item(IDC_DIAL_STRING).Text(), L"Ha ocurrido un error imprevisto.");
        EXPECT_FALSE(Item(IDC_DIAL_STRING).IsEnabled());
        EXPECT_FALSE(Item(IDC_DIAL_ISDN).IsEnabled());
        ASSERT_TRUE(StandIn::Clear());
    }
    Close();
}

TEST_F(IspSettings, ApplyOkAndCancelKeepAnEditUntilItIsSaved) {
    const ui::SheetUnderTest proxy{
        [&] {
            StandIn::Set(kPen, L"/pairedDevices/0/isp/ssPrimary/proxy", L"proxy.velar.es:8080", true);
            StandIn::Set(kPen, L"/pairedDevices/0/isp/ssPrimary/primaryDns", L"80.58.61.250", true);
            if (!Running()) {
                OpenIsp();
            } else {
                EXPECT_TRUE(ui::WaitUntil([&] { return sheet.Item(IDC_ISP_SETTINGS).IsEnabled(); }));
                OpenIspAgain();
            }
            return isp;
        },
        IDC_DIAL_PROXY,
        L"proxy2.velar.es:8080",
        L"proxy:",
        L"IPairedDevice::SetIspSettings",
        [] { return FromUtf8(Account("ssPrimary").value("proxy", "")); },
        L"Proxy"};
    for (const ui::SheetRow& row : ui::kSheetRows)
        Run(proxy, row);

    // An address, whose write is not a text's: every way it can go unsaved is told.
    ui::SheetUnderTest dns = proxy;
    dns.field = IDC_DIAL_PRIMARY_DNS;
    dns.typed = L"10.1.2.3";
    dns.setText = true;
    dns.penValue = [] { return FromUtf8(Account("ssPrimary").value("primaryDns", "")); };
    dns.valueName = L"DNS primario";
    for (const wchar_t* unsaved : {L"IPairedDevice::SetIspSettings", L"IPairedDevice::GetIspSettings",
                                   L"IIspSettings::GetSSPrimaryAccount", L"IPen::GetPairedDevices"}) {
        dns.writeBack = unsaved;
        Run(dns, {"presses OK, the address is not saved", Press::Ok, Write::Refused, PenMessage::None, true,
                  nullptr, 1, false, true});
    }
}
} // namespace
