#include "controls/EditRules.h"

// No trace scopes here: these run on every keystroke and must stay free of the log (the
// fuzzer links them alone).

namespace EditRules {

namespace {

bool isHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
bool isLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
// Letters, digits and the hyphen make up the words of addresses and host names.
bool isWordChar(char16_t c) {
    return isLetter(c) || isDigit(c) || c == u'-';
}

} // namespace

std::size_t utf8Bytes(std::u16string_view text) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            bytes += 1;
        } else if (u < 0x800) {
            bytes += 2;
        } else if (isHigh(u) && i + 1 < text.size() && isLow(text[i + 1])) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

int utf8Length(std::u16string_view text) {
    return static_cast<int>(utf8Bytes(text)) + 1;
}

bool lengthAllows(std::u16string_view text, int maxUtf8Length) {
    return maxUtf8Length < 0 || utf8Length(text) <= maxUtf8Length;
}

bool emailAllows(std::u16string_view text, Check check) {
    bool afterWord = false;
    int atState = 0; // 0 before the at sign, 1 after it, 2 after it and a dot
    std::size_t lastLabel = 0;
    for (const char16_t c : text) {
        if (isWordChar(c) || c == u'_') {
            if (c == u'_' && atState != 0)
                return false;
            afterWord = true;
            ++lastLabel;
        } else if (c == u'.') {
            if (!afterWord)
                return false;
            afterWord = false;
            if (atState == 1)
                atState = 2;
            lastLabel = 0;
        } else if (c == u'@') {
            if (atState != 0 || !afterWord)
                return false;
            afterWord = false;
            atState = 1;
            lastLabel = 0;
        } else {
            return false;
        }
    }
    if (check == Check::Typing || text.empty())
        return true;
    return atState == 2 && lastLabel >= 2;
}

bool hostAllows(std::u16string_view text, Check check) {
    bool afterWord = false;
    bool portMode = false;
    long port = 0;
    for (const char16_t c : text) {
        if (portMode) {
            if (!isDigit(c))
                return false;
            port = port * 10 + (c - u'0');
            if (port >= 65536)
                return false;
            afterWord = true;
        } else if (isWordChar(c)) {
            afterWord = true;
        } else if (c == u'.' || c == u':') {
            if (!afterWord)
                return false;
            afterWord = false;
            portMode = c == u':';
        } else {
            return false;
        }
    }
    if (check == Check::Typing || text.empty())
        return true;
    return afterWord;
}

bool phoneAllows(std::u16string_view text, Check check) {
    bool afterDigit = false;
    bool opened = false;
    bool closed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isDigit(c)) {
            afterDigit = true;
        } else if (c == u' ') {
            // Spaces group digits anywhere and change nothing.
        } else if (c == u'+') {
            if (i != 0)
                return false;
        } else if (c == u'-') {
            if (!afterDigit)
                return false;
            afterDigit = false;
        } else if (c == u'(') {
            if (opened)
                return false;
            opened = true;
            afterDigit = false;
        } else if (c == u')') {
            if (closed || !opened || !afterDigit)
                return false;
            closed = true;
            afterDigit = false;
        } else {
            return false;
        }
    }
    if (check == Check::Typing || text.empty())
        return true;
    // Ends with a digit (spaces after it do not count), so at least one digit was typed.
    return afterDigit && opened == closed;
}

} // namespace EditRules
