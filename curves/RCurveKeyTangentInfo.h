#ifndef WYX_CURVES_RCURVEKEYTANGENTINFO_H
#define WYX_CURVES_RCURVEKEYTANGENTINFO_H

// One side (incoming or outgoing) of a key as a whole: what key edits and filters read
// before a change and apply again after it.

#include "curves/RCurveKey.h"

struct RCurveKeyTangentInfo {
    float slope = 0.0f;
    float weight = RCurveKey::kDefaultWeight;
    bool weighted = false;
    float velocity = 0.0f;
    bool velocityOn = false;
    float autoRatio = 0.0f;
};

#endif
