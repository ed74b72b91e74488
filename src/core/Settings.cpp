#include "core/Settings.h"

#include "core/Exceptions.h"
#include "core/Log.h"
#include "core/TraceScope.h"

#include <exception>

namespace {

std::string& applicationKeyStorage() {
    static std::string key;
    return key;
}

void createAndEnter(RegistryCursor& cursor, const std::string& key) {
    if (key.empty())
        return;
    if (!cursor.keyExists(key))
        cursor.createKey(key);
    cursor.enterKey(key);
}

} // namespace

Settings::Settings(const std::string& versionKey, const std::string& appKey) {
    TraceScope scope("Settings::Settings");
    try {
        user_.emplace("HKEY_CURRENT_USER/Software");
        createAndEnter(*user_, kCompanyKey);
        createAndEnter(*user_, versionKey);
        createAndEnter(*user_, appKey);
    } catch (const std::exception& e) {
        scope.error("Per-user settings unavailable: %s", e.what());
        user_.reset();
    }
    // An ordinary user may not create the machine-wide keys: the program then runs
    // as if that tree were empty instead of failing at start-up.
    try {
        machine_.emplace("HKEY_LOCAL_MACHINE/Software");
        createAndEnter(*machine_, kCompanyKey);
        try {
            writeDefaults_ = machine_->readBool("WriteDefaultValues", writeDefaults_, false);
        } catch (const std::exception& e) {
            // A malformed switch only means no defaults are written.
            scope.warning("%s", e.what());
        }
        createAndEnter(*machine_, versionKey);
        createAndEnter(*machine_, appKey);
    } catch (const std::exception& e) {
        scope.warning("Machine-wide settings unavailable: %s", e.what());
        machine_.reset();
    }
}

Settings::~Settings() = default;

Settings& Settings::instance() {
    static Settings settings(kVersionKey, applicationKey());
    return settings;
}

Settings& Settings::suiteInstance() {
    static Settings settings(kVersionKey, std::string());
    return settings;
}

void Settings::setApplicationKey(const std::string& key) {
    applicationKeyStorage() = key;
}

const std::string& Settings::applicationKey() {
    return applicationKeyStorage();
}

std::string Settings::readString(const std::string& path, const std::string& defaultValue) {
    TraceScope scope("Settings::readString");
    try {
        if (user_ && user_->valueExists(path))
            return user_->readString(path);
        if (machine_ && machine_->valueExists(path))
            return machine_->readString(path);
        if (writeDefaults_ && user_ && checkValue(path))
            user_->writeString(path, defaultValue);
    } catch (const std::exception& e) {
        Log::instance().error("Settings::readString - exception caught: %s", e.what());
    } catch (...) {
        Log::instance().error("Settings::readString - unknown exception caught");
    }
    return defaultValue;
}

int Settings::readNumber(const std::string& path, int defaultValue) {
    TraceScope scope("Settings::readNumber");
    try {
        if (user_ && user_->valueExists(path))
            return static_cast<int>(user_->readNumber(path));
        if (machine_ && machine_->valueExists(path))
            return static_cast<int>(machine_->readNumber(path));
        if (writeDefaults_ && user_ && checkValue(path))
            user_->writeNumber(path, static_cast<DWORD>(defaultValue));
    } catch (const std::exception& e) {
        Log::instance().error("Settings::readNumber - exception caught: %s", e.what());
    } catch (...) {
        Log::instance().error("Settings::readNumber - unknown exception caught");
    }
    return defaultValue;
}

bool Settings::readBool(const std::string& path, bool defaultValue) {
    TraceScope scope("Settings::readBool");
    try {
        if (user_ && user_->valueExists(path))
            return user_->readBool(path);
        if (machine_ && machine_->valueExists(path))
            return machine_->readBool(path);
        if (writeDefaults_ && user_ && checkValue(path))
            user_->writeNumber(path, defaultValue ? 1 : 0);
    } catch (const std::exception& e) {
        Log::instance().error("Settings::readBool - exception caught: %s", e.what());
    } catch (...) {
        Log::instance().error("Settings::readBool - unknown exception caught");
    }
    return defaultValue;
}

bool Settings::checkValue(const std::string& path) {
    TraceScope scope("Settings::checkValue");
    size_t pos = path.rfind('/');
    if (pos == std::string::npos)
        pos = path.rfind('\\');
    if (pos == std::string::npos)
        return true;
    try {
        if (!user_)
            throw VelarException("%s", "no per-user tree");
        const std::string key = path.substr(0, pos);
        if (!user_->keyExists(key))
            user_->createKey(key);
        return true;
    } catch (...) {
        Log::instance().error("Settings::checkValue - %s", path.c_str());
        return false;
    }
}

bool Settings::writeNumber(const std::string& path, int value) {
    TraceScope scope("Settings::writeNumber");
    if (checkValue(path)) {
        try {
            if (!user_)
                return false;
            user_->writeNumber(path, static_cast<DWORD>(value));
        } catch (...) {
            return false;
        }
    }
    return true;
}

bool Settings::writeString(const std::string& path, const std::string& value) {
    TraceScope scope("Settings::writeString");
    if (checkValue(path)) {
        try {
            if (!user_)
                return false;
            user_->writeString(path, value);
        } catch (...) {
            return false;
        }
    }
    return true;
}
