// The objects the pen manager hands out. They read and change the shared PenStore, so
// every client sees the same pens.
#pragma once

#include "ComBase.h"

// The one pen manager object of this process, shared by every client.
IPenManager* penManagerObject();
IPenManagerControl* newControlObject();
