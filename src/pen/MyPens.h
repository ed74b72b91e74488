#pragma once
// MyPens: the pen monitor. A thread of its own with its own COM apartment that keeps the
// connection to the pen manager alive (reconnecting every 500 ms when it is gone),
// receives the pen manager's events through its own dispatch sink, keeps the list of
// docked pens and posts the pen messages to one owner window. Only pen id texts leave
// this thread; receivers look pens up through their own pen manager object.
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "core/CriticalSection.h"
#include "framework/UiThread.h"
#include "pen/PenManager.h"

class CoInit;

class MyPens : public UiThread, public IPenManagerEvents {
public:
    // Thread messages to the monitor and window messages to the owner alike.
    static constexpr UINT WM_PENDOCKED = 0x8000;       // wParam: const char* pen id
    static constexpr UINT WM_PENUNDOCKED = 0x8001;     // wParam: pen id
    static constexpr UINT WM_PENUNLOCKED = 0x8002;     // wParam: pen id
    static constexpr UINT WM_OUTBOXITEMADDED = 0x8003; // wParam: pen id; lParam: const LONGLONG* item id

    MyPens();
    ~MyPens() override;

    // Starts the thread for the owner window; false when it is no window or the thread
    // can't be started.
    bool Create(HWND owner);
    // The same once the calling thread has done what is more urgent: a zero-delay timer
    // comes after every posted message and after painting, so that a window that makes
    // its monitor while it is being created is on the screen before the monitor's
    // apartment, connection and first pen take their share of the processor. False when
    // the owner is no window.
    bool CreateWhenIdle(HWND owner);
    // Disconnects (every docked pen reported undocked) and waits for the thread to end.
    void Destroy();

    // The event sink.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // The liveness test: the null-interface query answers E_NOINTERFACE and a real call
    // on the proxy does not fail with an RPC error.
    static bool CoIsHandlerConnected(IPenManager* manager);

protected:
    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnIdle(LONG count) override;
    bool OnThreadMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static void CALLBACK StartTimer(HWND, UINT, UINT_PTR id, DWORD);
    void CancelStart();

    bool CreatePenManager();
    void DestroyPenManager();
    void FakeDockedPens();

    const char* FiredId(const std::string& penId);
    void FirePenDocked(const std::string& penId);
    void FirePenUndocked(const std::string& penId);
    void FirePenUnlocked(const std::string& penId);
    void FireOutboxItemAdded(const std::string& penId, LONG high, LONG low);

    void OnPenDocked(WPARAM wp, LPARAM lp);
    void OnPenUndocked(WPARAM wp, LPARAM lp);
    void OnPenUnlocked(WPARAM wp, LPARAM lp);
    void OnOutboxItemAdded(WPARAM wp, LPARAM lp);
    bool IsDocked(const char* penId) const;

    bool m_startPending = false; // CreateWhenIdle's timer has not fired yet
    std::atomic<bool> m_shutdown{false};
    std::unique_ptr<CoInit> m_coInit;
    UINT_PTR m_timer = 0;
    // When the pen manager last called us (an event); shortly after, it needs no probe.
    static constexpr ULONGLONG kHeardLatelyMs = 200;
    ULONGLONG m_lastHeard = 0;
    std::atomic<LONG> m_refs{0};
    Microsoft::WRL::ComPtr<IConnectionPoint> m_connectionPoint;
    DWORD m_cookie = 0;
    Microsoft::WRL::ComPtr<IPenManager> m_penManager;
    std::list<std::string> m_firedIds;                  // never shrinks: messages point into it
    std::vector<std::unique_ptr<LONGLONG>> m_outboxIds; // freed when the thread ends
    std::vector<std::string> m_dockedIds;
    mutable CriticalSection m_lock; // guards the three lists above
    HWND m_owner = nullptr;
};
