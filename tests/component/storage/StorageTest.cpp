// PenStorage.dll reached as the panel reaches it: CoCreateInstance of the in-process
// class registered in this test's own prefix, files checked on disk.
#include <windows.h>

#include "StorageNames.h"

#include "pen/PenManager.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using Microsoft::WRL::ComPtr;
namespace fs = std::filesystem;

namespace {

fs::path storageRoot() {
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    return fs::path(appData) / L"Velar" / L"PenStorage";
}

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "stored";
}

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        fs::remove_all(storageRoot());
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_StorageApi, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&api_)));
        for (const wchar_t* pen : {L"AAA-111-222", L"BBB-333-444"})
            for (const wchar_t* item :
                 {L"1.2.3.4#5", L"notes.ink", L"Page.INK", L"page.ink.bak", L"cache\\x.bin"})
                touch(storageRoot() / pen / item);
        // Something beside the pen folders that a path escape could reach.
        touch(storageRoot() / L"index.dat");
    }
    void TearDown() override {
        fs::remove_all(storageRoot());
        api_.Reset();
        CoUninitialize();
    }

    HRESULT remove(const wchar_t* penId, const wchar_t* filter) {
        ComPtr<IPenStorage> storage;
        BSTR id = SysAllocString(penId);
        HRESULT hr = api_->GetPenStorage(id, &storage);
        SysFreeString(id);
        if (FAILED(hr))
            return hr;
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(filter);
        hr = storage->DeleteStorage(v);
        VariantClear(&v);
        return hr;
    }

    std::vector<std::wstring> everything() const {
        std::vector<std::wstring> files;
        if (fs::exists(storageRoot()))
            for (const auto& entry : fs::recursive_directory_iterator(storageRoot()))
                if (entry.is_regular_file())
                    files.push_back(fs::relative(entry.path(), storageRoot()).wstring());
        std::sort(files.begin(), files.end());
        return files;
    }

    ComPtr<IStorageApi> api_;
};

// A filter deletes the matching items of that pen only, case-insensitively; all items
// takes the pen's folder. Nothing to delete is no failure.
TEST_F(StorageTest, FiltersDeleteTheMatchingItemsOfThatPenOnly) {
    const std::vector<std::wstring> others = {L"BBB-333-444\\1.2.3.4#5",    L"BBB-333-444\\Page.INK",
                                              L"BBB-333-444\\cache\\x.bin", L"BBB-333-444\\notes.ink",
                                              L"BBB-333-444\\page.ink.bak", L"index.dat"};
    const std::pair<const wchar_t*, std::vector<std::wstring>> rows[] = {
        {L"*.ink", {L"AAA-111-222\\1.2.3.4#5", L"AAA-111-222\\cache\\x.bin", L"AAA-111-222\\page.ink.bak"}},
        {StorageNames::kAllItems, {}},
        {StorageNames::kAllItems, {}}, // again
    };
    for (const auto& [filter, left] : rows) {
        EXPECT_EQ(remove(L"AAA-111-222", filter), S_OK) << filter;
        std::vector<std::wstring> expected = others;
        expected.insert(expected.end(), left.begin(), left.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(everything(), expected) << filter;
    }
    EXPECT_FALSE(fs::exists(storageRoot() / L"AAA-111-222"));
    EXPECT_EQ(remove(L"CCC-555", StorageNames::kAllItems), S_OK); // a pen that never stored anything
}

TEST_F(StorageTest, RefusedPenIdsAndFiltersTouchNothing) {
    auto before = everything();
    ASSERT_EQ(before.size(), 11u);
    for (const wchar_t* id :
         {L"", L".", L"..", L"..\\BBB-333-444", L"../BBB-333-444", L"AAA\\..\\BBB-333-444", L"C:\\Windows",
          L"\\\\server\\share", L"pen:stream", L"pen id", L"p\u00e9n", L"pen.", L".hidden", L"NUL",
          L"com1.pen", L"*", L"pen?"}) {
        ComPtr<IPenStorage> storage;
        BSTR bstr = SysAllocString(id);
        EXPECT_EQ(api_->GetPenStorage(bstr, &storage), E_INVALIDARG) << "pen id \"" << bstr << '"';
        EXPECT_EQ(storage, nullptr);
        SysFreeString(bstr);
        EXPECT_EQ(remove(id, StorageNames::kAllItems), E_INVALIDARG);
    }
    EXPECT_EQ(api_->GetPenStorage(nullptr, nullptr), E_POINTER);
    ComPtr<IPenStorage> storage;
    EXPECT_EQ(api_->GetPenStorage(nullptr, &storage), E_INVALIDARG);

    for (const wchar_t* filter : {L"", L"..\\*", L"cache/*", L"C:*", L"cache\\x.bin"})
        EXPECT_EQ(remove(L"AAA-111-222", filter), E_INVALIDARG) << "filter \"" << filter << '"';
    ASSERT_HRESULT_SUCCEEDED(api_->GetPenStorage(SysAllocString(L"AAA-111-222"), &storage));
    VARIANT notText;
    VariantInit(&notText);
    EXPECT_EQ(storage->DeleteStorage(notText), E_INVALIDARG);
    notText.vt = VT_I4;
    notText.lVal = 1;
    EXPECT_EQ(storage->DeleteStorage(notText), E_INVALIDARG);

    EXPECT_EQ(everything(), before);
}

// Wildcards with backtracking, as the filters of other clients may use them.
TEST(StorageNamesTest, PatternMatching) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> cases[] = {{L"*a*b", L"xaxxab", true},
                                                                      {L"*a*b", L"xaxxabc", false},
                                                                      {L"p?ge.*", L"PAGE.ink", true},
                                                                      {L"p?ge.*", L"pge.ink", false},
                                                                      {L"*", L"", true},
                                                                      {L"**.ink", L".ink", true},
                                                                      {L"", L"a", false}};
    for (auto [filter, name, matches] : cases)
        EXPECT_EQ(StorageNames::matchesFilter(filter, name), matches) << filter << " " << name;
    EXPECT_TRUE(StorageNames::isPlainPenId(L"AAA-111.b_2"));
    EXPECT_TRUE(StorageNames::isPlainPenId(L"CONSOLE"));
}

} // namespace
