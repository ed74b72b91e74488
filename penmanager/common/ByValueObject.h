// An object that goes to other apartments and processes by value. Its IMarshal writes the
// object's state as text and names the in-process class that builds the copy on the
// other side, so that the copy answers its getters without a round trip each. A copy is a
// ByValueObject too: it restores itself from the text and can travel on the same way.
#pragma once

#include <string>

#include "DualObject.h"

template <class I> class ByValueObject : public DualObject<I>, public IMarshal {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return DualObject<I>::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return DualObject<I>::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return DualObject<I>::Release(); }

    STDMETHODIMP GetUnmarshalClass(REFIID, void*, DWORD, void*, DWORD, CLSID* clsid) override {
        if (!clsid)
            return E_POINTER;
        *clsid = copyClass();
        return S_OK;
    }
    STDMETHODIMP GetMarshalSizeMax(REFIID, void*, DWORD, void*, DWORD, DWORD* size) override {
        if (!size)
            return E_POINTER;
        *size = static_cast<DWORD>(sizeof(ULONG) + marshalText().size());
        return S_OK;
    }
    STDMETHODIMP MarshalInterface(IStream* stream, REFIID, void*, DWORD, void*, DWORD) override {
        if (!stream)
            return E_POINTER;
        const std::string& text = marshalText();
        const ULONG length = static_cast<ULONG>(text.size());
        HRESULT hr = stream->Write(&length, sizeof length, nullptr);
        if (SUCCEEDED(hr))
            hr = stream->Write(text.data(), length, nullptr);
        return hr;
    }
    STDMETHODIMP UnmarshalInterface(IStream* stream, REFIID riid, void** ppv) override {
        if (!stream || !ppv)
            return E_POINTER;
        *ppv = nullptr;
        std::string text;
        HRESULT hr = readText(stream, text);
        if (SUCCEEDED(hr))
            hr = restore(text);
        return SUCCEEDED(hr) ? QueryInterface(riid, ppv) : hr;
    }
    STDMETHODIMP ReleaseMarshalData(IStream* stream) override {
        std::string ignored;
        return stream ? readText(stream, ignored) : E_POINTER;
    }
    STDMETHODIMP DisconnectObject(DWORD) override { return S_OK; }

protected:
    // The in-process class that rebuilds the object from its text.
    virtual CLSID copyClass() const = 0;
    // The state as it travels; the same text for every marshaling of one object.
    virtual const std::string& marshalText() = 0;
    // Takes the state of a marshaled object (on the copy's side).
    virtual HRESULT restore(const std::string&) { return E_NOTIMPL; }

    HRESULT queryOther(REFIID riid, void** ppv) override {
        if (riid != IID_IMarshal)
            return E_NOINTERFACE;
        *ppv = static_cast<IMarshal*>(this);
        AddRef();
        return S_OK;
    }

private:
    static HRESULT readText(IStream* stream, std::string& text) {
        ULONG length = 0;
        ULONG got = 0;
        HRESULT hr = stream->Read(&length, sizeof length, &got);
        if (FAILED(hr) || got != sizeof length)
            return FAILED(hr) ? hr : E_UNEXPECTED;
        if (length > (64u << 20))
            return E_UNEXPECTED;
        text.resize(length);
        hr = stream->Read(text.data(), length, &got);
        return FAILED(hr) ? hr : got == length ? S_OK : E_UNEXPECTED;
    }
};
