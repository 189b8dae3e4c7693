// Key slopes from tangent modes, auto ratios, weights, velocities and tangent-info records.

#include <cmath>

#include "curves/AutoTangents.h"
#include "curves/CurveTime.h"
#include "curves/RFCurve.h"

namespace {

using Key = RCurveKey;

bool IsAutoMode(uint32_t mode) { return mode == Key::Auto || mode == Key::AutoBreak; }
bool IsUserMode(uint32_t mode) { return mode == Key::User || mode == Key::UserBreak; }
bool IsCubicAuto(const Key& key) { return key.GetInterpolation() == Key::Cubic && IsAutoMode(key.GetTangentMode()); }

// Tangent modes whose segments may carry weights.
constexpr uint32_t kWeightableModeBits = Key::Auto | Key::User | Key::Break;

}  // namespace

double RFCurve::SegmentSeconds(int k) const {
    return curve_time::SecondsBetween(KeyTicks(k), KeyTicks(k + 1));
}

bool RFCurve::NeighbourSlopes(int k, double& left, double& right) const {
    return ComputeNeighbourSlopes(*this, k, left, right);
}

// Kochanek-Bartels tangents, each secant divided by its own segment's duration. params is the
// key whose tension, continuity and bias apply.
double RFCurve::TcbOutgoing(int k, const RCurveKey& params) const {
    const double t = params.GetRawData(0);
    const double c = params.GetRawData(1);
    const double b = params.GetRawData(2);
    const double after = (KeyValue(k + 1) - KeyValue(k)) / SegmentSeconds(k);
    if (k == 0) {
        return (1.0 - t) * (1.0 - b) * (1.0 - c) * after;
    }
    const double before = (KeyValue(k) - KeyValue(k - 1)) / SegmentSeconds(k - 1);
    return (1.0 - t) * 0.5 * ((1.0 + b) * (1.0 + c) * before + (1.0 - b) * (1.0 - c) * after);
}

double RFCurve::TcbIncoming(int k, const RCurveKey& params) const {
    const double t = params.GetRawData(0);
    const double c = params.GetRawData(1);
    const double b = params.GetRawData(2);
    const double before = (KeyValue(k) - KeyValue(k - 1)) / SegmentSeconds(k - 1);
    if (k == keyCount_ - 1) {
        return (1.0 - t) * (1.0 + b) * (1.0 - c) * before;
    }
    const double after = (KeyValue(k + 1) - KeyValue(k)) / SegmentSeconds(k);
    return (1.0 - t) * 0.5 * ((1.0 + b) * (1.0 - c) * before + (1.0 - b) * (1.0 + c) * after);
}

double RFCurve::GetRightDerivative(int k) const {
    const int n = keyCount_;
    if (k < 0 || k >= n) {
        return 0.0;
    }
    if (k == n - 1) {
        return n <= 1 ? 0.0 : GetLeftDerivative(k);
    }
    const Key& key = keys_.Key(k);
    switch (key.GetInterpolation()) {
        case Key::Constant:
            return 0.0;
        case Key::Linear:
            return (KeyValue(k + 1) - KeyValue(k)) / SegmentSeconds(k);
        case Key::Cubic:
            break;
        default:
            return 0.0;
    }
    const uint32_t mode = key.GetTangentMode();
    if (IsUserMode(mode)) {
        return key.GetDataValue(0);
    }
    if (IsAutoMode(mode)) {
        double left = 0.0;
        double right = 0.0;
        NeighbourSlopes(k, left, right);
        return AutoSlopeFromRatioRight(key.GetDataValue(0), left, right);
    }
    return mode == Key::Tcb ? TcbOutgoing(k, key) : 0.0;
}

double RFCurve::GetLeftDerivative(int k) const {
    const int n = keyCount_;
    if (k < 0 || k >= n) {
        return 0.0;
    }
    if (k == 0) {
        return n <= 1 ? 0.0 : GetRightDerivative(0);
    }
    const Key& previous = keys_.Key(k - 1);
    const Key& key = keys_.Key(k);
    switch (previous.GetInterpolation()) {
        case Key::Constant:
            return 0.0;
        case Key::Linear:
            return (KeyValue(k) - KeyValue(k - 1)) / SegmentSeconds(k - 1);
        case Key::Cubic:
            break;
        default:
            return 0.0;
    }
    const bool previousTcb = previous.GetTangentMode() == Key::Tcb;
    auto autoSlope = [&]() {
        double left = 0.0;
        double right = 0.0;
        NeighbourSlopes(k, left, right);
        return AutoSlopeFromRatioLeft(previous.GetDataValue(1), left, right);
    };
    switch (key.GetInterpolation()) {
        case Key::Cubic:
            switch (key.GetTangentMode()) {
                case Key::User:
                    if (previousTcb) {
                        return k == n - 1 ? 0.0 : key.GetDataValue(0);
                    }
                    return previous.GetDataValue(1);
                case Key::UserBreak:
                    return previousTcb ? TcbIncoming(k, previous) : previous.GetDataValue(1);
                case Key::Auto:
                case Key::AutoBreak:
                    return autoSlope();
                case Key::Tcb:
                    return TcbIncoming(k, key);
                default:
                    return 0.0;
            }
        case Key::Linear:
        case Key::Constant: {
            const uint32_t mode = previous.GetTangentMode();
            if (IsUserMode(mode)) {
                return previous.GetDataValue(1);
            }
            if (IsAutoMode(mode)) {
                return autoSlope();
            }
            if (mode == Key::Tcb && key.GetInterpolation() == Key::Linear) {
                return k == n - 1 ? 0.0 : GetRightDerivative(k);
            }
            return 0.0;
        }
        default:
            return 0.0;
    }
}

bool RFCurve::SetRightDerivative(int k, double slope) {
    if (k < 0 || k >= keyCount_ - 1) {
        return false;
    }
    ResetCache();
    Key& key = keys_.Key(k);
    if (key.GetInterpolation() == Key::Cubic) {
        const uint32_t mode = key.GetTangentMode();
        if (IsUserMode(mode)) {
            key.SetDataValue(0, static_cast<float>(slope));
        } else if (IsAutoMode(mode)) {
            double left = 0.0;
            double right = 0.0;
            NeighbourSlopes(k, left, right);
            key.SetDataValue(0, static_cast<float>(AutoRatioFromSlopeRight(slope, left, right)));
        }
    }
    NotifyChange(RCurveChangeRecord::KeysChanged, k);
    return true;
}

bool RFCurve::SetLeftDerivative(int k, double slope) { return SetIncoming(k, slope, true); }

// Stores the incoming side of key k (data 1 of key k-1) from a slope or a ratio. The word holds
// the value as given, or converted to the other form, by what the two keys' modes read there.
// Afterwards an unbroken user key gets the same value on its outgoing side.
bool RFCurve::SetIncoming(int k, double value, bool givenIsSlope) {
    const int n = keyCount_;
    if (k <= 0 || k > n) {
        return false;
    }
    ResetCache();
    Key& previous = keys_.Key(k - 1);
    const bool keyExists = k < n;
    const uint32_t interpolation = previous.GetInterpolation();
    const uint32_t mode = previous.GetTangentMode();
    if (interpolation == Key::Constant || interpolation == Key::Linear) {
        previous.SetDataValue(1, static_cast<float>(value));
    } else if (interpolation == Key::Cubic && (IsAutoMode(mode) || IsUserMode(mode))) {
        if (!keyExists) {
            previous.SetDataValue(1, static_cast<float>(value));
            NotifyChange(RCurveChangeRecord::KeysChanged, k);
            return true;
        }
        const Key& key = keys_.Key(k);
        const bool keyCubic = key.GetInterpolation() == Key::Cubic;
        const uint32_t givenBit = givenIsSlope ? Key::User : Key::Auto;
        const bool previousGivenForm = givenIsSlope ? IsUserMode(mode) : IsAutoMode(mode);
        const bool storeAsGiven = (keyCubic && (key.GetTangentMode() & givenBit) != 0) ||
                                  (previousGivenForm && !keyCubic);
        double stored = value;
        if (!storeAsGiven) {
            double left = 0.0;
            double right = 0.0;
            NeighbourSlopes(k, left, right);
            stored = givenIsSlope ? AutoRatioFromSlopeLeft(value, left, right)
                                  : AutoSlopeFromRatioLeft(value, left, right);
        }
        previous.SetDataValue(1, static_cast<float>(stored));
    }
    if (keyExists && keys_.Key(k).IsCubicWithMode(Key::User)) {
        if (givenIsSlope) {
            SetRightDerivative(k, value);
        } else {
            SetRightAutoRatio(k, value);
        }
    }
    NotifyChange(RCurveChangeRecord::KeysChanged, k);
    return true;
}

double RFCurve::GetRightAutoRatio(int k) const {
    const int n = keyCount_;
    if (k < 0 || k >= n) {
        return 0.0;
    }
    const Key& key = keys_.Key(k);
    if (IsCubicAuto(key)) {
        return key.GetDataValue(0);
    }
    if (k >= n - 1) {
        return 0.0;
    }
    double left = 0.0;
    double right = 0.0;
    NeighbourSlopes(k, left, right);
    return AutoRatioFromSlopeRight(GetRightDerivative(k), left, right);
}

double RFCurve::GetLeftAutoRatio(int k) const {
    const int n = keyCount_;
    if (k < 0 || k >= n) {
        return 0.0;
    }
    if (k == 0) {
        const Key& first = keys_.Key(0);
        return IsCubicAuto(first) ? first.GetDataValue(0) : 0.0;
    }
    const Key& previous = keys_.Key(k - 1);
    if (previous.GetInterpolation() == Key::Constant) {
        return 0.0;
    }
    if (previous.GetInterpolation() == Key::Linear) {
        return 100.0;
    }
    if (IsCubicAuto(keys_.Key(k))) {
        return previous.GetDataValue(1);
    }
    double left = 0.0;
    double right = 0.0;
    NeighbourSlopes(k, left, right);
    return AutoRatioFromSlopeLeft(GetLeftDerivative(k), left, right);
}

bool RFCurve::SetRightAutoRatio(int k, double ratio) {
    const int n = keyCount_;
    if (k < 0 || k >= n) {
        return false;
    }
    ResetCache();
    Key& key = keys_.Key(k);
    if (key.GetInterpolation() == Key::Cubic) {
        const uint32_t mode = key.GetTangentMode();
        if (IsAutoMode(mode)) {
            key.SetDataValue(0, static_cast<float>(ratio));
        } else if (IsUserMode(mode) && k < n - 1) {
            double left = 0.0;
            double right = 0.0;
            NeighbourSlopes(k, left, right);
            key.SetDataValue(0, static_cast<float>(AutoSlopeFromRatioRight(ratio, left, right)));
        }
    }
    NotifyChange(RCurveChangeRecord::KeysChanged, k);
    return true;
}

bool RFCurve::SetLeftAutoRatio(int k, double ratio) { return SetIncoming(k, ratio, false); }

// ---- Weights and velocities -----------------------------------------------------------------
// The right side of key k lives in key k, the left side in key k-1; either needs a Cubic key
// that starts a segment. A weight read on the right also needs a tangent mode with the 0x100,
// 0x400 or 0x800 bit, and the weight words of a Tcb key hold its bias, never a weight.

namespace {

struct SideSlot {
    int dataIndex;
    uint32_t bit;
};

SideSlot SlotOf(bool left, bool weight) {
    if (weight) {
        return left ? SideSlot{3, Key::WeightedNextLeft} : SideSlot{2, Key::WeightedRight};
    }
    return left ? SideSlot{5, Key::VelocityNextLeft} : SideSlot{4, Key::VelocityRight};
}

bool HasModeBit(const Key& key, uint32_t bit) { return ((key.GetWeightMode() | key.GetVelocityMode()) & bit) != 0; }

void SetModeBit(Key& key, uint32_t bit, bool on) {
    if ((bit & Key::kWeightModeMask) != 0) {
        key.SetWeightMode(on ? bit : 0, bit);
    } else {
        key.SetVelocityMode(on ? bit : 0, bit);
    }
}

}  // namespace

RCurveKey* RFCurve::SideStorage(int k, bool left, bool weight) {
    const int owner = left ? k - 1 : k;
    if (owner < 0 || owner >= keyCount_ - 1 || keys_.Key(owner).GetInterpolation() != Key::Cubic) {
        return nullptr;
    }
    Key& key = keys_.Key(owner);
    return weight && key.GetTangentMode() == Key::Tcb ? nullptr : &key;
}

bool RFCurve::IsSideOn(int k, bool left, bool weight) const {
    if (k < 0 || k >= keyCount_ || (left ? k < 1 : k >= keyCount_ - 1)) {
        return false;
    }
    const Key& owner = keys_.Key(left ? k - 1 : k);
    if (!HasModeBit(owner, SlotOf(left, weight).bit)) {
        return false;
    }
    if (left) {
        return !weight || !owner.IsCubicWithMode(Key::Tcb);
    }
    return owner.IsCubicWithModeBits(kWeightableModeBits);
}

float RFCurve::GetSideValue(int k, bool left, bool weight) const {
    if (!IsSideOn(k, left, weight)) {
        return weight ? Key::kDefaultWeight : 0.0f;
    }
    return keys_.Key(left ? k - 1 : k).GetDataValue(SlotOf(left, weight).dataIndex);
}

bool RFCurve::SetSideOn(int k, bool left, bool weight, bool on) {
    Key* owner = SideStorage(k, left, weight);
    if (owner == nullptr) {
        return false;
    }
    SetModeBit(*owner, SlotOf(left, weight).bit, on);
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, k);
    return true;
}

bool RFCurve::SetSideValue(int k, bool left, bool weight, float value) {
    Key* owner = SideStorage(k, left, weight);
    if (owner == nullptr) {
        return false;
    }
    const SideSlot slot = SlotOf(left, weight);
    owner->SetDataValue(slot.dataIndex, value);
    SetModeBit(*owner, slot.bit, true);
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, k);
    return true;
}

// ---- Tangent-info records ---------------------------------------------------------------------

RCurveKeyTangentInfo RFCurve::GetSideInfo(int k, bool left) const {
    RCurveKeyTangentInfo info;
    info.slope = static_cast<float>(left ? GetLeftDerivative(k) : GetRightDerivative(k));
    info.weight = GetSideValue(k, left, true);
    info.weighted = IsSideOn(k, left, true);
    info.velocity = GetSideValue(k, left, false);
    info.velocityOn = IsSideOn(k, left, false);
    info.autoRatio = static_cast<float>(left ? GetLeftAutoRatio(k) : GetRightAutoRatio(k));
    return info;
}

bool RFCurve::IsAutoSide(int k, bool left) const {
    if (k < 0 || k >= keyCount_ || (left && k < 1)) {
        return false;
    }
    const Key& key = keys_.Key(k);
    if (!left || key.GetInterpolation() == Key::Cubic) {
        return key.IsCubicWithModeBits(Key::Auto);
    }
    return keys_.Key(k - 1).IsCubicWithModeBits(Key::Auto);
}

RCurveKeyTangentInfo RFCurve::RatioKeepingSlope(int k, bool left, RCurveKeyTangentInfo side) const {
    if (k < 0 || k >= keyCount_ || (left ? k < 1 : k >= keyCount_ - 1) || !IsAutoSide(k, left)) {
        return side;
    }
    double leftSecant = 0.0;
    double rightSecant = 0.0;
    NeighbourSlopes(k, leftSecant, rightSecant);
    side.autoRatio = static_cast<float>(left ? AutoRatioFromSlopeLeft(side.slope, leftSecant, rightSecant)
                                             : AutoRatioFromSlopeRight(side.slope, leftSecant, rightSecant));
    return side;
}

RCurveKeyTangentInfo RFCurve::GetLeftTangentInfo(int k) const { return GetSideInfo(k, true); }

RCurveKeyTangentInfo RFCurve::GetRightTangentInfo(int k) const { return GetSideInfo(k, false); }

// The weight is stored first (which marks the side weighted), then the flags as given. On a
// side stored in a Tcb key the weight calls are refused: its weight words hold the bias.
void RFCurve::SetSideWeightAndVelocity(int k, bool left, const RCurveKeyTangentInfo& info) {
    SetSideValue(k, left, true, info.weight);
    SetSideOn(k, left, true, info.weighted);
    SetSideValue(k, left, false, info.velocity);
    SetSideOn(k, left, false, info.velocityOn);
}

bool RFCurve::SetLeftTangentInfo(int k, const RCurveKeyTangentInfo& info) {
    if (k < 1 || k >= keyCount_) {
        return false;
    }
    SetSideWeightAndVelocity(k, true, info);
    if (IsAutoSide(k, true)) {
        SetLeftAutoRatio(k, info.autoRatio);
    } else {
        SetLeftDerivative(k, info.slope);
    }
    return true;
}

bool RFCurve::SetRightTangentInfo(int k, const RCurveKeyTangentInfo& info) {
    const int n = keyCount_;
    if (k < 0 || k >= n) {
        return false;
    }
    Key& key = keys_.Key(k);
    const bool autoSide = IsAutoSide(k, false);
    if (k == n - 1) {
        if (autoSide) {
            key.SetDataValue(0, info.autoRatio);
            ResetCache();
        }
        return true;
    }
    SetSideWeightAndVelocity(k, false, info);
    if (autoSide) {
        SetRightAutoRatio(k, info.autoRatio);
    } else {
        SetRightDerivative(k, info.slope);
    }
    return true;
}

bool RFCurve::SetRightControlValue(int k, double value) {
    if (k < 0 || k >= keyCount_ - 1) {
        return false;
    }
    return SetRightDerivative(k, 3.0 * (value - KeyValue(k)) / SegmentSeconds(k));
}

bool RFCurve::SetLeftControlValue(int k, double value) {
    if (k <= 0 || k >= keyCount_) {
        return false;
    }
    return SetLeftDerivative(k, 3.0 * (KeyValue(k) - value) / SegmentSeconds(k - 1));
}
