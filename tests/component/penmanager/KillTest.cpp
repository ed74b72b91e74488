// The stand-in killed as a crash would end it, somewhere in a save: what each call had
// saved is there after the restart, a copy never written back is not, and no pen file is
// left unreadable; pen files that are corrupt, of another format, misnamed or left
// half-written are refused and the rest kept.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "StandInClient.h"
#include "pen/PenManager.h"

using Microsoft::WRL::ComPtr;
using StandIn::Bstr;

namespace {

const wchar_t kDemoPen[] = L"AAA-BBB-CCC-DD";

class KillTest : public StandInClient {};

// Another apartment keeps changing a pen as fast as the stand-in saves; the kill lands
// somewhere in a save. The restarted stand-in holds the last acknowledged value (or the
// one whose answer the kill cut off), and the copies written back before.
TEST_F(KillTest, KillInTheMiddleOfSavingLosesNothingAcknowledged) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    {
        ComPtr<IAddressShortcuts> shortcuts = read(demo, &IPen::GetAddressShortcuts);
        ComPtr<IAddressShortcut> first = StandIn::item<IAddressShortcut>(shortcuts.Get(), 1);
        ComPtr<IPairedDevice> phone =
            StandIn::item<IPairedDevice>(read(demo, &IPen::GetPairedDevices).Get(), 1);
        ASSERT_TRUE(first && phone);
        ComPtr<IIspSettings> settings = read(phone, &IPairedDevice::GetIspSettings);
        ComPtr<IDialUpAccount> dialUp = read(settings, &IIspSettings::GetSSSecondaryAccount);
        ASSERT_TRUE(dialUp);
        ASSERT_HRESULT_SUCCEEDED(first->SetName(Bstr(L"Ñandú Kill").value));
        ASSERT_HRESULT_SUCCEEDED(demo->SetAddressShortcuts(shortcuts.Get()));
        ASSERT_HRESULT_SUCCEEDED(dialUp->SetUsername(Bstr(L"tras.el.cierre").value));
        ASSERT_HRESULT_SUCCEEDED(phone->SetIspSettings(settings.Get()));
        ASSERT_HRESULT_SUCCEEDED(first->SetEmail(Bstr(L"nunca@escrito.es").value)); // never written back
    }
    demo.Reset();

    ASSERT_HRESULT_SUCCEEDED(control->Dock(Bstr(L"KILL-2").value));
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
    wchar_t appData[MAX_PATH];
    ASSERT_HRESULT_SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData));
    const std::pair<const wchar_t*, std::string> files[] = {
        {L"BAD-1.json", "{\"format\": \"quillpad-penmanager-pen\", \"ver"},
        {L"FOREIGN-1.json",
         R"({"format": "other", "version": 1, "pen": {"id": "FOREIGN-1", "docked": true}})"},
        {L"MISNAMED-1.json",
         R"({"format": "quillpad-penmanager-pen", "version": 1, "pen": {"id": "OTHER-1", "docked": true}})"},
        {L"KEEP-2.json.tmp", "{\"format"}, // what a write interrupted before its rename leaves behind
    };
    for (const auto& [name, content] : files)
        std::ofstream(std::filesystem::path(appData) / L"Velar" / L"PenManagerStandIn" / L"pens" / name,
                      std::ios::binary)
            << content;
    ASSERT_TRUE(StandIn::restartRpcSs());
    ASSERT_NO_FATAL_FAILURE(connect());
    for (const wchar_t* refused : {L"BAD-1", L"FOREIGN-1", L"OTHER-1", L"MISNAMED-1"}) {
        ComPtr<IPen> none;
        EXPECT_HRESULT_FAILED(manager->GetPen(Bstr(refused).value, &none)) << refused;
    }

    const LONG charge =
        read(read(pen(L"KILL-2"), &IPen::GetBatteryStatus), &IBatteryStatus::GetRemainingCharge);
    EXPECT_GE(charge, acknowledged.load());
    EXPECT_LE(charge, acknowledged.load() + 1);
    demo = pen(kDemoPen); // rewritten by every save as well
    ASSERT_TRUE(demo);
    ComPtr<IAddressShortcut> first =
        StandIn::item<IAddressShortcut>(read(demo, &IPen::GetAddressShortcuts).Get(), 1);
    EXPECT_EQ(L"Ñandú Kill", read(first, &IAddressShortcut::GetName));
    EXPECT_NE(L"nunca@escrito.es", read(first, &IAddressShortcut::GetEmail));
    ComPtr<IPairedDevice> phone = StandIn::item<IPairedDevice>(read(demo, &IPen::GetPairedDevices).Get(), 1);
    EXPECT_EQ(L"tras.el.cierre",
              read(read(read(phone, &IPairedDevice::GetIspSettings), &IIspSettings::GetSSSecondaryAccount),
                   &IDialUpAccount::GetUsername));

    // Those whole-state writes saved every pen. Now calls on pens of their own, then a
    // kill: each call must have saved its pen.
    for (const wchar_t* id : {L"KEEP-1", L"KEEP-2", L"KEEP-3"})
        ASSERT_HRESULT_SUCCEEDED(control->Dock(Bstr(id).value));
    ASSERT_HRESULT_SUCCEEDED(control->Lock(Bstr(L"KEEP-1").value, VARIANT_TRUE));
    ASSERT_HRESULT_SUCCEEDED(pen(L"KEEP-2")->SetPasswordHint(Bstr(L"pista de María").value));
    VARIANT_BOOL done = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(pen(L"KEEP-3")->SetPenPassword(Bstr(L"Clave9").value, &done));
    ASSERT_TRUE(StandIn::kill(control.Get()));
    manager.Reset();
    control.Reset();
    ASSERT_TRUE(StandIn::restartRpcSs());
    ASSERT_NO_FATAL_FAILURE(connect());
    EXPECT_EQ(VARIANT_TRUE, read(pen(L"KEEP-1"), &IPen::IsLocked));
    EXPECT_EQ(L"pista de María", read(pen(L"KEEP-2"), &IPen::GetPasswordHint)); // accents survive the file
    ASSERT_HRESULT_SUCCEEDED(pen(L"KEEP-3")->RemovePenPassword(Bstr(L"Clave9").value, &done)); // kept
    EXPECT_EQ(VARIANT_TRUE, done);
}

} // namespace
