// The Details page against the stand-in: what the pen's user data shows (tables,
// read-only flags, values that can't be read), Apply writing only what changed in one
// write-back, validation on leaving the page, pen events and write failures.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>

#include "ui/driver/PageFixture.h"

namespace {
using namespace std::chrono_literals;
using ui::Sheet;
using ui::StandIn;

const wchar_t kDetailsTab[] = L"Detalles personales";

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

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
            out += std::to_string(s.id) + ": " + Narrow(Item(s.id).Text()) +
                   (Item(s.id).IsEnabled() ? " on\n" : " off\n");
        return out;
    }
    static int Setters() {
        int count = 0;
        for (const char* method : {"IUserData::SetName", "IUserData::SetEmail", "IUserData::SetCellPhone",
                                   "IUserData::SetFeedbackLanguage"})
            count += StandIn::CallCount(method);
        return count;
    }
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
    // Nothing changed since: OK writes nothing.
    sheet.Button(Sheet::kOk).PostClick();
    ASSERT_TRUE(app.WaitExit(5000));
    EXPECT_EQ(StandIn::CallCount("IPen::SetUserData"), writeBacks + 1);
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
    // Undocking while the message shows closes it and shows the no-pen state.
    ui::Post(sheet.Hwnd(), PSM_SETCURSEL, 0, 0);
    ASSERT_TRUE(ui::MessageBoxWindow::Wait(app.Pid()));
    ASSERT_TRUE(StandIn::Undock(kPen));
    EXPECT_TRUE(ui::WaitUntil([&] { return !ui::MessageBoxWindow::Find(app.Pid()); }));
    EXPECT_TRUE(Shows({{IDC_DETAILS_EMAIL, ui::kNoPenText, false}}));
    EXPECT_EQ(Pen()["userData"]["email"], "ana.garcia@correo.es");
}

TEST_F(DetailsPage, DockingAnotherPenShowsItsValues) {
    const std::wstring other = L"ZZZ-YYY-XXX-WW";
    // A pen the stand-in knows once it has been docked.
    ASSERT_TRUE(StandIn::Dock(other));
    ASSERT_TRUE(StandIn::Undock(other));
    ASSERT_TRUE(StandIn::SetJson(
        other, L"/userData",
        R"({"name":"Jordi Puig Serra","email":"jordi@correo.es","cellPhone":"+34 655 000 111",)"
        R"("feedbackLanguage":"fr","timeZone":0})"));
    Start();
    ASSERT_TRUE(Shows({{IDC_DETAILS_NAME, L"Ana García Núñez", true}}));
    ASSERT_TRUE(StandIn::Dock(other));
    EXPECT_TRUE(Shows({{IDC_DETAILS_NAME, L"Jordi Puig Serra", true},
                       {IDC_DETAILS_EMAIL, L"jordi@correo.es", true},
                       {IDC_DETAILS_LANGUAGE, L"Francés", true},
                       {IDC_DETAILS_TIME_ZONE, L"GMT", true}}));
    ASSERT_TRUE(StandIn::Undock(other));
}

TEST_F(DetailsPage, WriteFailuresAreLoggedAndToldOnce) {
    struct Case {
        const wchar_t* method;
        const char* logLine;
        bool timeZoneSaved;
    };
    // A setter that fails leaves the other fields written; a failed write-back none.
    const Case cases[] = {{L"IUserData::SetName", "Failed to set name (0x80004005).", true},
                          {L"IPen::SetUserData", "Failed to set user data (0x80004005).", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.method));
        RestorePen();
        Start();
        ASSERT_TRUE(Shows({{IDC_DETAILS_NAME, L"Ana García Núñez", true}}));
        ASSERT_TRUE(StandIn::Fail(c.method, kFail));
        Retype(Item(IDC_DETAILS_NAME), L"Ana G.");
        Item(IDC_DETAILS_TIME_ZONE).Select(15);
        // Told from inside the apply: posted, answered, no second box.
        sheet.Button(Sheet::kApply).PostClick();
        const std::wstring told = Answer(IDOK);
        EXPECT_NE(told.find(L"Su nombre"), std::wstring::npos) << Narrow(told);
        EXPECT_FALSE(ui::MessageBoxWindow::Find(app.Pid()));
        EXPECT_TRUE(log.WaitFor(app.Pid(), c.logLine, 2s)) << log.Dump();
        EXPECT_EQ(Pen()["userData"]["name"], "Ana García Núñez");
        EXPECT_EQ(Pen()["userData"]["timeZone"], c.timeZoneSaved ? 120 : 60);
        // What was not saved is still a change on the page.
        EXPECT_TRUE(ApplyEnabled());
        ASSERT_TRUE(StandIn::Clear());
        Close();
    }
}
} // namespace
