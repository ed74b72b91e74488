#pragma once
// The rules of the validating edits as plain functions of the text: no window, no system
// call, so the controls, the unit tests and the fuzzer all run the same code (the fuzzer
// builds them natively, where wchar_t is 32 bits: hence char16_t).
#include <cstddef>
#include <string_view>

namespace EditRules {

// Whether a text is checked while the user types (every step must pass) or once more
// before the page may be left (the finished field).
enum class Check { Typing, Final };

// UTF-8 bytes of the text as the pen stores it. A surrogate pair takes four bytes; a lone
// surrogate three, like the replacement character the system's conversion writes for it.
std::size_t utf8Bytes(std::u16string_view text);
// The length the limits count: the bytes plus the terminating zero (limit 128 = 127 bytes).
int utf8Length(std::u16string_view text);
// A negative limit means none.
bool lengthAllows(std::u16string_view text, int maxUtf8Length);

// Character rules of the derived edits; an empty text passes every one of them.
bool emailAllows(std::u16string_view text, Check check);
bool hostAllows(std::u16string_view text, Check check);
bool phoneAllows(std::u16string_view text, Check check);

} // namespace EditRules
