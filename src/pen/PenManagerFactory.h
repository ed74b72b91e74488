#pragma once
// PenManagerFactory: new pen manager objects for one apartment. CoCreateInstance of a
// local server asks the system's activation service every time (about 10 ms under Wine);
// the server's class factory, kept once it is had, makes the same object in one call.
// A factory whose server went away is dropped and activation runs again.
// It also holds the pen manager's type library: the type-library marshaler reads it (and
// the standard library it imports) for every new proxy, that is for every object a pen
// call hands out, unless the process already holds it.
#include <windows.h>
#include <wrl/client.h>

#include "pen/PenManager.h"

class PenManagerFactory {
public:
    // A new pen manager object, or the failure of the activation (null then).
    HRESULT Create(Microsoft::WRL::ComPtr<IPenManager>& manager);
    // Lets go of the server's class factory (before the apartment ends).
    void Reset() {
        m_factory.Reset();
        m_typeLibraries[0].Reset();
        m_typeLibraries[1].Reset();
    }

private:
    void HoldTypeLibraries();

    Microsoft::WRL::ComPtr<IClassFactory> m_factory;
    Microsoft::WRL::ComPtr<ITypeLib> m_typeLibraries[2]; // the pen manager's, the standard one
};
