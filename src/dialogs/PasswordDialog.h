#pragma once
// PasswordDialog: what the three password dialogs of the Connection page share. Each is a
// small modal dialog over the docked pen (borrowed from the page): validating edits for
// its fields, OK enabled only when the fields make sense, and a refusal box that a pen
// message can close together with the dialog (WM_CLOSE answers the box No, then cancels).
#include <windows.h>
#include <wrl/client.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "controls/ValidatingEdit.h"
#include "framework/Dialog.h"
#include "framework/MyMessageBox.h"
#include "framework/ScopeNames.h"
#include "pen/PenManager.h"

class PasswordDialog : public Dialog {
public:
    // A field of the dialog: its edit control and limit in UTF-8 bytes (with the zero).
    struct Field {
        int id;
        int maxUtf8Length;
    };

    ~PasswordDialog() override;

protected:
    // name: the dialog's class in the log ("ChangePass::OnClose").
    PasswordDialog(const char* name, UINT templateId, IPen* pen, HWND owner, std::initializer_list<Field> fields,
                   bool showsHint);

    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void OnClose() override;
    void OnDestroy() override;

    // Enables OK by the fields' texts.
    virtual void OnUpdateUI() = 0;

    // The text of a field as the user typed it.
    std::wstring FieldText(int id);
    // Tells the user the pen refused (text and caption from the string table); the
    // dialog stays open with what was typed.
    void ShowRefusal(UINT textId, UINT captionId);
    // Stores the hint after a password was set or changed; a failure is only logged.
    void StoreHint();
    const char* ScopeName(const char* operation) { return m_names(operation); }

    // Our own reference: a pen message during a call may make the sheet let go of it.
    Microsoft::WRL::ComPtr<IPen> m_pen;

private:
    std::vector<Field> m_fields;
    std::vector<std::unique_ptr<ValidatingEdit>> m_edits;
    bool m_showsHint;
    std::unique_ptr<MyMessageBox> m_messageBox;
    ScopeNames m_names;
};
