// Fuzz target of the validating edits' rules, built natively once per rule (EDIT_RULE:
// length only, email, host, phone). Besides "no crash" it checks, for every input and
// every limit the dialogs use:
//  - the UTF-8 length of the rules agrees with a reference encoder;
//  - typing the input one unit at a time from an empty field never keeps a text over
//    the byte limit, and keeps the whole input when the input passes while typing;
//  - whatever the final rule accepts can be typed one unit at a time from empty.
#include "controls/EditRules.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Rule = bool (*)(std::u16string_view, EditRules::Check);

#if EDIT_RULE == 1
const Rule kRule = EditRules::emailAllows;
#elif EDIT_RULE == 2
const Rule kRule = EditRules::hostAllows;
#elif EDIT_RULE == 3
const Rule kRule = EditRules::phoneAllows;
#else
const Rule kRule = nullptr;
#endif

const int kLimits[] = {128, 32, 8, 1, -1};

bool Allows(std::u16string_view text, EditRules::Check check, int limit) {
    return (!kRule || kRule(text, check)) && EditRules::lengthAllows(text, limit);
}

bool IsHigh(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Bytes to UTF-16: UTF-8 read leniently, so text seeds stay text while every unit stays
// reachable: three-byte forms of surrogates give lone surrogates, stray bytes stand for
// themselves (Latin-1).
std::u16string Decode(const uint8_t* data, size_t size) {
    std::u16string out;
    auto cont = [&](size_t i) { return i < size && (data[i] & 0xC0) == 0x80; };
    for (size_t i = 0; i < size;) {
        const uint8_t b = data[i];
        if (b >= 0xC0 && b < 0xE0 && cont(i + 1)) {
            out += static_cast<char16_t>(((b & 0x1F) << 6) | (data[i + 1] & 0x3F));
            i += 2;
        } else if (b >= 0xE0 && b < 0xF0 && cont(i + 1) && cont(i + 2)) {
            out += static_cast<char16_t>(((b & 0x0F) << 12) | ((data[i + 1] & 0x3F) << 6) |
                                         (data[i + 2] & 0x3F));
            i += 3;
        } else if (b >= 0xF0 && b < 0xF8 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            const char32_t cp = ((b & 0x07) << 18) | ((data[i + 1] & 0x3F) << 12) |
                                ((data[i + 2] & 0x3F) << 6) | (data[i + 3] & 0x3F);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                out += static_cast<char16_t>(cp & 0xFFFF);
            }
            i += 4;
        } else {
            out += static_cast<char16_t>(b);
            i += 1;
        }
    }
    return out;
}

// Reference: code points first (a lone surrogate becomes U+FFFD, as the system's
// conversion writes it), then the standard UTF-8 size of each.
size_t ReferenceBytes(std::u16string_view text) {
    size_t bytes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHigh(cp) && i + 1 < text.size() && IsLow(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHigh(cp) || IsLow(cp)) {
            cp = 0xFFFD;
        }
        bytes += cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    }
    return bytes;
}

[[noreturn]] void Fail(const char* what, std::u16string_view text, int limit) {
    std::fprintf(stderr, "PROPERTY FAILED: %s (limit %d), text units:", what, limit);
    for (const char16_t u : text)
        std::fprintf(stderr, " %04X", static_cast<unsigned>(u));
    std::fprintf(stderr, "\n");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const std::u16string input = Decode(data, size);

    const size_t bytes = EditRules::utf8Bytes(input);
    if (bytes != ReferenceBytes(input))
        Fail("UTF-8 length differs from the reference encoder", input, -1);
    if (EditRules::utf8Length(input) != static_cast<int>(bytes) + 1)
        Fail("length is not bytes plus the terminating zero", input, -1);

    for (const int limit : kLimits) {
        std::u16string typed;
        for (const char16_t unit : input) {
            std::u16string candidate = typed + unit;
            if (Allows(candidate, EditRules::Check::Typing, limit))
                typed.swap(candidate);
        }
        if (limit >= 0 && EditRules::utf8Length(typed) > limit)
            Fail("typing kept a text over the limit", typed, limit);
        if (Allows(input, EditRules::Check::Typing, limit) && typed != input)
            Fail("a text that passes while typing could not be typed", input, limit);

        if (Allows(input, EditRules::Check::Final, limit)) {
            for (size_t n = 0; n <= input.size(); ++n)
                if (!Allows(std::u16string_view(input).substr(0, n), EditRules::Check::Typing, limit))
                    Fail("the final rule accepts a text that cannot be typed", input, limit);
        }
    }
    return 0;
}
