#include "CoreTestSupport.h"

namespace {

LogCapture* g_capture = nullptr;

struct ForwardingObserver : LogObserver {
    ForwardingObserver() : LogObserver(0) {}
    void log(LogLevel level, const std::string& text) override {
        if (g_capture != nullptr)
            g_capture->lines.emplace_back(level, text);
    }
};

} // namespace

LogCapture::LogCapture() {
    static const bool attached = (Log::instance().attachLogObserver(new ForwardingObserver), true);
    (void)attached;
    g_capture = this;
}

LogCapture::~LogCapture() {
    g_capture = nullptr;
}

size_t LogCapture::count(const std::string& part) const {
    size_t n = 0;
    for (const auto& line : lines)
        n += line.second.find(part) != std::string::npos ? 1 : 0;
    return n;
}

ScratchRegistry::ScratchRegistry(bool classesRoot) {
    static int counter = 0;
    base_ = L"Software\\QuillpadTest\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT};
    ok = true;
    for (int i = 0; i < (classesRoot ? 3 : 2); ++i) {
        // Created below the real per-user tree before any override takes effect.
        ok = ok && RegCreateKeyExW(HKEY_CURRENT_USER, (base_ + L"\\" + std::to_wstring(i)).c_str(), 0,
                                   nullptr, 0, KEY_ALL_ACCESS, nullptr, &keys_[i], nullptr) == ERROR_SUCCESS;
    }
    for (int i = 0; ok && i < (classesRoot ? 3 : 2); ++i)
        ok = RegOverridePredefKey(roots[i], keys_[i]) == ERROR_SUCCESS;
}

ScratchRegistry::~ScratchRegistry() {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        RegOverridePredefKey(root, nullptr);
    for (HKEY key : keys_) {
        if (key != nullptr)
            RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QuillpadTest"); // goes only when empty
}

bool rawSetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    return RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool rawSetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value) {
    return RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_DWORD, &value, sizeof value) == ERROR_SUCCESS;
}

bool rawGetNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
}

bool rawKeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}
