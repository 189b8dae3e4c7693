#include "formats/motion/RotationCurveFilter.h"

#include "curves/RAnimationSettings.h"
#include "curves/RFCurveFilterGimbleKiller.h"

void RotationCurveFilter::Apply(RFCurve* const rotation[3]) {
    if (rotation[0] == nullptr || rotation[1] == nullptr || rotation[2] == nullptr) {
        return;
    }
    const int mode = GetRotationFilterMode();
    if (mode == kRotationFilterUnroll) {
        unroll_.Apply(rotation, 3);
    } else if (mode == kRotationFilterGimbleKiller) {
        RFCurveFilterGimbleKiller gimbalKiller;
        gimbalKiller.Apply(rotation, 3);
    }
}
