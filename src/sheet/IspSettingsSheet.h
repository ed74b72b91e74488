#pragma once
// IspSettingsSheet: "Especificaciones de ISP", the modal sheet of the paired phone's four
// dial-up accounts.
#include "sheet/DialUpPage.h"
#include "sheet/SubSheet.h"

class IspSettingsSheet : public SubSheet {
public:
    // parent: a window of the settings sheet (the Advanced page).
    IspSettingsSheet(HWND parent, UINT firstPage);
    ~IspSettingsSheet() override;

private:
    DialUpPage m_ssPrimary;
    DialUpPage m_ssSecondary;
    DialUpPage m_osPrimary;
    DialUpPage m_osSecondary;
};
