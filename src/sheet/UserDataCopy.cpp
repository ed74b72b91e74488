#include "sheet/UserDataCopy.h"

HRESULT GetUserDataCopy(IPen* pen, Microsoft::WRL::ComPtr<IUserData>& data, TraceScope& scope) {
    HRESULT hr = pen->GetUserData(&data);
    if (SUCCEEDED(hr) && data)
        return S_OK;
    scope.warning("Error getting user data (0x%08x).", static_cast<unsigned>(hr));
    data.Reset();
    return FAILED(hr) ? hr : E_POINTER;
}
