// The More details sheet of the Details page against the stand-in: both addresses and the
// phone numbers as read (one read-only flag per address), every field of the three pages
// written to its own value and each page written back once, and an invalid phone number
// keeping the user on its page.
#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ui/driver/PageFixture.h"

namespace {
using ui::Sheet;
using ui::StandIn;

const std::vector<int> kAddress = {IDC_ADDRESS_STREET, IDC_ADDRESS_STREET2, IDC_ADDRESS_CITY,
                                   IDC_ADDRESS_POSTAL, IDC_ADDRESS_STATE,   IDC_ADDRESS_COUNTRY};

class MoreDetails : public ui::PageTest {
public:
    static void SetUpTestSuite() { ui::ShowInternetSettings(1); }
    // "Más detalles..." on the Details page, once it shows the pen: modal over the sheet.
    void OpenMore() {
        ASSERT_TRUE(ui::WaitUntil([&] { return Item(IDC_DETAILS_NAME).IsEnabled(); }));
        Item(IDC_DETAILS_MORE).PostClick();
        more = Sheet::Find(app.Pid(), L"Más detalles");
        ASSERT_TRUE(more) << log.Dump();
        EXPECT_FALSE(IsWindowEnabled(sheet.Hwnd()));
    }
    void Open() {
        StartOn(L"Detalles personales");
        OpenMore();
    }
    std::vector<std::wstring> Texts(const std::vector<int>& ids) const {
        std::vector<std::wstring> texts;
        for (int id : ids)
            texts.push_back(more.Item(id).Text());
        return texts;
    }

    Sheet more;
};

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
    Retype(more.Item(IDC_ADDRESS_CITY), L"Alcalá de Henares");

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
    Apply(more, "<--(MoreDetailsSheet::OnApply)");
    EXPECT_EQ(StandIn::CallCount("IPostalAddress::SetCity"), cities + 1);
    EXPECT_EQ(StandIn::CallCount("IPen::SetUserData"), writeBacks + 1);
    EXPECT_EQ(Pen()["userData"]["deliveryAddress"]["city"], "Alcalá de Henares");
    EXPECT_EQ(Pen()["userData"]["invoiceAddress"]["city"], "Barcelona");
    more.Button(Sheet::kCancel).PostClick();
    ASSERT_TRUE(more.WaitClosed());

    // Every field of the three pages changed: each reaches its own value, one write-back
    // for each address page and one for the phones.
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/invoiceAddress", L"false"));
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/pager", L"false"));
    Redock();
    OpenMore();
    const char* const addressKeys[] = {"street", "street2", "city", "postal", "state", "country"};
    const std::pair<int, const char*> phones[] = {{IDC_HOME_PHONE, "homePhone"},
                                                  {IDC_HOME_FAX, "homeFax"},
                                                  {IDC_PAGER, "pager"},
                                                  {IDC_BUSINESS_PHONE, "businessPhone"},
                                                  {IDC_BUSINESS_FAX, "businessFax"}};
    for (int page = 0; page < 2; ++page) {
        ASSERT_TRUE(more.SelectPage(page));
        for (size_t i = 0; i < kAddress.size(); ++i)
            Retype(more.Item(kAddress[i]), std::to_wstring(page * 10 + i));
    }
    ASSERT_TRUE(more.SelectPage(2));
    for (size_t i = 0; i < std::size(phones); ++i)
        Retype(more.Item(phones[i].first), L"9" + std::to_wstring(i));
    const int backs = StandIn::CallCount("IPen::SetUserData");
    more.Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(more.WaitClosed());
    EXPECT_EQ(StandIn::CallCount("IPen::SetUserData"), backs + 3);
    const nlohmann::json data = Pen()["userData"];
    for (size_t i = 0; i < kAddress.size(); ++i) {
        EXPECT_EQ(data["deliveryAddress"][addressKeys[i]], std::to_string(i)) << addressKeys[i];
        EXPECT_EQ(data["invoiceAddress"][addressKeys[i]], std::to_string(10 + i)) << addressKeys[i];
    }
    for (size_t i = 0; i < std::size(phones); ++i)
        EXPECT_EQ(data[phones[i].second], "9" + std::to_string(i)) << phones[i].second;
}

TEST_F(MoreDetails, AnInvalidPhoneNumberKeepsTheUserOnItsPage) {
    Open();
    ASSERT_TRUE(more.SelectPage(2));
    Retype(more.Item(IDC_BUSINESS_FAX), L"+");
    ui::Post(more.Hwnd(), PSM_SETCURSEL, 0, 0);
    std::wstring caption;
    EXPECT_NE(Answer(IDOK, &caption), L"(no box)");
    EXPECT_EQ(caption, L"Entrada no válida");
    EXPECT_EQ(more.CurrentCaption(), L"Números de teléfono");
    const DWORD selection =
        static_cast<DWORD>(SendMessageW(more.Item(IDC_BUSINESS_FAX).Hwnd(), EM_GETSEL, 0, 0));
    EXPECT_EQ(HIWORD(selection), 1);
}
} // namespace
