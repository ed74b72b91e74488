// The Details page against the stand-in: what the pen's user data shows (tables,
// read-only flags, values that can't be read), Apply writing only what changed in one
// write-back, validation on leaving the page, pen events, and the More details sheet:
// both addresses and the phone numbers as read (one read-only flag per address), every
// field written to its own value with one write-back per page, and an edit kept through
// failed writes and pen messages.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "ui/driver/PageFixture.h"

namespace {
using ui::Sheet;
using ui::StandIn;

const wchar_t kDetailsTab[] = L"Detalles personales";
const std::vector<int> kAddress = {IDC_ADDRESS_STREET, IDC_ADDRESS_STREET2, IDC_ADDRESS_CITY,
                                   IDC_ADDRESS_POSTAL, IDC_ADDRESS_STATE,   IDC_ADDRESS_COUNTRY};

// One control as the user sees it.
struct Shown {
    int id;
    std::wstring text;
    bool enabled;
};

class DetailsPage : public ui::PageTest {
public:
    static void SetUpTestSuite() { ui::ShowInternetSettings(1); }
    void Start() { StartOn(kDetailsTab); }
    bool Shows(const std::vector<Shown>& expected) const {
        return ui::WaitUntil([&] {
            for (const Shown& s : expected)
                if (Item(s.id).Text() != s.text || Item(s.id).IsEnabled() != s.enabled)
                    return false;
            return true;
        });
    }
    std::string Dump(const std::vector<Shown>& expected) const {
        std::string out;
        for (const Shown& s : expected)
            out += std::to_string(s.id) + ": " + Utf8(Item(s.id).Text()) +
                   (Item(s.id).IsEnabled() ? " on\n" : " off\n");
        return out;
    }
    // "Más detalles..." once the page shows the pen: modal over the sheet.
    void OpenMore() {
        ASSERT_TRUE(ui::WaitUntil([&] { return Item(IDC_DETAILS_NAME).IsEnabled(); }));
        Item(IDC_DETAILS_MORE).PostClick();
        more = Sheet::Find(app.Pid(), L"Más detalles");
        ASSERT_TRUE(more) << log.Dump();
        EXPECT_FALSE(IsWindowEnabled(sheet.Hwnd()));
    }
    static int Setters() {
        int count = 0;
        for (const char* method : {"IUserData::SetName", "IUserData::SetEmail", "IUserData::SetCellPhone",
                                   "IUserData::SetFeedbackLanguage"})
            count += StandIn::CallCount(method);
        return count;
    }

    Sheet more;
};

TEST_F(DetailsPage, ShowsTheUserDataAsRead) {
    struct Case {
        const char* name;
        std::function<void()> set;
        std::vector<Shown> shown;
    };
    const Case cases[] = {
        {"demo pen",
         [] {},
         {{IDC_DETAILS_NAME, L"Ana García Núñez", true},
          {IDC_DETAILS_EMAIL, L"ana.garcia@correo.es", true},
          {IDC_DETAILS_CELL_PHONE, L"+34 612 345 678", true},
          {IDC_DETAILS_LANGUAGE, L"Español", true},
          {IDC_DETAILS_TIME_ZONE, L"GMT +01:00", true}}},
        {"upper-case code, quarter-hour zone",
         [] {
             StandIn::Set(kPen, L"/userData/feedbackLanguage", L"EN", true);
             StandIn::Set(kPen, L"/userData/timeZone", L"345");
         },
         {{IDC_DETAILS_LANGUAGE, L"Inglés", true}, {IDC_DETAILS_TIME_ZONE, L"GMT +05:45", true}}},
        {"values outside the tables",
         [] {
             StandIn::Set(kPen, L"/userData/feedbackLanguage", L"sv", true);
             StandIn::Set(kPen, L"/userData/timeZone", L"465");
         },
         {{IDC_DETAILS_LANGUAGE, L"", false}, {IDC_DETAILS_TIME_ZONE, L"", false}}},
        {"read-only flags",
         [] { StandIn::SetJson(kPen, L"/userData/readOnly", R"({"email":true,"timeZone":true})"); },
         {{IDC_DETAILS_NAME, L"Ana García Núñez", true},
          {IDC_DETAILS_EMAIL, L"ana.garcia@correo.es", false},
          {IDC_DETAILS_TIME_ZONE, L"GMT +01:00", false}}},
        {"GetName fails",
         [] { StandIn::Fail(L"IUserData::GetName", kFail); },
         {{IDC_DETAILS_NAME, kUnexpected, false}, {IDC_DETAILS_EMAIL, L"ana.garcia@correo.es", true}}},
        {"GetEmail fails",
         [] { StandIn::Fail(L"IUserData::GetEmail", kFail); },
         {{IDC_DETAILS_EMAIL, kUnexpected, false}, {IDC_DETAILS_CELL_PHONE, L"+34 612 345 678", true}}},
        {"GetCellPhone fails",
         [] { StandIn::Fail(L"IUserData::GetCellPhone", kFail); },
         {{IDC_DETAILS_CELL_PHONE, kUnexpected, false}, {IDC_DETAILS_NAME, L"Ana García Núñez", true}}},
        {"GetFeedbackLanguage fails",
         [] { StandIn::Fail(L"IUserData::GetFeedbackLanguage", kFail); },
         {{IDC_DETAILS_LANGUAGE, L"", false}, {IDC_DETAILS_TIME_ZONE, L"GMT +01:00", true}}},
        {"GetTimeZone fails",
         [] { StandIn::Fail(L"IUserData::GetTimeZone", kFail); },
         {{IDC_DETAILS_TIME_ZONE, L"", false}, {IDC_DETAILS_LANGUAGE, L"Español", true}}},
        {"no user data",
         [] { StandIn::Fail(L"IPen::GetUserData", kFail); },
         {{IDC_DETAILS_NAME, kUnexpected, false},
          {IDC_DETAILS_EMAIL, kUnexpected, false},
          {IDC_DETAILS_CELL_PHONE, kUnexpected, false},
          {IDC_DETAILS_LANGUAGE, L"", false},
          {IDC_DETAILS_TIME_ZONE, L"", false}}},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(StandIn::Clear());
        RestorePen();
        c.set();
        Redock();
        EXPECT_TRUE(Shows(c.shown)) << Dump(c.shown);
        EXPECT_FALSE(ApplyEnabled());
    }
    // Undocked: the no-pen text everywhere, nothing enabled.
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(Shows({{IDC_DETAILS_NAME, ui::kNoPenText, false},
                       {IDC_DETAILS_CELL_PHONE, ui::kNoPenText, false},
                       {IDC_DETAILS_TIME_ZONE, L"", false}}));
}

TEST_F(DetailsPage, ApplyWritesOnlyWhatChangedInOneWriteBack) {
    Start();
    ASSERT_TRUE(Shows({{IDC_DETAILS_TIME_ZONE, L"GMT +01:00", true}}));
    // Typing and restoring the text leaves nothing to apply.
    Retype(Item(IDC_DETAILS_NAME), L"Ana");
    EXPECT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }, 2000));
    Retype(Item(IDC_DETAILS_NAME), L"Ana García Núñez");
    EXPECT_TRUE(ui::WaitUntil([&] { return !ApplyEnabled(); }));

    const int setters = Setters(), zones = StandIn::CallCount("IUserData::SetTimeZone"),
              writeBacks = StandIn::CallCount("IPen::SetUserData");
    Item(IDC_DETAILS_TIME_ZONE).Select(22);
    ASSERT_TRUE(ui::WaitUntil([&] { return ApplyEnabled(); }, 2000));
    Apply();
    EXPECT_EQ(Pen()["userData"]["timeZone"], 345);
    EXPECT_EQ(StandIn::CallCount("IUserData::SetTimeZone"), zones + 1);
    EXPECT_EQ(StandIn::CallCount("IPen::SetUserData"), writeBacks + 1);
    EXPECT_EQ(Setters(), setters);
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(DetailsPage, InvalidTextKeepsTheUserOnTheField) {
    Start();
    ASSERT_TRUE(Shows({{IDC_DETAILS_EMAIL, L"ana.garcia@correo.es", true}}));
    Retype(Item(IDC_DETAILS_EMAIL), L"ana");
    ui::Post(sheet.Hwnd(), PSM_SETCURSEL, 0, 0);
    std::wstring caption;
    EXPECT_EQ(Answer(IDOK, &caption),
              L"La información ingresada no es válida. Asegúrese de completar correctamente los campos.");
    EXPECT_EQ(caption, L"Entrada no válida");
    EXPECT_EQ(sheet.CurrentCaption(), kDetailsTab);
    HWND email = Item(IDC_DETAILS_EMAIL).Hwnd();
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(ui::WaitUntil([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(email, nullptr), &info) && info.hwndFocus == email;
    }));
    const DWORD selection = static_cast<DWORD>(SendMessageW(email, EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 3);
}

TEST_F(DetailsPage, MoreDetailsShowsBothAddressesAndWritesEachBackOnce) {
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/invoiceAddress", L"true"));
    ASSERT_TRUE(StandIn::Set(kPen, L"/userData/readOnly/pager", L"true"));
    Start();
    OpenMore();
    EXPECT_EQ(more.TabCaptions(),
              (std::vector<std::wstring>{L"Dirección de entrega", L"Dirección de facturación",
                                         L"Números de teléfono"}));
    std::vector<std::wstring> delivery;
    for (int id : kAddress)
        delivery.push_back(more.Item(id).Text());
    EXPECT_EQ(delivery, (std::vector<std::wstring>{L"Calle de Alcalá 123, 4º B", L"a/a Ana García", L"Madrid",
                                                   L"28009", L"Madrid", L"España"}));
    EXPECT_TRUE(more.Item(IDC_ADDRESS_CITY).IsEnabled());

    // The invoice address is read-only as a whole: filled, disabled.
    ASSERT_TRUE(more.SelectPage(1));
    EXPECT_EQ(more.Item(IDC_ADDRESS_CITY).Text(), L"Barcelona");
    for (int id : kAddress)
        EXPECT_FALSE(more.Item(id).IsEnabled()) << id;
    ASSERT_TRUE(more.SelectPage(2));
    EXPECT_EQ(more.Item(IDC_HOME_PHONE).Text(), L"+34 91 123 45 67");
    EXPECT_TRUE(more.Item(IDC_HOME_PHONE).IsEnabled());
    EXPECT_FALSE(more.Item(IDC_PAGER).IsEnabled());

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

TEST_F(DetailsPage, MoreDetailsKeepsAnEditUntilItIsSaved) {
    const ui::SheetUnderTest phones{[&] {
                                        StandIn::Set(kPen, L"/userData/businessFax", L"+34 91 765 43 22",
                                                     true);
                                        if (!Running())
                                            Start();
                                        OpenMore();
                                        return more && more.SelectPage(2) ? more : Sheet();
                                    },
                                    IDC_BUSINESS_FAX,
                                    L"+34 91 000 00 00",
                                    L"+",
                                    L"IPen::SetUserData",
                                    [] { return FromUtf8(Pen()["userData"].value("businessFax", "")); },
                                    L"Nº de fax comercial"};
    for (const ui::SheetRow& row : ui::kSheetRows)
        Run(phones, row);
}

} // namespace
