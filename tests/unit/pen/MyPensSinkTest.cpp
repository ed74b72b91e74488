// The pen monitor's event sink and message road, driven through Invoke as the pen
// manager calls it. Only this test's own pen ids are looked at: a pen manager of the
// prefix, if one is registered, may add its own pens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/FrameWindow.h"
#include "pen/MyPens.h"

namespace {
struct PenMessage {
    UINT msg;
    std::string penId;
    LONGLONG outboxId;
    bool operator==(const PenMessage&) const = default;
};

class Owner : public FrameWindow {
public:
    std::vector<PenMessage> received;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= MyPens::WM_PENDOCKED && msg <= MyPens::WM_OUTBOXITEMADDED) {
            std::string penId = reinterpret_cast<const char*>(wp);
            if (penId.rfind("TEST-", 0) == 0)
                received.push_back({msg, penId, lp ? *reinterpret_cast<const LONGLONG*>(lp) : -1});
            return 0;
        }
        return FrameWindow::WindowProc(msg, wp, lp);
    }
};

class PenMonitorSink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create(L"owner", WS_OVERLAPPEDWINDOW));
        ASSERT_TRUE(pens.Create(owner));
    }
    void TearDown() override {
        if (pens.IsRunning())
            pens.Destroy();
        owner.Destroy();
    }

    HRESULT Fire(DISPID id, const std::vector<VARIANT>& argsLastFirst) {
        DISPPARAMS params{const_cast<VARIANT*>(argsLastFirst.data()), nullptr, static_cast<UINT>(argsLastFirst.size()),
                          0};
        VARIANT result;
        VariantInit(&result);
        return pens.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    }
    HRESULT Fire(DISPID id, const wchar_t* penId) { return Fire(id, {Text(penId)}); }
    HRESULT FireOutbox(const wchar_t* penId, LONG high, LONG low) { return Fire(9, {Long(low), Long(high), Text(penId)}); }

    VARIANT Text(const wchar_t* text) {
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(text);
        strings.push_back(v.bstrVal);
        return v;
    }
    static VARIANT Long(LONG value) {
        VARIANT v;
        v.vt = VT_I4;
        v.lVal = value;
        return v;
    }

    // Pumps the owner's messages until count of them arrived, then a little longer to
    // catch any that should not have come. The monitor may be busy for a while starting
    // the prefix's pen manager (about a second when cold).
    void Receive(size_t count) {
        for (ULONGLONG end = GetTickCount64() + 8000; owner.received.size() < count && GetTickCount64() < end;)
            Pump();
        for (ULONGLONG end = GetTickCount64() + 100; GetTickCount64() < end;)
            Pump();
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }

    ~PenMonitorSink() override {
        for (BSTR s : strings)
            SysFreeString(s);
    }

    Owner owner;
    MyPens pens;
    std::vector<BSTR> strings;
};
} // namespace

TEST_F(PenMonitorSink, DockUndockUnlockAndOutboxReachTheOwnerOnlyForDockedPens) {
    EXPECT_EQ(Fire(10, L"TEST-A"), S_OK); // unlocked but not docked: dropped
    EXPECT_EQ(Fire(1, L"TEST-A"), S_OK);
    EXPECT_EQ(Fire(1, L"TEST-A"), S_OK); // the same dock twice: one message
    EXPECT_EQ(FireOutbox(L"TEST-A", 5, 7), S_OK);
    EXPECT_EQ(FireOutbox(L"TEST-A", 1, -1), S_OK);
    EXPECT_EQ(Fire(10, L"TEST-A"), S_OK);
    EXPECT_EQ(Fire(2, L"TEST-A"), S_OK);
    EXPECT_EQ(Fire(2, L"TEST-A"), S_OK);   // no longer docked: dropped
    EXPECT_EQ(FireOutbox(L"TEST-B", 1, 2), S_OK); // never docked: dropped
    Receive(5);
    const std::vector<PenMessage> expected{
        {MyPens::WM_PENDOCKED, "TEST-A", -1},
        {MyPens::WM_OUTBOXITEMADDED, "TEST-A", 5007},
        {MyPens::WM_OUTBOXITEMADDED, "TEST-A", 999},
        {MyPens::WM_PENUNLOCKED, "TEST-A", -1},
        {MyPens::WM_PENUNDOCKED, "TEST-A", -1},
    };
    EXPECT_EQ(owner.received, expected);
}

TEST_F(PenMonitorSink, DestroyReportsEveryDockedPenUndockedAndEndsTheThread) {
    Fire(1, L"TEST-D");
    Fire(1, L"TEST-E");
    Receive(2);
    ASSERT_EQ(owner.received.size(), 2u);
    pens.Destroy();
    EXPECT_FALSE(pens.IsRunning());
    Receive(4);
    ASSERT_EQ(owner.received.size(), 4u);
    EXPECT_EQ(owner.received[2], (PenMessage{MyPens::WM_PENUNDOCKED, "TEST-D", -1}));
    EXPECT_EQ(owner.received[3], (PenMessage{MyPens::WM_PENUNDOCKED, "TEST-E", -1}));
}
