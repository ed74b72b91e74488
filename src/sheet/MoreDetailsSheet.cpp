#include "sheet/MoreDetailsSheet.h"

#include "core/TraceScope.h"
#include "res/resource.h"

// The settings sheet, the first window above the Details page that is not a child, owns
// the sheet: it is the window a modal sheet must disable.
MoreDetailsSheet::MoreDetailsSheet(HWND detailsPage)
    : SubSheet("MoreDetailsSheet", IDS_MORE_DETAILS_CAPTION, GetAncestor(detailsPage, GA_ROOT), 0) {
    TraceScope scope("MoreDetailsSheet::MoreDetailsSheet");
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
