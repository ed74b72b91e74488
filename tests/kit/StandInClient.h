// StandInClient: what the component tests of the stand-in share as its COM client: an
// apartment, the pen manager and its control interface, a pen by id, and one-line reads.
#pragma once

#include <gtest/gtest.h>

#include <type_traits>

#include "StandIn.h"

// What a getter answers: a ComPtr for an interface, the text of a BSTR, or the value;
// a failed call is a test failure and answers an empty value.
template <class I, class T> auto read(I* object, HRESULT (STDMETHODCALLTYPE I::*getter)(T*)) {
    T value{};
    EXPECT_HRESULT_SUCCEEDED(object ? (object->*getter)(&value) : E_POINTER);
    if constexpr (std::is_same_v<T, BSTR>) {
        StandIn::Bstr text;
        text.value = value;
        return text.str();
    } else if constexpr (std::is_pointer_v<T>) {
        Microsoft::WRL::ComPtr<std::remove_pointer_t<T>> result;
        result.Attach(value);
        return result;
    } else {
        return value;
    }
}
template <class I, class T>
auto read(const Microsoft::WRL::ComPtr<I>& object, HRESULT (STDMETHODCALLTYPE I::*getter)(T*)) {
    return read(object.Get(), getter);
}

class StandInClient : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        ASSERT_NO_FATAL_FAILURE(connect());
    }
    void TearDown() override {
        if (control)
            control->ClearFaults();
        manager.Reset();
        control.Reset();
        CoUninitialize();
    }
    void connect() {
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager)));
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)));
    }
    Microsoft::WRL::ComPtr<IPen> pen(const wchar_t* id) {
        Microsoft::WRL::ComPtr<IPen> result;
        EXPECT_HRESULT_SUCCEEDED(manager->GetPen(StandIn::Bstr(id).value, &result));
        return result;
    }
    // Docked (made when new to the stand-in), and its object.
    Microsoft::WRL::ComPtr<IPen> docked(const wchar_t* id) {
        EXPECT_HRESULT_SUCCEEDED(control->Dock(StandIn::Bstr(id).value));
        return pen(id);
    }

    Microsoft::WRL::ComPtr<IPenManager> manager;
    Microsoft::WRL::ComPtr<IPenManagerControl> control;
};
