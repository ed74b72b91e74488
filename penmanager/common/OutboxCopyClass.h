// The outbox travels by value: the stand-in writes a pen's outbox with its IMarshal, and
// this in-process class (PenOutbox.dll) rebuilds it in the caller's apartment. Reading a
// thousand requests then costs one round trip instead of eleven per request.
//
// The text is JSON: {"penId": ..., "items": [the pen's outbox items], "rules": {method:
// {"hr", "ms", "count"}}}, where rules are the injected failures and delays of the
// outbox's read methods that the copy applies itself. Writes (SetVisited, Remove) go to
// the pen through IPenManagerControl::GetOutboxItem, the live item.
#pragma once

#include <windows.h>

// {67671267-322F-4B07-8605-9DD2A6D0352F}
inline constexpr CLSID CLSID_OutboxCopy = {
    0x67671267, 0x322f, 0x4b07, {0x86, 0x05, 0x9d, 0xd2, 0xa6, 0xd0, 0x35, 0x2f}};
