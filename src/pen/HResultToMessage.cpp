#include "pen/HResultToMessage.h"

#include "core/TraceScope.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

namespace {
struct CodeRange {
    DWORD first;
    DWORD last;
    UINT stringId;
};

// Codes of the pen suite's services and what the user is told about them.
constexpr CodeRange kCodes[] = {
    {0x80040303, 0x80040303, IDS_ERROR_DISK_FULL},
    {0x80040306, 0x80040306, IDS_ERROR_INTERNET},
    {0x80040310, 0x80040310, IDS_ERROR_INTERNET},
    {0x80040314, 0x80040314, IDS_ERROR_INTERNET},
    {0x8004030E, 0x8004030E, IDS_ERROR_NEWER_FILES},
    {0x80040311, 0x80040313, IDS_ERROR_SERVER_CONNECTION},
    {0x8004033A, 0x8004033A, IDS_ERROR_SERVER_CONNECTION},
    {0x80040315, 0x80040315, IDS_ERROR_SERVICE_NOT_FOUND},
    {0x80040317, 0x80040317, IDS_ERROR_ENCRYPTION},
    {0x80040319, 0x80040319, IDS_ERROR_SERVER_BUSY},
    {0x8004031A, 0x8004031A, IDS_ERROR_PEN_UNKNOWN},
    {0x80040328, 0x80040328, IDS_ERROR_PEN_UNKNOWN},
    {0x8004031B, 0x8004031B, IDS_ERROR_BAD_ANSWER},
    {0x8004031C, 0x8004031C, IDS_ERROR_SERVICE_BLOCKED},
    {0x8004031D, 0x8004031D, IDS_ERROR_SERVICE_INACTIVE},
    {0x8004031E, 0x80040321, IDS_ERROR_SERVICE_CONNECTION},
    {0x8004032B, 0x8004032C, IDS_ERROR_SERVICE_CONNECTION},
    {0x8004033D, 0x8004033D, IDS_ERROR_SERVICE_CONNECTION},
    {0x80040323, 0x80040323, IDS_ERROR_PEN_RESET},
    {0x80040324, 0x80040324, IDS_ERROR_PAPER_BLOCKED},
    {0x80040325, 0x80040325, IDS_ERROR_PEN_NOT_ACTIVATED},
    {0x80040326, 0x80040326, IDS_ERROR_PEN_NOT_AUTHORIZED},
    {0x8004033C, 0x8004033C, IDS_ERROR_PEN_NOT_AUTHORIZED},
    {0x80040327, 0x80040327, IDS_ERROR_OTHER_SERVER},
    {0x80040333, 0x80040336, IDS_ERROR_SAVE_PEN_DATA},
    {0x80040338, 0x80040338, IDS_ERROR_PEN_BLOCKED},
    {0x8004033B, 0x8004033B, IDS_ERROR_PEN_BLOCKED},
    {0x8007000E, 0x8007000E, IDS_ERROR_OUT_OF_MEMORY},
};
} // namespace

UINT HResultToMessageId(HRESULT result) {
    DWORD code = static_cast<DWORD>(result);
    for (const CodeRange& range : kCodes)
        if (code >= range.first && code <= range.last)
            return range.stringId;
    return IDS_ERROR_UNEXPECTED;
}

std::wstring HResultToMessage(HRESULT result) {
    TraceScope scope("HResultToMessage");
    // Only these two texts carry the code; the others take no inserts.
    return FormatResString(HResultToMessageId(result), {static_cast<DWORD_PTR>(static_cast<DWORD>(result))});
}
