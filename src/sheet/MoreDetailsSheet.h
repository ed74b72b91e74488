#pragma once
// MoreDetailsSheet: "Más detalles", the modal sheet of the Details page with the delivery
// address, the invoice address and the further phone numbers of the pen's user data.
#include "sheet/AddressPage.h"
#include "sheet/PhonePage.h"
#include "sheet/SubSheet.h"

class MoreDetailsSheet : public SubSheet {
public:
    // detailsPage: the page that opens the sheet; the settings sheet above it owns it.
    explicit MoreDetailsSheet(HWND detailsPage);
    ~MoreDetailsSheet() override;

private:
    AddressPage m_deliveryPage{AddressPage::kDelivery};
    AddressPage m_invoicePage{AddressPage::kInvoice};
    PhonePage m_phonePage;
};
