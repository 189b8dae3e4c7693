#ifndef WYX_CURVES_SAMPLETIMES_H
#define WYX_CURVES_SAMPLETIMES_H

// Sample-time lists of the filters that sample curves at a period and, on request, at the
// curves' own key times too.

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/RTime.h"
#include "curves/RFCurve.h"

namespace sample_times {

// Appends the curve's key times from start to stop (both included).
inline void CollectKeyTimes(const RFCurve& curve, RTime start, RTime stop, std::vector<RTime>& out) {
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        const RTime time = curve.GetKey(k).GetTime();
        if (start <= time && time <= stop) {
            out.push_back(time);
        }
    }
}

// Merges extra times, in any order, into the sorted times; each time is kept once.
inline void Merge(std::vector<RTime>& times, std::vector<RTime> extra) {
    std::sort(extra.begin(), extra.end());
    std::vector<RTime> merged;
    merged.reserve(times.size() + extra.size());
    std::merge(times.begin(), times.end(), extra.begin(), extra.end(), std::back_inserter(merged));
    merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
    times.swap(merged);
}

}  // namespace sample_times

#endif
