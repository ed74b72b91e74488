#include "pen/MyPens.h"

#include <algorithm>

#include "framework/CoInit.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "framework/MessagePump.h"
#include "framework/Variant.h"

using Microsoft::WRL::ComPtr;

namespace {
constexpr DISPID kPenDocked = 1;
constexpr DISPID kPenUndocked = 2;
constexpr DISPID kOutboxItemAdded = 9;
constexpr DISPID kPenUnlocked = 10;

// A failure of the call's transport rather than of the server's answer.
bool IsRpcFailure(HRESULT hr) {
    if (SUCCEEDED(hr))
        return false;
    if (HRESULT_FACILITY(hr) == FACILITY_RPC || hr == CO_E_OBJNOTCONNECTED)
        return true;
    // RPC_S_* system errors (0x800706xx/0x800707xx: server unavailable, call failed...).
    return HRESULT_FACILITY(hr) == FACILITY_WIN32 && HRESULT_CODE(hr) >= 1700 && HRESULT_CODE(hr) < 1950;
}

bool IsBstr(const VARIANT& v) { return v.vt == VT_BSTR; }
} // namespace

MyPens::MyPens() = default;

MyPens::~MyPens() {
    CancelStart();
    if (IsRunning())
        Destroy();
}

bool MyPens::Create(HWND owner) {
    TraceScope scope("MyPens::Create");
    m_owner = owner;
    if (!owner || !IsWindow(owner))
        return false;
    m_shutdown = false;
    return Start();
}

bool MyPens::CreateWhenIdle(HWND owner) {
    TraceScope scope("MyPens::CreateWhenIdle");
    CancelStart();
    m_owner = owner;
    if (!owner || !IsWindow(owner))
        return false;
    // A timer of the owner whose id is this monitor: the timer names whom it starts.
    m_startPending = SetTimer(owner, reinterpret_cast<UINT_PTR>(this), 0, &MyPens::StartTimer) != 0;
    return m_startPending || Create(owner);
}

void CALLBACK MyPens::StartTimer(HWND owner, UINT, UINT_PTR id, DWORD) {
    TraceScope scope("MyPens::StartTimer");
    KillTimer(owner, id);
    MyPens* pens = reinterpret_cast<MyPens*>(id);
    pens->m_startPending = false;
    if (!pens->Create(owner))
        scope.error("Failed to start the pen monitor.");
}

void MyPens::CancelStart() {
    TraceScope scope("MyPens::CancelStart");
    if (!m_startPending)
        return;
    KillTimer(m_owner, reinterpret_cast<UINT_PTR>(this));
    m_startPending = false;
}

void MyPens::Destroy() {
    TraceScope scope("MyPens::Destroy");
    CancelStart();
    m_shutdown = true;
    Kick();
    Join();
    m_owner = nullptr;
}

BOOL MyPens::InitInstance() {
    TraceScope scope("MyPens::InitInstance");
    m_coInit = std::make_unique<CoInit>();
    m_timer = SetTimer(nullptr, 0, 500, nullptr);
    return TRUE;
}

int MyPens::ExitInstance() {
    TraceScope scope("MyPens::ExitInstance");
    if (m_timer)
        KillTimer(nullptr, m_timer);
    m_timer = 0;
    m_coInit.reset();
    m_outboxIds.clear();
    return UiThread::ExitInstance();
}

BOOL MyPens::OnIdle(LONG count) {
    TraceScope scope("MyPens::OnIdle", true);
    if (m_shutdown) {
        DestroyPenManager();
        PostQuitMessage(0);
    } else {
        const bool heardLately = m_penManager && GetTickCount64() - m_lastHeard < kHeardLatelyMs;
        bool connected = heardLately || (m_penManager && CoIsHandlerConnected(m_penManager.Get()));
        if (m_penManager && !connected) {
            scope.warning("Lost connection to the pen manager.");
            DestroyPenManager();
        }
        if (!connected)
            CreatePenManager();
    }
    return UiThread::OnIdle(count);
}

bool MyPens::CoIsHandlerConnected(IPenManager* manager) {
    TraceScope scope("MyPens::CoIsHandlerConnected", true);
    if (!manager)
        return false;
    void* none = nullptr;
    if (manager->QueryInterface(GUID_NULL, &none) != E_NOINTERFACE)
        return false;
    // Under Wine a dead server's proxy keeps answering the query above from its cache.
    UINT typeInfoCount = 0;
    return !IsRpcFailure(manager->GetTypeInfoCount(&typeInfoCount));
}

bool MyPens::CreatePenManager() {
    TraceScope scope("MyPens::CreatePenManager");
    bool connected = false;
    HRESULT hr = CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&m_penManager));
    if (FAILED(hr)) {
        scope.warning("Failed to create pen manager (0x%08x).", static_cast<unsigned>(hr));
    } else {
        scope.trace("Found pen manager.");
        ComPtr<IConnectionPointContainer> container;
        hr = m_penManager.As(&container);
        if (FAILED(hr)) {
            scope.warning("Failed to query interface on pen manager (0x%08x).", static_cast<unsigned>(hr));
        } else if (FAILED(hr = container->FindConnectionPoint(DIID_IPenManagerEvents, &m_connectionPoint))) {
            scope.warning("Failed to find connection point (0x%08x).", static_cast<unsigned>(hr));
        } else {
            scope.trace("Advising the pen manager.");
            hr = m_connectionPoint->Advise(static_cast<IDispatch*>(this), &m_cookie);
            if (FAILED(hr))
                scope.warning("Failed to advise the pen manager (0x%08x).", static_cast<unsigned>(hr));
            else
                connected = true;
        }
    }
    if (!connected) {
        scope.trace("Cleaning up.");
        if (m_connectionPoint) {
            scope.trace("Unadvising the pen manager.");
            m_connectionPoint.Reset();
        }
        if (m_penManager) {
            scope.trace("Releasing the pen manager.");
            m_penManager.Reset();
        }
        return false;
    }
    FakeDockedPens();
    return true;
}

void MyPens::FakeDockedPens() {
    TraceScope scope("MyPens::FakeDockedPens");
    scope.trace("Looking for docked pens.");
    ComPtr<IPens> pens;
    HRESULT hr = m_penManager->GetPens(&pens);
    if (FAILED(hr) || !pens) {
        scope.warning("Failed to get Pens property (0x%08x).", static_cast<unsigned>(hr));
        return;
    }
    scope.trace("Counting pens.");
    long count = 0;
    hr = pens->GetCount(&count);
    if (FAILED(hr))
        scope.warning("Can't count (0x%08x).", static_cast<unsigned>(hr));
    if (count < 1)
        scope.trace("No pens found.");
    else
        scope.trace("Found %d pen%s.", static_cast<int>(count), count == 1 ? "" : "s");
    for (long index = 1; index <= count; ++index) {
        scope.trace("Getting pen #%d.", static_cast<int>(index));
        Variant item;
        if (FAILED(hr = pens->GetItem(index, item.Out()))) {
            scope.warning("Can't get pen (0x%08x).", static_cast<unsigned>(hr));
            continue;
        }
        IUnknown* unknown = item.AsUnknown();
        if (!unknown) {
            scope.warning("Unable to convert pen to IUnknown.");
            continue;
        }
        ComPtr<IPen> pen;
        if (FAILED(hr = unknown->QueryInterface(IID_PPV_ARGS(&pen)))) {
            scope.warning("QueryInterface on pen failed. (0x%08x).", static_cast<unsigned>(hr));
            continue;
        }
        Bstr id;
        if (FAILED(hr = pen->GetPenId(id.Out()))) {
            scope.warning("Failed getting pen id. (0x%08x).", static_cast<unsigned>(hr));
            continue;
        }
        std::string penId = StringPackage::wideToUtf8(id.Str());
        scope.trace("Pen %s, faking pen docked.", penId.c_str());
        FirePenDocked(penId);
    }
}

void MyPens::DestroyPenManager() {
    TraceScope scope("MyPens::DestroyPenManager");
    scope.trace("Removing all docked pens (faking pen undocked).");
    {
        Lock lock(m_lock);
        for (const std::string& penId : m_dockedIds)
            FirePenUndocked(penId);
    }
    if (m_connectionPoint) {
        scope.trace("Unadvising the pen manager.");
        m_connectionPoint->Unadvise(m_cookie);
        m_connectionPoint.Reset();
    }
    if (m_penManager) {
        scope.trace("Releasing the pen manager.");
        m_penManager.Reset();
    }
    if (m_refs != 0) {
        scope.warning("Reference count isn't zero.");
        m_refs = 0;
    }
}

const char* MyPens::FiredId(const std::string& penId) {
    Lock lock(m_lock); // the sink may be called on another thread than the monitor's
    auto found = std::find(m_firedIds.begin(), m_firedIds.end(), penId);
    if (found == m_firedIds.end())
        found = m_firedIds.insert(m_firedIds.end(), penId);
    return found->c_str();
}

void MyPens::FirePenDocked(const std::string& penId) {
    TraceScope scope("MyPens::FirePenDocked");
    PostToThread(WM_PENDOCKED, reinterpret_cast<WPARAM>(FiredId(penId)), 0);
}

void MyPens::FirePenUndocked(const std::string& penId) {
    TraceScope scope("MyPens::FirePenUndocked");
    PostToThread(WM_PENUNDOCKED, reinterpret_cast<WPARAM>(FiredId(penId)), 0);
}

void MyPens::FirePenUnlocked(const std::string& penId) {
    TraceScope scope("MyPens::FirePenUnlocked");
    PostToThread(WM_PENUNLOCKED, reinterpret_cast<WPARAM>(FiredId(penId)), 0);
}

void MyPens::FireOutboxItemAdded(const std::string& penId, LONG high, LONG low) {
    TraceScope scope("MyPens::FireOutboxItemAdded");
    Lock lock(m_lock);
    m_outboxIds.push_back(std::make_unique<LONGLONG>(static_cast<LONGLONG>(high) * 1000 + low));
    PostToThread(WM_OUTBOXITEMADDED, reinterpret_cast<WPARAM>(FiredId(penId)),
                 reinterpret_cast<LPARAM>(m_outboxIds.back().get()));
}

bool MyPens::OnThreadMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PENDOCKED:
        OnPenDocked(wp, lp);
        return true;
    case WM_PENUNDOCKED:
        OnPenUndocked(wp, lp);
        return true;
    case WM_PENUNLOCKED:
        OnPenUnlocked(wp, lp);
        return true;
    case WM_OUTBOXITEMADDED:
        OnOutboxItemAdded(wp, lp);
        return true;
    default:
        return false;
    }
}

bool MyPens::IsDocked(const char* penId) const {
    return std::find(m_dockedIds.begin(), m_dockedIds.end(), penId) != m_dockedIds.end();
}

void MyPens::OnPenDocked(WPARAM wp, LPARAM lp) {
    TraceScope scope("MyPens::OnPenDocked");
    Lock lock(m_lock);
    const char* penId = reinterpret_cast<const char*>(wp);
    scope.trace("Pen %s docked.", penId);
    if (IsDocked(penId)) {
        scope.warning("Pen already in list.");
        return;
    }
    m_dockedIds.emplace_back(penId);
    PostMessageW(m_owner, WM_PENDOCKED, wp, lp);
}

void MyPens::OnPenUndocked(WPARAM wp, LPARAM lp) {
    TraceScope scope("MyPens::OnPenUndocked");
    Lock lock(m_lock);
    const char* penId = reinterpret_cast<const char*>(wp);
    scope.trace("Pen %s undocked.", penId);
    auto found = std::find(m_dockedIds.begin(), m_dockedIds.end(), penId);
    if (found == m_dockedIds.end()) {
        scope.warning("Pen not found.");
        return;
    }
    PostMessageW(m_owner, WM_PENUNDOCKED, wp, lp);
    m_dockedIds.erase(found);
}

void MyPens::OnPenUnlocked(WPARAM wp, LPARAM lp) {
    TraceScope scope("MyPens::OnPenUnlocked");
    Lock lock(m_lock);
    const char* penId = reinterpret_cast<const char*>(wp);
    scope.trace("Pen %s unlocked.", penId);
    if (!IsDocked(penId)) {
        scope.warning("Pen not found.");
        return;
    }
    PostMessageW(m_owner, WM_PENUNLOCKED, wp, lp);
}

void MyPens::OnOutboxItemAdded(WPARAM wp, LPARAM lp) {
    TraceScope scope("MyPens::OnOutboxItemAdded");
    Lock lock(m_lock);
    const char* penId = reinterpret_cast<const char*>(wp);
    scope.trace("Outbox item 0x%016llx for pen %s added.",
                static_cast<unsigned long long>(*reinterpret_cast<const LONGLONG*>(lp)), penId);
    if (!IsDocked(penId)) {
        scope.warning("Pen not found.");
        return;
    }
    PostMessageW(m_owner, WM_OUTBOXITEMADDED, wp, lp);
}

STDMETHODIMP MyPens::QueryInterface(REFIID iid, void** object) {
    TraceScope scope("MyPens::QueryInterface");
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_IPenManagerEvents) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The sink lives as long as the monitor: its count is only watched, never acted on.
STDMETHODIMP_(ULONG) MyPens::AddRef() { return static_cast<ULONG>(++m_refs); }
STDMETHODIMP_(ULONG) MyPens::Release() { return static_cast<ULONG>(--m_refs); }

STDMETHODIMP MyPens::GetTypeInfoCount(UINT* count) {
    TraceScope scope("MyPens::GetTypeInfoCount");
    if (count)
        *count = 0;
    return E_NOTIMPL;
}

STDMETHODIMP MyPens::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    TraceScope scope("MyPens::GetTypeInfo");
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP MyPens::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    TraceScope scope("MyPens::GetIDsOfNames");
    return E_NOTIMPL;
}

STDMETHODIMP MyPens::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                            UINT*) {
    TraceScope scope("MyPens::Invoke");
    if (id != kPenDocked && id != kPenUndocked && id != kOutboxItemAdded && id != kPenUnlocked)
        return DISP_E_MEMBERNOTFOUND;
    if (flags != DISPATCH_METHOD)
        return DISP_E_TYPEMISMATCH;
    if (!params || !result)
        return DISP_E_PARAMNOTOPTIONAL;
    const UINT expected = id == kOutboxItemAdded ? 3 : 1;
    if (params->cArgs != expected || params->cNamedArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    // Positional arguments arrive last first: the pen id is the last entry.
    const VARIANT& penArg = params->rgvarg[expected - 1];
    if (!IsBstr(penArg) || result->vt != VT_EMPTY)
        return DISP_E_TYPEMISMATCH;
    if (id == kOutboxItemAdded && (params->rgvarg[1].vt != VT_I4 || params->rgvarg[0].vt != VT_I4))
        return DISP_E_TYPEMISMATCH;
    // A server that has just called us is alive: the idle pass need not ask it again
    // (its round trips would queue before the sheet's own calls for the pen).
    m_lastHeard = GetTickCount64();
    try {
        std::string penId = StringPackage::wideToUtf8(
            penArg.bstrVal ? std::wstring(penArg.bstrVal, SysStringLen(penArg.bstrVal)) : std::wstring());
        switch (id) {
        case kPenDocked:
            FirePenDocked(penId);
            break;
        case kPenUndocked:
            FirePenUndocked(penId);
            break;
        case kPenUnlocked:
            FirePenUnlocked(penId);
            break;
        default:
            FireOutboxItemAdded(penId, params->rgvarg[1].lVal, params->rgvarg[0].lVal);
            break;
        }
    } catch (const std::exception&) {
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}
