#pragma once
// MoreDetailsSheet: "Más detalles", the modal sheet of the Details page with the delivery
// address, the invoice address and the further phone numbers of the pen's user data.
// It lends its pages the settings sheet's pen, hands them the pen messages the Details
// page passes on, and tells the user once what an Apply or OK could not save.
#include <string>

#include "framework/PropertySheet.h"
#include "pen/PenMessageReceiver.h"
#include "pen/PenSource.h"
#include "sheet/AddressPage.h"
#include "sheet/PhonePage.h"
#include "sheet/WriteFailures.h"

class MoreDetailsSheet : public PropertySheet,
                         public PenSource,
                         public WriteFailures,
                         private PenMessageReceiver {
public:
    // detailsPage: the page that opens the sheet; the settings sheet above it owns it.
    explicit MoreDetailsSheet(HWND detailsPage);
    ~MoreDetailsSheet() override;

    IPen* GetPen() override;

protected:
    BOOL OnInitDialog() override;
    void OnApply() override;
    void OnOK() override;
    bool OnAppMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnPenDocked(const char* penId, LPARAM lp) override;
    LRESULT OnPenUndocked(const char* penId, LPARAM lp) override;

private:
    HWND m_settingsSheet;
    AddressPage m_deliveryPage{AddressPage::kDelivery};
    AddressPage m_invoicePage{AddressPage::kInvoice};
    PhonePage m_phonePage;
};
