// TestOrskConn against a real HTTP server on 127.0.0.1: what WinINet sends, which answers
// count as reachable, Cancel and the close command while the request is pending, and no
// thread or handle left behind. EditOrskConn with the pen manager stand-in.
#include <windows.h>
#include <tlhelp32.h>
#include <wininet.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "framework/Bstr.h"
#include "http/HttpServer.h"
#include "res/resource.h"
#include "sheet/EditOrskConn.h"
#include "sheet/SettingsSheet.h"
#include "sheet/TestOrskConn.h"

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

namespace {

const wchar_t kTestCaption[] = L"Conexión de prueba";

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// A window of this process with class #32770 and this caption, waited for.
HWND WaitDialog(const wchar_t* caption, DWORD timeoutMs = 5000) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        HWND found = nullptr;
        for (HWND hwnd = FindWindowExW(nullptr, nullptr, L"#32770", caption); hwnd;
             hwnd = FindWindowExW(nullptr, hwnd, L"#32770", caption)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
                found = hwnd;
        }
        if (found)
            return found;
        Sleep(10);
    }
    return nullptr;
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

int ThreadCount() {
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

// Wine answers GetProcessHandleCount with 0: the open handles are counted one by one.
DWORD HandleCount() {
    DWORD count = 0, flags = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return count;
}

class ServerDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.IsRunning());
        DWORD state = 0;
        if (!InternetGetConnectedState(&state, 0))
            GTEST_SKIP() << "No network interface but loopback is up: WinINet sends no request then.";
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        com = true;
    }
    void TearDown() override {
        if (actor.joinable())
            actor.join();
        if (com)
            CoUninitialize();
    }

    // Runs a dialog; act, when given, runs on another thread with the window of that
    // caption once it shows.
    template <class D> INT_PTR Run(D&& dialog, const wchar_t* caption, std::function<void(HWND)> act) {
        if (act)
            actor = std::thread([act, caption] {
                if (HWND window = WaitDialog(caption))
                    act(window);
            });
        const INT_PTR result = dialog.DoModal();
        if (actor.joinable())
            actor.join();
        return result;
    }
    INT_PTR RunTest(const std::wstring& address, std::function<void(HWND)> act = nullptr) {
        return Run(TestOrskConn(Narrow(address), nullptr), kTestCaption, act);
    }

    http::HttpServer server;
    std::thread actor;
    bool com = false;
};

TEST_F(ServerDialogs, TestSendsOneGetAndCountsOnly200And206AsReachable) {
    struct Case {
        int status;
        INT_PTR result;
    };
    for (Case c : {Case{200, TestOrskConn::kConnected}, Case{206, TestOrskConn::kConnected},
                   Case{404, TestOrskConn::kFailed}, Case{500, TestOrskConn::kFailed}}) {
        SCOPED_TRACE(c.status);
        ASSERT_TRUE(server.Answer(c.status));
        EXPECT_EQ(RunTest(server.Address()), c.result);
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method + " " + requests[0].path, "GET /1");
    }
    EXPECT_EQ(RunTest(http::HttpServer::ClosedAddress()), TestOrskConn::kFailed);
}

TEST_F(ServerDialogs, BoxShowsOnlyCancelAndWaitsForTheRequestWhenCancelledOrClosed) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM wp;
        INT_PTR result;
    };
    // Cancel asks the worker to stop; the close command only disables Cancel.
    for (Case c : {Case{"cancel", WM_COMMAND, IDCANCEL, TestOrskConn::kCancelled},
                   Case{"close", WM_CLOSE, 0, TestOrskConn::kConnected}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(server.Answer(200, 1500));
        bool okVisible = true, cancelEnabledAfter = true, openAfter = false;
        std::wstring text;
        const auto start = std::chrono::steady_clock::now();
        const INT_PTR result = RunTest(server.Address(), [&](HWND box) {
            okVisible = IsWindowVisible(GetDlgItem(box, IDOK));
            text = ItemText(box, 0xFFFF);
            Sleep(100);
            PostMessageW(box, c.message, c.wp, 0);
            Sleep(300);
            cancelEnabledAfter = IsWindowEnabled(GetDlgItem(box, IDCANCEL));
            openAfter = IsWindow(box);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_FALSE(okVisible);
        EXPECT_EQ(text, L"Conexión al servidor " + server.Address() + L".");
        EXPECT_FALSE(cancelEnabledAfter);
        EXPECT_TRUE(openAfter);
        // The box waited for the server's answer.
        EXPECT_GE(std::chrono::steady_clock::now() - start, 1400ms);
        server.Requests();
    }
}

TEST_F(ServerDialogs, FiftyTestsLeaveNoThreadOrHandleBehind) {
    // WinINet's own threads and caches come with the first request.
    ASSERT_TRUE(server.Answer(200));
    RunTest(server.Address());
    const int threads = ThreadCount();
    const DWORD handles = HandleCount();
    ASSERT_GT(threads, 0);
    ASSERT_GT(handles, 0u);
    const std::wstring closed = http::HttpServer::ClosedAddress();
    for (int i = 0; i < 50; ++i) {
        const int kind = i % 5;
        server.Answer(kind == 1 ? 404 : 200, kind == 3 ? 300 : 0);
        if (kind == 3)
            RunTest(server.Address(), [](HWND box) { PostMessageW(box, WM_COMMAND, IDCANCEL, 0); });
        else
            RunTest(kind == 4 ? closed : server.Address());
    }
    server.Requests();
    // Threads end a moment after they post their result.
    for (int i = 0; i < 50 && ThreadCount() > threads; ++i)
        Sleep(20);
    EXPECT_LE(ThreadCount(), threads);
    EXPECT_LE(HandleCount(), handles + 2); // slack for WinINet's connection cache
}

// ---- Cambiar servidor ----

std::wstring StoredAddress() {
    ComPtr<IPenManager> manager;
    Bstr address;
    if (FAILED(SettingsSheet::CreatePenManager(manager)) || FAILED(manager->GetOrskUrl(address.Out())))
        return L"?";
    return address.Str();
}

void StoreAddress(const std::wstring& text) {
    ComPtr<IPenManager> manager;
    ASSERT_HRESULT_SUCCEEDED(SettingsSheet::CreatePenManager(manager));
    Bstr address(text);
    ASSERT_HRESULT_SUCCEEDED(manager->SetOrskUrl(address.Get()));
}

TEST_F(ServerDialogs, ChangeServerTestsTheNewAddressAndAsksBeforeKeepingOneThatFailed) {
    StoreAddress(L"orsk.velar.es:443");
    const std::wstring closed = http::HttpServer::ClosedAddress();
    ASSERT_TRUE(server.Answer(200));
    struct Step {
        std::wstring typed;
        int answer; // to the question after a failed test; 0: no question
        bool closes;
    };
    // A failed address is asked about; No keeps the dialog open with the text, Yes keeps
    // the address. An empty address is written without a test.
    for (const Step& s : {Step{closed, IDNO, false}, Step{closed, IDYES, true},
                          Step{server.Address(), 0, true}, Step{L"", 0, true}}) {
        SCOPED_TRACE(Narrow(s.typed));
        const std::wstring before = StoredAddress();
        std::wstring question;
        bool okBefore = true, okAfter = false, stillOpen = false;
        const INT_PTR result = Run(EditOrskConn(nullptr), L"Cambiar servidor", [&](HWND dialog) {
            HWND edit = GetDlgItem(dialog, IDC_ORSK_ADDRESS);
            okBefore = IsWindowEnabled(GetDlgItem(dialog, IDOK));
            // Typed over the whole text, as the user does (the edit keeps its own copy).
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SendMessageW(edit, WM_CHAR, VK_BACK, 0);
            for (wchar_t c : s.typed)
                SendMessageW(edit, WM_CHAR, c, 0);
            okAfter = IsWindowEnabled(GetDlgItem(dialog, IDOK));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            if (s.answer) {
                HWND box = nullptr;
                for (int i = 0; i < 500 && !box; ++i, Sleep(10))
                    if ((box = WaitDialog(kTestCaption, 10)) && !GetDlgItem(box, IDYES))
                        box = nullptr;
                if (!box)
                    return;
                question = ItemText(box, 0xFFFF);
                PostMessageW(box, WM_COMMAND, s.answer, 0);
            }
            Sleep(1000);
            stillOpen = IsWindow(dialog);
            if (stillOpen)
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_FALSE(okBefore);
        EXPECT_TRUE(okAfter);
        EXPECT_EQ(result, s.closes ? IDOK : IDCANCEL);
        EXPECT_EQ(stillOpen, !s.closes);
        if (s.answer) {
            EXPECT_EQ(question,
                      L"No se pudo realizar la conexión al servidor.\n¿Aún desea utilizar la dirección del "
                      L"servidor ingresada?");
        }
        EXPECT_EQ(StoredAddress(), s.closes ? s.typed : before);
    }
}

// The stand-in's failure switch for one method, until the object goes.
struct FailingCall {
    explicit FailingCall(const wchar_t* method) {
        CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control));
        Bstr name(method);
        ok = control && SUCCEEDED(control->FailMethod(name.Get(), E_FAIL, -1));
    }
    ~FailingCall() {
        if (control)
            control->ClearFaults();
    }
    ComPtr<IPenManagerControl> control;
    bool ok = false;
};

TEST_F(ServerDialogs, ChangeServerStartsEmptyWithoutAnAddressAndTellsAWriteThatFailed) {
    StoreAddress(L"orsk.velar.es:443");
    struct Case {
        const wchar_t* failing;
        std::wstring shown;
        std::wstring told; // the start of the message, empty for none
    };
    // Unreadable: an empty edit, OK disabled. Unwritable: told, the dialog stays open.
    for (const Case& c :
         {Case{L"IPenManager::GetOrskUrl", L"", L""},
          Case{L"IPenManager::SetOrskUrl", L"orsk.velar.es:443", L"No se guardaron estos valores:"}}) {
        SCOPED_TRACE(Narrow(c.failing));
        FailingCall failing(c.failing);
        ASSERT_TRUE(failing.ok);
        std::wstring shown = L"?", told;
        bool stillOpen = false;
        actor = std::thread([&] {
            HWND dialog = WaitDialog(L"Cambiar servidor");
            if (!dialog)
                return;
            HWND edit = GetDlgItem(dialog, IDC_ORSK_ADDRESS);
            shown = ItemText(dialog, IDC_ORSK_ADDRESS);
            if (!c.told.empty()) {
                // An empty address is written without a test.
                SendMessageW(edit, EM_SETSEL, 0, -1);
                SendMessageW(edit, WM_CHAR, VK_BACK, 0);
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                if (HWND box = WaitDialog(L"Panel de control del lápiz")) {
                    told = ItemText(box, 0xFFFF);
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                }
                Sleep(300);
            }
            stillOpen = IsWindow(dialog) && !IsWindowEnabled(GetDlgItem(dialog, IDOK)) == c.told.empty();
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(EditOrskConn(nullptr).DoModal(), IDCANCEL);
        actor.join();
        EXPECT_EQ(shown, c.shown);
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(told.substr(0, c.told.size()), c.told) << Narrow(told);
        if (!c.told.empty()) {
            EXPECT_NE(told.find(L"\n- Dirección del servidor\r"), std::wstring::npos);
            EXPECT_NE(told.find(L"intentarlo con Aceptar."), std::wstring::npos);
        }
    }
    EXPECT_EQ(StoredAddress(), L"orsk.velar.es:443");
}

} // namespace
