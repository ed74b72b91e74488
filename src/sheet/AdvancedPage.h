#pragma once
// AdvancedPage: "Avanzado". Local security (the saved password prompt, the pen data
// stored on this PC), the switch that shows the Internet settings, the server the pen
// manager connects to (with its test and change dialogs) and which dial-up of the paired
// phone is active.
#include <memory>

#include "sheet/IspSettingsSheet.h"
#include "sheet/SheetPage.h"

class AdvancedPage : public SheetPage {
public:
    AdvancedPage();
    ~AdvancedPage() override;

    void UpdatePage() override;
    BOOL OnApply() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    bool OnCommand(int id, int code) override;
    void OnUpdateUI() override;

    void OnTestConnection();
    void OnEditConnection();
    void OnIspSettings();
    void OnResetPrompt();
    void OnDeleteSS();

private:
    bool IsChecked(int id) const;
    // With "NoMobile" the server group takes the place of the switch group.
    void MoveServerGroupUp();
    void WritePriority(int selection);

    int m_redirection = -1;          // -1 unknown, else as read or last written
    int m_priority = -1;             // -1 unknown, 0 primary, 1 secondary dial-up
    int m_internetSettingsShown = 0; // "ShowInternetSettings" as read or applied
    std::unique_ptr<IspSettingsSheet> m_ispSettings;
};
