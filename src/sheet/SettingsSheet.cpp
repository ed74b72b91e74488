#include "sheet/SettingsSheet.h"

#include "framework/CoInit.h"
#include "core/Settings.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "framework/Variant.h"
#include "framework/WinApp.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

PenManagerFactory* SettingsSheet::s_factory = nullptr;

namespace {
// Positions in Pages().
enum PageSlot { kStatus, kConnection, kDetails, kShortcuts, kAdvanced, kAbout };
} // namespace

SettingsSheet::SettingsSheet(HWND parent, UINT selectPage)
    : PropertySheet(LoadResString(IDS_SHEET_CAPTION), parent, selectPage) {
    TraceScope scope("SettingsSheet::SettingsSheet");
    NameInLog("SettingsSheet");
    EnableStackedTabs(false);
    AddPages();
}

SettingsSheet::~SettingsSheet() {
    TraceScope scope("SettingsSheet::~SettingsSheet");
    if (IsWindow())
        Destroy();
    RemovePages();
}

std::array<PropertyPage*, 6> SettingsSheet::Pages() {
    return {&m_statusPage, &m_connectionPage, &m_detailsPage, &m_shortcutsPage, &m_advancedPage, &m_aboutPage};
}

IPen* SettingsSheet::GetPen() {
    return m_pen.Get();
}

BOOL SettingsSheet::OnInitDialog() {
    TraceScope scope("SettingsSheet::OnInitDialog");
    m_coInit = std::make_unique<CoInit>();
    s_factory = &m_factory;
    // The monitor starts once the sheet has painted itself: a pen already docked is shown
    // right after.
    if (!m_myPens.CreateWhenIdle(Handle())) {
        scope.error("Failed to create my pens.");
        return -1;
    }
    // comctl32 keeps OK, Cancel, Apply and Help and the modal layout for a modeless sheet
    // too, so there is nothing to undo here. The hidden frame gives no useful position:
    // the sheet opens in the middle of the work area.
    RECT work{}, window{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(Handle(), &window);
    SetWindowPos(Handle(), nullptr, work.left + ((work.right - work.left) - (window.right - window.left)) / 2,
                 work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

void SettingsSheet::OnDestroy() {
    TraceScope scope("SettingsSheet::OnDestroy");
    ReleasePen();
    m_myPens.Destroy();
    s_factory = nullptr;
    m_factory.Reset();
    m_coInit.reset();
}

void SettingsSheet::ReleasePen() {
    m_pen.Reset();
    m_penId.clear();
}

void SettingsSheet::AddIfAbsent(PropertyPage* page) {
    if (page && !HasPage(page))
        AddPage(page);
}

void SettingsSheet::RemoveIfPresent(PropertyPage* page) {
    if (HasPage(page))
        RemovePage(page);
}

void SettingsSheet::UpdatePages() {
    TraceScope scope("SettingsSheet::UpdatePages");
    int noMobile = Settings::instance().readNumber("NoMobile", 0);
    int showInternet = Settings::instance().readNumber("ShowInternetSettings", 0);
    auto pages = Pages();
    PropertyPage* active = GetPageCount() > 0 ? GetActivePage() : nullptr;
    std::array<bool, std::tuple_size_v<decltype(pages)>> had{};
    for (size_t i = 0; i < pages.size(); ++i)
        had[i] = HasPage(pages[i]);

    AddIfAbsent(pages[kStatus]);
    AddIfAbsent(pages[kConnection]);
    if (showInternet) {
        // Pages keep their order: what follows a missing page goes first and comes back.
        // (A page this build does not have is no gap to fill.)
        if (pages[kDetails] && !HasPage(pages[kDetails])) {
            RemoveIfPresent(pages[kShortcuts]);
            RemoveIfPresent(pages[kAdvanced]);
            RemoveIfPresent(pages[kAbout]);
        }
        if (pages[kShortcuts] && !HasPage(pages[kShortcuts])) {
            RemoveIfPresent(pages[kAdvanced]);
            RemoveIfPresent(pages[kAbout]);
        }
        AddIfAbsent(pages[kDetails]);
        if (noMobile)
            RemoveIfPresent(pages[kShortcuts]);
        else
            AddIfAbsent(pages[kShortcuts]);
    } else {
        RemoveIfPresent(pages[kDetails]);
        RemoveIfPresent(pages[kShortcuts]);
    }
    AddIfAbsent(pages[kAdvanced]);
    AddIfAbsent(pages[kAbout]);

    // Selecting the page that shows already would have it validated and activated again
    // on every Apply: only a changed set of pages needs it.
    bool changed = false;
    for (size_t i = 0; i < pages.size(); ++i)
        changed = changed || had[i] != HasPage(pages[i]);
    PropertyPage* shown = HasPage(active) ? active : pages[kStatus];
    if (changed || shown != active)
        SetActivePage(shown);
    if (HasPage(&m_connectionPage))
        m_connectionPage.UpdateUI(showInternet);
}

void SettingsSheet::AddPages() {
    TraceScope scope("SettingsSheet::AddPages");
    UpdatePages();
}

void SettingsSheet::RemovePages() {
    TraceScope scope("SettingsSheet::RemovePages");
    for (PropertyPage* page : Pages())
        RemoveIfPresent(page);
}

void SettingsSheet::OnPagesApplied() {
    UpdatePages();
    Tell(Handle());
}

void SettingsSheet::OnCancel() {
    TraceScope scope("SettingsSheet::OnCancel");
    OnClose();
}

void SettingsSheet::OnClose() {
    TraceScope scope("SettingsSheet::OnClose");
    if (!m_statusPage.CanClose()) {
        Show(SW_HIDE);
        return;
    }
    Destroy();
    if (WinApp* app = WinApp::Current())
        if (HWND main = app->MainWindowHandle())
            PostMessageW(main, WM_CLOSE, 0, 0);
}

void SettingsSheet::ShowHistory() {
    TraceScope scope("SettingsSheet::ShowHistory");
    if (m_statusPage.IsWindow())
        m_statusPage.Post(WM_COMMAND, IDC_PEN_HISTORY, reinterpret_cast<LPARAM>(Handle()));
}

bool SettingsSheet::OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return DispatchPenMessage(msg, wp, lp, result);
}

LRESULT SettingsSheet::OnPenDocked(const char* penId, LPARAM lp) {
    TraceScope scope("SettingsSheet::OnPenDocked");
    scope.trace("Pen %s docked.", penId);
    if (m_penId == penId)
        return 0;
    if (!m_penId.empty()) {
        scope.trace("A pen is already docked, faking pen undocked.");
        // The message may point at our own copy of the id: pass a stable one.
        std::string current = m_penId;
        Send(MyPens::WM_PENUNDOCKED, reinterpret_cast<WPARAM>(current.c_str()), 0);
    }
    m_pen = GetPen(penId);
    if (m_pen) {
        m_penId = penId;
        SendMessageToDescendants(MyPens::WM_PENDOCKED, reinterpret_cast<WPARAM>(penId), lp, false);
    } else {
        m_penId.clear();
    }
    return 0;
}

LRESULT SettingsSheet::OnPenUndocked(const char* penId, LPARAM lp) {
    TraceScope scope("SettingsSheet::OnPenUndocked");
    scope.trace("Pen %s undocked.", penId);
    if (m_penId.empty() || m_penId != penId)
        return 0;
    ReleasePen();
    SendMessageToDescendants(MyPens::WM_PENUNDOCKED, reinterpret_cast<WPARAM>(penId), lp, false);
    return 0;
}

LRESULT SettingsSheet::OnPenUnlocked(const char* penId, LPARAM lp) {
    TraceScope scope("SettingsSheet::OnPenUnlocked");
    scope.trace("Pen %s unlocked.", penId);
    scope.trace("Faking pen docked of pen %s.", penId);
    Send(MyPens::WM_PENDOCKED, reinterpret_cast<WPARAM>(penId), lp);
    return 0;
}

HRESULT SettingsSheet::CreatePenManager(ComPtr<IPenManager>& manager) {
    // Through the sheet's factory while the sheet lives (the same object, made faster).
    return s_factory ? s_factory->Create(manager)
                     : CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager));
}

ComPtr<IPen> SettingsSheet::GetPen(const char* penId) {
    TraceScope scope("SettingsSheet::GetPen");
    scope.trace("Getting pen manager.");
    ComPtr<IPenManager> manager;
    HRESULT hr = CreatePenManager(manager);
    if (FAILED(hr)) {
        scope.warning("Failed to create pen manager (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    scope.trace("Getting pen.");
    ComPtr<IPen> pen;
    Bstr id(StringPackage::utf8ToWide(penId));
    hr = manager->GetPen(id.Get(), &pen);
    manager.Reset();
    if (FAILED(hr) || !pen) {
        scope.warning("Failed to get pen (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    scope.trace("Checking if the pen is locked.");
    VARIANT_BOOL locked = VARIANT_TRUE;
    hr = pen->IsLocked(&locked);
    if (FAILED(hr)) {
        scope.warning("Failed to check locked state (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    if (locked == VARIANT_TRUE) {
        scope.trace("Trying to unlock the pen.");
        VARIANT_BOOL unlocked = VARIANT_FALSE;
        hr = pen->Unlock(&unlocked);
        if (FAILED(hr)) {
            scope.warning("Failed to unlock the pen (0x%08x).", static_cast<unsigned>(hr));
            return nullptr;
        }
        if (!unlocked) {
            scope.trace("The pen is still locked.");
            return nullptr;
        }
    }
    scope.trace("The pen is unlocked.");
    return pen;
}

ComPtr<IPairedDevice> SettingsSheet::GetPairedDevice(int index) {
    TraceScope scope("SettingsSheet::GetPairedDevice");
    scope.trace("Item %d.", index);
    if (!m_pen)
        return nullptr;
    ComPtr<IPairedDevices> devices;
    HRESULT hr = m_pen->GetPairedDevices(&devices);
    if (FAILED(hr) || !devices) {
        scope.warning("Error getting paired devices (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    long count = 0;
    hr = devices->GetCount(&count);
    if (FAILED(hr)) {
        scope.warning("Error getting number of devices (0x%08x).", static_cast<unsigned>(hr));
        count = 0; // no item is known to exist
    }
    if (index < 0 || index >= count) {
        scope.warning("Item %d does not exist.", index);
        return nullptr;
    }
    scope.trace("Getting paired item #%d.", index);
    Variant item;
    hr = devices->GetItem(index + 1, item.Out());
    if (FAILED(hr)) {
        scope.warning("Error getting item (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    IUnknown* unknown = item.AsUnknown();
    if (!unknown) {
        scope.warning("Unable to convert item to IUnknown.");
        return nullptr;
    }
    ComPtr<IPairedDevice> device;
    hr = unknown->QueryInterface(IID_PPV_ARGS(&device));
    if (FAILED(hr) || !device) {
        scope.warning("QueryInterface on item failed. (0x%08x).", static_cast<unsigned>(hr));
        return nullptr;
    }
    Bstr name;
    hr = device->GetDeviceName(name.Out());
    if (FAILED(hr))
        scope.warning("Failed to get device name. (0x%08x).", static_cast<unsigned>(hr));
    else
        scope.trace("Device: %s", StringPackage::wideToUtf8(name.Str()).c_str());
    return device;
}
