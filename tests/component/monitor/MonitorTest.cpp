// The pen monitor against the real stand-in, through real COM: a pen manager that is
// not there at start, one that is killed while a pen is docked and comes back, and a
// second client that dies while the pen manager keeps calling its sink.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "MonitorHarness.h"
#include "StandIn.h"

using Microsoft::WRL::ComPtr;
using Monitor::Owner;
using Monitor::Warnings;
using StandIn::Bstr;

namespace {

const char kDemoPen[] = "AAA-BBB-CCC-DD";

// Takes the pen manager's server registration away while it lives, so that no client
// can start the stand-in.
class ClassUnregistered {
public:
    ClassUnregistered() {
        wchar_t clsid[40];
        StringFromGUID2(CLSID_PenManager, clsid, 40);
        key_ = std::wstring(L"Software\\Classes\\CLSID\\") + clsid + L"\\LocalServer32";
        wchar_t value[MAX_PATH * 2] = L"";
        DWORD size = sizeof value;
        saved_ = RegGetValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) ==
                     ERROR_SUCCESS &&
                 RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str()) == ERROR_SUCCESS;
        command_ = value;
    }
    ~ClassUnregistered() {
        if (saved_)
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_.c_str(), nullptr, REG_SZ, command_.c_str(),
                            static_cast<DWORD>((command_.size() + 1) * sizeof(wchar_t)));
    }
    bool done() const { return saved_; }

private:
    std::wstring key_;
    std::wstring command_;
    bool saved_ = false;
};

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        Warnings::instance().clear();
        ASSERT_TRUE(owner.Create(L"owner", WS_OVERLAPPEDWINDOW));
    }
    void TearDown() override {
        if (pens.IsRunning())
            pens.Destroy();
        owner.Destroy();
        control.Reset();
        CoUninitialize();
    }

    bool receive(UINT msg, const std::string& penId, DWORD timeoutMs, size_t from = 0) {
        return owner.receive(msg, penId, timeoutMs, from);
    }
    IPenManagerControl* penctl() {
        if (!control) {
            EXPECT_HRESULT_SUCCEEDED(
                CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)));
        }
        return control.Get();
    }
    LONG sinkCount() {
        LONG count = -1;
        EXPECT_HRESULT_SUCCEEDED(penctl()->GetSinkCount(&count));
        return count;
    }

    Owner owner;
    MyPens pens;
    ComPtr<IPenManagerControl> control;
};

TEST_F(MonitorTest, PenManagerStartedAfterTheMonitorReportsItsDockedPens) {
    ASSERT_FALSE(StandIn::running());
    HANDLE server = nullptr;
    {
        ClassUnregistered unregistered;
        ASSERT_TRUE(unregistered.done());
        ASSERT_TRUE(pens.Create(owner));
        // Every idle pass tries again, at least every 500 ms.
        ASSERT_TRUE(StandIn::pumpUntil([] { return Warnings::instance().count("Failed to create pen manager (0x") >= 2; }));
        EXPECT_TRUE(owner.received.empty());
        server = StandIn::start();
        ASSERT_TRUE(server);
        EXPECT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 3000));
    }
    CloseHandle(server);
}

TEST_F(MonitorTest, PenManagerKilledWhilePenDockedAndBackReportsUndockedThenDocked) {
    ASSERT_TRUE(pens.Create(owner));
    ASSERT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 5000));
    const size_t before = owner.received.size();
    ASSERT_TRUE(StandIn::kill(penctl()));
    control.Reset();
    EXPECT_TRUE(receive(MyPens::WM_PENUNDOCKED, kDemoPen, 3000, before));
    EXPECT_EQ(1u, Warnings::instance().count("Lost connection to the pen manager."));

    ASSERT_FALSE(StandIn::running());
    ASSERT_TRUE(StandIn::restartRpcSs());
    HANDLE server = StandIn::start();
    ASSERT_TRUE(server);
    CloseHandle(server);
    EXPECT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 5000, before));
    ASSERT_EQ(before + 2, owner.received.size());
    EXPECT_EQ(MyPens::WM_PENUNDOCKED, owner.received[before].msg);
    EXPECT_EQ(MyPens::WM_PENDOCKED, owner.received[before + 1].msg);
}

TEST_F(MonitorTest, SinkOfADeadClientIsDroppedAndEventsStillReachTheLiveOne) {
    ASSERT_TRUE(pens.Create(owner));
    ASSERT_TRUE(receive(MyPens::WM_PENDOCKED, kDemoPen, 5000));
    const LONG alone = sinkCount();

    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring client(self, length);
    client = client.substr(0, client.find_last_of(L'\\') + 1) + L"sink_client.exe";
    const wchar_t readyName[] = L"Local\\QuillpadSinkClientReady";
    HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, readyName);
    ASSERT_TRUE(ready);

    int docked = 0;
    for (const wchar_t* mode : {L"exit", L"wait"}) {
        std::wstring commandLine = L"\"" + client + L"\" " + mode + L" " + readyName;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(client.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process));
        CloseHandle(process.hThread);
        HANDLE waits[] = {ready, process.hProcess};
        ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, waits, FALSE, 10000)) << "client did not advise";
        EXPECT_EQ(alone + 1, sinkCount());
        if (wcscmp(mode, L"wait") == 0)
            TerminateProcess(process.hProcess, 9);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 10000));
        CloseHandle(process.hProcess);

        std::string penId = "LIVE-" + std::to_string(++docked);
        Bstr id(std::wstring(penId.begin(), penId.end()).c_str());
        ASSERT_HRESULT_SUCCEEDED(penctl()->Dock(id.value));
        EXPECT_TRUE(receive(MyPens::WM_PENDOCKED, penId, 3000)) << "after the client's " << docked << ". end";
        EXPECT_EQ(alone, sinkCount());
    }
    CloseHandle(ready);

    // A malformed event through real marshaling is refused by the monitor and posts nothing.
    const size_t before = owner.received.size();
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"BAD-1");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, penctl()->FireEvent(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arg, VARIANT_TRUE));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, penctl()->FireEvent(3, DISPATCH_METHOD, arg, VARIANT_TRUE));
    VariantClear(&arg);
    StandIn::pumpUntil([] { return false; }, 200);
    EXPECT_EQ(before, owner.received.size());
}

} // namespace
