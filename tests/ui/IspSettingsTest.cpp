// "Especificaciones de ISP" from the Advanced page against the stand-in's paired phone:
// the four dial-up pages, what Apply writes (only the changed field, one write-back),
// the address controls' empty value, the authentication modes, failing calls, and the
// sheet going with the pen.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ui/driver/Driver.h"

namespace {
using namespace std::chrono_literals;
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const std::wstring kPen = StandIn::kDemoPen;
const wchar_t kProgramKey[] = L"Software\\Velar\\2.0\\Quillpad";
const wchar_t kIspCaption[] = L"Especificaciones de ISP";

class IspSettings : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(log.IsListening());
        HKEY key = nullptr;
        DWORD one = 1;
        RegCreateKeyExW(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        RegSetValueExW(key, L"ShowInternetSettings", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                       sizeof(one));
        RegCloseKey(key);
        ASSERT_TRUE(StandIn::Clear());
        ASSERT_TRUE(StandIn::Dock(kPen));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kProgramKey); }

    static nlohmann::json Account(const char* name) {
        return StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["pairedDevices"][0]["isp"][name];
    }
    static int Calls(const std::string& method) {
        const std::string calls = StandIn::Run({L"calls"}).out;
        int count = 0;
        for (size_t at = calls.find(method); at != std::string::npos; at = calls.find(method, at + 1))
            ++count;
        return count;
    }

    // The panel on the Advanced page, with the ISP sheet open on its first page.
    void OpenIsp() {
        ASSERT_TRUE(app.Start(L"Quillpad.exe"));
        panel = Sheet::Find(app.Pid(), ui::kSheetCaption);
        ASSERT_TRUE(panel) << log.Dump();
        ASSERT_TRUE(panel.SelectPage(L"Avanzado"));
        ASSERT_TRUE(ui::WaitUntil([&] { return panel.Item(IDC_ISP_SETTINGS).IsEnabled(); })) << log.Dump();
        panel.Item(IDC_ISP_SETTINGS).PostClick();
        isp = Sheet::Find(app.Pid(), kIspCaption);
        ASSERT_TRUE(isp) << log.Dump();
    }
    void Ok() {
        isp.Button(Sheet::kOk).PostClick();
        ASSERT_TRUE(isp.WaitClosed());
    }
    void Close() {
        panel.Button(Sheet::kCancel).PostClick();
        ASSERT_TRUE(app.WaitExit(5000));
    }
    Control Item(int id) const { return isp.Item(id); }

    DebugLog log;
    Process app;
    Sheet panel;
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
    // Nothing changed: OK writes nothing.
    const int writes = Calls("IPairedDevice::SetIspSettings");
    Ok();
    EXPECT_EQ(Calls("IPairedDevice::SetIspSettings"), writes);
    Close();
}

TEST_F(IspSettings, ApplyWritesOnlyTheChangedFieldsOnce) {
    ASSERT_TRUE(StandIn::Set(kPen, L"/pairedDevices/0/isp/osSecondary/authentication", L"3"));
    ASSERT_TRUE(StandIn::Set(kPen, L"/pairedDevices/0/isp/ssPrimary/primaryDns", L"10.0.0.1", true));
    OpenIsp();
    const int writes = Calls("IPairedDevice::SetIspSettings");
    const int apns = Calls("IDialUpAccount::SetApn");
    // SS primary: the primary DNS typed as 0.0.0.0 is the empty address; "Ninguno" is 2.
    Item(IDC_DIAL_PRIMARY_DNS).SetText(L"0.0.0.0");
    Item(IDC_DIAL_AUTHENTICATION).Select(2);
    EXPECT_TRUE(isp.Button(Sheet::kApply).IsEnabled());
    isp.Button(Sheet::kApply).Click();
    EXPECT_EQ(Account("ssPrimary").value("primaryDns", "?"), "");
    EXPECT_EQ(Account("ssPrimary").value("authentication", -1), 2);
    EXPECT_EQ(Calls("IPairedDevice::SetIspSettings"), writes + 1);

    // OS secondary: a stored mode 3 gives an empty, disabled combo; the APN alone is written.
    ASSERT_TRUE(isp.SelectPage(3));
    EXPECT_EQ(Item(IDC_DIAL_AUTHENTICATION).Selection(), -1);
    EXPECT_FALSE(Item(IDC_DIAL_AUTHENTICATION).IsEnabled());
    Item(IDC_DIAL_APN).SelectAll();
    Item(IDC_DIAL_APN).Type(L"apn.nuevo");
    Ok();
    EXPECT_EQ(Account("osSecondary").value("apn", "?"), "apn.nuevo");
    EXPECT_EQ(Account("osSecondary").value("authentication", -1), 3);
    EXPECT_EQ(Calls("IDialUpAccount::SetApn"), apns + 1);
    EXPECT_EQ(Calls("IPairedDevice::SetIspSettings"), writes + 2);
    Close();
}

TEST_F(IspSettings, FailuresAreLoggedToldAndWriteNothingElse) {
    const HRESULT kFailure = static_cast<HRESULT>(0x80004005);
    // A read that fails: the page shows the placeholder and writes nothing.
    ASSERT_TRUE(StandIn::Fail(L"IIspSettings::GetSSPrimaryAccount", kFailure));
    OpenIsp();
    EXPECT_TRUE(log.WaitFor(app.Pid(), "Error getting account (0x80004005).", 2s));
    EXPECT_EQ(Item(IDC_DIAL_STRING).Text(), L"Ha ocurrido un error imprevisto.");
    EXPECT_FALSE(Item(IDC_DIAL_STRING).IsEnabled());
    EXPECT_FALSE(Item(IDC_DIAL_ISDN).IsEnabled());
    ASSERT_TRUE(StandIn::Clear());

    // Setters and the write-back that fail: logged, told once, the page stays modified.
    struct Case {
        const wchar_t* method;
        const char* line;
    };
    for (Case c : {Case{L"IDialUpAccount::SetUsername", "Failed to set username (0x80004005)."},
                   Case{L"IPairedDevice::SetIspSettings", "Failed to set isp settings (0x80004005)."}}) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(isp.SelectPage(1));
        const std::string before = Account("ssSecondary").dump();
        ASSERT_TRUE(StandIn::Fail(c.method, kFailure));
        Item(IDC_DIAL_USERNAME).SelectAll();
        Item(IDC_DIAL_USERNAME).Type(L"otro");
        isp.Button(Sheet::kApply).PostClick();
        ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
        ASSERT_TRUE(box);
        box.Answer(IDOK);
        ASSERT_TRUE(box.WaitClosed());
        EXPECT_TRUE(log.Contains(app.Pid(), c.line));
        EXPECT_TRUE(isp.Button(Sheet::kApply).IsEnabled());
        EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
        EXPECT_EQ(Account("ssSecondary").dump(), before);
        ASSERT_TRUE(StandIn::Clear());
    }

    // The pen goes: the sheet goes with it, nothing written.
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(isp.WaitClosed());
    Close();
}
} // namespace
