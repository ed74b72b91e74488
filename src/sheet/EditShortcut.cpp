#include "sheet/EditShortcut.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "res/resource.h"
#include "sheet/EditValidation.h"

EditShortcut::EditShortcut(Shortcut& record, HWND parent)
    : Dialog(IDD_EDIT_SHORTCUT, parent), m_record(record) {}

EditShortcut::~EditShortcut() = default;

ValidatingEdit& EditShortcut::Edit(size_t field) {
    ValidatingEdit* edits[] = {&m_nameEdit, &m_emailEdit, &m_cellPhoneEdit, &m_faxEdit};
    return *edits[field];
}

BOOL EditShortcut::OnInitDialog() {
    TraceScope scope("EditShortcut::OnInitDialog");
    const BOOL result = Dialog::OnInitDialog();
    for (size_t i = 0; i < kShortcutFields.size(); ++i)
        if (!Edit(i).SubclassDlgItem(kShortcutFields[i].editId, m_hwnd))
            return FALSE;
    // A field that was not read shows the placeholder but stays enabled: the user sees
    // that something is wrong, and what is typed there is dropped.
    const std::wstring placeholder = LoadResString(IDS_UNEXPECTED_ERROR);
    for (size_t i = 0; i < kShortcutFields.size(); ++i) {
        const TextAsRead& value = m_record.*kShortcutFields[i].value;
        Edit(i).SetWindowUnicode(value ? value->c_str() : placeholder.c_str());
    }
    return result;
}

void EditShortcut::OnOK() {
    TraceScope scope("EditShortcut::OnOK");
    const bool valid = ValidateEdits({&m_nameEdit, &m_emailEdit, &m_cellPhoneEdit, &m_faxEdit}, [this] {
        m_messageBox = std::make_unique<MyMessageBox>(m_hwnd);
        m_messageBox->MessageBox(IDS_INVALID_INPUT, IDS_INVALID_CAPTION, MB_ICONERROR);
        m_messageBox.reset();
    });
    if (!valid)
        return;
    for (size_t i = 0; i < kShortcutFields.size(); ++i) {
        TextAsRead& value = m_record.*kShortcutFields[i].value;
        if (value)
            value = Edit(i).GetWindowUnicode();
    }
    Dialog::OnOK();
}

void EditShortcut::OnClose() {
    TraceScope scope("EditShortcut::OnClose");
    if (m_messageBox)
        m_messageBox->Close(IDNO);
    Dialog::OnClose();
}

void EditShortcut::OnDestroy() {
    TraceScope scope("EditShortcut::OnDestroy");
    m_messageBox.reset();
}
