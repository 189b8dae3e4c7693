#include "curves/RFCurveFilterKeySync.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "curves/RFCurve.h"
#include "curves/RFCurveFilterSupport.h"
#include "curves/RFCurveNode.h"

namespace {

const char* const kMessages[] = {"No key", "Left unchanged", "Multiple key count", "Unsynched keys",
                                 "Too many curves"};

constexpr int kErrorUnchanged = 1;
constexpr int kErrorKeyCount = 2;
constexpr int kErrorUnsynchronized = 3;
constexpr int kErrorTooManyCurves = 4;

const char kUnchangedText[] = "KeySyncFilter, No key were changed by filter.";

// The non-null curves of an array.
std::vector<RFCurve*> PresentCurves(RFCurve* const* curves, int count) {
    std::vector<RFCurve*> present;
    for (int i = 0; i < count; ++i) {
        if (curves[i] != nullptr) {
            present.push_back(curves[i]);
        }
    }
    return present;
}

// Walks the key times of one unchanged curve in order.
class KeyCursor {
public:
    explicit KeyCursor(const RFCurve& curve) : curve_(curve) {}

    // The first key time at or after the bound, if any. The cursor only moves forward, so a
    // whole synchronization reads every key once.
    bool NextAtOrAfter(RTime bound, RTime& time) {
        const int count = curve_.GetKeyCount();
        while (index_ < count && curve_.GetKey(index_).GetTime() < bound) {
            ++index_;
        }
        if (index_ >= count) {
            return false;
        }
        time = curve_.GetKey(index_).GetTime();
        return true;
    }

private:
    const RFCurve& curve_;
    int index_ = 0;
};

// Keeps the keys of a curve beyond the time being worked on out of the curve, so that adding
// keys in time order moves only the few keys after the insertion instead of the whole rest
// of the curve. Insertions read and change at most the two keys on each side of the new key;
// the curve always holds kLookahead keys after the time, or all of them.
class StreamedKeys {
public:
    static constexpr int kLookahead = 3;

    explicit StreamedKeys(RFCurve& curve) : curve_(curve) {
        const int count = curve.GetKeyCount();
        if (count > kLookahead) {
            pending_.reserve(static_cast<size_t>(count - kLookahead));
            for (int k = kLookahead; k < count; ++k) {
                pending_.push_back(curve.GetKey(k));
            }
            curve.RemoveKeys(kLookahead, count - 1);
        }
    }

    // Brings keys back until the curve holds enough keys after the time.
    void ReachPast(RTime time) {
        while (next_ < pending_.size()) {
            const int count = curve_.GetKeyCount();
            if (count > 0 && curve_.GetKey(count - 1).GetTime() > time) {
                const int firstAfter = static_cast<int>(std::floor(curve_.FindKeyIndex(time, &hint_))) + 1;
                if (count - firstAfter >= kLookahead) {
                    return;
                }
            }
            Append();
        }
    }

    void Finish() {
        while (next_ < pending_.size()) {
            Append();
        }
    }

private:
    void Append() {
        const RCurveKey& key = pending_[next_++];
        int hint = curve_.GetKeyCount() - 1;
        curve_.AddKey(key.GetTime(), key, &hint);
    }

    RFCurve& curve_;
    std::vector<RCurveKey> pending_;
    size_t next_ = 0;
    int hint_ = 0;
};

}  // namespace

RFCurveFilterKeySync::RFCurveFilterKeySync() : RFCurveFilter("FCurve Key Synchronizer", kMessages, 5) {
    ResetSpan();
}

bool RFCurveFilterKeySync::IsNeeded(RFCurve& /*curve*/) {
    return Fail(kErrorUnchanged, kUnchangedText);
}

bool RFCurveFilterKeySync::Apply(RFCurve& /*curve*/) {
    return Fail(kErrorUnchanged, kUnchangedText);
}

bool RFCurveFilterKeySync::IsNeeded(RFCurve* const* curves, int count) {
    const std::vector<RFCurve*> present = PresentCurves(curves, count);
    if (present.empty()) {
        return false;
    }
    const RFCurve& reference = *present.front();
    const int keyCount = reference.GetKeyCount();
    for (const RFCurve* curve : present) {
        if (curve->GetKeyCount() != keyCount) {
            Fail(kErrorKeyCount, "KeySyncFilter, Key count is different in the Curves to be filtered.");
            return true;
        }
    }
    for (int k = 0; k < keyCount; ++k) {
        const RTime time = reference.GetKey(k).GetTime();
        for (const RFCurve* curve : present) {
            if (curve->GetKey(k).GetTime() != time) {
                Fail(kErrorUnsynchronized, "KeySyncFilter, keys are not synchronized.");
                return true;
            }
        }
    }
    return false;
}

bool RFCurveFilterKeySync::Apply(RFCurve* const* curves, int count) {
    const std::vector<RFCurve*> present = PresentCurves(curves, count);
    if (present.size() < 2) {
        return Fail(kErrorUnchanged, kUnchangedText);
    }
    int largest = 0;
    std::vector<TemporaryCurve> unchanged;
    std::vector<KeyCursor> cursors;
    unchanged.reserve(present.size());
    cursors.reserve(present.size());
    for (RFCurve* curve : present) {
        largest = std::max(largest, curve->GetKeyCount());
        unchanged.emplace_back(curve->Clone(RTime(kSpanStart), RTime(kSpanStop)));
        cursors.emplace_back(*unchanged.back());
    }
    std::vector<StreamedKeys> streams;
    streams.reserve(present.size());
    for (RFCurve* curve : present) {
        curve->BeginEdit();
        curve->ReserveKeys(largest);
        streams.emplace_back(*curve);
    }

    // Key times are visited in order from the span's start; each becomes a key of every curve,
    // valued on that curve's unchanged shape.
    std::vector<int> hints(present.size(), 0);
    RTime bound = GetStartTime();
    while (true) {
        bool found = false;
        RTime next;
        for (KeyCursor& cursor : cursors) {
            RTime time;
            if (cursor.NextAtOrAfter(bound, time) && (!found || time < next)) {
                next = time;
                found = true;
            }
        }
        if (!found || next > GetStopTime()) {
            break;
        }
        for (size_t c = 0; c < present.size(); ++c) {
            streams[c].ReachPast(next);
            const int index = present[c]->InsertKeyAt(next, &hints[c]);
            if (index >= 0) {
                present[c]->GetKey(index).SetValue(unchanged[c]->EvaluateAt(next));
            }
        }
        if (next.IsInfinitelyLate()) {
            break;
        }
        bound = next + RTime(1);
    }

    for (size_t c = 0; c < present.size(); ++c) {
        streams[c].Finish();
        present[c]->EndEdit();
    }
    return true;
}

bool RFCurveFilterKeySync::GatherChildCurves(const RFCurveNode& node, RFCurve* curves[kMaxNodeCurves],
                                             int& count) {
    count = 0;
    if (node.GetChildCount() > kMaxNodeCurves) {
        return Fail(kErrorTooManyCurves, "KeySyncFilter, Curve count is too mush. No support above 20 curves..");
    }
    // Children without a curve have nothing to synchronize.
    for (int i = 0; i < node.GetChildCount(); ++i) {
        RFCurve* curve = node.GetChild(i)->GetCurve();
        if (curve != nullptr) {
            curves[count++] = curve;
        }
    }
    return true;
}

bool RFCurveFilterKeySync::IsNeeded(RFCurveNode& node, bool /*recursive*/) {
    RFCurve* curves[kMaxNodeCurves];
    int count = 0;
    return GatherChildCurves(node, curves, count) && IsNeeded(curves, count);
}

bool RFCurveFilterKeySync::Apply(RFCurveNode& node, bool /*recursive*/) {
    RFCurve* curves[kMaxNodeCurves];
    int count = 0;
    return GatherChildCurves(node, curves, count) && Apply(curves, count);
}
