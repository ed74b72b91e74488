#pragma once
// SettingsSheet: "Panel de control del lápiz", the window the user works with. A modeless
// property sheet owned by the hidden main frame: it owns the pen monitor, keeps the one
// unlocked pen it shows, passes the pen messages on to its pages, decides from the
// settings which pages exist, and runs Apply, OK, Cancel and Close for all of them.
#include <windows.h>
#include <wrl/client.h>

#include <array>
#include <memory>
#include <string>

#include "framework/PropertySheet.h"
#include "pen/MyPens.h"
#include "pen/PenManager.h"
#include "pen/PenManagerFactory.h"
#include "pen/PenMessageReceiver.h"
#include "pen/PenSource.h"
#include "sheet/AdvancedPage.h"
#include "sheet/ConnectionPage.h"
#include "sheet/DetailsPage.h"
#include "sheet/ShortcutsPage.h"
#include "sheet/AboutPage.h"
#include "sheet/StatusPage.h"
#include "sheet/WriteFailures.h"

class CoInit;

class SettingsSheet : public PropertySheet, public PenSource, public WriteFailures, private PenMessageReceiver {
public:
    // The style the frame creates the sheet with: a popup with caption, system menu,
    // context help and the modal dialog frame, not visible.
    static constexpr DWORD kWindowStyle = 0x80C820C4;

    SettingsSheet(HWND parent, UINT selectPage);
    ~SettingsSheet() override;

    // The current pen (borrowed: don't release it), or null.
    IPen* GetPen() override;
    // A new reference to the unlocked pen with that id, or null.
    static Microsoft::WRL::ComPtr<IPen> GetPen(const char* penId);
    // A new pen manager object (through the sheet's class factory while a sheet lives).
    static HRESULT CreatePenManager(Microsoft::WRL::ComPtr<IPenManager>& manager);
    // A new reference to paired device index (from 0) of the current pen, or null.
    Microsoft::WRL::ComPtr<IPairedDevice> GetPairedDevice(int index) override;

    void ShowHistory();
    void AddPages();
    void RemovePages();
    void UpdatePages();

    const std::string& CurrentPenId() const { return m_penId; }

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnClose() override;
    void OnCancel() override;
    // The page set follows the settings, then what was not saved is told once.
    void OnPagesApplied() override;
    bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    LRESULT OnPenDocked(const char* penId, LPARAM lp) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM lp) override;
    bool HearsPenUnlocked() const override { return true; }
    LRESULT OnPenUnlocked(const char* penId, LPARAM lp) override;

private:
    // The pages in their order on screen; pages not built yet are null.
    std::array<PropertyPage*, 6> Pages();
    bool HasPage(PropertyPage* page) const { return page && GetPageIndex(page) >= 0; }
    void AddIfAbsent(PropertyPage* page);
    void RemoveIfPresent(PropertyPage* page);
    void ReleasePen();

    std::unique_ptr<CoInit> m_coInit;
    // Pen managers of the user-interface thread; s_factory points at it while it may be
    // used (from OnInitDialog to OnDestroy).
    PenManagerFactory m_factory;
    static PenManagerFactory* s_factory;
    MyPens m_myPens;
    std::string m_penId;
    Microsoft::WRL::ComPtr<IPen> m_pen;
    StatusPage m_statusPage;
    ConnectionPage m_connectionPage;
    DetailsPage m_detailsPage;
    ShortcutsPage m_shortcutsPage;
    AdvancedPage m_advancedPage;
    AboutPage m_aboutPage;
};
