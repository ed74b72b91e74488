#include "PenctlArgs.h"

#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <utility>

namespace PenctlArgs {

const wchar_t kUsage[] =
    L"usage: penctl status | dock ID | undock ID | lock ID [--unlock-fails] | unlock ID | "
    L"outbox add ID JSON | set ID|- PATH VALUE [--text|--json] | "
    L"(a JSON value may be @FILE or - for standard input) | "
    L"password ID TEXT [HINT] | password ID --clear | hint ID | fail METHOD HRESULT [--times N] | "
    L"delay METHOD MS [--times N] | burst ID docked|undocked|unlocked|outbox N | clear | dump | calls | quit";

namespace {

UsageError error(std::wstring message) {
    return UsageError{std::move(message)};
}

// Whole text as a number: decimal, or hexadecimal with 0x. HRESULTs such as 0x80004005
// exceed LONG_MAX, so unsigned 32-bit values are taken as their bit pattern.
bool toLong(const std::wstring& text, long& value) {
    if (text.empty())
        return false;
    bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    wchar_t* end = nullptr;
    errno = 0;
    if (hex) {
        unsigned long long parsed = std::wcstoull(text.c_str() + 2, &end, 16);
        if (errno || *end || parsed > 0xFFFFFFFFull || text[2] == L'-' || text[2] == L'+')
            return false;
        value = static_cast<long>(static_cast<unsigned long>(parsed));
        return true;
    }
    long long parsed = std::wcstoll(text.c_str(), &end, 10);
    if (errno || *end || parsed < LONG_MIN || parsed > LONG_MAX || std::iswspace(text[0]))
        return false;
    value = static_cast<long>(parsed);
    return true;
}

bool isPenId(const std::wstring& text) {
    return !text.empty() && text[0] != L'-';
}

// "--times N" after the fixed arguments, or nothing.
bool parseTimes(const std::vector<std::wstring>& args, size_t from, long& count) {
    if (args.size() == from)
        return true;
    return args.size() == from + 2 && args[from] == L"--times" && toLong(args[from + 1], count) && count >= 1;
}

} // namespace

bool readLater(const std::wstring& value) {
    return value == L"-" || (value.size() > 1 && value[0] == L'@');
}

Result parse(const std::vector<std::wstring>& args) {
    if (args.empty())
        return error(L"no command");
    const std::wstring& verb = args[0];
    const size_t n = args.size();
    Command command;

    auto noArgs = [&](Verb v) -> Result {
        if (n != 1)
            return error(verb + L" takes no arguments");
        command.verb = v;
        return command;
    };
    auto penOnly = [&](Verb v) -> Result {
        if (n != 2 || !isPenId(args[1]))
            return error(verb + L" needs one pen id");
        command.verb = v;
        command.penId = args[1];
        return command;
    };

    if (verb == L"status")
        return noArgs(Verb::Status);
    if (verb == L"clear")
        return noArgs(Verb::Clear);
    if (verb == L"dump")
        return noArgs(Verb::Dump);
    if (verb == L"calls")
        return noArgs(Verb::Calls);
    if (verb == L"quit")
        return noArgs(Verb::Quit);
    if (verb == L"dock")
        return penOnly(Verb::Dock);
    if (verb == L"undock")
        return penOnly(Verb::Undock);
    if (verb == L"unlock")
        return penOnly(Verb::Unlock);
    if (verb == L"lock") {
        if (n < 2 || n > 3 || !isPenId(args[1]) || (n == 3 && args[2] != L"--unlock-fails"))
            return error(L"lock needs a pen id and optionally --unlock-fails");
        command.verb = Verb::Lock;
        command.penId = args[1];
        command.unlockSucceeds = n == 2;
        return command;
    }
    if (verb == L"outbox") {
        if (n != 4 || args[1] != L"add" || !isPenId(args[2]))
            return error(L"outbox add needs a pen id and a JSON object");
        if (!readLater(args[3]) && (args[3].empty() || args[3][0] != L'{'))
            return error(L"the outbox item must be a JSON object");
        command.verb = Verb::OutboxAdd;
        command.penId = args[2];
        command.json = args[3];
        return command;
    }
    if (verb == L"set") {
        if (n < 4 || n > 5 || (n == 5 && args[4] != L"--text" && args[4] != L"--json"))
            return error(L"set needs a pen id (or -), a path and a value");
        const std::wstring& pen = args[1];
        const std::wstring& path = args[2];
        if (pen.empty() || path.empty() || path[0] != L'/')
            return error(L"set needs a path that starts with /");
        // "-" addresses the state's root, for the manager's own values.
        if (pen == L"-")
            command.path = path;
        else if (isPenId(pen))
            command.path = L"/pens/" + pen + path;
        else
            return error(L"set needs a pen id (or -)");
        command.verb = Verb::Set;
        command.text = args[3];
        // --json: a whole object or list at once (a pen's user data, its shortcuts).
        if (n == 5 && args[4] == L"--json") {
            command.valueKind = ValueKind::Json;
        } else if (n == 4 && (args[3] == L"true" || args[3] == L"false")) {
            command.valueKind = ValueKind::Flag;
            command.number = args[3] == L"true";
        } else if (n == 4 && toLong(args[3], command.number)) {
            command.valueKind = ValueKind::Number;
        }
        return command;
    }
    if (verb == L"hint")
        return penOnly(Verb::Hint);
    if (verb == L"password") {
        // --clear alone: no password and no hint; otherwise a password, saved on this PC.
        const bool clear = n == 3 && args[2] == L"--clear";
        if (n < 3 || n > 4 || !isPenId(args[1]) || (!clear && (args[2].empty() || args[2] == L"--clear")))
            return error(L"password needs a pen id and a password with an optional hint, or --clear");
        command.verb = Verb::Password;
        command.penId = args[1];
        if (!clear)
            command.text = args[2];
        if (n == 4)
            command.hint = args[3];
        return command;
    }
    if (verb == L"fail" || verb == L"delay") {
        bool fail = verb == L"fail";
        if (n < 3 || args[1].empty() || args[1][0] == L'-' || !toLong(args[2], command.number) ||
            !parseTimes(args, 3, command.count))
            return error(fail ? L"fail needs a method, an HRESULT and optionally --times N"
                              : L"delay needs a method, milliseconds and optionally --times N");
        if (fail && command.number >= 0)
            return error(L"fail needs a failure HRESULT (such as 0x80004005)");
        if (!fail && command.number < 0)
            return error(L"delay needs milliseconds of 0 or more");
        command.verb = fail ? Verb::Fail : Verb::Delay;
        command.method = args[1];
        return command;
    }
    if (verb == L"burst") {
        static const std::pair<const wchar_t*, long> events[] = {
            {L"docked", 1}, {L"undocked", 2}, {L"outbox", 9}, {L"unlocked", 10}};
        long dispId = 0;
        for (const auto& [name, id] : events)
            if (n == 4 && args[2] == name)
                dispId = id;
        if (n != 4 || !isPenId(args[1]) || !dispId || !toLong(args[3], command.count) || command.count < 1)
            return error(L"burst needs a pen id, an event (docked, undocked, unlocked, outbox) and a count");
        command.verb = Verb::Burst;
        command.penId = args[1];
        command.dispId = dispId;
        return command;
    }
    return error(L"unknown command " + verb);
}

} // namespace PenctlArgs
