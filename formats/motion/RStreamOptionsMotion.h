#ifndef WYX_FORMATS_MOTION_RSTREAMOPTIONSMOTION_H
#define WYX_FORMATS_MOTION_RSTREAMOPTIONSMOTION_H

// The stream options shared by the motion-capture and skeleton formats (BVH, HTR, TRC, ASF,
// AMC, C3D, AOA, MCD, VPM, MOV, BRD). A registered class of the object model: the WYX writers
// recognise these options by their class and write a motion scene with them (geometry as
// nulls, takes only). The formats' own option values come with the formats.

#include "fileio/RStreamOptions.h"

class RStreamOptionsMotion : public RStreamOptions {
    WYX_DECLARE_CLASS(RStreamOptionsMotion)

public:
    // New options; they end with Destroy().
    static RStreamOptionsMotion* Create();

    RStreamOptionsMotion() = default;

protected:
    ~RStreamOptionsMotion() override = default;
};

#endif
