#pragma once
// PenMessageReceiver: a window that hears the pen messages the monitor (or its owner)
// sends. DispatchPenMessage turns them into the handlers; the pen id travels in wParam.
#include <windows.h>

#include "pen/MyPens.h"

class PenMessageReceiver {
protected:
    ~PenMessageReceiver() = default;

    virtual LRESULT OnPenDocked(const char* penId, LPARAM lp) = 0;
    virtual LRESULT OnPenUndocked(const char* penId, LPARAM lp) = 0;
    // Only the sheet hears unlocking; for everyone else the message is not theirs.
    virtual bool HearsPenUnlocked() const { return false; }
    virtual LRESULT OnPenUnlocked(const char*, LPARAM) { return 0; }

    // True when msg was a pen message for this receiver; result is the handler's.
    bool DispatchPenMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        const char* penId = reinterpret_cast<const char*>(wp);
        switch (msg) {
        case MyPens::WM_PENDOCKED:
            result = OnPenDocked(penId, lp);
            return true;
        case MyPens::WM_PENUNDOCKED:
            result = OnPenUndocked(penId, lp);
            return true;
        case MyPens::WM_PENUNLOCKED:
            if (!HearsPenUnlocked())
                return false;
            result = OnPenUnlocked(penId, lp);
            return true;
        default:
            return false;
        }
    }
};
