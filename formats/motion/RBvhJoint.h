#ifndef WYX_FORMATS_MOTION_RBVHJOINT_H
#define WYX_FORMATS_MOTION_RBVHJOINT_H

// One joint or end site of a BVH hierarchy as the file gives it (name, offset, channel list,
// place in the tree), with the state its conversion to the scene keeps: the node built for
// it, its six curves and the rotation of the frame being converted and of the frame before.
// The BVH file object owns every joint; a joint only points at its parent and children.

#include "core/RVector4.h"

#include <string>
#include <vector>

class RFCurve;
class RWyxNode;

class RBvhJoint {
public:
    // Channel codes in the order of the file's channel names.
    enum Channel { kXPosition, kYPosition, kZPosition, kXRotation, kYRotation, kZRotation };
    static constexpr int kMaxChannels = 6;
    static constexpr int kMaxNameLength = 127;

    bool IsEndSite() const { return endSite; }
    bool HasPositionChannel() const;

    RBvhJoint* parent = nullptr;
    std::vector<RBvhJoint*> children;
    std::string name;
    int channelCount = 0;
    int channels[kMaxChannels] = {};
    bool endSite = false;
    RVector4 offset{0.0, 0.0, 0.0, 1.0};

    // Conversion state.
    RVector4 translation{0.0, 0.0, 0.0, 1.0};
    double rotation[3] = {0.0, 0.0, 0.0};
    double previousRotation[3] = {0.0, 0.0, 0.0};
    RWyxNode* node = nullptr;
    RFCurve* curves[6] = {};  // translation X, Y, Z, rotation X, Y, Z
};

#endif
