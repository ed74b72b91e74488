#pragma once

#include <windows.h>

#include <string>

// A root key, the key the cursor stands on and its path below the root. Paths accept
// "/" or "\" as separator. Failures are reported by OSException (registry calls) and
// VelarException (bad paths, read-only keys, wrong value types).
class RegistryCursor {
public:
    // "HKEY_CURRENT_USER/Software/..." (created if missing); empty gives
    // HKEY_LOCAL_MACHINE\Software\Velar.
    explicit RegistryCursor(const std::string& path = std::string());
    // Reopens the same path; a copy that cannot reopen has no open key.
    RegistryCursor(const RegistryCursor& other);
    RegistryCursor& operator=(const RegistryCursor& other);
    virtual ~RegistryCursor();

    void openKey(const std::string& path);  // absolute below the root
    void moveTo(const std::string& path);   // relative (".." allowed) or "\"-absolute
    void enterKey(const std::string& path); // relative; creates what is missing

    bool keyExists(const std::string& path) const;
    void createKey(const std::string& path);
    bool valueExists(const std::string& path) const;

    std::string readString(const std::string& path) const;
    DWORD readNumber(const std::string& path) const;
    bool readBool(const std::string& path) const;
    // Missing value: the default, stored first when writeDefault is set.
    bool readBool(const std::string& path, bool defaultValue, bool writeDefault) const;

    void writeString(const std::string& path, const std::string& value);
    void writeNumber(const std::string& path, DWORD value);

    static std::string typeName(DWORD type);
    // Cuts the root name off path and returns its key.
    static HKEY parseRoot(std::string& path);

    const std::string& path() const { return path_; }
    REGSAM access() const { return access_; }
    bool isOpen() const { return key_ != nullptr; }
    HKEY root() const { return root_; }

private:
    void close();
    void setValue(const std::string& name, DWORD type, const BYTE* data, DWORD size);

    HKEY root_ = HKEY_LOCAL_MACHINE;
    HKEY key_ = nullptr;
    std::string path_;
    REGSAM access_ = KEY_ALL_ACCESS;
};
