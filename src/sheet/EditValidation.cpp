#include "sheet/EditValidation.h"

#include "core/TraceScope.h"

bool ValidateEdits(std::initializer_list<ValidatingEdit*> edits, const std::function<void()>& tell) {
    TraceScope scope("ValidateEdits");
    for (ValidatingEdit* edit : edits) {
        if (edit->FinalValidation())
            continue;
        tell();
        SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
        SendMessageW(edit->Handle(), EM_SCROLLCARET, 0, 0);
        SetFocus(edit->Handle());
        return false;
    }
    return true;
}
