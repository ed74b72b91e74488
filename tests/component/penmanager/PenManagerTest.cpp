// The stand-in pen manager as its clients see it: activated through COM, events to a
// sink, working copies written back, state kept across a restart, injected failures and
// delays, the call log.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "StandIn.h"
#include "pen/PenManager.h"

using Microsoft::WRL::ComPtr;
using StandIn::Bstr;
using StandIn::pumpUntil;

namespace {

const wchar_t kDemoPen[] = L"AAA-BBB-CCC-DD";

// A sink without type information, as the panel's is: records every Invoke.
class RecordingSink : public IDispatch {
public:
    struct Call {
        DISPID id;
        WORD flags;
        std::vector<std::wstring> bstrArgs;
        bool hadResult;
    };
    std::vector<Call> calls;
    HRESULT answer = S_OK;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_IPenManagerEvents) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; } // lives on the test's stack
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO*, UINT*) override {
        Call call{id, flags, {}, result != nullptr};
        for (UINT i = params->cArgs; i-- > 0;)
            call.bstrArgs.push_back(params->rgvarg[i].vt == VT_BSTR ? std::wstring(params->rgvarg[i].bstrVal)
                                    : params->rgvarg[i].vt == VT_I4 ? std::to_wstring(params->rgvarg[i].lVal)
                                                                    : L"<other>");
        calls.push_back(std::move(call));
        return answer;
    }
    bool received(DISPID id, const std::wstring& penId) const {
        for (const Call& c : calls)
            if (c.id == id && !c.bstrArgs.empty() && c.bstrArgs[0] == penId)
                return true;
        return false;
    }

private:
    ULONG refs_ = 1;
};

class PenManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        connect();
    }
    void TearDown() override {
        if (control)
            control->ClearFaults();
        manager.Reset();
        control.Reset();
        CoUninitialize();
    }
    void connect() {
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER,
                                                  IID_PPV_ARGS(&manager)));
        ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_PenManagerControl, nullptr,
                                                  CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)));
    }
    // Quits the stand-in and waits until its process is gone, so the next activation
    // starts a new one that loads the saved state.
    void quitServer() {
        LONG pid = 0;
        ASSERT_HRESULT_SUCCEEDED(control->GetProcessId(&pid));
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
        ASSERT_TRUE(process);
        ASSERT_HRESULT_SUCCEEDED(control->Quit());
        manager.Reset();
        control.Reset();
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
        CloseHandle(process);
        quitPid = pid;
    }
    static std::wstring penFolder() {
        wchar_t appData[MAX_PATH];
        EXPECT_HRESULT_SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData));
        return std::wstring(appData) + L"\\Velar\\PenManagerStandIn\\pens\\";
    }
    static void writeFile(const std::wstring& path, const std::string& content) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }
    bool penReachable(const wchar_t* id) {
        ComPtr<IPen> result;
        Bstr penId(id);
        return SUCCEEDED(manager->GetPen(penId.value, &result));
    }
    ComPtr<IPen> pen(const wchar_t* id) {
        ComPtr<IPen> result;
        Bstr penId(id);
        EXPECT_HRESULT_SUCCEEDED(manager->GetPen(penId.value, &result));
        return result;
    }
    void setFlag(const wchar_t* path) {
        Bstr at(path);
        VARIANT yes;
        VariantInit(&yes);
        yes.vt = VT_BOOL;
        yes.boolVal = VARIANT_TRUE;
        ASSERT_HRESULT_SUCCEEDED(control->SetValue(at.value, yes));
    }
    ComPtr<IConnectionPoint> eventPoint() {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        EXPECT_HRESULT_SUCCEEDED(manager.As(&container));
        if (container) {
            EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID_IPenManagerEvents, &point));
        }
        return point;
    }
    void dock(const wchar_t* id) {
        Bstr penId(id);
        ASSERT_HRESULT_SUCCEEDED(control->Dock(penId.value));
    }

    ComPtr<IPenManager> manager;
    ComPtr<IPenManagerControl> control;
    LONG quitPid = 0;
};

TEST_F(PenManagerTest, FirstStartListsTheDockedDemoPenWithItsValues) {
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, manager->QueryInterface(GUID_NULL, reinterpret_cast<void**>(none.GetAddressOf())));

    ComPtr<IPens> pens;
    ASSERT_HRESULT_SUCCEEDED(manager->GetPens(&pens));
    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(pens->GetCount(&count));
    bool found = false;
    for (LONG i = 1; i <= count; ++i) {
        VARIANT item;
        VariantInit(&item);
        ASSERT_HRESULT_SUCCEEDED(pens->GetItem(i, &item));
        ASSERT_EQ(VT_DISPATCH, item.vt);
        ComPtr<IPen> p;
        ASSERT_HRESULT_SUCCEEDED(item.pdispVal->QueryInterface(IID_PPV_ARGS(&p)));
        VariantClear(&item);
        Bstr id;
        ASSERT_HRESULT_SUCCEEDED(p->GetPenId(&id.value));
        found = found || id.str() == kDemoPen;
    }
    EXPECT_TRUE(found);
    VARIANT outOfRange;
    VariantInit(&outOfRange);
    EXPECT_HRESULT_FAILED(pens->GetItem(count + 1, &outOfRange));

    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    VARIANT_BOOL locked = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(demo->IsLocked(&locked));
    EXPECT_EQ(VARIANT_FALSE, locked);
    ComPtr<IBatteryStatus> battery;
    ASSERT_HRESULT_SUCCEEDED(demo->GetBatteryStatus(&battery));
    LONG charge = -1;
    ASSERT_HRESULT_SUCCEEDED(battery->GetRemainingCharge(&charge));
    EXPECT_GT(charge, 0);
    EXPECT_LE(charge, 100);
    ComPtr<IPairedDevices> devices;
    ASSERT_HRESULT_SUCCEEDED(demo->GetPairedDevices(&devices));
    ASSERT_HRESULT_SUCCEEDED(devices->GetCount(&count));
    ASSERT_EQ(2, count);
    VARIANT item;
    VariantInit(&item);
    ASSERT_HRESULT_SUCCEEDED(devices->GetItem(2, &item));
    ComPtr<IPairedDevice> device;
    ASSERT_HRESULT_SUCCEEDED(item.pdispVal->QueryInterface(IID_PPV_ARGS(&device)));
    VariantClear(&item);
    Bstr name;
    ASSERT_HRESULT_SUCCEEDED(device->GetDeviceName(&name.value));
    EXPECT_EQ(L"Portátil oficina", name.str()); // accents survive the JSON round trip
    ComPtr<IAddressShortcuts> shortcuts;
    ASSERT_HRESULT_SUCCEEDED(demo->GetAddressShortcuts(&shortcuts));
    ASSERT_HRESULT_SUCCEEDED(shortcuts->GetCount(&count));
    EXPECT_EQ(10, count);

    // Late binding goes through the type library as well.
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(demo.As(&dispatch));
    LPOLESTR method = const_cast<LPOLESTR>(L"GetPenId");
    DISPID dispId = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &method, 1, LOCALE_USER_DEFAULT, &dispId));
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_HRESULT_SUCCEEDED(dispatch->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT,
                                              DISPATCH_METHOD, &noArgs, &result, nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_STREQ(kDemoPen, result.bstrVal);
    VariantClear(&result);
}

TEST_F(PenManagerTest, SinkHearsDockingUnlockingAndUndockingUntilUnadvised) {
    ComPtr<IConnectionPoint> point = eventPoint();
    ASSERT_TRUE(point);
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_HRESULT_SUCCEEDED(point->Advise(&sink, &cookie));
    LONG sinks = 0;
    ASSERT_HRESULT_SUCCEEDED(control->GetSinkCount(&sinks));
    EXPECT_EQ(1, sinks);

    dock(L"EVT-1");
    ASSERT_TRUE(pumpUntil([&] { return sink.received(1, L"EVT-1"); }));
    EXPECT_EQ(DISPATCH_METHOD, sink.calls.back().flags);
    EXPECT_TRUE(sink.calls.back().hadResult);

    // A locked pen that its owner cannot unlock stays locked and hides its data.
    Bstr id(L"EVT-1");
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_FALSE));
    ComPtr<IPen> p = pen(L"EVT-1");
    ASSERT_TRUE(p);
    VARIANT_BOOL unlocked = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(p->Unlock(&unlocked));
    EXPECT_EQ(VARIANT_FALSE, unlocked);
    ComPtr<IBatteryStatus> battery;
    EXPECT_HRESULT_FAILED(p->GetBatteryStatus(&battery));
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_TRUE));
    ASSERT_HRESULT_SUCCEEDED(p->Unlock(&unlocked));
    EXPECT_EQ(VARIANT_TRUE, unlocked);
    ASSERT_TRUE(pumpUntil([&] { return sink.received(10, L"EVT-1"); }));

    ASSERT_HRESULT_SUCCEEDED(control->Undock(id.value));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(2, L"EVT-1"); }));
    ComPtr<IPen> gone;
    EXPECT_HRESULT_FAILED(manager->GetPen(id.value, &gone));
    Bstr penId;
    EXPECT_HRESULT_FAILED(p->GetPenId(&penId.value)); // an undocked pen's object is dead

    ASSERT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
    size_t heard = sink.calls.size();
    dock(L"EVT-1");
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(heard, sink.calls.size());
    ASSERT_HRESULT_SUCCEEDED(control->GetSinkCount(&sinks));
    EXPECT_EQ(0, sinks);
}

TEST_F(PenManagerTest, InjectedFaultFailsTheNamedMethodTheGivenNumberOfTimes) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    const HRESULT injected = static_cast<HRESULT>(0x80040155);
    Bstr method(L"IPen::GetPenId");
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(method.value, injected, 1));
    Bstr id;
    EXPECT_EQ(injected, demo->GetPenId(&id.value));
    EXPECT_HRESULT_SUCCEEDED(demo->GetPenId(&id.value));

    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(method.value, injected, -1));
    Bstr id2, id3;
    EXPECT_EQ(injected, demo->GetPenId(&id2.value));
    EXPECT_EQ(injected, demo->GetPenId(&id3.value));
    VARIANT_BOOL locked;
    EXPECT_HRESULT_SUCCEEDED(demo->IsLocked(&locked)); // other methods are untouched
    ASSERT_HRESULT_SUCCEEDED(control->ClearFaults());
    Bstr id4;
    EXPECT_HRESULT_SUCCEEDED(demo->GetPenId(&id4.value));
}

TEST_F(PenManagerTest, UserDataChangesReachThePenOnlyWhenWrittenBack) {
    dock(L"USER-1");
    ASSERT_NO_FATAL_FAILURE(setFlag(L"/pens/USER-1/userData/readOnly/email"));
    ComPtr<IPen> p = pen(L"USER-1");
    ASSERT_TRUE(p);

    auto nameOnPen = [&] {
        ComPtr<IUserData> fresh;
        EXPECT_HRESULT_SUCCEEDED(p->GetUserData(&fresh));
        Bstr name;
        if (fresh)
            fresh->GetName(&name.value);
        return name.str();
    };
    ComPtr<IUserData> copy;
    ASSERT_HRESULT_SUCCEEDED(p->GetUserData(&copy));
    Bstr name(L"Íñigo Ñúñez");
    ASSERT_HRESULT_SUCCEEDED(copy->SetName(name.value));
    ComPtr<IPostalAddress> delivery;
    ASSERT_HRESULT_SUCCEEDED(copy->GetDeliveryAddress(&delivery));
    Bstr city(L"Cádiz");
    ASSERT_HRESULT_SUCCEEDED(delivery->SetCity(city.value));
    EXPECT_EQ(L"", nameOnPen()); // not written back yet

    VARIANT_BOOL readOnly = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(copy->IsEmailReadOnly(&readOnly));
    EXPECT_EQ(VARIANT_TRUE, readOnly);
    Bstr email(L"otro@correo.es");
    EXPECT_EQ(E_ACCESSDENIED, copy->SetEmail(email.value));

    ASSERT_HRESULT_SUCCEEDED(p->SetUserData(copy.Get()));
    EXPECT_EQ(L"Íñigo Ñúñez", nameOnPen());
    Bstr state;
    ASSERT_HRESULT_SUCCEEDED(control->DumpState(&state.value));
    EXPECT_NE(std::wstring::npos, state.str().find(L"Cádiz"));
    ComPtr<IUserData> after;
    ASSERT_HRESULT_SUCCEEDED(p->GetUserData(&after));
    ASSERT_HRESULT_SUCCEEDED(after->IsEmailReadOnly(&readOnly));
    EXPECT_EQ(VARIANT_TRUE, readOnly); // flags belong to the pen, not to the copy
}

TEST_F(PenManagerTest, PasswordsAreCheckedCaseSensitively) {
    dock(L"PWD-1");
    ComPtr<IPen> p = pen(L"PWD-1");
    ASSERT_TRUE(p);
    Bstr first(L"Secreto1"), wrongCase(L"secreto1"), second(L"Otra2");
    VARIANT_BOOL done = VARIANT_FALSE, set = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(p->IsPasswordSet(&set));
    EXPECT_EQ(VARIANT_FALSE, set);
    ASSERT_HRESULT_SUCCEEDED(p->SetPenPassword(first.value, &done));
    EXPECT_EQ(VARIANT_TRUE, done);
    ASSERT_HRESULT_SUCCEEDED(p->SetPenPassword(second.value, &done));
    EXPECT_EQ(VARIANT_FALSE, done); // only when none is set
    ASSERT_HRESULT_SUCCEEDED(p->ChangePenPassword(wrongCase.value, second.value, &done));
    EXPECT_EQ(VARIANT_FALSE, done);
    ASSERT_HRESULT_SUCCEEDED(p->ChangePenPassword(first.value, second.value, &done));
    EXPECT_EQ(VARIANT_TRUE, done);
    ASSERT_HRESULT_SUCCEEDED(p->RemovePenPassword(first.value, &done));
    EXPECT_EQ(VARIANT_FALSE, done);
    ASSERT_HRESULT_SUCCEEDED(p->RemovePenPassword(second.value, &done));
    EXPECT_EQ(VARIANT_TRUE, done);
    ASSERT_HRESULT_SUCCEEDED(p->IsPasswordSet(&set));
    EXPECT_EQ(VARIANT_FALSE, set);
}

TEST_F(PenManagerTest, OutboxListsEveryStatusAndFollowsAddsVisitsAndRemovals) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    ComPtr<IOutbox> outbox;
    ASSERT_HRESULT_SUCCEEDED(demo->GetOutbox(&outbox));
    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(outbox->GetCount(&count));
    EXPECT_GE(count, 12);
    std::vector<bool> seen(5);
    for (LONG i = 1; i <= count; ++i) {
        VARIANT v;
        VariantInit(&v);
        ASSERT_HRESULT_SUCCEEDED(outbox->GetItem(i, &v));
        ComPtr<IOutboxItem> item;
        ASSERT_HRESULT_SUCCEEDED(v.pdispVal->QueryInterface(IID_PPV_ARGS(&item)));
        VariantClear(&v);
        LONG status = -2;
        ASSERT_HRESULT_SUCCEEDED(item->GetStatus(&status));
        ASSERT_GE(status, -1);
        ASSERT_LE(status, 3);
        seen[status + 1] = true;
    }
    EXPECT_EQ(std::vector<bool>(5, true), seen);

    dock(L"OUT-1");
    ComPtr<IConnectionPoint> point = eventPoint();
    ASSERT_TRUE(point);
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_HRESULT_SUCCEEDED(point->Advise(&sink, &cookie));
    Bstr id(L"OUT-1");
    Bstr itemJson(LR"({"status": 1, "serviceName": "Fax", "seconds": 1770000000, "milliseconds": 999,)"
                  LR"( "result": 0, "url": "https://a.es/", "message": "m", "visited": false})");
    ASSERT_HRESULT_SUCCEEDED(control->AddOutboxItem(id.value, itemJson.value, VARIANT_TRUE));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(9, L"OUT-1"); }));
    EXPECT_EQ((std::vector<std::wstring>{L"OUT-1", L"1770000000", L"999"}), sink.calls.back().bstrArgs);
    point->Unadvise(cookie);

    ComPtr<IPen> p = pen(L"OUT-1");
    ASSERT_TRUE(p);
    ComPtr<IOutbox> box;
    ASSERT_HRESULT_SUCCEEDED(p->GetOutbox(&box));
    ComPtr<IOutboxItem> added;
    ASSERT_HRESULT_SUCCEEDED(box->GetItemByTime(1770000000, 999, &added));
    ComPtr<IOutboxItem> missing;
    EXPECT_HRESULT_FAILED(box->GetItemByTime(1770000000, 998, &missing));
    ASSERT_HRESULT_SUCCEEDED(added->SetVisited(VARIANT_TRUE));
    VARIANT_BOOL visited = VARIANT_FALSE;
    ComPtr<IOutboxItem> again;
    ASSERT_HRESULT_SUCCEEDED(box->GetItemByTime(1770000000, 999, &again));
    ASSERT_HRESULT_SUCCEEDED(again->IsVisited(&visited));
    EXPECT_EQ(VARIANT_TRUE, visited);
    ASSERT_HRESULT_SUCCEEDED(added->Remove());
    ASSERT_HRESULT_SUCCEEDED(box->GetCount(&count));
    EXPECT_EQ(0, count);
    LONG status = 0;
    EXPECT_HRESULT_FAILED(again->GetStatus(&status)); // the removed item is gone for everyone
}

// The outbox comes over in one call; the copy answers its reads itself, applies the
// failures injected for them once, and writes through to the pen.
TEST_F(PenManagerTest, OutboxTravelsByValueInOneCall) {
    dock(L"VAL-1");
    Bstr id(L"VAL-1");
    for (const wchar_t* item : {LR"({"status": 0, "serviceName": "Uno", "seconds": 1, "visited": false})",
                                LR"({"status": 1, "serviceName": "Dos", "seconds": 2, "visited": false})"}) {
        Bstr itemJson(item);
        ASSERT_HRESULT_SUCCEEDED(control->AddOutboxItem(id.value, itemJson.value, VARIANT_FALSE));
    }
    ComPtr<IPen> demo = pen(L"VAL-1");
    ASSERT_TRUE(demo);
    Bstr status(L"IOutboxItem::GetStatus");
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(status.value, E_ABORT, 1));
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ComPtr<IOutbox> outbox;
    ASSERT_HRESULT_SUCCEEDED(demo->GetOutbox(&outbox));
    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(outbox->GetCount(&count));
    ASSERT_EQ(count, 2);
    std::vector<HRESULT> reads;
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IOutboxItem> item = StandIn::item<IOutboxItem>(outbox.Get(), i);
        ASSERT_TRUE(item);
        LONG value = 0;
        Bstr name;
        reads.push_back(item->GetStatus(&value));
        ASSERT_HRESULT_SUCCEEDED(item->GetServiceName(name.out()));
    }
    Bstr log;
    ASSERT_HRESULT_SUCCEEDED(control->GetCallLog(log.out()));
    EXPECT_EQ(LR"([{"hr":"0x00000000","method":"IPen::GetOutbox"}])", log.str());
    EXPECT_EQ(E_ABORT, reads[0]);
    EXPECT_EQ(std::vector<HRESULT>(reads.size() - 1, S_OK),
              std::vector<HRESULT>(reads.begin() + 1, reads.end()));

    // The rule went with the first copy: the next one reads fine.
    ComPtr<IOutbox> again;
    ASSERT_HRESULT_SUCCEEDED(demo->GetOutbox(&again));
    ComPtr<IOutboxItem> first = StandIn::item<IOutboxItem>(again.Get(), 1);
    ASSERT_TRUE(first);
    LONG value = 0;
    EXPECT_HRESULT_SUCCEEDED(first->GetStatus(&value));

    // A write reaches the pen, and the pen's own item refuses what the pen refuses.
    Bstr visited(L"IOutboxItem::SetVisited");
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(visited.value, E_ACCESSDENIED, 1));
    EXPECT_EQ(E_ACCESSDENIED, first->SetVisited(VARIANT_TRUE));
    VARIANT_BOOL seen = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(first->IsVisited(&seen));
    EXPECT_EQ(VARIANT_FALSE, seen);
    ASSERT_HRESULT_SUCCEEDED(first->SetVisited(VARIANT_TRUE));
    ComPtr<IOutbox> fresh;
    ASSERT_HRESULT_SUCCEEDED(demo->GetOutbox(&fresh));
    ComPtr<IOutboxItem> reread = StandIn::item<IOutboxItem>(fresh.Get(), 1);
    ASSERT_TRUE(reread);
    ASSERT_HRESULT_SUCCEEDED(reread->IsVisited(&seen));
    EXPECT_EQ(VARIANT_TRUE, seen);
}

TEST_F(PenManagerTest, StateSurvivesQuitAndRestart) {
    dock(L"KEEP-1");
    Bstr id(L"KEEP-1");
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_TRUE));
    Bstr path(L"/pens/KEEP-1/battery/remainingCharge");
    VARIANT charge;
    VariantInit(&charge);
    charge.vt = VT_I4;
    charge.lVal = 33;
    ASSERT_HRESULT_SUCCEEDED(control->SetValue(path.value, charge));

    ASSERT_NO_FATAL_FAILURE(quitServer());

    connect();
    LONG newPid = 0;
    ASSERT_HRESULT_SUCCEEDED(control->GetProcessId(&newPid));
    EXPECT_NE(quitPid, newPid);
    ComPtr<IPen> kept = pen(L"KEEP-1");
    ASSERT_TRUE(kept);
    VARIANT_BOOL locked = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(kept->IsLocked(&locked));
    EXPECT_EQ(VARIANT_TRUE, locked);
    VARIANT_BOOL unlocked = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(kept->Unlock(&unlocked));
    ComPtr<IBatteryStatus> battery;
    ASSERT_HRESULT_SUCCEEDED(kept->GetBatteryStatus(&battery));
    LONG value = 0;
    ASSERT_HRESULT_SUCCEEDED(battery->GetRemainingCharge(&value));
    EXPECT_EQ(33, value);
    EXPECT_TRUE(pen(kDemoPen)); // the demo pen is not made again, nor lost
}

TEST_F(PenManagerTest, RestartRefusesCorruptAndForeignPenFilesAndKeepsTheRest) {
    dock(L"GOOD-1");
    ASSERT_NO_FATAL_FAILURE(quitServer());
    const std::wstring folder = penFolder();
    writeFile(folder + L"BAD-1.json", "{\"format\": \"quillpad-penmanager-pen\", \"ver");
    writeFile(folder + L"FOREIGN-1.json",
              R"({"format": "other", "version": 1, "pen": {"id": "FOREIGN-1", "docked": true}})");
    writeFile(folder + L"MISNAMED-1.json",
              R"({"format": "quillpad-penmanager-pen", "version": 1,)"
              R"( "pen": {"id": "OTHER-1", "docked": true}})");
    // What a write interrupted before its rename leaves behind.
    writeFile(folder + L"GOOD-1.json.tmp", "{\"format");

    connect();
    EXPECT_TRUE(penReachable(L"GOOD-1"));
    EXPECT_TRUE(penReachable(kDemoPen));
    EXPECT_FALSE(penReachable(L"BAD-1"));
    EXPECT_FALSE(penReachable(L"FOREIGN-1"));
    EXPECT_FALSE(penReachable(L"OTHER-1"));
    Bstr state;
    ASSERT_HRESULT_SUCCEEDED(control->DumpState(&state.value));
    EXPECT_EQ(std::wstring::npos, state.str().find(L"BAD-1"));
    EXPECT_EQ(std::wstring::npos, state.str().find(L"OTHER-1"));

    ComPtr<IPen> good = pen(L"GOOD-1");
    ASSERT_TRUE(good);
    Bstr id;
    ASSERT_HRESULT_SUCCEEDED(good->GetPenId(&id.value));
    EXPECT_EQ(L"GOOD-1", id.str());
}

// Shortcuts of a pen made for the test: the second one's fax may not be changed.
const wchar_t kShortcutsJson[] =
    LR"([{"name": "Uno", "email": "uno@correo.es", "cellPhone": "600 000 001", "fax": ""},)"
    LR"( {"name": "Dos", "email": "dos@correo.es", "cellPhone": "600 000 002", "fax": "91 000 002",)"
    LR"(  "readOnly": {"fax": true}},)"
    LR"( {"name": "Tres", "email": "", "cellPhone": "", "fax": ""}])";

TEST_F(PenManagerTest, ShortcutChangesReachThePenOnlyWhenTheCollectionIsWrittenBack) {
    dock(L"SC-1");
    Bstr path(L"/pens/SC-1/shortcuts"), json(kShortcutsJson);
    ASSERT_HRESULT_SUCCEEDED(control->SetJson(path.value, json.value));
    ComPtr<IPen> p = pen(L"SC-1");
    ASSERT_TRUE(p);
    auto onPen = [&](LONG index, HRESULT (STDMETHODCALLTYPE IAddressShortcut::*getter)(BSTR*)) {
        ComPtr<IAddressShortcuts> fresh;
        EXPECT_HRESULT_SUCCEEDED(p->GetAddressShortcuts(&fresh));
        ComPtr<IAddressShortcut> shortcut = fresh ? StandIn::item<IAddressShortcut>(fresh.Get(), index) : nullptr;
        Bstr value;
        if (shortcut)
            (shortcut.Get()->*getter)(value.out());
        return value.str();
    };

    ComPtr<IAddressShortcuts> copy;
    ASSERT_HRESULT_SUCCEEDED(p->GetAddressShortcuts(&copy));
    LONG count = 0;
    ASSERT_HRESULT_SUCCEEDED(copy->GetCount(&count));
    ASSERT_EQ(3, count);
    VARIANT none;
    VariantInit(&none);
    EXPECT_HRESULT_FAILED(copy->GetItem(4, &none));
    EXPECT_HRESULT_FAILED(copy->GetItem(0, &none));
    ComPtr<IAddressShortcut> first = StandIn::item<IAddressShortcut>(copy.Get(), 1);
    ComPtr<IAddressShortcut> second = StandIn::item<IAddressShortcut>(copy.Get(), 2);
    ASSERT_TRUE(first && second);
    Bstr name(L"Núria"), fax(L"93 111 22 33"), email(L"");
    ASSERT_HRESULT_SUCCEEDED(first->SetName(name.value));
    ASSERT_HRESULT_SUCCEEDED(second->SetEmail(email.value));
    EXPECT_EQ(E_ACCESSDENIED, second->SetFax(fax.value));
    EXPECT_EQ(L"Uno", onPen(1, &IAddressShortcut::GetName)); // not written back yet

    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ASSERT_HRESULT_SUCCEEDED(p->SetAddressShortcuts(copy.Get()));
    Bstr log;
    ASSERT_HRESULT_SUCCEEDED(control->GetCallLog(log.out()));
    EXPECT_EQ(LR"([{"hr":"0x00000000","method":"IPen::SetAddressShortcuts"}])", log.str());
    EXPECT_EQ(L"Núria", onPen(1, &IAddressShortcut::GetName));
    EXPECT_EQ(L"", onPen(2, &IAddressShortcut::GetEmail));
    EXPECT_EQ(L"91 000 002", onPen(2, &IAddressShortcut::GetFax));
    EXPECT_EQ(L"Tres", onPen(3, &IAddressShortcut::GetName));

    // Only a collection this pen manager handed out can be written back.
    EXPECT_EQ(E_INVALIDARG, p->SetAddressShortcuts(nullptr));

    // The pen has a fixed number of shortcuts: a copy with more does not add any.
    Bstr twoOnly(LR"([{"name": "A"}, {"name": "B", "readOnly": {"name": true}}])");
    ASSERT_HRESULT_SUCCEEDED(control->SetJson(path.value, twoOnly.value));
    ASSERT_HRESULT_SUCCEEDED(p->SetAddressShortcuts(copy.Get()));
    ComPtr<IAddressShortcuts> after;
    ASSERT_HRESULT_SUCCEEDED(p->GetAddressShortcuts(&after));
    ASSERT_HRESULT_SUCCEEDED(after->GetCount(&count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(L"Núria", onPen(1, &IAddressShortcut::GetName));
    EXPECT_EQ(L"B", onPen(2, &IAddressShortcut::GetName)); // read-only on the pen when written back
}

TEST_F(PenManagerTest, IspSettingsChangesReachTheDeviceOnlyWhenWrittenBack) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    ComPtr<IPairedDevices> devices;
    ASSERT_HRESULT_SUCCEEDED(demo->GetPairedDevices(&devices));
    ComPtr<IPairedDevice> phone = StandIn::item<IPairedDevice>(devices.Get(), 1);
    ComPtr<IPairedDevice> other = StandIn::item<IPairedDevice>(devices.Get(), 2);
    ASSERT_TRUE(phone && other);
    auto settingsOf = [](IPairedDevice* device) {
        ComPtr<IIspSettings> settings;
        EXPECT_HRESULT_SUCCEEDED(device->GetIspSettings(&settings));
        return settings;
    };
    auto apnOf = [&](IPairedDevice* device) {
        ComPtr<IIspSettings> settings = settingsOf(device);
        ComPtr<IDialUpAccount> account;
        Bstr apn;
        if (settings && SUCCEEDED(settings->GetOSSecondaryAccount(&account)))
            account->GetApn(apn.out());
        return apn.str();
    };

    // Both demo devices carry all four accounts.
    for (IPairedDevice* device : {phone.Get(), other.Get()}) {
        ComPtr<IIspSettings> settings = settingsOf(device);
        ASSERT_TRUE(settings);
        ComPtr<IDialUpAccount> a, b, c, d;
        EXPECT_HRESULT_SUCCEEDED(settings->GetSSPrimaryAccount(&a));
        EXPECT_HRESULT_SUCCEEDED(settings->GetSSSecondaryAccount(&b));
        EXPECT_HRESULT_SUCCEEDED(settings->GetOSPrimaryAccount(&c));
        EXPECT_HRESULT_SUCCEEDED(settings->GetOSSecondaryAccount(&d));
    }

    const std::wstring otherApn = apnOf(other.Get());
    ComPtr<IIspSettings> copy = settingsOf(phone.Get());
    ASSERT_TRUE(copy);
    LONG priority = -1;
    ASSERT_HRESULT_SUCCEEDED(copy->GetPriority(&priority));
    const LONG newPriority = priority == 0 ? 1 : 0;
    EXPECT_EQ(E_INVALIDARG, copy->SetPriority(2));
    ASSERT_HRESULT_SUCCEEDED(copy->SetPriority(newPriority));
    ComPtr<IDialUpAccount> account;
    ASSERT_HRESULT_SUCCEEDED(copy->GetOSSecondaryAccount(&account));
    Bstr apn(L"internet.nuevo.es"), badDns(L"300.1.1.1"), shortDns(L"10.0.0"), noDns(L"");
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ASSERT_HRESULT_SUCCEEDED(account->SetApn(apn.value));
    EXPECT_EQ(E_INVALIDARG, account->SetPrimaryDns(badDns.value));
    EXPECT_EQ(E_INVALIDARG, account->SetPrimaryDns(shortDns.value));
    ASSERT_HRESULT_SUCCEEDED(account->SetPrimaryDns(noDns.value));
    EXPECT_EQ(E_INVALIDARG, account->SetAuthentication(3));
    ASSERT_HRESULT_SUCCEEDED(account->SetAuthentication(2));
    EXPECT_NE(L"internet.nuevo.es", apnOf(phone.Get())); // not written back yet

    ASSERT_HRESULT_SUCCEEDED(phone->SetIspSettings(copy.Get()));
    EXPECT_EQ(L"internet.nuevo.es", apnOf(phone.Get()));
    EXPECT_EQ(otherApn, apnOf(other.Get())); // the other phone keeps its own
    ComPtr<IIspSettings> fresh = settingsOf(phone.Get());
    ASSERT_HRESULT_SUCCEEDED(fresh->GetPriority(&priority));
    EXPECT_EQ(newPriority, priority);
    ComPtr<IDialUpAccount> written;
    ASSERT_HRESULT_SUCCEEDED(fresh->GetOSSecondaryAccount(&written));
    Bstr dns;
    ASSERT_HRESULT_SUCCEEDED(written->GetPrimaryDns(dns.out()));
    EXPECT_EQ(L"", dns.str());
    LONG mode = -1;
    ASSERT_HRESULT_SUCCEEDED(written->GetAuthentication(&mode));
    EXPECT_EQ(2, mode);

    // The call log shows what a page did, failures included.
    Bstr log;
    ASSERT_HRESULT_SUCCEEDED(control->GetCallLog(log.out()));
    const std::wstring calls = log.str();
    EXPECT_NE(std::wstring::npos, calls.find(LR"({"hr":"0x00000000","method":"IDialUpAccount::SetApn"})"));
    EXPECT_NE(std::wstring::npos, calls.find(LR"({"hr":"0x80070057","method":"IDialUpAccount::SetAuthentication"})"));
    EXPECT_NE(std::wstring::npos, calls.find(LR"({"hr":"0x00000000","method":"IPairedDevice::SetIspSettings"})"));

    // A read-only field of an account is refused on the copy.
    ASSERT_NO_FATAL_FAILURE(setFlag(L"/pens/AAA-BBB-CCC-DD/pairedDevices/0/isp/osSecondary/readOnly/apn"));
    ComPtr<IDialUpAccount> locked;
    ASSERT_HRESULT_SUCCEEDED(settingsOf(phone.Get())->GetOSSecondaryAccount(&locked));
    EXPECT_EQ(E_ACCESSDENIED, locked->SetApn(apn.value));
    EXPECT_EQ(E_INVALIDARG, phone->SetIspSettings(nullptr));
}

TEST_F(PenManagerTest, UnregisteredPasswordMakesTheNextDockingAskTheOwner) {
    dock(L"PWS-1");
    ComPtr<IPen> p = pen(L"PWS-1");
    ASSERT_TRUE(p);
    Bstr password(L"Clave9"), id(L"PWS-1");
    VARIANT_BOOL done = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(p->SetPenPassword(password.value, &done));
    ASSERT_EQ(VARIANT_TRUE, done);
    auto redock = [&] {
        EXPECT_HRESULT_SUCCEEDED(control->Undock(id.value));
        dock(L"PWS-1");
        p = pen(L"PWS-1");
        VARIANT_BOOL locked = VARIANT_FALSE;
        EXPECT_HRESULT_SUCCEEDED(p->IsLocked(&locked));
        return locked == VARIANT_TRUE;
    };
    EXPECT_FALSE(redock()); // the password set here is saved here

    ASSERT_HRESULT_SUCCEEDED(p->UnregisterPassword());
    EXPECT_TRUE(redock());
    VARIANT_BOOL unlocked = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(p->Unlock(&unlocked));
    EXPECT_EQ(VARIANT_FALSE, unlocked); // nothing saved to unlock it with

    ASSERT_HRESULT_SUCCEEDED(control->Unlock(id.value)); // the owner gives the password
    EXPECT_FALSE(redock());
}

TEST_F(PenManagerTest, DelaysFailuresAndRawEventsAsInjected) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    Bstr method(L"IPen::GetPenId");
    ASSERT_HRESULT_SUCCEEDED(control->DelayMethod(method.value, 300, 1));
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(method.value, static_cast<LONG>(0x80040155), 1));
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    Bstr id;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(static_cast<HRESULT>(0x80040155), demo->GetPenId(id.out())); // delayed, then failed
    EXPECT_GE(GetTickCount64() - start, 280u);
    start = GetTickCount64();
    EXPECT_HRESULT_SUCCEEDED(demo->GetPenId(id.out()));
    EXPECT_LT(GetTickCount64() - start, 200u);
    Bstr log;
    ASSERT_HRESULT_SUCCEEDED(control->GetCallLog(log.out()));
    EXPECT_EQ(LR"([{"hr":"0x80040155","method":"IPen::GetPenId"},{"hr":"0x00000000","method":"IPen::GetPenId"}])",
              log.str());
    EXPECT_EQ(E_INVALIDARG, control->FailMethod(method.value, S_OK, 1));
    EXPECT_EQ(E_INVALIDARG, control->DelayMethod(method.value, -1, 1));

    // Raw events reach every sink as given; a sink's refusal comes back to the caller.
    ComPtr<IConnectionPoint> point = eventPoint();
    ASSERT_TRUE(point);
    RecordingSink first, second;
    DWORD cookies[2] = {};
    ASSERT_HRESULT_SUCCEEDED(point->Advise(&first, &cookies[0]));
    ASSERT_HRESULT_SUCCEEDED(point->Advise(&second, &cookies[1]));
    second.answer = DISP_E_TYPEMISMATCH;
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    LONG index = 0;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"RAW-1");
    SafeArrayPutElement(array, &index, &arg);
    VariantClear(&arg);
    index = 1;
    arg.vt = VT_I4;
    arg.lVal = 7;
    SafeArrayPutElement(array, &index, &arg);
    VARIANT args;
    VariantInit(&args);
    args.vt = VT_ARRAY | VT_VARIANT;
    args.parray = array;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              control->FireEvent(9, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, VARIANT_TRUE));
    VariantClear(&args);
    ASSERT_EQ(1u, first.calls.size());
    EXPECT_EQ(9, first.calls[0].id);
    EXPECT_EQ(DISPATCH_METHOD | DISPATCH_PROPERTYGET, first.calls[0].flags);
    EXPECT_EQ((std::vector<std::wstring>{L"RAW-1", L"7"}), first.calls[0].bstrArgs);
    EXPECT_EQ(1u, second.calls.size());

    // The connection point lists its sinks.
    ComPtr<IEnumConnections> connections;
    ASSERT_HRESULT_SUCCEEDED(point->EnumConnections(&connections));
    // One at a time and without a fetched count: Wine's proxy does not pass that back.
    std::vector<DWORD> listed;
    CONNECTDATA data{};
    while (listed.size() < 5 && connections->Next(1, &data, nullptr) == S_OK) {
        listed.push_back(data.dwCookie);
        data.pUnk->Release();
    }
    EXPECT_EQ((std::vector<DWORD>{cookies[0], cookies[1]}), listed);
    for (DWORD cookie : cookies)
        ASSERT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
}

} // namespace
