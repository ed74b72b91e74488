// chaos tour IDL | chaos random SECONDS: make chaos's driver, acting on Quillpad.exe
// through the ui driver as a user would.
//   tour    every pen manager method a full tour calls (the stand-in's call log, checked
//           against the IDL) fails in turn while the same tour runs again: the panel lives,
//           logs the failure, tells a failed write once per Apply or OK, and writes nothing
//           the tour did not ask for.
//   random  seeded random clicks, typing, tabs, Apply/OK/Cancel, dialogs, pen docked,
//           undocked, locked, the stand-in killed and restarted; the sheet must answer a
//           message within 5 s throughout. CHAOS_SEED replays a run.
// Findings go to stderr, one line each; the exit code is their number (at most 100).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "StandIn.h"
#include "ui/driver/Driver.h"

namespace {

constexpr HRESULT kInjected = static_cast<HRESULT>(0x80004005);
constexpr const char* kInjectedText = "(0x80004005)";
int findings = 0;

void finding(const std::string& text) {
    ++findings;
    std::fprintf(stderr, "chaos: FINDING %s\n", text.c_str());
    std::fflush(stderr);
}

bool isWrite(const std::string& method) {
    const std::string name = method.substr(method.find("::") + 2);
    for (const char* verb : {"Set", "Remove", "Change", "Unregister", "Delete"})
        if (name.rfind(verb, 0) == 0)
            return true;
    return false;
}

// Reads of one value whose failure the pages show (a placeholder, a 0, a row left out)
// without a log line, as they are meant to; a failed read of an object or a count, and
// every failed write, is logged.
bool silentByDesign(const std::string& method) {
    const std::string object = method.substr(0, method.find("::")),
                      name = method.substr(method.find("::") + 2);
    if (name.rfind("Get", 0) != 0 && name.rfind("Is", 0) != 0)
        return false;
    for (const char* values : {"IBatteryStatus", "IMemoryStatus", "IRevisions", "IAddressShortcut",
                               "IPostalAddress", "IDialUpAccount"})
        if (object == values)
            return true;
    // The user data's own values and flags; its two addresses are objects.
    return object == "IUserData" && !(name.rfind("Get", 0) == 0 && name.find("Address") != std::string::npos);
}

// The object a method belongs to: a failed read may leave another field of the same
// object the one the tour changes, which is still a write the tour asked for.
std::string owner(const std::string& method) {
    return method.substr(0, method.find("::"));
}

// "Interface::Method" for every method the IDL declares on the pen manager's objects.
std::set<std::string> idlMethods(const std::string& path) {
    std::ifstream file(path);
    std::set<std::string> methods;
    std::string line, owner;
    const std::regex declares(R"(^interface (I\w+))"), method(R"(HRESULT (\w+)\()");
    std::smatch match;
    while (std::getline(file, line)) {
        if (std::regex_search(line, match, declares))
            owner = match[1] == "IPenManagerControl" || match[1] == "IStorageApi" ? "" : match[1].str();
        else if (!owner.empty() && std::regex_search(line, match, method))
            methods.insert(owner + "::" + match[1].str());
    }
    return methods;
}

// The stand-in's call log: each call's method and result, in order.
std::vector<std::pair<std::string, std::string>> calls() {
    std::vector<std::pair<std::string, std::string>> result;
    auto run = ui::StandIn::Run({L"calls"});
    auto log = nlohmann::json::parse(run.out, nullptr, false);
    if (log.is_array())
        for (const auto& call : log)
            result.emplace_back(call.value("method", ""), call.value("hr", ""));
    return result;
}

struct Panel {
    Process process;
    ui::Sheet sheet;
    int boxes = 0; // message boxes answered

    bool Start() {
        return process.Start(L"Quillpad.exe") &&
               (sheet = ui::Sheet::Find(process.Pid(), ui::kSheetCaption, 30000));
    }
    bool Alive() { return !process.WaitExit(0); }
    // The sheet (or the window over it) answers a sent message within 5 s.
    bool Answers() const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(sheet.Hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    }
    HWND Popup() const {
        HWND popup = GetLastActivePopup(sheet.Hwnd());
        return popup != sheet.Hwnd() && IsWindowVisible(popup) ? popup : nullptr;
    }
    // Until what a click started has shown: a box or a window over the sheet, or the
    // panel idle again (it answers a sent message) with nothing new after a short while.
    HWND WaitPopup(DWORD timeoutMs = 1500) const {
        HWND popup = nullptr;
        ui::WaitUntil([&] { return (popup = Popup()) || ui::MessageBoxWindow::Find(process.Pid()); },
                      timeoutMs);
        return popup;
    }
    void Settle() const {
        Answers();
        Sleep(50);
    }
    // Answers message boxes (No or Cancel where it may, as a careful user) and closes
    // dialogs and sub-sheets over the sheet until none is left.
    void CloseAll(int answer = IDNO) {
        for (int round = 0; round < 10; ++round) {
            Settle();
            if (ui::MessageBoxWindow box = ui::MessageBoxWindow::Find(process.Pid())) {
                ++boxes;
                for (int id : {answer, IDCANCEL, IDNO, IDOK})
                    if (box.HasButton(id)) {
                        box.Answer(id);
                        break;
                    }
                box.WaitClosed();
            } else if (HWND popup = Popup()) {
                ui::Post(popup, WM_COMMAND, IDCANCEL);
                ui::WaitUntil([&] { return !IsWindowVisible(popup); }, 2000);
            } else if (HWND log = ui::FindDialog(process.Pid(), ui::kServiceLogCaption);
                       log && IsWindowVisible(log)) {
                ui::Post(log, WM_CLOSE); // a visible service log keeps the program on after OK
                ui::WaitUntil([&] { return !IsWindowVisible(log); }, 2000);
            } else {
                return;
            }
        }
    }
};

std::vector<ui::Control> Children(HWND window, const wchar_t* className) {
    std::vector<ui::Control> found;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ui::Control control(child);
        if (control.IsVisible() && control.IsEnabled() && control.ClassName() == className)
            found.push_back(control);
    }
    return found;
}

// Push buttons that open something of the panel's own (not the help file).
std::vector<ui::Control> Buttons(HWND page) {
    std::vector<ui::Control> buttons;
    for (const ui::Control& button : Children(page, L"Button")) {
        const LONG style = GetWindowLongW(button.Hwnd(), GWL_STYLE) & BS_TYPEMASK;
        if ((style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON) && button.Id() != IDHELP)
            buttons.push_back(button);
    }
    return buttons;
}

// Types one letter or digit at the end of the page's first field that takes one.
void ChangeOneField(HWND page) {
    for (const ui::Control& edit : Children(page, L"Edit")) {
        const std::wstring before = edit.Text();
        ui::Send(edit.Hwnd(), EM_SETSEL, before.size(), before.size());
        edit.Type(L"7");
        if (edit.Text() == before)
            edit.Type(L"a");
        if (edit.Text() != before) {
            return;
        }
    }
    for (const ui::Control& box : Children(page, L"Button")) { // else the first option not chosen
        const LONG style = GetWindowLongW(box.Hwnd(), GWL_STYLE) & BS_TYPEMASK;
        if ((style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON) && !box.IsChecked()) {
            box.Click();
            return;
        }
    }
}

// Every page and sub-sheet, one field changed on each, every dialog opened and
// cancelled, Apply, the pen undocked and docked, OK. Answers the boxes Apply and OK
// brought, or -1 when the panel died or stopped answering.
int Tour(Panel& panel) {
    int told = 0;
    for (int page = 0; page < panel.sheet.PageCount(); ++page) {
        if (!panel.sheet.SelectPage(page, 15000)) {
            std::fprintf(stderr, "chaos:   page %d of %d did not show (now %d)\n", page,
                         panel.sheet.PageCount(), panel.sheet.CurrentIndex());
            continue;
        }
        ChangeOneField(panel.sheet.CurrentPage());
        for (const ui::Control& list : Children(panel.sheet.CurrentPage(), WC_LISTVIEWW))
            ui::ListView(list.Hwnd()).Select(0); // buttons that act on a row
        for (const ui::Control& button : Buttons(panel.sheet.CurrentPage())) {
            button.PostClick();
            // A sub-sheet gets one field changed per page and OK; dialogs are cancelled.
            if (HWND popup = panel.WaitPopup(); popup && ui::Sheet(popup).PageCount() > 0) {
                ui::Sheet sub(popup);
                for (int subPage = 0; subPage < sub.PageCount(); ++subPage)
                    if (sub.SelectPage(subPage, 15000))
                        ChangeOneField(sub.CurrentPage());
                const int before = panel.boxes;
                sub.Button(ui::Sheet::kOk).PostClick();
                ui::WaitUntil(
                    [&] { return !IsWindow(popup) || ui::MessageBoxWindow::Find(panel.process.Pid()); });
                panel.CloseAll(IDOK);
                told += panel.boxes - before;
            }
            panel.CloseAll();
            if (!panel.Alive() || !panel.Answers())
                return -1;
        }
    }
    for (int button : {ui::Sheet::kApply, ui::Sheet::kOk}) {
        const int before = panel.boxes;
        panel.sheet.Button(button).PostClick();
        ui::WaitUntil([&] {
            return panel.process.WaitExit(0) || ui::MessageBoxWindow::Find(panel.process.Pid()) ||
                   (button == ui::Sheet::kApply && !panel.sheet.Button(ui::Sheet::kApply).IsEnabled());
        });
        panel.CloseAll(IDOK);
        told += panel.boxes - before;
        if (button == ui::Sheet::kApply) {
            ui::StandIn::Undock(ui::StandIn::kDemoPen);
            ui::StandIn::Dock(ui::StandIn::kDemoPen);
            panel.Settle();
            ChangeOneField(panel.sheet.CurrentPage());
        }
        if (!panel.Alive())
            return button == ui::Sheet::kOk ? told : -1;
        if (!panel.Answers())
            return -1;
    }
    panel.sheet.Button(ui::Sheet::kCancel).PostClick(); // when OK left it open
    panel.process.WaitExit(10000);
    return told;
}

int RunTour(const std::string& idl) {
    DebugLog log;
    ui::ShowInternetSettings(1); // every page
    const std::set<std::string> declared = idlMethods(idl);
    ui::StandIn::Run({L"status"});
    ui::StandIn::Run({L"calls"}); // nothing: starts the stand-in
    Panel baseline;
    if (!baseline.Start()) {
        finding("the panel did not start");
        return findings;
    }
    std::set<std::string> methods, writes, writers;
    const int baselineTold = Tour(baseline);
    baseline.process.Kill();
    for (const auto& [method, hr] : calls())
        if (declared.count(method)) {
            methods.insert(method);
            if (isWrite(method)) {
                writes.insert(method);
                writers.insert(owner(method));
            }
        }
    if (baselineTold != 0)
        finding("the tour without failures told the user " + std::to_string(baselineTold) + " time(s)");
    std::fprintf(stderr, "chaos: the tour calls %zu of the %zu methods the IDL declares (%zu writes)\n",
                 methods.size(), declared.size(), writes.size());
    for (const std::string& write : writes)
        std::fprintf(stderr, "chaos: the tour writes through %s\n", write.c_str());
    for (const std::string& method : declared)
        if (!methods.count(method))
            std::fprintf(stderr, "chaos: not called by the tour: %s\n", method.c_str());

    // CHAOS_METHODS=text: only the methods whose name contains it (a finding replayed).
    const char* only = std::getenv("CHAOS_METHODS");
    for (const std::string& method : methods) {
        if (only && method.find(only) == std::string::npos)
            continue;
        const std::wstring wide(method.begin(), method.end());
        ui::StandIn::Fail(wide, kInjected);
        const size_t logged = calls().size();
        Panel panel;
        if (!panel.Start()) {
            finding(method + ": the panel did not start");
            continue;
        }
        const int told = Tour(panel);
        ui::StandIn::Clear();
        std::set<std::string> unasked;
        const auto after = calls();
        for (size_t i = logged; i < after.size(); ++i)
            if (isWrite(after[i].first) && !writers.count(owner(after[i].first)))
                unasked.insert(after[i].first);
        const bool warned = log.Contains(panel.process.Pid(), kInjectedText);
        std::fprintf(stderr, "chaos: %-40s told %d, warned %s\n", method.c_str(), told,
                     warned                   ? "yes"
                     : silentByDesign(method) ? "no (a value read: shown, not logged)"
                                              : "no");
        if (told < 0)
            finding(method + ": the panel died or stopped answering");
        else if (isWrite(method) && (told < 1 || told > 2))
            finding(method + ": a failed write told " + std::to_string(told) + " time(s) over Apply and OK");
        else if (!isWrite(method) && told != 0)
            finding(method + ": a failed read told the user " + std::to_string(told) + " time(s)");
        if (!warned && !silentByDesign(method))
            finding(method + ": no warning with " + kInjectedText + " in the panel's log");
        for (const std::string& write : unasked)
            finding(method + ": wrote " + write + ", which the tour never asks for");
        panel.process.Kill();
    }
    std::fprintf(stderr, "chaos: tour done, %zu methods failed in turn\n", methods.size());
    return findings;
}

int RunRandom(unsigned seconds) {
    const char* given = std::getenv("CHAOS_SEED");
    const unsigned seed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : GetTickCount();
    std::fprintf(stderr, "chaos: seed %u (CHAOS_SEED=%u replays this run), %u s\n", seed, seed, seconds);
    std::mt19937 random(seed);
    ui::ShowInternetSettings(1);
    auto pick = [&](size_t count) { return count ? static_cast<size_t>(random() % count) : 0; };
    ui::StandIn::Run({L"status"});
    Panel panel;
    if (!panel.Start()) {
        finding("the panel did not start");
        return findings;
    }
    const wchar_t* const texts[] = {L"a", L"Ñandú 12", L"0", L"-", L"999999999999", L"@x.es", L"   ", L"ü"};
    std::vector<int> counts(10);
    const ULONGLONG end = GetTickCount64() + seconds * 1000ull;
    for (unsigned step = 1; GetTickCount64() < end; ++step) {
        const size_t action = pick(counts.size());
        ++counts[action];
        HWND top = panel.Popup() ? panel.Popup() : panel.sheet.CurrentPage();
        bool ended = false;
        switch (action) {
        case 0:
            panel.sheet.ClickTab(static_cast<int>(pick(panel.sheet.PageCount())), 2000);
            break;
        case 1: {
            auto edits = Children(top, L"Edit");
            if (!edits.empty()) {
                ui::Control edit = edits[pick(edits.size())];
                if (pick(2))
                    edit.SelectAll();
                edit.Type(texts[pick(std::size(texts))]);
            }
            break;
        }
        case 2: {
            auto buttons = Buttons(top);
            if (!buttons.empty())
                buttons[pick(buttons.size())].PostClick();
            break;
        }
        case 3:
            panel.CloseAll(pick(2) ? IDYES : IDNO);
            break;
        case 4: {
            const int button = std::vector<int>{ui::Sheet::kApply, ui::Sheet::kApply, ui::Sheet::kOk,
                                                ui::Sheet::kCancel}[pick(4)];
            panel.CloseAll();
            panel.sheet.Button(button).PostClick();
            ended = button != ui::Sheet::kApply;
            break;
        }
        case 5:
            ui::StandIn::Undock(ui::StandIn::kDemoPen);
            break;
        case 6:
            ui::StandIn::Dock(ui::StandIn::kDemoPen);
            break;
        case 7:
            ui::StandIn::Lock(ui::StandIn::kDemoPen, pick(2) != 0);
            break;
        case 8:
            ui::StandIn::Unlock(ui::StandIn::kDemoPen);
            break;
        case 9: { // the stand-in killed, Wine's stale registration cleared, started again
            Microsoft::WRL::ComPtr<IPenManagerControl> control;
            if (SUCCEEDED(CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER,
                                           IID_PPV_ARGS(&control))) &&
                StandIn::kill(control.Get())) {
                control.Detach(); // its server is gone
                if (!StandIn::restartRpcSs())
                    finding("RpcSs did not restart");
                // The panel's own reconnection may have started it first.
                if (HANDLE server = StandIn::start())
                    CloseHandle(server);
                else if (!StandIn::running())
                    finding("the stand-in did not start again");
            }
            break;
        }
        }
        Sleep(100 + static_cast<DWORD>(pick(300)));
        if (ended && panel.process.WaitExit(3000)) {
            panel.CloseAll();
            if (!panel.Start()) {
                finding("step " + std::to_string(step) + ": the panel did not start again");
                break;
            }
            continue;
        }
        if (!panel.Alive()) {
            finding("step " + std::to_string(step) + " (action " + std::to_string(action) +
                    "): the panel ended");
            if (!panel.Start())
                break;
        } else if (!panel.Answers()) {
            finding("step " + std::to_string(step) + " (action " + std::to_string(action) +
                    "): the sheet did not answer within 5 s");
            panel.process.Kill();
            if (!panel.Start())
                break;
        }
    }
    const char* const names[] = {"tab",    "type", "button", "answer", "apply/ok/cancel",
                                 "undock", "dock", "lock",   "unlock", "kill stand-in"};
    for (size_t i = 0; i < counts.size(); ++i)
        std::fprintf(stderr, "chaos: %-16s %d\n", names[i], counts[i]);
    panel.CloseAll();
    panel.process.Kill();
    return findings;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const std::wstring part = argc > 1 ? argv[1] : L"";
    int found = -1;
    if (part == L"tour" && argc == 3)
        found = RunTour(std::string(argv[2], argv[2] + wcslen(argv[2]))); // an ASCII path
    else if (part == L"random")
        found = RunRandom(argc > 2 ? static_cast<unsigned>(_wtoi(argv[2])) : 600);
    else
        std::fprintf(stderr, "usage: chaos tour IDL | chaos random [SECONDS]\n");
    std::fprintf(stderr, "chaos: %d finding(s)\n", found < 0 ? 0 : found);
    return found < 0 ? 2 : found > 100 ? 100 : found;
}
