#pragma once
// The pen's user data as the Details page and its sub-pages get it: a working copy that
// the pen sees only when it is written back (IPen::SetUserData).
#include <wrl/client.h>

#include "core/TraceScope.h"
#include "pen/PenManager.h"

// Gets the copy; when it can't be had, logs "Error getting user data" and returns why
// (E_POINTER when the pen answered without one).
HRESULT GetUserDataCopy(IPen* pen, Microsoft::WRL::ComPtr<IUserData>& data, TraceScope& scope);
