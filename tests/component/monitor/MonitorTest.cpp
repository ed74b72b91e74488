// The pen monitor against the real stand-in, through real COM: a pen manager that is
// not there at start, and one that is killed while a pen is docked and comes back.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "MonitorHarness.h"
#include "kit/ServerPath.h"
#include "StandIn.h"

using Microsoft::WRL::ComPtr;
using Monitor::Owner;
using Monitor::Warnings;

namespace {

const char kDemoPen[] = "AAA-BBB-CCC-DD";

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        Warnings::instance().clear();
        ASSERT_TRUE(owner.Create(L"owner", WS_OVERLAPPEDWINDOW));
    }
    void TearDown() override {
        if (pens.IsRunning())
            pens.Destroy();
        owner.Destroy();
        CoUninitialize();
    }

    Owner owner;
    MyPens pens;
};

TEST_F(MonitorTest, PenManagerStartedAfterTheMonitorReportsItsDockedPens) {
    ASSERT_FALSE(StandIn::running());
    HANDLE server = nullptr;
    {
        ServerPath unregistered(kPenManagerClass, L"LocalServer32", nullptr); // no client can start it
        ASSERT_TRUE(unregistered.done());
        ASSERT_TRUE(pens.Create(owner));
        // Every idle pass tries again, at least every 500 ms.
        ASSERT_TRUE(StandIn::pumpUntil([] { return Warnings::instance().count("Failed to create pen manager (0x") >= 2; }));
        EXPECT_TRUE(owner.received.empty());
        server = StandIn::start();
        ASSERT_TRUE(server);
        EXPECT_TRUE(owner.receive(MyPens::WM_PENDOCKED, kDemoPen, 3000));
    }
    CloseHandle(server);
}

TEST_F(MonitorTest, PenManagerKilledWhilePenDockedAndBackReportsUndockedThenDocked) {
    ASSERT_TRUE(pens.Create(owner));
    ASSERT_TRUE(owner.receive(MyPens::WM_PENDOCKED, kDemoPen, 5000));
    const size_t before = owner.received.size();
    {
        ComPtr<IPenManagerControl> control;
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)));
        ASSERT_TRUE(StandIn::kill(control.Get()));
    }
    EXPECT_TRUE(owner.receive(MyPens::WM_PENUNDOCKED, kDemoPen, 3000, before));
    EXPECT_EQ(1u, Warnings::instance().count("Lost connection to the pen manager."));

    ASSERT_FALSE(StandIn::running());
    ASSERT_TRUE(StandIn::restartRpcSs());
    HANDLE server = StandIn::start();
    ASSERT_TRUE(server);
    CloseHandle(server);
    EXPECT_TRUE(owner.receive(MyPens::WM_PENDOCKED, kDemoPen, 5000, before));
    ASSERT_EQ(before + 2, owner.received.size());
    EXPECT_EQ(MyPens::WM_PENUNDOCKED, owner.received[before].msg);
    EXPECT_EQ(MyPens::WM_PENDOCKED, owner.received[before + 1].msg);
}

} // namespace
