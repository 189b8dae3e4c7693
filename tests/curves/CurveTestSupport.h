#ifndef WYX_TESTS_CURVES_CURVETESTSUPPORT_H
#define WYX_TESTS_CURVES_CURVETESTSUPPORT_H

// Small builders shared by the curve tests.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "core/RTime.h"
#include "curves/RCurveChangeRecord.h"
#include "curves/RFCurve.h"

namespace curve_test {

constexpr int64_t kSecond = RTime::kTicksPerSecond;

inline RTime At(double seconds) { return RTime(std::llround(seconds * static_cast<double>(kSecond))); }

struct CurveDeleter {
    void operator()(RFCurve* curve) const { RFCurve::Destroy(curve); }
};
using CurvePtr = std::unique_ptr<RFCurve, CurveDeleter>;

inline RCurveKey MakeKey(float value, uint32_t interpolation, uint32_t tangentMode, float data0 = 0.0f,
                         float data1 = 0.0f, uint32_t weightMode = 0, float weight2 = RCurveKey::kDefaultWeight,
                         float weight3 = RCurveKey::kDefaultWeight) {
    RCurveKey key;
    key.Set(RTime(), value, interpolation, tangentMode, data0, data1, weightMode, weight2, weight3, 0.0f, 0.0f);
    return key;
}

inline RCurveKey MakeTcb(float value, float tension, float continuity, float bias) {
    RCurveKey key;
    key.SetTensionContinuityBias(RTime(), value, tension, continuity, bias);
    return key;
}

// Adds keys (seconds, value) of one kind; user keys get slope 0.
inline void AddKeys(RFCurve& curve, std::initializer_list<std::pair<double, float>> keys,
                    uint32_t interpolation = RCurveKey::Cubic, uint32_t tangentMode = RCurveKey::Auto) {
    for (const auto& [seconds, value] : keys) {
        curve.AddKey(At(seconds), MakeKey(value, interpolation, tangentMode));
    }
}

inline CurvePtr MakeCurve(std::initializer_list<std::pair<double, float>> keys,
                          uint32_t interpolation = RCurveKey::Cubic, uint32_t tangentMode = RCurveKey::User) {
    CurvePtr curve(RFCurve::Create());
    AddKeys(*curve, keys, interpolation, tangentMode);
    return curve;
}

// Linear keys at whole seconds from 0 with value 10 x seconds (0..1 s by default).
inline void MakeRamp(RFCurve& curve, int lastSecond = 1, uint32_t interpolation = RCurveKey::Linear,
                     uint32_t tangentMode = 0) {
    for (int s = 0; s <= lastSecond; ++s) {
        curve.AddKey(At(s), MakeKey(10.0f * static_cast<float>(s), interpolation, tangentMode));
    }
}

inline std::vector<double> KeySeconds(const RFCurve& curve) {
    std::vector<double> seconds;
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        seconds.push_back(curve.GetKey(k).GetTime().ToSeconds());
    }
    return seconds;
}

// The values at 0.1 s steps over [from, to] seconds.
inline std::vector<float> Samples(const RFCurve& curve, double from, double to) {
    std::vector<float> values;
    for (int i = static_cast<int>(std::lround(from * 10)); i <= std::lround(to * 10); ++i) {
        values.push_back(curve.EvaluateAt(At(i * 0.1)));
    }
    return values;
}

// Records what the listeners of a curve were told.
struct ChangeLog {
    int calls = 0;
    RCurveChangeRecord last;

    static void Listen(RFCurve&, const RCurveChangeRecord& record, void* userData) {
        auto* log = static_cast<ChangeLog*>(userData);
        ++log->calls;
        log->last = record;
    }
};

}  // namespace curve_test

#endif
