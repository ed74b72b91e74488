// The stand-in pen manager as its clients see it: activated through COM, events to a
// sink, working copies written back, injected failures, the call log. (What it keeps
// across a crash is the kill test's.)
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "EventSink.h"
#include "StandInClient.h"
#include "pen/PenManager.h"
#include "ui/driver/StandIn.h"

using Microsoft::WRL::ComPtr;
using nlohmann::json;
using StandIn::Bstr;
using StandIn::pumpUntil;

namespace {

const wchar_t kDemoPen[] = L"AAA-BBB-CCC-DD";

// Records every event with its arguments (texts, and numbers as text).
class RecordingSink : public EventSink {
public:
    struct Call {
        DISPID id;
        std::vector<std::wstring> bstrArgs;
    };
    std::vector<Call> calls;

    bool received(DISPID id, const std::wstring& penId) const {
        return std::any_of(calls.begin(), calls.end(), [&](const Call& c) {
            return c.id == id && !c.bstrArgs.empty() && c.bstrArgs[0] == penId;
        });
    }

protected:
    void OnInvoke(DISPID id, const DISPPARAMS& params) override {
        Call call{id, {}};
        for (UINT i = params.cArgs; i-- > 0;) {
            const VARIANT& v = params.rgvarg[i];
            call.bstrArgs.push_back(v.vt == VT_BSTR ? std::wstring(v.bstrVal)
                                    : v.vt == VT_I4 ? std::to_wstring(v.lVal)
                                                    : L"<other>");
        }
        calls.push_back(std::move(call));
    }
};

class PenManagerTest : public StandInClient {
protected:
    // The stand-in's whole state, as penctl dumps it.
    static json state() { return ui::StandIn::State(); }
    void setJson(const wchar_t* path, const wchar_t* json) {
        ASSERT_HRESULT_SUCCEEDED(control->SetJson(Bstr(path).value, Bstr(json).value));
    }
    void dock(const wchar_t* id) { ASSERT_HRESULT_SUCCEEDED(control->Dock(Bstr(id).value)); }
    // A sink advised on the manager's events, until unadvised.
    DWORD advise(RecordingSink& sink) {
        DWORD cookie = 0;
        point = AdviseEvents(manager.Get(), &sink, cookie);
        EXPECT_TRUE(point);
        return cookie;
    }
    void unadvise(DWORD cookie) { ASSERT_HRESULT_SUCCEEDED(point->Unadvise(cookie)); }

    void TearDown() override {
        point.Reset(); // before the apartment ends
        StandInClient::TearDown();
    }

    ComPtr<IConnectionPoint> point;
};

TEST_F(PenManagerTest, SinkHearsDockingUnlockingAndUndockingUntilUnadvised) {
    RecordingSink sink;
    const DWORD cookie = advise(sink);
    EXPECT_EQ(1, read(control, &IPenManagerControl::GetSinkCount));
    ComPtr<IPen> p = docked(L"EVT-1");
    ASSERT_TRUE(p);
    ASSERT_TRUE(pumpUntil([&] { return sink.received(1, L"EVT-1"); }));

    // A locked pen that its owner cannot unlock stays locked and hides its data.
    Bstr id(L"EVT-1");
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_FALSE));
    EXPECT_EQ(VARIANT_FALSE, read(p, &IPen::Unlock));
    ComPtr<IBatteryStatus> battery;
    EXPECT_HRESULT_FAILED(p->GetBatteryStatus(&battery));
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_TRUE));
    EXPECT_EQ(VARIANT_TRUE, read(p, &IPen::Unlock));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(10, L"EVT-1"); }));

    ASSERT_HRESULT_SUCCEEDED(control->Undock(id.value));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(2, L"EVT-1"); }));
    ComPtr<IPen> gone;
    EXPECT_HRESULT_FAILED(manager->GetPen(id.value, &gone));
    Bstr penId;
    EXPECT_HRESULT_FAILED(p->GetPenId(&penId.value)); // an undocked pen's object is dead

    unadvise(cookie);
    const size_t heard = sink.calls.size();
    dock(L"EVT-1");
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(heard, sink.calls.size());
    EXPECT_EQ(0, read(control, &IPenManagerControl::GetSinkCount));
}

TEST_F(PenManagerTest, PasswordsAreCheckedCaseSensitively) {
    ComPtr<IPen> p = docked(L"PWD-1");
    ASSERT_TRUE(p);
    enum Op { Set, Change, Remove };
    const struct {
        Op op;
        const wchar_t* current;
        const wchar_t* next;
        VARIANT_BOOL done;
        VARIANT_BOOL setAfter;
    } steps[] = {
        {Remove, L"", L"", VARIANT_FALSE, VARIANT_FALSE}, // nothing to remove
        {Change, L"", L"Otra2", VARIANT_FALSE, VARIANT_FALSE},
        {Set, L"", L"", VARIANT_FALSE, VARIANT_FALSE},
        {Set, L"", L"Secreto1", VARIANT_TRUE, VARIANT_TRUE},
        {Set, L"", L"Otra2", VARIANT_FALSE, VARIANT_TRUE}, // only when none is set
        {Change, L"secreto1", L"Otra2", VARIANT_FALSE, VARIANT_TRUE},
        {Change, L"Secreto1", L"", VARIANT_FALSE, VARIANT_TRUE},
        {Change, L"Secreto1", L"Otra2", VARIANT_TRUE, VARIANT_TRUE},
        {Remove, L"Secreto1", L"", VARIANT_FALSE, VARIANT_TRUE},
        {Remove, L"otra2", L"", VARIANT_FALSE, VARIANT_TRUE},
        {Remove, L"Otra2", L"", VARIANT_TRUE, VARIANT_FALSE},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& step = steps[i];
        Bstr current(step.current), next(step.next);
        VARIANT_BOOL done = 2;
        ASSERT_HRESULT_SUCCEEDED(step.op == Set      ? p->SetPenPassword(next.value, &done)
                                 : step.op == Change ? p->ChangePenPassword(current.value, next.value, &done)
                                                     : p->RemovePenPassword(current.value, &done));
        EXPECT_EQ(step.done, done) << "step " << i;
        EXPECT_EQ(step.setAfter, read(p, &IPen::IsPasswordSet)) << "step " << i;
    }
}

// An item added to a pen's outbox is told to the sink. The outbox comes over in one call;
// the copy answers its reads itself and applies the failures injected for them once.
// (Visits and removals written through to the pen are the service log's test.)
TEST_F(PenManagerTest, OutboxTravelsByValue) {
    dock(L"OUT-1");
    RecordingSink sink;
    const DWORD cookie = advise(sink);
    Bstr penId(L"OUT-1");
    for (const wchar_t* item :
         {LR"({"status": 0, "serviceName": "Uno", "seconds": 1, "visited": false})",
          LR"({"status": 1, "serviceName": "Dos", "seconds": 1770000000, "milliseconds": 999,)"
          LR"( "visited": false})"})
        ASSERT_HRESULT_SUCCEEDED(control->AddOutboxItem(penId.value, Bstr(item).value, VARIANT_TRUE));
    ASSERT_TRUE(pumpUntil([&] { return sink.calls.size() >= 2; }));
    EXPECT_EQ((std::vector<std::wstring>{L"OUT-1", L"1770000000", L"999"}), sink.calls.back().bstrArgs);
    unadvise(cookie);

    ComPtr<IPen> p = pen(L"OUT-1");
    ASSERT_TRUE(p);
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(Bstr(L"IOutboxItem::GetStatus").value, E_ABORT, 1));
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ComPtr<IOutbox> box = read(p, &IPen::GetOutbox);
    ASSERT_EQ(2, read(box, &IOutbox::GetCount));
    std::vector<HRESULT> reads;
    for (LONG i = 1; i <= 2; ++i) {
        ComPtr<IOutboxItem> item = StandIn::item<IOutboxItem>(box.Get(), i);
        ASSERT_TRUE(item);
        LONG value = 0;
        reads.push_back(item->GetStatus(&value));
    }
    EXPECT_EQ(LR"([{"hr":"0x00000000","method":"IPen::GetOutbox"}])",
              read(control, &IPenManagerControl::GetCallLog));
    EXPECT_EQ((std::vector<HRESULT>{E_ABORT, S_OK}), reads);
    // The rule went with the first copy: the next one reads fine.
    read(StandIn::item<IOutboxItem>(read(p, &IPen::GetOutbox).Get(), 1), &IOutboxItem::GetStatus);

    ComPtr<IOutboxItem> missing;
    EXPECT_HRESULT_FAILED(box->GetItemByTime(1770000000, 998, &missing));
}

// Shortcuts of a pen made for the test: the second one's fax may not be changed.
const wchar_t kShortcutsJson[] =
    LR"([{"name": "Uno", "email": "uno@correo.es", "cellPhone": "600 000 001", "fax": ""},)"
    LR"( {"name": "Dos", "email": "dos@correo.es", "cellPhone": "600 000 002", "fax": "91 000 002",)"
    LR"(  "readOnly": {"fax": true}},)"
    LR"( {"name": "Tres", "email": "", "cellPhone": "", "fax": ""}])";

// A page changes a copy (the user data, the shortcuts, a phone's ISP settings) and
// writes it back once: nothing reaches the pen before, all of it after, and a field the
// pen holds read-only (also one made so after the copy was taken) is kept.
TEST_F(PenManagerTest, CopiesReachThePenOnlyWhenWrittenBack) {
    ComPtr<IPen> p = docked(L"COPY-1"), demo = pen(kDemoPen);
    ASSERT_TRUE(p && demo);
    ASSERT_NO_FATAL_FAILURE(setJson(L"/pens/COPY-1/shortcuts", kShortcutsJson));
    ASSERT_NO_FATAL_FAILURE(setJson(L"/pens/COPY-1/userData/readOnly/email", L"true"));
    ASSERT_NO_FATAL_FAILURE(
        setJson(L"/pens/AAA-BBB-CCC-DD/pairedDevices/0/isp/osPrimary/readOnly/apn", L"true"));
    auto device = [&](LONG index) {
        return StandIn::item<IPairedDevice>(read(demo, &IPen::GetPairedDevices).Get(), index);
    };
    ComPtr<IUserData> user = read(p, &IPen::GetUserData);
    ComPtr<IAddressShortcuts> shortcuts = read(p, &IPen::GetAddressShortcuts);
    ComPtr<IIspSettings> isp = read(device(1), &IPairedDevice::GetIspSettings);
    ASSERT_TRUE(user && shortcuts && isp);
    ComPtr<IAddressShortcut> first = StandIn::item<IAddressShortcut>(shortcuts.Get(), 1),
                             second = StandIn::item<IAddressShortcut>(shortcuts.Get(), 2);
    ComPtr<IDialUpAccount> dialUp = read(isp, &IIspSettings::GetOSSecondaryAccount),
                           readOnly = read(isp, &IIspSettings::GetOSPrimaryAccount);
    ComPtr<IPostalAddress> delivery = read(user, &IUserData::GetDeliveryAddress);
    ASSERT_TRUE(first && second && dialUp && readOnly && delivery);
    const LONG priority = read(isp, &IIspSettings::GetPriority) == 0 ? 1 : 0;

    const std::pair<HRESULT, std::function<HRESULT()>> changes[] = {
        {S_OK, [&] { return user->SetName(Bstr(L"Íñigo Ñúñez").value); }},
        {S_OK, [&] { return delivery->SetCity(Bstr(L"Cádiz").value); }},
        {E_ACCESSDENIED, [&] { return user->SetEmail(Bstr(L"otro@correo.es").value); }},
        {S_OK, [&] { return first->SetName(Bstr(L"Núria").value); }},
        {S_OK, [&] { return second->SetEmail(Bstr(L"").value); }},
        {S_OK, [&] { return second->SetName(Bstr(L"Otro").value); }}, // the pen makes it read-only meanwhile
        {E_ACCESSDENIED, [&] { return second->SetFax(Bstr(L"93 111 22 33").value); }},
        {S_OK, [&] { return isp->SetPriority(priority); }},
        {S_OK, [&] { return dialUp->SetApn(Bstr(L"internet.nuevo.es").value); }},
        {E_ACCESSDENIED, [&] { return readOnly->SetApn(Bstr(L"internet.nuevo.es").value); }},
        {S_OK, [&] { return dialUp->SetPrimaryDns(Bstr(L"").value); }},
    };
    for (size_t i = 0; i < std::size(changes); ++i)
        EXPECT_EQ(changes[i].first, changes[i].second()) << "change " << i;

    // What the pen holds after the write-back; a changed value is not there before it (a
    // pen made for the test has no name until one is written back).
    const std::string copy = "/pens/COPY-1/", phone = "/pens/AAA-BBB-CCC-DD/pairedDevices/";
    const json before = state();
    const std::tuple<std::string, json, bool> onPen[] = {
        {copy + "userData/name", "Íñigo Ñúñez", true},
        {copy + "userData/deliveryAddress/city", "Cádiz", true},
        {copy + "userData/readOnly/email", true, false},
        {copy + "shortcuts/0/name", "Núria", true},
        {copy + "shortcuts/1/email", "", true},
        {copy + "shortcuts/1/name", "Dos", false},
        {copy + "shortcuts/1/fax", "91 000 002", false},
        {copy + "shortcuts/2/name", "Tres", false},
        {phone + "0/isp/osSecondary/apn", "internet.nuevo.es", true},
        {phone + "1/isp/osSecondary/apn",
         before.value(json::json_pointer(phone + "1/isp/osSecondary/apn"), json()), false},
        {phone + "0/isp/osSecondary/primaryDns", "", true},
        {phone + "0/isp/priority", priority, true},
    };
    for (const auto& [path, after, changed] : onPen)
        if (changed) {
            EXPECT_NE(after, before.value(json::json_pointer(path), json()))
                << path << " reached the pen before";
        }
    ASSERT_NO_FATAL_FAILURE(setJson(L"/pens/COPY-1/shortcuts/1/readOnly/name", L"true"));
    ASSERT_HRESULT_SUCCEEDED(p->SetUserData(user.Get()));
    ASSERT_HRESULT_SUCCEEDED(p->SetAddressShortcuts(shortcuts.Get()));
    ASSERT_HRESULT_SUCCEEDED(device(1)->SetIspSettings(isp.Get()));
    const json now = state();
    for (const auto& [path, after, changed] : onPen)
        EXPECT_EQ(after, now.value(json::json_pointer(path), json())) << path;

    // Only a copy this pen manager handed out can be written back.
    EXPECT_EQ(E_INVALIDARG, p->SetAddressShortcuts(nullptr));
    EXPECT_EQ(E_INVALIDARG, device(1)->SetIspSettings(nullptr));
}

TEST_F(PenManagerTest, UnregisteredPasswordMakesTheNextDockingAskTheOwner) {
    ComPtr<IPen> p = docked(L"PWS-1");
    ASSERT_TRUE(p);
    VARIANT_BOOL done = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(p->SetPenPassword(Bstr(L"Clave9").value, &done));
    auto redock = [&] {
        EXPECT_HRESULT_SUCCEEDED(control->Undock(Bstr(L"PWS-1").value));
        p = docked(L"PWS-1");
        return read(p, &IPen::IsLocked) == VARIANT_TRUE;
    };
    EXPECT_FALSE(redock()); // the password set here is saved here

    ASSERT_HRESULT_SUCCEEDED(p->UnregisterPassword());
    EXPECT_TRUE(redock());
    EXPECT_EQ(VARIANT_FALSE, read(p, &IPen::Unlock)); // nothing saved to unlock it with

    ASSERT_HRESULT_SUCCEEDED(control->Unlock(Bstr(L"PWS-1").value)); // the owner gives the password
    EXPECT_FALSE(redock());
}

// Another client holds a sink and stops answering, or dies: the stand-in goes on
// answering every control call, this client hears every event in the order fired, and
// the other sink is dropped (a frozen client after it has not answered for 5 s).
TEST_F(PenManagerTest, FrozenOrKilledClientStallsNeitherTheStandInNorTheOtherSinks) {
    enum Fate { Frozen, Killed, FrozenThenKilled };
    RecordingSink sink;
    const DWORD cookie = advise(sink);
    std::wstring client = StandIn::binDir() + L"sink_client.exe";
    const wchar_t readyName[] = L"Local\\QuillpadSinkClientReady";
    HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, readyName);
    ASSERT_TRUE(ready);
    int pen = 0;
    for (Fate fate : {Frozen, Killed, FrozenThenKilled}) {
        std::wstring commandLine = L"\"" + client + L"\" wait " + readyName;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(client.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        HANDLE waits[] = {ready, process.hProcess};
        ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, waits, FALSE, 10000)) << "client did not advise";
        ASSERT_EQ(2, read(control, &IPenManagerControl::GetSinkCount));
        if (fate == Killed)
            TerminateProcess(process.hProcess, 9);
        else
            SuspendThread(process.hThread); // its apartment's thread

        std::vector<std::wstring> fired;
        for (int i = 0; i < 3; ++i) {
            fired.push_back(L"FRZ-" + std::to_wstring(++pen));
            dock(fired.back().c_str());
            ASSERT_HRESULT_SUCCEEDED(control->Undock(Bstr(fired.back().c_str()).value));
            if (fate == FrozenThenKilled && i == 0)
                TerminateProcess(process.hProcess, 9); // while the stand-in waits for its answer
        }
        ASSERT_TRUE(pumpUntil([&] { return sink.received(2, fired.back()); })) << fate;
        std::vector<std::wstring> heard;
        for (const auto& call : sink.calls)
            if (call.bstrArgs[0].rfind(L"FRZ-", 0) == 0 && call.bstrArgs[0] >= fired.front())
                heard.push_back(std::to_wstring(call.id) + call.bstrArgs[0]);
        std::vector<std::wstring> order;
        for (const auto& id : fired)
            order.insert(order.end(), {L"1" + id, L"2" + id});
        EXPECT_EQ(order, heard) << fate;
        EXPECT_EQ(1, read(control, &IPenManagerControl::GetSinkCount)) << fate; // waits out the 5 s
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(ready);
    unadvise(cookie);
}

// Bursts of one pen's outbox events while a client of another apartment keeps advising
// and unadvising: every event reaches the sink that stayed, in the order fired.
TEST_F(PenManagerTest, BurstWhileAnotherClientAdvisesAndUnadvisesArrivesWholeAndInOrder) {
    RecordingSink sink;
    const DWORD cookie = advise(sink);
    dock(L"BURST-1");
    std::atomic<bool> firing{true};
    std::atomic<int> rounds{0};
    std::thread other([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<IPenManager> own;
            static RecordingSink passing; // lives on until the process ends
            if (SUCCEEDED(
                    CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&own))))
                while (firing) {
                    DWORD passingCookie = 0;
                    const ComPtr<IConnectionPoint> passingPoint =
                        AdviseEvents(own.Get(), &passing, passingCookie);
                    if (!passingPoint || FAILED(passingPoint->Unadvise(passingCookie)))
                        break;
                    ++rounds;
                }
        }
        CoUninitialize();
    });
    const int kBursts = 10, kEach = 20;
    for (int i = 0; i < kBursts; ++i)
        ASSERT_HRESULT_SUCCEEDED(control->FireBurst(Bstr(L"BURST-1").value, 9, kEach));
    // Slow under load, but whole: the sink is dropped only when its client stops answering.
    const bool all = pumpUntil([&] { return sink.calls.size() >= 1 + kBursts * kEach; }, 60000);
    firing = false;
    other.join();
    ASSERT_TRUE(all) << sink.calls.size() << " calls, sinks "
                     << read(control, &IPenManagerControl::GetSinkCount);
    std::vector<std::wstring> heard, order;
    for (const auto& call : sink.calls)
        if (call.id == 9)
            heard.push_back(call.bstrArgs[2]);
    for (int i = 0; i < kBursts; ++i)
        for (int low = 1; low <= kEach; ++low)
            order.push_back(std::to_wstring(low));
    EXPECT_EQ(order, heard);
    EXPECT_GT(rounds.load(), 0);
    EXPECT_EQ(1, read(control, &IPenManagerControl::GetSinkCount));
    unadvise(cookie);
}

} // namespace
