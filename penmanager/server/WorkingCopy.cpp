#include "WorkingCopy.h"

using nlohmann::json;

bool Fields::readOnly(const char* key) const {
    if (allReadOnly_)
        return true;
    auto flags = fields_.find("readOnly");
    return flags != fields_.end() && Values::flag(*flags, key);
}

HRESULT Fields::setText(const char* key, BSTR value) {
    if (readOnly(key))
        return E_ACCESSDENIED;
    fields_[key] = Values::toUtf8(value);
    return S_OK;
}

HRESULT Fields::setAddress(const char* key, BSTR value) {
    if (!Values::isAddressText(Values::toUtf8(value)))
        return E_INVALIDARG;
    return setText(key, value);
}

HRESULT Fields::setLong(const char* key, LONG value, LONG lowest, LONG highest) {
    if (readOnly(key))
        return E_ACCESSDENIED;
    if (value < lowest || value > highest)
        return E_INVALIDARG;
    fields_[key] = value;
    return S_OK;
}

HRESULT Fields::getFlag(const char* key, VARIANT_BOOL* out) const {
    if (!out)
        return E_POINTER;
    if (!fields_.is_object() || !fields_.contains(key) || !fields_[key].is_boolean())
        return E_FAIL;
    return Values::boolOut(fields_[key].get<bool>(), out);
}

HRESULT Fields::setFlag(const char* key, VARIANT_BOOL value) {
    if (readOnly(key))
        return E_ACCESSDENIED;
    fields_[key] = value != VARIANT_FALSE;
    return S_OK;
}

json writeBack(const json& onPen, const json& copy) {
    if (onPen.is_array() && copy.is_array()) {
        json result = onPen;
        for (size_t i = 0; i < result.size() && i < copy.size(); ++i)
            result[i] = writeBack(onPen[i], copy[i]);
        return result;
    }
    if (!onPen.is_object() || !copy.is_object())
        return copy;
    json result = copy;
    const json flags = onPen.value("readOnly", json::object());
    result.erase("readOnly");
    if (onPen.contains("readOnly"))
        result["readOnly"] = flags;
    for (auto& [key, value] : result.items())
        if (key != "readOnly" && onPen.contains(key))
            value = writeBack(onPen[key], value);
    for (auto& [key, readOnly] : flags.items())
        if (readOnly.is_boolean() && readOnly.get<bool>() && onPen.contains(key))
            result[key] = onPen[key];
    return result;
}
