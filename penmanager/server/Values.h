// Small pieces every served object uses: pen state values in and out of COM types,
// handing objects out, and finding the docked pen a call is about.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <nlohmann/json.hpp>

#include "DualObject.h"
#include "pen/PenManager.h"

namespace Values {

using nlohmann::json;

// A pen that is not docked (any more) cannot be reached.
inline const HRESULT kPenNotDocked = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
// What a locked pen answers to everything but its id, lock state and unlock.
inline const HRESULT kPenLocked = E_ACCESSDENIED;

std::string toUtf8(BSTR text);
BSTR toBstr(const std::string& utf8);

// A missing or mistyped value makes its getter fail, as an unreadable pen value would.
HRESULT stringOut(const json& object, const char* key, BSTR* out);
HRESULT longOut(const json& object, const char* key, LONG* out);
HRESULT boolOut(bool value, VARIANT_BOOL* out);
bool flag(const json& object, const char* key);

// A list of the pen's state seen as a collection: a missing list counts as empty, and
// indexes count from 1.
LONG listCount(const json& list);
HRESULT countOut(LONG count, LONG* out);
bool inList(const json& list, LONG index);

// Dotted IPv4 text, or the empty text for no address.
bool isAddressText(const std::string& text);

// The docked pen's state, or null and the reason it cannot be used.
json* dockedPen(const std::string& penId, HRESULT& hr, bool evenLocked = false);

// Hands a freshly made object (reference count 1) out through an out parameter.
template <class I, class T>
HRESULT handOut(T* object, I** out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

// Collections hand their items out as VT_DISPATCH variants.
template <class T>
HRESULT handOutVariant(T* object, VARIANT* out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    VariantInit(out);
    out->vt = VT_DISPATCH;
    out->pdispVal = object;
    return S_OK;
}

} // namespace Values

// Inside a served method of an object that knows its penId_: the docked pen as `pen`.
#define PM_PEN(evenLocked)                                         \
    HRESULT penHr = S_OK;                                          \
    json* pen = Values::dockedPen(penId_, penHr, evenLocked);      \
    if (!pen)                                                      \
        return penHr
