// The More details sheet of the Details page against the stand-in: both addresses and the
// phone numbers as read (one read-only flag per address), changes on both address pages
// written back once each, an invalid phone number keeping the user on its page, and a
// pen going away while the sheet is open.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/driver/Driver.h"

namespace {
using ui::Control;
using ui::Sheet;
using ui::StandIn;

const std::wstring kPen = StandIn::kDemoPen;
const wchar_t kNoPen[] = L"El lápiz no está conectado/Lápiz bloqueado.";

class MoreDetails : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        s_userData = StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["userData"].dump();
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
        ASSERT_TRUE(StandIn::SetJson(kPen, L"/userData", s_userData));
        ASSERT_TRUE(StandIn::Dock(kPen));
    }
    static nlohmann::json UserData() { return StandIn::State()["pens"]["AAA-BBB-CCC-DD"]["userData"]; }
    // The panel on the Details page, then "Más detalles..." on its first page.
    void Open() {
        ASSERT_TRUE(app.Start(L"Quillpad.exe"));
        sheet = Sheet::Find(app.Pid(), ui::kSheetCaption);
        ASSERT_TRUE(sheet) << log.Dump();
        ASSERT_TRUE(sheet.SelectPage(L"Detalles personales"));
        ASSERT_TRUE(ui::WaitUntil([&] { return sheet.Item(IDC_DETAILS_NAME).IsEnabled(); }));
        sheet.Item(IDC_DETAILS_MORE).PostClick();
        more = Sheet::Find(app.Pid(), L"Más detalles");
        ASSERT_TRUE(more) << log.Dump();
        ASSERT_TRUE(ui::WaitUntil([&] { return more.IsReady() && more.IsVisible(); }));
        // Modal over the whole settings sheet.
        EXPECT_FALSE(IsWindowEnabled(sheet.Hwnd()));
    }
    std::vector<std::wstring> Texts(const std::vector<int>& ids) const {
        std::vector<std::wstring> texts;
        for (int id : ids)
            texts.push_back(more.Item(id).Text());
        return texts;
    }

    static inline std::string s_userData;
    DebugLog log;
    Process app;
    Sheet sheet;
    Sheet more;
};

const std::vector<int> kAddress = {IDC_ADDRESS_STREET, IDC_ADDRESS_STREET2, IDC_ADDRESS_CITY,
                                   IDC_ADDRESS_POSTAL, IDC_ADDRESS_STATE,   IDC_ADDRESS_COUNTRY};

TEST_F(MoreDetails, ShowsBothAddressesAndWritesEachBackOnce) {
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/invoiceAddress", L"true"));
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/pager", L"true"));
    Open();
    EXPECT_EQ(more.TabCaptions(),
              (std::vector<std::wstring>{L"Dirección de entrega", L"Dirección de facturación",
                                         L"Números de teléfono"}));
    EXPECT_EQ(Texts(kAddress), (std::vector<std::wstring>{L"Calle de Alcalá 123, 4º B", L"a/a Ana García",
                                                          L"Madrid", L"28009", L"Madrid", L"España"}));
    EXPECT_TRUE(more.Item(IDC_ADDRESS_CITY).IsEnabled());
    more.Item(IDC_ADDRESS_CITY).SelectAll();
    more.Item(IDC_ADDRESS_CITY).Type(L"Alcalá de Henares");

    // The invoice address is read-only as a whole: filled, disabled.
    ASSERT_TRUE(more.SelectPage(1));
    EXPECT_EQ(more.Item(IDC_ADDRESS_CITY).Text(), L"Barcelona");
    for (int id : kAddress)
        EXPECT_FALSE(more.Item(id).IsEnabled()) << id;
    ASSERT_TRUE(more.SelectPage(2));
    EXPECT_EQ(more.Item(IDC_HOME_PHONE).Text(), L"+34 91 123 45 67");
    EXPECT_TRUE(more.Item(IDC_HOME_PHONE).IsEnabled());
    EXPECT_FALSE(more.Item(IDC_PAGER).IsEnabled());

    const int cities = StandIn::CallCount("IPostalAddress::SetCity"),
              writeBacks = StandIn::CallCount("IPen::SetUserData");
    more.Button(Sheet::kApply).Click();
    EXPECT_EQ(StandIn::CallCount("IPostalAddress::SetCity"), cities + 1);
    EXPECT_EQ(StandIn::CallCount("IPen::SetUserData"), writeBacks + 1);
    EXPECT_EQ(UserData()["deliveryAddress"]["city"], "Alcalá de Henares");
    EXPECT_EQ(UserData()["invoiceAddress"]["city"], "Barcelona");
    more.Button(Sheet::kCancel).PostClick();
    ASSERT_TRUE(more.WaitClosed());
    sheet.Button(Sheet::kCancel).PostClick();
    ASSERT_TRUE(app.WaitExit(5000));

    // Both addresses changed: one write-back each.
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/invoiceAddress", L"false"));
    Open();
    more.Item(IDC_ADDRESS_POSTAL).SelectAll();
    more.Item(IDC_ADDRESS_POSTAL).Type(L"28801");
    ASSERT_TRUE(more.SelectPage(1));
    more.Item(IDC_ADDRESS_POSTAL).SelectAll();
    more.Item(IDC_ADDRESS_POSTAL).Type(L"08007");
    const int postals = StandIn::CallCount("IPostalAddress::SetPostal"),
              backs = StandIn::CallCount("IPen::SetUserData");
    more.Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(more.WaitClosed());
    EXPECT_EQ(StandIn::CallCount("IPostalAddress::SetPostal"), postals + 2);
    EXPECT_EQ(StandIn::CallCount("IPen::SetUserData"), backs + 2);
    EXPECT_EQ(UserData()["deliveryAddress"]["postal"], "28801");
    EXPECT_EQ(UserData()["invoiceAddress"]["postal"], "08007");
}

TEST_F(MoreDetails, AnInvalidPhoneNumberKeepsTheUserOnItsPage) {
    Open();
    ASSERT_TRUE(more.SelectPage(2));
    more.Item(IDC_BUSINESS_FAX).SelectAll();
    more.Item(IDC_BUSINESS_FAX).Type(L"+");
    ui::Post(more.Hwnd(), PSM_SETCURSEL, 0, 0);
    ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(app.Pid());
    ASSERT_TRUE(box);
    EXPECT_EQ(box.Caption(), L"Entrada no válida");
    box.Answer(IDOK);
    ASSERT_TRUE(box.WaitClosed());
    EXPECT_EQ(more.CurrentCaption(), L"Números de teléfono");
    const DWORD selection =
        static_cast<DWORD>(SendMessageW(more.Item(IDC_BUSINESS_FAX).Hwnd(), EM_GETSEL, 0, 0));
    EXPECT_EQ(HIWORD(selection), 1);
}

TEST_F(MoreDetails, UndockingClosesTheSheetAndShowsNoPen) {
    Open();
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(more.WaitClosed());
    EXPECT_TRUE(ui::WaitUntil([&] { return sheet.Item(IDC_DETAILS_NAME).Text() == kNoPen; }));
    // Docked again: the sheet opens on the pen's values.
    ASSERT_TRUE(StandIn::Dock(kPen));
    ASSERT_TRUE(ui::WaitUntil([&] { return sheet.Item(IDC_DETAILS_NAME).Text() == L"Ana García Núñez"; }));
    sheet.Item(IDC_DETAILS_MORE).PostClick();
    more = Sheet::Find(app.Pid(), L"Más detalles");
    ASSERT_TRUE(more);
    EXPECT_TRUE(ui::WaitUntil([&] { return more.Item(IDC_ADDRESS_CITY).Text() == L"Madrid"; }));
}
} // namespace
