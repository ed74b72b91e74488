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
#include <functional>
#include <string>
#include <thread>
#include <tuple>
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
        return S_OK;
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

// The liveness probe the panel relies on, and the demo pen listed with its values.
TEST_F(PenManagerTest, FirstStartListsTheDockedDemoPenWithItsValues) {
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, manager->QueryInterface(GUID_NULL, reinterpret_cast<void**>(none.GetAddressOf())));
    ComPtr<IPens> pens = read(manager, &IPenManager::GetPens);
    ASSERT_TRUE(pens);
    const LONG count = read(pens, &IPens::GetCount);
    bool found = false;
    for (LONG i = 1; i <= count; ++i)
        found = found || read(StandIn::item<IPen>(pens.Get(), i), &IPen::GetPenId) == kDemoPen;
    EXPECT_TRUE(found);
    VARIANT item;
    VariantInit(&item);
    EXPECT_HRESULT_FAILED(pens->GetItem(count + 1, &item));
    ComPtr<IPen> demo = pen(kDemoPen);
    ASSERT_TRUE(demo);
    EXPECT_EQ(VARIANT_FALSE, read(demo, &IPen::IsLocked));
    ComPtr<IPairedDevices> devices = read(demo, &IPen::GetPairedDevices);
    ASSERT_EQ(2, read(devices, &IPairedDevices::GetCount));
    // Accents survive the JSON round trip.
    EXPECT_EQ(L"Portátil oficina",
              read(StandIn::item<IPairedDevice>(devices.Get(), 2), &IPairedDevice::GetDeviceName));
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

TEST_F(PenManagerTest, OutboxFollowsAddsVisitsAndRemovals) {
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

// What each call saved is there after a restart; pen files that are corrupt, of another
// format, misnamed or left half-written are refused and the rest kept.
TEST_F(PenManagerTest, RestartKeepsWhatWasSavedAndRefusesBadPenFiles) {
    for (const wchar_t* id : {L"KEEP-1", L"KEEP-2", L"KEEP-3"})
        dock(id);
    ASSERT_HRESULT_SUCCEEDED(control->Lock(Bstr(L"KEEP-1").value, VARIANT_TRUE));
    ASSERT_NO_FATAL_FAILURE(setValue(L"/pens/KEEP-1/battery/remainingCharge", VT_I4, 33));
    // The last writes, each on a pen of its own, so that each call must have saved its pen.
    ASSERT_HRESULT_SUCCEEDED(pen(L"KEEP-2")->SetPasswordHint(Bstr(L"pista").value));
    ASSERT_NO_FATAL_FAILURE(setPassword(pen(L"KEEP-3").Get(), L"Clave9"));
    ASSERT_NO_FATAL_FAILURE(quitServer());
    const std::pair<const wchar_t*, const char*> files[] = {
        {L"BAD-1.json", "{\"format\": \"quillpad-penmanager-pen\", \"ver"},
        {L"FOREIGN-1.json", R"({"format": "other", "version": 1, "pen": {"id": "FOREIGN-1", "docked": true}})"},
        {L"MISNAMED-1.json",
         R"({"format": "quillpad-penmanager-pen", "version": 1, "pen": {"id": "OTHER-1", "docked": true}})"},
        {L"KEEP-2.json.tmp", "{\"format"}, // what a write interrupted before its rename leaves behind
    };
    for (const auto& [name, content] : files)
        writeFile(penFolder() + name, content);

    connect();
    EXPECT_NE(quitPid, read(control, &IPenManagerControl::GetProcessId));
    for (auto [id, reachable] : {std::pair{kDemoPen, true}, // not made again, nor lost
                                 {L"BAD-1", false},
                                 {L"FOREIGN-1", false},
                                 {L"OTHER-1", false}})
        EXPECT_EQ(reachable, penReachable(id)) << id;
    EXPECT_EQ(std::wstring::npos, state().find(L"OTHER-1"));
    ComPtr<IPen> kept = pen(L"KEEP-1");
    ASSERT_TRUE(kept);
    EXPECT_EQ(VARIANT_TRUE, read(kept, &IPen::IsLocked));
    read(kept, &IPen::Unlock);
    EXPECT_EQ(33, read(read(kept, &IPen::GetBatteryStatus), &IBatteryStatus::GetRemainingCharge));
    EXPECT_EQ(L"pista", read(pen(L"KEEP-2"), &IPen::GetPasswordHint));
    VARIANT_BOOL done = VARIANT_FALSE;
    ASSERT_HRESULT_SUCCEEDED(pen(L"KEEP-3")->RemovePenPassword(Bstr(L"Clave9").value, &done)); // judged as kept
    EXPECT_EQ(VARIANT_TRUE, done);
}

// Shortcuts of a pen made for the test: the second one's fax may not be changed.
const wchar_t kShortcutsJson[] =
    LR"([{"name": "Uno", "email": "uno@correo.es", "cellPhone": "600 000 001", "fax": ""},)"
    LR"( {"name": "Dos", "email": "dos@correo.es", "cellPhone": "600 000 002", "fax": "91 000 002",)"
    LR"(  "readOnly": {"fax": true}},)"
    LR"( {"name": "Tres", "email": "", "cellPhone": "", "fax": ""}])";

// A page changes a copy (the user data, the shortcuts, a phone's ISP settings) and
// writes it back once: nothing reaches the pen before, all of it after, and what the pen
// refuses (read-only fields, values out of range) is refused on the copy and kept.
TEST_F(PenManagerTest, CopiesReachThePenOnlyWhenWrittenBack) {
    ComPtr<IPen> p = docked(L"COPY-1"), demo = pen(kDemoPen);
    ASSERT_TRUE(p && demo);
    ASSERT_HRESULT_SUCCEEDED(control->SetJson(Bstr(L"/pens/COPY-1/shortcuts").value, Bstr(kShortcutsJson).value));
    ASSERT_NO_FATAL_FAILURE(setFlag(L"/pens/COPY-1/userData/readOnly/email"));
    ASSERT_NO_FATAL_FAILURE(setFlag(L"/pens/AAA-BBB-CCC-DD/pairedDevices/0/isp/osPrimary/readOnly/apn"));
    auto device = [&](LONG index) {
        return StandIn::item<IPairedDevice>(read(demo, &IPen::GetPairedDevices).Get(), index);
    };
    auto shortcut = [&](LONG index) {
        return StandIn::item<IAddressShortcut>(read(p, &IPen::GetAddressShortcuts).Get(), index);
    };
    auto account = [&](LONG index) {
        return read(read(device(index), &IPairedDevice::GetIspSettings), &IIspSettings::GetOSSecondaryAccount);
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
    const std::wstring otherApn = read(account(2), &IDialUpAccount::GetApn);
    VARIANT none;
    VariantInit(&none);
    EXPECT_HRESULT_FAILED(shortcuts->GetItem(4, &none));

    const std::pair<HRESULT, std::function<HRESULT()>> changes[] = {
        {S_OK, [&] { return user->SetName(Bstr(L"Íñigo Ñúñez").value); }},
        {S_OK, [&] { return delivery->SetCity(Bstr(L"Cádiz").value); }},
        {E_ACCESSDENIED, [&] { return user->SetEmail(Bstr(L"otro@correo.es").value); }},
        {S_OK, [&] { return first->SetName(Bstr(L"Núria").value); }},
        {S_OK, [&] { return second->SetEmail(Bstr(L"").value); }},
        {E_ACCESSDENIED, [&] { return second->SetFax(Bstr(L"93 111 22 33").value); }},
        {E_INVALIDARG, [&] { return isp->SetPriority(2); }},
        {S_OK, [&] { return isp->SetPriority(priority); }},
        {S_OK, [&] { return dialUp->SetApn(Bstr(L"internet.nuevo.es").value); }},
        {E_ACCESSDENIED, [&] { return readOnly->SetApn(Bstr(L"internet.nuevo.es").value); }},
        {E_INVALIDARG, [&] { return dialUp->SetPrimaryDns(Bstr(L"300.1.1.1").value); }},
        {E_INVALIDARG, [&] { return dialUp->SetPrimaryDns(Bstr(L"10.0.0").value); }},
        {S_OK, [&] { return dialUp->SetPrimaryDns(Bstr(L"").value); }},
        {E_INVALIDARG, [&] { return dialUp->SetAuthentication(3); }},
        {S_OK, [&] { return dialUp->SetAuthentication(2); }},
    };
    for (size_t i = 0; i < std::size(changes); ++i)
        EXPECT_EQ(changes[i].first, changes[i].second()) << "change " << i;

    // What the pen holds: before the write-back, after it.
    const std::tuple<const wchar_t*, std::function<std::wstring()>, std::wstring> onPen[] = {
        {L"name", [&] { // a pen made for the test has none until one is written back
             Bstr name;
             read(p, &IPen::GetUserData)->GetName(name.out());
             return name.str();
         }, L"Íñigo Ñúñez"},
        {L"city", [&] { return state().find(L"Cádiz") != std::wstring::npos ? L"Cádiz" : L""; }, L"Cádiz"},
        {L"email read-only", [&] { return std::to_wstring(read(read(p, &IPen::GetUserData), &IUserData::IsEmailReadOnly)); }, L"-1"},
        {L"shortcut 1", [&] { return read(shortcut(1), &IAddressShortcut::GetName); }, L"Núria"},
        {L"shortcut 2 email", [&] { return read(shortcut(2), &IAddressShortcut::GetEmail); }, L""},
        {L"shortcut 2 fax", [&] { return read(shortcut(2), &IAddressShortcut::GetFax); }, L"91 000 002"},
        {L"shortcut 3", [&] { return read(shortcut(3), &IAddressShortcut::GetName); }, L"Tres"},
        {L"apn", [&] { return read(account(1), &IDialUpAccount::GetApn); }, L"internet.nuevo.es"},
        {L"other phone's apn", [&] { return read(account(2), &IDialUpAccount::GetApn); }, otherApn},
        {L"dns", [&] { return read(account(1), &IDialUpAccount::GetPrimaryDns); }, L""},
        {L"authentication", [&] { return std::to_wstring(read(account(1), &IDialUpAccount::GetAuthentication)); }, L"2"},
        {L"priority", [&] { return std::to_wstring(read(read(device(1), &IPairedDevice::GetIspSettings), &IIspSettings::GetPriority)); },
         std::to_wstring(priority)},
    };
    std::vector<std::wstring> before;
    for (const auto& [what, value, after] : onPen)
        before.push_back(value());
    for (const wchar_t* changed : {L"name", L"city", L"shortcut 1", L"shortcut 2 email", L"apn", L"dns", L"priority"})
        for (size_t i = 0; i < std::size(onPen); ++i)
            if (std::wstring(std::get<0>(onPen[i])) == changed) {
                EXPECT_NE(std::get<2>(onPen[i]), before[i]) << changed << " reached the pen before the write-back";
            }

    ComPtr<IPairedDevice> phone = device(1);
    ASSERT_HRESULT_SUCCEEDED(control->ClearCallLog());
    ASSERT_HRESULT_SUCCEEDED(p->SetUserData(user.Get()));
    ASSERT_HRESULT_SUCCEEDED(p->SetAddressShortcuts(shortcuts.Get()));
    ASSERT_HRESULT_SUCCEEDED(phone->SetIspSettings(isp.Get()));
    EXPECT_EQ(LR"([{"hr":"0x00000000","method":"IPen::SetUserData"},)"
              LR"({"hr":"0x00000000","method":"IPen::SetAddressShortcuts"},)"
              LR"({"hr":"0x00000000","method":"IPairedDevice::SetIspSettings"}])",
              callLog());
    for (const auto& [what, value, after] : onPen)
        EXPECT_EQ(after, value()) << what;

    // Only a copy this pen manager handed out can be written back.
    EXPECT_EQ(E_INVALIDARG, p->SetAddressShortcuts(nullptr));
    EXPECT_EQ(E_INVALIDARG, phone->SetIspSettings(nullptr));
    // The pen has a fixed number of shortcuts, and its read-only ones stay when written back.
    ASSERT_HRESULT_SUCCEEDED(control->SetJson(Bstr(L"/pens/COPY-1/shortcuts").value,
                                              Bstr(LR"([{"name": "A"}, {"name": "B", "readOnly": {"name": true}}])").value));
    ASSERT_HRESULT_SUCCEEDED(p->SetAddressShortcuts(shortcuts.Get()));
    EXPECT_EQ(2, read(read(p, &IPen::GetAddressShortcuts), &IAddressShortcuts::GetCount));
    EXPECT_EQ(L"Núria", read(shortcut(1), &IAddressShortcut::GetName));
    EXPECT_EQ(L"B", read(shortcut(2), &IAddressShortcut::GetName));
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
TEST_F(PenManagerTest, DelaysAndFailuresAsInjected) {
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
                static RecordingSink passing; // lives on until the process ends
                while (firing) {
                    DWORD passingCookie = 0;
                    if (FAILED(point->Advise(&passing, &passingCookie)) || FAILED(point->Unadvise(passingCookie)))
                        break;
                    ++rounds;
                }
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
    ASSERT_TRUE(all) << sink.calls.size() << " calls, sinks " << read(control, &IPenManagerControl::GetSinkCount);
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
