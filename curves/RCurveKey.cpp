#include "curves/RCurveKey.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A word read back is word x 0.00010001 in single precision, which times 9999 lies just
// below the word; plain truncation would lose one unit every time a key side is read and
// stored again. Values within this slack below a whole word therefore count as that word.
constexpr double kRoundTripSlack = 0.01;

// Truncates toward zero into a word (NaN gives 0, values beyond the word its limits).
int16_t TruncateToWord(double scaled) {
    constexpr double kLowest = std::numeric_limits<int16_t>::min();
    constexpr double kHighest = std::numeric_limits<int16_t>::max();
    if (std::isnan(scaled)) {
        return 0;
    }
    const double magnitude = std::trunc(std::fabs(scaled) + kRoundTripSlack);
    const double word = scaled < 0.0 ? -magnitude : magnitude;
    return static_cast<int16_t>(std::clamp(word, kLowest, kHighest));
}

void SetField(uint32_t& flags, uint32_t mask, uint32_t bits) { flags = (flags & ~mask) | (bits & mask); }

}  // namespace

int16_t RCurveKey::EncodeWeight(float weight) {
    if (std::isnan(weight)) {
        weight = kDefaultWeight;
    }
    if (weight > kMaxWeight) {
        weight = kMaxWeight;
    } else if (weight < kMinWeight) {
        weight = kMinWeight;
    }
    // The minimum times 9999 truncates to 0; a weight never reads as 0, so the smallest word is 1.
    const int16_t word = TruncateToWord(static_cast<double>(weight) * kWordScale);
    return word < 1 ? int16_t{1} : word;
}

int16_t RCurveKey::EncodeVelocity(float velocity) {
    return TruncateToWord(static_cast<double>(velocity) * kWordScale);
}

void RCurveKey::Set(RTime time, float value, uint32_t interpolation, uint32_t tangentMode,
                    float data0, float data1, uint32_t weightMode, float data2, float data3,
                    float data4, float data5) {
    time_ = time;
    value_ = value;
    SetInterpolation(interpolation);
    SetTangentMode(tangentMode);
    data_[0] = data0;
    data_[1] = data1;
    SetWeightMode(weightMode);
    SetDataValue(2, data2);
    SetDataValue(3, data3);
    SetDataValue(4, data4);
    SetDataValue(5, data5);
    SetSelected(false);
    SetField(flags_, kMarkMask, 0);
}

RCurveKey RCurveKey::Plain(RTime time, float value, uint32_t interpolation, uint32_t tangentMode, float data0,
                           float data1) {
    RCurveKey key;
    key.Set(time, value, interpolation, tangentMode, data0, data1, 0, kDefaultWeight, kDefaultWeight, 0.0f, 0.0f);
    return key;
}

void RCurveKey::SetTensionContinuityBias(RTime time, float value, float tension, float continuity,
                                         float bias) {
    time_ = time;
    value_ = value;
    SetInterpolation(Cubic);
    SetTangentMode(Tcb);
    SetRawData(0, tension);
    SetRawData(1, continuity);
    SetRawData(2, bias);
    SetSelected(false);
    SetField(flags_, kMarkMask, 0);
}

void RCurveKey::SetInterpolation(uint32_t interpolation) {
    if (GetInterpolation() != Cubic && (interpolation & kInterpolationMask) == Cubic) {
        SetWeightMode(0);
        SetDataValue(2, kDefaultWeight);
        SetDataValue(3, kDefaultWeight);
        SetVelocityMode(0);
        SetDataValue(4, 0.0f);
        SetDataValue(5, 0.0f);
    }
    SetField(flags_, kInterpolationMask, interpolation);
}

void RCurveKey::SetTangentMode(uint32_t tangentMode) { SetField(flags_, kTangentModeMask, tangentMode); }

void RCurveKey::SetWeightMode(uint32_t bits, uint32_t mask) {
    SetField(flags_, mask & kWeightModeMask, bits);
}

void RCurveKey::SetVelocityMode(uint32_t bits, uint32_t mask) {
    SetField(flags_, mask & kVelocityModeMask, bits);
}

void RCurveKey::SetSelected(bool selected) {
    SetField(flags_, kSelectionMask, selected ? Selected : 0);
}

float RCurveKey::GetDataValue(int index) const {
    if (index == 0 || index == 1) {
        return data_[index];
    }
    if (index >= 2 && index <= 5) {
        return DecodeWord(words_[index - 2]);
    }
    return 0.0f;
}

void RCurveKey::SetDataValue(int index, float value) {
    if (index == 0 || index == 1) {
        data_[index] = value;
    } else if (index == 2 || index == 3) {
        words_[index - 2] = EncodeWeight(value);
    } else if (index == 4 || index == 5) {
        words_[index - 2] = EncodeVelocity(value);
    }
}

float RCurveKey::GetRawData(int index) const {
    if (index == 0 || index == 1) {
        return data_[index];
    }
    float overlay = 0.0f;
    if (index == 2) {
        static_assert(sizeof(overlay) == 2 * sizeof(words_[0]), "the bias overlays two words");
        std::memcpy(&overlay, words_, sizeof(overlay));
    }
    return overlay;
}

void RCurveKey::SetRawData(int index, float value) {
    if (index == 0 || index == 1) {
        data_[index] = value;
    } else if (index == 2) {
        std::memcpy(words_, &value, sizeof(value));
    }
}

void RCurveKey::ScaleUserSlopes(float factor) {
    if (IsCubicWithMode(User) || IsCubicWithMode(UserBreak)) {
        data_[0] *= factor;
        data_[1] *= factor;
    }
}
