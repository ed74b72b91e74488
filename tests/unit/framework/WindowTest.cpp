#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "framework/ClosableMessageBox.h"
#include "framework/FrameWindow.h"
#include "framework/UiThread.h"

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

TEST(Window, SendMessageToDescendantsReachesGrandchildrenOnlyWhenDeep) {
    FrameWindow frame;
    ASSERT_TRUE(frame.Create(L"test", WS_OVERLAPPEDWINDOW));
    HWND child = CreateWindowExW(WS_EX_CONTROLPARENT, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, frame, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    MakeStatic(child, 200);
    Recorder grandchild;
    ASSERT_TRUE(grandchild.SubclassDlgItem(200, child));
    frame.SendMessageToDescendants(WM_APP + 1, 0, 0, false);
    EXPECT_TRUE(grandchild.seen.empty());
    frame.SendMessageToDescendants(WM_APP + 2, 0, 0, true);
    EXPECT_EQ(grandchild.seen, std::vector<UINT>{WM_APP + 2});
    frame.Destroy();
}

namespace {
class CountingThread : public UiThread {
public:
    std::atomic<LONG> idlePasses{0};
    std::vector<UINT> messages;
    bool exited = false;

protected:
    BOOL OnIdle(LONG) override {
        ++idlePasses;
        return FALSE;
    }
    bool OnThreadMessage(UINT msg, WPARAM, LPARAM) override {
        if (msg < WM_APP)
            return false;
        messages.push_back(msg);
        if (msg == WM_APP + 9)
            PostQuitMessage(0);
        return true;
    }
    int ExitInstance() override {
        exited = true;
        return 0;
    }
};
} // namespace

TEST(UiThread, HandlesThreadMessagesInOrderRunsIdleAndEndsOnQuit) {
    CountingThread thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.PostToThread(WM_APP + 1));
    // The queue runs dry after the message: the idle pass runs, and runs again when kicked.
    for (int i = 0; i < 250 && thread.idlePasses < 1; ++i)
        Sleep(20);
    LONG before = thread.idlePasses;
    EXPECT_GE(before, 1);
    EXPECT_TRUE(thread.Kick());
    for (int i = 0; i < 250 && thread.idlePasses == before; ++i)
        Sleep(20);
    EXPECT_GT(thread.idlePasses, before);
    EXPECT_TRUE(thread.PostToThread(WM_APP + 9));
    ASSERT_TRUE(thread.Join(5000));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.messages, (std::vector<UINT>{WM_APP + 1, WM_APP + 9}));
    EXPECT_TRUE(thread.exited);
}

namespace {
// Closes its own box with IDNO as soon as it exists, as a page does when the pen goes.
class SelfClosingBox : public ClosableMessageBox {
public:
    using ClosableMessageBox::ClosableMessageBox;
    HWND seen = nullptr;

protected:
    void OnBoxCreated(HWND hwnd) override {
        seen = hwnd;
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    }
};
} // namespace

TEST(ClosableMessageBox, OwnerCanAnswerAnOpenQuestion) {
    SelfClosingBox box;
    EXPECT_FALSE(box.IsOpen());
    EXPECT_EQ(box.Show(L"¿Desea continuar?", L"Pregunta", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    EXPECT_NE(box.seen, nullptr);
    EXPECT_FALSE(box.IsOpen());
}
