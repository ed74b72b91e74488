#include "sheet/MoreDetailsSheet.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "pen/MyPens.h"
#include "res/resource.h"

// The settings sheet, the first window above the Details page that is not a child, owns
// the sheet: it is the window a modal sheet must disable.
MoreDetailsSheet::MoreDetailsSheet(HWND detailsPage)
    : PropertySheet(LoadResString(IDS_MORE_DETAILS_CAPTION), GetAncestor(detailsPage, GA_ROOT), 0),
      m_settingsSheet(GetAncestor(detailsPage, GA_ROOT)) {
    TraceScope scope("MoreDetailsSheet::MoreDetailsSheet");
    EnableStackedTabs(false);
    AddPage(&m_deliveryPage);
    AddPage(&m_invoicePage);
    AddPage(&m_phonePage);
}

MoreDetailsSheet::~MoreDetailsSheet() {
    TraceScope scope("MoreDetailsSheet::~MoreDetailsSheet");
    RemovePage(&m_phonePage);
    RemovePage(&m_invoicePage);
    RemovePage(&m_deliveryPage);
}

IPen* MoreDetailsSheet::GetPen() {
    PenSource* source = PenSource::FromWindow(m_settingsSheet);
    return source ? source->GetPen() : nullptr;
}

BOOL MoreDetailsSheet::OnInitDialog() {
    TraceScope scope("MoreDetailsSheet::OnInitDialog");
    return PropertySheet::OnInitDialog();
}

void MoreDetailsSheet::OnApply() {
    TraceScope scope("MoreDetailsSheet::OnApply");
    PropertySheet::OnApply();
    Tell(Handle());
}

void MoreDetailsSheet::OnOK() {
    TraceScope scope("MoreDetailsSheet::OnOK");
    // Applied first: a page left with invalid text, or a value that could not be saved,
    // keeps the sheet open (the page stays modified, so Apply stays enabled).
    HWND apply = GetDlgItem(Handle(), kApplyCommand);
    if (apply && IsWindowEnabled(apply)) {
        PropertySheet::OnApply();
        Tell(Handle());
        if (IsWindowEnabled(apply))
            return;
    }
    PropertySheet::OnOK();
}

bool MoreDetailsSheet::OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    return DispatchPenMessage(msg, wp, lp, result) || PropertySheet::OnAppMessage(msg, wp, lp, result);
}

LRESULT MoreDetailsSheet::OnPenDocked(const char* penId, LPARAM lp) {
    TraceScope scope("MoreDetailsSheet::OnPenDocked");
    scope.trace("Pen %s docked.", penId);
    SendMessageToDescendants(MyPens::WM_PENDOCKED, reinterpret_cast<WPARAM>(penId), lp, false);
    return 0;
}

LRESULT MoreDetailsSheet::OnPenUndocked(const char* penId, LPARAM lp) {
    TraceScope scope("MoreDetailsSheet::OnPenUndocked");
    scope.trace("Pen %s undocked.", penId);
    SendMessageToDescendants(MyPens::WM_PENUNDOCKED, reinterpret_cast<WPARAM>(penId), lp, false);
    return 0;
}
