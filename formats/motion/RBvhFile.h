#ifndef WYX_FORMATS_MOTION_RBVHFILE_H
#define WYX_FORMATS_MOTION_RBVHFILE_H

// The BVH (BioVision hierarchy) format object: parses a file into joint records and prints
// one; builds skeleton nodes from the records and reads the frames into their curves.
//
// The file as read (keywords at the start of a line, without regard to case):
//   HIERARCHY
//   ROOT <name>                      a second HIERARCHY replaces the joints read so far
//   {
//     OFFSET x y z
//     CHANNELS n <name> ...          n from 0 to 6; Xposition Yposition Zposition
//                                    Xrotation Yrotation Zrotation, any order and case
//     JOINT <name> { ... }           nested joint bodies
//     End Site { OFFSET x y z }      without "{" the end site keeps (0, 0, 0) and the line
//   }                                after "End Site" is passed over
//   MOTION
//   Frames: <count>
//   Frame Time: <seconds>
//   one line per frame: the channel values of every joint in file order
//
// Error policy: any deviation from the grammar, a channel count outside 0 to 6, a missing
// name, number or frame line, a frame value that is not a finite number, a negative frame
// time, a rate beyond kMaxFrameRate and a frame span beyond the time range refuse the file;
// the last error text says where and why, as does a hierarchy deeper than kMaxSkeletonDepth
// joints (the limit the writers walk to). Frame counts are claims: the converted frames are
// kept in room reserved for the claimed count cut to the rows the file's size can hold, and
// each curve's keys are stored in one piece once the rows are read (a refused file keeps the
// keys of the frames before the fault, unfiltered).

#include "core/RTime.h"
#include "formats/motion/RBvhJoint.h"
#include "formats/motion/RMotionTextFile.h"

#include <memory>
#include <vector>

class RStreamOptionsMotion;
class RWyxNode;
class RWyxObjectFactory;

class RBvhFile : public RMotionTextFile {
public:
    explicit RBvhFile(bool report = false);

    // Why a joint name cannot be written so that a read takes it back whole (see
    // RMotionTextFile::WordNameFault: a read keeps RBvhJoint::kMaxNameLength characters);
    // empty when it can.
    static RString NameFault(const RString& name);

    // Rewinds, finds the first line beginning with MOTION and reads the motion header into
    // the options (frame count, frame rate) and sets ImportCreateReferenceNode to 1. False
    // when no valid motion header is found.
    bool ReadOptions(RStreamOptionsMotion& options);
    // Rewinds and reads the hierarchy and the motion header, leaving the cursor on the
    // "Frame Time:" line. The options are not touched.
    bool ReadHierarchy();
    // Makes a node with a limb-node skeleton per joint (end sites named after their parent
    // with "_End", or, where a joint bears that name, with the first number after it that
    // makes the name free: RMadeUpNames), under the reference node, each with a current take
    // node of the take name.
    bool BuildNodes(RWyxObjectFactory& factory, RWyxNode* referenceNode, const char* takeName);
    // Reads the options' frame count of frame lines into the curves, the count cut to the
    // file's first.
    bool ReadMotion(RStreamOptionsMotion& options);

    // The rows ReadMotion keeps room for when the file claims frames: the claim cut to the
    // rows the file's size can hold, so that a false claim allocates nothing beyond the file.
    int GetStagedRows(int frames) const;

    int GetJointCount() const { return static_cast<int>(joints_.size()); }
    RBvhJoint* GetJoint(int index) const;
    int GetTotalChannelCount() const { return totalChannels_; }
    int GetFrameCount() const { return frameCount_; }
    double GetFrameTime() const { return frameTime_; }

    // ---- printing ------------------------------------------------------------------------------
    // "HIERARCHY" (root only), "ROOT"/"JOINT" name, "{", OFFSET and CHANNELS one level deeper:
    // 6 channels (positions, then Z, X, Y rotation) or, with rotationOnly, 3 rotations.
    void WriteJointBegin(int indent, bool root, const char* name, const RVector4& offset, bool rotationOnly);
    void WriteJointEnd(int indent);
    void WriteEndSite(int indent, const RVector4& offset);
    void WriteMotionHeader(int frameCount, double frameTime);
    // 6 values (X, Y, Z position, Z, X, Y rotation) or 3 (Z, X, Y rotation).
    void WriteFrameValues(const double* values, bool rotationOnly);
    void WriteFrameEnd();

private:
    bool ReadJointTree(RBvhJoint* root);
    bool ReadJointHeader(RBvhJoint* joint);
    bool ReadEndSite(RBvhJoint* parent);
    bool ReadChannels(RBvhJoint* joint);
    bool ReadMotionHeader();
    RBvhJoint* AddJoint(RBvhJoint* parent, bool endSite);
    bool ExpectKeyword(int keyword, const char* what);
    bool Fail(const char* text);
    // Converts every joint's frame and keeps it for its keys (translation where it has a
    // position channel, then rotation); false when memory runs out.
    bool ConvertFrame(const double* values, bool first);
    // Room for GetStagedRows(frames) frames of every joint; false when memory runs out.
    bool ReserveStagedFrames(int frames);
    // Stores the joint's kept frames as keys of its curves and frees them; false when a
    // curve's keys cannot be stored.
    bool StoreJointKeys(RBvhJoint& joint, int frames, RTime start, RTime step);
    void WriteOffset(int indent, const RVector4& offset);

    RMotionKeyword keywords_[12];
    std::vector<std::unique_ptr<RBvhJoint>> joints_;
    int totalChannels_ = 0;
    int frameCount_ = 0;
    double frameTime_ = 0.0;
};

#endif
