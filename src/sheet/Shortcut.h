#pragma once
// Shortcut: one address shortcut of the pen as a page holds it, each field absent when
// it could not be read. The fields are listed once, with their pen operations, for the
// list, the editor and Apply.
#include <array>

#include "pen/PenManager.h"
#include "sheet/PenTextFields.h"

struct Shortcut {
    virtual ~Shortcut() = default;
    TextAsRead name;
    TextAsRead email;
    TextAsRead cellPhone;
    TextAsRead fax;

    bool operator==(const Shortcut&) const = default;
};

struct ShortcutField {
    TextAsRead Shortcut::*value;
    HRESULT (STDMETHODCALLTYPE IAddressShortcut::*get)(BSTR*);
    HRESULT (STDMETHODCALLTYPE IAddressShortcut::*set)(BSTR);
    const char* setFailed;
    int editId; // in the shortcut editor
};

// In the order of the list's columns 1 to 4 and of the editor's fields.
extern const std::array<ShortcutField, 4> kShortcutFields;
