#ifndef WYX_TESTS_CURVES_CURVETESTSUPPORT_H
#define WYX_TESTS_CURVES_CURVETESTSUPPORT_H

// Small builders shared by the curve tests.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "core/RTime.h"
#include "curves/RCurveChangeRecord.h"
#include "curves/RFCurve.h"

namespace curve_test {

constexpr int64_t kSecond = RTime::kTicksPerSecond;

inline RTime At(double seconds) { return RTime(std::llround(seconds * static_cast<double>(kSecond))); }

inline RCurveKey MakeKey(float value, uint32_t interpolation, uint32_t tangentMode, float data0 = 0.0f,
                         float data1 = 0.0f) {
    RCurveKey key;
    key.Set(RTime(), value, interpolation, tangentMode, data0, data1, 0, RCurveKey::kDefaultWeight,
            RCurveKey::kDefaultWeight, 0.0f, 0.0f);
    return key;
}

// Adds keys (seconds, value) of one kind; user keys get slope 0.
inline void AddKeys(RFCurve& curve, std::initializer_list<std::pair<double, float>> keys,
                    uint32_t interpolation = RCurveKey::Cubic, uint32_t tangentMode = RCurveKey::Auto) {
    for (const auto& [seconds, value] : keys) {
        curve.AddKey(At(seconds), MakeKey(value, interpolation, tangentMode));
    }
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
