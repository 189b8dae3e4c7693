#ifndef WYX_FORMATS_MOTION_RWYXWRITERHTR_H
#define WYX_FORMATS_MOTION_RWYXWRITERHTR_H

// The HTR writer (exporter format id 6). After the skeleton front it writes the export root
// and every node below it as segments (the reader's "_End" nodes, leaves with active
// rotation limits and no axis length, are left out), in millimetres, degrees and the ZYX
// order, with the bone along Y:
// - a segment's base position comes from its limits (translation default, rotation axis, axis
//   length), in its parent's base frame; where the scene holds the rest pose an HTR import
//   left ("<evaluation parent>_RESTPOSE"), the segment's local rest matrix is written instead,
//   its translation in millimetres like every other length;
// - a frame line holds the segment's local transform at the frame time relative to its base.
// Transforms are evaluated relative to the root's parent (the scene root with
// ExportFromGlobalPosition 1). The scene is only read. Every frame is converted before the
// file is printed (progress "Converting HTR nodes" 0 to 50, then "Writing HTR nodes" 50), so
// the frame values are held in memory: six doubles per segment and frame. A base position or
// a segment's matrix at a frame that a read would not keep (a key that is not a finite number,
// a position beyond the floats) refuses the write before anything is printed
// (RWyxWriterMotion::CheckHeld, error 5).

#include "core/RMatrix.h"
#include "formats/motion/RHtrFile.h"
#include "formats/motion/RWyxWriterSkeleton.h"

#include <vector>

class RWyxPose;

class RWyxWriterHtr : public RWyxWriterSkeleton {
public:
    explicit RWyxWriterHtr(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterSkeleton(factory, owner) {}

    // ExportFromGlobalPosition 0, ExportRequireSingleRootNode 1.
    RStreamOptionsPtr GetWriteOptions() override;

    // A node without children whose rotation limits are active and whose axis length is 0.
    static bool IsEndNode(RWyxNode& node);

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RHtrFile>(false); }
    const char* GetFormatLabel() const override { return "HTR"; }
    bool WriteSkeleton(RWyxScene& scene, RWyxNode& root, RStreamOptionsMotion& options) override;
    // Segments are written with their names; end nodes are no segments, the root always one.
    bool IsNameWritten(RWyxNode& node, const RWyxNode& root) const override;
    RString NameFault(const RString& name) const override { return RHtrFile::NameFault(name); }
    // Every default of a segment (the base position is made of them all), an end node's
    // translation (which aims its parent's bone).
    bool IsDefaultTaken(RWyxNode& node, const RWyxNode& root, int channel) const override {
        return channel < 3 || IsNameWritten(node, root);
    }

private:
    struct Segment {
        RWyxNode* node;
        int parent;  // index, -1 for the root
        bool hasParentMatrix;
        RMatrix baseParent;   // P of the base position: the parent's C
        RMatrix frameParent;  // P of the frame values: the parent's Bg
        RMatrix base;         // B: the written base rotation and translation
        RMatrix child;        // C, handed to the children
        double length;
    };

    void CollectSegments(RWyxNode& root, bool rootHasParentMatrix);
    // The base position from the default matrices of the segment's parent (null for the root)
    // and of its node, relative to the evaluation parent; false, the write refused, for one a
    // read would not keep (CheckHeld).
    bool ConvertBase(Segment& segment, const RWyxPose* restPose, const RMatrix* parentGlobal, const RMatrix& global,
                     const RStreamOptionsMotion& options);
    // The frame values from the segment's matrix and its parent's at the frame time, relative to
    // the evaluation parent and as written (AsWritten).
    void ConvertFrame(const Segment& segment, RMatrix global, RMatrix parentGlobal, double translation[3],
                      double rotation[3]) const;
    // Every segment's frame values (Tx, Ty, Tz, Rx, Ry, Rz), segment after segment, converted
    // frame by frame with the progress "Converting HTR nodes" from 0 to 50; false, the write
    // refused, when they do not fit in memory or a segment's matrix holds values a read would
    // not keep (CheckHeld).
    bool ConvertFrames(const RStreamOptionsMotion& options, int frames, std::vector<double>& values);
    // The node's matrix at the time (the default one without a time) relative to the evaluation
    // parent, through every node up to it.
    RMatrix RelativeGlobal(RWyxNode* node, const RTime* time) const;
    static RMatrix LocalMatrix(RWyxNode& node, const RTime* time);
    // RelativeGlobal of every segment, each from its parent's (segments come after their parents):
    // a segment costs the same however deep it lies.
    void RelativeGlobals(const RTime* time, std::vector<RMatrix>& globals) const;
    RHtrFile& File() const { return static_cast<RHtrFile&>(*GetFormatFile()); }

    RWyxNode* evaluationParent_ = nullptr;
    std::vector<Segment> segments_;
};

#endif
