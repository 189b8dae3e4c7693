#ifndef WYX_FORMATS_MOTION_ROTATIONCURVEFILTER_H
#define WYX_FORMATS_MOTION_ROTATIONCURVEFILTER_H

// The process-wide rotation filter (unroll or gimbal killer, as the animation settings choose)
// run on the rotation curves of one node after another, as a reader runs it after its frames.
// One object serves a whole read: the unroll filter's working copy keeps its key storage from
// one node to the next instead of allocating and freeing it for each.

#include "curves/RFCurveFilterUnroll.h"

class RFCurve;

class RotationCurveFilter {
public:
    // The filter on three rotation curves X, Y, Z (nothing when one is missing).
    void Apply(RFCurve* const rotation[3]);

private:
    RFCurveFilterUnroll unroll_;
};

#endif
