#include "StorageApi.h"

#include "PenStorage.h"
#include "StorageNames.h"

#include "core/StringPackage.h"
#include "core/TraceScope.h"

#include <shlobj.h>

std::wstring StorageApi::storageRoot() {
    wchar_t appData[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return {};
    return std::wstring(appData) + L"\\Velar\\PenStorage";
}

HRESULT STDMETHODCALLTYPE StorageApi::GetPenStorage(BSTR penId, IPenStorage** storage) {
    TraceScope scope("StorageApi::GetPenStorage");
    if (!storage)
        return E_POINTER;
    *storage = nullptr;
    std::wstring id = penId ? std::wstring(penId, SysStringLen(penId)) : std::wstring();
    if (!StorageNames::isPlainPenId(id)) {
        scope.warning("Refused pen id \"%s\".", StringPackage::wideToUtf8(id).c_str());
        return E_INVALIDARG;
    }
    std::wstring root = storageRoot();
    if (root.empty())
        return E_FAIL;
    // The folder is made by whoever stores items; deleting needs none.
    *storage = new (std::nothrow) PenStorage(root + L"\\" + id);
    return *storage ? S_OK : E_OUTOFMEMORY;
}
