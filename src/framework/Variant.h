#pragma once
// Variant: owns one VARIANT (cleared with VariantClear).
#include <oleauto.h>

class Variant {
public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { Clear(); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* operator&() { return &m_value; }
    VARIANT* Out() {
        Clear();
        return &m_value;
    }
    const VARIANT& Get() const { return m_value; }
    VARTYPE Type() const { return m_value.vt; }
    void Clear() { VariantClear(&m_value); }

    // The held object as IUnknown (no reference added): directly for VT_UNKNOWN and
    // VT_DISPATCH, otherwise by conversion in place; null when there is none.
    IUnknown* AsUnknown() {
        if (m_value.vt != VT_UNKNOWN && m_value.vt != VT_DISPATCH &&
            FAILED(VariantChangeType(&m_value, &m_value, 0, VT_UNKNOWN)))
            return nullptr;
        return m_value.vt == VT_DISPATCH ? static_cast<IUnknown*>(m_value.pdispVal) : m_value.punkVal;
    }

private:
    VARIANT m_value;
};
