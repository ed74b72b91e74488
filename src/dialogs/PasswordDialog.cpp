#include "dialogs/PasswordDialog.h"

#include "core/TraceScope.h"
#include "framework/Bstr.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

PasswordDialog::PasswordDialog(const char* name, UINT templateId, IPen* pen, HWND owner,
                               std::initializer_list<Field> fields, bool showsHint)
    : Dialog(templateId, owner), m_pen(pen), m_fields(fields), m_showsHint(showsHint), m_names(name) {}

PasswordDialog::~PasswordDialog() = default;

BOOL PasswordDialog::OnInitDialog() {
    TraceScope scope(ScopeName("OnInitDialog"));
    const BOOL result = Dialog::OnInitDialog();
    for (const Field& field : m_fields) {
        auto edit = std::make_unique<ValidatingEdit>(field.maxUtf8Length);
        if (!edit->SubclassDlgItem(field.id, m_hwnd))
            return FALSE;
        m_edits.push_back(std::move(edit));
    }
    if (m_showsHint) {
        // A hint that can't be read shows as an empty one; nothing to log.
        Bstr hint;
        std::wstring text;
        if (m_pen && SUCCEEDED(m_pen->GetPasswordHint(hint.Out())))
            text = hint.Str();
        SetItemText(IDC_HINT_LINE, FormatResString(IDS_HINT_LINE, {reinterpret_cast<DWORD_PTR>(text.c_str())}));
    }
    OnUpdateUI();
    return result;
}

bool PasswordDialog::OnCommand(int id, int code) {
    if (code == EN_CHANGE) {
        OnUpdateUI();
        return true;
    }
    return Dialog::OnCommand(id, code);
}

void PasswordDialog::OnClose() {
    TraceScope scope(ScopeName("OnClose"));
    // The pen went away (or the program closes): the question ends first, then the dialog.
    if (m_messageBox && m_messageBox->IsOpen())
        m_messageBox->Close(IDNO);
    Dialog::OnClose();
}

void PasswordDialog::OnDestroy() {
    TraceScope scope(ScopeName("OnDestroy"));
    for (auto& edit : m_edits)
        edit->Unsubclass();
    m_edits.clear();
}

std::wstring PasswordDialog::FieldText(int id) {
    for (size_t i = 0; i < m_edits.size(); ++i)
        if (m_fields[i].id == id)
            return m_edits[i]->GetWindowUnicode();
    return {};
}

void PasswordDialog::ShowRefusal(UINT textId, UINT captionId) {
    TraceScope scope(ScopeName("ShowRefusal"));
    m_messageBox = std::make_unique<MyMessageBox>(m_hwnd);
    m_messageBox->MessageBox(textId, captionId, MB_ICONERROR);
    m_messageBox.reset();
}

void PasswordDialog::StoreHint() {
    TraceScope scope(ScopeName("StoreHint"));
    Bstr hint(FieldText(IDC_PASS_HINT));
    const HRESULT hr = m_pen->SetPasswordHint(hint.Get());
    if (FAILED(hr))
        scope.warning("Failed to set password hint (0x%08x)", static_cast<unsigned>(hr));
}
