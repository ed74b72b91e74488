// The objects the pen manager hands out. They read and change the shared PenStore, so
// every client sees the same pens.
#pragma once

#include <string>

#include "pen/PenManager.h"

// The one pen manager object of this process, shared by every client.
IPenManager* penManagerObject();
// Each control client gets its own (stateless) control object.
IPenManagerControl* newControlObject();

IPen* newPen(const std::string& penId);
// The pens docked now.
IPens* newPens();
IOutbox* newOutbox(const std::string& penId);
// The item of a pen's outbox with that time stamp, read from the pen with every call.
IOutboxItem* newOutboxItem(const std::string& penId, LONG seconds, LONG milliseconds);

// Event dispatch ids of IPenManagerEvents.
namespace PenEvents {
constexpr DISPID kDocked = 1;
constexpr DISPID kUndocked = 2;
constexpr DISPID kOutboxItemAdded = 9;
constexpr DISPID kUnlocked = 10;
} // namespace PenEvents
