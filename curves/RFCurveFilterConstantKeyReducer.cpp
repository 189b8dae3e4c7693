#include "curves/RFCurveFilterConstantKeyReducer.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"

namespace {

const char* const kMessages[] = {"No key", "Left unchanged"};

constexpr int kErrorNoKey = 0;
constexpr int kErrorUnchanged = 1;

bool IsNamed(const RFCurveNode* node, const char* shortName, const char* longName) {
    if (node == nullptr) {
        return false;
    }
    const char* name = node->GetName();
    return name != nullptr && (std::strcmp(name, shortName) == 0 || std::strcmp(name, longName) == 0);
}

// The node's own name decides first, then its parent's.
bool IsChannel(const RFCurveNode& node, const char* shortName, const char* longName) {
    return IsNamed(&node, shortName, longName) || IsNamed(node.GetParent(), shortName, longName);
}

bool IsLinear(const RFCurve& curve, int k) {
    return curve.GetKey(k).GetInterpolation() == RCurveKey::Linear;
}

// The slope arriving at a run's last key, worked out the first time a key asks for it.
class ReferenceSlope {
public:
    ReferenceSlope(const RFCurve& curve, int key) : curve_(curve), key_(key) {}

    double Get() {
        if (!known_) {
            slope_ = curve_.GetLeftDerivative(key_);
            known_ = true;
        }
        return slope_;
    }

private:
    const RFCurve& curve_;
    int key_;
    bool known_ = false;
    double slope_ = 0.0;
};

// Opens the curve's edit bracket at the first change only, so a curve left unchanged is not
// counted as modified, and closes it when the reduction ends.
class LazyEdit {
public:
    explicit LazyEdit(RFCurve& curve) : curve_(curve) {}
    ~LazyEdit() {
        if (open_) {
            curve_.EndEdit();
        }
    }
    LazyEdit(const LazyEdit&) = delete;
    LazyEdit& operator=(const LazyEdit&) = delete;

    void Open() {
        if (!open_) {
            curve_.BeginEdit();
            open_ = true;
        }
    }

private:
    RFCurve& curve_;
    bool open_ = false;
};

// Keys past the scan are final once a run below them is reduced. They are taken off the end of
// the curve (which moves no key) and put back once at the end, so that removing the inner keys
// of each run moves only the few keys the scan still needs instead of the whole tail.
class FinishedTail {
public:
    // Moves the keys from index from to the end of the curve into the tail.
    void Take(RFCurve& curve, int from) {
        const int count = curve.GetKeyCount();
        if (from >= count) {
            return;
        }
        for (int k = count - 1; k >= from; --k) {
            reversed_.push_back(curve.GetKey(k));
        }
        curve.RemoveKeys(from, count - 1);
    }

    int Size() const { return static_cast<int>(reversed_.size()); }

    // Appends the tail again, in key order; the blocks that held it were kept.
    void PutBack(RFCurve& curve) {
        int hint = curve.GetKeyCount() - 1;
        for (auto key = reversed_.rbegin(); key != reversed_.rend(); ++key) {
            curve.AddKey(key->GetTime(), *key, &hint);
        }
        reversed_.clear();
    }

private:
    std::vector<RCurveKey> reversed_;
};

}  // namespace

RFCurveFilterConstantKeyReducer::RFCurveFilterConstantKeyReducer()
    : RFCurveFilter("Constant Key Reducer", kMessages, 2) {
    RFCurveFilterConstantKeyReducer::Reset();
}

void RFCurveFilterConstantKeyReducer::Reset() {
    slopeTolerance_ = kDefaultTolerance;
    valueTolerance_ = kDefaultTolerance;
    translationTolerance_ = kDefaultTolerance;
    rotationTolerance_ = kDefaultRotationTolerance;
    scalingTolerance_ = kDefaultTolerance;
    otherTolerance_ = kDefaultTolerance;
    keepEndKeys_ = false;
    keepOneKey_ = false;
    RFCurveFilter::Reset();
}

double RFCurveFilterConstantKeyReducer::ChannelTolerance(const RFCurveNode& node) const {
    if (IsChannel(node, "R", "Lcl Rotation")) {
        return rotationTolerance_;
    }
    if (IsChannel(node, "S", "Lcl Scaling")) {
        return scalingTolerance_;
    }
    if (IsChannel(node, "T", "Lcl Translation")) {
        return translationTolerance_;
    }
    return otherTolerance_;
}

bool RFCurveFilterConstantKeyReducer::Apply(RFCurveNode& node, bool recursive) {
    const double slope = slopeTolerance_;
    const double value = valueTolerance_;
    const double channel = ChannelTolerance(node);
    if (slopeTolerance_ == kDefaultTolerance) {
        slopeTolerance_ = channel;
    }
    if (valueTolerance_ == kDefaultTolerance) {
        valueTolerance_ = channel;
    }
    const bool result = RFCurveFilter::Apply(node, recursive);
    slopeTolerance_ = slope;
    valueTolerance_ = value;
    return result;
}

bool RFCurveFilterConstantKeyReducer::IsWithinSlope(double slope, double reference) const {
    return std::fabs(slope - reference) <= slopeTolerance_;
}

bool RFCurveFilterConstantKeyReducer::Apply(RFCurve& curve) {
    if (curve.GetKeyCount() == 0) {
        return Fail(kErrorNoKey, "ConstantKeyReducer, No key to be filtered.");
    }
    LazyEdit edit(curve);
    FinishedTail tail;
    bool changed = false;
    const int first = GetFirstKeyIndex(curve);
    int i = GetLastKeyIndexInKeys(curve);

    // Runs are scanned from the span's last key down. A run starts at key i with the slope
    // arriving there and its value; earlier keys join while they leave and arrive flat
    // within the tolerances.
    while (i > first) {
        // The slopes are asked for only once a key's value joins the run: on a moving curve
        // the value alone ends most runs at their first step.
        ReferenceSlope referenceSlope(curve, i);
        const double referenceValue = curve.GetKey(i).GetValue();
        int runFirst = i;
        int next = first;
        for (int j = i - 1; j >= first; --j) {
            if (std::fabs(curve.GetKey(j).GetValue() - referenceValue) > valueTolerance_ ||
                (!IsLinear(curve, j) && !IsWithinSlope(curve.GetRightDerivative(j), referenceSlope.Get()))) {
                next = j;
                break;
            }
            runFirst = j;
            next = j;
            if (j > 0 && !IsLinear(curve, j - 1) &&
                !IsWithinSlope(curve.GetLeftDerivative(j), referenceSlope.Get())) {
                break;
            }
        }

        if (i - runFirst + 1 >= 3) {
            edit.Open();
            const int count = curve.GetKeyCount();
            const bool coversAll = runFirst == 0 && i == count - 1 && tail.Size() == 0;
            if (coversAll && !keepEndKeys_) {
                if (keepOneKey_) {
                    curve.RemoveKeys(1, count - 1);
                } else {
                    const float flatValue = curve.GetKey(0).GetValue();
                    curve.RemoveKeys(0, count - 1);
                    curve.SetDefaultValue(flatValue);
                }
            } else {
                curve.RemoveKeys(runFirst + 1, i - 1);
                // Key runFirst + 1 is the run's last key now; the scan needs it as the
                // neighbour of runFirst, nothing above it.
                tail.Take(curve, runFirst + 2);
            }
            changed = true;
        }
        i = next;
    }
    tail.PutBack(curve);

    if (!keepEndKeys_) {
        if (curve.GetKeyCount() == 1 && IsRemovableSingleKey(curve)) {
            edit.Open();
            curve.SetDefaultValue(curve.GetKey(0).GetValue());
            curve.RemoveKey(0);
            curve.CompactKeyBlocks();
            return true;
        }
        if (curve.GetKeyCount() == 2 && IsFlatPair(curve)) {
            // Key 1 first; one key at most with keep-one-key.
            const float firstValue = curve.GetKey(0).GetValue();
            int allowance = keepOneKey_ ? 1 : 2;
            edit.Open();
            if (IsInSpan(curve.GetKey(1).GetTime())) {
                curve.RemoveKey(1);
                --allowance;
                changed = true;
            }
            if (allowance > 0 && IsInSpan(curve.GetKey(0).GetTime())) {
                curve.RemoveKey(0);
                curve.SetDefaultValue(firstValue);
                changed = true;
            }
        }
    }
    if (!changed) {
        return Fail(kErrorUnchanged, "ConstantKeyReducer, No key were changed by filter.");
    }
    curve.CompactKeyBlocks();
    return true;
}

// A single key inside the span around which the curve is flat.
bool RFCurveFilterConstantKeyReducer::IsRemovableSingleKey(const RFCurve& curve) const {
    return IsInSpan(curve.GetKey(0).GetTime()) && !keepOneKey_ &&
           IsWithinSlope(curve.GetRightDerivative(0), curve.GetLeftDerivative(0));
}

// Two keys of one value with flat slopes on both sides of both.
bool RFCurveFilterConstantKeyReducer::IsFlatPair(const RFCurve& curve) const {
    const double reference = curve.GetLeftDerivative(0);
    const double difference = static_cast<double>(curve.GetKey(1).GetValue()) - curve.GetKey(0).GetValue();
    return std::fabs(difference) <= valueTolerance_ &&
           IsWithinSlope(curve.GetRightDerivative(0), reference) &&
           IsWithinSlope(curve.GetLeftDerivative(1), reference) &&
           IsWithinSlope(curve.GetRightDerivative(1), reference);
}
