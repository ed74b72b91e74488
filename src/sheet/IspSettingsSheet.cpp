#include "sheet/IspSettingsSheet.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

namespace {
const DialUpAccountKind kSSPrimary{IDD_SS_PRIMARY, "SSPrimaryPage", &IIspSettings::GetSSPrimaryAccount};
const DialUpAccountKind kSSSecondary{IDD_SS_SECONDARY, "SSSecondaryPage",
                                     &IIspSettings::GetSSSecondaryAccount};
const DialUpAccountKind kOSPrimary{IDD_OS_PRIMARY, "OSPrimaryPage", &IIspSettings::GetOSPrimaryAccount};
const DialUpAccountKind kOSSecondary{IDD_OS_SECONDARY, "OSSecondaryPage",
                                     &IIspSettings::GetOSSecondaryAccount};
} // namespace

IspSettingsSheet::IspSettingsSheet(HWND parent, UINT firstPage)
    : PropertySheet(LoadResString(IDS_ISP_CAPTION), parent, firstPage), m_owner(parent),
      m_ssPrimary(kSSPrimary), m_ssSecondary(kSSSecondary), m_osPrimary(kOSPrimary),
      m_osSecondary(kOSSecondary) {
    EnableStackedTabs(false);
    for (DialUpPage* page : {&m_ssPrimary, &m_ssSecondary, &m_osPrimary, &m_osSecondary})
        AddPage(page);
}

IspSettingsSheet::~IspSettingsSheet() {
    for (DialUpPage* page : {&m_ssPrimary, &m_ssSecondary, &m_osPrimary, &m_osSecondary})
        RemovePage(page);
}

PenSource* IspSettingsSheet::Owner() const {
    for (HWND window = m_owner; window; window = GetParent(window))
        if (PenSource* source = PenSource::FromWindow(window))
            return source;
    return nullptr;
}

IPen* IspSettingsSheet::GetPen() {
    PenSource* owner = Owner();
    return owner ? owner->GetPen() : nullptr;
}

ComPtr<IPairedDevice> IspSettingsSheet::GetPairedDevice(int index) {
    PenSource* owner = Owner();
    return owner ? owner->GetPairedDevice(index) : nullptr;
}

bool IspSettingsSheet::ApplyPages() {
    TraceScope scope("IspSettingsSheet::ApplyPages");
    PropertyPage* active = GetActivePage();
    for (DialUpPage* page : {&m_ssPrimary, &m_ssSecondary, &m_osPrimary, &m_osSecondary})
        if (page == active && page->IsWindow() && !page->Validate())
            return false;
    for (int i = 0; i < GetPageCount(); ++i)
        if (PropertyPage* page = GetPage(i); page->IsWindow())
            page->OnApply();
    if (!Any())
        return true;
    Tell(Handle());
    return false;
}

void IspSettingsSheet::OnOK() {
    TraceScope scope("IspSettingsSheet::OnOK");
    // What was saved is as read now: comctl32's own OK writes nothing more.
    if (ApplyPages())
        PropertySheet::OnOK();
}

void IspSettingsSheet::OnApply() {
    TraceScope scope("IspSettingsSheet::OnApply");
    ApplyPages();
}
