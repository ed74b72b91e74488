#include "JsonValues.h"

#include "core/StringPackage.h"

namespace Values {

std::string toUtf8(BSTR text) {
    return text ? StringPackage::wideToUtf8(std::wstring(text, SysStringLen(text))) : std::string();
}

BSTR toBstr(const std::string& utf8) {
    std::wstring wide = StringPackage::utf8ToWide(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

HRESULT stringOut(const json& object, const char* key, BSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!object.is_object() || !object.contains(key) || !object[key].is_string())
        return E_FAIL;
    *out = toBstr(object[key].get<std::string>());
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT longOut(const json& object, const char* key, LONG* out) {
    if (!out)
        return E_POINTER;
    if (!object.is_object() || !object.contains(key) || !object[key].is_number_integer())
        return E_FAIL;
    *out = object[key].get<LONG>();
    return S_OK;
}

HRESULT boolOut(bool value, VARIANT_BOOL* out) {
    if (!out)
        return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

bool flag(const json& object, const char* key) {
    if (!object.is_object())
        return false;
    auto it = object.find(key);
    return it != object.end() && it->is_boolean() && it->get<bool>();
}

LONG listCount(const json& list) {
    return list.is_array() ? static_cast<LONG>(list.size()) : 0;
}

HRESULT countOut(LONG count, LONG* out) {
    if (!out)
        return E_POINTER;
    *out = count;
    return S_OK;
}

bool inList(const json& list, LONG index) {
    return index >= 1 && index <= listCount(list);
}

long findByTime(const json& outbox, LONG seconds, LONG milliseconds) {
    if (!outbox.is_array())
        return -1;
    for (size_t i = 0; i < outbox.size(); ++i)
        if (outbox[i].is_object() && outbox[i].value("seconds", -1L) == seconds &&
            outbox[i].value("milliseconds", -1L) == milliseconds)
            return static_cast<long>(i);
    return -1;
}

} // namespace Values
