#ifndef WYX_CURVES_CURVETIME_H
#define WYX_CURVES_CURVETIME_H

// Time arithmetic shared by the curve code. Key times may lie anywhere in the 64-bit range,
// so distances between two times are taken as unsigned 64-bit counts (the distance between
// any two signed 64-bit values fits), never as a signed difference that could overflow.

#include <cstdint>

#include "core/RTime.h"

namespace curve_time {

// The distance from an earlier time to a later one, in ticks; the caller guarantees
// later >= earlier.
inline uint64_t TicksBetween(int64_t earlier, int64_t later) {
    return static_cast<uint64_t>(later) - static_cast<uint64_t>(earlier);
}

inline double TicksToSeconds(uint64_t ticks) {
    return static_cast<double>(ticks) / static_cast<double>(RTime::kTicksPerSecond);
}

// Signed seconds from one time to another (negative when to lies before from).
inline double SecondsBetween(int64_t from, int64_t to) {
    return to >= from ? TicksToSeconds(TicksBetween(from, to)) : -TicksToSeconds(TicksBetween(to, from));
}

// A time moved by a distance known to keep it inside the 64-bit range.
inline int64_t Advance(int64_t time, uint64_t ticks) {
    return static_cast<int64_t>(static_cast<uint64_t>(time) + ticks);
}
inline int64_t Retreat(int64_t time, uint64_t ticks) {
    return static_cast<int64_t>(static_cast<uint64_t>(time) - ticks);
}

}  // namespace curve_time

#endif
