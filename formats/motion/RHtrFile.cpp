#include "formats/motion/RHtrFile.h"

#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "core/RIniFile.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RMadeUpNames.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

const char* const kDelimiters = " \t\r\n";

enum SectionKeyword { kHeader, kHierarchy, kBasePosition, kEndOfFile };

enum HeaderKey {
    kFileType,
    kDataType,
    kFileVersion,
    kNumSegments,
    kNumFrames,
    kDataFrameRate,
    kEulerRotationOrder,
    kCalibrationUnits,
    kRotationUnits,
    kGlobalAxisOfGravity,
    kBoneLengthAxis,
    kScaleFactor,
};

RMotionKeyword kHeaderKeys[] = {{"FileType", 0},           {"DataType", 0},         {"FileVersion", 0},
                                {"NumSegments", 0},        {"NumFrames", 0},        {"DataFrameRate", 0},
                                {"EulerRotationOrder", 0}, {"CalibrationUnits", 0}, {"RotationUnits", 0},
                                {"GlobalAxisofGravity", 0}, {"BoneLengthAxis", 0},  {"ScaleFactor", 0},
                                {"", 0}};
RMotionKeyword kFileTypes[] = {{"htr", 0}, {"", 0}};
RMotionKeyword kDataTypes[] = {{"HTRS", 0}, {"", 0}};
RMotionKeyword kEulerOrders[] = {{"ZYX", 0}, {"YXZ", 0}, {"XZY", 0}, {"ZXY", 0}, {"YZX", 0}, {"XYZ", 0}, {"", 0}};
RMotionKeyword kUnits[] = {{"mm", 0}, {"cm", 0}, {"in", 0}, {"", 0}};
RMotionKeyword kRotationUnitWords[] = {{"Degrees", 0}, {"Radians", 0}, {"", 0}};
RMotionKeyword kAxes[] = {{"X", 0}, {"Y", 0}, {"Z", 0}, {"", 0}};

// Rotation-order codes of the Euler orders above: the file's order read right to left is the
// order in which the rotations act.
constexpr int kEulerOrderCodes[] = {0, 8, 4, 6, 2, 10};
constexpr double kLengthFactors[] = {0.1, 1.0, 2.54};

const RVector4 kRotationMinimum(-180.0, -150.0, -150.0, 0.0);
const RVector4 kRotationMaximum(180.0, 150.0, 150.0, 0.0);
const RVector4 kUnitScaling(1.0, 1.0, 1.0, 0.0);

RVector4 AxisVector(int axis) {
    return RVector4(axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0, 0.0);
}

RMatrix RotationOf(const RVector4& angles) {
    RMatrix rotation;
    EulerVectorXYZToMatrix(rotation, angles);
    return rotation;
}

// A matrix whose rotation comes from three Euler XYZ angles and whose translation is given.
RMatrix MatrixFromKeys(const double angles[3], const double translation[3]) {
    RMatrix matrix;
    EulerXYZToMatrix(matrix, angles[0], angles[1], angles[2]);
    MatrixSetTranslation(matrix, translation[0], translation[1], translation[2]);
    return matrix;
}

// The index of the segment of that name; -1 when none.
int FindIn(const std::unordered_map<std::string_view, int>& names, std::string_view name) {
    const auto found = names.find(name);
    return found != names.end() ? found->second : -1;
}

// The segment a frame block's "[<segment>]" word names; -1 when none.
int FindBlockSegment(const std::unordered_map<std::string_view, int>& names, const char* word) {
    const std::size_t length = std::strlen(word);
    if (length < 2 || word[0] != '[' || word[length - 1] != ']') {
        return -1;
    }
    return FindIn(names, std::string_view(word + 1, length - 2));
}

}  // namespace

RHtrFile::RHtrFile(bool report) : RMotionTextFile("HTR", kDelimiters, "#", true, report) {
    static const char* const kSectionTexts[] = {"[Header]", "[SegmentNames&Hierarchy]", "[BasePosition]",
                                                "[EndOfFile]"};
    for (int i = 0; i < 4; ++i) {
        sections_[i] = RMotionKeyword{kSectionTexts[i], 0};
    }
    sections_[4] = RMotionKeyword{"", 0};
    RIniFile settings(kSettingsFile, false);
    const char* value = settings.GetValue(kSettingsSection, kSettingsKey, "Yes");
    minimizeRotationOffset_ = value != nullptr && strcasecmp(value, "Yes") == 0;
}

RString RHtrFile::NameFault(const RString& name) {
    if (name[0u] == '#') {
        return RString("begins with '#', which starts a comment line");
    }
    if (name[0u] == '[') {
        return RString("begins with '[', which starts a section");
    }
    if (name == kRootParentName) {
        return RString("is the parent name of the root segment");
    }
    return WordNameFault(name, RHtrSegment::kMaxNameLength);
}

RHtrSegment* RHtrFile::GetSegment(int index) const {
    return index >= 0 && index < GetSegmentCount() ? segments_[static_cast<std::size_t>(index)].get() : nullptr;
}

int RHtrFile::FindSegment(const char* name) const {
    for (int i = 0; name != nullptr && i < GetSegmentCount(); ++i) {
        if (segments_[static_cast<std::size_t>(i)]->name == name) {
            return i;
        }
    }
    return -1;
}

int RHtrFile::FindSegment(const RWyxNode* node) const {
    for (int i = 0; node != nullptr && i < GetSegmentCount(); ++i) {
        if (segments_[static_cast<std::size_t>(i)]->node == node) {
            return i;
        }
    }
    return -1;
}

RHtrFile::SegmentNameIndex RHtrFile::IndexSegmentNames() const {
    SegmentNameIndex names;
    names.reserve(segments_.size());
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        names.emplace(segments_[i]->name, static_cast<int>(i));  // a namesake keeps the first
    }
    return names;
}

bool RHtrFile::Fail(const char* text) {
    Error("%s", text);
    return false;
}

bool RHtrFile::AtSectionLine() const {
    char c = '\0';
    return PeekChar(c) && c == '[';
}

void RHtrFile::RotationFromFile(RMatrix& out, const double angles[3]) const {
    const double scaled[3] = {angles[0] * angleFactor_, angles[1] * angleFactor_, angles[2] * angleFactor_};
    RotationFromAxisAngles(out, scaled, rotationOrderCode_);
}

// ---- header ------------------------------------------------------------------------------------------

bool RHtrFile::ReadHeaderValue(int key, RStreamOptionsMotion* options) {
    int index = -1;
    switch (key) {
        case kFileType:
            return ReadKeyword(kFileTypes) >= 0 || Fail("Unknown file type");
        case kDataType:
            return ReadKeyword(kDataTypes) >= 0 || Fail("Unknown data type");
        case kFileVersion:
            if (!ReadInt(fileVersion_)) {
                Warning("Can't read version");
            }
            return true;
        case kNumSegments:
            return (ReadInt(numSegments_) && numSegments_ >= 0) || Fail("Can't read segment count");
        case kNumFrames:
            if (!ReadInt(numFrames_) || numFrames_ < 0) {
                return Fail("Can't read frame count");
            }
            if (options != nullptr) {
                options->SetFrameCount(numFrames_);
            }
            return true;
        case kDataFrameRate:
            if (!ReadInt(dataFrameRate_)) {
                return Fail("Can't read data frame rate");
            }
            if (dataFrameRate_ < 0 || dataFrameRate_ > RStreamOptionsMotion::kMaxFrameRate) {
                Error("Data frame rate %d is outside 0 to %g", dataFrameRate_, RStreamOptionsMotion::kMaxFrameRate);
                return false;
            }
            if (options != nullptr) {
                options->SetFrameRate(0, dataFrameRate_);
            }
            return true;
        case kEulerRotationOrder:
            index = ReadKeyword(kEulerOrders);
            if (index < 0) {
                return Fail("Unknown euler rotation order");
            }
            rotationOrderCode_ = kEulerOrderCodes[index];
            return true;
        case kCalibrationUnits:
            index = ReadKeyword(kUnits);
            if (index < 0) {
                Warning("Unknown calibration units");
            } else {
                lengthFactor_ = kLengthFactors[index];
            }
            return true;
        case kRotationUnits:
            index = ReadKeyword(kRotationUnitWords);
            if (index < 0) {
                return Fail("Unknown rotation units");
            }
            angleFactor_ = index == 0 ? 1.0 : kRadiansToDegrees;
            return true;
        case kGlobalAxisOfGravity:
            index = ReadKeyword(kAxes);
            if (index < 0) {
                Warning("Unknown axis of gravity");
            } else {
                gravityAxis_ = index;
            }
            return true;
        case kBoneLengthAxis:
            index = ReadKeyword(kAxes);
            if (index < 0) {
                return Fail("Unknown bone length axis");
            }
            boneLengthAxis_ = index;
            boneAxis_.SetIdentity();
            RotationFromXAxis(boneAxis_, AxisVector(index));
            return true;
        case kScaleFactor:
            if (!ReadDouble(scaleFactor_, 1.0) || !std::isfinite(scaleFactor_)) {
                return Fail("Can't read scale factor");
            }
            if (scaleFactor_ <= 0.0) {
                Error("Scale factor %g is not positive", scaleFactor_);
                return false;
            }
            return true;
        default:
            return true;
    }
}

// The "[Header]" line is current; reads up to the next section line.
bool RHtrFile::ReadHeaderLines(RStreamOptionsMotion* options) {
    RMotionTextFile::ResetKeywordCounts(kHeaderKeys);
    NextLine();
    while (!IsAtEnd() && !AtSectionLine()) {
        const int key = ReadKeyword(kHeaderKeys);
        if (key >= 0 && !ReadHeaderValue(key, options)) {
            return false;
        }
        NextLine();
    }
    headerRead_ = true;
    return !HasReadFailed();
}

bool RHtrFile::ReadOptions(RStreamOptionsMotion& options) {
    Rewind();
    while (!IsAtEnd() && PeekKeyword(sections_) != kHeader) {
        NextLine();
    }
    if (IsAtEnd()) {
        return Fail("Header not found");
    }
    if (!ReadHeaderLines(&options)) {
        return false;
    }
    if (!options.FramesFitTimeRange(numFrames_)) {
        Error("%d frames at %g frames per second reach beyond the time range", numFrames_, options.GetFrameRate());
        return false;
    }
    options.SetOption(kMotionImportCreateReferenceNode, 1);
    return true;
}

// ---- hierarchy and base positions ----------------------------------------------------------------------

bool RHtrFile::ReadSegmentNames() {
    segments_.clear();
    for (int i = 0; i < numSegments_; ++i) {
        NextLine();
        char name[RHtrSegment::kMaxNameLength + 1];
        char parent[RHtrSegment::kMaxNameLength + 1];
        if (IsAtEnd() || AtSectionLine() || !ReadWord(name, RHtrSegment::kMaxNameLength)) {
            return Fail("Can't read segment name");
        }
        if (!ReadWord(parent, RHtrSegment::kMaxNameLength)) {
            return Fail("Can't read parent name");
        }
        segments_.push_back(std::make_unique<RHtrSegment>());
        segments_.back()->name = name;
        segments_.back()->parentName = parent;
    }
    NextLine();
    while (!IsAtEnd() && !AtSectionLine()) {
        NextLine();
    }
    return true;
}

bool RHtrFile::ReadBasePositions() {
    const double lengthScale = lengthFactor_ / scaleFactor_;
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        NextLine();
        char name[RHtrSegment::kMaxNameLength + 1];
        if (IsAtEnd() || !ReadWord(name, RHtrSegment::kMaxNameLength) || segment->name != name) {
            Error("Base position of %s expected", segment->name.c_str());
            return false;
        }
        double values[7];
        for (double& value : values) {
            if (!ReadDouble(value, 1.0) || !std::isfinite(value)) {
                Error("Can't read base position of %s", segment->name.c_str());
                return false;
            }
        }
        for (int i = 0; i < 3; ++i) {
            segment->baseTranslation[i] = values[i] * lengthScale;
        }
        RotationFromFile(segment->baseRotation, values + 3);
        segment->boneLength = values[6] * lengthScale;
    }
    NextLine();
    return true;
}

bool RHtrFile::ReadHierarchy() {
    segments_.clear();
    endNodes_.clear();
    headerRead_ = false;
    bool hierarchyRead = false;
    Rewind();
    while (!IsAtEnd()) {
        switch (PeekKeyword(sections_)) {
            case kHeader:
                ReadKeyword(sections_);
                if (!ReadHeaderLines(nullptr)) {
                    return false;
                }
                break;
            case kHierarchy:
                if (!headerRead_) {
                    return Fail("Header not found");
                }
                ReadKeyword(sections_);
                if (!ReadSegmentNames()) {
                    return false;
                }
                hierarchyRead = true;
                break;
            case kBasePosition:
                if (!hierarchyRead) {
                    return Fail("Hierarchy not found");
                }
                if (GetSegmentCount() != numSegments_ || numSegments_ == 0) {
                    return Fail("Bad segment count");
                }
                ReadKeyword(sections_);
                return ReadBasePositions();
            case kEndOfFile:
                return Fail("Animation data not found");
            default:
                NextLine();
                break;
        }
    }
    return HasReadFailed() ? false : Fail("Animation data not found");
}

// ---- nodes -------------------------------------------------------------------------------------------------

// Finds each segment's parent, the one root and an order with parents before children; refuses
// a second root and segments that would be their own ancestors.
bool RHtrFile::ResolveHierarchy(int& root, std::vector<int>& order) {
    root = -1;
    std::vector<std::vector<int>>& children = children_;
    children.assign(segments_.size(), std::vector<int>());
    const SegmentNameIndex names = IndexSegmentNames();
    for (std::size_t i = 0; i < segments_.size(); ++i) {
        RHtrSegment& segment = *segments_[i];
        segment.parent = FindIn(names, segment.parentName);
        if (segment.parent == RHtrSegment::kNoParent) {
            if (root >= 0) {
                Error("Segments %s and %s are both roots", segments_[static_cast<std::size_t>(root)]->name.c_str(),
                      segment.name.c_str());
                return false;
            }
            root = static_cast<int>(i);
        } else {
            children[static_cast<std::size_t>(segment.parent)].push_back(static_cast<int>(i));
        }
    }
    if (root < 0) {
        return Fail("No root segment");
    }
    order.assign(1, root);
    for (std::size_t next = 0; next < order.size(); ++next) {
        for (int child : children[static_cast<std::size_t>(order[next])]) {
            order.push_back(child);
        }
    }
    if (order.size() != segments_.size()) {
        std::vector<bool> reached(segments_.size(), false);
        for (int index : order) {
            reached[static_cast<std::size_t>(index)] = true;
        }
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            if (!reached[i]) {
                Error("Segment %s is its own ancestor", segments_[i]->name.c_str());
                return false;
            }
        }
    }
    return true;
}

bool RHtrFile::BuildNodes(RWyxObjectFactory& factory, RWyxNode* referenceNode, const char* takeName) {
    if (segments_.empty()) {
        return Fail("No segments");
    }
    int root = -1;
    std::vector<int> order;
    if (!ResolveHierarchy(root, order)) {
        return false;
    }
    const char* take = takeName != nullptr ? takeName : "";
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        RWyxNode* node = factory.CreateNode(segment->name.c_str());
        RWyxSkeleton* skeleton = factory.CreateSkeleton();
        if (node == nullptr || skeleton == nullptr) {
            return Fail("Can't make a node");
        }
        skeleton->SetSkeletonType(2);
        node->SetNodeAttribute(skeleton);
        RVector4 rotation;
        MatrixToEulerXYZ(rotation, segment->baseRotation);
        node->SetDefaultTranslation(RVector4(segment->baseTranslation[0], segment->baseTranslation[1],
                                             segment->baseTranslation[2], 1.0));
        node->SetDefaultRotation(rotation);
        node->SetDefaultScaling(kUnitScaling);
        node->AddTakeNode(take);
        node->SetCurrentTakeNodeByName(take);
        if (RWyxTakeNode* takeNode = node->GetCurrentTakeNode()) {
            for (int i = 0; i < 9; ++i) {
                segment->curves[i] = takeNode->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(
                    RWyxTakeNode::TranslationX + i));
            }
        }
        segment->node = node;
    }
    // Parents before children: each node's default global rotation follows from its parent's.
    std::vector<RMatrix> globals(segments_.size());
    for (int index : order) {
        RHtrSegment& segment = *segments_[static_cast<std::size_t>(index)];
        RMatrix& global = globals[static_cast<std::size_t>(index)];
        if (segment.parent == RHtrSegment::kNoParent) {
            if (referenceNode != nullptr) {
                referenceNode->AddChild(segment.node);
            }
            global.Assign(segment.baseRotation);
        } else {
            segments_[static_cast<std::size_t>(segment.parent)]->node->AddChild(segment.node);
            MatrixMultiplyRotation(global, globals[static_cast<std::size_t>(segment.parent)], segment.baseRotation);
        }
        RMatrix normalized = global;
        NormalizeMatrixRows(normalized, normalized);
        MatrixSetTranslation(normalized, 0.0, 0.0, 0.0);
        RMatrix boneFrame;
        MatrixMultiplyRotation(boneFrame, normalized, boneAxis_);
        RVector4 angles;
        MatrixToEulerXYZ(angles, boneFrame);
        segment.inverseDefaultOrientation = normalized.Transpose();
        RWyxNodeLimits& limits = *segment.node->GetLimits();
        RVector4 translation;
        segment.node->GetDefaultTranslation(translation);
        limits.SetAuto(RWyxNodeLimits::kTranslation, false);
        limits.SetAuto(RWyxNodeLimits::kRotation, false);
        limits.SetDefault(RWyxNodeLimits::kTranslation, translation);
        limits.SetDefault(RWyxNodeLimits::kRotation, angles);
        limits.SetRotationAxis(angles);
        limits.SetAxisLength(segment.boneLength);
        limits.SetRotationType(0);
        limits.SetMin(RWyxNodeLimits::kRotation, kRotationMinimum);
        limits.SetMax(RWyxNodeLimits::kRotation, kRotationMaximum);
    }
    endNodes_.clear();
    RMadeUpNames names;
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        names.Take(segment->name.c_str());
    }
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        if (segment->node->GetChildCount() > 0) {
            continue;
        }
        RWyxNode* end = factory.CreateNode(names.MakeUp(segment->name + "_End").c_str());
        RWyxSkeleton* skeleton = factory.CreateSkeleton();
        if (end == nullptr || skeleton == nullptr) {
            return Fail("Can't make a node");
        }
        skeleton->SetSkeletonType(2);
        end->SetNodeAttribute(skeleton);
        segment->node->AddChild(end);
        const RVector4 offset = AxisVector(boneLengthAxis_) * segment->boneLength;
        end->SetDefaultTranslation(offset);
        RWyxNodeLimits& limits = *end->GetLimits();
        limits.SetAuto(RWyxNodeLimits::kTranslation, false);
        limits.SetAuto(RWyxNodeLimits::kRotation, false);
        limits.SetEnable(RWyxNodeLimits::kTranslation, true);
        limits.SetDefault(RWyxNodeLimits::kTranslation, offset);
        limits.SetAxisLength(0.0);
        endNodes_.push_back(end);
    }
    return true;
}

// ---- motion ------------------------------------------------------------------------------------------------

bool RHtrFile::ReadFrameLine(RHtrSegment& segment, RTime time) {
    int frame = 0;
    if (!ReadInt(frame)) {
        return Fail("Can't read frame number");
    }
    double translation[3];
    double angles[3];
    double scale = 0.0;
    for (double& value : translation) {
        if (!ReadDouble(value, 1.0) || !std::isfinite(value)) {
            return Fail("Can't read frame translation");
        }
    }
    for (double& value : angles) {
        if (!ReadDouble(value, 1.0) || !std::isfinite(value)) {
            return Fail("Can't read frame rotation");
        }
    }
    if (!ReadDouble(scale, 1.0)) {
        return Fail("Can't read frame scaling");
    }
    const double lengthScale = lengthFactor_ / scaleFactor_;
    RMatrix frameRotation;
    RotationFromFile(frameRotation, angles);
    RMatrix rotation;
    MatrixMultiplyRotation(rotation, segment.baseRotation, frameRotation);
    RVector4 euler;
    MatrixToEulerXYZ(euler, rotation);
    const double values[9] = {translation[0] * lengthScale + segment.baseTranslation[0],
                              translation[1] * lengthScale + segment.baseTranslation[1],
                              translation[2] * lengthScale + segment.baseTranslation[2],
                              euler.x,
                              euler.y,
                              euler.z,
                              1.0,
                              1.0,
                              1.0};
    for (int i = 0; i < 9; ++i) {
        if (!AppendFrameKey(segment.curves[i], time, values[i])) {
            return Fail("Can't store the keys");
        }
    }
    return true;
}

bool RHtrFile::ReadFrameBlock(int block, const RStreamOptionsMotion& options, int frames, const SegmentNameIndex& names,
                              std::vector<bool>& seen) {
    if (block > 0 && !NextLine()) {
        return Fail("Frame block missing");
    }
    RString word;
    if (!ReadWord(word)) {
        return Fail("Can't read frame name");
    }
    const int index = FindBlockSegment(names, word.Buffer());
    if (index < 0) {
        Error("%s names no segment", word.Buffer());
        return false;
    }
    if (seen[static_cast<std::size_t>(index)]) {
        Error("Second frame block of %s", segments_[static_cast<std::size_t>(index)]->name.c_str());
        return false;
    }
    seen[static_cast<std::size_t>(index)] = true;
    RHtrSegment& segment = *segments_[static_cast<std::size_t>(index)];
    const RTime start = options.GetStartTime();
    const RTime step = options.GetFramePeriod();
    for (int k = 0; k < frames; ++k) {
        if (!NextLine()) {
            Error("Frame %d of %s missing", k + 1, segment.name.c_str());
            return false;
        }
        if (!ReadFrameLine(segment, start + step * k)) {
            return false;
        }
    }
    // Frames beyond those asked for are passed over.
    for (int k = frames; k < numFrames_ && NextLine(); ++k) {
    }
    return true;
}

bool RHtrFile::ReadMotion(RStreamOptionsMotion& options) {
    if (segments_.empty() || segments_[0]->node == nullptr) {
        return Fail("No nodes to read the motion into");
    }
    const int frames = options.GetFrameCount() < numFrames_ ? options.GetFrameCount() : numFrames_;
    options.SetFrameCount(frames);
    if (!options.FramesFitTimeRange(frames)) {
        return Fail("The frames reach beyond the time range");
    }
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        BeginCurveEdits(segment->curves, 9);
    }
    std::vector<bool> seen(segments_.size(), false);
    const SegmentNameIndex names = IndexSegmentNames();
    bool ok = true;
    for (int block = 0; ok && block < numSegments_; ++block) {
        options.ReportProgress(0, nullptr, static_cast<float>(static_cast<std::int64_t>(block) * 100 / numSegments_));
        ok = ReadFrameBlock(block, options, frames, names, seen);
    }
    int root = -1;
    for (int i = 0; i < GetSegmentCount(); ++i) {
        if (segments_[static_cast<std::size_t>(i)]->parent == RHtrSegment::kNoParent) {
            root = i;
        }
    }
    if (ok && minimizeRotationOffset_) {
        ok = MinimizeRotationOffsets(root, frames);
    }
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        EndCurveEdits(segment->curves, 9);
        if (ok) {
            FilterRotationCurves(segment->curves + 3);
            ReduceConstantKeys(segment->curves, 3);
            ReduceConstantKeys(segment->curves + 3, 3);
        }
    }
    return ok;
}

bool RHtrFile::MinimizeRotationOffsets(int root, int frames) {
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        for (int i = 0; i < 9; ++i) {
            if (segment->curves[i] == nullptr || segment->curves[i]->GetKeyCount() < frames) {
                Error("Frames of %s missing", segment->name.c_str());
                return false;
            }
        }
    }
    if (frames == 0) {
        return true;
    }
    for (int frame = 0; frame < frames; ++frame) {
        AdjustFrame(root, frame);
    }
    // An end node points along its parent's bone.
    for (RWyxNode* end : endNodes_) {
        RWyxNode* parent = end->GetParent();
        if (parent == nullptr) {
            continue;
        }
        RWyxNodeLimits& parentLimits = *parent->GetLimits();
        RVector4 axis;
        parentLimits.GetRotationAxis(axis);
        const RMatrix rotation = RotationOf(axis);
        const RVector4 offset(rotation[0][0] * parentLimits.GetAxisLength(), rotation[0][1] * parentLimits.GetAxisLength(),
                              rotation[0][2] * parentLimits.GetAxisLength(), 0.0);
        RWyxNodeLimits& limits = *end->GetLimits();
        limits.SetAuto(RWyxNodeLimits::kTranslation, false);
        limits.SetAuto(RWyxNodeLimits::kRotation, false);
        limits.SetEnable(RWyxNodeLimits::kTranslation, true);
        end->SetDefaultTranslation(offset);
        limits.SetDefault(RWyxNodeLimits::kTranslation, offset);
        limits.SetAxisLength(0.0);
    }
    return true;
}

// Re-expresses one frame of every segment relative to its default orientation: the global
// matrix as read (G), taken into the segment's own frame (A = S . G), then made local to the
// parent's adjusted frame.
void RHtrFile::AdjustFrame(int root, int frame) {
    struct Pending {
        int segment;
        RMatrix parentAsRead;
        RMatrix parentAdjusted;
    };
    std::vector<Pending> stack;
    stack.push_back(Pending{root, RMatrix(), RMatrix()});
    while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        RHtrSegment& segment = *segments_[static_cast<std::size_t>(pending.segment)];
        double translation[3];
        double angles[3];
        for (int i = 0; i < 3; ++i) {
            translation[i] = segment.curves[i]->GetKey(frame).GetValue();
            angles[i] = segment.curves[3 + i]->GetKey(frame).GetValue();
        }
        const RMatrix local = MatrixFromKeys(angles, translation);
        RMatrix global;
        MatrixMultiplyAffine(global, pending.parentAsRead, local);
        RMatrix adjusted;
        MatrixMultiplyAffine(adjusted, global, segment.inverseDefaultOrientation);
        RMatrix inverseParent;
        MatrixInverseOrthogonal(inverseParent, pending.parentAdjusted);
        RMatrix result;
        MatrixMultiplyAffine(result, inverseParent, adjusted);
        const RVector4 resultTranslation = result.GetTranslation();
        const RVector4 resultAngles = result.GetRotation();
        for (int i = 0; i < 3; ++i) {
            segment.curves[i]->GetKey(frame).SetValue(static_cast<float>(*resultTranslation.Component(i)));
            segment.curves[3 + i]->GetKey(frame).SetValue(static_cast<float>(*resultAngles.Component(i)));
        }
        for (int child : children_[static_cast<std::size_t>(pending.segment)]) {
            stack.push_back(Pending{child, global, adjusted});
        }
    }
}

bool RHtrFile::AddRestPose(RWyxObjectFactory& factory, RWyxScene& scene, RWyxNode* node) {
    if (node == nullptr) {
        return false;
    }
    RWyxPose* pose = factory.CreatePose((RString(node->GetNameWithoutPrefix()) + "_RESTPOSE").Buffer(), false);
    if (pose == nullptr) {
        return false;
    }
    for (const std::unique_ptr<RHtrSegment>& segment : segments_) {
        RVector4 translation;
        RVector4 rotation;
        segment->node->GetDefaultTranslation(translation);
        segment->node->GetDefaultRotation(rotation);
        pose->Add(segment->node->GetName().Buffer(), RMatrix::ConstructFromTRS(translation, rotation, kUnitScaling),
                  true);
    }
    return scene.AddPose(pose);
}

// ---- printing ----------------------------------------------------------------------------------------------

void RHtrFile::WriteHeader(int segmentCount, int frameCount, int frameRate) {
    Print(0, "[Header]\n");
    Print(0, "FileType HTR\n");
    Print(0, "DataType HTRS\n");
    Print(0, "FileVersion 1\n");
    Print(0, "NumSegments %d\n", segmentCount);
    Print(0, "NumFrames %d\n", frameCount);
    Print(0, "DataFrameRate %d\n", frameRate);
    Print(0, "EulerRotationOrder ZYX\n");
    Print(0, "CalibrationUnits mm\n");
    Print(0, "RotationUnits Degrees\n");
    Print(0, "GlobalAxisofGravity Y\n");
    Print(0, "BoneLengthAxis Y\n");
    Print(0, "ScaleFactor 1.0\n");
}

void RHtrFile::WriteSection(const char* name) { Print(0, "[%s]\n", name); }

void RHtrFile::WriteHierarchyLine(const char* name, const char* parentName) { Print(0, "%s\t%s\n", name, parentName); }

void RHtrFile::WriteBasePosition(const char* name, const double translation[3], const double rotation[3],
                                 double length) {
    Print(0, "%s\t%g\t%g\t%g\t%g\t%g\t%g\t%g\n", name, translation[0], translation[1], translation[2], rotation[0],
          rotation[1], rotation[2], length);
}

void RHtrFile::WriteFrame(int frame, const double translation[3], const double rotation[3]) {
    Print(0, "%d\t%g\t%g\t%g\t%g\t%g\t%g\t1.0\n", frame, translation[0], translation[1], translation[2], rotation[0],
          rotation[1], rotation[2]);
}
