// The pen monitor against the real stand-in, through real COM: a pen manager that is
// not there at start, and one that is killed while a pen is docked and comes back.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "MonitorHarness.h"
#include "StandIn.h"

using Microsoft::WRL::ComPtr;
using Monitor::Owner;
using Monitor::Warnings;

namespace {

const char kDemoPen[] = "AAA-BBB-CCC-DD";

// Takes the pen manager's server registration away while it lives, so that no client
// can start the stand-in.
class ClassUnregistered {
public:
    ClassUnregistered() {
        wchar_t clsid[40];
        StringFromGUID2(CLSID_PenManager, clsid, 40);
        key_ = std::wstring(L"Software\\Classes\\CLSID\\") + clsid + L"\\LocalServer32";
        wchar_t value[MAX_PATH * 2] = L"";
        DWORD size = sizeof value;
        saved_ = RegGetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) ==
                     ERROR_SUCCESS &&
                 RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str()) == ERROR_SUCCESS;
        command_ = value;
    }
    ~ClassUnregistered() {
        if (saved_)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, REG_SZ, command_.c_str(),
                            static_cast<DWORD>((command_.size() + 1) * sizeof(wchar_t)));
    }
    bool done() const { return saved_; }

private:
    std::wstring key_;
    std::wstring command_;
    bool saved_ = false;
};

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
        control.Reset();
        CoUninitialize();
    }

    bool receive(UINT msg, const std::string& penId, DWORD timeoutMs, size_t from = 0) {
        return owner.receive(msg, penId, timeoutMs, from);
    }
    IPenManagerControl* penctl() {
        if (!control) {
            EXPECT_HRESULT_SUCCEEDED(
                CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)));
        }
        return control.Get();
    }

    Owner owner;
    MyPens pens;
    ComPtr<IPenManagerControl> control;
};

TEST_F(MonitorTest, PenManagerStartedAfterTheMonitorReportsItsDockedPens) {
    ASSERT_FALSE(StandIn::running());
    HANDLE server = nullptr;
    {
        ClassUnregistered unregistered;
        ASSERT_TRUE(unregistered.done());
        ASSERT_TRUE(pens.Create(owner));
        // Every idle pass tries again, at least every 500 ms.
        ASSERT_TRUE(StandIn::pumpUntil([] { return Warnings::instance().count("Failed to create pen manager (0x") >= 2; }));
        EXPECT_TRUE(owner.received.empty());
        server = StandIn::start();
        ASSERT_TRUE(server);
        EXPECT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 3000));
    }
    CloseHandle(server);
}

TEST_F(MonitorTest, PenManagerKilledWhilePenDockedAndBackReportsUndockedThenDocked) {
    ASSERT_TRUE(pens.Create(owner));
    ASSERT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 5000));
    const size_t before = owner.received.size();
    ASSERT_TRUE(StandIn::kill(penctl()));
    control.Reset();
    EXPECT_TRUE(receive(MyPens::WM_PENUNDOCKED, kDemoPen, 3000, before));
    EXPECT_EQ(1u, Warnings::instance().count("Lost connection to the pen manager."));

    ASSERT_FALSE(StandIn::running());
    ASSERT_TRUE(StandIn::restartRpcSs());
    HANDLE server = StandIn::start();
    ASSERT_TRUE(server);
    CloseHandle(server);
    EXPECT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 5000, before));
    ASSERT_EQ(before + 2, owner.received.size());
    EXPECT_EQ(MyPens::WM_PENUNDOCKED, owner.received[before].msg);
    EXPECT_EQ(MyPens::WM_PENDOCKED, owner.received[before + 1].msg);
}

} // namespace
