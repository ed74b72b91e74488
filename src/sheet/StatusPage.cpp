#include "sheet/StatusPage.h"

#include <wrl/client.h>

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "pen/MyPens.h"
#include "res/resource.h"
#include "framework/ForegroundSwitch.h"

using Microsoft::WRL::ComPtr;

StatusPage::StatusPage() : SheetPage(IDD_STATUS) {}

BOOL StatusPage::OnInitDialog() {
    TraceScope scope("StatusPage::OnInitDialog");
    BOOL result = SheetPage::OnInitDialog();
    UpdatePage();
    // The service log window starts hidden: it is made as soon as the sheet has shown
    // and painted itself (timers come after painting), which brings the sheet to the
    // screen some 60 ms sooner. Asking for the log before then makes it at once.
    SetTimer(m_hwnd, kCreateHistoryTimer, 0, nullptr);
    return result;
}

void StatusPage::CreateHistory() {
    TraceScope scope("StatusPage::CreateHistory");
    KillTimer(m_hwnd, kCreateHistoryTimer);
    if (!m_history.IsWindow())
        m_history.Create(SheetHandle());
}

void StatusPage::OnDestroy() {
    TraceScope scope("StatusPage::OnDestroy");
}

void StatusPage::UpdatePage() {
    TraceScope scope("StatusPage::UpdatePage");
    IPen* pen = GetPen();
    std::wstring text = LoadResString(IDS_UNEXPECTED_ERROR);
    if (!pen) {
        text = LoadResString(IDS_NO_PEN);
    } else {
        ComPtr<IBatteryStatus> battery;
        HRESULT hr = pen->GetBatteryStatus(&battery);
        if (FAILED(hr) || !battery) {
            scope.warning("Error getting battery status (0x%08x).", static_cast<unsigned>(hr));
        } else {
            // A value that can't be read shows as 0.
            long charge = 0, writingHours = 0, writingMinutes = 0, standbyHours = 0, standbyMinutes = 0;
            battery->GetRemainingCharge(&charge);
            battery->GetWritingHours(&writingHours);
            battery->GetWritingMinutes(&writingMinutes);
            battery->GetStandbyHours(&standbyHours);
            battery->GetStandbyMinutes(&standbyMinutes);
            auto arg = [](long value) { return static_cast<DWORD_PTR>(static_cast<LONG_PTR>(value)); };
            text = FormatResString(IDS_BATTERY, {arg(charge), arg(writingHours), arg(writingMinutes),
                                                 arg(standbyHours), arg(standbyMinutes)});
        }
    }
    SetItemText(IDC_BATTERY, text);
}

LRESULT StatusPage::OnPenDocked(const char* penId, LPARAM lp) {
    TraceScope scope("StatusPage::OnPenDocked");
    scope.trace("Pen %s docked.", penId);
    UpdatePage();
    if (m_history.IsWindow())
        m_history.Send(MyPens::WM_PENDOCKED, reinterpret_cast<WPARAM>(penId), lp);
    m_timer = SetTimer(m_hwnd, kRefreshTimer, kRefreshMs, nullptr);
    return 0;
}

LRESULT StatusPage::OnPenUndocked(const char* penId, LPARAM lp) {
    TraceScope scope("StatusPage::OnPenUndocked");
    scope.trace("Pen %s undocked.", penId);
    if (m_timer) {
        KillTimer(m_hwnd, m_timer);
        m_timer = 0;
    }
    UpdatePage();
    if (m_history.IsWindow())
        m_history.Send(MyPens::WM_PENUNDOCKED, reinterpret_cast<WPARAM>(penId), lp);
    return 0;
}

void StatusPage::OnTimer(UINT_PTR id) {
    TraceScope scope("StatusPage::OnTimer");
    if (id == kCreateHistoryTimer)
        CreateHistory();
    else
        UpdatePage();
}

bool StatusPage::OnCommand(int id, int code) {
    if (id == IDC_PEN_HISTORY && (code == BN_CLICKED)) {
        OnPenHistory();
        return true;
    }
    return SheetPage::OnCommand(id, code);
}

void StatusPage::OnPenHistory() {
    TraceScope scope("StatusPage::OnPenHistory");
    scope.trace("Bringing main window to front.");
    CreateHistory();
    BringWindowToFront(m_history.Handle());
}
