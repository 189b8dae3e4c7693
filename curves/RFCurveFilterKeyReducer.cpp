#include "curves/RFCurveFilterKeyReducer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "curves/CurveTime.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterKeySync.h"
#include "curves/RFCurveNode.h"
#include "curves/RKeyUtilities.h"

namespace {

const char* const kMessages[] = {"No key", "Left unchanged"};
constexpr int kMessageCount = 2;
constexpr int kErrorLeftUnchanged = 1;
constexpr const char* kTooFewKeysText = "KeyReducer, No key were changed by filter.";
constexpr const char* kEmptySpanText = "KeyReducer, Invalid Time Span. No key were changed by filter.";

// One source key taken into the fit: the outgoing slope at it and the incoming slope at the
// next fitted key, as a key stores them.
struct FittedKey {
    float outSlope = 0.0f;
    float inSlope = 0.0f;
    uint32_t tangentMode = RCurveKey::User;
    bool used = false;
};

// Fitted keys always carry their slopes as User or UserBreak keys, never Auto: the incoming
// slope stored in the key before would otherwise be read as an auto ratio.
uint32_t UserMode(float left, float right) {
    return left == right ? RCurveKey::User : RCurveKey::UserBreak;
}

RCurveKey MakeFittedKey(const RCurveKey& source, const FittedKey& fitted) {
    return RCurveKey::Plain(source.GetTime(), source.GetValue(), RCurveKey::Cubic, fitted.tangentMode,
                            fitted.outSlope, fitted.inSlope);
}

// A range of source keys between two adjacent fitted keys, or the progress report that
// follows the refinement of one.
struct PendingRange {
    int first;
    int last;
    int depth;
    bool report;
};

// One fitted segment held as a two-key curve, so that it is evaluated exactly as the same
// segment of the fitted curve will be.
class FittedSegment {
public:
    void Load(const RCurveKey& start, const RCurveKey& stop) {
        segment_.BeginBulkKeys(2);
        segment_.GetKey(0) = start;
        segment_.GetKey(1) = stop;
        segment_.EndBulkKeys(2);
        hint_ = 0;
    }
    double ValueAt(RTime time) { return segment_.EvaluateAt(time, &hint_); }

private:
    RFCurve segment_;
    int hint_ = 0;
};

}  // namespace

RFCurveFilterKeyReducer::RFCurveFilterKeyReducer()
    : RFCurveFilter("Bezier Fit/Key Reducer", kMessages, kMessageCount) {
    RFCurveFilterKeyReducer::Reset();
}

void RFCurveFilterKeyReducer::Reset() {
    precision_ = kDefaultPrecision;
    keySync_ = false;
    ResetSpan();
}

bool RFCurveFilterKeyReducer::Apply(RFCurve& curve) {
    const int count = curve.GetKeyCount();
    if (count < 2) {
        return Fail(kErrorLeftUnchanged, kTooFewKeysText);
    }
    const RTime start = std::max(GetStartTime(), curve.GetKey(0).GetTime());
    const RTime stop = std::min(GetStopTime(), curve.GetKey(count - 1).GetTime());
    if (!(curve_time::SecondsBetween(start.GetTicks(), stop.GetTicks()) > 0.0)) {
        return Fail(kErrorLeftUnchanged, kEmptySpanText);
    }
    const int first = std::clamp(static_cast<int>(std::floor(curve.FindKeyIndex(start))), 0, count - 1);
    const int last = std::clamp(static_cast<int>(std::ceil(curve.FindKeyIndex(stop))), 0, count - 1);

    RFCurve fitted;
    fitted.CopyFrom(curve, false);
    Fit(curve, first, last, fitted);
    if (fitted.GetKeyCount() < 2) {
        return Fail(kErrorLeftUnchanged, kTooFewKeysText);
    }

    // The slopes the keys next to the span had, restored after the merge: the fitted end
    // keys store user slopes where the source keys may have stored auto ratios.
    const double incomingAtFirst = curve.GetLeftDerivative(first);
    const double outgoingAtLast = curve.GetRightDerivative(last);
    const double incomingAfterLast = last + 1 < count ? curve.GetLeftDerivative(last + 1) : 0.0;
    SpliceCurves(curve, fitted, curve);
    if (first > 0) {
        curve.SetLeftDerivative(first, incomingAtFirst);
    }
    if (last + 1 < count) {
        const int lastFitted = first + fitted.GetKeyCount() - 1;
        curve.SetRightDerivative(lastFitted, outgoingAtLast);
        curve.SetLeftDerivative(lastFitted + 1, incomingAfterLast);
    }
    return true;
}

void RFCurveFilterKeyReducer::Fit(const RFCurve& source, int first, int last, RFCurve& fitted) {
    const auto left = [&source](int k) { return static_cast<float>(source.GetLeftDerivative(k)); };
    const auto right = [&source](int k) { return static_cast<float>(source.GetRightDerivative(k)); };
    const bool lastIsCurveEnd = last == source.GetKeyCount() - 1;

    // Fitted keys by source index (relative to first).
    std::vector<FittedKey> keys(static_cast<std::size_t>(last - first + 1));
    keys.front() = {right(first), left(last), UserMode(left(first), right(first)), true};
    keys.back() = {lastIsCurveEnd ? 0.0f : right(last), 0.0f, UserMode(left(last), right(last)), true};
    const auto slot = [&keys, first](int k) -> FittedKey& { return keys[static_cast<std::size_t>(k - first)]; };

    const double allowed = precision_ * precision_;
    FittedSegment segment;
    std::vector<PendingRange> pending{{first, last, 0, false}};
    while (!pending.empty()) {
        const PendingRange range = pending.back();
        pending.pop_back();
        if (range.report) {
            ReportProgress(range.first, range.last);
            continue;
        }
        segment.Load(MakeFittedKey(source.GetKey(range.first), slot(range.first)),
                     MakeFittedKey(source.GetKey(range.last), slot(range.last)));
        // The fitted keys at both ends match their source keys: only the keys between count.
        // Of keys that miss the fit equally, the one nearest the middle splits the range, so
        // that even errors (a zigzag) still halve it at every step.
        double worst = 0.0;
        int split = -1;
        const int middle = range.first + (range.last - range.first) / 2;
        const auto offCentre = [middle](int k) { return k < middle ? middle - k : k - middle; };
        for (int k = range.first + 1; k < range.last; ++k) {
            const RCurveKey& key = source.GetKey(k);
            const double difference = segment.ValueAt(key.GetTime()) - key.GetValue();
            const double squared = difference * difference;
            if (squared > worst || (squared == worst && split >= 0 && offCentre(k) < offCentre(split))) {
                worst = squared;
                split = k;
            }
        }
        if (split < 0 || !(worst > allowed)) {
            continue;
        }

        FittedKey& before = slot(range.first);
        const float incoming = left(split);
        const float outgoing = right(split);
        slot(split) = {outgoing, before.inSlope, UserMode(incoming, outgoing), true};
        before.inSlope = incoming;

        // Pushed in reverse: the range before the split is refined first, each range
        // followed by its progress report.
        const int depth = range.depth + 1;
        const bool report = depth < kProgressDepth;
        if (range.last > split + 1) {
            if (report) {
                pending.push_back({split, range.last, depth, true});
            }
            pending.push_back({split, range.last, depth, false});
        }
        if (split > range.first + 1) {
            if (report) {
                pending.push_back({range.first, split, depth, true});
            }
            pending.push_back({range.first, split, depth, false});
        }
    }

    const int used = static_cast<int>(std::count_if(keys.begin(), keys.end(),
                                                    [](const FittedKey& key) { return key.used; }));
    if (!fitted.BeginBulkKeys(used)) {
        fitted.EndBulkKeys(0);
        return;
    }
    int out = 0;
    for (int k = first; k <= last; ++k) {
        if (slot(k).used) {
            fitted.GetKey(out++) = MakeFittedKey(source.GetKey(k), slot(k));
        }
    }
    fitted.EndBulkKeys(used);
}

bool RFCurveFilterKeyReducer::Apply(RFCurve* const* curves, int count) {
    // Off while the base form runs, so that the synchronisation happens once, here.
    const bool keySync = keySync_;
    keySync_ = false;
    const bool reduced = RFCurveFilter::Apply(curves, count);
    keySync_ = keySync;
    if (keySync && count >= 2) {
        RFCurveFilterKeySync sync;
        sync.SetSpan(GetStartTime(), GetStopTime());
        sync.Apply(curves, count);
    }
    return reduced;
}

bool RFCurveFilterKeyReducer::Apply(RFCurveNode& node, bool recursive) {
    const bool keySync = keySync_;
    keySync_ = false;
    const bool reduced = RFCurveFilter::Apply(node, recursive);
    keySync_ = keySync;
    if (keySync && node.GetChildCount() > 1) {
        RFCurveFilterKeySync sync;
        sync.SetSpan(GetStartTime(), GetStopTime());
        sync.Apply(node, recursive);
    }
    return reduced;
}
