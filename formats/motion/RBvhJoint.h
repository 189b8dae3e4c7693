#ifndef WYX_FORMATS_MOTION_RBVHJOINT_H
#define WYX_FORMATS_MOTION_RBVHJOINT_H

// One joint or end site of a BVH hierarchy as the file gives it (name, offset, channel list,
// place in the tree), with the state its conversion to the scene keeps: where each frame's
// values go (worked out once from the channel list), the node built for it, its six curves,
// the rotation of the frame being converted and of the frame before, the angles its last
// distinct rotation values gave, and the converted frames waiting for their keys.
// The BVH file object owns every joint; a joint only points at its parent and children.

#include "core/EulerAngles.h"
#include "core/RVector4.h"
#include "formats/motion/RStagedFrames.h"

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

    // How the rotation channels become the scene's Euler XYZ angles.
    enum RotationForm {
        kComposed,  // any other list: each channel's rotation composed in turn
        kEuler,     // three channels about three axes: one Euler matrix of their order
        kEulerXyz,  // the same where that order is XYZ itself: the angles as they stand
    };

    bool IsEndSite() const { return endSite; }
    bool HasPositionChannel() const;
    // Fills the conversion plan below from the channel list.
    void PlanConversion();

    RBvhJoint* parent = nullptr;
    std::vector<RBvhJoint*> children;
    std::string name;
    int channelCount = 0;
    int channels[kMaxChannels] = {};
    bool endSite = false;
    RVector4 offset{0.0, 0.0, 0.0, 1.0};

    // Conversion plan: whether a position channel is there, the frame value index of the X,
    // Y, Z position (-1 for none), and for the Euler forms the Euler code (and its order) of
    // the rotation channels in the order they act (the last listed acts first) with the value
    // index of the angle acting first, second and third.
    bool hasPosition = false;
    int positionValue[3] = {-1, -1, -1};
    RotationForm rotationForm = kComposed;
    int eulerCode = 0;
    EulerOrder eulerOrder{{0, 1, 2}, false, false};
    int rotationValue[3] = {-1, -1, -1};

    // Conversion state.
    RVector4 translation{0.0, 0.0, 0.0, 1.0};
    // The rotation channels' values of the frame converted last (by channel index) and the
    // Euler XYZ angles they gave before any filter: a frame repeating those values bit for
    // bit, as a joint held still does, takes the angles again instead of their trigonometry.
    bool hasConverted = false;
    double convertedValues[kMaxChannels] = {};
    double convertedAngles[3] = {0.0, 0.0, 0.0};
    double rotation[3] = {0.0, 0.0, 0.0};
    double previousRotation[3] = {0.0, 0.0, 0.0};
    RWyxNode* node = nullptr;
    RFCurve* curves[6] = {};  // translation X, Y, Z, rotation X, Y, Z
    // The converted frames until their keys are stored: per frame the values of the curves
    // keyed (translation X, Y, Z with a position channel, then rotation X, Y, Z).
    RStagedFrames frames;
    int StagedWidth() const { return hasPosition ? 6 : 3; }
};

#endif
