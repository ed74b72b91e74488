#include "sheet/IspSettingsSheet.h"

#include "res/resource.h"

namespace {
const DialUpAccountKind kSSPrimary{IDD_SS_PRIMARY, "SSPrimaryPage", &IIspSettings::GetSSPrimaryAccount};
const DialUpAccountKind kSSSecondary{IDD_SS_SECONDARY, "SSSecondaryPage",
                                     &IIspSettings::GetSSSecondaryAccount};
const DialUpAccountKind kOSPrimary{IDD_OS_PRIMARY, "OSPrimaryPage", &IIspSettings::GetOSPrimaryAccount};
const DialUpAccountKind kOSSecondary{IDD_OS_SECONDARY, "OSSecondaryPage",
                                     &IIspSettings::GetOSSecondaryAccount};
} // namespace

IspSettingsSheet::IspSettingsSheet(HWND parent, UINT firstPage)
    : SubSheet("IspSettingsSheet", IDS_ISP_CAPTION, parent, firstPage), m_ssPrimary(kSSPrimary),
      m_ssSecondary(kSSSecondary), m_osPrimary(kOSPrimary), m_osSecondary(kOSSecondary) {
    for (DialUpPage* page : {&m_ssPrimary, &m_ssSecondary, &m_osPrimary, &m_osSecondary})
        AddPage(page);
}

IspSettingsSheet::~IspSettingsSheet() {
    for (DialUpPage* page : {&m_ssPrimary, &m_ssSecondary, &m_osPrimary, &m_osSecondary})
        RemovePage(page);
}
