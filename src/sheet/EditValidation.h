#pragma once
// Checking the validating edits of a page or dialog before it may be left: the first
// edit whose text is not valid is reported (tell shows "Entrada no válida" in a box its
// owner holds, so that a pen message can close it) and the user is put back on it with
// its whole text selected.
#include <functional>
#include <initializer_list>

#include "controls/ValidatingEdit.h"

bool ValidateEdits(std::initializer_list<ValidatingEdit*> edits, const std::function<void()>& tell);
