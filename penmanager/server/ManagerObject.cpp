// The pen manager: the docked pens, the server address and the redirection switch, and
// the connection point of its events.
#include <ocidl.h>
#include <olectl.h>

#include "Calls.h"
#include "Enumerator.h"
#include "EventSource.h"
#include "PenObjects.h"
#include "PenStore.h"
#include "Values.h"

using namespace Values;

namespace {

class PenManagerObject : public DualObject<IPenManager>, public IConnectionPointContainer {
public:
    PenManagerObject() { EventSource::instance().setContainer(this); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return DualObject<IPenManager>::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return DualObject<IPenManager>::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return DualObject<IPenManager>::Release(); }

    STDMETHODIMP GetPens(IPens** pens) override {
        PM_CALL("IPenManager::GetPens", { return handOut(newPens(), pens); });
    }
    STDMETHODIMP GetPen(BSTR penId, IPen** pen) override {
        PM_CALL("IPenManager::GetPen", {
            if (!pen)
                return E_POINTER;
            *pen = nullptr;
            HRESULT hr = S_OK;
            if (!dockedPen(toUtf8(penId), hr, true))
                return hr;
            return handOut(newPen(toUtf8(penId)), pen);
        });
    }
    STDMETHODIMP GetOrskUrl(BSTR* address) override {
        PM_CALL("IPenManager::GetOrskUrl", { return stringOut(PenStore::instance().manager(), "orskUrl", address); });
    }
    STDMETHODIMP SetOrskUrl(BSTR address) override {
        PM_CALL("IPenManager::SetOrskUrl", {
            PenStore::instance().manager()["orskUrl"] = toUtf8(address);
            PenStore::instance().saveManager();
            return S_OK;
        });
    }
    STDMETHODIMP IsRedirectionEnabled(VARIANT_BOOL* enabled) override {
        PM_CALL("IPenManager::IsRedirectionEnabled",
                { return boolOut(flag(PenStore::instance().manager(), "redirection"), enabled); });
    }
    STDMETHODIMP SetRedirection(VARIANT_BOOL enabled) override {
        PM_CALL("IPenManager::SetRedirection", {
            PenStore::instance().manager()["redirection"] = enabled != VARIANT_FALSE;
            PenStore::instance().saveManager();
            return S_OK;
        });
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (!points)
            return E_POINTER;
        *points = new ConnectionPointEnumerator({&EventSource::instance()});
        return S_OK;
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

} // namespace

IPenManager* penManagerObject() {
    static PenManagerObject* manager = new PenManagerObject();
    return manager;
}
