#include "core/CriticalSection.h"

CriticalSection::CriticalSection() {
    InitializeCriticalSection(&section_);
}

CriticalSection::~CriticalSection() {
    DeleteCriticalSection(&section_);
}

void CriticalSection::enter() {
    EnterCriticalSection(&section_);
    ++depth_;
}

void CriticalSection::leave() {
    if (depth_ > 0) {
        --depth_;
        LeaveCriticalSection(&section_);
    }
}

Lock::Lock(CriticalSection& section) : section_(&section) {
    section_->enter();
    held_ = true;
}

Lock::~Lock() {
    unlock();
}

void Lock::unlock() {
    if (held_) {
        held_ = false;
        section_->leave();
    }
}
