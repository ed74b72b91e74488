#pragma once
// A host name with an optional port: words of letters, digits and hyphens joined by
// dots, then ":" and a port below 65536.
#include "controls/ValidatingEdit.h"

class HostEdit : public ValidatingEdit {
public:
    explicit HostEdit(int maxUtf8Length, TextPath path = TextPath::FollowSystem)
        : ValidatingEdit(maxUtf8Length, path, &EditRules::hostAllows) {}
};
