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
        EXPECT_EQ(Item(IDC_DIAL_AUTHENTICATION).Items(),
                  (std::vector<std::wstring>{L"Normal", L"Seguro", L"Ninguno"}));
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

TEST_F(IspSettings, AValueThatCannotBeReadIsShownEmptyDisabledAndNeverWritten) {
    struct Case {
        const char* field;
        const wchar_t* getter;
        int control;
        const wchar_t* shown; // null: a check box or combo box, shown empty
    };
    const Case cases[] = {
        {"isdn", L"IDialUpAccount::IsIsdn", IDC_DIAL_ISDN, nullptr},
        {"dialString", L"IDialUpAccount::GetDialString", IDC_DIAL_STRING, kUnexpected},
        {"username", L"IDialUpAccount::GetUsername", IDC_DIAL_USERNAME, kUnexpected},
        {"password", L"IDialUpAccount::GetPassword", IDC_DIAL_PASSWORD, kUnexpected},
        {"primaryDns", L"IDialUpAccount::GetPrimaryDns", IDC_DIAL_PRIMARY_DNS, L""},
        {"secondaryDns", L"IDialUpAccount::GetSecondaryDns", IDC_DIAL_SECONDARY_DNS, L""},
        {"proxy", L"IDialUpAccount::GetProxy", IDC_DIAL_PROXY, kUnexpected},
        {"apn", L"IDialUpAccount::GetApn", IDC_DIAL_APN, kUnexpected},
        {"defaultIpAddress", L"IDialUpAccount::GetDefaultIpAddress", IDC_DIAL_DEFAULT_ADDRESS, L""},
        {"authentication", L"IDialUpAccount::GetAuthentication", IDC_DIAL_AUTHENTICATION, nullptr},
    };
    bool started = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ASSERT_TRUE(StandIn::Fail(c.getter, kFail));
        if (!std::exchange(started, true))
            OpenIsp();
        else
            OpenIspAgain();
        EXPECT_FALSE(Item(c.control).IsEnabled());
        if (c.shown)
            EXPECT_EQ(Item(c.control).Text(), c.shown);
        else if (c.control == IDC_DIAL_AUTHENTICATION)
            EXPECT_EQ(Item(c.control).Selection(), -1);
        else
            EXPECT_FALSE(Item(c.control).IsChecked());
        // Another field still works; the unread one is not written.
        std::wstring setterName = c.getter;
        const size_t verb = setterName.find(L"::") + 2;
        setterName.replace(verb, setterName.compare(verb, 2, L"Is") ? 3 : 2, L"Set");
        const std::string setter(setterName.begin(), setterName.end());
        const int sets = StandIn::CallCount(setter);
        const nlohmann::json before = Account("ssPrimary");
        const int writes = StandIn::CallCount("IPairedDevice::SetIspSettings");
        if (c.control == IDC_DIAL_AUTHENTICATION)
            Item(IDC_DIAL_ISDN).Click();
        else
            Item(IDC_DIAL_AUTHENTICATION).Select((Item(IDC_DIAL_AUTHENTICATION).Selection() + 1) % 3);
        Ok();
        EXPECT_EQ(StandIn::CallCount("IPairedDevice::SetIspSettings"), writes + 1);
        EXPECT_NE(Account("ssPrimary"), before);
        EXPECT_EQ(Account("ssPrimary")[c.field], before[c.field]);
        EXPECT_EQ(StandIn::CallCount(setter), sets);
        ASSERT_TRUE(StandIn::Clear());
    }
    Close();
}

TEST_F(IspSettings, EverySetterThatFailsIsLoggedAndToldAndNothingIsWrittenBack) {
    struct Case {
        int control;
        const wchar_t* setter;
        const char* line;
        const wchar_t* value;
    };
    const Case cases[] = {
        {IDC_DIAL_ISDN, L"SetIsdn", "Failed to set isdn (0x80004005).", L"Usar RDSI"},
        {IDC_DIAL_STRING, L"SetDialString", "Failed to set dial string (0x80004005).",
         L"Cadena de acceso telefónico"},
        {IDC_DIAL_USERNAME, L"SetUsername", "Failed to set username (0x80004005).", L"Nombre de usuario"},
        {IDC_DIAL_PASSWORD, L"SetPassword", "Failed to set password (0x80004005).", L"Contraseña"},
        {IDC_DIAL_PRIMARY_DNS, L"SetPrimaryDns", "Failed to set primary dns (0x80004005).", L"DNS primario"},
        {IDC_DIAL_SECONDARY_DNS, L"SetSecondaryDns", "Failed to set secondary dns (0x80004005).",
         L"DNS secundario"},
        {IDC_DIAL_PROXY, L"SetProxy", "Failed to set proxy (0x80004005).", L"Proxy"},
        {IDC_DIAL_APN, L"SetApn", "Failed to set apn (0x80004005).", L"APN"},
        {IDC_DIAL_DEFAULT_ADDRESS, L"SetDefaultIpAddress", "Failed to set default ip address (0x80004005).",
         L"Dirección predeterminada del lápiz"},
        {IDC_DIAL_AUTHENTICATION, L"SetAuthentication", "Failed to set authentication (0x80004005).",
         L"Modo de autenticación"},
    };
    for (const Case& c : cases)
        ASSERT_TRUE(
            StandIn::Fail(std::wstring(L"IDialUpAccount::") + c.setter, static_cast<HRESULT>(0x80004005)));
    OpenIsp();
    const std::string before = Account("ssPrimary").dump();
    const int writes = StandIn::CallCount("IPairedDevice::SetIspSettings");
    for (const Case& c : cases) {
        Control item = Item(c.control);
        if (c.control == IDC_DIAL_ISDN) {
            item.Click();
        } else if (c.control == IDC_DIAL_AUTHENTICATION) {
            item.Select((item.Selection() + 1) % 3);
        } else if (c.control == IDC_DIAL_PRIMARY_DNS || c.control == IDC_DIAL_SECONDARY_DNS ||
                   c.control == IDC_DIAL_DEFAULT_ADDRESS) {
            item.SetText(L"10.1.2.3");
        } else {
            item.SelectAll();
            item.Type(L"7");
        }
    }
    const std::wstring told = ApplyAndReadWhatWasNotSaved();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(log.Contains(app.Pid(), c.line));
        EXPECT_NE(told.find(std::wstring(L"\n- ") + c.value), std::wstring::npos);
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
