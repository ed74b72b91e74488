#include "ui/driver/RemoteBuffer.h"

#include <vector>

namespace ui {

RemoteBuffer::RemoteBuffer(HWND window, size_t size) : m_size(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (m_process)
        m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
    if (m_address)
        VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    if (m_process)
        CloseHandle(m_process);
}

LPARAM RemoteBuffer::At(size_t offset) const {
    return m_address ? reinterpret_cast<LPARAM>(static_cast<char*>(m_address) + offset) : 0;
}

bool RemoteBuffer::Write(const void* data, size_t size, size_t offset) {
    SIZE_T written = 0;
    return m_address && offset + size <= m_size &&
           WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &written) &&
           written == size;
}

bool RemoteBuffer::Read(void* data, size_t size, size_t offset) const {
    SIZE_T read = 0;
    return m_address && offset + size <= m_size &&
           ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, &read) &&
           read == size;
}

std::wstring RemoteBuffer::Text(size_t offset, size_t maxChars) const {
    std::vector<wchar_t> text(maxChars + 1, L'\0');
    if (!Read(text.data(), maxChars * sizeof(wchar_t), offset))
        return {};
    return std::wstring(text.data());
}

} // namespace ui
