#pragma once

#include <windows.h>

// Re-entrant Win32 critical section that counts how deep it is held, so that an
// unbalanced leave does nothing instead of corrupting the section.
class CriticalSection {
public:
    CriticalSection();
    virtual ~CriticalSection();

    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter();
    void leave();
    LONG depth() const { return depth_; }

private:
    CRITICAL_SECTION section_;
    LONG depth_ = 0;
};

// Scope guard: enters on construction, leaves on destruction if still held.
class Lock {
public:
    explicit Lock(CriticalSection& section);
    virtual ~Lock();

    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void unlock();
    bool held() const { return held_; }

private:
    CriticalSection* section_;
    bool held_ = false;
};
