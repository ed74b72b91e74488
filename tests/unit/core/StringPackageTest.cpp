#include "core/Exceptions.h"
#include "core/StringPackage.h"

#include <gtest/gtest.h>

using namespace StringPackage;

namespace {

std::string legacy(const std::wstring& text) {
    return encodeUtf8Legacy(text.c_str(), text.size());
}

} // namespace

TEST(Utf8Test, BothEncodersAgreeOnValidText) {
    EXPECT_EQ(wideToUtf8(L"\u00e9"), "\xC3\xA9");
    EXPECT_EQ(wideToUtf8(L"\u20ac"), "\xE2\x82\xAC");
    EXPECT_EQ(wideToUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80"); // U+1F600
    EXPECT_EQ(legacy(L"\xDBFF\xDFFF"), "\xF4\x8F\xBF\xBF");     // U+10FFFF
    for (const std::wstring sample :
         {L"", L"abc", L"\u00e9", L"\u07ff\u0800\uffff", L"Ni\u00f1o \xD834\xDD1E!"})
        EXPECT_EQ(legacy(sample), wideToUtf8(sample)) << testing::PrintToString(sample);
    EXPECT_EQ(wideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(wideToUtf8(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(utf8ToWide("L\xC3\xA1piz \xF0\x9F\x98\x80"), L"L\u00e1piz \xD83D\xDE00");
}

TEST(Utf8Test, LegacyEncoderKeepsLoneSurrogatesButRejectsATrailingHighOne) {
    EXPECT_EQ(legacy(L"a\xD800z"), "a\xED\xA0\x80z");
    EXPECT_EQ(legacy(L"a\xDC00z"), "a\xED\xB0\x80z");
    EXPECT_EQ(legacy(L"\xD83D\xD83D\xDE00"), "\xED\xA0\xBD\xF0\x9F\x98\x80");
    try {
        legacy(L"ab\xD83D");
        FAIL() << "no exception";
    } catch (const VelarException& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Invalid UNICODE string : ab", 0), 0u) << e.what();
    }
    const wchar_t text[] = L"x\xD83D\xDE00";
    EXPECT_THROW(encodeUtf8Legacy(text, 2), VelarException); // the partner lies beyond the length
}

TEST(StringPackageTest, FormatAndReplaceAll) {
    std::string out = "old";
    format(out, "%s=%d (0x%08x)", "hr", -1, 0x8000FFFFu);
    EXPECT_EQ(out, "hr=-1 (0x8000ffff)");
    format(out, "%s", std::string(12000, 'z').c_str());
    EXPECT_EQ(out.size(), 10239u);

    std::string path = "A/B//C/";
    replaceAll(path, "/", "\\");
    EXPECT_EQ(path, "A\\B\\\\C\\");
    std::string grow = "aaa";
    replaceAll(grow, "a", "aa"); // inserted text is not searched again
    EXPECT_EQ(grow, "aaaaaa");
    replaceAll(grow, "", "x");
    EXPECT_EQ(grow, "aaaaaa");
}
