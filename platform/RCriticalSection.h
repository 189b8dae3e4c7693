#ifndef WYX_PLATFORM_RCRITICALSECTION_H
#define WYX_PLATFORM_RCRITICALSECTION_H

// A non-recursive lock guarding data shared between threads (the memory pools' free
// lists, the plug handle table).

#include <mutex>

class RCriticalSection {
public:
    RCriticalSection() = default;
    RCriticalSection(const RCriticalSection&) = delete;
    RCriticalSection& operator=(const RCriticalSection&) = delete;

    void Lock();
    void Unlock();

private:
    std::mutex mutex_;
};

// Holds a critical section for the lifetime of the guard.
class RCriticalSectionGuard {
public:
    explicit RCriticalSectionGuard(RCriticalSection& section) : section_(section) { section_.Lock(); }
    ~RCriticalSectionGuard() { section_.Unlock(); }
    RCriticalSectionGuard(const RCriticalSectionGuard&) = delete;
    RCriticalSectionGuard& operator=(const RCriticalSectionGuard&) = delete;

private:
    RCriticalSection& section_;
};

#endif
