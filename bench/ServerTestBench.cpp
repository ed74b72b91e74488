// server_test_bench OUT.json: the Advanced page's server test as its user sees it, on the
// real Quillpad.exe against the loopback HTTP server:
// - answered: from the click on "Probar la conexión del servidor..." to the success
//   message;
// - cancelled: the server delays its answer by 2 s and Cancel is pressed 100 ms after the
//   click; from the click to the box being gone (should be about the delay, not more).
#include <windows.h>

#include <cstdio>
#include <string>

#include "Figures.h"
#include "http/HttpServer.h"
#include "ui/driver/Driver.h"

namespace {
constexpr int kAnswered = 20;
constexpr int kCancelled = 5;
constexpr int kDelayMs = 2000;
const wchar_t kSuccess[] = L"La conexión al servidor se realizó con éxito.";

int fail(const char* what) {
    fprintf(stderr, "server_test_bench: %s\n", what);
    return 1;
}

ui::MessageBoxWindow WaitBox(DWORD pid, double timeoutMs = 10000) {
    const double deadline = BenchNow() + timeoutMs;
    while (BenchNow() < deadline) {
        if (ui::MessageBoxWindow box = ui::MessageBoxWindow::Find(pid))
            return box;
        Sleep(1);
    }
    return {};
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return fail("usage: server_test_bench OUT.json");
    http::HttpServer server;
    if (!server.IsRunning())
        return fail("the loopback server did not start");
    HKEY key = nullptr;
    DWORD one = 1;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Velar\\2.0\\Quillpad", 0, nullptr, 0, KEY_SET_VALUE,
                    nullptr, &key, nullptr);
    RegSetValueExW(key, L"ShowInternetSettings", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                   sizeof(one));
    RegCloseKey(key);
    if (!ui::StandIn::Set(L"-", L"/manager/orskUrl", server.Address(), true))
        return fail("penctl set failed");
    Process app;
    if (!app.Start(L"Quillpad.exe"))
        return fail("Quillpad did not start");
    ui::Sheet sheet = ui::Sheet::Find(app.Pid(), ui::kSheetCaption);
    if (!sheet || !sheet.SelectPage(L"Avanzado"))
        return fail("no Advanced page");
    ui::Control test = sheet.Item(IDC_TEST_SERVER);
    if (!ui::WaitUntil([&] { return test.IsVisible() && test.IsEnabled(); }))
        return fail("no test button");

    Figures answered, cancelled;
    server.Answer(200);
    for (int i = 0; i < kAnswered + 1; ++i) {
        const double start = BenchNow();
        test.PostClick();
        ui::MessageBoxWindow box;
        // The waiting box first, then the message.
        for (double deadline = start + 10000; BenchNow() < deadline; Sleep(1)) {
            box = ui::MessageBoxWindow::Find(app.Pid());
            if (box && box.Text() == kSuccess)
                break;
            box = {};
        }
        if (!box)
            return fail("no success message");
        if (i > 0) // the first one warms WinINet up
            answered.samples.push_back(BenchNow() - start);
        box.Answer(IDOK);
        box.WaitClosed();
    }
    server.Answer(200, kDelayMs);
    for (int i = 0; i < kCancelled; ++i) {
        const double start = BenchNow();
        test.PostClick();
        ui::MessageBoxWindow box = WaitBox(app.Pid());
        if (!box)
            return fail("no waiting box");
        while (BenchNow() < start + 100)
            Sleep(1);
        ui::Post(box.Hwnd(), WM_COMMAND, IDCANCEL);
        while (IsWindow(box.Hwnd()) && BenchNow() < start + 10000)
            Sleep(1);
        cancelled.samples.push_back(BenchNow() - start);
        Sleep(200);
        if (ui::MessageBoxWindow::Find(app.Pid()))
            return fail("a message after a cancelled test");
    }
    sheet.Button(ui::Sheet::kCancel).PostClick();
    app.WaitExit(5000);

    FILE* out = _wfopen(argv[1], L"w");
    if (!out)
        return fail("cannot write the figures");
    fprintf(out, "{\n  \"click_to_success_ms\": %s,\n  \"cancel_after_100ms_with_%dms_delay_ms\": %s\n}\n",
            answered.json().c_str(), kDelayMs, cancelled.json().c_str());
    fclose(out);
    return 0;
}
