#pragma once
// An e-mail address: one at sign after a word, at least one dot after it, a last label of
// two characters or more; underscores only before the at sign.
#include "controls/ValidatingEdit.h"

class EmailEdit : public ValidatingEdit {
public:
    explicit EmailEdit(int maxUtf8Length, TextPath path = TextPath::FollowSystem)
        : ValidatingEdit(maxUtf8Length, path, &EditRules::emailAllows) {}
};
