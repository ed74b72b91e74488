#pragma once

#include "DualObject.h"

#include "pen/PenManager.h"

#include <string>

// The storage API: hands out the storage of one pen, kept below
// %APPDATA%\Velar\PenStorage\<pen id>.
class StorageApi : public DualObject<IStorageApi> {
public:
    // A pen id that is not a plain folder name: E_INVALIDARG, and nothing is touched.
    HRESULT STDMETHODCALLTYPE GetPenStorage(BSTR penId, IPenStorage** storage) override;

    static std::wstring storageRoot();
};
