// The service log window on the real stand-in's demo pen: rows from the outbox, links
// that turn visited in the pen, removal after the question, pen messages, placement and
// column widths kept in the settings. The owner is a small pen source, as the sheet is.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "CoreTestSupport.h"
#include "pen/HResultToMessage.h"
#include "core/Settings.h"
#include "dialogs/PenHistory.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "pen/MyPens.h"
#include "pen/PenSource.h"
#include "res/resource.h"
#include "ui/driver/Driver.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kDemoPen[] = L"AAA-BBB-CCC-DD";
const wchar_t kHistoryKey[] = L"Software\\Velar\\2.0\\Quillpad\\Windows\\History";
const LONG kResultWithLink = static_cast<LONG>(0x80040322);

// Lends the pen like the settings sheet; counts the WM_CLOSE it is asked to do.
class TestOwner : public Window, public PenSource {
public:
    ComPtr<IPen> pen;
    int closes = 0;

    IPen* GetPen() override { return pen.Get(); }
    bool Create(bool visible) {
        RegisterClassFor(L"QpHistoryOwner");
        return CreateEx(0, L"QpHistoryOwner", L"owner", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10,
                        10, 300, 200, nullptr, nullptr);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CLOSE) {
            ++closes;
            return 0;
        }
        return DefaultProc(msg, wp, lp);
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The next question box of this process, once it shows, read, given first() and answered
// with button (0: left to first()). From a thread of its own: the box runs its modal loop
// on the test's thread.
struct QuestionBox {
    std::thread answering;
    std::wstring text, caption;
    // What the box said, once the thread is through with it.
    const QuestionBox& Read() {
        if (answering.joinable())
            answering.join();
        return *this;
    }

    void Answer(int button, std::function<void()> first = {}) {
        answering = std::thread([this, button, first] {
            ui::MessageBoxWindow box = ui::MessageBoxWindow::Wait(GetCurrentProcessId());
            text = box.Text();
            caption = box.Caption();
            if (first)
                first();
            if (button)
                box.Answer(button);
        });
    }
    ~QuestionBox() { Read(); }
};

std::vector<LONG> Edges(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

RECT WindowRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

int Stored(const wchar_t* name, const wchar_t* subkey = nullptr) {
    const std::wstring key = subkey ? std::wstring(kHistoryKey) + L"\\" + subkey : kHistoryKey;
    DWORD value = 0;
    return rawGetNumber(HKEY_CURRENT_USER, key, name, value) ? static_cast<int>(value) : -1;
}

// ctest runs this in a zone apart from UTC by a part of an hour: only there does a time
// shown in UTC, or off by whole hours, fail a check against LocalTimeText.
bool InPartHourTimeZone() {
    TIME_ZONE_INFORMATION zone{};
    return GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias % 60 != 0;
}

std::wstring LocalTimeText(__time64_t seconds) {
    tm local{};
    _localtime64_s(&local, &seconds);
    wchar_t text[32];
    wcsftime(text, 32, L"%Y-%m-%d %H:%M:%S", &local);
    return text;
}

class PenHistoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&s_manager)));
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER,
                                                  IID_PPV_ARGS(&s_control)));
        // Settings of this process only, in place before the settings store opens its trees.
        s_registry = new ScratchRegistry;
        ASSERT_TRUE(s_registry->ok);
        Settings::setApplicationKey("Quillpad");
        // Links open in a "browser" that ends at once.
        ASSERT_TRUE(rawSetString(HKEY_CLASSES_ROOT, L".html", L"", L"QpHistoryBrowser"));
        ASSERT_TRUE(rawSetString(HKEY_CLASSES_ROOT, L"QpHistoryBrowser\\shell\\open\\command", L"",
                                 L"\"C:\\windows\\system32\\rundll32.exe\" \"%1\""));
    }
    static void TearDownTestSuite() {
        s_control.Reset();
        s_manager.Reset();
        delete s_registry;
        CoUninitialize();
    }

    void SetUp() override {
        s_control->ClearFaults();
        RegDeleteTreeW(HKEY_CURRENT_USER, kHistoryKey);
        Bstr id(kDemoPen);
        ASSERT_HRESULT_SUCCEEDED(s_manager->GetPen(id.Get(), &owner.pen));
    }
    void TearDown() override {
        history.reset();
        owner.Destroy();
        DeleteDC(dc);
        s_control->ClearFaults();
    }

    static void SetOutbox(std::initializer_list<std::wstring> items) {
        std::wstring json;
        for (const std::wstring& item : items)
            json += (json.empty() ? L"[" : L",") + item;
        Bstr path(L"/pens/AAA-BBB-CCC-DD/outbox");
        Bstr value(json.empty() ? L"[]" : json + L"]");
        ASSERT_HRESULT_SUCCEEDED(s_control->SetJson(path.Get(), value.Get()));
    }
    static std::wstring Item(LONG status, const std::wstring& service, LONG seconds, LONG result,
                             const std::wstring& url, const std::wstring& extra = L"") {
        return L"{\"status\": " + std::to_wstring(status) + L", \"serviceName\": \"" + service +
               L"\", \"seconds\": " + std::to_wstring(seconds) + L", \"milliseconds\": 250, \"result\": " +
               std::to_wstring(result) + L", \"url\": \"" + url + L"\", \"message\": \"Mensaje " +
               std::to_wstring(seconds) + L"\"" + extra + L"}";
    }
    static ComPtr<IOutboxItem> PenItem(LONG seconds, LONG milliseconds) {
        Bstr id(kDemoPen);
        ComPtr<IPen> pen;
        ComPtr<IOutbox> outbox;
        ComPtr<IOutboxItem> item;
        if (SUCCEEDED(s_manager->GetPen(id.Get(), &pen)) && SUCCEEDED(pen->GetOutbox(&outbox)))
            outbox->GetItemByTime(seconds, milliseconds, &item);
        return item;
    }

    void Open(bool ownerVisible = false) {
        if (!owner.Handle()) {
            ASSERT_TRUE(owner.Create(ownerVisible));
        }
        history = std::make_unique<PenHistory>();
        ASSERT_TRUE(history->Create(owner));
        history->Show();
        list = GetDlgItem(*history, IDC_HISTORY_LIST);
    }
    void Reload() {
        history->Show(SW_HIDE);
        history->Show();
    }
    // One custom-draw stage of a cell, sent to the window as the list would.
    LRESULT DrawCell(int row, int column, COLORREF& colour) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = {list, IDC_HISTORY_LIST, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        draw.nmcd.hdc = dc;
        draw.iSubItem = column;
        const LRESULT result = history->Send(WM_NOTIFY, IDC_HISTORY_LIST, reinterpret_cast<LPARAM>(&draw));
        colour = draw.clrText;
        return result;
    }
    void ClickLink(int row) {
        NMITEMACTIVATE click{};
        click.hdr = {list, IDC_HISTORY_LIST, MLN_ANCHORACTIVATE};
        click.iItem = row;
        click.iSubItem = 2;
        history->Send(WM_NOTIFY, IDC_HISTORY_LIST, reinterpret_cast<LPARAM>(&click));
    }
    void ClickRemove() {
        history->Send(WM_COMMAND, MAKEWPARAM(IDC_REMOVE_ITEM, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(*history, IDC_REMOVE_ITEM)));
    }
    ui::ListView Items() const { return ui::ListView(list); }
    bool RemoveEnabled() const { return IsWindowEnabled(GetDlgItem(*history, IDC_REMOVE_ITEM)); }

    static inline ComPtr<IPenManager> s_manager;
    static inline ComPtr<IPenManagerControl> s_control;
    static inline ScratchRegistry* s_registry = nullptr;
    TestOwner owner;
    std::unique_ptr<PenHistory> history;
    HWND list = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
};

TEST_F(PenHistoryTest, RowsShowTheOutboxRequestsWithTheirIconsDatesAndAnswers) {
    SetOutbox({Item(0, L"Correo", 1000000000, 0, L"https://a.es/1"),
               Item(3, L"Oculto", 1000000100, 0, L"https://a.es/2"),
               Item(-1, L"Fax", 1000000200, kResultWithLink, L"https://a.es/3"),
               Item(2, L"Correo", 1000000300, static_cast<LONG>(0x80040315), L"https://a.es/4"),
               Item(7, L"", 1000000400, 0, L"", L", \"tabbet\": 1, \"network\": true"),
               L"{\"status\": 1, \"serviceName\": \"\", \"tabbet\": 2, \"network\": false, \"seconds\": 5,"
               L" \"result\": 0, \"url\": \"\", \"message\": \"\"}"});
    Open();
    ASSERT_EQ(Items().Count(), 5); // the status 3 request is not listed
    EXPECT_TRUE(IsWindowEnabled(list));
    EXPECT_FALSE(RemoveEnabled());

    // Status 0: the time stamp 1000000000.250 in local time, link and message. Status -1: a
    // refused request that still brings a link and its message. A failed request: the error
    // text and no link. Unnamed services are named by where they run; without the
    // milliseconds the time is unknown.
    ASSERT_TRUE(InPartHourTimeZone()) << "run with TZ as ctest sets it";
    const std::tuple<int, int, std::wstring> cells[] = {
        {0, 0, L"Correo"},
        {0, 1, LocalTimeText(1000000000)},
        {0, 2, L"https://a.es/1"},
        {0, 3, L"Mensaje 1000000000"},
        {1, 2, L"https://a.es/3"},
        {1, 3, L"Mensaje 1000000200"},
        {2, 2, L""},
        {2, 3, HResultToMessage(static_cast<HRESULT>(0x80040315))},
        {3, 0, LoadResString(IDS_SERVICE_INTERNET)},
        {4, 0, LoadResString(IDS_SERVICE_LOCAL)},
        {4, 1, L""}};
    for (const auto& [row, column, text] : cells)
        EXPECT_EQ(Items().Text(row, column), text) << "row " << row << ", column " << column;
    // The program's icon for status 0, then those of -1, a failure and a local service.
    for (auto [row, image] : {std::pair{0, 0}, {1, 4}, {2, 2}, {4, 1}})
        EXPECT_EQ(Items().Image(row), image) << "row " << row;

    // An item that can't be read is left out, and said so.
    Bstr method(L"IOutbox::GetItem");
    ASSERT_HRESULT_SUCCEEDED(s_control->FailMethod(method.Get(), E_FAIL, 1));
    LogCapture log;
    Reload();
    EXPECT_TRUE(log.has("Failed getting item 0 (0x80004005)."));
    ASSERT_EQ(Items().Count(), 4);
    EXPECT_EQ(Items().Text(0, 0), L"Fax");
}

TEST_F(PenHistoryTest, ClickedLinksOpenTheBrowserAndStayVisitedInThePen) {
    SetOutbox({Item(0, L"Correo", 1000000000, 0, L"https://a.es/1"),
               Item(0, L"Correo", 1000000001, 0, L"ftp://a.es/2"),
               Item(0, L"Fax", 1000000002, static_cast<LONG>(0x80040315), L"https://a.es/3")});
    Open();
    ASSERT_EQ(Items().Count(), 3);
    // Through the dialog's reflection the list draws its link cells itself.
    COLORREF colour = 0;
    EXPECT_EQ(DrawCell(0, 2, colour), CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(colour, RGB(0, 0, 255));
    EXPECT_EQ(DrawCell(0, 3, colour), CDRF_DODEFAULT);
    EXPECT_EQ(DrawCell(2, 2, colour), CDRF_DODEFAULT); // an error row has no link

    ClickLink(0);
    VARIANT_BOOL visited = VARIANT_FALSE;
    ComPtr<IOutboxItem> item = PenItem(1000000000, 250);
    ASSERT_NE(item.Get(), nullptr);
    ASSERT_HRESULT_SUCCEEDED(item->IsVisited(&visited));
    EXPECT_EQ(visited, VARIANT_TRUE);
    EXPECT_EQ(DrawCell(0, 2, colour), CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(colour, RGB(128, 0, 128));

    // A link the browser is not given stays unvisited.
    ClickLink(1);
    ASSERT_HRESULT_SUCCEEDED(PenItem(1000000001, 250)->IsVisited(&visited));
    EXPECT_EQ(visited, VARIANT_FALSE);

    // The visited state is the pen's: it survives a reload.
    Reload();
    DrawCell(0, 2, colour);
    EXPECT_EQ(colour, RGB(128, 0, 128));
    DrawCell(1, 2, colour);
    EXPECT_EQ(colour, RGB(0, 0, 255));
}

// The question answered No, answered Yes while the pen refuses the removal, answered Yes:
// only the last takes the row out of the list and the request out of the pen.
TEST_F(PenHistoryTest, RemovalAsksAndTakesOnlyWhatThePenRemoved) {
    SetOutbox({Item(1, L"Uno", 1000000000, 0, L""), Item(1, L"Dos", 1000000001, 0, L"")});
    Open();
    const struct {
        int answer;
        const wchar_t* failing;
        int rows;
    } cases[] = {{IDNO, nullptr, 2}, {IDYES, L"IOutboxItem::Remove", 2}, {IDYES, nullptr, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.answer << (c.failing ? " failing" : ""));
        if (c.failing) {
            Bstr method(c.failing);
            ASSERT_HRESULT_SUCCEEDED(s_control->FailMethod(method.Get(), E_FAIL, -1));
        }
        Items().Select(1);
        EXPECT_TRUE(RemoveEnabled());
        QuestionBox box;
        box.Answer(c.answer);
        ClickRemove();
        s_control->ClearFaults();
        EXPECT_EQ(box.Read().caption, L"Quitar solicitud de servicio");
        EXPECT_EQ(Items().Count(), c.rows);
        EXPECT_EQ(Items().Text(0, 0), L"Uno");
        EXPECT_EQ(PenItem(1000000001, 250).Get() != nullptr, c.rows == 2);
    }
    EXPECT_FALSE(RemoveEnabled()) << "nothing is selected any more";
}

// A pen message during the question answers it No and reloads the list; without a pen
// the list is empty and disabled.
TEST_F(PenHistoryTest, PenMessagesReloadAndAnswerAnOpenQuestionNo) {
    SetOutbox({Item(1, L"Uno", 1000000000, 0, L""), Item(1, L"Dos", 1000000001, 0, L"")});
    Open();
    Items().Select(1);
    SetOutbox({Item(1, L"Uno", 1000000000, 0, L""), Item(1, L"Dos", 1000000001, 0, L""),
               Item(1, L"Tres", 1000000002, 0, L"")});
    QuestionBox box;
    const char* pen = "AAA-BBB-CCC-DD"; // docked again while the question is open: it answers it
    box.Answer(0, [&] { history->Send(MyPens::WM_PENDOCKED, reinterpret_cast<WPARAM>(pen), 0); });
    ClickRemove();
    EXPECT_FALSE(box.Read().text.empty());
    EXPECT_EQ(Items().Count(), 3);
    EXPECT_NE(PenItem(1000000001, 250).Get(), nullptr); // not removed

    Items().Select(0);
    owner.pen.Reset();
    history->Send(MyPens::WM_PENUNDOCKED, reinterpret_cast<WPARAM>(pen), 0);
    EXPECT_EQ(Items().Count(), 0);
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_FALSE(RemoveEnabled());
}

TEST_F(PenHistoryTest, PlacementSizeLimitsAndColumnWidthsAreKeptForTheNextStart) {
    SetOutbox({});
    Open();
    // First start: centred on the work area (the owner is hidden).
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT first = WindowRect(*history);
    EXPECT_NEAR((first.left + first.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((first.top + first.bottom) / 2, (work.top + work.bottom) / 2, 1);

    // Growing the window grows the list and moves the buttons with the corner.
    const RECT listBefore = WindowRect(list);
    const RECT buttonBefore = WindowRect(GetDlgItem(*history, IDOK));
    const int width = first.right - first.left + 80, height = first.bottom - first.top + 60;
    SetWindowPos(*history, nullptr, 100, 120, width, height, SWP_NOZORDER);
    const RECT listAfter = WindowRect(list);
    const RECT buttonAfter = WindowRect(GetDlgItem(*history, IDOK));
    EXPECT_EQ(listAfter.right - listAfter.left, listBefore.right - listBefore.left + 80);
    EXPECT_EQ(listAfter.bottom - listAfter.top, listBefore.bottom - listBefore.top + 60);
    EXPECT_EQ(buttonAfter.left - 100, buttonBefore.left - first.left + 80);
    EXPECT_EQ(buttonAfter.top - 120, buttonBefore.top - first.top + 60);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, 150);

    history.reset();
    EXPECT_EQ((std::vector<int>{Stored(L"Left"), Stored(L"Top"), Stored(L"Right"), Stored(L"Bottom"),
                                Stored(L"Date", L"Outbox"), Stored(L"Service", L"Outbox")}),
              (std::vector<int>{100, 120, 100 + width, 120 + height, 150, 75}));

    Open();
    EXPECT_EQ(Edges(WindowRect(*history)), Edges({100, 120, 100 + width, 120 + height}));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 150);
    const RECT listAgain = WindowRect(list);
    EXPECT_EQ(listAgain.right - listAgain.left, listAfter.right - listAfter.left);

    // Sizing stops at 320 x 240, moving the dragged edges.
    for (auto [edge, sized] : {std::pair{WMSZ_LEFT, RECT{200 - 320, 100, 200, 100 + 240}},
                               {WMSZ_TOPRIGHT, RECT{100, 150 - 240, 100 + 320, 150}}}) {
        RECT small{100, 100, 200, 150};
        history->Send(WM_SIZING, edge, reinterpret_cast<LPARAM>(&small));
        EXPECT_EQ(Edges(small), Edges(sized)) << "edge " << edge;
    }

    // A placement saved on a larger desktop is pulled back onto this one.
    history.reset();
    ASSERT_TRUE(rawSetNumber(HKEY_CURRENT_USER, kHistoryKey, L"Left", 5000));
    ASSERT_TRUE(rawSetNumber(HKEY_CURRENT_USER, kHistoryKey, L"Right", 5000 + width));
    Open();
    const RECT pulled = WindowRect(*history);
    EXPECT_EQ(pulled.right, work.right);
    EXPECT_EQ(pulled.right - pulled.left, width);
    EXPECT_EQ(pulled.top, 120);
}

TEST_F(PenHistoryTest, ClosingOnlyHidesWhileTheOwnerIsShown) {
    SetOutbox({});
    Open(true);
    history->Send(WM_CLOSE);
    EXPECT_TRUE(history->IsWindow());
    EXPECT_FALSE(history->IsVisible());
    history->Show();
    history->Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); // "Cerrar"
    EXPECT_TRUE(history->IsWindow());
    EXPECT_FALSE(history->IsVisible());
    Pump();
    EXPECT_EQ(owner.closes, 0); // (the log alone on the screen closes it: the start-up test's)
}

} // namespace
