#pragma once
// RemoteBuffer: memory in the process that owns a window, for the common-control messages
// whose structures Windows (and Wine) do not carry across processes: list views, tabs,
// headers, IP address fields. Both sides are 64-bit, so the structures match as they are.
#include <windows.h>

#include <cstddef>
#include <string>

#include "ui/driver/Window.h"

namespace ui {

class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    explicit operator bool() const { return m_address != nullptr; }
    // The address as the target sees it, at an offset: what goes into lParam or a pointer field.
    LPARAM At(size_t offset = 0) const;
    template <class T> T* Pointer(size_t offset = 0) const { return reinterpret_cast<T*>(At(offset)); }

    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0) const;
    template <class T> bool Put(const T& value, size_t offset = 0) {
        return Write(&value, sizeof(T), offset);
    }
    template <class T> T Get(size_t offset = 0) const {
        T value{};
        Read(&value, sizeof(T), offset);
        return value;
    }
    // A zero-terminated wide text of at most maxChars characters.
    std::wstring Text(size_t offset, size_t maxChars) const;

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size = 0;
};

// Sends a query whose lParam is a structure with a text field (pszText, cchTextMax:
// LVITEMW, LVCOLUMNW, TCITEMW...), both placed in the target, and answers the text.
// A query that answers 0 gives an empty text.
template <class Item> std::wstring QueryText(HWND hwnd, UINT message, WPARAM wParam, Item item) {
    constexpr size_t kMaxChars = 1024;
    constexpr size_t kTextOffset = (sizeof(Item) + 15) / 16 * 16;
    RemoteBuffer buffer(hwnd, kTextOffset + (kMaxChars + 1) * sizeof(wchar_t));
    item.pszText = buffer.Pointer<wchar_t>(kTextOffset);
    item.cchTextMax = static_cast<int>(kMaxChars);
    if (!buffer.Put(item) || !Send(hwnd, message, wParam, buffer.At()))
        return {};
    return buffer.Text(kTextOffset, kMaxChars);
}

} // namespace ui
