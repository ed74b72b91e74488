#include "sheet/Shortcut.h"

#include "res/resource.h"

const std::array<ShortcutField, 4> kShortcutFields = {{
    {&Shortcut::name, &IAddressShortcut::GetName, &IAddressShortcut::SetName, "Failed to set name (0x%08x).",
     IDC_DETAILS_NAME},
    {&Shortcut::email, &IAddressShortcut::GetEmail, &IAddressShortcut::SetEmail,
     "Failed to set e-mail address (0x%08x).", IDC_DETAILS_EMAIL},
    {&Shortcut::cellPhone, &IAddressShortcut::GetCellPhone, &IAddressShortcut::SetCellPhone,
     "Failed to set cell phone number (0x%08x).", IDC_DETAILS_CELL_PHONE},
    {&Shortcut::fax, &IAddressShortcut::GetFax, &IAddressShortcut::SetFax,
     "Failed to set fax number (0x%08x).", IDC_HOME_FAX},
}};
