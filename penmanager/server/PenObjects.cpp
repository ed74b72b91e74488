#include "PenObjects.h"

#include <ocidl.h>

#include <set>

#include "EventSource.h"
#include "PenStore.h"
#include "core/Log.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"

using nlohmann::json;

namespace {

// A list of the pen's state seen as a collection: a missing list counts as empty, and
// indexes count from 1.
LONG listCount(const json& list) { return list.is_array() ? static_cast<LONG>(list.size()) : 0; }
bool inList(const json& list, LONG index) { return index >= 1 && index <= listCount(list); }

// A pen that is not docked (any more) cannot be reached.
const HRESULT kPenNotDocked = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
// What a locked pen answers to everything but its id, lock state and unlock.
const HRESULT kPenLocked = E_ACCESSDENIED;

std::string toUtf8(BSTR text) { return StringPackage::wideToUtf8(text ? text : L""); }

HRESULT stringOut(const json& object, const char* key, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!object.is_object() || !object.contains(key) || !object[key].is_string())
        return E_FAIL;
    *out = SysAllocString(StringPackage::utf8ToWide(object[key].get<std::string>()).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT longOut(const json& object, const char* key, LONG* out) {
    if (!out)
        return E_POINTER;
    if (!object.is_object() || !object.contains(key) || !object[key].is_number())
        return E_FAIL;
    *out = object[key].get<LONG>();
    return S_OK;
}

HRESULT boolOut(bool value, VARIANT_BOOL* out) {
    if (!out)
        return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// The docked pen's state, or the reason it cannot be used.
json* dockedPen(const std::string& penId, HRESULT& hr, bool evenLocked = false) {
    json* pen = PenStore::instance().findPen(penId);
    if (!pen || !pen->value("docked", false)) {
        hr = kPenNotDocked;
        return nullptr;
    }
    if (!evenLocked && pen->value("locked", false)) {
        hr = kPenLocked;
        return nullptr;
    }
    hr = S_OK;
    return pen;
}

#define PM_PEN(evenLocked)                               \
    HRESULT penHr = S_OK;                                \
    json* pen = dockedPen(penId_, penHr, evenLocked);    \
    if (!pen)                                            \
        return penHr

class BatteryStatus : public DispatchObject<IBatteryStatus> {
public:
    explicit BatteryStatus(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetRemainingCharge(LONG* v) override { return get("IBatteryStatus::GetRemainingCharge", "remainingCharge", v); }
    STDMETHODIMP GetWritingHours(LONG* v) override { return get("IBatteryStatus::GetWritingHours", "writingHours", v); }
    STDMETHODIMP GetWritingMinutes(LONG* v) override { return get("IBatteryStatus::GetWritingMinutes", "writingMinutes", v); }
    STDMETHODIMP GetStandbyHours(LONG* v) override { return get("IBatteryStatus::GetStandbyHours", "standbyHours", v); }
    STDMETHODIMP GetStandbyMinutes(LONG* v) override { return get("IBatteryStatus::GetStandbyMinutes", "standbyMinutes", v); }

private:
    HRESULT get(const char* method, const char* key, LONG* out) {
        PM_ENTER(method);
        PM_PEN(false);
        return longOut((*pen)["battery"], key, out);
    }
    std::string penId_;
};

// Working copies: a page changes the copy, and the pen sees the change only when the
// copy is written back (IPen::SetUserData), as with the suite's pen manager.
class UserData;

class PostalAddress : public DispatchObject<IPostalAddress> {
public:
    PostalAddress(IUserData* owner, json& fields, bool readOnly)
        : owner_(owner), fields_(fields), readOnly_(readOnly) {
        owner_->AddRef(); // the fields live in the owner's copy
    }
    ~PostalAddress() override { owner_->Release(); }

#define PM_ADDRESS_FIELD(Name, key)                                                    \
    STDMETHODIMP Get##Name(BSTR* v) override {                                         \
        PM_ENTER("IPostalAddress::Get" #Name);                                         \
        return stringOut(fields_, key, v);                                             \
    }                                                                                  \
    STDMETHODIMP Set##Name(BSTR v) override {                                          \
        PM_ENTER("IPostalAddress::Set" #Name);                                         \
        if (readOnly_)                                                                 \
            return E_ACCESSDENIED;                                                     \
        fields_[key] = toUtf8(v);                                                      \
        return S_OK;                                                                   \
    }
    PM_ADDRESS_FIELD(Street, "street")
    PM_ADDRESS_FIELD(Street2, "street2")
    PM_ADDRESS_FIELD(City, "city")
    PM_ADDRESS_FIELD(Postal, "postal")
    PM_ADDRESS_FIELD(State, "state")
    PM_ADDRESS_FIELD(Country, "country")
#undef PM_ADDRESS_FIELD

private:
    IUserData* owner_;
    json& fields_;
    bool readOnly_;
};

class UserData : public DispatchObject<IUserData> {
public:
    explicit UserData(json copy) : copy_(std::move(copy)) {
        if (!copy_.is_object())
            copy_ = json::object();
        live().insert(this);
    }
    ~UserData() override { live().erase(this); }

    // Our own copy coming back (an object handed back to its server arrives as itself).
    static UserData* fromInterface(IUserData* userData) {
        auto it = live().find(static_cast<IUserData*>(userData));
        return it == live().end() ? nullptr : static_cast<UserData*>(*it);
    }
    const json& copy() const { return copy_; }

#define PM_USER_FIELD(Name, key)                                                       \
    STDMETHODIMP Get##Name(BSTR* v) override {                                         \
        PM_ENTER("IUserData::Get" #Name);                                              \
        return stringOut(copy_, key, v);                                               \
    }                                                                                  \
    STDMETHODIMP Set##Name(BSTR v) override {                                          \
        PM_ENTER("IUserData::Set" #Name);                                              \
        if (readOnly(key))                                                             \
            return E_ACCESSDENIED;                                                     \
        copy_[key] = toUtf8(v);                                                        \
        return S_OK;                                                                   \
    }                                                                                  \
    STDMETHODIMP Is##Name##ReadOnly(VARIANT_BOOL* v) override {                        \
        PM_ENTER("IUserData::Is" #Name "ReadOnly");                                    \
        return boolOut(readOnly(key), v);                                              \
    }
    PM_USER_FIELD(Name, "name")
    PM_USER_FIELD(Email, "email")
    PM_USER_FIELD(CellPhone, "cellPhone")
    PM_USER_FIELD(FeedbackLanguage, "feedbackLanguage")
    PM_USER_FIELD(HomePhone, "homePhone")
    PM_USER_FIELD(HomeFax, "homeFax")
    PM_USER_FIELD(Pager, "pager")
    PM_USER_FIELD(BusinessPhone, "businessPhone")
    PM_USER_FIELD(BusinessFax, "businessFax")
#undef PM_USER_FIELD

    STDMETHODIMP GetTimeZone(short* minutes) override {
        PM_ENTER("IUserData::GetTimeZone");
        if (!minutes)
            return E_POINTER;
        if (!copy_.contains("timeZone") || !copy_["timeZone"].is_number())
            return E_FAIL;
        *minutes = copy_["timeZone"].get<short>();
        return S_OK;
    }
    STDMETHODIMP SetTimeZone(short minutes) override {
        PM_ENTER("IUserData::SetTimeZone");
        if (readOnly("timeZone"))
            return E_ACCESSDENIED;
        copy_["timeZone"] = minutes;
        return S_OK;
    }
    STDMETHODIMP IsTimeZoneReadOnly(VARIANT_BOOL* v) override {
        PM_ENTER("IUserData::IsTimeZoneReadOnly");
        return boolOut(readOnly("timeZone"), v);
    }
    STDMETHODIMP GetDeliveryAddress(IPostalAddress** address) override {
        PM_ENTER("IUserData::GetDeliveryAddress");
        return addressOut("deliveryAddress", address);
    }
    STDMETHODIMP GetInvoiceAddress(IPostalAddress** address) override {
        PM_ENTER("IUserData::GetInvoiceAddress");
        return addressOut("invoiceAddress", address);
    }
    STDMETHODIMP IsDeliveryAddressReadOnly(VARIANT_BOOL* v) override {
        PM_ENTER("IUserData::IsDeliveryAddressReadOnly");
        return boolOut(readOnly("deliveryAddress"), v);
    }
    STDMETHODIMP IsInvoiceAddressReadOnly(VARIANT_BOOL* v) override {
        PM_ENTER("IUserData::IsInvoiceAddressReadOnly");
        return boolOut(readOnly("invoiceAddress"), v);
    }

private:
    static std::set<IUserData*>& live() {
        static std::set<IUserData*> objects;
        return objects;
    }
    bool readOnly(const char* key) const {
        auto flags = copy_.find("readOnly");
        return flags != copy_.end() && flags->is_object() && flags->value(key, false);
    }
    HRESULT addressOut(const char* key, IPostalAddress** address) {
        if (!address)
            return E_POINTER;
        *address = nullptr;
        json& fields = copy_[key];
        if (!fields.is_object())
            fields = json::object();
        return handOut(new PostalAddress(this, fields, readOnly(key)), address);
    }
    json copy_;
};

// An outbox item is known by its time stamp; it reads the pen's outbox on every call,
// so a removed item answers with a failure.
class OutboxItem : public DispatchObject<IOutboxItem> {
public:
    OutboxItem(std::string penId, LONG seconds, LONG milliseconds)
        : penId_(std::move(penId)), seconds_(seconds), milliseconds_(milliseconds) {}

    static json* find(json& pen, LONG seconds, LONG milliseconds, size_t* index = nullptr) {
        json& outbox = pen["outbox"];
        if (!outbox.is_array())
            return nullptr;
        for (size_t i = 0; i < outbox.size(); ++i)
            if (outbox[i].value("seconds", -1L) == seconds &&
                outbox[i].value("milliseconds", -1L) == milliseconds) {
                if (index)
                    *index = i;
                return &outbox[i];
            }
        return nullptr;
    }

#define PM_ITEM(method)                                          \
    PM_ENTER("IOutboxItem::" method);                            \
    PM_PEN(false);                                               \
    json* item = find(*pen, seconds_, milliseconds_);            \
    if (!item)                                                   \
        return E_FAIL
    STDMETHODIMP GetStatus(LONG* v) override { PM_ITEM("GetStatus"); return longOut(*item, "status", v); }
    STDMETHODIMP GetServiceName(BSTR* v) override { PM_ITEM("GetServiceName"); return stringOut(*item, "serviceName", v); }
    STDMETHODIMP GetTabbet(LONG* v) override { PM_ITEM("GetTabbet"); return longOut(*item, "tabbet", v); }
    STDMETHODIMP IsNetworkService(VARIANT_BOOL* v) override { PM_ITEM("IsNetworkService"); return boolOut(item->value("network", false), v); }
    STDMETHODIMP GetTimeSeconds(LONG* v) override { PM_ITEM("GetTimeSeconds"); return longOut(*item, "seconds", v); }
    STDMETHODIMP GetTimeMilliseconds(LONG* v) override { PM_ITEM("GetTimeMilliseconds"); return longOut(*item, "milliseconds", v); }
    STDMETHODIMP GetResult(LONG* v) override { PM_ITEM("GetResult"); return longOut(*item, "result", v); }
    STDMETHODIMP GetUrl(BSTR* v) override { PM_ITEM("GetUrl"); return stringOut(*item, "url", v); }
    STDMETHODIMP GetMessage(BSTR* v) override { PM_ITEM("GetMessage"); return stringOut(*item, "message", v); }
    STDMETHODIMP IsVisited(VARIANT_BOOL* v) override { PM_ITEM("IsVisited"); return boolOut(item->value("visited", false), v); }
    STDMETHODIMP SetVisited(VARIANT_BOOL visited) override {
        PM_ITEM("SetVisited");
        (*item)["visited"] = visited != VARIANT_FALSE;
        PenStore::instance().savePen(penId_);
        return S_OK;
    }
    STDMETHODIMP Remove() override {
        PM_ENTER("IOutboxItem::Remove");
        PM_PEN(false);
        size_t index = 0;
        if (!find(*pen, seconds_, milliseconds_, &index))
            return E_FAIL;
        (*pen)["outbox"].erase(index);
        PenStore::instance().savePen(penId_);
        return S_OK;
    }
#undef PM_ITEM

private:
    std::string penId_;
    LONG seconds_;
    LONG milliseconds_;
};

class Outbox : public DispatchObject<IOutbox> {
public:
    explicit Outbox(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetCount(LONG* count) override {
        PM_ENTER("IOutbox::GetCount");
        if (!count)
            return E_POINTER;
        PM_PEN(false);
        const json& outbox = (*pen)["outbox"];
        *count = listCount(outbox);
        return S_OK;
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_ENTER("IOutbox::GetItem");
        PM_PEN(false);
        const json& outbox = (*pen)["outbox"];
        if (!inList(outbox, index))
            return E_INVALIDARG;
        const json& entry = outbox[index - 1];
        return handOutVariant(new OutboxItem(penId_, entry.value("seconds", -1L),
                                             entry.value("milliseconds", -1L)),
                              item);
    }
    STDMETHODIMP GetItemByTime(LONG seconds, LONG milliseconds, IOutboxItem** item) override {
        PM_ENTER("IOutbox::GetItemByTime");
        if (!item)
            return E_POINTER;
        *item = nullptr;
        PM_PEN(false);
        if (!OutboxItem::find(*pen, seconds, milliseconds))
            return E_INVALIDARG;
        return handOut(new OutboxItem(penId_, seconds, milliseconds), item);
    }

private:
    std::string penId_;
};

class MemoryStatus : public DispatchObject<IMemoryStatus> {
public:
    explicit MemoryStatus(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetUsedMemory(LONG* v) override { return get("IMemoryStatus::GetUsedMemory", "used", v); }
    STDMETHODIMP GetTotalMemory(LONG* v) override { return get("IMemoryStatus::GetTotalMemory", "total", v); }

private:
    HRESULT get(const char* method, const char* key, LONG* out) {
        PM_ENTER(method);
        PM_PEN(false);
        return longOut((*pen)["memory"], key, out);
    }
    std::string penId_;
};

class Revisions : public DispatchObject<IRevisions> {
public:
    explicit Revisions(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetApplicationRevision(BSTR* v) override { return get("IRevisions::GetApplicationRevision", "application", v); }
    STDMETHODIMP GetBootRevision(BSTR* v) override { return get("IRevisions::GetBootRevision", "boot", v); }
    STDMETHODIMP GetCustomizationRevision(BSTR* v) override { return get("IRevisions::GetCustomizationRevision", "customization", v); }
    STDMETHODIMP GetHardwareRevision(BSTR* v) override { return get("IRevisions::GetHardwareRevision", "hardware", v); }
    STDMETHODIMP GetParameterRevision(BSTR* v) override { return get("IRevisions::GetParameterRevision", "parameter", v); }
    STDMETHODIMP GetProductionRevision(BSTR* v) override { return get("IRevisions::GetProductionRevision", "production", v); }

private:
    HRESULT get(const char* method, const char* key, BSTR* out) {
        PM_ENTER(method);
        PM_PEN(false);
        return stringOut((*pen)["revisions"], key, out);
    }
    std::string penId_;
};

class PairedDevice : public DispatchObject<IPairedDevice> {
public:
    PairedDevice(std::string penId, size_t index) : penId_(std::move(penId)), index_(index) {}
    STDMETHODIMP GetDeviceName(BSTR* name) override {
        PM_ENTER("IPairedDevice::GetDeviceName");
        PM_PEN(false);
        json& devices = (*pen)["pairedDevices"];
        if (!devices.is_array() || index_ >= devices.size())
            return E_FAIL;
        return stringOut(devices[index_], "name", name);
    }
    STDMETHODIMP GetIspSettings(IIspSettings** settings) override {
        if (settings)
            *settings = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetIspSettings(IIspSettings*) override { return E_NOTIMPL; }

private:
    std::string penId_;
    size_t index_;
};

class PairedDevices : public DispatchObject<IPairedDevices> {
public:
    explicit PairedDevices(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetCount(LONG* count) override {
        PM_ENTER("IPairedDevices::GetCount");
        if (!count)
            return E_POINTER;
        PM_PEN(false);
        const json& devices = (*pen)["pairedDevices"];
        *count = listCount(devices);
        return S_OK;
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_ENTER("IPairedDevices::GetItem");
        PM_PEN(false);
        const json& devices = (*pen)["pairedDevices"];
        if (!inList(devices, index))
            return E_INVALIDARG;
        return handOutVariant(new PairedDevice(penId_, static_cast<size_t>(index - 1)), item);
    }

private:
    std::string penId_;
};

class Pen : public DispatchObject<IPen> {
public:
    explicit Pen(std::string penId) : penId_(std::move(penId)) {}

    STDMETHODIMP GetPenId(BSTR* penId) override {
        PM_ENTER("IPen::GetPenId");
        PM_PEN(true);
        return stringOut(*pen, "id", penId);
    }
    STDMETHODIMP IsLocked(VARIANT_BOOL* locked) override {
        PM_ENTER("IPen::IsLocked");
        PM_PEN(true);
        return boolOut(pen->value("locked", false), locked);
    }
    STDMETHODIMP Unlock(VARIANT_BOOL* unlocked) override {
        PM_ENTER("IPen::Unlock");
        PM_PEN(true);
        if (!unlocked)
            return E_POINTER;
        if (pen->value("locked", false) && pen->value("unlockSucceeds", true)) {
            (*pen)["locked"] = false;
            PenStore::instance().savePen(penId_);
            EventSource::instance().fireForPen(10, penId_);
        }
        return boolOut(!pen->value("locked", false), unlocked);
    }

    STDMETHODIMP IsPasswordSet(VARIANT_BOOL* set) override {
        PM_ENTER("IPen::IsPasswordSet");
        PM_PEN(false);
        return boolOut(!pen->value("password", std::string()).empty(), set);
    }
    STDMETHODIMP SetPenPassword(BSTR newPassword, VARIANT_BOOL* done) override {
        PM_ENTER("IPen::SetPenPassword");
        PM_PEN(false);
        bool ok = pen->value("password", std::string()).empty() && !toUtf8(newPassword).empty();
        if (ok)
            commit(*pen, "password", toUtf8(newPassword));
        return boolOut(ok, done);
    }
    STDMETHODIMP ChangePenPassword(BSTR current, BSTR newPassword, VARIANT_BOOL* done) override {
        PM_ENTER("IPen::ChangePenPassword");
        PM_PEN(false);
        std::string stored = pen->value("password", std::string());
        bool ok = !stored.empty() && stored == toUtf8(current) && !toUtf8(newPassword).empty();
        if (ok)
            commit(*pen, "password", toUtf8(newPassword));
        return boolOut(ok, done);
    }
    STDMETHODIMP RemovePenPassword(BSTR current, VARIANT_BOOL* done) override {
        PM_ENTER("IPen::RemovePenPassword");
        PM_PEN(false);
        std::string stored = pen->value("password", std::string());
        bool ok = !stored.empty() && stored == toUtf8(current);
        if (ok)
            commit(*pen, "password", "");
        return boolOut(ok, done);
    }
    STDMETHODIMP GetPasswordHint(BSTR* hint) override {
        PM_ENTER("IPen::GetPasswordHint");
        PM_PEN(false);
        return stringOut(*pen, "passwordHint", hint);
    }
    STDMETHODIMP SetPasswordHint(BSTR hint) override {
        PM_ENTER("IPen::SetPasswordHint");
        PM_PEN(false);
        commit(*pen, "passwordHint", toUtf8(hint));
        return S_OK;
    }
    STDMETHODIMP UnregisterPassword() override {
        PM_ENTER("IPen::UnregisterPassword");
        PM_PEN(true);
        commit(*pen, "passwordSavedOnPc", false);
        return S_OK;
    }

    STDMETHODIMP GetUserData(IUserData** userData) override {
        PM_ENTER("IPen::GetUserData");
        PM_PEN(false);
        return handOut(new UserData((*pen)["userData"]), userData);
    }
    STDMETHODIMP SetUserData(IUserData* userData) override {
        PM_ENTER("IPen::SetUserData");
        PM_PEN(false);
        UserData* copy = userData ? UserData::fromInterface(userData) : nullptr;
        if (!copy)
            return E_INVALIDARG; // only copies this pen manager handed out
        json data = copy->copy();
        data["readOnly"] = (*pen)["userData"].value("readOnly", json::object());
        commit(*pen, "userData", std::move(data));
        return S_OK;
    }
    STDMETHODIMP GetAddressShortcuts(IAddressShortcuts** shortcuts) override { return notYet(shortcuts); }
    STDMETHODIMP SetAddressShortcuts(IAddressShortcuts*) override { return E_NOTIMPL; }
    STDMETHODIMP GetPairedDevices(IPairedDevices** devices) override {
        PM_ENTER("IPen::GetPairedDevices");
        PM_PEN(false);
        return handOut(new PairedDevices(penId_), devices);
    }
    STDMETHODIMP GetOutbox(IOutbox** outbox) override {
        PM_ENTER("IPen::GetOutbox");
        PM_PEN(false);
        return handOut(new Outbox(penId_), outbox);
    }
    STDMETHODIMP GetBatteryStatus(IBatteryStatus** status) override {
        PM_ENTER("IPen::GetBatteryStatus");
        PM_PEN(false);
        return handOut(new BatteryStatus(penId_), status);
    }
    STDMETHODIMP GetMemoryStatus(IMemoryStatus** status) override {
        PM_ENTER("IPen::GetMemoryStatus");
        PM_PEN(false);
        return handOut(new MemoryStatus(penId_), status);
    }
    STDMETHODIMP GetRevisions(IRevisions** revisions) override {
        PM_ENTER("IPen::GetRevisions");
        PM_PEN(false);
        return handOut(new Revisions(penId_), revisions);
    }
    STDMETHODIMP GetTime(LONG* seconds, LONG* milliseconds) override {
        PM_ENTER("IPen::GetTime");
        PM_PEN(false);
        if (!seconds || !milliseconds)
            return E_POINTER;
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        ULONGLONG ms = ticks / 10000 - 11644473600000ULL;
        *seconds = static_cast<LONG>(ms / 1000);
        *milliseconds = static_cast<LONG>(ms % 1000);
        return S_OK;
    }

private:
    template <class T>
    static HRESULT notYet(T** out) {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
    template <class V>
    void commit(json& pen, const char* key, V&& value) {
        pen[key] = std::forward<V>(value);
        PenStore::instance().savePen(penId_);
    }
    std::string penId_;
};

class Pens : public DispatchObject<IPens> {
public:
    Pens() {
        // A snapshot of the pens docked now, as a collection handed out would be.
        for (auto& [id, pen] : PenStore::instance().pens().items())
            if (pen.value("docked", false))
                ids_.push_back(id);
    }
    STDMETHODIMP GetCount(LONG* count) override {
        PM_ENTER("IPens::GetCount");
        if (!count)
            return E_POINTER;
        *count = static_cast<LONG>(ids_.size());
        return S_OK;
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_ENTER("IPens::GetItem");
        if (index < 1 || static_cast<size_t>(index) > ids_.size())
            return E_INVALIDARG;
        return handOutVariant(new Pen(ids_[index - 1]), item);
    }

private:
    std::vector<std::string> ids_;
};

class PenManagerObject : public DispatchObject<IPenManager>, public IConnectionPointContainer {
public:
    PenManagerObject() { EventSource::instance().setContainer(this); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return DispatchObject<IPenManager>::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return DispatchObject<IPenManager>::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return DispatchObject<IPenManager>::Release(); }

    STDMETHODIMP GetPens(IPens** pens) override {
        PM_ENTER("IPenManager::GetPens");
        return handOut(new Pens(), pens);
    }
    STDMETHODIMP GetPen(BSTR penId, IPen** pen) override {
        PM_ENTER("IPenManager::GetPen");
        if (!pen)
            return E_POINTER;
        *pen = nullptr;
        HRESULT hr = S_OK;
        if (!dockedPen(toUtf8(penId), hr, true))
            return hr;
        return handOut(new Pen(toUtf8(penId)), pen);
    }
    STDMETHODIMP GetOrskUrl(BSTR* address) override {
        PM_ENTER("IPenManager::GetOrskUrl");
        return stringOut(PenStore::instance().manager(), "orskUrl", address);
    }
    STDMETHODIMP SetOrskUrl(BSTR address) override {
        PM_ENTER("IPenManager::SetOrskUrl");
        PenStore::instance().manager()["orskUrl"] = toUtf8(address);
        PenStore::instance().saveManager();
        return S_OK;
    }
    STDMETHODIMP IsRedirectionEnabled(VARIANT_BOOL* enabled) override {
        PM_ENTER("IPenManager::IsRedirectionEnabled");
        return boolOut(PenStore::instance().manager().value("redirection", false), enabled);
    }
    STDMETHODIMP SetRedirection(VARIANT_BOOL enabled) override {
        PM_ENTER("IPenManager::SetRedirection");
        PenStore::instance().manager()["redirection"] = enabled != VARIANT_FALSE;
        PenStore::instance().saveManager();
        return S_OK;
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        if (riid != DIID_IPenManagerEvents)
            return CONNECT_E_NOCONNECTION;
        *point = &EventSource::instance();
        return S_OK;
    }

protected:
    HRESULT queryOther(REFIID riid, void** ppv) override {
        if (riid == IID_IConnectionPointContainer) {
            *ppv = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE; // also the null interface: the clients' liveness probe
    }
};

class Control : public DispatchObject<IPenManagerControl> {
public:
    STDMETHODIMP Dock(BSTR penId) override {
        PM_ENTER("IPenManagerControl::Dock");
        std::string id = toUtf8(penId);
        if (!PenStore::validPenId(id))
            return E_INVALIDARG;
        PenStore::instance().ensurePen(id)["docked"] = true;
        PenStore::instance().savePen(id);
        EventSource::instance().fireForPen(1, id);
        return S_OK;
    }
    STDMETHODIMP Undock(BSTR penId) override {
        PM_ENTER("IPenManagerControl::Undock");
        std::string id = toUtf8(penId);
        json* pen = PenStore::instance().findPen(id);
        if (!pen)
            return E_INVALIDARG;
        (*pen)["docked"] = false;
        PenStore::instance().savePen(id);
        EventSource::instance().fireForPen(2, id);
        return S_OK;
    }
    STDMETHODIMP Lock(BSTR penId, VARIANT_BOOL unlockSucceeds) override {
        PM_ENTER("IPenManagerControl::Lock");
        std::string id = toUtf8(penId);
        json* pen = PenStore::instance().findPen(id);
        if (!pen)
            return E_INVALIDARG;
        (*pen)["locked"] = true;
        (*pen)["unlockSucceeds"] = unlockSucceeds != VARIANT_FALSE;
        PenStore::instance().savePen(id);
        return S_OK;
    }
    STDMETHODIMP Unlock(BSTR penId) override {
        PM_ENTER("IPenManagerControl::Unlock");
        std::string id = toUtf8(penId);
        json* pen = PenStore::instance().findPen(id);
        if (!pen)
            return E_INVALIDARG;
        (*pen)["locked"] = false;
        PenStore::instance().savePen(id);
        EventSource::instance().fireForPen(10, id);
        return S_OK;
    }
    STDMETHODIMP AddOutboxItem(BSTR penId, BSTR itemJson, VARIANT_BOOL fireEvent) override {
        PM_ENTER("IPenManagerControl::AddOutboxItem");
        std::string id = toUtf8(penId);
        json* pen = PenStore::instance().findPen(id);
        json item = json::parse(toUtf8(itemJson), nullptr, false);
        if (!pen || !item.is_object() || !item.contains("seconds") ||
            !item["seconds"].is_number_integer())
            return E_INVALIDARG;
        if (!item.contains("milliseconds"))
            item["milliseconds"] = 0;
        LONG seconds = item["seconds"].get<LONG>();
        LONG milliseconds = item["milliseconds"].get<LONG>();
        if (!(*pen)["outbox"].is_array())
            (*pen)["outbox"] = json::array();
        (*pen)["outbox"].push_back(std::move(item));
        PenStore::instance().savePen(id);
        if (fireEvent != VARIANT_FALSE) {
            VARIANT args[3];
            for (VARIANT& a : args)
                VariantInit(&a);
            args[0].vt = VT_BSTR;
            args[0].bstrVal = SysAllocString(StringPackage::utf8ToWide(id).c_str());
            args[1].vt = VT_I4;
            args[1].lVal = seconds;
            args[2].vt = VT_I4;
            args[2].lVal = milliseconds;
            EventSource::instance().fire(9, {args[0], args[1], args[2]});
            VariantClear(&args[0]);
        }
        return S_OK;
    }
    STDMETHODIMP SetValue(BSTR path, VARIANT value) override {
        PM_ENTER("IPenManagerControl::SetValue");
        json state = PenStore::instance().dump();
        try {
            json::json_pointer pointer(toUtf8(path));
            switch (value.vt) {
            case VT_EMPTY:
                state.at(pointer.parent_pointer()).erase(pointer.back());
                break;
            case VT_BSTR: state[pointer] = toUtf8(value.bstrVal); break;
            case VT_BOOL: state[pointer] = value.boolVal != VARIANT_FALSE; break;
            case VT_I2: state[pointer] = value.iVal; break;
            case VT_I4: state[pointer] = value.lVal; break;
            default: return DISP_E_TYPEMISMATCH;
            }
        } catch (const json::exception& e) {
            Log::instance().warning("SetValue %s refused: %s", toUtf8(path).c_str(), e.what());
            return E_INVALIDARG;
        }
        return replaceState(std::move(state));
    }
    STDMETHODIMP SetJson(BSTR path, BSTR text) override {
        PM_ENTER("IPenManagerControl::SetJson");
        json value = json::parse(toUtf8(text), nullptr, false);
        if (value.is_discarded())
            return E_INVALIDARG;
        json state = PenStore::instance().dump();
        try {
            state[json::json_pointer(toUtf8(path))] = std::move(value);
        } catch (const json::exception& e) {
            Log::instance().warning("SetJson %s refused: %s", toUtf8(path).c_str(), e.what());
            return E_INVALIDARG;
        }
        return replaceState(std::move(state));
    }
    STDMETHODIMP FailMethod(BSTR method, LONG hr, LONG count) override {
        PM_ENTER("IPenManagerControl::FailMethod");
        PenStore::instance().failMethod(toUtf8(method), static_cast<HRESULT>(hr), count);
        return S_OK;
    }
    STDMETHODIMP DelayMethod(BSTR, LONG, LONG) override { return E_NOTIMPL; }
    STDMETHODIMP ClearFaults() override {
        TraceScope trace("IPenManagerControl::ClearFaults");
        PenStore::instance().clearFaults();
        return S_OK;
    }
    STDMETHODIMP FireBurst(BSTR penId, LONG dispId, LONG count) override {
        PM_ENTER("IPenManagerControl::FireBurst");
        std::string id = toUtf8(penId);
        for (LONG i = 1; i <= count; ++i) {
            if (dispId == 9) {
                VARIANT args[3];
                for (VARIANT& a : args)
                    VariantInit(&a);
                args[0].vt = VT_BSTR;
                args[0].bstrVal = SysAllocString(StringPackage::utf8ToWide(id).c_str());
                args[1].vt = VT_I4;
                args[1].lVal = 0;
                args[2].vt = VT_I4;
                args[2].lVal = i;
                EventSource::instance().fire(dispId, {args[0], args[1], args[2]});
                VariantClear(&args[0]);
            } else {
                EventSource::instance().fireForPen(dispId, id);
            }
        }
        return S_OK;
    }
    STDMETHODIMP FireEvent(LONG, LONG, VARIANT, VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSinkCount(LONG* count) override {
        if (!count)
            return E_POINTER;
        *count = EventSource::instance().sinkCount();
        return S_OK;
    }
    STDMETHODIMP GetCallLog(BSTR* json) override {
        if (json)
            *json = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP ClearCallLog() override { return E_NOTIMPL; }
    STDMETHODIMP DumpState(BSTR* text) override {
        PM_ENTER("IPenManagerControl::DumpState");
        if (!text)
            return E_POINTER;
        *text = SysAllocString(
            StringPackage::utf8ToWide(PenStore::instance().dump().dump(2)).c_str());
        return *text ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP GetProcessId(LONG* processId) override {
        if (!processId)
            return E_POINTER;
        *processId = static_cast<LONG>(::GetCurrentProcessId());
        return S_OK;
    }
    STDMETHODIMP Quit() override {
        TraceScope trace("IPenManagerControl::Quit");
        // The loop ends after this call has returned to the caller.
        PostQuitMessage(0);
        return S_OK;
    }

private:
    static HRESULT replaceState(json state) {
        if (!state.is_object() || !state.contains("manager") || !state.contains("pens") ||
            !state["manager"].is_object() || !state["pens"].is_object())
            return E_INVALIDARG;
        for (auto& [id, pen] : state["pens"].items())
            if (!PenStore::validPenId(id) || !pen.is_object())
                return E_INVALIDARG;
        PenStore& store = PenStore::instance();
        store.manager() = std::move(state["manager"]);
        store.pens() = std::move(state["pens"]);
        for (auto& [id, pen] : store.pens().items())
            pen["id"] = id;
        return store.saveAll() ? S_OK : E_FAIL;
    }
};

} // namespace

IPenManager* penManagerObject() {
    static PenManagerObject* manager = new PenManagerObject();
    return manager;
}

IPenManagerControl* newControlObject() { return new Control(); }
