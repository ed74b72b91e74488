#pragma once
// WriteFailures: the values that an Apply (or OK) of a sheet could not save. Pages add
// what failed while they apply; once every page has applied, the sheet tells the user in
// one message box that names those values and gives the error text, so that nobody
// believes a change was saved when it was not. A page whose write failed stays modified.
#include <windows.h>

#include <string>
#include <vector>

class WriteFailures {
public:
    // A value (its name as the user knows it) that was not saved, and why.
    void Add(const std::wstring& value, HRESULT hr);
    bool Any() const { return !m_failures.empty(); }
    // The message box text for what was added.
    std::wstring Message() const;
    // Shows Message() once, owned by owner, and forgets the failures.
    void Tell(HWND owner);

    // The collector behind a sheet window, or null.
    static WriteFailures* FromWindow(HWND sheet);

protected:
    WriteFailures() = default;
    // textId: the message, with the values and the reasons as inserts 1 and 2.
    explicit WriteFailures(UINT textId) : m_textId(textId) {}
    ~WriteFailures() = default;

private:
    struct Failure {
        std::wstring value;
        HRESULT hr;
    };
    std::vector<Failure> m_failures;
    UINT m_textId = 0; // 0: the sheets' message (retry with Apply)
};
