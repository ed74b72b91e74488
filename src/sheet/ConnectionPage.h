#pragma once
// ConnectionPage: "Especificaciones de la conexión". Opens the password dialogs for the
// docked pen and edits three options of the suite's docking behaviour, kept in the
// suite-wide settings (the program stores them and does not act on them itself).
#include <memory>

#include "dialogs/ChangePass.h"
#include "dialogs/CreatePass.h"
#include "dialogs/RemovePass.h"
#include "sheet/SheetPage.h"

class ConnectionPage : public SheetPage {
public:
    ConnectionPage();
    ~ConnectionPage() override;

    // Shows or hides the Internet-only option ("ShowInternetSettings").
    void UpdateUI(int show);
    void UpdatePage() override;
    BOOL OnApply() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    bool OnCommand(int id, int code) override;
    void OnUpdateUI() override;

    void OnCreatePass();
    void OnChangePass();

private:
    // The radio button checked, as a dock action (0 to 2).
    int CheckedDockAction() const;
    bool IsChecked(int id) const;

    std::unique_ptr<CreatePass> m_createPass;
    std::unique_ptr<ChangePass> m_changePass;
    std::unique_ptr<RemovePass> m_removePass;
    int m_dockAction = 1;
    int m_internetOnly = 0;
    int m_alwaysShowIcon = 0;
};
