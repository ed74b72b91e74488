#pragma once
// ServerPath: where a COM class's server is registered machine-wide (its LocalServer32 or
// InprocServer32 key), replaced, or taken away so that no client can start the server,
// for as long as the object lives; put back afterwards.
#include <windows.h>

#include <string>

class ServerPath {
public:
    // clsid in braces; path null takes the registration away.
    ServerPath(const wchar_t* clsid, const wchar_t* kind, const wchar_t* path)
        : key_(std::wstring(L"Software\\Classes\\CLSID\\") + clsid + L"\\" + kind) {
        wchar_t old[MAX_PATH * 2] = L"";
        DWORD size = sizeof old;
        had_ = RegGetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old, &size) ==
               ERROR_SUCCESS;
        old_ = old;
        done_ = path ? write(path) : RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str()) == ERROR_SUCCESS;
    }
    ~ServerPath() {
        if (had_)
            write(old_);
    }
    ServerPath(const ServerPath&) = delete;
    ServerPath& operator=(const ServerPath&) = delete;
    // The class was registered and is changed now.
    bool done() const { return had_ && done_; }

private:
    bool write(const std::wstring& path) const {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, REG_SZ, path.c_str(),
                               static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    std::wstring key_, old_;
    bool had_ = false, done_ = false;
};

// The classes the tests move.
constexpr const wchar_t* kPenManagerClass = L"{1F10F714-662D-44B3-A788-02988E4BA2B5}";
constexpr const wchar_t* kStorageClass = L"{6002211F-F2AF-483B-818F-76D481A9B4E4}";
