#include "sheet/PenTextFields.h"

#include "framework/ResourceText.h"
#include "res/resource.h"

void ShowPenText(ValidatingEdit& edit, const TextAsRead& value, bool readOnly,
                 const std::wstring& placeholder) {
    edit.SetWindowUnicode(value ? value->c_str() : placeholder.c_str());
    edit.Enable(value && !readOnly);
}

bool PenTextChanged(ValidatingEdit& edit, const TextAsRead& value) {
    return value && edit.GetWindowUnicode() != *value;
}

std::wstring PenTextPlaceholder(bool withPen) {
    return LoadResString(withPen ? IDS_UNEXPECTED_ERROR : IDS_NO_PEN);
}
