// penctl: drives the stand-in pen manager through its control interface.
// Exit codes: 0 done, 1 pen manager unreachable or a call failed, 2 bad arguments.
#include <windows.h>

#include "PenctlArgs.h"

#include "core/StringPackage.h"

#include "pen/PenManager.h"

#include <wrl/client.h>

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using PenctlArgs::Verb;

namespace {

// A BSTR owned for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return value_; }
    BSTR* out() { return &value_; }
    std::wstring text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }

private:
    BSTR value_ = nullptr;
};

// Console output as UTF-8, so dumps survive pipes and redirection.
void writeOut(const std::wstring& text) {
    std::string utf8 = StringPackage::wideToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

void writeErr(const std::wstring& text) {
    std::string utf8 = StringPackage::wideToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

int failed(const char* what, HRESULT hr) {
    std::fprintf(stderr, "penctl: %s failed (0x%08x).\n", what, static_cast<unsigned>(hr));
    return 1;
}

// Prints the JSON text a control call answers.
int printJson(IPenManagerControl* control, HRESULT (STDMETHODCALLTYPE IPenManagerControl::*call)(BSTR*),
              const char* what) {
    Bstr json;
    HRESULT hr = (control->*call)(json.out());
    if (FAILED(hr))
        return failed(what, hr);
    writeOut(json.text() + L"\n");
    return 0;
}

// The pen's state as the stand-in dumps it; false (and why, on stderr) when it has none.
bool penState(IPenManagerControl* control, const std::wstring& penId, nlohmann::json& pen) {
    Bstr text;
    HRESULT hr = control->DumpState(text.out());
    if (FAILED(hr)) {
        failed("DumpState", hr);
        return false;
    }
    nlohmann::json state = nlohmann::json::parse(StringPackage::wideToUtf8(text.text()), nullptr, false);
    const std::string id = StringPackage::wideToUtf8(penId);
    if (!state.is_object() || !state["pens"].is_object() || !state["pens"].contains(id)) {
        writeErr(L"penctl: no pen " + penId + L".\n");
        return false;
    }
    pen = state["pens"][id];
    return true;
}

// Sets one value of the state and frees it.
int setValue(IPenManagerControl* control, const std::wstring& path, VARIANT value) {
    HRESULT hr = control->SetValue(Bstr(path), value);
    VariantClear(&value);
    return FAILED(hr) ? failed("SetValue", hr) : 0;
}

VARIANT flagValue(bool on) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BOOL;
    value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

VARIANT textValue(const std::wstring& text) {
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return value;
}

// A password set as the panel's dialog sets it: saved on this PC too, so the pen still
// unlocks itself at the next docking. An empty one leaves the pen without password or hint.
int setPassword(IPenManagerControl* control, const PenctlArgs::Command& command) {
    nlohmann::json pen;
    if (!penState(control, command.penId, pen))
        return 1;
    const std::wstring at = L"/pens/" + command.penId + L"/";
    int code = setValue(control, at + L"password", textValue(command.text));
    if (!code)
        code = setValue(control, at + L"passwordSavedOnPc", flagValue(!command.text.empty()));
    if (!code)
        code = setValue(control, at + L"passwordHint", textValue(command.hint));
    return code;
}

int printHint(IPenManagerControl* control, const std::wstring& penId) {
    nlohmann::json pen;
    if (!penState(control, penId, pen))
        return 1;
    const std::string hint = pen["passwordHint"].is_string() ? pen["passwordHint"].get<std::string>() : "";
    std::fwrite(hint.data(), 1, hint.size(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    return 0;
}

int run(IPenManagerControl* control, const PenctlArgs::Command& command) {
    HRESULT hr = S_OK;
    switch (command.verb) {
    case Verb::Status: {
        long pid = 0;
        long sinks = 0;
        hr = control->GetProcessId(&pid);
        if (FAILED(hr))
            return failed("GetProcessId", hr);
        hr = control->GetSinkCount(&sinks);
        if (FAILED(hr))
            return failed("GetSinkCount", hr);
        std::printf("pen manager running: process %ld, %ld event sink(s)\n", pid, sinks);
        return 0;
    }
    case Verb::Dock:
        hr = control->Dock(Bstr(command.penId));
        return FAILED(hr) ? failed("Dock", hr) : 0;
    case Verb::Undock:
        hr = control->Undock(Bstr(command.penId));
        return FAILED(hr) ? failed("Undock", hr) : 0;
    case Verb::Lock:
        hr = control->Lock(Bstr(command.penId), command.unlockSucceeds ? VARIANT_TRUE : VARIANT_FALSE);
        return FAILED(hr) ? failed("Lock", hr) : 0;
    case Verb::Unlock:
        hr = control->Unlock(Bstr(command.penId));
        return FAILED(hr) ? failed("Unlock", hr) : 0;
    case Verb::OutboxAdd:
        hr = control->AddOutboxItem(Bstr(command.penId), Bstr(command.json), VARIANT_TRUE);
        return FAILED(hr) ? failed("AddOutboxItem", hr) : 0;
    case Verb::Set:
        switch (command.valueKind) {
        case PenctlArgs::ValueKind::Flag:
            return setValue(control, command.path, flagValue(command.number != 0));
        case PenctlArgs::ValueKind::Number: {
            VARIANT value;
            VariantInit(&value);
            value.vt = VT_I4;
            value.lVal = command.number;
            return setValue(control, command.path, value);
        }
        case PenctlArgs::ValueKind::Text:
            return setValue(control, command.path, textValue(command.text));
        case PenctlArgs::ValueKind::Json:
            hr = control->SetJson(Bstr(command.path), Bstr(command.text));
            return FAILED(hr) ? failed("SetJson", hr) : 0;
        }
        return 2;
    case Verb::Password:
        return setPassword(control, command);
    case Verb::Hint:
        return printHint(control, command.penId);
    case Verb::Fail:
        hr = control->FailMethod(Bstr(command.method), command.number, command.count);
        return FAILED(hr) ? failed("FailMethod", hr) : 0;
    case Verb::Delay:
        hr = control->DelayMethod(Bstr(command.method), command.number, command.count);
        return FAILED(hr) ? failed("DelayMethod", hr) : 0;
    case Verb::Burst:
        hr = control->FireBurst(Bstr(command.penId), command.dispId, command.count);
        return FAILED(hr) ? failed("FireBurst", hr) : 0;
    case Verb::Calls:
        return printJson(control, &IPenManagerControl::GetCallLog, "GetCallLog");
    case Verb::Clear:
        hr = control->ClearFaults();
        return FAILED(hr) ? failed("ClearFaults", hr) : 0;
    case Verb::Dump:
        return printJson(control, &IPenManagerControl::DumpState, "DumpState");
    case Verb::Quit:
        hr = control->Quit();
        // The server may be gone before its answer arrives: that is a quit too.
        if (hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
            hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || hr == RPC_E_DISCONNECTED)
            hr = S_OK;
        return FAILED(hr) ? failed("Quit", hr) : 0;
    }
    return 2;
}

// A JSON value given as "@path" (UTF-8 text) or "-" (standard input) replaced by what it
// names; false, with why on stderr, when that can't be read.
bool readValue(std::wstring& value) {
    if (!PenctlArgs::readLater(value))
        return true;
    if (value == L"-")
        _setmode(_fileno(stdin), _O_BINARY);
    FILE* file = value == L"-" ? stdin : _wfopen(value.c_str() + 1, L"rb");
    if (!file) {
        writeErr(L"penctl: cannot open " + value.substr(1) + L".\n");
        return false;
    }
    std::string text;
    char chunk[65536];
    for (size_t read; (read = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        text.append(chunk, read);
    const bool failedRead = std::ferror(file) != 0;
    if (file != stdin)
        std::fclose(file);
    if (failedRead) {
        writeErr(L"penctl: cannot read " + (value == L"-" ? std::wstring(L"standard input") : value.substr(1)) +
                 L".\n");
        return false;
    }
    value = StringPackage::utf8ToWide(text);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    PenctlArgs::Result parsed = PenctlArgs::parse(args);
    if (auto* usage = std::get_if<PenctlArgs::UsageError>(&parsed)) {
        writeErr(L"penctl: " + usage->message + L"\n" + PenctlArgs::kUsage + L"\n");
        return 2;
    }
    auto command = std::get<PenctlArgs::Command>(parsed);
    if (command.verb == Verb::OutboxAdd ? !readValue(command.json)
        : command.valueKind == PenctlArgs::ValueKind::Json && !readValue(command.text))
        return 2;
    const size_t first = command.json.find_first_not_of(L" \t\r\n");
    if (command.verb == Verb::OutboxAdd && (first == std::wstring::npos || command.json[first] != L'{')) {
        writeErr(L"penctl: the outbox item must be a JSON object.\n");
        return 2;
    }

    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr))
        return failed("CoInitializeEx", hr);
    int code = 1;
    {
        ComPtr<IPenManagerControl> control;
        hr = CoCreateInstance(CLSID_PenManagerControl, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control));
        if (FAILED(hr))
            std::fprintf(stderr,
                         "penctl: cannot reach the pen manager (0x%08x); is PenManager.exe registered?\n",
                         static_cast<unsigned>(hr));
        else
            code = run(control.Get(), command);
    }
    CoUninitialize();
    return code;
}
