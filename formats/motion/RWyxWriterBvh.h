#ifndef WYX_FORMATS_MOTION_RWYXWRITERBVH_H
#define WYX_FORMATS_MOTION_RWYXWRITERBVH_H

// The BVH writer (exporter format id 5). After the skeleton front it prints the hierarchy
// from the export root and one frame line per frame of the options' span:
// - the root has 6 channels (X, Y, Z position, Z, X, Y rotation); the other joints 6 as well
//   with the Translation option 1, else 3 rotations;
// - offsets are the default local translations (the root's global one with
//   ExportFromGlobalPosition 1); a leaf that is an end site (the reader's "_End" nodes and
//   the like) prints as "End Site", any other leaf gets a made-up end site along its bone;
// - frame values are the local transform at each frame time (the root's global one with
//   ExportFromGlobalPosition 1), rotations turned into the Z, X, Y channel order.
// An offset or frame value a read would not keep (a default or key that is not a finite
// number, a position beyond the floats) refuses the write (RWyxWriterMotion::CheckDefaults and
// CheckHeld, error 5).

#include "formats/motion/RBvhFile.h"
#include "formats/motion/RWyxWriterSkeleton.h"

#include <vector>

class RWyxWriterBvh : public RWyxWriterSkeleton {
public:
    explicit RWyxWriterBvh(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterSkeleton(factory, owner) {}

    // Translation 0, ExportFromGlobalPosition 0, ExportRequireSingleRootNode 1.
    RStreamOptionsPtr GetWriteOptions() override;

    // Whether the node prints as an end site: a leaf that is its parent's only child and
    // either is no limb-node skeleton, or is not animated in the current take (or that is the
    // default take), or is named with "_EndSite".
    static bool IsEndSite(RWyxNode& node);
    // The channel values Z, X, Y (degrees) of a rotation given as Euler X, Y, Z degrees.
    static void ToZxyChannels(const RVector4& xyz, double out[3]);

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RBvhFile>(false); }
    const char* GetFormatLabel() const override { return "BVH"; }
    bool WriteSkeleton(RWyxScene& scene, RWyxNode& root, RStreamOptionsMotion& options) override;
    // Joints are written with their names, end sites without one: the root is always a joint.
    bool IsNameWritten(RWyxNode& node, const RWyxNode& root) const override;
    // The translation (the offset); of a joint, also a leaf's scaling (its end site's offset
    // along the bone scales with it) and its rotation without keys in the current take (its
    // frames show the default).
    bool IsDefaultTaken(RWyxNode& node, const RWyxNode& root, int channel) const override;
    RString NameFault(const RString& name) const override { return RBvhFile::NameFault(name); }

private:
    struct Joint {
        RWyxNode* node;
        bool rotationOnly;
    };

    // Each prints its part; false, the write refused (CheckHeld), at a value a read would not
    // keep.
    bool WriteHierarchy(RWyxNode& node, int indent, bool root, const RStreamOptionsMotion& options);
    bool WriteFrame(RTime time, const RStreamOptionsMotion& options);
    RBvhFile& File() const { return static_cast<RBvhFile&>(*GetFormatFile()); }

    bool rotationOnly_ = true;
    bool exportFromGlobalPosition_ = false;
    RWyxNode* root_ = nullptr;
    std::vector<Joint> joints_;  // the joints with frame values, in hierarchy order
};

#endif
