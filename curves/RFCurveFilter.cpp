#include "curves/RFCurveFilter.h"

#include <algorithm>
#include <cmath>

#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"

RFCurveFilter::RFCurveFilter(const char* name, const char* const* messages, int messageCount)
    : name_(name), error_(messages, messageCount) {}

RFCurveFilter::~RFCurveFilter() = default;

bool RFCurveFilter::IsNeeded(RFCurve& /*curve*/) {
    return true;
}

bool RFCurveFilter::IsNeeded(RFCurve* const* curves, int count) {
    bool needed = false;
    for (int i = 0; i < count; ++i) {
        if (curves[i] != nullptr && IsNeeded(*curves[i])) {
            needed = true;
        }
    }
    return needed;
}

bool RFCurveFilter::IsNeeded(RFCurveNode& node, bool recursive) {
    bool needed = false;
    if (recursive) {
        for (int i = 0; i < node.GetChildCount(); ++i) {
            if (IsNeeded(*node.GetChild(i), true)) {
                needed = true;
            }
        }
    }
    RFCurve* own = node.GetCurve();
    if (own != nullptr && IsNeeded(&own, 1)) {
        needed = true;
    }
    return needed;
}

bool RFCurveFilter::Apply(RFCurve* const* curves, int count) {
    bool applied = false;
    for (int i = 0; i < count; ++i) {
        if (curves[i] != nullptr && Apply(*curves[i])) {
            applied = true;
        }
    }
    return applied;
}

bool RFCurveFilter::Apply(RFCurveNode& node, bool recursive) {
    bool applied = false;
    if (recursive) {
        for (int i = 0; i < node.GetChildCount(); ++i) {
            if (Apply(*node.GetChild(i), true)) {
                applied = true;
            }
        }
    }
    if (node.GetCurve() != nullptr && Apply(*node.GetCurve())) {
        applied = true;
    }
    return applied;
}

void RFCurveFilter::Reset() {
    ResetSpan();
}

void RFCurveFilter::ReportProgress(int64_t /*firstKey*/, int64_t /*lastKey*/) {}

void RFCurveFilter::SetSpan(RTime start, RTime stop) {
    startTime_ = start;
    stopTime_ = stop;
}

int RFCurveFilter::GetFirstKeyIndex(const RFCurve& curve) const {
    if (curve.GetKeyCount() == 0) {
        return -1;
    }
    const RTime t = std::max(startTime_, curve.GetKey(0).GetTime());
    return static_cast<int>(std::max(curve.FindKeyIndex(t) - 1.0, 0.0));
}

int RFCurveFilter::GetLastKeyIndex(const RFCurve& curve) const {
    const int count = curve.GetKeyCount();
    if (count == 0) {
        return -1;
    }
    const RTime t = std::min(stopTime_, curve.GetKey(count - 1).GetTime());
    // A stop before the first key reads index -0.5, which truncates to 0.
    return std::min(static_cast<int>(curve.FindKeyIndex(t)) + 1, count);
}

int RFCurveFilter::GetLastKeyIndexInKeys(const RFCurve& curve) const {
    const int last = GetLastKeyIndex(curve);
    return last < 0 ? -1 : std::min(last, curve.GetKeyCount() - 1);
}

bool RFCurveFilter::Fail(int code, const char* text) {
    error_.SetError(code, text);
    return false;
}

void RFCurveFilter::ResetSpan() {
    startTime_ = RTime(kSpanStart);
    stopTime_ = RTime(kSpanStop);
}
