#include "platform/RCriticalSection.h"

void RCriticalSection::Lock() {
    mutex_.lock();
}

void RCriticalSection::Unlock() {
    mutex_.unlock();
}
