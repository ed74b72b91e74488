// The control interface: what penctl and the tests do to the stand-in's pens.
#include <vector>

#include "Calls.h"
#include "EventSource.h"
#include "PenObjects.h"
#include "PenStore.h"
#include "Values.h"

using nlohmann::json;
using namespace Values;

namespace {

// An event's arguments as Invoke gets them, freed with the list.
class EventArgs {
public:
    EventArgs() = default;
    EventArgs(const EventArgs&) = delete;
    EventArgs& operator=(const EventArgs&) = delete;
    ~EventArgs() {
        for (VARIANT& arg : args_)
            VariantClear(&arg);
    }
    EventArgs& text(const std::string& utf8) {
        VARIANT& arg = add();
        arg.vt = VT_BSTR;
        arg.bstrVal = toBstr(utf8);
        return *this;
    }
    EventArgs& number(LONG value) {
        VARIANT& arg = add();
        arg.vt = VT_I4;
        arg.lVal = value;
        return *this;
    }
    HRESULT copy(const VARIANT& value) { return VariantCopy(&add(), const_cast<VARIANT*>(&value)); }
    const std::vector<VARIANT>& list() const { return args_; }

private:
    VARIANT& add() {
        args_.emplace_back();
        VariantInit(&args_.back());
        return args_.back();
    }
    std::vector<VARIANT> args_;
};

void fireOutboxItemAdded(const std::string& penId, LONG high, LONG low) {
    EventArgs args;
    args.text(penId).number(high).number(low);
    EventSource::instance().fire(PenEvents::kOutboxItemAdded, args.list());
}

class Control : public DualObject<IPenManagerControl> {
public:
    // A pen whose password is not saved on this PC docks locked: its owner must give
    // the password first (Unlock below).
    STDMETHODIMP Dock(BSTR penId) override {
        PM_CONTROL("IPenManagerControl::Dock", {
            std::string id = toUtf8(penId);
            if (!PenStore::validPenId(id))
                return E_INVALIDARG;
            json& pen = PenStore::instance().ensurePen(id);
            pen["docked"] = true;
            if (!pen.value("password", std::string()).empty() && !flag(pen, "passwordSavedOnPc"))
                pen["locked"] = true;
            PenStore::instance().savePen(id);
            EventSource::instance().fireForPen(PenEvents::kDocked, id);
            return S_OK;
        });
    }
    STDMETHODIMP Undock(BSTR penId) override {
        PM_CONTROL("IPenManagerControl::Undock", {
            return changePen(penId, [](json& pen) { pen["docked"] = false; }, PenEvents::kUndocked);
        });
    }
    STDMETHODIMP Lock(BSTR penId, VARIANT_BOOL unlockSucceeds) override {
        PM_CONTROL("IPenManagerControl::Lock", {
            return changePen(penId, [&](json& pen) {
                pen["locked"] = true;
                pen["unlockSucceeds"] = unlockSucceeds != VARIANT_FALSE;
            });
        });
    }
    // The owner gave the password at the suite's prompt, which saves it on this PC again.
    STDMETHODIMP Unlock(BSTR penId) override {
        PM_CONTROL("IPenManagerControl::Unlock", {
            return changePen(penId, [](json& pen) {
                pen["locked"] = false;
                if (!pen.value("password", std::string()).empty())
                    pen["passwordSavedOnPc"] = true;
            }, PenEvents::kUnlocked);
        });
    }
    STDMETHODIMP AddOutboxItem(BSTR penId, BSTR itemJson, VARIANT_BOOL fireEvent) override {
        PM_CONTROL("IPenManagerControl::AddOutboxItem", {
            std::string id = toUtf8(penId);
            json* pen = PenStore::instance().findPen(id);
            json item = json::parse(toUtf8(itemJson), nullptr, false);
            if (!pen || !item.is_object() || !item.contains("seconds") || !item["seconds"].is_number_integer())
                return E_INVALIDARG;
            if (!item.contains("milliseconds"))
                item["milliseconds"] = 0;
            LONG seconds = item["seconds"].get<LONG>();
            LONG milliseconds = item["milliseconds"].get<LONG>();
            if (!(*pen)["outbox"].is_array())
                (*pen)["outbox"] = json::array();
            (*pen)["outbox"].push_back(std::move(item));
            PenStore::instance().savePen(id);
            if (fireEvent != VARIANT_FALSE)
                fireOutboxItemAdded(id, seconds, milliseconds);
            return S_OK;
        });
    }
    STDMETHODIMP SetValue(BSTR path, VARIANT value) override {
        PM_CONTROL("IPenManagerControl::SetValue", {
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
        });
    }
    STDMETHODIMP SetJson(BSTR path, BSTR text) override {
        PM_CONTROL("IPenManagerControl::SetJson", {
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
        });
    }
    STDMETHODIMP FailMethod(BSTR method, LONG hr, LONG count) override {
        PM_CONTROL("IPenManagerControl::FailMethod", {
            if (SUCCEEDED(hr))
                return E_INVALIDARG;
            Calls::instance().failMethod(toUtf8(method), static_cast<HRESULT>(hr), count);
            return S_OK;
        });
    }
    STDMETHODIMP DelayMethod(BSTR method, LONG milliseconds, LONG count) override {
        PM_CONTROL("IPenManagerControl::DelayMethod", {
            if (milliseconds < 0)
                return E_INVALIDARG;
            Calls::instance().delayMethod(toUtf8(method), static_cast<DWORD>(milliseconds), count);
            return S_OK;
        });
    }
    STDMETHODIMP ClearFaults() override {
        PM_CONTROL("IPenManagerControl::ClearFaults", {
            Calls::instance().clearFaults();
            return S_OK;
        });
    }
    STDMETHODIMP FireBurst(BSTR penId, LONG dispId, LONG count) override {
        PM_CONTROL("IPenManagerControl::FireBurst", {
            std::string id = toUtf8(penId);
            for (LONG i = 1; i <= count; ++i) {
                if (dispId == PenEvents::kOutboxItemAdded)
                    fireOutboxItemAdded(id, 0, i);
                else
                    EventSource::instance().fireForPen(dispId, id);
            }
            return S_OK;
        });
    }
    // Arguments: VT_EMPTY for none, an array of VARIANTs in call order, or one value.
    STDMETHODIMP FireEvent(LONG dispId, LONG flags, VARIANT arguments, VARIANT_BOOL passResult) override {
        PM_CONTROL("IPenManagerControl::FireEvent", {
            EventArgs args;
            const VARIANT* value = arguments.vt == (VT_VARIANT | VT_BYREF) ? arguments.pvarVal : &arguments;
            if (value->vt == (VT_ARRAY | VT_VARIANT)) {
                SAFEARRAY* array = value->parray;
                if (!array || SafeArrayGetDim(array) != 1)
                    return E_INVALIDARG;
                LONG lower = 0, upper = -1;
                SafeArrayGetLBound(array, 1, &lower);
                SafeArrayGetUBound(array, 1, &upper);
                for (LONG i = lower; i <= upper; ++i) {
                    VARIANT item;
                    VariantInit(&item);
                    HRESULT hr = SafeArrayGetElement(array, &i, &item);
                    if (SUCCEEDED(hr))
                        hr = args.copy(item);
                    VariantClear(&item);
                    if (FAILED(hr))
                        return hr;
                }
            } else if (value->vt != VT_EMPTY) {
                HRESULT hr = args.copy(*value);
                if (FAILED(hr))
                    return hr;
            }
            return EventSource::instance().fireRaw(dispId, static_cast<WORD>(flags), args.list(),
                                                   passResult != VARIANT_FALSE);
        });
    }
    STDMETHODIMP GetSinkCount(LONG* count) override {
        if (!count)
            return E_POINTER;
        *count = EventSource::instance().sinkCount();
        return S_OK;
    }
    STDMETHODIMP GetCallLog(BSTR* text) override {
        PM_CONTROL("IPenManagerControl::GetCallLog", {
            if (!text)
                return E_POINTER;
            *text = toBstr(Calls::instance().log().dump());
            return *text ? S_OK : E_OUTOFMEMORY;
        });
    }
    STDMETHODIMP ClearCallLog() override {
        PM_CONTROL("IPenManagerControl::ClearCallLog", {
            Calls::instance().clearLog();
            return S_OK;
        });
    }
    STDMETHODIMP DumpState(BSTR* text) override {
        PM_CONTROL("IPenManagerControl::DumpState", {
            if (!text)
                return E_POINTER;
            *text = toBstr(PenStore::instance().dump().dump(2));
            return *text ? S_OK : E_OUTOFMEMORY;
        });
    }
    STDMETHODIMP GetProcessId(LONG* processId) override {
        if (!processId)
            return E_POINTER;
        *processId = static_cast<LONG>(::GetCurrentProcessId());
        return S_OK;
    }
    STDMETHODIMP GetOutboxItem(BSTR penId, LONG seconds, LONG milliseconds, IOutboxItem** item) override {
        PM_CONTROL("IPenManagerControl::GetOutboxItem",
                   { return handOut(newOutboxItem(toUtf8(penId), seconds, milliseconds), item); });
    }
    STDMETHODIMP Quit() override {
        PM_CONTROL("IPenManagerControl::Quit", {
            // The loop ends a moment after this call: the reply goes out on another thread
            // once we return, and must be on its way before the process tears COM down.
            SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR timer, DWORD) {
                KillTimer(nullptr, timer);
                PostQuitMessage(0);
            });
            return S_OK;
        });
    }

private:
    // A known pen changed and saved, then its event fired, if it has one.
    template <class Change>
    static HRESULT changePen(BSTR penId, Change&& change, DISPID event = 0) {
        std::string id = toUtf8(penId);
        json* pen = PenStore::instance().findPen(id);
        if (!pen)
            return E_INVALIDARG;
        change(*pen);
        PenStore::instance().savePen(id);
        if (event)
            EventSource::instance().fireForPen(event, id);
        return S_OK;
    }
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

IPenManagerControl* newControlObject() { return new Control(); }
