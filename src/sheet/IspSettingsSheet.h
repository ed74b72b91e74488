#pragma once
// IspSettingsSheet: "Especificaciones de ISP", the modal sheet of the paired phone's four
// dial-up accounts. It lends the settings sheet's pen and paired device to its pages and,
// like the settings sheet, tells once after OK or Apply what could not be saved.
#include <wrl/client.h>

#include "framework/PropertySheet.h"
#include "pen/PenSource.h"
#include "sheet/DialUpPage.h"
#include "sheet/WriteFailures.h"

class IspSettingsSheet : public PropertySheet, public PenSource, public WriteFailures {
public:
    // parent: a window of the settings sheet (the Advanced page).
    IspSettingsSheet(HWND parent, UINT firstPage);
    ~IspSettingsSheet() override;

    IPen* GetPen() override;
    Microsoft::WRL::ComPtr<IPairedDevice> GetPairedDevice(int index) override;

protected:
    void OnOK() override;
    void OnApply() override;

private:
    // The source of the window that owns the sheet, found up its parents.
    PenSource* Owner() const;
    // Validates the current page, applies every created page; false when something was
    // not saved (told to the user) or the page may not be left.
    bool ApplyPages();

    HWND m_owner;
    DialUpPage m_ssPrimary;
    DialUpPage m_ssSecondary;
    DialUpPage m_osPrimary;
    DialUpPage m_osSecondary;
};
