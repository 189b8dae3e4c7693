#include "curves/RCurveChangeRecord.h"

#include <algorithm>

void RCurveChangeRecord::Reset() { *this = RCurveChangeRecord(); }

void RCurveChangeRecord::Add(uint32_t kind, int index) {
    kinds_ |= kind;
    if (count_ == 0) {
        first_ = index;
        last_ = index;
    } else if (first_ != -1) {
        // Once the whole curve is marked it stays marked; a later key index must not hide it.
        first_ = index == -1 ? -1 : std::min(first_, index);
        last_ = std::max(last_, index);
    } else {
        last_ = std::max(last_, index);
    }
    ++count_;
}
