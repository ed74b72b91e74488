// The property sheet layer on real comctl32 sheets: pages added and removed while the
// sheet runs, the kill-active refusal, Apply/OK routed to the handlers, SetModified
// driving the Apply button, modal and modeless runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/PropertySheet.h"
#include "res/resource.h"

namespace {
std::vector<std::string> g_events;

class TestPage : public PropertyPage {
public:
    explicit TestPage(std::string name) : PropertyPage(IDD_STATUS), m_name(std::move(name)) {}
    bool refuseKillActive = false;
    bool failApply = false;

    void Modify(bool changed) { SetModified(changed); }
    BOOL OnApply() override {
        g_events.push_back(m_name + ".apply");
        return !failApply;
    }

protected:
    BOOL OnSetActive() override {
        g_events.push_back(m_name + ".set");
        return TRUE;
    }
    BOOL OnKillActive() override {
        g_events.push_back(m_name + ".kill");
        return !refuseKillActive;
    }

private:
    std::string m_name;
};

class TestSheet : public PropertySheet {
public:
    using PropertySheet::PropertySheet;
    bool routeApplyHere = false;
    bool okOnInit = false;

protected:
    BOOL OnInitDialog() override {
        g_events.push_back("sheet.init");
        if (okOnInit)
            Post(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    void OnApply() override {
        g_events.push_back("sheet.apply");
        if (!routeApplyHere)
            PropertySheet::OnApply();
    }
};

HWND TabControl(const PropertySheet& sheet) {
    return reinterpret_cast<HWND>(sheet.Send(PSM_GETTABCONTROL));
}
int TabCount(const PropertySheet& sheet) {
    return static_cast<int>(SendMessageW(TabControl(sheet), TCM_GETITEMCOUNT, 0, 0));
}
bool ApplyEnabled(const PropertySheet& sheet) {
    return IsWindowEnabled(sheet.Item(PropertySheet::kApplyCommand));
}

struct ModelessSheet : ::testing::Test {
    TestPage first{"first"}, second{"second"}, third{"third"};
    TestSheet sheet{L"Hoja"};
    void SetUp() override {
        g_events.clear();
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        ASSERT_TRUE(sheet.Create(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    }
};
} // namespace

TEST_F(ModelessSheet, KillActiveRefusalKeepsTheUserOnThePage) {
    first.refuseKillActive = true;
    sheet.SetActivePage(1);
    EXPECT_EQ(sheet.GetActivePage(), &first);
    EXPECT_FALSE(second.IsWindow());
    first.refuseKillActive = false;
    sheet.SetActivePage(1);
    EXPECT_EQ(sheet.GetActivePage(), &second);
}

TEST_F(ModelessSheet, PagesComeAndGoWhileTheSheetRuns) {
    EXPECT_FALSE(sheet.AddPage(&first)); // already there
    EXPECT_TRUE(sheet.AddPage(&third));
    EXPECT_EQ(TabCount(sheet), 3);
    EXPECT_EQ(sheet.GetPageIndex(&third), 2);

    sheet.SetActivePage(&second);
    HWND secondWindow = second.Handle();
    EXPECT_TRUE(sheet.RemovePage(&second));
    EXPECT_FALSE(IsWindow(secondWindow));
    EXPECT_EQ(TabCount(sheet), 2);
    EXPECT_EQ(sheet.GetPageIndex(&second), -1);
    EXPECT_EQ(sheet.GetPageIndex(&third), 1);
    EXPECT_FALSE(sheet.RemovePage(&second));

    // A removed page can come back, with a new window when shown.
    EXPECT_FALSE(second.IsWindow());
    EXPECT_TRUE(sheet.AddPage(&second));
    EXPECT_TRUE(sheet.SetActivePage(&second));
    EXPECT_TRUE(second.IsWindow());
}

TEST_F(ModelessSheet, ModifiedPagesEnableApplyAndApplyReachesTheHandlers) {
    EXPECT_FALSE(ApplyEnabled(sheet));
    first.Modify(true);
    EXPECT_TRUE(ApplyEnabled(sheet));
    first.Modify(false);
    EXPECT_FALSE(ApplyEnabled(sheet));

    // The sheet's handler first; its default is comctl32's, which applies the pages.
    first.Modify(true);
    g_events.clear();
    sheet.Send(WM_COMMAND, MAKEWPARAM(PropertySheet::kApplyCommand, BN_CLICKED), 0);
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(g_events.front(), "sheet.apply");
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), "first.apply"), g_events.end());

    // A sheet that keeps Apply for itself: the pages are not asked.
    sheet.routeApplyHere = true;
    g_events.clear();
    sheet.Send(WM_COMMAND, MAKEWPARAM(PropertySheet::kApplyCommand, BN_CLICKED), 0);
    EXPECT_EQ(g_events, std::vector<std::string>{"sheet.apply"});
}

TEST(PropertySheet, ModalSheetEndsWithOkAfterApplyingItsPages) {
    g_events.clear();
    TestPage first{"first"}, second{"second"};
    TestSheet sheet{L"Modal"};
    sheet.okOnInit = true;
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.SetActivePage(1);
    sheet.DoModal();
    EXPECT_FALSE(sheet.IsWindow());
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), "second.set"), g_events.end());
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), "second.apply"), g_events.end());
    EXPECT_EQ(std::find(g_events.begin(), g_events.end(), "first.set"), g_events.end());
}
