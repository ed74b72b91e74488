#pragma once
// DialUpPage: one dial-up account of the paired phone's ISP settings, a page of
// "Especificaciones de ISP". The four pages are one family: they differ only in their
// template (tab title and group text), their name in the log and the account they
// read and write (DialUpAccountKind).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/HostEdit.h"
#include "controls/ValidatingEdit.h"
#include "sheet/PenTextFields.h"
#include "sheet/SheetPage.h"

struct DialUpAccountKind {
    UINT templateId;
    const char* className; // names the page in the log
    HRESULT (STDMETHODCALLTYPE IIspSettings::*getAccount)(IDialUpAccount**);
};

class DialUpPage : public SheetPage {
public:
    explicit DialUpPage(const DialUpAccountKind& kind);
    ~DialUpPage() override;

    void UpdatePage() override;
    BOOL OnApply() override;
    // Authentication mode stored on the phone <-> combo box index.
    static int AuthenticationToIndex(LONG value);
    static LONG AuthenticationFromIndex(int index);

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    BOOL OnKillActive() override;
    void OnUpdateUI() override;

private:
    // The five edits, checked before the page may be left (tells the user the first
    // that is not valid).
    bool Validate();
    // The three IP address controls: dotted text, "0.0.0.0" read as empty.
    struct AddressField {
        int id;
        HRESULT (STDMETHODCALLTYPE IDialUpAccount::*get)(BSTR*);
        HRESULT (STDMETHODCALLTYPE IDialUpAccount::*set)(BSTR);
        const char* setFailed;
        UINT valueName;
        TextAsRead asRead;
    };
    std::wstring AddressText(int id) const;
    bool AddressChanged(const AddressField& field) const {
        return field.asRead && AddressText(field.id) != *field.asRead;
    }
    // A flag, address or mode set on the settings copy and taken as read at once: how to
    // take it back when the copy cannot be written back.
    struct SetOnCopy {
        UINT valueName;
        std::function<void()> takeBack;
    };
    void WriteAddress(IDialUpAccount* account, AddressField& field, TraceScope& scope,
                      std::vector<SetOnCopy>& set);
    bool IsdnChanged() const;
    // Whether any control differs from its value as read.
    bool Changed() const;
    int AuthenticationSelected() const;
    bool AuthenticationChanged() const { return m_authentication != -1 && AuthenticationSelected() != m_authentication; }
    // Every value the user changed, told as not saved (the account could not be had).
    void ReportChanged(HRESULT hr);
    void Forget();

    DialUpAccountKind m_kind;
    int m_isdn = -1;
    int m_authentication = -1;
    AddressField m_primaryDns, m_secondaryDns, m_defaultAddress;
    ValidatingEdit m_dialStringEdit{128};
    ValidatingEdit m_usernameEdit{128};
    ValidatingEdit m_passwordEdit{128};
    ValidatingEdit m_apnEdit{128};
    HostEdit m_proxyEdit{128};
    // Written in the account's order: the first three, the two DNS, proxy and APN, ...
    PenTextFields<IDialUpAccount> m_firstTexts;
    PenTextFields<IDialUpAccount> m_laterTexts;
};
