#pragma once
// AddressPage: one postal address of the pen's user data, the delivery address
// ("Dirección de entrega") or the invoice address ("Dirección de facturación"): the same
// page given the address's template and its user-data operations. One read-only flag
// covers the whole address.
#include "controls/ValidatingEdit.h"
#include "sheet/PenTextFields.h"
#include "sheet/SheetPage.h"

class AddressPage : public SheetPage {
public:
    struct Kind {
        UINT templateId;
        const char* name; // the page in the log
        HRESULT (STDMETHODCALLTYPE IUserData::*get)(IPostalAddress**);
        HRESULT (STDMETHODCALLTYPE IUserData::*isReadOnly)(VARIANT_BOOL*);
    };
    static const Kind kDelivery;
    static const Kind kInvoice;

    explicit AddressPage(const Kind& kind);
    ~AddressPage() override;

    void UpdatePage() override;
    BOOL OnApply() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    void OnUpdateUI() override;

private:
    const Kind& m_kind;
    ValidatingEdit m_edits[6] = {ValidatingEdit(128), ValidatingEdit(128), ValidatingEdit(128),
                                 ValidatingEdit(128), ValidatingEdit(128), ValidatingEdit(128)};
    PenTextFields<IPostalAddress> m_texts;
};
