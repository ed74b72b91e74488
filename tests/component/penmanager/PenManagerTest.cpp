// The stand-in pen manager as its clients see it: activated through COM, events to a
// sink, working copies written back, state kept across a restart, injected failures and
// delays, the call log.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "StandInClient.h"
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
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
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

class PenManagerTest : public StandInClient {
protected:
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
        return SUCCEEDED(manager->GetPen(Bstr(id).value, &result));
    }
    // Sets a password through the pen, as the panel's dialog does.
    void setPassword(IPen* p, const wchar_t* password) {
        VARIANT_BOOL done = VARIANT_FALSE;
        ASSERT_HRESULT_SUCCEEDED(p->SetPenPassword(Bstr(password).value, &done));
        ASSERT_EQ(VARIANT_TRUE, done);
    }
    std::wstring state() { return read(control, &IPenManagerControl::DumpState); }
    void setValue(const wchar_t* path, VARTYPE type, LONG value) {
        VARIANT v;
        VariantInit(&v);
        v.vt = type;
        if (type == VT_BOOL)
            v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        else
            v.lVal = value;
        ASSERT_HRESULT_SUCCEEDED(control->SetValue(Bstr(path).value, v));
    }
    void setFlag(const wchar_t* path) { setValue(path, VT_BOOL, 1); }
    std::wstring callLog() { return read(control, &IPenManagerControl::GetCallLog); }
    bool logged(const wchar_t* entry) { return callLog().find(entry) != std::wstring::npos; }
    ComPtr<IConnectionPoint> eventPoint() {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        EXPECT_HRESULT_SUCCEEDED(manager.As(&container));
        if (container) {
            EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID_IPenManagerEvents, &point));
        }
        return point;
    }
    void dock(const wchar_t* id) { ASSERT_HRESULT_SUCCEEDED(control->Dock(Bstr(id).value)); }
    // A sink advised on the manager's events; its cookie.
    DWORD advise(RecordingSink& sink) {
        DWORD cookie = 0;
        ComPtr<IConnectionPoint> point = eventPoint();
        EXPECT_HRESULT_SUCCEEDED(point ? point->Advise(&sink, &cookie) : E_POINTER);
        return cookie;
    }

    LONG quitPid = 0;
};

TEST_F(PenManagerTest, FirstStartListsTheDockedDemoPenWithItsValues) {
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE,
              manager->QueryInterface(GUID_NULL, reinterpret_cast<void**>(none.GetAddressOf())));

    ComPtr<IPens> pens = read(manager, &IPenManager::GetPens);
    ASSERT_TRUE(pens);
    const LONG count = read(pens, &IPens::GetCount);
    VARIANT item;
    VariantInit(&item);
    ASSERT_HRESULT_SUCCEEDED(pens->GetItem(1, &item));
    EXPECT_EQ(VT_DISPATCH, item.vt);
    VariantClear(&item);
    bool found = false;
    for (LONG i = 1; i <= count; ++i)
        found = found || read(StandIn::item<IPen>(pens.Get(), i), &IPen::GetPenId) == kDemoPen;
    EXPECT_TRUE(found);
    EXPECT_HRESULT_FAILED(pens->GetItem(count + 1, &item));

    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    EXPECT_EQ(VARIANT_FALSE, read(demo, &IPen::IsLocked));
    const LONG charge = read(read(demo, &IPen::GetBatteryStatus), &IBatteryStatus::GetRemainingCharge);
    EXPECT_GT(charge, 0);
    EXPECT_LE(charge, 100);
    ComPtr<IPairedDevices> devices = read(demo, &IPen::GetPairedDevices);
    ASSERT_EQ(2, read(devices, &IPairedDevices::GetCount));
    // Accents survive the JSON round trip.
    EXPECT_EQ(L"Portátil oficina",
              read(StandIn::item<IPairedDevice>(devices.Get(), 2), &IPairedDevice::GetDeviceName));
    EXPECT_EQ(10, read(read(demo, &IPen::GetAddressShortcuts), &IAddressShortcuts::GetCount));

    // Late binding goes through the type library as well.
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(demo.As(&dispatch));
    LPOLESTR method = const_cast<LPOLESTR>(L"GetPenId");
    DISPID dispId = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &method, 1, LOCALE_USER_DEFAULT, &dispId));
    DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_HRESULT_SUCCEEDED(dispatch->Invoke(dispId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &noArgs,
                                              &result, nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_STREQ(kDemoPen, result.bstrVal);
    VariantClear(&result);
}

TEST_F(PenManagerTest, SinkHearsDockingUnlockingAndUndockingUntilUnadvised) {
    RecordingSink sink;
    const DWORD cookie = advise(sink);
    EXPECT_EQ(1, read(control, &IPenManagerControl::GetSinkCount));

    dock(L"EVT-1");
    ASSERT_TRUE(pumpUntil([&] { return sink.received(1, L"EVT-1"); }));
    EXPECT_EQ(DISPATCH_METHOD, sink.calls.back().flags);
    EXPECT_TRUE(sink.calls.back().hadResult);

    // A locked pen that its owner cannot unlock stays locked and hides its data.
    Bstr id(L"EVT-1");
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_FALSE));
    ComPtr<IPen> p = pen(L"EVT-1");
    ASSERT_TRUE(p);
    EXPECT_EQ(VARIANT_FALSE, read(p, &IPen::Unlock));
    ComPtr<IBatteryStatus> battery;
    EXPECT_HRESULT_FAILED(p->GetBatteryStatus(&battery));
    ASSERT_HRESULT_SUCCEEDED(control->Lock(id.value, VARIANT_TRUE));
    EXPECT_EQ(VARIANT_TRUE, read(p, &IPen::Unlock));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(10, L"EVT-1"); }));

    ASSERT_HRESULT_SUCCEEDED(control->Undock(id.value));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(2, L"EVT-1"); }));
    EXPECT_FALSE(penReachable(L"EVT-1"));
    Bstr penId;
    EXPECT_HRESULT_FAILED(p->GetPenId(&penId.value)); // an undocked pen's object is dead

    ASSERT_HRESULT_SUCCEEDED(eventPoint()->Unadvise(cookie));
    size_t heard = sink.calls.size();
    dock(L"EVT-1");
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(heard, sink.calls.size());
    EXPECT_EQ(0, read(control, &IPenManagerControl::GetSinkCount));
}

TEST_F(PenManagerTest, UserDataChangesReachThePenOnlyWhenWrittenBack) {
    ComPtr<IPen> p = docked(L"USER-1");
    ASSERT_TRUE(p);
    ASSERT_NO_FATAL_FAILURE(setFlag(L"/pens/USER-1/userData/readOnly/email"));
    auto nameOnPen = [&] { // a pen made for the test has no name until one is written back
        Bstr name;
        read(p, &IPen::GetUserData)->GetName(name.out());
        return name.str();
    };

    ComPtr<IUserData> copy = read(p, &IPen::GetUserData);
    ASSERT_TRUE(copy);
    ASSERT_HRESULT_SUCCEEDED(copy->SetName(Bstr(L"Íñigo Ñúñez").value));
    ComPtr<IPostalAddress> delivery = read(copy, &IUserData::GetDeliveryAddress);
    ASSERT_TRUE(delivery);
    ASSERT_HRESULT_SUCCEEDED(delivery->SetCity(Bstr(L"Cádiz").value));
    EXPECT_EQ(L"", nameOnPen()); // not written back yet
    EXPECT_EQ(VARIANT_TRUE, read(copy, &IUserData::IsEmailReadOnly));
    EXPECT_EQ(E_ACCESSDENIED, copy->SetEmail(Bstr(L"otro@correo.es").value));

    ASSERT_HRESULT_SUCCEEDED(p->SetUserData(copy.Get()));
    EXPECT_EQ(L"Íñigo Ñúñez", nameOnPen());
    EXPECT_NE(std::wstring::npos, state().find(L"Cádiz"));
    // Flags belong to the pen, not to the copy.
    EXPECT_EQ(VARIANT_TRUE, read(read(p, &IPen::GetUserData), &IUserData::IsEmailReadOnly));
}

// The pen judges the current password (case-sensitive) and answers done; a refusal
// changes nothing, and neither does an injected failure, which the call log shows.
TEST_F(PenManagerTest, PasswordsAreCheckedCaseSensitivelyAndTheHintIsKept) {
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
    ASSERT_HRESULT_SUCCEEDED(p->SetPasswordHint(Bstr(L"El gato de María").value));
    EXPECT_EQ(L"El gato de María", read(p, &IPen::GetPasswordHint));

    for (const wchar_t* method : {L"IPen::SetPenPassword", L"IPen::SetPasswordHint"})
        ASSERT_HRESULT_SUCCEEDED(control->FailMethod(Bstr(method).value, E_ABORT, 1));
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    VARIANT_BOOL done = VARIANT_FALSE;
    EXPECT_EQ(E_ABORT, p->SetPenPassword(Bstr(L"Nueva3").value, &done));
    EXPECT_EQ(E_ABORT, p->SetPasswordHint(Bstr(L"").value));
    EXPECT_EQ(LR"([{"hr":"0x80004004","method":"IPen::SetPenPassword"},)"
              LR"({"hr":"0x80004004","method":"IPen::SetPasswordHint"}])",
              callLog());
    EXPECT_EQ(VARIANT_FALSE, read(p, &IPen::IsPasswordSet));
    EXPECT_EQ(L"El gato de María", read(p, &IPen::GetPasswordHint));
}

TEST_F(PenManagerTest, OutboxListsEveryStatusAndFollowsAddsVisitsAndRemovals) {
    ComPtr<IOutbox> outbox = read(pen(kDemoPen), &IPen::GetOutbox);
    ASSERT_TRUE(outbox);
    LONG count = read(outbox, &IOutbox::GetCount);
    EXPECT_GE(count, 12);
    std::vector<bool> seen(5);
    for (LONG i = 1; i <= count; ++i) {
        const LONG status = read(StandIn::item<IOutboxItem>(outbox.Get(), i), &IOutboxItem::GetStatus);
        ASSERT_GE(status, -1);
        ASSERT_LE(status, 3);
        seen[status + 1] = true;
    }
    EXPECT_EQ(std::vector<bool>(5, true), seen);

    dock(L"OUT-1");
    RecordingSink sink;
    const DWORD cookie = advise(sink);
    Bstr itemJson(LR"({"status": 1, "serviceName": "Fax", "seconds": 1770000000, "milliseconds": 999,)"
                  LR"( "result": 0, "url": "https://a.es/", "message": "m", "visited": false})");
    ASSERT_HRESULT_SUCCEEDED(control->AddOutboxItem(Bstr(L"OUT-1").value, itemJson.value, VARIANT_TRUE));
    ASSERT_TRUE(pumpUntil([&] { return sink.received(9, L"OUT-1"); }));
    EXPECT_EQ((std::vector<std::wstring>{L"OUT-1", L"1770000000", L"999"}), sink.calls.back().bstrArgs);
    eventPoint()->Unadvise(cookie);

    ComPtr<IOutbox> box = read(pen(L"OUT-1"), &IPen::GetOutbox);
    ASSERT_TRUE(box);
    ComPtr<IOutboxItem> added, missing, again;
    ASSERT_HRESULT_SUCCEEDED(box->GetItemByTime(1770000000, 999, &added));
    EXPECT_HRESULT_FAILED(box->GetItemByTime(1770000000, 998, &missing));
    ASSERT_HRESULT_SUCCEEDED(added->SetVisited(VARIANT_TRUE));
    ASSERT_HRESULT_SUCCEEDED(box->GetItemByTime(1770000000, 999, &again));
    EXPECT_EQ(VARIANT_TRUE, read(again, &IOutboxItem::IsVisited)); // the copy's other items see the write
    ASSERT_HRESULT_SUCCEEDED(added->Remove());
    EXPECT_EQ(0, read(box, &IOutbox::GetCount));
    LONG status = 0;
    EXPECT_HRESULT_FAILED(again->GetStatus(&status)); // the removed item is gone for everyone
}

// The outbox comes over in one call; the copy answers its reads itself, applies the
// failures injected for them once, and writes through to the pen.
TEST_F(PenManagerTest, OutboxTravelsByValueInOneCall) {
    dock(L"VAL-1");
    for (const wchar_t* item : {LR"({"status": 0, "serviceName": "Uno", "seconds": 1, "visited": false})",
                                LR"({"status": 1, "serviceName": "Dos", "seconds": 2, "visited": false})"})
        ASSERT_HRESULT_SUCCEEDED(
            control->AddOutboxItem(Bstr(L"VAL-1").value, Bstr(item).value, VARIANT_FALSE));
    ComPtr<IPen> p = pen(L"VAL-1");
    ASSERT_TRUE(p);
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(Bstr(L"IOutboxItem::GetStatus").value, E_ABORT, 1));
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ComPtr<IOutbox> outbox = read(p, &IPen::GetOutbox);
    ASSERT_TRUE(outbox);
    ASSERT_EQ(2, read(outbox, &IOutbox::GetCount));
    std::vector<HRESULT> reads;
    for (LONG i = 1; i <= 2; ++i) {
        ComPtr<IOutboxItem> item = StandIn::item<IOutboxItem>(outbox.Get(), i);
        ASSERT_TRUE(item);
        LONG value = 0;
        reads.push_back(item->GetStatus(&value));
        read(item, &IOutboxItem::GetServiceName);
    }
    EXPECT_EQ(LR"([{"hr":"0x00000000","method":"IPen::GetOutbox"}])", callLog());
    EXPECT_EQ((std::vector<HRESULT>{E_ABORT, S_OK}), reads);

    // The rule went with the first copy: the next one reads fine.
    ComPtr<IOutbox> again = read(p, &IPen::GetOutbox), fresh;
    ComPtr<IOutboxItem> first = StandIn::item<IOutboxItem>(again.Get(), 1);
    ASSERT_TRUE(first);
    read(first, &IOutboxItem::GetStatus);

    // A write reaches the pen, and the pen's own item refuses what the pen refuses.
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(Bstr(L"IOutboxItem::SetVisited").value, E_ACCESSDENIED, 1));
    EXPECT_EQ(E_ACCESSDENIED, first->SetVisited(VARIANT_TRUE));
    EXPECT_EQ(VARIANT_FALSE, read(first, &IOutboxItem::IsVisited));
    ASSERT_HRESULT_SUCCEEDED(first->SetVisited(VARIANT_TRUE));
    fresh = read(p, &IPen::GetOutbox);
    EXPECT_EQ(VARIANT_TRUE, read(StandIn::item<IOutboxItem>(fresh.Get(), 1), &IOutboxItem::IsVisited));
}

TEST_F(PenManagerTest, StateSurvivesQuitAndRestart) {
    for (const wchar_t* id : {L"KEEP-1", L"KEEP-2", L"KEEP-3"})
        dock(id);
    ASSERT_HRESULT_SUCCEEDED(control->Lock(Bstr(L"KEEP-1").value, VARIANT_TRUE));
    ASSERT_NO_FATAL_FAILURE(setValue(L"/pens/KEEP-1/battery/remainingCharge", VT_I4, 33));
    // The last writes, each on a pen of its own, so that each call must have saved its pen.
    ASSERT_HRESULT_SUCCEEDED(pen(L"KEEP-2")->SetPasswordHint(Bstr(L"pista").value));
    ASSERT_NO_FATAL_FAILURE(setPassword(pen(L"KEEP-3").Get(), L"Clave9"));

    ASSERT_NO_FATAL_FAILURE(quitServer());

    connect();
    EXPECT_NE(quitPid, read(control, &IPenManagerControl::GetProcessId));
    ComPtr<IPen> kept = pen(L"KEEP-1");
    ASSERT_TRUE(kept);
    EXPECT_EQ(VARIANT_TRUE, read(kept, &IPen::IsLocked));
    read(kept, &IPen::Unlock);
    EXPECT_EQ(33, read(read(kept, &IPen::GetBatteryStatus), &IBatteryStatus::GetRemainingCharge));
    EXPECT_EQ(L"pista", read(pen(L"KEEP-2"), &IPen::GetPasswordHint));
    VARIANT_BOOL done = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(
        pen(L"KEEP-3")->RemovePenPassword(Bstr(L"Clave9").value, &done)); // judged as kept
    EXPECT_EQ(VARIANT_TRUE, done);
    EXPECT_TRUE(pen(kDemoPen)); // the demo pen is not made again, nor lost
}

TEST_F(PenManagerTest, RestartRefusesCorruptAndForeignPenFilesAndKeepsTheRest) {
    dock(L"GOOD-1");
    ASSERT_NO_FATAL_FAILURE(quitServer());
    const std::pair<const wchar_t*, const char*> files[] = {
        {L"BAD-1.json", "{\"format\": \"quillpad-penmanager-pen\", \"ver"},
        {L"FOREIGN-1.json",
         R"({"format": "other", "version": 1, "pen": {"id": "FOREIGN-1", "docked": true}})"},
        {L"MISNAMED-1.json",
         R"({"format": "quillpad-penmanager-pen", "version": 1, "pen": {"id": "OTHER-1", "docked": true}})"},
        {L"GOOD-1.json.tmp", "{\"format"}, // what a write interrupted before its rename leaves behind
    };
    for (const auto& [name, content] : files)
        writeFile(penFolder() + name, content);

    connect();
    for (auto [id, reachable] : {std::pair{L"GOOD-1", true},
                                 {kDemoPen, true},
                                 {L"BAD-1", false},
                                 {L"FOREIGN-1", false},
                                 {L"OTHER-1", false}})
        EXPECT_EQ(reachable, penReachable(id)) << id;
    EXPECT_EQ(std::wstring::npos, state().find(L"BAD-1"));
    EXPECT_EQ(std::wstring::npos, state().find(L"OTHER-1"));
    EXPECT_EQ(L"GOOD-1", read(pen(L"GOOD-1"), &IPen::GetPenId));
}

// Shortcuts of a pen made for the test: the second one's fax may not be changed.
const wchar_t kShortcutsJson[] =
    LR"([{"name": "Uno", "email": "uno@correo.es", "cellPhone": "600 000 001", "fax": ""},)"
    LR"( {"name": "Dos", "email": "dos@correo.es", "cellPhone": "600 000 002", "fax": "91 000 002",)"
    LR"(  "readOnly": {"fax": true}},)"
    LR"( {"name": "Tres", "email": "", "cellPhone": "", "fax": ""}])";

TEST_F(PenManagerTest, ShortcutChangesReachThePenOnlyWhenTheCollectionIsWrittenBack) {
    ComPtr<IPen> p = docked(L"SC-1");
    ASSERT_TRUE(p);
    Bstr path(L"/pens/SC-1/shortcuts");
    ASSERT_HRESULT_SUCCEEDED(control->SetJson(path.value, Bstr(kShortcutsJson).value));
    auto onPen = [&](LONG index, HRESULT (STDMETHODCALLTYPE IAddressShortcut::*getter)(BSTR*)) {
        return read(StandIn::item<IAddressShortcut>(read(p, &IPen::GetAddressShortcuts).Get(), index),
                    getter);
    };

    ComPtr<IAddressShortcuts> copy = read(p, &IPen::GetAddressShortcuts);
    ASSERT_TRUE(copy);
    ASSERT_EQ(3, read(copy, &IAddressShortcuts::GetCount));
    VARIANT none;
    VariantInit(&none);
    EXPECT_HRESULT_FAILED(copy->GetItem(4, &none));
    EXPECT_HRESULT_FAILED(copy->GetItem(0, &none));
    ComPtr<IAddressShortcut> first = StandIn::item<IAddressShortcut>(copy.Get(), 1);
    ComPtr<IAddressShortcut> second = StandIn::item<IAddressShortcut>(copy.Get(), 2);
    ASSERT_TRUE(first && second);
    ASSERT_HRESULT_SUCCEEDED(first->SetName(Bstr(L"Núria").value));
    ASSERT_HRESULT_SUCCEEDED(second->SetEmail(Bstr(L"").value));
    EXPECT_EQ(E_ACCESSDENIED, second->SetFax(Bstr(L"93 111 22 33").value));
    EXPECT_EQ(L"Uno", onPen(1, &IAddressShortcut::GetName)); // not written back yet

    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ASSERT_HRESULT_SUCCEEDED(p->SetAddressShortcuts(copy.Get()));
    EXPECT_EQ(LR"([{"hr":"0x00000000","method":"IPen::SetAddressShortcuts"}])", callLog());
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
    EXPECT_EQ(2, read(read(p, &IPen::GetAddressShortcuts), &IAddressShortcuts::GetCount));
    EXPECT_EQ(L"Núria", onPen(1, &IAddressShortcut::GetName));
    EXPECT_EQ(L"B", onPen(2, &IAddressShortcut::GetName)); // read-only on the pen when written back
}

TEST_F(PenManagerTest, IspSettingsChangesReachTheDeviceOnlyWhenWrittenBack) {
    ComPtr<IPairedDevices> devices = read(pen(kDemoPen), &IPen::GetPairedDevices);
    ASSERT_TRUE(devices);
    ComPtr<IPairedDevice> phone = StandIn::item<IPairedDevice>(devices.Get(), 1);
    ComPtr<IPairedDevice> other = StandIn::item<IPairedDevice>(devices.Get(), 2);
    ASSERT_TRUE(phone && other);
    auto accountOf = [](IPairedDevice* device) {
        return read(read(device, &IPairedDevice::GetIspSettings), &IIspSettings::GetOSSecondaryAccount);
    };
    auto apnOf = [&](IPairedDevice* device) { return read(accountOf(device), &IDialUpAccount::GetApn); };

    // Both demo devices carry all four accounts.
    for (IPairedDevice* device : {phone.Get(), other.Get()}) {
        ComPtr<IIspSettings> settings = read(device, &IPairedDevice::GetIspSettings);
        for (auto account : {&IIspSettings::GetSSPrimaryAccount, &IIspSettings::GetSSSecondaryAccount,
                             &IIspSettings::GetOSPrimaryAccount, &IIspSettings::GetOSSecondaryAccount})
            EXPECT_TRUE(read(settings, account));
    }

    const std::wstring otherApn = apnOf(other.Get());
    ComPtr<IIspSettings> copy = read(phone, &IPairedDevice::GetIspSettings);
    ASSERT_TRUE(copy);
    const LONG newPriority = read(copy, &IIspSettings::GetPriority) == 0 ? 1 : 0;
    EXPECT_EQ(E_INVALIDARG, copy->SetPriority(2));
    ASSERT_HRESULT_SUCCEEDED(copy->SetPriority(newPriority));
    ComPtr<IDialUpAccount> account = read(copy, &IIspSettings::GetOSSecondaryAccount);
    ASSERT_TRUE(account);
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ASSERT_HRESULT_SUCCEEDED(account->SetApn(Bstr(L"internet.nuevo.es").value));
    for (const wchar_t* refused : {L"300.1.1.1", L"10.0.0"})
        EXPECT_EQ(E_INVALIDARG, account->SetPrimaryDns(Bstr(refused).value)) << refused;
    ASSERT_HRESULT_SUCCEEDED(account->SetPrimaryDns(Bstr(L"").value));
    EXPECT_EQ(E_INVALIDARG, account->SetAuthentication(3));
    ASSERT_HRESULT_SUCCEEDED(account->SetAuthentication(2));
    EXPECT_NE(L"internet.nuevo.es", apnOf(phone.Get())); // not written back yet

    ASSERT_HRESULT_SUCCEEDED(phone->SetIspSettings(copy.Get()));
    EXPECT_EQ(L"internet.nuevo.es", apnOf(phone.Get()));
    EXPECT_EQ(otherApn, apnOf(other.Get())); // the other phone keeps its own
    EXPECT_EQ(newPriority, read(read(phone, &IPairedDevice::GetIspSettings), &IIspSettings::GetPriority));
    ComPtr<IDialUpAccount> written = accountOf(phone.Get());
    EXPECT_EQ(L"", read(written, &IDialUpAccount::GetPrimaryDns));
    EXPECT_EQ(2, read(written, &IDialUpAccount::GetAuthentication));

    // The call log shows what a page did, failures included.
    for (const wchar_t* call : {LR"({"hr":"0x00000000","method":"IDialUpAccount::SetApn"})",
                                LR"({"hr":"0x80070057","method":"IDialUpAccount::SetAuthentication"})",
                                LR"({"hr":"0x00000000","method":"IPairedDevice::SetIspSettings"})"})
        EXPECT_TRUE(logged(call)) << call;

    // A read-only field of an account is refused on the copy.
    ASSERT_NO_FATAL_FAILURE(setFlag(L"/pens/AAA-BBB-CCC-DD/pairedDevices/0/isp/osSecondary/readOnly/apn"));
    EXPECT_EQ(E_ACCESSDENIED, accountOf(phone.Get())->SetApn(Bstr(L"internet.nuevo.es").value));
    EXPECT_EQ(E_INVALIDARG, phone->SetIspSettings(nullptr));
}

TEST_F(PenManagerTest, UnregisteredPasswordMakesTheNextDockingAskTheOwner) {
    ComPtr<IPen> p = docked(L"PWS-1");
    ASSERT_TRUE(p);
    ASSERT_NO_FATAL_FAILURE(setPassword(p.Get(), L"Clave9"));
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

// A rule hits only the named method, the given number of times (-1: until cleared);
// every call shows in the call log with its result.
TEST_F(PenManagerTest, DelaysFailuresAndRawEventsAsInjected) {
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    const HRESULT injected = static_cast<HRESULT>(0x80040155);
    Bstr method(L"IPen::GetPenId"), id;
    ASSERT_HRESULT_SUCCEEDED(control->DelayMethod(method.value, 300, 1));
    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(method.value, injected, 1));
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(injected, demo->GetPenId(id.out())); // delayed, then failed
    EXPECT_GE(GetTickCount64() - start, 280u);
    start = GetTickCount64();
    EXPECT_HRESULT_SUCCEEDED(demo->GetPenId(id.out()));
    EXPECT_LT(GetTickCount64() - start, 200u);
    EXPECT_EQ(
        LR"([{"hr":"0x80040155","method":"IPen::GetPenId"},{"hr":"0x00000000","method":"IPen::GetPenId"}])",
        callLog());

    ASSERT_HRESULT_SUCCEEDED(control->FailMethod(method.value, injected, -1));
    EXPECT_EQ(injected, demo->GetPenId(id.out()));
    EXPECT_EQ(injected, demo->GetPenId(id.out()));
    read(demo, &IPen::IsLocked); // other methods are untouched
    ASSERT_HRESULT_SUCCEEDED(control->ClearFaults());
    EXPECT_HRESULT_SUCCEEDED(demo->GetPenId(id.out()));
    EXPECT_EQ(E_INVALIDARG, control->FailMethod(method.value, S_OK, 1));
    EXPECT_EQ(E_INVALIDARG, control->DelayMethod(method.value, -1, 1));

    // Raw events reach every sink as given; a sink's refusal comes back to the caller.
    RecordingSink first, second;
    const DWORD cookies[] = {advise(first), advise(second)};
    second.answer = DISP_E_TYPEMISMATCH;
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2); // the arguments in call order
    VARIANT* items = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SafeArrayAccessData(array, reinterpret_cast<void**>(&items)));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocString(L"RAW-1");
    items[1].vt = VT_I4;
    items[1].lVal = 7;
    SafeArrayUnaccessData(array);
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

    ComPtr<IConnectionPoint> point = eventPoint();
    for (DWORD cookie : cookies)
        ASSERT_HRESULT_SUCCEEDED(point->Unadvise(cookie));
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
    ASSERT_HRESULT_SUCCEEDED(eventPoint()->Unadvise(cookie));
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
            ComPtr<IConnectionPointContainer> container;
            ComPtr<IConnectionPoint> point;
            if (SUCCEEDED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&own))) &&
                SUCCEEDED(own.As(&container)) &&
                SUCCEEDED(container->FindConnectionPoint(DIID_IPenManagerEvents, &point))) {
                while (firing) {
                    RecordingSink passing;
                    DWORD passingCookie = 0;
                    if (FAILED(point->Advise(&passing, &passingCookie)) || FAILED(point->Unadvise(passingCookie)))
                        break;
                    ++rounds;
                }
            }
        }
        CoUninitialize();
    });
    const int kBursts = 20, kEach = 50;
    for (int i = 0; i < kBursts; ++i)
        ASSERT_HRESULT_SUCCEEDED(control->FireBurst(Bstr(L"BURST-1").value, 9, kEach));
    const bool all = pumpUntil([&] { return sink.calls.size() >= 1 + kBursts * kEach; }, 20000);
    firing = false;
    other.join();
    ASSERT_TRUE(all) << sink.calls.size();
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
    ASSERT_HRESULT_SUCCEEDED(eventPoint()->Unadvise(cookie));
}

} // namespace
