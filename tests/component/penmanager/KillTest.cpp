// The stand-in killed as a crash would end it: what a client had written back is there
// after the restart, and a kill in the middle of writing leaves no pen unreadable.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "StandInClient.h"
#include "pen/PenManager.h"

using Microsoft::WRL::ComPtr;
using StandIn::Bstr;

namespace {

const wchar_t kDemoPen[] = L"AAA-BBB-CCC-DD";

class KillTest : public StandInClient {
protected:
    // Kills the stand-in, clears Wine's stale registration and activates a new one.
    void killAndReconnect() {
        ASSERT_TRUE(StandIn::kill(control.Get()));
        manager.Reset();
        control.Reset();
        ASSERT_FALSE(StandIn::running());
        ASSERT_TRUE(StandIn::restartRpcSs());
        ASSERT_NO_FATAL_FAILURE(connect());
    }
};

TEST_F(KillTest, WrittenBackChangesSurviveAKillAndUnwrittenCopiesDoNot) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    ComPtr<IAddressShortcuts> shortcuts = read(demo, &IPen::GetAddressShortcuts);
    ComPtr<IAddressShortcut> first = StandIn::item<IAddressShortcut>(shortcuts.Get(), 1);
    ASSERT_TRUE(first);
    Bstr name(L"Ñandú Kill"), lost(L"nunca@escrito.es");
    ASSERT_HRESULT_SUCCEEDED(first->SetName(name.value));
    ASSERT_HRESULT_SUCCEEDED(demo->SetAddressShortcuts(shortcuts.Get()));

    ComPtr<IPairedDevice> phone = StandIn::item<IPairedDevice>(read(demo, &IPen::GetPairedDevices).Get(), 1);
    ASSERT_TRUE(phone);
    ComPtr<IIspSettings> settings = read(phone, &IPairedDevice::GetIspSettings);
    ComPtr<IDialUpAccount> account = read(settings, &IIspSettings::GetSSSecondaryAccount);
    ASSERT_TRUE(account);
    Bstr user(L"tras.el.cierre");
    ASSERT_HRESULT_SUCCEEDED(account->SetUsername(user.value));
    ASSERT_HRESULT_SUCCEEDED(phone->SetIspSettings(settings.Get()));
    ASSERT_HRESULT_SUCCEEDED(first->SetEmail(lost.value)); // changed, never written back

    first.Reset();
    shortcuts.Reset();
    account.Reset();
    settings.Reset();
    phone.Reset();
    demo.Reset();
    ASSERT_NO_FATAL_FAILURE(killAndReconnect());

    demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    first = StandIn::item<IAddressShortcut>(read(demo, &IPen::GetAddressShortcuts).Get(), 1);
    EXPECT_EQ(L"Ñandú Kill", read(first, &IAddressShortcut::GetName));
    EXPECT_NE(L"nunca@escrito.es", read(first, &IAddressShortcut::GetEmail));
    phone = StandIn::item<IPairedDevice>(read(demo, &IPen::GetPairedDevices).Get(), 1);
    account = read(read(phone, &IPairedDevice::GetIspSettings), &IIspSettings::GetSSSecondaryAccount);
    EXPECT_EQ(L"tras.el.cierre", read(account, &IDialUpAccount::GetUsername));
}

// Another apartment keeps changing a pen as fast as the stand-in saves; the kill lands
// somewhere in a save. The restarted stand-in holds the last acknowledged value (or the
// one whose answer the kill cut off) and every pen file is still readable.
TEST_F(KillTest, KillInTheMiddleOfSavingLosesNothingAcknowledged) {
    Bstr id(L"KILL-2");
    ASSERT_HRESULT_SUCCEEDED(control->Dock(id.value));
    std::atomic<LONG> acknowledged{0};
    std::atomic<bool> writerDone{false};
    std::thread writer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<IPenManagerControl> own;
            if (SUCCEEDED(CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER,
                                           IID_PPV_ARGS(&own)))) {
                Bstr path(L"/pens/KILL-2/battery/remainingCharge");
                for (LONG i = 1;; ++i) {
                    VARIANT value;
                    VariantInit(&value);
                    value.vt = VT_I4;
                    value.lVal = i;
                    if (FAILED(own->SetValue(path.value, value)))
                        break;
                    acknowledged = i;
                }
                own.Detach(); // its server is gone: nothing to release there
            }
        }
        CoUninitialize();
        writerDone = true;
    });
    while (!writerDone && acknowledged < 20)
        Sleep(5);
    Sleep(37);
    const bool killed = StandIn::kill(control.Get());
    writer.join();
    ASSERT_TRUE(killed);
    ASSERT_GE(acknowledged.load(), 20);
    manager.Reset();
    control.Reset();
    ASSERT_FALSE(StandIn::running());
    ASSERT_TRUE(StandIn::restartRpcSs());
    ASSERT_NO_FATAL_FAILURE(connect());

    const LONG charge =
        read(read(pen(L"KILL-2"), &IPen::GetBatteryStatus), &IBatteryStatus::GetRemainingCharge);
    EXPECT_GE(charge, acknowledged.load());
    EXPECT_LE(charge, acknowledged.load() + 1);
    EXPECT_TRUE(pen(kDemoPen)); // rewritten by every save as well
}

} // namespace
