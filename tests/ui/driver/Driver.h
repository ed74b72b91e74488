#pragma once
// The ui test driver in one include: programs started from the build tree, their windows
// found and used from outside as a user would, and the pen manager stand-in through penctl.
#include "ui/driver/Control.h"
#include "ui/driver/DebugLog.h"
#include "ui/driver/ListView.h"
#include "ui/driver/MessageBoxWindow.h"
#include "ui/driver/Panel.h"
#include "ui/driver/Process.h"
#include "ui/driver/RemoteBuffer.h"
#include "ui/driver/Sheet.h"
#include "ui/driver/StandIn.h"
#include "ui/driver/Wait.h"
#include "ui/driver/Window.h"
