#ifndef WYX_FORMATS_MOTION_RHTRSEGMENT_H
#define WYX_FORMATS_MOTION_RHTRSEGMENT_H

// One segment of an HTR file as the file gives it (name, parent name, base position, bone
// length), with what its conversion keeps: the node built for it, the inverse of that node's
// default orientation, its nine curves and the index of its parent segment.

#include "core/RMatrix.h"

#include <string>

class RFCurve;
class RWyxNode;

class RHtrSegment {
public:
    static constexpr int kMaxNameLength = 255;
    static constexpr int kNoParent = -1;

    std::string name;
    std::string parentName;
    double baseTranslation[3] = {0.0, 0.0, 0.0};  // centimetres
    RMatrix baseRotation;                           // rows as axes
    double boneLength = 0.0;                        // centimetres
    RMatrix inverseDefaultOrientation;

    int parent = kNoParent;  // index of the parent segment
    RWyxNode* node = nullptr;
    // Translation X, Y, Z, rotation X, Y, Z, scaling X, Y, Z.
    RFCurve* curves[9] = {};
};

#endif
