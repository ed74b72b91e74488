#include "CoreTestSupport.h"

#include "core/Settings.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kTree = L"Software\\Velar\\2.0\\Quillpad"; // in both roots

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry_.ok); }
    ScratchRegistry registry_;
};

} // namespace

TEST_F(SettingsTest, MachineValueIsUsedUntilTheUserWritesOne) {
    Settings settings("2.0", "Quillpad");
    ASSERT_TRUE(rawSetNumber(HKEY_LOCAL_MACHINE, kTree + L"\\Windows\\Main", L"Left", 40));
    ASSERT_TRUE(rawSetString(HKEY_LOCAL_MACHINE, kTree, L"Name", L"machine"));
    EXPECT_EQ(settings.readNumber("Windows/Main/Left", -1), 40);
    EXPECT_EQ(settings.readString("Name", "none"), "machine");

    EXPECT_TRUE(settings.writeNumber("Windows/Main/Left", -12));
    EXPECT_TRUE(settings.writeString("Name", "user"));
    EXPECT_EQ(settings.readNumber("Windows/Main/Left", -1), -12);
    EXPECT_EQ(settings.readString("Name", "none"), "user");
    DWORD machine = 0;
    ASSERT_TRUE(rawGetNumber(HKEY_LOCAL_MACHINE, kTree + L"\\Windows\\Main", L"Left", machine));
    EXPECT_EQ(machine, 40u); // writes never reach the machine-wide tree
}

TEST_F(SettingsTest, MissingValueGivesTheDefaultAndIsStoredOnlyWithTheSwitch) {
    for (DWORD on : {0u, 1u}) {
        SCOPED_TRACE(on);
        ASSERT_TRUE(rawSetNumber(HKEY_LOCAL_MACHINE, L"Software\\Velar", L"WriteDefaultValues", on));
        Settings settings("2.0", "Quillpad");
        EXPECT_EQ(settings.readNumber("Debug/ConsoleLogLevel", 6), 6);
        EXPECT_FALSE(settings.readBool("Debug/ConsoleLogColorEnabled", false));
        EXPECT_EQ(settings.readString("Windows/Main/Title", "t\xC3\xADtulo"), "t\xC3\xADtulo");
        DWORD level = 0, colour = 9;
        EXPECT_EQ(rawGetNumber(HKEY_CURRENT_USER, kTree + L"\\Debug", L"ConsoleLogLevel", level), on == 1);
        EXPECT_EQ(rawGetNumber(HKEY_CURRENT_USER, kTree + L"\\Debug", L"ConsoleLogColorEnabled", colour),
                  on == 1);
        if (on) {
            EXPECT_EQ(level, 6u);
            EXPECT_EQ(colour, 0u);
            EXPECT_EQ(settings.readString("Windows/Main/Title", "other"), "t\xC3\xADtulo");
        } else {
            EXPECT_FALSE(rawKeyExists(HKEY_CURRENT_USER, kTree + L"\\Windows"));
        }
    }
}

TEST_F(SettingsTest, WrongTypeIsLoggedAndAnsweredWithTheDefault) {
    Settings settings("2.0", "Quillpad");
    // "3" fits into the four bytes of a number, "12345" does not: both are type errors.
    for (const wchar_t* stored : {L"3", L"12345"}) {
        ASSERT_TRUE(rawSetString(HKEY_CURRENT_USER, kTree + L"\\Debug", L"ConsoleLogLevel", stored));
        LogCapture capture;
        EXPECT_EQ(settings.readNumber("Debug/ConsoleLogLevel", 6), 6);
        EXPECT_EQ(
            capture.count("Settings::readNumber - exception caught: Value Software\\Velar\\2.0\\Quillpad\\"
                          "Debug\\ConsoleLogLevel has type REG_SZ (should be REG_DWORD)"),
            1u);
    }
    ASSERT_TRUE(rawSetNumber(HKEY_CURRENT_USER, kTree, L"Caption", 1));
    LogCapture capture;
    EXPECT_EQ(settings.readString("Caption", "dflt"), "dflt");
    EXPECT_TRUE(capture.has("Settings::readString - exception caught: Value Software\\Velar\\2.0\\Quillpad\\"
                            "Caption has type REG_DWORD (should be REG_SZ)"));
}
