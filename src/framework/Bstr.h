#pragma once
// Bstr: owns one BSTR (freed with SysFreeString). Out-parameters go through Out().
#include <oleauto.h>
#include <string>

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text) : m_bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { Reset(); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_bstr(other.m_bstr) { other.m_bstr = nullptr; }
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_bstr = other.m_bstr;
            other.m_bstr = nullptr;
        }
        return *this;
    }

    BSTR Get() const { return m_bstr; }
    // Frees the current string and hands out the slot for a callee to fill.
    BSTR* Out() {
        Reset();
        return &m_bstr;
    }
    void Reset() {
        SysFreeString(m_bstr);
        m_bstr = nullptr;
    }
    std::wstring Str() const { return m_bstr ? std::wstring(m_bstr, SysStringLen(m_bstr)) : std::wstring(); }

private:
    BSTR m_bstr = nullptr;
};
