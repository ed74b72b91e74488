// TestOrskConn against a real HTTP server on 127.0.0.1: what WinINet sends, which answers
// count as reachable, Cancel and the close command while the request is pending.
// EditOrskConn with the pen manager stand-in.
#include <windows.h>
#include <wininet.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "framework/Bstr.h"
#include "http/HttpServer.h"
#include "res/resource.h"
#include "sheet/EditOrskConn.h"
#include "sheet/SettingsSheet.h"
#include "sheet/TestOrskConn.h"
#include "ui/driver/Driver.h"

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

namespace {

const wchar_t kTestCaption[] = L"Conexión de prueba";

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// A shown, enabled dialog of this process with this caption, waited for.
HWND WaitDialog(const wchar_t* caption) {
    return ui::WaitFor([&]() -> HWND {
        HWND found = ui::FindDialog(GetCurrentProcessId(), caption);
        return found && IsWindowVisible(found) && IsWindowEnabled(found) ? found : nullptr;
    });
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

// One GET of /1, and only 200 and 206 count as reachable. While the request is pending
// the box shows only Cancel: Cancel asks the worker to stop, the close command only
// disables Cancel, and either way the box waits for the server's answer.
TEST_F(ServerDialogs, TestSendsOneGetCountsOnly200And206AndWaitsForTheAnswer) {
    struct Case {
        int status;
        UINT message; // sent to the box while the answer is held back 1.5 s; 0: none
        WPARAM wp;
        INT_PTR result;
    };
    for (Case c : {Case{200, 0, 0, TestOrskConn::kConnected}, Case{206, 0, 0, TestOrskConn::kConnected},
                   Case{404, 0, 0, TestOrskConn::kFailed}, Case{500, 0, 0, TestOrskConn::kFailed},
                   Case{200, WM_COMMAND, IDCANCEL, TestOrskConn::kCancelled},
                   Case{200, WM_CLOSE, 0, TestOrskConn::kConnected}}) {
        SCOPED_TRACE(testing::Message() << c.status << " " << c.message);
        ASSERT_TRUE(server.Answer(c.status, c.message ? 1500 : 0));
        bool okVisible = true, cancelEnabledAfter = true, openAfter = false;
        std::wstring text;
        const auto start = std::chrono::steady_clock::now();
        std::function<void(HWND)> act;
        if (c.message)
            act = [&](HWND box) {
                okVisible = IsWindowVisible(GetDlgItem(box, IDOK));
                text = ui::MessageBoxWindow(box).Text();
                Sleep(100);
                PostMessageW(box, c.message, c.wp, 0);
                Sleep(300);
                cancelEnabledAfter = IsWindowEnabled(GetDlgItem(box, IDCANCEL));
                openAfter = IsWindow(box);
            };
        EXPECT_EQ(RunTest(server.Address(), act), c.result);
        const auto requests = server.Requests();
        if (!c.message) {
            ASSERT_EQ(requests.size(), 1u);
            EXPECT_EQ(requests[0].method + " " + requests[0].path, "GET /1");
            continue;
        }
        EXPECT_FALSE(okVisible);
        EXPECT_EQ(text, L"Conexión al servidor " + server.Address() + L".");
        EXPECT_FALSE(cancelEnabledAfter);
        EXPECT_TRUE(openAfter);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 1400ms);
    }
    EXPECT_EQ(RunTest(http::HttpServer::ClosedAddress()), TestOrskConn::kFailed);
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

// OK is enabled once the text differs from the address read. A new address is tested:
// a failed test is asked about (No keeps the dialog open with the text, Yes keeps the
// address); an empty one is written without a test. An address that can't be read shows
// an empty edit; one that can't be written is told, and the dialog stays open.
TEST_F(ServerDialogs, ChangeServerTestsAndWritesTheAddressOrTellsWhatFailed) {
    const std::wstring closed = http::HttpServer::ClosedAddress(), stored = L"orsk.velar.es:443";
    const std::wstring question = L"No se pudo realizar la conexión al servidor.\n¿Aún desea utilizar la "
                                  L"dirección del servidor ingresada?";
    ASSERT_TRUE(server.Answer(200));
    struct Step {
        bool types;
        std::wstring typed;
        const wchar_t* failing;
        int answer; // to the box that follows OK; 0: none comes
        std::vector<std::wstring> says;
        bool closes;
    };
    const Step steps[] = {
        {true, closed, nullptr, IDNO, {question}, false},
        {true, closed, nullptr, IDYES, {question}, true},
        {true, server.Address(), nullptr, 0, {}, true},
        {true, L"", nullptr, 0, {}, true},
        {false, L"", L"IPenManager::GetOrskUrl", 0, {}, false},
        {true,
         L"",
         L"IPenManager::SetOrskUrl",
         IDOK,
         {L"No se guardaron estos valores:", L"\n- Dirección del servidor\r", L"intentarlo con Aceptar."},
         false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(Narrow(s.typed) + (s.failing ? " " + Narrow(s.failing) : ""));
        StoreAddress(stored);
        ComPtr<IPenManagerControl> control;
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)));
        if (s.failing) {
            Bstr method(s.failing);
            ASSERT_HRESULT_SUCCEEDED(control->FailMethod(method.Get(), E_FAIL, -1));
        }
        std::wstring shown, said;
        bool okBefore = true, okAfter = false, okAtEnd = false, stillOpen = false;
        const INT_PTR result = Run(EditOrskConn(nullptr), L"Cambiar servidor", [&](HWND dialog) {
            HWND edit = GetDlgItem(dialog, IDC_ORSK_ADDRESS);
            shown = ui::Control(dialog, IDC_ORSK_ADDRESS).Text();
            okBefore = IsWindowEnabled(GetDlgItem(dialog, IDOK));
            if (s.types) {
                // Typed over the whole text, as the user does (the edit keeps its own copy).
                SendMessageW(edit, EM_SETSEL, 0, -1);
                SendMessageW(edit, WM_CHAR, VK_BACK, 0);
                for (wchar_t c : s.typed)
                    SendMessageW(edit, WM_CHAR, c, 0);
                okAfter = IsWindowEnabled(GetDlgItem(dialog, IDOK));
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            }
            if (s.answer) {
                // The question, or the message that tells what was not saved.
                const int button = s.answer == IDOK ? IDOK : IDYES;
                const ui::MessageBoxWindow box = ui::WaitFor([&] {
                    const ui::MessageBoxWindow found = ui::MessageBoxWindow::Find(GetCurrentProcessId());
                    return found && found.HasButton(button) ? found : ui::MessageBoxWindow();
                });
                if (!box)
                    return;
                said = box.Text();
                box.Answer(s.answer);
            }
            Sleep(1000);
            stillOpen = IsWindow(dialog);
            okAtEnd = IsWindowEnabled(GetDlgItem(dialog, IDOK));
            if (stillOpen)
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        control->ClearFaults();
        EXPECT_EQ(shown, s.failing && !s.types ? L"" : stored);
        EXPECT_FALSE(okBefore);
        EXPECT_EQ(okAfter, s.types);
        EXPECT_EQ(result, s.closes ? IDOK : IDCANCEL);
        EXPECT_EQ(stillOpen, !s.closes);
        if (stillOpen) {
            EXPECT_EQ(okAtEnd, s.types);
        }
        for (const std::wstring& piece : s.says)
            EXPECT_NE(said.find(piece), std::wstring::npos) << Narrow(said);
        EXPECT_EQ(StoredAddress(), s.closes ? s.typed : stored);
    }
}

} // namespace
