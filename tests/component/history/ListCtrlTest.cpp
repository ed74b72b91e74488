// The hyperlink list: link colours from the browser's settings, the custom-draw answers
// it gives for link cells, the hand over a link and what a click does. A real list view in
// a parent window that says which cells are links.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "CoreTestSupport.h"
#include "controls/MyListCtrl.h"
#include "core/StringPackage.h"
#include "framework/Dialog.h"

namespace {

const wchar_t kBrowserKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";

using Cell = std::pair<int, int>;

// The list's parent: answers the link questions from its sets and records activations.
class LinkParent : public Window {
public:
    std::set<Cell> anchors;
    std::set<Cell> visited;
    std::vector<NMITEMACTIVATE> activations;

    bool Create() {
        RegisterClassFor(L"QpLinkParent");
        return CreateEx(0, L"QpLinkParent", L"links", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 200,
                        nullptr, nullptr);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != WM_NOTIFY)
            return DefaultProc(msg, wp, lp);
        auto* header = reinterpret_cast<NMHDR*>(lp);
        auto* cell = reinterpret_cast<NMLISTVIEW*>(lp);
        switch (header->code) {
        case MLN_ISANCHOR:
            return anchors.count({cell->iItem, cell->iSubItem}) ? 1 : 0;
        case MLN_ISANCHORVISITED:
            return visited.count({cell->iItem, cell->iSubItem}) ? 1 : 0;
        case MLN_ANCHORACTIVATE:
            activations.push_back(*reinterpret_cast<NMITEMACTIVATE*>(lp));
            return 0;
        default:
            return 0;
        }
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class ListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        ASSERT_TRUE(registry.ok);
    }
    void TearDown() override {
        list.reset();
        parent.Destroy();
    }

    static void SetBrowser(const wchar_t* name, const wchar_t* value) {
        ASSERT_TRUE(rawSetString(HKEY_CURRENT_USER, kBrowserKey, name, value));
    }

    // A parent with a 3 x 2 report list; (0, 1) and (1, 1) are links, (1, 1) visited.
    void MakeList() {
        // A pointer left over a link cell (by an earlier run on this display) would hover it
        // as soon as the list shows.
        SetCursorPos(0, 0);
        ASSERT_TRUE(parent.Create());
        parent.anchors = {{0, 1}, {1, 1}};
        parent.visited = {{1, 1}};
        HWND hwnd =
            CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 380, 150, parent,
                            reinterpret_cast<HMENU>(INT_PTR(101)), GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(hwnd);
        list = std::make_unique<MyListCtrl>();
        ASSERT_TRUE(list->Subclass(hwnd));
        list->InsertColumn(0, L"Servicio", 120);
        list->InsertColumn(1, L"URL", 200);
        for (int row = 0; row < 3; ++row) {
            list->InsertItem(row, L"Fax", -1);
            list->SetItemText(row, 1, L"https://a.es/" + std::to_wstring(row));
        }
        UpdateWindow(parent);
        Pump();
    }

    // The centre of a cell in the list's client coordinates.
    POINT CellPoint(int row, int column) const {
        RECT r;
        EXPECT_TRUE(list->GetSubItemRect(row, column, LVIR_LABEL, r));
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    // Puts the pointer over a cell and asks the list for its cursor there, as the system
    // does on a mouse move. Asked directly: the pointer is shared with the tests that run
    // beside this one on the same display, so a real move could be someone else's.
    bool HoverOver(int row, int column) {
        POINT screen = CellPoint(row, column);
        ClientToScreen(*list, &screen);
        for (int attempt = 0; attempt < 20 && !list->IsAnchorHover(row, column); ++attempt) {
            SetCursorPos(screen.x, screen.y);
            list->Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(list->Handle()),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        }
        return list->IsAnchorHover(row, column);
    }

    void Click(UINT down, POINT at, UINT up, POINT to) {
        list->Send(down, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        list->Send(up, 0, MAKELPARAM(to.x, to.y));
    }

    // One custom-draw stage through the reflection a dialog does for the list.
    LRESULT Draw(NMLVCUSTOMDRAW& draw, DWORD stage, int row, int column) {
        draw.nmcd.hdr = {list->Handle(), 101, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = stage;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        draw.iSubItem = column;
        draw.clrText = kUntouched;
        LRESULT result = -1;
        EXPECT_TRUE(list->Send(WM_REFLECTED_NOTIFY, reinterpret_cast<WPARAM>(&result),
                               reinterpret_cast<LPARAM>(&draw)));
        return result;
    }

    static bool Underlined(HDC dc) {
        LOGFONTW font{};
        GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
        return font.lfUnderline != 0;
    }

    static constexpr COLORREF kUntouched = RGB(1, 1, 1);
    ScratchRegistry registry;
    LinkParent parent;
    std::unique_ptr<MyListCtrl> list;
};

TEST_F(ListCtrlTest, LinkColoursComeFromTheBrowserSettingsOrTheirDefaults) {
    // No browser settings at all.
    EXPECT_EQ(MyListCtrl::GetAnchorColor(), RGB(0, 0, 255));
    EXPECT_EQ(MyListCtrl::GetAnchorColorVisited(), RGB(128, 0, 128));
    EXPECT_EQ(MyListCtrl::GetAnchorColorHover(), RGB(255, 0, 0));
    EXPECT_FALSE(MyListCtrl::GetUseAnchorColorHover());

    // Three numbers, each taken as its low byte (empty pieces do not count); anything
    // else leaves the default.
    const std::pair<const wchar_t*, COLORREF> colours[] = {
        {L"0,128,0", RGB(0, 128, 0)}, {L"0,128", RGB(0, 0, 255)},         {L"1,2,3,4", RGB(0, 0, 255)},
        {L"1,,2,3", RGB(1, 2, 3)},    {L"rojo,verde,azul", RGB(0, 0, 0)}, {L"256,257,-1", RGB(0, 1, 255)},
        {L"", RGB(0, 0, 255)}};
    for (const auto& [text, expected] : colours) {
        SetBrowser(L"Anchor Color", text);
        EXPECT_EQ(MyListCtrl::GetAnchorColor(), expected) << StringPackage::wideToUtf8(text);
    }
    SetBrowser(L"Anchor Color Visited", L"10,20,30");
    SetBrowser(L"Anchor Color Hover", L"40,50,60");
    EXPECT_EQ(MyListCtrl::GetAnchorColorVisited(), RGB(10, 20, 30));
    EXPECT_EQ(MyListCtrl::GetAnchorColorHover(), RGB(40, 50, 60));
    const std::pair<const wchar_t*, bool> switches[] = {
        {L"YES", true}, {L"yes", true}, {L"Yes", true}, {L"no", false}, {L"yes please", false}, {L"", false}};
    for (const auto& [text, on] : switches) {
        SetBrowser(L"Use Anchor Hover Color", text);
        EXPECT_EQ(MyListCtrl::GetUseAnchorColorHover(), on) << StringPackage::wideToUtf8(text);
    }
}

TEST_F(ListCtrlTest, LinkCellsAreDrawnInLinkColoursAndTheHoveredOneUnderlinedOrRecoloured) {
    SetBrowser(L"Anchor Color", L"0,128,0");
    SetBrowser(L"Anchor Color Visited", L"10,20,30");
    MakeList();
    const auto normalText = static_cast<COLORREF>(list->Send(LVM_GETTEXTCOLOR));
    HDC dc = CreateCompatibleDC(nullptr);
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdc = dc;

    EXPECT_EQ(Draw(draw, CDDS_PREPAINT, 0, 0), CDRF_NOTIFYSUBITEMDRAW);
    EXPECT_EQ(Draw(draw, CDDS_ITEMPREPAINT, 0, 0), CDRF_NOTIFYSUBITEMDRAW);
    // A plain cell is left to the list.
    EXPECT_EQ(Draw(draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, 0), CDRF_DODEFAULT);
    EXPECT_EQ(draw.clrText, kUntouched);
    // Links in the link colour, visited ones in theirs; not underlined without the mouse.
    EXPECT_EQ(Draw(draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, 1), CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(draw.clrText, RGB(0, 128, 0));
    EXPECT_FALSE(Underlined(dc));
    EXPECT_EQ(Draw(draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 1, 1), CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(draw.clrText, RGB(10, 20, 30));

    // The hovered link gets the underlined font; after it the normal look comes back.
    ASSERT_TRUE(HoverOver(0, 1));
    EXPECT_EQ(Draw(draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, 1), CDRF_NOTIFYPOSTPAINT | CDRF_NEWFONT);
    EXPECT_EQ(draw.clrText, RGB(0, 128, 0));
    EXPECT_TRUE(Underlined(dc));
    EXPECT_EQ(Draw(draw, CDDS_ITEMPOSTPAINT | CDDS_SUBITEM, 0, 1), CDRF_DODEFAULT);
    EXPECT_EQ(draw.clrText, normalText);
    EXPECT_FALSE(Underlined(dc));
    EXPECT_EQ(Draw(draw, CDDS_POSTPAINT, 0, 0), CDRF_DODEFAULT);

    // With the hover colour switch the hovered link is recoloured instead (read by a new list).
    SetBrowser(L"Anchor Color Hover", L"40,50,60");
    SetBrowser(L"Use Anchor Hover Color", L"YES");
    TearDown();
    MakeList();
    ASSERT_TRUE(HoverOver(0, 1));
    EXPECT_EQ(Draw(draw, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, 1), CDRF_NOTIFYPOSTPAINT);
    EXPECT_EQ(draw.clrText, RGB(40, 50, 60));
    EXPECT_FALSE(Underlined(dc));
    DeleteDC(dc);
}

TEST_F(ListCtrlTest, TheHandOverALinkAndAClickActivatesItWhileOnAPlainCellItSelectsTheRow) {
    MakeList();
    const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    ASSERT_TRUE(HoverOver(2, 0));
    EXPECT_EQ(GetCursor(), arrow);
    const POINT link = CellPoint(0, 1);
    ASSERT_TRUE(HoverOver(0, 1));
    EXPECT_FALSE(list->IsAnchorHover(2, 0));
    EXPECT_NE(GetCursor(), arrow);
    Click(WM_LBUTTONDOWN, link, WM_LBUTTONUP, link);
    ASSERT_EQ(parent.activations.size(), 1u);
    const NMITEMACTIVATE& a = parent.activations[0];
    EXPECT_EQ(
        std::tuple(a.hdr.code, a.hdr.hwndFrom, a.hdr.idFrom, a.iItem, a.iSubItem, a.ptAction.x, a.ptAction.y),
        std::tuple(MLN_ANCHORACTIVATE, list->Handle(), UINT_PTR(101), 0, 1, link.x, link.y));
    EXPECT_EQ(list->GetSelectedCount(), 0u);
    EXPECT_EQ(GetCapture(), nullptr);

    // Pressed on the link, released on another cell: nothing.
    ASSERT_TRUE(list->IsAnchorHover(0, 1));
    Click(WM_LBUTTONDOWN, link, WM_LBUTTONUP, CellPoint(2, 0));
    EXPECT_EQ(parent.activations.size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);

    // A plain cell selects its row as usual.
    const POINT plain = CellPoint(2, 0);
    ASSERT_TRUE(HoverOver(2, 0));
    Click(WM_LBUTTONDOWN, plain, WM_LBUTTONUP, plain);
    EXPECT_EQ(parent.activations.size(), 1u);
    EXPECT_EQ(list->GetNextItem(-1, LVNI_SELECTED), 2);
}

} // namespace
