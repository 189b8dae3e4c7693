#ifndef WYX_TESTS_ATTRIBUTES_CURVEDEFAULTS_H
#define WYX_TESTS_ATTRIBUTES_CURVEDEFAULTS_H

// Reading and writing a channel curve's default value in the attribute tests; a missing curve
// is reported as a failure rather than a crash.

#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include <limits>

namespace attribute_test {

// NaN, with a failure, when the take node has no such curve.
inline float DefaultOf(const RFCurve* curve) {
    if (curve == nullptr) {
        ADD_FAILURE() << "the take node lacks the curve";
        return std::numeric_limits<float>::quiet_NaN();
    }
    return curve->GetDefaultValue();
}

inline void SetDefaultOf(RFCurve* curve, float value) {
    if (curve == nullptr) {
        ADD_FAILURE() << "the take node lacks the curve";
        return;
    }
    curve->SetDefaultValue(value);
}

}  // namespace attribute_test

#endif
