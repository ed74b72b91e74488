// What the served objects of the stand-in use besides JsonValues.h: the answers of an
// unreachable pen, address checks and finding the docked pen a call is about.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <nlohmann/json.hpp>

#include "DualObject.h"
#include "JsonValues.h"
#include "pen/PenManager.h"

namespace Values {

using nlohmann::json;

// A pen that is not docked (any more) cannot be reached.
inline const HRESULT kPenNotDocked = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
// What a locked pen answers to everything but its id, lock state and unlock.
inline const HRESULT kPenLocked = E_ACCESSDENIED;

// Dotted IPv4 text, or the empty text for no address.
bool isAddressText(const std::string& text);

// The docked pen's state, or null and the reason it cannot be used.
json* dockedPen(const std::string& penId, HRESULT& hr, bool evenLocked = false);

} // namespace Values

// Inside a served method of an object that knows its penId_: the docked pen as `pen`.
#define PM_PEN(evenLocked)                                                                                   \
    HRESULT penHr = S_OK;                                                                                    \
    json* pen = Values::dockedPen(penId_, penHr, evenLocked);                                                \
    if (!pen)                                                                                                \
    return penHr
