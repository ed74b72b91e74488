// sheet_bench OUT.json [PARTS [BEFORE.json]]: how fast the panel is for its user, on the
// real Quillpad.exe with the real stand-in. Times that consist of pen manager calls are
// set against those calls: their number (the stand-in's call log) times one round trip,
// sampled beside each timed sample (the machine's load drifts over a run), and against
// the same calls made by the bench itself with no window (PanelCalls), sampled beside
// them too: a call that hands out an object costs several round trips, so the second is
// what the calls cost. Each ratio is written beside its goal and a met flag.
// - start-up: from starting the program to its sheet being visible with a page, beside
//   BareSheet.exe, a bare comctl32 property sheet, in alternating runs; then, in runs of
//   their own with a log reader attached, when each start-up phase's line arrives (the
//   reader's own cost is in those runs only) and when the window system first holds the
//   frame, the sheet and its page; Quillpad's extra time is told per stretch between them;
// - docking: from the stand-in docking the pen (control interface) to the Status page's
//   battery line changing;
// - About page: from the stand-in docking the pen to the page's list holding the pen's
//   rows beside the 19 file versions;
// - Details page: one Apply that changes one field (its time and the pen calls it makes;
//   pressing Apply on the bare sheet is added to the windowless calls), and docking with every page of the sheet created: from the event to the Status
//   page's line and to every page showing the pen;
// - idle: the panel's processor time over a few quiet seconds, and its memory;
// - service log: from pressing "Registro de servicio..." to the list holding every row,
//   for outboxes of 10, 100 and 1000 requests.
// Waiting for the panel reads what the window system keeps for it (window texts of
// static controls, enabled states) where a control has it, so that the wait sends the
// panel no message while it reloads; list views are asked only once everything else
// shows. The reload is also measured the old way (five controls asked every millisecond)
// to show what asking costs. BEFORE.json, when given, is written back beside the figures.
#include <windows.h>
#include <ole2.h>
#include <commctrl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Figures.h"
#include "ui/baresheet/BareSheetIds.h"
#include "PanelCalls.h"
#include "kit/EventSink.h"
#include "framework/Bstr.h"
#include "pen/PenManager.h"
#include "ui/driver/Driver.h"

using Microsoft::WRL::ComPtr;

namespace {
const wchar_t kBareCaption[] = L"Hoja de propiedades";
const wchar_t kPen[] = L"AAA-BBB-CCC-DD";
constexpr int kStartPairs = 16;
constexpr int kDockings = 50;
constexpr int kAboutFills = 20;
constexpr int kLogLoads = 3;
constexpr int kApplies = 20;
constexpr int kReloads = 20;
constexpr int kPhaseRuns = 5;
constexpr double kIdleMs = 3000;

// Goals: a ratio of medians, or of a median to its pen calls times one round trip.
constexpr double kStartupGoal = 1.25;
constexpr double kReloadGoal = 1.5;
constexpr double kAboutGoal = 1.5;
constexpr double kApplyGoal = 2.0;
constexpr double kStatusGoal = 2.0;

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

// Ends a program the bench started, as the system would (the bare sheet has no frame).
void Close(Process& app, HWND sheet) {
    if (HWND frame = app.FindTopWindow(ui::kFrameClass))
        PostMessageW(frame, WM_CLOSE, 0, 0);
    else if (sheet)
        ui::Control(sheet, IDCANCEL).PostClick();
    if (!app.WaitExit(10000))
        app.Kill();
}

// Start to visible sheet in ms, -1 on failure; the program is closed again.
double StartOnce(const wchar_t* exe, const wchar_t* caption) {
    Process app;
    double start = BenchNow();
    if (!app.Start(exe))
        return -1;
    HWND sheet = WaitSheet(app.Pid(), caption);
    double took = BenchNow() - start;
    Close(app, sheet);
    return sheet ? took : -1;
}

// Apply pressed on the bare sheet after a choice in its combo box (the page marked
// changed, as a page does): what pressing Apply costs a sheet with no page work behind it.
Figures BareApply(int times) {
    Figures took;
    Process app;
    if (!app.Start(L"BareSheet.exe"))
        return took;
    ui::Sheet sheet(WaitSheet(app.Pid(), kBareCaption));
    if (sheet && sheet.SelectPage(1)) {
        const HWND page = sheet.CurrentPage();
        const ui::Control choice(page, IDC_CHOICE);
        for (int i = 0; i < times; ++i) {
            choice.Select(i % 2);
            SendMessageW(sheet.Hwnd(), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
            const double start = BenchNow();
            sheet.Button(ui::Sheet::kApply).Click();
            took.samples.push_back(BenchNow() - start);
        }
    }
    Close(app, sheet.Hwnd());
    return took;
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

// One method round trip to the pen manager, as the pages pay it for every value: the
// mean of `calls` of them.
double RoundTripMs(IPen* pen, int calls) {
    const double start = BenchNow();
    for (int i = 0; i < calls; ++i) {
        VARIANT_BOOL locked;
        pen->IsLocked(&locked);
    }
    return (BenchNow() - start) / calls;
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

// What the window system keeps for a window of another process, read without a message
// to it: the text of a static control, whether a control is enabled.
std::wstring ServerText(HWND hwnd) {
    wchar_t text[512] = {};
    const int length = InternalGetWindowText(hwnd, text, 512);
    return std::wstring(text, static_cast<size_t>(length > 0 ? length : 0));
}

// Polls done() every millisecond until it holds; the time it held, or -1 after timeoutMs.
template <class Condition> double PollUntil(Condition&& done, double since, double timeoutMs = 5000) {
    while (!done()) {
        if (BenchNow() - since > timeoutMs)
            return -1;
        Sleep(1);
    }
    return BenchNow();
}

// The pen manager calls the stand-in served after the first `from` of its log, by
// interface, without the bench's own control calls; when `upTo` is given, only up to the
// last call of that interface (what came before the measured control changed).
std::map<std::string, int> CallsSince(const std::vector<std::string>& calls, size_t from,
                                      const char* upTo = nullptr) {
    size_t end = calls.size();
    if (upTo) {
        while (end > from && calls[end - 1].rfind(upTo, 0) != 0)
            --end;
    }
    std::map<std::string, int> byInterface;
    for (size_t c = from; c < end; ++c) {
        const std::string name = calls[c].substr(0, calls[c].find("::"));
        if (name != "IPenManagerControl")
            ++byInterface[name];
    }
    return byInterface;
}

int Total(const std::map<std::string, int>& calls) {
    int total = 0;
    for (const auto& [name, count] : calls)
        total += count;
    return total;
}

std::string CallsJson(const std::map<std::string, int>& calls) {
    std::string json;
    for (const auto& [name, count] : calls)
        json += (json.empty() ? "\"" : ", \"") + name + "\": " + std::to_string(count);
    return "{" + json + "}";
}

// A measured time against what its pen calls cost: their number times the round trip
// measured beside it (the machine's load drifts over a run: each section samples its
// own round trips), and the same calls made by the bench with no window, sampled beside
// it too (`same` tells whether they were the same calls, by interface).
// Where the action also costs every property sheet something (pressing Apply), what it
// costs the bare sheet is added to the windowless calls (`bareSheet`).
struct Floors {
    Figures roundTrip, withoutWindow, bareSheet;
    std::map<std::string, int> windowlessCalls;
};
double Ratio(double medianMs, double floorMs) {
    return floorMs > 0 && medianMs >= 0 ? medianMs / floorMs : -1;
}
std::string RatioJson(double medianMs, const std::map<std::string, int>& calls, const Floors& floors,
                      double goal) {
    const double floor = Total(calls) * floors.roundTrip.median();
    const double bare = floors.bareSheet.samples.empty() ? 0 : floors.bareSheet.median();
    const double ratio = Ratio(medianMs, floor), windowless = Ratio(medianMs, floors.withoutWindow.median() + bare);
    char text[700];
    snprintf(text, sizeof text,
             "{\"median_ms\": %.2f, \"pen_calls\": %d, \"round_trip_ms\": %.3f, \"calls_x_round_trip_ms\": %.2f, "
             "\"ratio\": %.2f, \"goal_ratio\": %.2f, \"met\": %s,\n      \"same_calls_without_window_ms\": %.2f, "
             "\"plus_bare_sheet_ms\": %.2f, \"same_calls\": %s, \"ratio_to_same_calls\": %.2f, "
             "\"met_against_same_calls\": %s}",
             medianMs, Total(calls), floors.roundTrip.median(), floor, ratio, goal,
             ratio >= 0 && ratio <= goal ? "true" : "false", floors.withoutWindow.median(), bare,
             floors.windowlessCalls.empty() ? "null" : floors.windowlessCalls == calls ? "true" : "false",
             windowless, windowless >= 0 && windowless <= goal ? "true" : "false");
    return text;
}

// The start-up phases: the line that marks each in Quillpad's log and in the bare
// sheet's (null: the bare sheet has no such phase).
struct Phase {
    const char* name;
    const char* quillpadLine;
    const char* bareLine;
};
constexpr Phase kPhases[] = {
    {"entry_point", "-->(Application::InitInstance)", "BareSheet: entry"},
    {"com_apartment", "<--(CoInit::CoInit)", nullptr},
    {"frame", "-->(Quillpad::OnCreate)", nullptr},
    {"sheet_created", "-->(SettingsSheet::OnInitDialog)", "BareSheet: sheet created"},
    {"pages_created", "<--(StatusPage::OnInitDialog)", "BareSheet: page created"},
    {"first_paint_done", "-->(StatusPage::CreateHistory)", "BareSheet: painted"},
};
constexpr size_t kPhaseCount = std::size(kPhases);

// One start with the log reader: when each phase's line arrived (from the start, -1 when
// it did not) and how many lines of the process came before it; the sheet's visibility
// last. The log's lines reach the reader late once the program writes them on a thread
// of its own: the windows' times, which the window system holds at once, come beside.
enum WindowPhase { kFrameWindow, kSheetWindow, kPageWindow, kWindowPhases };
const char* const kWindowPhaseNames[] = {"frame_window", "sheet_window", "page_window"};
struct PhaseRun {
    double atMs[kPhaseCount + 1];
    int lines[kPhaseCount + 1];
    double windowMs[kWindowPhases];
};

// Waits for the visible sheet like WaitSheet, noting when the window system first holds
// the frame, the sheet and its first page, asked without a message to the program.
HWND WatchWindows(DWORD pid, const wchar_t* caption, double start, PhaseRun& run) {
    for (double& at : run.windowMs)
        at = -1;
    const double deadline = BenchNow() + 20000;
    while (BenchNow() < deadline) {
        const double now = BenchNow() - start;
        if (run.windowMs[kFrameWindow] < 0 && !ui::TopWindows(pid, ui::kFrameClass).empty())
            run.windowMs[kFrameWindow] = now;
        for (HWND hwnd : ui::TopWindows(pid, L"#32770")) {
            if (ServerText(hwnd) != caption)
                continue;
            if (run.windowMs[kSheetWindow] < 0)
                run.windowMs[kSheetWindow] = now;
            if (run.windowMs[kPageWindow] < 0 && FindWindowExW(hwnd, nullptr, L"#32770", nullptr))
                run.windowMs[kPageWindow] = now;
            if (IsWindowVisible(hwnd) && SendMessageW(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0))
                return hwnd;
        }
        Sleep(1);
    }
    return nullptr;
}

bool StartWithPhases(DebugLog& log, const wchar_t* exe, const wchar_t* caption, bool bare, PhaseRun& run) {
    const size_t before = log.Lines().size();
    Process app;
    const double start = BenchNow();
    if (!app.Start(exe))
        return false;
    HWND sheet = WatchWindows(app.Pid(), caption, start, run);
    const double visible = BenchNow();
    // The last phase comes after painting: wait for it before the program closes.
    const char* last = bare ? kPhases[kPhaseCount - 1].bareLine : kPhases[kPhaseCount - 1].quillpadLine;
    log.WaitFor(app.Pid(), last, std::chrono::seconds(5));
    const std::vector<DebugLog::Line> lines = log.Lines();
    for (size_t p = 0; p < kPhaseCount; ++p) {
        run.atMs[p] = -1;
        run.lines[p] = 0;
        const char* marker = bare ? kPhases[p].bareLine : kPhases[p].quillpadLine;
        int count = 0;
        for (size_t l = before; marker && l < lines.size(); ++l) {
            if (lines[l].pid != app.Pid())
                continue;
            ++count;
            if (lines[l].text.find(marker) != std::string::npos) {
                run.atMs[p] = lines[l].receivedMs - start;
                run.lines[p] = count;
                break;
            }
        }
    }
    run.atMs[kPhaseCount] = visible - start;
    run.lines[kPhaseCount] = 0;
    Close(app, sheet);
    return sheet != nullptr;
}

// Per phase: the median arrival and line count over the runs.
std::string PhasesJson(const std::vector<PhaseRun>& runs, bool bare) {
    std::string json;
    for (size_t p = 0; p <= kPhaseCount; ++p) {
        const bool known = p == kPhaseCount || (bare ? kPhases[p].bareLine : kPhases[p].quillpadLine);
        Figures at, lines;
        for (const PhaseRun& run : runs) {
            at.samples.push_back(run.atMs[p]);
            lines.samples.push_back(run.lines[p]);
        }
        char item[200];
        if (!known)
            snprintf(item, sizeof item, "\"%s\": null", kPhases[p].name);
        else
            snprintf(item, sizeof item, "\"%s\": {\"at_ms\": %.1f, \"log_lines_before\": %.0f}",
                     p == kPhaseCount ? "sheet_visible" : kPhases[p].name, at.median(), lines.median());
        json += (json.empty() ? "" : ", ") + std::string(item);
    }
    for (int w = 0; w < kWindowPhases; ++w) {
        Figures at;
        for (const PhaseRun& run : runs)
            at.samples.push_back(run.windowMs[w]);
        char item[120];
        snprintf(item, sizeof item, ", \"%s\": {\"at_ms\": %.1f}", kWindowPhaseNames[w], at.median());
        json += item;
    }
    return "{" + json + "}";
}

// Where Quillpad's extra time goes: for each stretch between two moments both programs
// have (the windows as the window system holds them, the sheet visible with its page),
// how much longer Quillpad takes over it.
std::string ExtraJson(const std::vector<PhaseRun>& ours, const std::vector<PhaseRun>& theirs) {
    auto median = [](const std::vector<PhaseRun>& runs, int moment) {
        Figures f;
        for (const PhaseRun& run : runs)
            f.samples.push_back(moment < kWindowPhases ? run.windowMs[moment] : run.atMs[kPhaseCount]);
        return f.median();
    };
    const int moments[] = {kSheetWindow, kPageWindow, kWindowPhases};
    const char* const names[] = {"sheet_window", "page_window", "sheet_visible"};
    std::string json, from = "process_start";
    double ourPrevious = 0, theirPrevious = 0;
    for (int m = 0; m < 3; ++m) {
        const double ourAt = median(ours, moments[m]), theirAt = median(theirs, moments[m]);
        char item[200];
        snprintf(item, sizeof item, "\"%s_to_%s\": %.1f", from.c_str(), names[m],
                 (ourAt - ourPrevious) - (theirAt - theirPrevious));
        json += (json.empty() ? "" : ", ") + std::string(item);
        ourPrevious = ourAt;
        theirPrevious = theirAt;
        from = names[m];
    }
    return "{" + json + "}";
}

// The Linux process that runs the panel under Wine: its command line is the program's
// Windows path. Wine does not count a process's processor time for others
// (GetProcessTimes answers 0), Linux does, and Wine shows Linux's files on drive Z:.
std::string LinuxStatOf(const std::wstring& exePath) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    const std::string wanted(exePath.begin(), exePath.end()); // the build's path is ASCII
    std::string stat;
    do {
        if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9')
            continue;
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName;
        std::string cmdline = ReadFileText(std::string(dir.begin(), dir.end()).append("\\cmdline").c_str());
        cmdline = cmdline.substr(0, cmdline.find('\0'));
        if (_stricmp(cmdline.c_str(), wanted.c_str()) == 0) {
            stat = std::string(dir.begin(), dir.end()).append("\\stat");
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return stat;
}

// User and system time of a Linux process, in ms (from its stat file; -1 when unknown).
double LinuxCpuMs(const std::string& statPath) {
    const std::string stat = ReadFileText(statPath.c_str());
    const size_t close = stat.rfind(')'); // the name may hold blanks
    if (stat.empty() || close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::stoull(field);
        if (i == 15)
            system = std::stoull(field);
    }
    return static_cast<double>(user + system) * 10.0; // 100 clock ticks a second
}

// The panel's processor time over a quiet while (ms per second) and its memory (MB).
void MeasureIdle(DWORD pid, double& cpuMsPerSecond, double& workingSetMb) {
    cpuMsPerSecond = workingSetMb = -1;
    const std::string stat = LinuxStatOf(Process::BinDir() + L"\\Quillpad.exe");
    const double cpuBefore = LinuxCpuMs(stat), start = BenchNow();
    Sleep(static_cast<DWORD>(kIdleMs));
    const double cpuAfter = LinuxCpuMs(stat);
    if (cpuBefore >= 0 && cpuAfter >= 0)
        cpuMsPerSecond = (cpuAfter - cpuBefore) / ((BenchNow() - start) / 1000.0);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return;
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process, &memory, sizeof memory))
        workingSetMb = static_cast<double>(memory.WorkingSetSize) / (1024.0 * 1024.0);
    CloseHandle(process);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4)
        return fail("usage: sheet_bench OUT.json [startup,dock,about,details,idle,log [BEFORE.json]]");
    std::string parts = argc >= 3 ? argv[2] : "startup,dock,about,details,idle,log";
    auto want = [&](const char* part) { return parts.find(part) != std::string::npos; };
    const std::string before = argc == 4 ? ReadFileText(argv[3]) : "";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IPenManagerControl> control;
    if (FAILED(
            CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control))))
        return fail("no pen manager stand-in");

    // Round trips: five long samples first, then short ones beside each timed sample,
    // while the panel is idle.
    ComPtr<IPenManager> rtManager;
    ComPtr<IPen> rtPen;
    Bstr rtId(kPen);
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&rtManager))) ||
        FAILED(rtManager->GetPen(rtId.Get(), &rtPen)))
        return fail("no pen for round trips");
    Figures roundTrip;
    for (int i = 0; i < 5; ++i)
        roundTrip.samples.push_back(RoundTripMs(rtPen.Get(), 500));
    auto sampleRoundTrip = [&](Figures& into) { into.samples.push_back(RoundTripMs(rtPen.Get(), 20)); };
    Floors statusFloors, aboutFloors, applyFloors, reloadFloors;
    PanelCalls panelCalls(kPen);
    // One sample of the same calls without a window; the first also says which calls they
    // were, when `compare` (the Apply's own set-up calls would not compare).
    auto sampleWithoutWindow = [&](Floors& into, auto&& calls, bool compare = true) {
        const size_t before = CallLog(control.Get()).size();
        into.withoutWindow.samples.push_back(calls());
        if (compare && into.windowlessCalls.empty())
            into.windowlessCalls = CallsSince(CallLog(control.Get()), before);
    };

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
    // The phases, with a log reader attached (which each log line then costs).
    std::vector<PhaseRun> ourPhases, barePhases;
    if (want("startup")) {
        DebugLog log;
        if (!log.IsListening())
            return fail("no log reader");
        for (int i = 0; i < kPhaseRuns; ++i) {
            PhaseRun ours{}, theirs{};
            if (!StartWithPhases(log, L"Quillpad.exe", ui::kSheetCaption, false, ours) ||
                !StartWithPhases(log, L"BareSheet.exe", kBareCaption, true, theirs))
                return fail("a sheet did not show (phases)");
            ourPhases.push_back(ours);
            barePhases.push_back(theirs);
        }
    }

    Process app;
    if (!app.Start(L"Quillpad.exe"))
        return fail("Quillpad.exe did not start");
    ui::Sheet sheet(WaitSheet(app.Pid(), ui::kSheetCaption));
    if (!sheet)
        return fail("no sheet");
    ui::Control battery = sheet.Item(IDC_BATTERY);
    const HWND batteryHwnd = GetDlgItem(sheet.CurrentPage(), IDC_BATTERY);
    auto penShown = [&] {
        const std::wstring text = ServerText(batteryHwnd);
        return !text.empty() && text != ui::kNoPenText;
    };
    auto noPenShown = [&] { return ServerText(batteryHwnd) == ui::kNoPenText; };
    Bstr pen(kPen);

    // Docking to the battery line, from the event (the stand-in first saves the pen).
    ComPtr<IPenManager> manager;
    DockedSink sink;
    DWORD cookie = 0;
    ComPtr<IConnectionPoint> point;
    if (FAILED(CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager))) ||
        !(point = AdviseEvents(manager.Get(), &sink, cookie)))
        return fail("can't listen to the pen manager");
    // Docks the pen and returns once the event reached the bench's sink, with the call log's
    // length before. The stand-in delivers events from a thread of its own, after Dock has
    // returned: the sink's call comes in through this apartment's messages.
    auto dock = [&](size_t& callsBefore) {
        callsBefore = CallLog(control.Get()).size();
        sink.dockedAt = 0;
        control->Dock(pen.Get());
        const double deadline = BenchNow() + 5000;
        while (!sink.dockedAt && BenchNow() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        return sink.dockedAt != 0;
    };
    Figures docking, dockCall;
    std::map<std::string, int> statusCalls;
    for (int i = 0; want("dock") && i < kDockings; ++i) {
        control->Undock(pen.Get());
        if (!ui::WaitUntil(noPenShown))
            return fail("undocking not shown");
        size_t callsBefore = 0;
        double call = BenchNow();
        if (!dock(callsBefore))
            return fail("no PenDocked event");
        dockCall.samples.push_back(BenchNow() - call);
        const double shown = PollUntil(penShown, sink.dockedAt);
        if (shown < 0)
            return fail("docking not shown");
        docking.samples.push_back(shown - sink.dockedAt);
        Sleep(20); // the rest of the reload
        sampleRoundTrip(statusFloors.roundTrip);
        // Counted on the last docking: the first meets the monitor's own start.
        if (i == kDockings - 1) {
            Sleep(200); // the rest of the reload
            statusCalls = CallsSince(CallLog(control.Get()), callsBefore, "IBatteryStatus::");
        }
        if (i % 5 == 4)
            sampleWithoutWindow(statusFloors, [&] { return panelCalls.Docking(PanelCalls::Pages::Status); });
    }

    // Idle: the panel with its pen shown and nothing to do.
    double idleCpu = -1, workingSet = -1;
    if (want("idle"))
        MeasureIdle(app.Pid(), idleCpu, workingSet);

    // About page: the list rebuilt on docking (pen values and 19 version lookups).
    Figures aboutFill;
    std::map<std::string, int> aboutCalls;
    if (want("about") && sheet.SelectPage(L"Acerca de")) {
        const ui::ListView list(sheet.CurrentPage(), IDC_VERSION_LIST);
        for (int i = 0; i < kAboutFills; ++i) {
            control->Undock(pen.Get());
            if (!ui::WaitUntil([&] { return noPenShown() && list.Count() == 19; }))
                return fail("About page: undocking not shown");
            size_t callsBefore = 0;
            if (!dock(callsBefore))
                return fail("no PenDocked event");
            // Asked only once the Status page shows the pen.
            const double filled = PollUntil([&] { return penShown() && list.Count() > 19; }, sink.dockedAt);
            if (filled < 0)
                return fail("About page: docking not shown");
            aboutFill.samples.push_back(filled - sink.dockedAt);
            // The time waited for the Status line too, which the sheet reloads after
            // this page: its calls count as well.
            if (i == kAboutFills - 1) {
                Sleep(200);
                aboutCalls = CallsSince(CallLog(control.Get()), callsBefore, "IBatteryStatus::");
            }
            sampleRoundTrip(aboutFloors.roundTrip);
            sampleWithoutWindow(aboutFloors, [&] { return panelCalls.Docking(PanelCalls::Pages::StatusAndAbout); });
        }
        sheet.SelectPage(0);
    }

    // Details page: Apply with the time zone changed, alternating between two zones.
    Figures detailsApply, reloadStatus, reloadAll, reloadAllAsked;
    std::map<std::string, int> reloadCalls, applyCallsByInterface;
    std::string applyCalls, reloadOrder;
    if (want("details"))
        applyFloors.bareSheet = BareApply(kApplies);
    if (want("details") && sheet.SelectPage(L"Detalles personales")) {
        const HWND details = sheet.CurrentPage();
        const ui::Control zone(details, IDC_DETAILS_TIME_ZONE), name(details, IDC_DETAILS_NAME);
        const HWND nameHwnd = GetDlgItem(details, IDC_DETAILS_NAME);
        if (!ui::WaitUntil([&] { return zone.IsEnabled(); }))
            return fail("Details page: no pen shown");
        const std::wstring owner = name.Text();
        for (int i = 0; i < kApplies; ++i) {
            zone.Select(i % 2 ? 14 : 15);
            const size_t callsBefore = CallLog(control.Get()).size();
            const double start = BenchNow();
            sheet.Button(ui::Sheet::kApply).Click(); // returns once applied
            detailsApply.samples.push_back(BenchNow() - start);
            if (i == 0) {
                const std::vector<std::string> calls = CallLog(control.Get());
                for (size_t c = callsBefore; c < calls.size(); ++c)
                    applyCalls += (applyCalls.empty() ? "\"" : ", \"") + calls[c] + "\"";
                applyCallsByInterface = CallsSince(calls, callsBefore);
            }
            sampleRoundTrip(applyFloors.roundTrip); // after the log is read: its calls are the bench's
            sampleWithoutWindow(applyFloors, [&] { return panelCalls.ApplyTimeZone(); }, false);
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
        // What the window system holds: the Status line, the Details fields and the
        // Shortcuts list are enabled with a pen; the About list is asked last.
        auto allShownQuietly = [&] {
            return penShown() && IsWindowEnabled(nameHwnd) && IsWindowEnabled(shortcuts.Hwnd()) &&
                   about.Count() > 19;
        };
        for (int i = 0; i < 2 * kReloads; ++i) {
            control->Undock(pen.Get());
            if (!ui::WaitUntil([&] {
                    return noPenShown() && !IsWindowEnabled(nameHwnd) && !IsWindowEnabled(shortcuts.Hwnd()) &&
                           about.Count() == 19;
                }))
                return fail("undocking not shown on every page");
            size_t callsBefore = 0;
            if (!dock(callsBefore))
                return fail("no PenDocked event");
            if (i % 2 == 0) {
                const double status = PollUntil(penShown, sink.dockedAt);
                const double all = PollUntil(allShownQuietly, sink.dockedAt);
                if (status < 0 || all < 0 || !ui::WaitUntil(allShown))
                    return fail("docking not shown on every page");
                reloadStatus.samples.push_back(status - sink.dockedAt);
                reloadAll.samples.push_back(all - sink.dockedAt);
                sampleRoundTrip(reloadFloors.roundTrip);
                sampleWithoutWindow(reloadFloors, [&] { return panelCalls.Docking(PanelCalls::Pages::Every); });
            } else {
                // The old way: every control asked every millisecond.
                const double all = PollUntil(allShown, sink.dockedAt);
                if (all < 0)
                    return fail("docking not shown on every page");
                reloadAllAsked.samples.push_back(all - sink.dockedAt);
            }
            // What one reload asks of the pen manager, by interface.
            if (i == 2 * kReloads - 1) {
                Sleep(200);
                const std::vector<std::string> calls = CallLog(control.Get());
                reloadCalls = CallsSince(calls, callsBefore);
                for (size_t c = callsBefore; c < calls.size(); ++c)
                    reloadOrder += (reloadOrder.empty() ? "\"" : ", \"") + calls[c] + "\"";
            }
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
            reads[items].samples.push_back(panelCalls.ServiceLog());
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

    const double startupRatio = quillpad.median() / bare.median();
    // Met against calls times round trips, and against the same calls without a window.
    bool allMet[2] = {startupRatio <= kStartupGoal, startupRatio <= kStartupGoal};
    auto met = [&](double median, const std::map<std::string, int>& calls, const Floors& floors, double goal) {
        const double bare = floors.bareSheet.samples.empty() ? 0 : floors.bareSheet.median();
        const double ratios[2] = {Ratio(median, Total(calls) * floors.roundTrip.median()),
                                  Ratio(median, floors.withoutWindow.median() + bare)};
        for (int f = 0; f < 2; ++f)
            allMet[f] = allMet[f] && ratios[f] >= 0 && ratios[f] <= goal;
    };
    met(docking.median(), statusCalls, statusFloors, kStatusGoal);
    met(aboutFill.median(), aboutCalls, aboutFloors, kAboutGoal);
    met(detailsApply.median(), applyCallsByInterface, applyFloors, kApplyGoal);
    met(reloadAll.median(), reloadCalls, reloadFloors, kReloadGoal);
    double perItem10 = loads[10].median() / 10, perItem1000 = loads[1000].median() / 1000;
    FILE* out = fopen(argv[1], "w");
    if (!out)
        return fail("can't write the figures");
    fprintf(out,
            "{\n  \"round_trip_ms\": %s,\n"
            "  \"startup_ms\": {\"quillpad\": %s, \"bare_sheet\": %s, \"ratio_of_medians\": %.2f, "
            "\"goal_ratio\": %.2f, \"met\": %s},\n"
            "  \"startup_phases_with_log_reader\": {\"runs\": %d, \"quillpad\": %s,\n"
            "    \"bare_sheet\": %s,\n    \"quillpad_extra_ms\": %s},\n"
            "  \"dock_to_status_ms\": {\"figures\": %s, \"stand_in_dock_call\": %s, \"pen_calls\": %s,\n"
            "    \"vs_pen_calls\": %s},\n"
            "  \"about_fill_on_dock_ms\": {\"figures\": %s, \"pen_calls\": %s,\n    \"vs_pen_calls\": %s},\n"
            "  \"details_apply_one_field\": {\"ms\": %s, \"pen_calls\": [%s],\n    \"vs_pen_calls\": %s},\n"
            "  \"dock_with_every_page_ms\": {\"status\": %s, \"all_pages\": %s,\n"
            "    \"all_pages_asking_every_control_every_ms\": %s, \"pen_calls_of_one_reload\": %s,\n"
            "    \"one_reload_in_order\": [%s],\n"
            "    \"vs_pen_calls\": %s},\n"
            "  \"idle\": {\"cpu_ms_per_s\": %.2f, \"working_set_mb\": %.1f},\n"
            "  \"service_log_load_ms\": {\"10\": %s, \"100\": %s, \"1000\": %s, \"ms_per_item_10\": %.3f, "
            "\"ms_per_item_1000\": %.3f, \"goal_1000\": 1000},\n"
            "  \"outbox_read_without_window_ms\": {\"10\": %s, \"100\": %s, \"1000\": %s},\n"
            "  \"goals_met\": %s,\n  \"goals_met_against_same_calls_without_window\": %s,\n"
            "  \"before\": %s\n}\n",
            roundTrip.json().c_str(), quillpad.json().c_str(), bare.json().c_str(), startupRatio, kStartupGoal,
            startupRatio <= kStartupGoal ? "true" : "false", kPhaseRuns, PhasesJson(ourPhases, false).c_str(),
            PhasesJson(barePhases, true).c_str(), ExtraJson(ourPhases, barePhases).c_str(),
            docking.json().c_str(), dockCall.json().c_str(), CallsJson(statusCalls).c_str(),
            RatioJson(docking.median(), statusCalls, statusFloors, kStatusGoal).c_str(), aboutFill.json().c_str(),
            CallsJson(aboutCalls).c_str(), RatioJson(aboutFill.median(), aboutCalls, aboutFloors, kAboutGoal).c_str(),
            detailsApply.json().c_str(), applyCalls.c_str(),
            RatioJson(detailsApply.median(), applyCallsByInterface, applyFloors, kApplyGoal).c_str(),
            reloadStatus.json().c_str(), reloadAll.json().c_str(), reloadAllAsked.json().c_str(),
            CallsJson(reloadCalls).c_str(), reloadOrder.c_str(), RatioJson(reloadAll.median(), reloadCalls, reloadFloors, kReloadGoal).c_str(), idleCpu,
            workingSet, loads[10].json().c_str(),
            loads[100].json().c_str(), loads[1000].json().c_str(), perItem10, perItem1000,
            reads[10].json().c_str(), reads[100].json().c_str(), reads[1000].json().c_str(), allMet[0] ? "true" : "false", allMet[1] ? "true" : "false",
            before.empty() ? "null" : before.c_str());
    fclose(out);
    if (want("details"))
        ui::ShowInternetSettings(0);
    control.Reset();
    CoUninitialize();
    return 0;
}
