#pragma once
// A telephone number: an optional leading "+", digits grouped by spaces, hyphens after
// a digit, one area code in parentheses.
#include "controls/ValidatingEdit.h"

class PhoneEdit : public ValidatingEdit {
public:
    explicit PhoneEdit(int maxUtf8Length, TextPath path = TextPath::FollowSystem)
        : ValidatingEdit(maxUtf8Length, path, &EditRules::phoneAllows) {}
};
