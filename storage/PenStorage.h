#pragma once

#include "DualObject.h"

#include "pen/PenManager.h"

#include <string>

// One pen's data kept on this PC: the files in the pen's own folder.
class PenStorage : public DualObject<IPenStorage> {
public:
    explicit PenStorage(std::wstring folder);

    // "*.*.*.*#*" removes the pen's whole folder; any other filter removes the item
    // files of the folder whose names match it. Not a non-empty BSTR, or one naming a
    // path: E_INVALIDARG. A missing folder has nothing to delete: S_OK.
    HRESULT STDMETHODCALLTYPE DeleteStorage(VARIANT filter) override;

private:
    HRESULT deleteAll();
    HRESULT deleteMatching(const std::wstring& pattern);

    std::wstring folder_;
};
