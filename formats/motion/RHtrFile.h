#ifndef WYX_FORMATS_MOTION_RHTRFILE_H
#define WYX_FORMATS_MOTION_RHTRFILE_H

// The HTR (hierarchical translation-rotation) format object: parses a file into segment
// records, builds skeleton nodes from them, reads the frame blocks into their curves, adds
// the rest pose, and prints a file for the writer.
//
// The file as read ("#" starts a comment line; keys and section names without regard to case):
//   [Header]                    one key and its value per line: FileType htr, DataType HTRS,
//                               FileVersion, NumSegments, NumFrames, DataFrameRate,
//                               EulerRotationOrder, CalibrationUnits mm|cm|in, RotationUnits
//                               Degrees|Radians, GlobalAxisofGravity, BoneLengthAxis X|Y|Z,
//                               ScaleFactor
//   [SegmentNames&Hierarchy]    NumSegments lines "<segment> <parent>"; a parent that names no
//                               segment (GLOBAL) makes the one root
//   [BasePosition]              per segment in that order: name Tx Ty Tz Rx Ry Rz BoneLength
//   [<segment>]                 per segment, NumFrames lines: frame Tx Ty Tz Rx Ry Rz scale
//   [EndOfFile]
//
// Angles are given per axis (Rx about X, ...) and composed in the file's Euler order;
// lengths are scaled by the calibration unit (to centimetres) and divided by ScaleFactor.
//
// Error policy: a missing or unknown required value, a negative count, a negative or absurd
// frame rate (0 takes the default), a ScaleFactor that is not positive, frames beyond the time
// range, a base position or block naming the wrong segment, a block given twice, two roots
// and a segment that would be its own ancestor (itself as parent, or a cycle) refuse the file
// before any node is made; the last error text says where and why. Unknown calibration units,
// axis of gravity and a missing version are warnings. Frame counts are claims: keys are
// appended as frame lines arrive. Walks over the hierarchy keep their own stacks.

#include "core/RMatrix.h"
#include "core/RTime.h"
#include "formats/motion/RHtrSegment.h"
#include "formats/motion/RMotionTextFile.h"

#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

class RStreamOptionsMotion;
class RWyxNode;
class RWyxObjectFactory;
class RWyxScene;

class RHtrFile : public RMotionTextFile {
public:
    // The settings file and the key that switch the rotation-offset pass.
    static constexpr const char* kSettingsFile = "@Application.txt";
    static constexpr const char* kSettingsSection = "MotionImportHTR";
    static constexpr const char* kSettingsKey = "MinimizeRotationOffset";

    // The parent name the root segment is written with.
    static constexpr const char* kRootParentName = "GLOBAL";

    // Reads the MinimizeRotationOffset setting (on unless the settings say otherwise).
    explicit RHtrFile(bool report = false);

    // Why a segment name cannot be written so that a read takes it back: empty or longer
    // than RHtrSegment::kMaxNameLength (RMotionTextFile::WordNameFault), beginning with '#'
    // (a comment line) or '[' (a section line), or kRootParentName (the root's parent would
    // be that segment); empty when it can.
    static RString NameFault(const RString& name);

    // Rewinds and reads the header into the options (NumFrames as frame count, DataFrameRate
    // as rate) and sets ImportCreateReferenceNode to 1.
    bool ReadOptions(RStreamOptionsMotion& options);
    // Rewinds and reads header, hierarchy and base positions; the first frame block's line is
    // then current.
    bool ReadHierarchy();
    // A node with a limb-node skeleton per segment, parented as the file says (the root under
    // the reference node), with limits and a current take node of the take name; leaf
    // segments get an end node "<segment>_End" (with the first number after it that makes the
    // name free where a segment bears it: RMadeUpNames).
    bool BuildNodes(RWyxObjectFactory& factory, RWyxNode* referenceNode, const char* takeName);
    // Reads the frame blocks into the curves, then (when the setting is on) runs the
    // rotation-offset pass and the post-read filters.
    bool ReadMotion(RStreamOptionsMotion& options);
    // A rest pose named after the node (its name without prefix, then "_RESTPOSE") holding
    // every segment node's default local matrix, registered with the scene.
    bool AddRestPose(RWyxObjectFactory& factory, RWyxScene& scene, RWyxNode* node);

    int GetSegmentCount() const { return static_cast<int>(segments_.size()); }
    RHtrSegment* GetSegment(int index) const;
    // By name (exact) or by scene node; -1 when none.
    int FindSegment(const char* name) const;
    int FindSegment(const RWyxNode* node) const;

    bool GetMinimizeRotationOffset() const { return minimizeRotationOffset_; }
    void SetMinimizeRotationOffset(bool on) { minimizeRotationOffset_ = on; }
    int GetNumSegments() const { return numSegments_; }
    int GetNumFrames() const { return numFrames_; }
    int GetDataFrameRate() const { return dataFrameRate_; }
    int GetRotationOrderCode() const { return rotationOrderCode_; }
    double GetLengthFactor() const { return lengthFactor_; }
    double GetAngleFactor() const { return angleFactor_; }
    double GetScaleFactor() const { return scaleFactor_; }
    int GetBoneLengthAxis() const { return boneLengthAxis_; }

    // ---- printing --------------------------------------------------------------------------------
    // The header of a written file: millimetres, degrees, ZYX, Y up and Y bone axis, scale 1.
    void WriteHeader(int segmentCount, int frameCount, int frameRate);
    void WriteSection(const char* name);  // "[name]"
    void WriteHierarchyLine(const char* name, const char* parentName);
    void WriteBasePosition(const char* name, const double translation[3], const double rotation[3], double length);
    void WriteFrame(int frame, const double translation[3], const double rotation[3]);

private:
    // Each segment name to its first segment, made once per pass that looks names up.
    using SegmentNameIndex = std::unordered_map<std::string_view, int>;

    SegmentNameIndex IndexSegmentNames() const;
    bool ReadHeaderLines(RStreamOptionsMotion* options);
    bool ReadHeaderValue(int key, RStreamOptionsMotion* options);
    bool ReadSegmentNames();
    bool ReadBasePositions();
    bool ReadFrameBlock(int block, const RStreamOptionsMotion& options, int frames, const SegmentNameIndex& names,
                        std::vector<bool>& seen);
    bool ReadFrameLine(RHtrSegment& segment, RTime time);
    bool ResolveHierarchy(int& root, std::vector<int>& order);
    bool MinimizeRotationOffsets(int root, int frames);
    void AdjustFrame(int root, int frame);
    void RotationFromFile(RMatrix& out, const double angles[3]) const;
    bool Fail(const char* text);
    bool AtSectionLine() const;

    RMotionKeyword sections_[5];
    std::vector<std::unique_ptr<RHtrSegment>> segments_;
    std::vector<std::vector<int>> children_;  // child segments of each segment
    std::vector<RWyxNode*> endNodes_;
    bool minimizeRotationOffset_ = true;

    int fileVersion_ = 1;
    int numSegments_ = 0;
    int numFrames_ = 0;
    int dataFrameRate_ = 60;
    int rotationOrderCode_ = 0;
    double lengthFactor_ = 0.1;
    double angleFactor_ = 1.0;
    int gravityAxis_ = 1;
    int boneLengthAxis_ = 1;
    double scaleFactor_ = 1.0;
    RMatrix boneAxis_;
    bool headerRead_ = false;
};

#endif
