#include "DualObject.h"

#include <cstring>
#include <map>
#include <mutex>

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof a) < 0; }
};

std::mutex g_lock; // an in-process server may be called from several apartments
HMODULE g_module = nullptr;
ITypeLib* g_typeLib = nullptr;
bool g_typeLibTried = false;
std::map<GUID, ITypeInfo*, GuidLess> g_cache;
std::atomic<long> g_locks{0};

ITypeLib* typeLib() {
    if (!g_typeLibTried) {
        g_typeLibTried = true;
        wchar_t path[MAX_PATH * 2];
        DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH * 2);
        if (length > 0 && length < MAX_PATH * 2)
            LoadTypeLibEx(path, REGKIND_NONE, &g_typeLib);
    }
    return g_typeLib;
}

} // namespace

namespace ComServer {

void setTypeLibModule(HMODULE module) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_module = module;
}

ITypeInfo* interfaceTypeInfo(REFIID iid) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_cache.find(iid);
    if (it != g_cache.end())
        return it->second;
    ITypeInfo* info = nullptr;
    if (ITypeLib* library = typeLib(); library && SUCCEEDED(library->GetTypeInfoOfGuid(iid, &info))) {
        // For a dual interface this is the dispinterface; Invoke needs the vtable part.
        HREFTYPE ref;
        ITypeInfo* vtablePart = nullptr;
        if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, &vtablePart))) {
            info->Release();
            info = vtablePart;
        }
    }
    g_cache[iid] = info;
    return info;
}

void releaseTypeInfo() {
    std::lock_guard<std::mutex> guard(g_lock);
    for (auto& [iid, info] : g_cache)
        if (info)
            info->Release();
    g_cache.clear();
    if (g_typeLib)
        g_typeLib->Release();
    g_typeLib = nullptr;
    g_typeLibTried = false;
}

void lockModule() { ++g_locks; }
void unlockModule() { --g_locks; }
long moduleLocks() { return g_locks; }

} // namespace ComServer
