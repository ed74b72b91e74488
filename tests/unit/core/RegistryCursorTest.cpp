#include "CoreTestSupport.h"

#include "core/Exceptions.h"
#include "core/RegistryCursor.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class RegistryCursorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry_.ok); }
    ScratchRegistry registry_;
};

std::string whatOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const OSException& e) {
        return "OSException " + std::to_string(e.code());
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

} // namespace

TEST_F(RegistryCursorTest, ValuesRoundTripWithStrictTypes) {
    RegistryCursor cursor("HKEY_CURRENT_USER/Software/QpValues");
    cursor.writeNumber("Sub/N", 0xFFFFFFFFu);
    cursor.writeString("Sub/S", "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC"); // non-ASCII survives
    EXPECT_TRUE(cursor.valueExists("Sub\\N"));
    EXPECT_FALSE(cursor.valueExists("Sub/Other"));
    EXPECT_FALSE(cursor.valueExists("Nope/N"));
    EXPECT_EQ(cursor.readNumber("Sub/N"), 0xFFFFFFFFu);
    EXPECT_EQ(cursor.readString("Sub/S"), "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC");

    EXPECT_EQ(whatOf([&] { cursor.readNumber("Sub/S"); }),
              "Value Software\\QpValues\\Sub\\S has type REG_SZ (should be REG_DWORD)");
    EXPECT_EQ(whatOf([&] { cursor.readString("Sub/N"); }),
              "Value Software\\QpValues\\Sub\\N has type REG_DWORD (should be REG_SZ)");
    EXPECT_EQ(whatOf([&] { cursor.readNumber("Sub/Missing"); }), "OSException 2");
}

TEST_F(RegistryCursorTest, LongTextIsReadWholeAndUnterminatedTextStopsAtItsSize) {
    RegistryCursor cursor("HKEY_CURRENT_USER/Software/QpLong");
    const std::string longText(300, 'x');
    cursor.writeString("Long", longText);
    EXPECT_EQ(cursor.readString("Long"), longText);

    const wchar_t raw[] = {L'a', L'b', L'c'};
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\QpLong", L"Raw", REG_SZ, raw, sizeof raw), 0);
    EXPECT_EQ(cursor.readString("Raw"), "abc");
}

// (Defaults stored only when asked: the settings test's.)
TEST_F(RegistryCursorTest, ACopyHasAHandleOfItsOwn) {
    RegistryCursor cursor("HKEY_CURRENT_USER/Software/QpBool");
    EXPECT_TRUE(cursor.readBool("Flag", true, true));
    {
        RegistryCursor copy(cursor);
        copy.writeNumber("Flag", 0);
    }
    EXPECT_FALSE(cursor.readBool("Flag")); // the copy's handle was its own
}
