#pragma once
// SubSheet: a modal sheet that a page of the settings sheet opens over it ("Más detalles",
// "Especificaciones de ISP"). It lends its pages the settings sheet's pen and paired
// device, hands them the pen messages its page passes on (they reload; the sheet stays
// open with what the user typed elsewhere), and tells once what an Apply or OK could not
// save.
#include <wrl/client.h>

#include "framework/PropertySheet.h"
#include "pen/PenMessageReceiver.h"
#include "pen/PenSource.h"
#include "sheet/WriteFailures.h"

class SubSheet : public PropertySheet, public PenSource, public WriteFailures, private PenMessageReceiver {
public:
    IPen* GetPen() override;
    Microsoft::WRL::ComPtr<IPairedDevice> GetPairedDevice(int index) override;

protected:
    // name: the sheet's class in the log; parent: a window of the settings sheet.
    SubSheet(const char* name, UINT captionId, HWND parent, UINT firstPage);

    void OnPagesApplied() override;
    bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnPenDocked(const char* penId, LPARAM lp) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM lp) override;

private:
    // The source of the window that owns the sheet, found up its parents.
    PenSource* Owner() const;

    HWND m_parent;
};
