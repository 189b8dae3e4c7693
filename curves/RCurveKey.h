#ifndef WYX_CURVES_RCURVEKEY_H
#define WYX_CURVES_RCURVEKEY_H

// One key of a function curve: its time and value, and the description of the segment that
// starts at it (interpolation, tangent mode, slopes or auto ratios, weights, velocities).
//
// A key describes the segment that starts at it, so the incoming side of key i lives in key
// i-1: data 1, 3 and 5 of a key are the next key's incoming slope (or ratio), weight and
// velocity; data 0, 2 and 4 are the key's own outgoing ones. Data 2 to 5 are fixed-point
// words (the value times 9999, truncated) read back as word x 0.00010001; the file records and
// the evaluation depend on that rounding. A Tcb key keeps tension in data 0, continuity in
// data 1 and its bias as a float in the storage of data 2 and 3.

#include <cstdint>
#include <type_traits>

#include "core/RTime.h"

class RCurveKey {
public:
    // Interpolation field.
    static constexpr uint32_t Constant = 0x2;
    static constexpr uint32_t Linear = 0x4;
    static constexpr uint32_t Cubic = 0x8;
    // Tangent mode field, meaningful on Cubic keys.
    static constexpr uint32_t Auto = 0x100;
    static constexpr uint32_t Tcb = 0x200;
    static constexpr uint32_t User = 0x400;
    static constexpr uint32_t Break = 0x800;
    static constexpr uint32_t AutoBreak = Auto | Break;
    static constexpr uint32_t UserBreak = User | Break;
    // On a Constant key: the segment holds the next key's value.
    static constexpr uint32_t ConstantNext = 0x100;
    static constexpr uint32_t Selected = 0x10000;
    static constexpr uint32_t WeightedRight = 0x1000000;
    static constexpr uint32_t WeightedNextLeft = 0x2000000;
    static constexpr uint32_t VelocityRight = 0x10000000;
    static constexpr uint32_t VelocityNextLeft = 0x20000000;

    static constexpr uint32_t kInterpolationMask = 0x0000000E;
    static constexpr uint32_t kTangentModeMask = 0x00000F00;
    static constexpr uint32_t kSelectionMask = 0x000F0000;
    static constexpr uint32_t kMarkMask = 0x00300000;
    static constexpr uint32_t kWeightModeMask = 0x03000000;
    static constexpr uint32_t kVelocityModeMask = 0x30000000;

    static constexpr float kDefaultWeight = 1.0f / 3.0f;
    static constexpr float kMinWeight = 0.00010001f;
    static constexpr float kMaxWeight = 0.99f;
    // Scale of the fixed-point words of data 2 to 5.
    static constexpr double kWordScale = 9999.0;
    static constexpr float kWordUnit = 0.00010001f;

    // Sets the whole key: interpolation (with the reset of SetInterpolation), tangent mode,
    // data 0 and 1, the weight-mode field, data 2 to 5; then deselects it and clears the mark
    // bits. The velocity mode is left as it is.
    void Set(RTime time, float value, uint32_t interpolation, uint32_t tangentMode, float data0,
             float data1, uint32_t weightMode, float data2, float data3, float data4, float data5);
    // A new key without weights or velocities (weights 1/3, velocities 0, both modes off):
    // by default the Cubic Auto key that appended, inserted and sampled keys are. data0 and
    // data1 are the outgoing and the next key's incoming slope or ratio.
    static RCurveKey Plain(RTime time, float value, uint32_t interpolation = Cubic, uint32_t tangentMode = Auto,
                           float data0 = 0.0f, float data1 = 0.0f);
    // A Cubic Tcb key with the three parameters.
    void SetTensionContinuityBias(RTime time, float value, float tension, float continuity,
                                  float bias);

    uint32_t GetInterpolation() const { return flags_ & kInterpolationMask; }
    // A key that becomes Cubic starts with weights 1/3, velocities 0 and both modes off.
    void SetInterpolation(uint32_t interpolation);
    uint32_t GetTangentMode() const { return flags_ & kTangentModeMask; }
    void SetTangentMode(uint32_t tangentMode);
    uint32_t GetWeightMode() const { return flags_ & kWeightModeMask; }
    // Only the weight-mode bits under the mask change.
    void SetWeightMode(uint32_t bits, uint32_t mask = kWeightModeMask);
    uint32_t GetVelocityMode() const { return flags_ & kVelocityModeMask; }
    void SetVelocityMode(uint32_t bits, uint32_t mask = kVelocityModeMask);
    bool IsSelected() const { return (flags_ & Selected) != 0; }
    void SetSelected(bool selected);

    // True for a Cubic key whose tangent mode is exactly the given one.
    bool IsCubicWithMode(uint32_t tangentMode) const {
        return GetInterpolation() == Cubic && GetTangentMode() == tangentMode;
    }
    // True for a Cubic key whose tangent mode has any of the given bits.
    bool IsCubicWithModeBits(uint32_t bits) const {
        return GetInterpolation() == Cubic && (GetTangentMode() & bits) != 0;
    }

    float GetValue() const { return value_; }
    void SetValue(float value) { value_ = value; }
    void AddToValue(float amount) { value_ += amount; }
    void MultiplyValue(float factor) { value_ *= factor; }
    RTime GetTime() const { return time_; }
    void SetTime(RTime time) { time_ = time; }

    // Data 0 to 5 in the coding above; weights (2 and 3) are clamped to 0.00010001..0.99 and
    // velocities to what a word holds. Another index reads 0 and is ignored when written.
    float GetDataValue(int index) const;
    void SetDataValue(int index, float value);
    // The raw floats: data 0, data 1 and (index 2) the float overlaying data 2 and 3.
    float GetRawData(int index) const;
    void SetRawData(int index, float value);

    void CopyFrom(const RCurveKey& other) { *this = other; }
    // Multiplies data 0 and 1 of a Cubic User or UserBreak key.
    void ScaleUserSlopes(float factor);

    // The fixed-point words, as the file records and the tests see them.
    static int16_t EncodeWeight(float weight);
    static int16_t EncodeVelocity(float velocity);
    static float DecodeWord(int16_t word) { return static_cast<float>(word) * kWordUnit; }

private:
    float value_ = 0.0f;
    RTime time_;
    uint32_t flags_ = 0;
    float data_[2] = {0.0f, 0.0f};
    // Data 2 to 5; the first two also hold a Tcb key's bias.
    int16_t words_[4] = {0, 0, 0, 0};
};

static_assert(std::is_trivially_copyable<RCurveKey>::value, "keys are moved as raw bytes");

#endif
