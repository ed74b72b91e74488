#include "core/RegistryCursor.h"

#include "core/Exceptions.h"
#include "core/Log.h"
#include "core/StringPackage.h"
#include "core/TraceScope.h"

#include <algorithm>
#include <cstring>
#include <vector>

// The cursor's steps run many times for every settings read: their trace scopes are quiet.

namespace {

constexpr REGSAM kReadWrite = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY; // 0x2001F

std::string toBackslashes(const std::string& path) {
    std::string result(path);
    StringPackage::replaceAll(result, "/", "\\");
    return result;
}

// Splits "A\B\C" into "A\B" and "C"; false when there is no key part.
bool splitLast(const std::string& path, std::string& key, std::string& last) {
    const size_t pos = path.rfind('\\');
    if (pos == std::string::npos) {
        key.clear();
        last = path;
        return false;
    }
    key = path.substr(0, pos);
    last = path.substr(pos + 1);
    return true;
}

} // namespace

RegistryCursor::RegistryCursor(const std::string& path) {
    TraceScope scope("RegistryCursor::RegistryCursor", true);
    std::string rest = toBackslashes(path);
    if (!rest.empty()) {
        root_ = parseRoot(rest);
        enterKey(rest);
    } else {
        root_ = HKEY_LOCAL_MACHINE;
        openKey("Software");
        createKey("Velar");
        enterKey("Velar");
    }
}

RegistryCursor::RegistryCursor(const RegistryCursor& other)
    : root_(other.root_), path_(other.path_), access_(other.access_) {
    TraceScope scope("RegistryCursor::RegistryCursor", true);
    try {
        openKey(other.path_);
    } catch (const OSException&) {
        // Left without an open key.
    }
}

RegistryCursor& RegistryCursor::operator=(const RegistryCursor& other) {
    TraceScope scope("RegistryCursor::operator=");
    if (this == &other)
        return *this;
    close();
    root_ = other.root_;
    path_ = other.path_;
    access_ = other.access_;
    try {
        openKey(other.path_);
    } catch (const OSException&) {
    }
    return *this;
}

RegistryCursor::~RegistryCursor() {
    close();
}

void RegistryCursor::close() {
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

void RegistryCursor::openKey(const std::string& path) {
    TraceScope scope("RegistryCursor::openKey", true);
    const std::string target = toBackslashes(path);
    close();
    const std::wstring widePath = StringPackage::utf8ToWide(target);
    // Lesser rights as a fall-back: an ordinary user still reads machine-wide keys.
    LONG result = ERROR_SUCCESS;
    for (const REGSAM access : {REGSAM(KEY_ALL_ACCESS), kReadWrite, REGSAM(KEY_READ)}) {
        HKEY key = nullptr;
        result = RegOpenKeyExW(root_, widePath.c_str(), 0, access, &key);
        if (result == ERROR_SUCCESS) {
            key_ = key;
            access_ = access;
            path_ = target;
            return;
        }
    }
    throw OSException(static_cast<DWORD>(result));
}

void RegistryCursor::moveTo(const std::string& path) {
    TraceScope scope("RegistryCursor::moveTo", true);
    std::string text = toBackslashes(path);
    if (text == path_)
        return;
    if (!text.empty() && text[0] == '\\') {
        openKey(text.substr(1));
        return;
    }

    std::string target = path_;
    for (size_t pos = text.find(".."); pos != std::string::npos; pos = text.find("..")) {
        const size_t cut = target.rfind('\\');
        if (cut != std::string::npos) {
            target.erase(cut);
        } else if (!target.empty()) {
            target.clear(); // up from a single component: the root itself
        } else {
            throw VelarException("RegistryCursor::moveTo - cannot move above the root from %s",
                                 path_.c_str());
        }
        text.erase(pos, 3);
    }
    if (!text.empty())
        target = target.empty() ? text : target + "\\" + text;
    openKey(target);
}

void RegistryCursor::enterKey(const std::string& path) {
    TraceScope scope("RegistryCursor::enterKey", true);
    try {
        RegistryCursor probe(*this);
        probe.moveTo(path);
    } catch (...) {
        RegistryCursor creator(*this);
        creator.createKey(path);
    }
    moveTo(path);
}

bool RegistryCursor::keyExists(const std::string& path) const {
    TraceScope scope("RegistryCursor::keyExists", true);
    try {
        std::string key, last;
        if (splitLast(toBackslashes(path), key, last)) {
            if (!keyExists(key))
                return false;
            RegistryCursor inner(*this);
            inner.moveTo(key);
            return inner.keyExists(last);
        }
        HKEY opened = nullptr;
        const LONG result =
            RegOpenKeyExW(key_, StringPackage::utf8ToWide(last).c_str(), 0, KEY_READ, &opened);
        if (result != ERROR_SUCCESS)
            return false;
        RegCloseKey(opened);
        return true;
    } catch (const OSException&) {
        return false;
    }
}

void RegistryCursor::createKey(const std::string& path) {
    TraceScope scope("RegistryCursor::createKey");
    if (key_ == nullptr)
        throw VelarException("RegistryCursor::createKey - invalid internal state at %s key %s", path_.c_str(),
                             path.c_str());
    const std::string target = toBackslashes(path);
    if (keyExists(target))
        return;

    std::string parent, leaf;
    if (splitLast(target, parent, leaf)) {
        // One level at a time, top down, so that each creation is logged.
        RegistryCursor inner(*this);
        inner.createKey(parent);
        inner.moveTo(parent);
        inner.createKey(leaf);
        return;
    }

    if (access_ == KEY_READ)
        throw VelarException("Write access to registry key %s\\%s not granted", path_.c_str(),
                             target.c_str());
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LONG result = RegCreateKeyExW(key_, StringPackage::utf8ToWide(target).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, access_, nullptr, &created, &disposition);
    if (result != ERROR_SUCCESS)
        throw OSException(static_cast<DWORD>(result));
    RegCloseKey(created);
    if (disposition == REG_CREATED_NEW_KEY)
        Log::instance().info("Created new registry key: %s\\%s", path_.c_str(), target.c_str());
}

bool RegistryCursor::valueExists(const std::string& path) const {
    TraceScope scope("RegistryCursor::valueExists", true);
    try {
        std::string key, last;
        if (splitLast(toBackslashes(path), key, last)) {
            if (!keyExists(key))
                return false;
            RegistryCursor inner(*this);
            inner.moveTo(key);
            return inner.valueExists(last);
        }
        BYTE probe[1];
        DWORD size = sizeof probe;
        const LONG result =
            RegQueryValueExW(key_, StringPackage::utf8ToWide(last).c_str(), nullptr, nullptr, probe, &size);
        return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
    } catch (const OSException&) {
        return false;
    }
}

std::string RegistryCursor::readString(const std::string& path) const {
    TraceScope scope("RegistryCursor::readString");
    std::string key, last;
    if (splitLast(toBackslashes(path), key, last)) {
        RegistryCursor inner(*this);
        inner.moveTo(key);
        return inner.readString(last);
    }

    const std::wstring name = StringPackage::utf8ToWide(last);
    std::vector<BYTE> data(64);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    LONG result = RegQueryValueExW(key_, name.c_str(), nullptr, &type, data.data(), &size);
    if (result == ERROR_MORE_DATA) {
        data.assign(size, 0);
        result = RegQueryValueExW(key_, name.c_str(), nullptr, &type, data.data(), &size);
    }
    if (result != ERROR_SUCCESS)
        throw OSException(static_cast<DWORD>(result));
    if (type != REG_SZ)
        throw VelarException("Value %s\\%s has type %s (should be REG_SZ)", path_.c_str(), last.c_str(),
                             typeName(type).c_str());

    // Up to the first zero within what the query reported: the stored text may lack one.
    const size_t units = std::min<size_t>(size, data.size()) / sizeof(wchar_t);
    std::wstring text(units, L'\0');
    std::memcpy(text.data(), data.data(), units * sizeof(wchar_t));
    const size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos)
        text.resize(zero);
    return StringPackage::wideToUtf8(text);
}

DWORD RegistryCursor::readNumber(const std::string& path) const {
    TraceScope scope("RegistryCursor::readNumber");
    std::string key, last;
    if (splitLast(toBackslashes(path), key, last)) {
        RegistryCursor inner(*this);
        inner.moveTo(key);
        return inner.readNumber(last);
    }

    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LONG result = RegQueryValueExW(key_, StringPackage::utf8ToWide(last).c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size);
    // A text too long for four bytes is still a wrong type, not a registry failure.
    if ((result == ERROR_SUCCESS || result == ERROR_MORE_DATA) && type != REG_DWORD)
        throw VelarException("Value %s\\%s has type %s (should be REG_DWORD)", path_.c_str(), last.c_str(),
                             typeName(type).c_str());
    if (result != ERROR_SUCCESS)
        throw OSException(static_cast<DWORD>(result));
    return value;
}

bool RegistryCursor::readBool(const std::string& path) const {
    TraceScope scope("RegistryCursor::readBool");
    return readNumber(path) != 0;
}

bool RegistryCursor::readBool(const std::string& path, bool defaultValue, bool writeDefault) const {
    TraceScope scope("RegistryCursor::readBool");
    if (valueExists(path))
        return readBool(path);
    if (writeDefault) {
        try {
            RegistryCursor writer(*this);
            writer.writeNumber(path, defaultValue ? 1 : 0);
        } catch (...) {
            // The default still answers the read.
        }
    }
    return defaultValue;
}

void RegistryCursor::writeString(const std::string& path, const std::string& value) {
    TraceScope scope("RegistryCursor::writeString");
    std::string key, last;
    if (splitLast(toBackslashes(path), key, last)) {
        RegistryCursor inner(*this);
        inner.enterKey(key);
        inner.writeString(last, value);
        return;
    }
    const std::wstring text = StringPackage::utf8ToWide(value);
    setValue(last, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void RegistryCursor::writeNumber(const std::string& path, DWORD value) {
    TraceScope scope("RegistryCursor::writeNumber");
    std::string key, last;
    if (splitLast(toBackslashes(path), key, last)) {
        RegistryCursor inner(*this);
        inner.enterKey(key);
        inner.writeNumber(last, value);
        return;
    }
    setValue(last, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void RegistryCursor::setValue(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
    TraceScope scope("RegistryCursor::setValue");
    if (access_ == KEY_READ)
        throw VelarException("Write access to registry key %s\\%s not granted", path_.c_str(), name.c_str());
    const LONG result = RegSetValueExW(key_, StringPackage::utf8ToWide(name).c_str(), 0, type, data, size);
    if (result != ERROR_SUCCESS)
        throw OSException(static_cast<DWORD>(result));
}

std::string RegistryCursor::typeName(DWORD type) {
    TraceScope scope("RegistryCursor::typeName");
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default: {
        std::string text;
        StringPackage::format(text, "unknown registry type: %d", static_cast<int>(type));
        return text;
    }
    }
}

HKEY RegistryCursor::parseRoot(std::string& path) {
    TraceScope scope("RegistryCursor::parseRoot", true);
    StringPackage::replaceAll(path, "/", "\\");
    const size_t pos = path.find('\\');
    if (pos == std::string::npos)
        throw VelarException("Invalid registry key: %s", path.c_str());
    const std::string rootName = path.substr(0, pos);
    path.erase(0, pos + 1);

    static const struct {
        const char* name;
        HKEY key;
    } roots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", HKEY_USERS},
    };
    for (const auto& root : roots) {
        if (rootName == root.name)
            return root.key;
    }
    throw VelarException("Invalid registry root: %s", rootName.c_str());
}
