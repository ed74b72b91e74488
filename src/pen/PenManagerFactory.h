#pragma once
// PenManagerFactory: new pen manager objects for one apartment. CoCreateInstance of a
// local server asks the system's activation service every time (about 10 ms under Wine);
// the server's class factory, kept once it is had, makes the same object in one call.
// A factory whose server went away is dropped and activation runs again.
#include <windows.h>
#include <wrl/client.h>

#include "pen/PenManager.h"

class PenManagerFactory {
public:
    // A new pen manager object, or the failure of the activation (null then).
    HRESULT Create(Microsoft::WRL::ComPtr<IPenManager>& manager);
    // Lets go of the server's class factory (before the apartment ends).
    void Reset() { m_factory.Reset(); }

private:
    Microsoft::WRL::ComPtr<IClassFactory> m_factory;
};
