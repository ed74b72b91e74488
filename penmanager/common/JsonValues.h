// Pen state values (JSON) in and out of COM types, and handing made objects out: shared
// by the stand-in's served objects and the outbox copies of PenOutbox.dll.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <nlohmann/json.hpp>

namespace Values {

using nlohmann::json;

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

// An outbox request is known by its time stamp: its position in the list (from 0), or -1.
long findByTime(const json& outbox, LONG seconds, LONG milliseconds);

// Hands a freshly made object (reference count 1) out through an out parameter.
template <class I, class T> HRESULT handOut(T* object, I** out) {
    if (!out) {
        object->Release();
        return E_POINTER;
    }
    *out = object;
    return S_OK;
}

// Collections hand their items out as VT_DISPATCH variants.
template <class T> HRESULT handOutVariant(T* object, VARIANT* out) {
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
