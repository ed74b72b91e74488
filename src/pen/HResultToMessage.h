#pragma once
// The Spanish sentence shown to the user for an HRESULT of the pen manager or of a pen
// service (the service log's message column, error boxes of the pages).
#include <windows.h>
#include <string>

std::wstring HResultToMessage(HRESULT result);

// The string table id behind HResultToMessage's text for the code.
UINT HResultToMessageId(HRESULT result);
