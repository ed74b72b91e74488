#include "controls/EditRules.h"
#include "core/StringPackage.h"

#include <gtest/gtest.h>

#include <string>

using namespace EditRules;

namespace {

std::u16string Repeat(std::u16string_view piece, int times) {
    std::u16string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

struct LengthCase {
    const char* what;
    std::u16string text;
    int limit;
    bool fits;
};

// A text as it is typed or pasted, and what the typing and the final rule say of it.
struct RuleCase {
    std::u16string_view text;
    bool typing;
    bool final;
};

void ExpectRule(bool (*rule)(std::u16string_view, Check), std::initializer_list<RuleCase> cases) {
    for (const RuleCase& c : cases) {
        const std::string shown(c.text.begin(), c.text.end()); // ASCII samples read fine
        EXPECT_EQ(rule(c.text, Check::Typing), c.typing) << "typing " << shown;
        EXPECT_EQ(rule(c.text, Check::Final), c.final) << "final " << shown;
    }
}

} // namespace

TEST(EditRules, LengthCountsUtf8BytesAndTheTerminatingZero) {
    const std::u16string emoji = u"\U0001F600"; // a surrogate pair, four bytes
    const LengthCase cases[] = {
        {"127 ASCII bytes fit 128", Repeat(u"a", 127), 128, true},
        {"the 128th byte does not", Repeat(u"a", 128), 128, false},
        {"63 two-byte characters fit", Repeat(u"\u00e9", 63), 128, true},
        {"the 64th does not", Repeat(u"\u00e9", 64), 128, false},
        {"42 three-byte characters and a byte", Repeat(u"\u20ac", 42) + u"a", 128, true},
        {"42 three-byte characters and two bytes", Repeat(u"\u20ac", 42) + u"ab", 128, false},
        {"31 pairs and three bytes", Repeat(emoji, 31) + u"abc", 128, true},
        {"32 pairs", Repeat(emoji, 32), 128, false},
        {"a lone surrogate counts three bytes", Repeat(u"a", 124) + u"\xD800", 128, true},
        {"31 bytes fit 32", Repeat(u"a", 31), 32, true},
        {"32 bytes do not", Repeat(u"a", 32), 32, false},
        {"no limit", Repeat(u"\u20ac", 5000), -1, true},
        {"empty text", u"", 1, true},
    };
    for (const LengthCase& c : cases)
        EXPECT_EQ(lengthAllows(c.text, c.limit), c.fits) << c.what;
}

TEST(EditRules, Utf8LengthAgreesWithTheSystemConversion) {
    for (const std::wstring sample : {L"", L"abc", L"L\u00e1piz \u20ac", L"\u07ff\u0800\uffff",
                                      L"\xD83D\xDE00!", L"a\xD800z", L"a\xDC00z", L"\xD83D\xD83D\xDE00"}) {
        const std::u16string_view text(reinterpret_cast<const char16_t*>(sample.data()), sample.size());
        EXPECT_EQ(utf8Bytes(text), StringPackage::wideToUtf8(sample).size())
            << testing::PrintToString(sample);
        EXPECT_EQ(utf8Length(text), static_cast<int>(utf8Bytes(text)) + 1);
    }
}

// Final failures that pass while typing are fields left half-typed.
// clang-format off
TEST(EditRules, Email) {
    ExpectRule(emailAllows, {
        {u"", true, true},             {u"a@b.cd", true, true},         {u"a-1_x@b-2.c.de", true, true},
        {u"a@b.c", true, false},       {u"a@bcd", true, false},         {u"a@b.cd.", true, false},
        {u"a@", true, false},          {u"a@b@c.de", false, false},     {u".a@b.cd", false, false},
        {u"@b.cd", false, false},      {u"a..b@c.de", false, false},    {u"a.@b.cd", false, false},
        {u"a@.cd", false, false},      {u"a@b_c.de", false, false},     {u"a b@c.de", false, false},
        {u"jos\u00e9@x.es", false, false}});
}

TEST(EditRules, Host) {
    ExpectRule(hostAllows, {
        {u"", true, true},             {u"srv.example.com", true, true}, {u"srv:8080", true, true},
        {u"10.0.0.1:65535", true, true}, {u"a:0000080", true, true},    {u"srv:65536", false, false},
        {u"srv:", true, false},        {u"srv.", true, false},          {u".srv", false, false},
        {u":80", false, false},        {u"a..b", false, false},         {u"a.:80", false, false},
        {u"a:80:90", false, false},    {u"a:8a", false, false},         {u"a_b", false, false},
        {u"h\u00f3st", false, false}});
}

TEST(EditRules, Phone) {
    ExpectRule(phoneAllows, {
        {u"", true, true},             {u"+34 (91) 555-1234", true, true}, {u"555 12 34 ", true, true},
        {u"+34 (91 555", true, false}, {u"+", true, false},             {u"91-", true, false},
        {u"(91)", true, false},        {u"   ", true, false},           {u"-91", false, false},
        {u"9+1", false, false},        {u"((9", false, false},          {u"9)", false, false},
        {u"(9))", false, false},       {u"()", false, false},           {u"91--2", false, false},
        {u"9a", false, false}});
}
// clang-format on
