// pen_connection_bench OUT.json: how fast the pen connection is, against the real
// stand-in through real COM.
// - event latency: from asking the stand-in to fire PenDocked (control interface) to
//   the owner window receiving WM_PENDOCKED through MyPens, over 200 events;
// - re-docking: from a restarted stand-in having registered its class to the monitor
//   reporting its pen docked again (the stand-in killed, Wine's RpcSs restarted as the
//   tests do, then started from outside COM);
// - CoCreateInstance of the pen manager, cold (server not running) and warm.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Figures.h"
#include "MonitorHarness.h"
#include "StandIn.h"

using Microsoft::WRL::ComPtr;
using Monitor::now;

namespace {

const char kDemoPen[] = "AAA-BBB-CCC-DD";
constexpr int kEvents = 200;
constexpr int kRestarts = 5;
constexpr int kColdStarts = 3;
constexpr int kWarmStarts = 50;
constexpr double kLatencyGoalMs = 10;
constexpr double kRedockGoalMs = 550;

int fail(const char* what) {
    fprintf(stderr, "pen_connection_bench: %s\n", what);
    return 1;
}

ComPtr<IPenManagerControl> control() {
    ComPtr<IPenManagerControl> result;
    CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&result));
    return result;
}

// Ends the stand-in cleanly (its class revoked), so the next activation starts it again.
bool quit(IPenManagerControl* penctl) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, StandIn::processId(penctl));
    if (!process)
        return false;
    penctl->Quit();
    bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

double createManager() {
    ComPtr<IPenManager> manager;
    double start = now();
    HRESULT hr = CoCreateInstance(CLSID_PenManager, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&manager));
    double took = now() - start;
    return SUCCEEDED(hr) ? took : -1;
}

} // namespace

int main(int argc, char** argv) {
    // BEFORE.json, when given, is written back beside the figures.
    std::string before;
    if (argc == 3)
        before = ReadFileText(argv[2]);
    if (argc != 2 && argc != 3)
        return fail("usage: pen_connection_bench OUT.json");
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return fail("no COM");
    Monitor::Warnings::instance();
    if (StandIn::running())
        return fail("a pen manager is already running in this prefix");

    Figures cold, warm, latency, redock, startup;
    for (int i = 0; i < kColdStarts; ++i) {
        double took = createManager();
        ComPtr<IPenManagerControl> penctl = control();
        if (took < 0 || !penctl)
            return fail("cold activation failed");
        cold.samples.push_back(took);
        if (i + 1 < kColdStarts && !quit(penctl.Get()))
            return fail("the stand-in did not quit");
    }
    for (int i = 0; i < kWarmStarts; ++i) {
        double took = createManager();
        if (took < 0)
            return fail("warm activation failed");
        warm.samples.push_back(took);
    }

    Monitor::Owner owner;
    MyPens pens;
    ComPtr<IPenManagerControl> penctl = control();
    if (!penctl || !owner.Create(L"bench", WS_OVERLAPPEDWINDOW) || !pens.Create(owner) ||
        !owner.receive(MyPens::WM_PENDOCKED, kDemoPen, 5000))
        return fail("the monitor did not connect");

    for (int i = 1; i <= kEvents; ++i) {
        std::string id = "BENCH-" + std::to_string(i);
        StandIn::Bstr penId(std::wstring(id.begin(), id.end()).c_str());
        size_t from = owner.received.size();
        double fired = now();
        if (FAILED(penctl->FireBurst(penId.value, 1, 1)) || !owner.receive(MyPens::WM_PENDOCKED, id, 2000, from))
            return fail("an event did not arrive");
        latency.samples.push_back(owner.arrival(MyPens::WM_PENDOCKED, id, from) - fired);
    }

    auto& warnings = Monitor::Warnings::instance();
    for (int i = 0; i < kRestarts; ++i) {
        size_t from = owner.received.size();
        if (!StandIn::kill(penctl.Get()))
            return fail("cannot kill the stand-in");
        penctl.Reset();
        if (!owner.receive(MyPens::WM_PENUNDOCKED, kDemoPen, 3000, from))
            return fail("the pen was not reported undocked");
        // Right after a failed attempt, so that the monitor's next one finds the new
        // stand-in registered instead of starting one itself.
        size_t failures = warnings.count("Failed to create pen manager");
        if (!StandIn::pumpUntil([&] { return warnings.count("Failed to create pen manager") > failures; }))
            return fail("the monitor did not try to reconnect");
        if (StandIn::running() || !StandIn::restartRpcSs())
            return fail("cannot restart RpcSs");
        double starting = now();
        HANDLE server = StandIn::start();
        double registered = now();
        if (!server)
            return fail("cannot start the stand-in");
        CloseHandle(server);
        if (!owner.receive(MyPens::WM_PENDOCKED, kDemoPen, 5000, from))
            return fail("the pen was not reported docked again");
        redock.samples.push_back(owner.arrival(MyPens::WM_PENDOCKED, kDemoPen, from) - registered);
        startup.samples.push_back(registered - starting);
        penctl = control();
        if (!penctl)
            return fail("no control interface after the restart");
    }

    pens.Destroy();
    owner.Destroy();
    quit(penctl.Get());
    penctl.Reset();
    CoUninitialize();

    FILE* out = fopen(argv[1], "w");
    if (!out)
        return fail("cannot write the figures");
    fprintf(out,
            "{\n"
            "  \"eventLatencyMs\": %s,\n"
            "  \"redockAfterRestartMs\": %s,\n"
            "  \"standInStartToRegisteredMs\": %s,\n"
            "  \"coCreateInstanceMs\": {\"cold\": %s, \"warm\": %s},\n"
            "  \"goals\": {\"eventLatencyMedianMs\": %.0f, \"redockMs\": %.0f},\n"
            "  \"met\": {\"eventLatency\": %s, \"redock\": %s},\n"
            "  \"before\": %s\n"
            "}\n",
            latency.json().c_str(), redock.json().c_str(), startup.json().c_str(), cold.json().c_str(),
            warm.json().c_str(), kLatencyGoalMs, kRedockGoalMs, latency.median() <= kLatencyGoalMs ? "true" : "false",
            redock.percentile(100) <= kRedockGoalMs ? "true" : "false", before.empty() ? "null" : before.c_str());
    fclose(out);
    return 0;
}
