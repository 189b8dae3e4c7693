#include "curves/RCurveListenerList.h"

#include <algorithm>

void RCurveListenerList::Append(const Entry& entry) {
    if (count_ == 0) {
        first_ = entry;
    } else {
        rest_.push_back(entry);
    }
    ++count_;
}

void RCurveListenerList::RemoveAt(std::size_t index) {
    if (index >= count_) return;
    if (index == 0) {
        if (!rest_.empty()) {
            first_ = rest_.front();
            rest_.erase(rest_.begin());
        } else {
            first_ = Entry();
        }
    } else {
        rest_.erase(rest_.begin() + static_cast<std::ptrdiff_t>(index - 1));
    }
    --count_;
}

bool RCurveListenerList::HoldsSerial(std::uint64_t serial) const {
    if (count_ == 0) return false;
    return first_.serial == serial ||
           std::any_of(rest_.begin(), rest_.end(), [serial](const Entry& entry) { return entry.serial == serial; });
}

void RCurveListenerList::CopyTo(std::vector<Entry>& entries) const {
    entries.clear();
    if (count_ == 0) return;
    entries.reserve(count_);
    entries.push_back(first_);
    entries.insert(entries.end(), rest_.begin(), rest_.end());
}
