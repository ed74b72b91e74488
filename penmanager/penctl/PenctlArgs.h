#pragma once

#include <string>
#include <variant>
#include <vector>

// penctl's command line, parsed without touching COM so the rules are tested alone.
namespace PenctlArgs {

enum class Verb { Status, Dock, Undock, Lock, Unlock, OutboxAdd, Set, Password, Hint, Fail, Delay, Burst, Clear, Dump, Calls, Quit };

// How a "set" value travels: text, a 32-bit number, a flag or JSON (objects, lists).
enum class ValueKind { Text, Number, Flag, Json };

struct Command {
    Verb verb = Verb::Status;
    std::wstring penId;
    bool unlockSucceeds = true; // lock
    std::wstring json;          // outbox add
    std::wstring path;          // set: the full state path
    ValueKind valueKind = ValueKind::Text;
    std::wstring text; // set: the value; password: the password, empty for none
    std::wstring hint; // password
    long number = 0; // set (Number, Flag as 0/1), fail (HRESULT), delay (milliseconds)
    std::wstring method;
    long count = -1; // fail, delay: -1 until "clear"; burst: how many events
    long dispId = 0; // burst: the event's dispatch id
};

struct UsageError {
    std::wstring message;
};

using Result = std::variant<Command, UsageError>;

// Whether a JSON value is to be read from a file ("@path") or standard input ("-"):
// values longer than a command line can carry.
bool readLater(const std::wstring& value);

// args without the program name.
Result parse(const std::vector<std::wstring>& args);

// One line naming every command.
extern const wchar_t kUsage[];

} // namespace PenctlArgs
