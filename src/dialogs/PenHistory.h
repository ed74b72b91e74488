#pragma once
// PenHistory: the service log window (skeleton until the window itself lands).
#include "framework/Dialog.h"
#include "res/resource.h"

class PenHistory : public Dialog {
public:
    PenHistory() : Dialog(IDD_HISTORY) {}
    bool Create(HWND owner) { return Dialog::Create(owner); }
};
