// The window layer's one promise every page builds on: a subclassed control's messages
// reach its object, the default processing stays, and destroying the window detaches it.
// The UI thread, the closable question and the sheet's message fan-out are driven by the
// pen monitor, service log and page tests.
#include <gtest/gtest.h>

#include <vector>

#include "framework/FrameWindow.h"

namespace {
// Records the messages its subclassed window receives.
class Recorder : public Window {
public:
    std::vector<UINT> seen;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= WM_APP)
            seen.push_back(msg);
        return DefaultProc(msg, wp, lp);
    }
};

HWND MakeStatic(HWND parent, int id) {
    return CreateWindowExW(0, L"STATIC", L"x", WS_CHILD, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                           GetModuleHandleW(nullptr), nullptr);
}
} // namespace

TEST(Window, SubclassRoutesMessagesAndKeepsDefaultProcessing) {
    FrameWindow frame;
    ASSERT_TRUE(frame.Create(L"test", WS_OVERLAPPEDWINDOW));
    HWND child = MakeStatic(frame, 100);
    Recorder recorder;
    ASSERT_TRUE(recorder.SubclassDlgItem(100, frame));
    EXPECT_EQ(Window::FromHandle(child), &recorder);
    // A window can carry only one object.
    Recorder second;
    EXPECT_FALSE(second.Subclass(child));

    recorder.SetText(L"Batería");
    EXPECT_EQ(frame.ItemText(100), L"Batería");
    frame.SendMessageToDescendants(WM_APP + 7);
    EXPECT_EQ(recorder.seen, std::vector<UINT>{WM_APP + 7});

    // Destroying the window detaches the object.
    frame.Destroy();
    EXPECT_EQ(recorder.Handle(), nullptr);
    EXPECT_EQ(frame.Handle(), nullptr);
}
