// The property sheet layer on a real comctl32 sheet: pages added and removed while the
// sheet runs (the settings sheet follows its switches so). The kill-active refusal that
// keeps the user on a page, Apply, OK and SetModified are every page test's.
#include <gtest/gtest.h>

#include "framework/PropertySheet.h"
#include "res/resource.h"

namespace {
class TestPage : public PropertyPage {
public:
    TestPage() : PropertyPage(IDD_STATUS) {}
};

HWND TabControl(const PropertySheet& sheet) {
    return reinterpret_cast<HWND>(sheet.Send(PSM_GETTABCONTROL));
}
int TabCount(const PropertySheet& sheet) {
    return static_cast<int>(SendMessageW(TabControl(sheet), TCM_GETITEMCOUNT, 0, 0));
}

struct ModelessSheet : ::testing::Test {
    TestPage first, second, third;
    PropertySheet sheet{L"Hoja"};
    void SetUp() override {
        sheet.AddPage(&first);
        sheet.AddPage(&second);
        ASSERT_TRUE(sheet.Create(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    }
};
} // namespace

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
