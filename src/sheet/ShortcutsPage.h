#pragma once
// ShortcutsPage: "Accesos directos a la dirección", the pen's address shortcuts numbered
// from 1. A shortcut is edited in EditShortcut or cleared after a question; Apply sets
// the changed fields and hands the whole collection back to the pen once.
#include <memory>
#include <vector>

#include "sheet/EditShortcut.h"
#include "sheet/SheetPage.h"
#include "sheet/Shortcut.h"

class ShortcutsPage : public SheetPage {
public:
    ShortcutsPage();
    ~ShortcutsPage() override;

    void UpdatePage() override;
    BOOL OnApply() override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(NMHDR* header) override;
    void OnUpdateUI() override;

    void OnEditShortcut();
    void OnClearShortcut();

private:
    // One list item: the shortcut as last read from or written to the pen, and as edited.
    struct Records {
        Shortcut asRead;
        Shortcut current;
    };
    HWND List() const;
    int SelectedItem() const;
    void ShowItem(int item);

    std::vector<Records> m_records; // by list item
    std::unique_ptr<EditShortcut> m_editor;
};
