#pragma once

#include "core/RegistryCursor.h"

#include <optional>
#include <string>

// Named options under slash paths ("Windows/History/Left"), looked up first in the
// per-user tree, then in the machine-wide tree; written to the per-user tree only.
// Reads never throw: every problem is logged and answered with the default.
class Settings {
public:
    Settings(const std::string& versionKey, const std::string& appKey);
    virtual ~Settings();

    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    static Settings& instance();      // the program's trees
    static Settings& suiteInstance(); // the trees shared with the rest of the suite
    static void setApplicationKey(const std::string& key);
    static const std::string& applicationKey();

    std::string readString(const std::string& path, const std::string& defaultValue);
    int readNumber(const std::string& path, int defaultValue);
    bool readBool(const std::string& path, bool defaultValue);

    bool writeNumber(const std::string& path, int value);
    bool writeString(const std::string& path, const std::string& value);

    // Makes sure the key part of the path exists in the per-user tree.
    bool checkValue(const std::string& path);

    bool writeDefaultValues() const { return writeDefaults_; }
    // Empty while the tree could not be opened.
    const std::optional<RegistryCursor>& userCursor() const { return user_; }
    const std::optional<RegistryCursor>& machineCursor() const { return machine_; }

    static constexpr const char* kCompanyKey = "Velar";
    static constexpr const char* kVersionKey = "2.0";

private:
    std::optional<RegistryCursor> user_;
    std::optional<RegistryCursor> machine_;
    bool writeDefaults_ = false;
};
