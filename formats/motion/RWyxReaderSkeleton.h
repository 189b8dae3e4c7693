#ifndef WYX_FORMATS_MOTION_RWYXREADERSKELETON_H
#define WYX_FORMATS_MOTION_RWYXREADERSKELETON_H

// The one reading road of the skeleton formats (BVH, HTR):
//   1. options checked ("Stream options not set" otherwise), progress "Reading <format> nodes";
//   2. the format object reads the hierarchy;
//   3. a reference node "<format>:reference" gets the skeleton nodes, with their curves in a
//      take named after the file (without folders and extension); where a node of the file
//      bears that name, the reference node yields (RMadeUpNames: "<format>:reference1", ...);
//   4. duplicate node names fail the read, listed once each through the options' message hook;
//   5. ImportCreateReferenceNode 1 keeps the reference node under the scene root; otherwise its
//      children move to the scene root and it is destroyed;
//   6. the format object reads the motion into the curves;
//   7. the take information (start to start + period x (frames - 1)) is stored and the take
//      made current, then the format's own last step (HTR: the rest pose).
// Failures of steps 2, 3, 4 and 6 are "File is corrupted"; what was made stays with the
// object factory, and the take information is stored only after success.

#include "formats/motion/RWyxReaderMotion.h"

class RWyxNode;
class RWyxScene;

class RWyxReaderSkeleton : public RWyxReaderMotion {
public:
    explicit RWyxReaderSkeleton(RWyxObjectFactory* factory) : RWyxReaderMotion(factory) {}

    // Motion options with the file's frame count and rate and ImportCreateReferenceNode 1;
    // null with "File not opened" or "File is corrupted".
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

protected:
    // "BVH" or "HTR".
    virtual const char* GetFormatLabel() const = 0;
    virtual bool ReadFileOptions(RStreamOptionsMotion& options) = 0;
    virtual bool ReadFileHierarchy() = 0;
    virtual bool BuildFileNodes(RWyxNode* referenceNode, const char* takeName) = 0;
    virtual bool ReadFileMotion(RStreamOptionsMotion& options) = 0;
    // After the take is stored; parent is the reference node when kept, else the scene root.
    virtual void FinishRead(RWyxScene& /*scene*/, RWyxNode* /*parent*/) {}

private:
    // Names the reference node with the first name free among the skeleton's nodes.
    static void YieldReferenceName(RWyxNode& reference);
    bool PlaceNodes(RWyxScene& scene, RWyxNode* reference, const RStreamOptionsMotion& options);
};

#endif
