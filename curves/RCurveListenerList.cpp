#include "curves/RCurveListenerList.h"

#include <algorithm>

bool RCurveListenerList::HoldsSerial(std::uint64_t serial) const {
    return std::any_of(entries_.begin(), entries_.end(), [serial](const Entry& entry) { return entry.serial == serial; });
}

void RCurveListenerList::CopyTo(std::vector<Entry>& entries) const {
    entries.assign(entries_.begin(), entries_.end());
}
