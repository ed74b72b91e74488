#include "PenStorage.h"

#include "StorageNames.h"

#include "core/StringPackage.h"
#include "core/TraceScope.h"

#include <utility>

PenStorage::PenStorage(std::wstring folder) : folder_(std::move(folder)) {}

HRESULT STDMETHODCALLTYPE PenStorage::DeleteStorage(VARIANT filter) {
    TraceScope scope("PenStorage::DeleteStorage");
    if (filter.vt != VT_BSTR || !filter.bstrVal)
        return E_INVALIDARG;
    std::wstring text(filter.bstrVal, SysStringLen(filter.bstrVal));
    if (!StorageNames::isValidFilter(text))
        return E_INVALIDARG;
    HRESULT hr = text == StorageNames::kAllItems ? deleteAll() : deleteMatching(text);
    if (FAILED(hr))
        scope.warning("Failed to delete \"%s\" in %s (0x%08x).", StringPackage::wideToUtf8(text).c_str(),
                      StringPackage::wideToUtf8(folder_).c_str(), static_cast<unsigned>(hr));
    return hr;
}

namespace {

// Removes a folder and everything below it; links are removed, never followed.
DWORD removeTree(const std::wstring& folder) {
    DWORD firstError = ERROR_SUCCESS;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            DWORD error = ERROR_SUCCESS;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                error = removeTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                bool removed = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                                   ? RemoveDirectoryW(path.c_str())
                                   : DeleteFileW(path.c_str());
                if (!removed)
                    error = GetLastError();
            }
            if (firstError == ERROR_SUCCESS)
                firstError = error;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (!RemoveDirectoryW(folder.c_str()) && firstError == ERROR_SUCCESS)
        firstError = GetLastError();
    return firstError;
}

} // namespace

HRESULT PenStorage::deleteAll() {
    if (GetFileAttributesW(folder_.c_str()) == INVALID_FILE_ATTRIBUTES)
        return S_OK;
    DWORD error = removeTree(folder_);
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

HRESULT PenStorage::deleteMatching(const std::wstring& pattern) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? S_OK
                                                                              : HRESULT_FROM_WIN32(error);
    }
    // Every match is tried; the first failure is reported.
    HRESULT result = S_OK;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!StorageNames::matchesFilter(pattern, found.cFileName))
            continue;
        std::wstring path = folder_ + L"\\" + found.cFileName;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(path.c_str()) && SUCCEEDED(result))
            result = HRESULT_FROM_WIN32(GetLastError());
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return result;
}
