// sheet_bench OUT.json: how fast the panel is for its user, on the real Quillpad.exe with
// the real stand-in.
// - start-up: from starting the program to its sheet being visible with a page, beside
//   BareSheet.exe, a bare comctl32 property sheet, in alternating runs;
// - docking: from the stand-in docking the pen (control interface) to the Status page's
//   battery line changing;
// - About page: from the stand-in docking the pen to the page's list holding the pen's
//   rows beside the 19 file versions;
// - Details page: one Apply that changes one field (its time and the pen calls it makes),
//   and docking with every page of the sheet created: from the event to the Status
//   page's line and to every page showing the pen;
// - service log: from pressing "Registro de servicio..." to the list holding every row,
//   for outboxes of 10, 100 and 1000 requests.
#include <windows.h>
#include <ole2.h>
#include <commctrl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Figures.h"
#include "kit/EventSink.h"
#include "framework/Bstr.h"
#include "framework/Variant.h"
#include "pen/PenManager.h"
#include "ui/driver/Driver.h"

using Microsoft::WRL::ComPtr;

namespace {
const wchar_t kBareCaption[] = L"Hoja de propiedades";
const wchar_t kPen[] = L"AAA-BBB-CCC-DD";
constexpr int kStartPairs = 10;
constexpr int kDockings = 50;
constexpr int kAboutFills = 20;
constexpr int kLogLoads = 3;
constexpr int kApplies = 20;
constexpr int kReloads = 30;

int fail(const char* what) {
    fprintf(stderr, "sheet_bench: %s\n", what);
    return 1;
}

// The visible sheet of the process with a current page, polled tightly.
HWND WaitSheet(DWORD pid, const wchar_t* caption, DWORD timeoutMs = 20000) {
    double deadline = BenchNow() + timeoutMs;
    while (BenchNow() < deadline) {
        for (HWND hwnd : ui::TopWindows(pid, L"#32770"))
            if (IsWindowVisible(hwnd) && ui::Control(hwnd).Text() == caption &&
                SendMessageW(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0))
                return hwnd;
        Sleep(1);
    }
    return nullptr;
}

// Start to visible sheet in ms, -1 on failure; the program is closed again.
double StartOnce(const wchar_t* exe, const wchar_t* caption) {
    Process app;
    double start = BenchNow();
    if (!app.Start(exe))
        return -1;
    HWND sheet = WaitSheet(app.Pid(), caption);
    double took = BenchNow() - start;
    if (HWND frame = app.FindTopWindow(ui::kFrameClass))
        PostMessageW(frame, WM_CLOSE, 0, 0);
    else if (sheet)
        ui::Control(sheet, IDCANCEL).PostClick();
    if (!app.WaitExit(10000))
        app.Kill();
    return sheet ? took : -1;
}

std::wstring OutboxJson(int items) {
    std::wstring json = L"[";
    for (int i = 0; i < items; ++i) {
        wchar_t item[400];
        // Every status but the hidden one, links on most rows, a few error results.
        int status = (i % 4) - 1;
        swprintf(
            item, 400,
            L"%ls{\"message\": \"Solicitud %d\", \"milliseconds\": %d, \"network\": %ls, \"result\": %ld, "
            L"\"seconds\": %d, \"serviceName\": \"Servicio %d\", \"status\": %d, \"tabbet\": 0, "
            L"\"url\": \"https://servicios.velar.es/envio/%d\", \"visited\": %ls}",
            i ? L", " : L"", i, i % 1000, i % 2 ? L"true" : L"false",
            i % 7 == 3 ? static_cast<long>(0x80040319) : 0L, 1700000000 + i, i, status, i,
            i % 3 ? L"false" : L"true");
        json += item;
    }
    return json + L"]";
}

// Reads every item of the pen's outbox with the calls the service log makes per row, here
// in the bench process: what the pen manager costs, without any window.
double ReadOutbox(const wchar_t* penId) {
    ComPtr<IPenManager> manager;
    ComPtr<IPen> pen;
    ComPtr<IOutbox> outbox;
    Bstr id(penId);
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager))) ||
        FAILED(manager->GetPen(id.Get(), &pen)) || FAILED(pen->GetOutbox(&outbox)))
        return -1;
    double start = BenchNow();
    long count = 0;
    outbox->GetCount(&count);
    for (long i = 1; i <= count; ++i) {
        Variant item;
        ComPtr<IOutboxItem> entry;
        if (FAILED(outbox->GetItem(i, item.Out())) || !item.AsUnknown() ||
            FAILED(item.AsUnknown()->QueryInterface(IID_PPV_ARGS(&entry))))
            continue;
        long status = 0, seconds = 0, milliseconds = 0, result = 0;
        VARIANT_BOOL visited = VARIANT_FALSE;
        Bstr name, url, message;
        entry->GetStatus(&status);
        entry->GetServiceName(name.Out());
        entry->GetTimeSeconds(&seconds);
        entry->GetTimeMilliseconds(&milliseconds);
        entry->GetResult(&result);
        entry->GetUrl(url.Out());
        entry->IsVisited(&visited);
        entry->GetMessage(message.Out());
    }
    return BenchNow() - start;
}

// Reads the pen's shortcuts and user data with the calls the Shortcuts and Details pages
// make, here in the bench process: what the pen manager costs, without any window.
double ReadDetails(const wchar_t* penId) {
    ComPtr<IPenManager> manager;
    ComPtr<IPen> pen;
    Bstr id(penId);
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager))) ||
        FAILED(manager->GetPen(id.Get(), &pen)))
        return -1;
    double start = BenchNow();
    ComPtr<IAddressShortcuts> shortcuts;
    long count = 0;
    if (SUCCEEDED(pen->GetAddressShortcuts(&shortcuts)))
        shortcuts->GetCount(&count);
    for (long i = 1; i <= count; ++i) {
        Variant item;
        ComPtr<IAddressShortcut> shortcut;
        if (FAILED(shortcuts->GetItem(i, item.Out())) || !item.AsUnknown() ||
            FAILED(item.AsUnknown()->QueryInterface(IID_PPV_ARGS(&shortcut))))
            continue;
        Bstr name, email, cellPhone, fax;
        shortcut->GetName(name.Out());
        shortcut->GetEmail(email.Out());
        shortcut->GetCellPhone(cellPhone.Out());
        shortcut->GetFax(fax.Out());
    }
    shortcuts.Reset();
    ComPtr<IUserData> data;
    if (SUCCEEDED(pen->GetUserData(&data))) {
        Bstr name, email, cellPhone, language;
        short zone = 0;
        VARIANT_BOOL flag;
        data->GetName(name.Out());
        data->GetEmail(email.Out());
        data->GetCellPhone(cellPhone.Out());
        data->GetFeedbackLanguage(language.Out());
        data->GetTimeZone(&zone);
        data->IsNameReadOnly(&flag);
        data->IsEmailReadOnly(&flag);
        data->IsCellPhoneReadOnly(&flag);
        data->IsFeedbackLanguageReadOnly(&flag);
        data->IsTimeZoneReadOnly(&flag);
    }
    return BenchNow() - start;
}

// Notes when the pen manager fires PenDocked: the bench's own sink is called alongside
// the panel's.
class DockedSink : public EventSink {
public:
    double dockedAt = 0;

protected:
    void OnEvent(DISPID id) override {
        if (id == 1)
            dockedAt = BenchNow();
    }
};

// One method round trip to the pen manager, as the pages pay it for every value.
double RoundTrip(const wchar_t* penId) {
    ComPtr<IPenManager> manager;
    ComPtr<IPen> pen;
    Bstr id(penId);
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager))) ||
        FAILED(manager->GetPen(id.Get(), &pen)))
        return -1;
    constexpr int kCalls = 500;
    double start = BenchNow();
    for (int i = 0; i < kCalls; ++i) {
        VARIANT_BOOL locked;
        pen->IsLocked(&locked);
    }
    return (BenchNow() - start) / kCalls;
}

// The methods the stand-in has served, in order.
std::vector<std::string> CallLog(IPenManagerControl* control) {
    Bstr text;
    std::vector<std::string> methods;
    if (FAILED(control->GetCallLog(text.Out())))
        return methods;
    const std::wstring wide = text.Str();
    const std::string utf8(wide.begin(), wide.end()); // method names are ASCII
    nlohmann::json log = nlohmann::json::parse(utf8, nullptr, false);
    if (log.is_array())
        for (const auto& call : log)
            methods.push_back(call.value("method", ""));
    return methods;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3)
        return fail("usage: sheet_bench OUT.json [startup,dock,about,details,log]");
    std::string parts = argc == 3 ? argv[2] : "startup,dock,about,details,log";
    auto want = [&](const char* part) { return parts.find(part) != std::string::npos; };
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IPenManagerControl> control;
    if (FAILED(
            CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control))))
        return fail("no pen manager stand-in");

    Figures roundTrip;
    for (int i = 0; i < 5; ++i)
        roundTrip.samples.push_back(RoundTrip(kPen));

    // The sheet with every page, the Internet services' pages included.
    if (want("details"))
        ui::ShowInternetSettings(1);
    // Start-up: one cold run of each first, not counted.
    Figures quillpad, bare;
    if (want("startup")) {
        StartOnce(L"Quillpad.exe", ui::kSheetCaption);
        StartOnce(L"BareSheet.exe", kBareCaption);
    }
    for (int i = 0; want("startup") && i < kStartPairs; ++i) {
        double ours = StartOnce(L"Quillpad.exe", ui::kSheetCaption);
        double theirs = StartOnce(L"BareSheet.exe", kBareCaption);
        if (ours < 0 || theirs < 0)
            return fail("a sheet did not show");
        quillpad.samples.push_back(ours);
        bare.samples.push_back(theirs);
    }

    Process app;
    if (!app.Start(L"Quillpad.exe"))
        return fail("Quillpad.exe did not start");
    ui::Sheet sheet(WaitSheet(app.Pid(), ui::kSheetCaption));
    if (!sheet)
        return fail("no sheet");
    ui::Control battery = sheet.Item(IDC_BATTERY);
    Bstr pen(kPen);

    // Docking to the battery line, from the event (the stand-in first saves the pen).
    ComPtr<IPenManager> manager;
    DockedSink sink;
    DWORD cookie = 0;
    ComPtr<IConnectionPoint> point;
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager))) ||
        !(point = AdviseEvents(manager.Get(), &sink, cookie)))
        return fail("can't listen to the pen manager");
    Figures docking, dockCall;
    for (int i = 0; want("dock") && i < kDockings; ++i) {
        control->Undock(pen.Get());
        if (!ui::WaitUntil([&] { return battery.Text() == ui::kNoPenText; }))
            return fail("undocking not shown");
        sink.dockedAt = 0;
        double call = BenchNow();
        control->Dock(pen.Get());
        dockCall.samples.push_back(BenchNow() - call);
        if (!sink.dockedAt)
            return fail("no PenDocked event");
        // Polled every millisecond: a tighter loop would keep the panel busy answering.
        while (battery.Text() == ui::kNoPenText && BenchNow() - sink.dockedAt < 5000)
            Sleep(1);
        docking.samples.push_back(BenchNow() - sink.dockedAt);
    }

    // About page: the list rebuilt on docking (pen values and 19 version lookups).
    Figures aboutFill;
    if (want("about") && sheet.SelectPage(L"Acerca de")) {
        const ui::ListView list(sheet.CurrentPage(), IDC_VERSION_LIST);
        for (int i = 0; i < kAboutFills; ++i) {
            control->Undock(pen.Get());
            if (!ui::WaitUntil([&] { return list.Count() == 19; }))
                return fail("About page: undocking not shown");
            sink.dockedAt = 0;
            control->Dock(pen.Get());
            if (!sink.dockedAt)
                return fail("no PenDocked event");
            while (list.Count() <= 19 && BenchNow() - sink.dockedAt < 5000)
                Sleep(1);
            aboutFill.samples.push_back(BenchNow() - sink.dockedAt);
        }
        sheet.SelectPage(0);
    }

    // Details page: Apply with the time zone changed, alternating between two zones.
    Figures detailsApply, reloadStatus, reloadAll, detailsRead;
    std::map<std::string, int> reloadCalls;
    for (int i = 0; want("details") && i < 5; ++i)
        detailsRead.samples.push_back(ReadDetails(kPen));
    std::string applyCalls;
    if (want("details") && sheet.SelectPage(L"Detalles personales")) {
        const HWND details = sheet.CurrentPage();
        const ui::Control zone(details, IDC_DETAILS_TIME_ZONE), name(details, IDC_DETAILS_NAME);
        if (!ui::WaitUntil([&] { return zone.IsEnabled(); }))
            return fail("Details page: no pen shown");
        const std::wstring owner = name.Text();
        for (int i = 0; i < kApplies; ++i) {
            zone.Select(i % 2 ? 14 : 15);
            const size_t before = CallLog(control.Get()).size();
            const double start = BenchNow();
            sheet.Button(ui::Sheet::kApply).Click(); // returns once applied
            detailsApply.samples.push_back(BenchNow() - start);
            if (i == 0) {
                const std::vector<std::string> calls = CallLog(control.Get());
                for (size_t c = before; c < calls.size(); ++c)
                    applyCalls += (applyCalls.empty() ? "\"" : ", \"") + calls[c] + "\"";
            }
        }
        // Every page created, then docking until each shows the pen.
        for (int p = 0; p < sheet.PageCount(); ++p)
            sheet.SelectPage(p);
        sheet.SelectPage(L"Accesos directos a la dirección");
        const ui::ListView shortcuts(sheet.CurrentPage(), IDC_SHORTCUT_LIST);
        sheet.SelectPage(L"Acerca de");
        const ui::ListView about(sheet.CurrentPage(), IDC_VERSION_LIST);
        sheet.SelectPage(0);
        auto allShown = [&] {
            return battery.Text() != ui::kNoPenText && name.Text() == owner && shortcuts.Count() > 0 &&
                   !shortcuts.Text(shortcuts.Count() - 1, 1).empty() && about.Count() > 19;
        };
        for (int i = 0; i < kReloads; ++i) {
            control->Undock(pen.Get());
            if (!ui::WaitUntil([&] { return battery.Text() == ui::kNoPenText && about.Count() == 19; }))
                return fail("undocking not shown on every page");
            const size_t callsBefore = CallLog(control.Get()).size();
            sink.dockedAt = 0;
            control->Dock(pen.Get());
            if (!sink.dockedAt)
                return fail("no PenDocked event");
            while (battery.Text() == ui::kNoPenText && BenchNow() - sink.dockedAt < 5000)
                Sleep(1);
            reloadStatus.samples.push_back(BenchNow() - sink.dockedAt);
            while (!allShown() && BenchNow() - sink.dockedAt < 5000)
                Sleep(1);
            reloadAll.samples.push_back(BenchNow() - sink.dockedAt);
            // What one reload asks of the pen manager, by interface.
            const std::vector<std::string> calls = CallLog(control.Get());
            if (i == 0)
                for (size_t c = callsBefore; c < calls.size(); ++c)
                    ++reloadCalls[calls[c].substr(0, calls[c].find("::"))];
        }
    }

    // Service log loads.
    std::map<int, Figures> loads, reads;
    for (int items : {10, 100, 1000}) {
        if (!want("log"))
            break;
        Bstr path(std::wstring(L"/pens/") + kPen + L"/outbox");
        Bstr json(OutboxJson(items));
        if (FAILED(control->SetJson(path.Get(), json.Get())))
            return fail("outbox not set");
        for (int i = 0; i < 2; ++i)
            reads[items].samples.push_back(ReadOutbox(kPen));
        for (int i = 0; i < kLogLoads; ++i) {
            double start = BenchNow();
            sheet.Item(IDC_PEN_HISTORY).Click(); // returns once the log is shown and filled
            HWND log = ui::FindDialog(app.Pid(), ui::kServiceLogCaption);
            ui::ListView list(log, IDC_HISTORY_LIST);
            if (!log || !ui::WaitUntil([&] { return list.Count() == items; }, 20000))
                return fail("service log not filled");
            loads[items].samples.push_back(BenchNow() - start);
            ui::Post(log, WM_CLOSE); // hides it: the sheet is open
            ui::WaitUntil([&] { return !IsWindowVisible(log); });
        }
    }
    point->Unadvise(cookie);
    PostMessageW(app.FindTopWindow(ui::kFrameClass), WM_CLOSE, 0, 0);
    app.WaitExit(10000);

    double ratio = quillpad.median() / bare.median();
    std::string reloadCallsJson;
    for (const auto& [interfaceName, count] : reloadCalls)
        reloadCallsJson +=
            (reloadCallsJson.empty() ? "\"" : ", \"") + interfaceName + "\": " + std::to_string(count);
    double perItem10 = loads[10].median() / 10, perItem1000 = loads[1000].median() / 1000;
    FILE* out = fopen(argv[1], "w");
    if (!out)
        return fail("can't write the figures");
    fprintf(out,
            "{\n  \"round_trip_ms\": %s,\n  \"startup_ms\": {\"quillpad\": %s, \"bare_sheet\": %s, "
            "\"ratio_of_medians\": %.2f, "
            "\"goal_ratio\": 1.3},\n"
            "  \"dock_to_status_ms\": {\"figures\": %s, \"goal_median\": 30, \"goal_p95\": 60, "
            "\"stand_in_dock_call\": %s},\n"
            "  \"about_fill_on_dock_ms\": {\"figures\": %s, \"goal_median\": 50},\n"
            "  \"details_apply_one_field\": {\"ms\": %s, \"goal_ms\": 20, \"pen_calls\": [%s]},\n"
            "  \"dock_with_every_page_ms\": {\"status\": %s, \"goal_status_median\": 30, \"all_pages\": %s, "
            "\"goal_all_median\": 100, \"pen_calls_of_one_reload\": {%s}, "
            "\"shortcuts_and_details_read_without_window\": %s},\n"
            "  \"service_log_load_ms\": {\"10\": %s, \"100\": %s, \"1000\": %s, \"ms_per_item_10\": %.3f, "
            "\"ms_per_item_1000\": %.3f, \"goal_1000\": 1000},\n"
            "  \"outbox_read_without_window_ms\": {\"10\": %s, \"100\": %s, \"1000\": %s}\n}\n",
            roundTrip.json().c_str(), quillpad.json().c_str(), bare.json().c_str(), ratio,
            docking.json().c_str(), dockCall.json().c_str(), aboutFill.json().c_str(),
            detailsApply.json().c_str(), applyCalls.c_str(), reloadStatus.json().c_str(),
            reloadAll.json().c_str(), reloadCallsJson.c_str(), detailsRead.json().c_str(),
            loads[10].json().c_str(), loads[100].json().c_str(), loads[1000].json().c_str(), perItem10,
            perItem1000, reads[10].json().c_str(), reads[100].json().c_str(), reads[1000].json().c_str());
    fclose(out);
    if (want("details"))
        ui::ShowInternetSettings(0);
    control.Reset();
    CoUninitialize();
    return 0;
}
