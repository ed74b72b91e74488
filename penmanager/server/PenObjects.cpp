#include "PenObjects.h"

#include <vector>

#include "Calls.h"
#include "CopyObjects.h"
#include "EventSource.h"
#include "PenStore.h"
#include "Values.h"
#include "WorkingCopy.h"

using nlohmann::json;
using namespace Values;

namespace {

// Status objects read the pen's state on every call, so they follow later changes and
// fail once the pen is undocked.
class BatteryStatus : public DualObject<IBatteryStatus> {
public:
    explicit BatteryStatus(std::string penId) : penId_(std::move(penId)) {}
#define PM_BATTERY(Name, key)                                                           \
    STDMETHODIMP Get##Name(LONG* v) override {                                          \
        PM_CALL("IBatteryStatus::Get" #Name, {                                          \
            PM_PEN(false);                                                              \
            return longOut((*pen)["battery"], key, v);                                  \
        });                                                                             \
    }
    PM_BATTERY(RemainingCharge, "remainingCharge")
    PM_BATTERY(WritingHours, "writingHours")
    PM_BATTERY(WritingMinutes, "writingMinutes")
    PM_BATTERY(StandbyHours, "standbyHours")
    PM_BATTERY(StandbyMinutes, "standbyMinutes")
#undef PM_BATTERY

private:
    std::string penId_;
};

class MemoryStatus : public DualObject<IMemoryStatus> {
public:
    explicit MemoryStatus(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetUsedMemory(LONG* v) override {
        PM_CALL("IMemoryStatus::GetUsedMemory", {
            PM_PEN(false);
            return longOut((*pen)["memory"], "used", v);
        });
    }
    STDMETHODIMP GetTotalMemory(LONG* v) override {
        PM_CALL("IMemoryStatus::GetTotalMemory", {
            PM_PEN(false);
            return longOut((*pen)["memory"], "total", v);
        });
    }

private:
    std::string penId_;
};

class Revisions : public DualObject<IRevisions> {
public:
    explicit Revisions(std::string penId) : penId_(std::move(penId)) {}
#define PM_REVISION(Name, key)                                                          \
    STDMETHODIMP Get##Name##Revision(BSTR* v) override {                                \
        PM_CALL("IRevisions::Get" #Name "Revision", {                                   \
            PM_PEN(false);                                                              \
            return stringOut((*pen)["revisions"], key, v);                              \
        });                                                                             \
    }
    PM_REVISION(Application, "application")
    PM_REVISION(Boot, "boot")
    PM_REVISION(Customization, "customization")
    PM_REVISION(Hardware, "hardware")
    PM_REVISION(Parameter, "parameter")
    PM_REVISION(Production, "production")
#undef PM_REVISION

private:
    std::string penId_;
};

class PairedDevice : public DualObject<IPairedDevice> {
public:
    PairedDevice(std::string penId, size_t index) : penId_(std::move(penId)), index_(index) {}
    STDMETHODIMP GetDeviceName(BSTR* name) override {
        PM_CALL("IPairedDevice::GetDeviceName", {
            PM_PEN(false);
            json* device = find(*pen);
            return device ? stringOut(*device, "name", name) : E_FAIL;
        });
    }
    STDMETHODIMP GetIspSettings(IIspSettings** settings) override {
        PM_CALL("IPairedDevice::GetIspSettings", {
            if (!settings)
                return E_POINTER;
            *settings = nullptr;
            PM_PEN(false);
            json* device = find(*pen);
            if (!device || !device->contains("isp") || !(*device)["isp"].is_object())
                return E_FAIL; // a phone without Internet settings
            return handOut(newIspSettings((*device)["isp"]), settings);
        });
    }
    STDMETHODIMP SetIspSettings(IIspSettings* settings) override {
        PM_CALL("IPairedDevice::SetIspSettings", {
            PM_PEN(false);
            json* device = find(*pen);
            if (!device)
                return E_FAIL;
            const json* copy = ispSettingsCopy(settings);
            if (!copy)
                return E_INVALIDARG; // only copies this pen manager handed out
            (*device)["isp"] = writeBack((*device)["isp"], *copy);
            PenStore::instance().savePen(penId_);
            return S_OK;
        });
    }

private:
    json* find(json& pen) {
        json& devices = pen["pairedDevices"];
        if (!devices.is_array() || index_ >= devices.size() || !devices[index_].is_object())
            return nullptr;
        return &devices[index_];
    }
    std::string penId_;
    size_t index_;
};

class PairedDevices : public DualObject<IPairedDevices> {
public:
    explicit PairedDevices(std::string penId) : penId_(std::move(penId)) {}
    STDMETHODIMP GetCount(LONG* count) override {
        PM_CALL("IPairedDevices::GetCount", {
            PM_PEN(false);
            return countOut(listCount((*pen)["pairedDevices"]), count);
        });
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_CALL("IPairedDevices::GetItem", {
            PM_PEN(false);
            if (!inList((*pen)["pairedDevices"], index))
                return E_INVALIDARG;
            return handOutVariant(new PairedDevice(penId_, static_cast<size_t>(index - 1)), item);
        });
    }

private:
    std::string penId_;
};

class Pen : public DualObject<IPen> {
public:
    explicit Pen(std::string penId) : penId_(std::move(penId)) {}

    STDMETHODIMP GetPenId(BSTR* penId) override {
        PM_CALL("IPen::GetPenId", {
            PM_PEN(true);
            return stringOut(*pen, "id", penId);
        });
    }
    STDMETHODIMP IsLocked(VARIANT_BOOL* locked) override {
        PM_CALL("IPen::IsLocked", {
            PM_PEN(true);
            return boolOut(flag(*pen, "locked"), locked);
        });
    }
    // Unlocks with the password saved on this PC: not possible once the owner has
    // removed it (UnregisterPassword) until the owner gives the password again.
    STDMETHODIMP Unlock(VARIANT_BOOL* unlocked) override {
        PM_CALL("IPen::Unlock", {
            if (!unlocked)
                return E_POINTER;
            PM_PEN(true);
            bool passwordKnown = pen->value("password", std::string()).empty() || flag(*pen, "passwordSavedOnPc");
            if (flag(*pen, "locked") && pen->value("unlockSucceeds", true) && passwordKnown) {
                (*pen)["locked"] = false;
                PenStore::instance().savePen(penId_);
                EventSource::instance().fireForPen(PenEvents::kUnlocked, penId_);
            }
            return boolOut(!flag(*pen, "locked"), unlocked);
        });
    }

    STDMETHODIMP IsPasswordSet(VARIANT_BOOL* set) override {
        PM_CALL("IPen::IsPasswordSet", {
            PM_PEN(false);
            return boolOut(!password(*pen).empty(), set);
        });
    }
    // Only when none is set. The suite keeps the new password on this PC as well.
    STDMETHODIMP SetPenPassword(BSTR newPassword, VARIANT_BOOL* done) override {
        PM_CALL("IPen::SetPenPassword", {
            if (!done)
                return E_POINTER; // before anything changes
            PM_PEN(false);
            bool ok = password(*pen).empty() && !toUtf8(newPassword).empty();
            if (ok)
                savePassword(*pen, toUtf8(newPassword));
            return boolOut(ok, done);
        });
    }
    // Change and remove only with the right current password (case-sensitive).
    STDMETHODIMP ChangePenPassword(BSTR current, BSTR newPassword, VARIANT_BOOL* done) override {
        PM_CALL("IPen::ChangePenPassword", {
            if (!done)
                return E_POINTER;
            PM_PEN(false);
            bool ok = !password(*pen).empty() && password(*pen) == toUtf8(current) && !toUtf8(newPassword).empty();
            if (ok)
                savePassword(*pen, toUtf8(newPassword));
            return boolOut(ok, done);
        });
    }
    STDMETHODIMP RemovePenPassword(BSTR current, VARIANT_BOOL* done) override {
        PM_CALL("IPen::RemovePenPassword", {
            if (!done)
                return E_POINTER;
            PM_PEN(false);
            bool ok = !password(*pen).empty() && password(*pen) == toUtf8(current);
            if (ok)
                savePassword(*pen, "");
            return boolOut(ok, done);
        });
    }
    STDMETHODIMP GetPasswordHint(BSTR* hint) override {
        PM_CALL("IPen::GetPasswordHint", {
            PM_PEN(false);
            return stringOut(*pen, "passwordHint", hint);
        });
    }
    STDMETHODIMP SetPasswordHint(BSTR hint) override {
        PM_CALL("IPen::SetPasswordHint", {
            PM_PEN(false);
            commit(*pen, "passwordHint", toUtf8(hint));
            return S_OK;
        });
    }
    // Forgets the password saved on this PC: the owner is asked for it at the next
    // docking, and the pen can't unlock itself until then.
    STDMETHODIMP UnregisterPassword() override {
        PM_CALL("IPen::UnregisterPassword", {
            PM_PEN(true);
            commit(*pen, "passwordSavedOnPc", false);
            return S_OK;
        });
    }

    STDMETHODIMP GetUserData(IUserData** userData) override {
        PM_CALL("IPen::GetUserData", {
            PM_PEN(false);
            return handOut(newUserData((*pen)["userData"]), userData);
        });
    }
    STDMETHODIMP SetUserData(IUserData* userData) override {
        PM_CALL("IPen::SetUserData", {
            PM_PEN(false);
            const json* copy = userDataCopy(userData);
            if (!copy)
                return E_INVALIDARG; // only copies this pen manager handed out
            commit(*pen, "userData", writeBack((*pen)["userData"], *copy));
            return S_OK;
        });
    }
    STDMETHODIMP GetAddressShortcuts(IAddressShortcuts** shortcuts) override {
        PM_CALL("IPen::GetAddressShortcuts", {
            PM_PEN(false);
            return handOut(newAddressShortcuts((*pen)["shortcuts"]), shortcuts);
        });
    }
    STDMETHODIMP SetAddressShortcuts(IAddressShortcuts* shortcuts) override {
        PM_CALL("IPen::SetAddressShortcuts", {
            PM_PEN(false);
            const json* copy = shortcutsCopy(shortcuts);
            if (!copy)
                return E_INVALIDARG;
            commit(*pen, "shortcuts", writeBack((*pen)["shortcuts"], *copy));
            return S_OK;
        });
    }
    STDMETHODIMP GetPairedDevices(IPairedDevices** devices) override {
        PM_CALL("IPen::GetPairedDevices", {
            PM_PEN(false);
            return handOut(new PairedDevices(penId_), devices);
        });
    }
    STDMETHODIMP GetOutbox(IOutbox** outbox) override {
        PM_CALL("IPen::GetOutbox", {
            PM_PEN(false);
            return handOut(newOutbox(penId_), outbox);
        });
    }
    STDMETHODIMP GetBatteryStatus(IBatteryStatus** status) override {
        PM_CALL("IPen::GetBatteryStatus", {
            PM_PEN(false);
            return handOut(new BatteryStatus(penId_), status);
        });
    }
    STDMETHODIMP GetMemoryStatus(IMemoryStatus** status) override {
        PM_CALL("IPen::GetMemoryStatus", {
            PM_PEN(false);
            return handOut(new MemoryStatus(penId_), status);
        });
    }
    STDMETHODIMP GetRevisions(IRevisions** revisions) override {
        PM_CALL("IPen::GetRevisions", {
            PM_PEN(false);
            return handOut(new Revisions(penId_), revisions);
        });
    }
    STDMETHODIMP GetTime(LONG* seconds, LONG* milliseconds) override {
        PM_CALL("IPen::GetTime", {
            PM_PEN(false);
            if (!seconds || !milliseconds)
                return E_POINTER;
            // A pen whose clock was set ("clock": {"seconds", "milliseconds"}) keeps that
            // time, so tests can show a known one; otherwise it runs with the PC's.
            if (pen->contains("clock") && (*pen)["clock"].is_object()) {
                const json& clock = (*pen)["clock"];
                *seconds = clock.value("seconds", 0L);
                *milliseconds = clock.value("milliseconds", 0L);
                return S_OK;
            }
            FILETIME now;
            GetSystemTimeAsFileTime(&now);
            ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
            ULONGLONG ms = ticks / 10000 - 11644473600000ULL;
            *seconds = static_cast<LONG>(ms / 1000);
            *milliseconds = static_cast<LONG>(ms % 1000);
            return S_OK;
        });
    }

private:
    static std::string password(const json& pen) { return pen.value("password", std::string()); }
    void savePassword(json& pen, const std::string& password) {
        pen["passwordSavedOnPc"] = !password.empty();
        commit(pen, "password", password);
    }
    template <class V>
    void commit(json& pen, const char* key, V&& value) {
        pen[key] = std::forward<V>(value);
        PenStore::instance().savePen(penId_);
    }
    std::string penId_;
};

class Pens : public DualObject<IPens> {
public:
    Pens() {
        // A snapshot of the pens docked now, as a collection handed out would be.
        for (auto& [id, pen] : PenStore::instance().pens().items())
            if (flag(pen, "docked"))
                ids_.push_back(id);
    }
    STDMETHODIMP GetCount(LONG* count) override {
        PM_CALL("IPens::GetCount", {
            return countOut(static_cast<LONG>(ids_.size()), count);
        });
    }
    STDMETHODIMP GetItem(LONG index, VARIANT* item) override {
        PM_CALL("IPens::GetItem", {
            if (index < 1 || static_cast<size_t>(index) > ids_.size())
                return E_INVALIDARG;
            return handOutVariant(new Pen(ids_[index - 1]), item);
        });
    }

private:
    std::vector<std::string> ids_;
};

} // namespace

IPen* newPen(const std::string& penId) { return new Pen(penId); }
IPens* newPens() { return new Pens(); }
