#pragma once
// StandIn: the pen manager stand-in as a test reaches it, through penctl.exe beside the
// test executable. The stand-in starts on the first call (COM activation) and keeps its
// pens in the test's Wine prefix.
#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace ui {

class StandIn {
public:
    // The pen that the stand-in's first start creates, docked and unlocked.
    static constexpr const wchar_t* kDemoPen = L"AAA-BBB-CCC-DD";

    struct Result {
        DWORD exitCode = static_cast<DWORD>(-1); // -1: did not start or did not finish in time
        std::string out;                         // UTF-8
        std::string err;
        bool Ok() const { return exitCode == 0; }
    };

    // penctl with these arguments, each passed as it is (spaces and quotes included), and
    // input as its standard input (a few kilobytes at most: it is written before the start).
    static Result Run(const std::vector<std::wstring>& arguments, DWORD timeoutMs = 20000,
                      const std::string& input = "");

    static bool Dock(const std::wstring& penId);
    static bool Undock(const std::wstring& penId);
    static bool Lock(const std::wstring& penId, bool unlockSucceeds = true);
    static bool Unlock(const std::wstring& penId);
    // An outbox item, as the JSON object penctl takes; the pen hears it as a new request.
    static bool AddOutboxItem(const std::wstring& penId, const std::wstring& json);
    // A value at a path of the pen's state ("/userData/name"); penId "-" for the manager.
    static bool Set(const std::wstring& penId, const std::wstring& path, const std::wstring& value,
                    bool asText = false);
    // A JSON value (object, list...) at a path of the pen's state.
    static bool SetJson(const std::wstring& penId, const std::wstring& path, const std::string& json);
    // Makes a method ("IPen::GetUserData") fail with hr, for times calls (-1: until Clear).
    static bool Fail(const std::wstring& method, HRESULT hr, int times = -1);
    static bool Clear();
    // How often the stand-in has served a method ("IPen::SetUserData") so far.
    static int CallCount(const std::string& method);
    // The methods it has served, in order.
    static std::vector<std::string> Calls();
    // The whole state: {"manager": {...}, "pens": {"ID": {...}}}; null when it can't be had.
    static nlohmann::json State();
    static bool Quit();
};

} // namespace ui
