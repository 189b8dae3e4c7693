#include "formats/motion/RBvhFile.h"

#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "curves/RFCurve.h"
#include "curves/RotationContinuity.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RMadeUpNames.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RotationCurveFilter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

const char* const kDelimiters = " \t\r\n";

enum Keyword {
    kHierarchy,
    kRoot,
    kJoint,
    kEndSite,
    kOpenBrace,
    kCloseBrace,
    kOffset,
    kChannels,
    kMotion,
    kFrames,
    kFrameTime,
};

const char* const kKeywordTexts[] = {"HIERARCHY", "ROOT", "JOINT", "End Site", "{", "}",
                                     "OFFSET", "CHANNELS", "MOTION", "Frames:", "Frame Time:"};

const char* const kChannelNames[RBvhJoint::kMaxChannels] = {"Xposition", "Yposition", "Zposition",
                                                            "Xrotation", "Yrotation", "Zrotation"};

// Rotation limits of a joint with one child: the range the skeleton formats give.
const RVector4 kRotationMinimum(-180.0, -150.0, -150.0, 0.0);
const RVector4 kRotationMaximum(180.0, 150.0, 150.0, 0.0);

// Offsets this small are written as 0.
constexpr double kOffsetEpsilon = 1e-5;

int ChannelCode(const char* word) {
    for (int code = 0; code < RBvhJoint::kMaxChannels; ++code) {
        if (strcasecmp(word, kChannelNames[code]) == 0) {
            return code;
        }
    }
    return -1;
}

// The rate a frame time stands for: 1 / t made whole (a fraction above one half counting as
// one more), so that 29.97 frames per second reads as 30. A rate that would become 0 (frame
// times above two seconds) is kept as it is rather than lost.
double WholeRate(double frameTime) {
    const double rate = 1.0 / frameTime;
    const double whole = std::floor(rate);
    const double rounded = rate - whole > 0.5 ? whole + 1.0 : whole;
    return rounded > 0.0 ? rounded : rate;
}

double Clean(double value) { return std::fabs(value) <= kOffsetEpsilon ? 0.0 : value; }

// The Euler code (0 to 11) whose axes are the given sequence; -1 when none is (an axis repeats).
int EulerCodeOf(const int axes[3]) {
    for (int code = 0; code < 12; ++code) {
        const EulerOrder order = GetEulerOrder(code);
        if (!order.repeated && std::equal(axes, axes + 3, order.axes)) {
            return code;
        }
    }
    return -1;
}

}  // namespace

bool RBvhJoint::HasPositionChannel() const {
    for (int i = 0; i < channelCount; ++i) {
        if (channels[i] <= kZPosition) {
            return true;
        }
    }
    return false;
}

void RBvhJoint::PlanConversion() {
    std::fill(positionValue, positionValue + 3, -1);
    std::fill(rotationValue, rotationValue + 3, -1);
    int rotations = 0;
    int rotationAxes[3] = {};
    for (int c = channelCount - 1; c >= 0; --c) {
        const int code = channels[c];
        if (code <= kZPosition) {
            // Of two channels of one position, the later one stands.
            positionValue[code] = positionValue[code] < 0 ? c : positionValue[code];
        } else if (rotations++ < 3) {
            // From the last listed on: the order in which the rotations act.
            rotationAxes[rotations - 1] = code - kXRotation;
            rotationValue[rotations - 1] = c;
        }
    }
    hasConverted = false;
    eulerCode = rotations == 3 ? EulerCodeOf(rotationAxes) : -1;
    eulerOrder = GetEulerOrder(eulerCode);
    rotationForm = eulerCode < 0 ? kComposed : eulerCode == 0 ? kEulerXyz : kEuler;
    hasPosition = HasPositionChannel();
}

RBvhFile::RBvhFile(bool report) : RMotionTextFile("BioVision", kDelimiters, "", true, report) {
    for (int i = 0; i <= kFrameTime; ++i) {
        keywords_[i] = RMotionKeyword{kKeywordTexts[i], 0};
    }
    keywords_[kFrameTime + 1] = RMotionKeyword{"", 0};
}

RString RBvhFile::NameFault(const RString& name) { return WordNameFault(name, RBvhJoint::kMaxNameLength); }

RBvhJoint* RBvhFile::GetJoint(int index) const {
    return index >= 0 && index < GetJointCount() ? joints_[static_cast<std::size_t>(index)].get() : nullptr;
}

bool RBvhFile::Fail(const char* text) {
    Error("%s", text);
    return false;
}

bool RBvhFile::ExpectKeyword(int keyword, const char* what) {
    if (IsAtEnd()) {
        Error("The file ends where %s is expected", what);
        return false;
    }
    if (ReadKeyword(keywords_) != keyword) {
        Error("%s expected", what);
        return false;
    }
    return true;
}

// ---- hierarchy ----------------------------------------------------------------------------------------

RBvhJoint* RBvhFile::AddJoint(RBvhJoint* parent, bool endSite) {
    joints_.push_back(std::make_unique<RBvhJoint>());
    RBvhJoint* joint = joints_.back().get();
    joint->parent = parent;
    joint->endSite = endSite;
    if (parent != nullptr) {
        parent->children.push_back(joint);
    }
    return joint;
}

bool RBvhFile::ReadChannels(RBvhJoint* joint) {
    int count = 0;
    if (!ReadInt(count)) {
        return Fail("Can't read the channel count");
    }
    if (count < 0 || count > RBvhJoint::kMaxChannels) {
        Error("Channel count %d is outside 0 to %d", count, RBvhJoint::kMaxChannels);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        char word[kWordBufferLength + 1];
        const int code = ReadWord(word, kWordBufferLength) ? ChannelCode(word) : -1;
        if (code < 0) {
            Error("Channel %d of %d is missing or unknown", i + 1, count);
            return false;
        }
        joint->channels[i] = code;
    }
    joint->channelCount = count;
    totalChannels_ += count;
    return true;
}

// The joint's name line is read; "{", OFFSET and CHANNELS follow on lines of their own.
bool RBvhFile::ReadJointHeader(RBvhJoint* joint) {
    char name[RBvhJoint::kMaxNameLength + 1];
    if (!ReadWord(name, RBvhJoint::kMaxNameLength)) {
        return Fail("Joint name missing");
    }
    joint->name = name;
    double offset[3];
    NextLine();
    if (!ExpectKeyword(kOpenBrace, "{")) {
        return false;
    }
    NextLine();
    if (!ExpectKeyword(kOffset, "OFFSET")) {
        return false;
    }
    if (!ReadVector(offset, 1.0)) {
        return Fail("Can't read the offset");
    }
    joint->offset.Set(offset[0], offset[1], offset[2], 1.0);
    NextLine();
    if (!ExpectKeyword(kChannels, "CHANNELS") || !ReadChannels(joint)) {
        return false;
    }
    NextLine();
    return true;
}

bool RBvhFile::ReadEndSite(RBvhJoint* parent) {
    RBvhJoint* site = AddJoint(parent, true);
    site->name = "End";
    NextLine();
    if (IsAtEnd()) {
        return Fail("The file ends inside an end site");
    }
    if (ReadKeyword(keywords_) != kOpenBrace) {
        // Without a brace the site keeps a zero offset and this line is passed over.
        NextLine();
        return true;
    }
    NextLine();
    double offset[3];
    if (!ExpectKeyword(kOffset, "OFFSET")) {
        return false;
    }
    if (!ReadVector(offset, 1.0)) {
        return Fail("Can't read the end site offset");
    }
    site->offset.Set(offset[0], offset[1], offset[2], 1.0);
    NextLine();
    if (!ExpectKeyword(kCloseBrace, "}")) {
        return false;
    }
    NextLine();
    return true;
}

// Reads the root's body and every nested body, the open joints kept on the parent chain.
bool RBvhFile::ReadJointTree(RBvhJoint* root) {
    if (!ReadJointHeader(root)) {
        return false;
    }
    RBvhJoint* current = root;
    int depth = 1;
    while (current != nullptr) {
        if (IsAtEnd()) {
            return Fail("The file ends inside a joint");
        }
        switch (ReadKeyword(keywords_)) {
            case kJoint: {
                if (++depth > kMaxSkeletonDepth) {
                    Error("The hierarchy is deeper than %d joints", kMaxSkeletonDepth);
                    return false;
                }
                RBvhJoint* joint = AddJoint(current, false);
                if (!ReadJointHeader(joint)) {
                    return false;
                }
                current = joint;
                break;
            }
            case kEndSite:
                if (!ReadEndSite(current)) {
                    return false;
                }
                break;
            case kCloseBrace:
                current = current->parent;
                --depth;
                NextLine();
                break;
            default:
                return Fail("JOINT, End Site or } expected");
        }
    }
    return true;
}

bool RBvhFile::ReadMotionHeader() {
    NextLine();
    int count = 0;
    if (!ExpectKeyword(kFrames, "Frames:")) {
        return false;
    }
    if (!ReadInt(count)) {
        return Fail("Can't read the frame count");
    }
    NextLine();
    double frameTime = 0.0;
    if (!ExpectKeyword(kFrameTime, "Frame Time:")) {
        return false;
    }
    if (!ReadDouble(frameTime, 1.0) || !std::isfinite(frameTime)) {
        return Fail("Can't read the frame time");
    }
    if (frameTime < 0.0) {
        Error("Negative frame time %g", frameTime);
        return false;
    }
    if (frameTime > 0.0 && 1.0 / frameTime > RStreamOptionsMotion::kMaxFrameRate) {
        Error("Frame time %g gives more than %g frames per second", frameTime, RStreamOptionsMotion::kMaxFrameRate);
        return false;
    }
    frameCount_ = count < 0 ? 0 : count;
    frameTime_ = frameTime;
    return true;
}

bool RBvhFile::ReadHierarchy() {
    joints_.clear();
    totalChannels_ = 0;
    frameCount_ = 0;
    frameTime_ = 0.0;
    ResetKeywordCounts(keywords_);
    Rewind();
    while (!IsAtEnd()) {
        const int keyword = ReadKeyword(keywords_);
        if (keyword == kMotion) {
            if (joints_.empty()) {
                return Fail("MOTION before any joint");
            }
            return ReadMotionHeader();
        }
        if (keyword != kHierarchy) {
            return Fail("HIERARCHY or MOTION expected");
        }
        // A second hierarchy replaces the first.
        joints_.clear();
        totalChannels_ = 0;
        NextLine();
        if (!ExpectKeyword(kRoot, "ROOT") || !ReadJointTree(AddJoint(nullptr, false))) {
            return false;
        }
    }
    return HasReadFailed() ? false : Fail("The file ends before MOTION");
}

bool RBvhFile::ReadOptions(RStreamOptionsMotion& options) {
    Rewind();
    while (!IsAtEnd() && PeekKeyword(keywords_) != kMotion) {
        NextLine();
    }
    if (IsAtEnd()) {
        return Fail("No motion header");
    }
    ReadKeyword(keywords_);
    if (!ReadMotionHeader()) {
        return false;
    }
    if (frameTime_ > 0.0) {
        options.SetFrameRate(0, WholeRate(frameTime_));
    } else {
        // No frame time: the options' rate stands.
        frameTime_ = 1.0 / options.GetFrameRate();
    }
    if (!options.FramesFitTimeRange(frameCount_)) {
        Error("%d frames at %g frames per second reach beyond the time range", frameCount_, options.GetFrameRate());
        return false;
    }
    options.SetFrameCount(frameCount_);
    options.SetOption(kMotionImportCreateReferenceNode, 1);
    return true;
}

// ---- nodes ----------------------------------------------------------------------------------------------

namespace {

void SetOneChildLimits(RWyxNodeLimits& limits, const RBvhJoint& joint) {
    if (joint.children.size() != 1) {
        return;
    }
    RVector4 direction = joint.children[0]->offset;
    const double distance = direction.Length3();
    if (distance <= 0.0) {
        return;
    }
    direction /= distance;
    RMatrix turn;
    RotationFromXAxis(turn, direction);
    RVector4 angles;
    MatrixToEulerXYZ(angles, turn);
    limits.SetAuto(RWyxNodeLimits::kRotation, false);
    limits.SetDefault(RWyxNodeLimits::kRotation, angles);
    limits.SetRotationAxis(angles);
    limits.SetAxisLength(distance);
    limits.SetRotationType(0);
    limits.SetMin(RWyxNodeLimits::kRotation, kRotationMinimum);
    limits.SetMax(RWyxNodeLimits::kRotation, kRotationMaximum);
}

}  // namespace

bool RBvhFile::BuildNodes(RWyxObjectFactory& factory, RWyxNode* referenceNode, const char* takeName) {
    const char* take = takeName != nullptr ? takeName : "";
    RMadeUpNames names;
    for (const std::unique_ptr<RBvhJoint>& joint : joints_) {
        if (!joint->IsEndSite()) {
            names.Take(joint->name.c_str());
        }
    }
    for (const std::unique_ptr<RBvhJoint>& entry : joints_) {
        RBvhJoint& joint = *entry;
        const std::string name = joint.IsEndSite() ? names.MakeUp(joint.parent->name + "_End") : joint.name;
        RWyxNode* node = factory.CreateNode(name.c_str());
        RWyxSkeleton* skeleton = factory.CreateSkeleton();
        if (node == nullptr || skeleton == nullptr) {
            return Fail("Can't make a node");
        }
        skeleton->SetSkeletonType(2);
        node->SetNodeAttribute(skeleton);
        joint.node = node;
        // The root's offset is taken over by its position channels; without them it stays.
        const bool keepOffset = joint.parent != nullptr || !joint.HasPositionChannel();
        node->SetDefaultTranslation(keepOffset ? joint.offset : RVector4(0.0, 0.0, 0.0, 1.0));
        node->SetDefaultRotation(RVector4(0.0, 0.0, 0.0, 1.0));
        RWyxNode* parentNode = joint.parent != nullptr ? joint.parent->node : referenceNode;
        if (parentNode != nullptr) {
            parentNode->AddChild(node);
        }
        node->AddTakeNode(take);
        node->SetCurrentTakeNodeByName(take);
        RWyxTakeNode* takeNode = node->GetCurrentTakeNode();
        if (takeNode != nullptr) {
            joint.curves[0] = takeNode->GetTranslationXCurve();
            joint.curves[1] = takeNode->GetTranslationYCurve();
            joint.curves[2] = takeNode->GetTranslationZCurve();
            joint.curves[3] = takeNode->GetRotationXCurve();
            joint.curves[4] = takeNode->GetRotationYCurve();
            joint.curves[5] = takeNode->GetRotationZCurve();
        }
        if (joint.parent == nullptr) {
            continue;
        }
        RWyxNodeLimits& limits = *node->GetLimits();
        limits.SetAuto(RWyxNodeLimits::kTranslation, false);
        limits.SetDefault(RWyxNodeLimits::kTranslation, joint.offset);
        if (joint.IsEndSite()) {
            limits.SetAuto(RWyxNodeLimits::kRotation, false);
            limits.SetAxisLength(0.0);
        } else {
            SetOneChildLimits(limits, joint);
        }
    }
    return true;
}

// ---- motion ---------------------------------------------------------------------------------------------

namespace {

// Angles this near a whole number of quarter turns (degrees) are where the Euler XYZ angles
// of a rotation may come out on either side of 0 or of a half turn with rounding alone; past
// kNearGimbal the middle angle nears the gimbal lock, where they change form.
constexpr double kNearQuarterTurn = 1e-4;
constexpr double kNearGimbal = 89.0;

void XyzAngles(const RMatrix& rotation, double angles[3]) {
    RVector4 xyz;
    MatrixToEulerXYZ(xyz, rotation);
    angles[0] = xyz.x;
    angles[1] = xyz.y;
    angles[2] = xyz.z;
}

// Each rotation channel's matrix composed in turn: the channel's rotation acts before those
// listed ahead of it.
void ComposedAngles(const RBvhJoint& joint, const double* values, double angles[3]) {
    RMatrix rotation;
    for (int c = 0; c < joint.channelCount; ++c) {
        const int axisIndex = joint.channels[c] - RBvhJoint::kXRotation;
        if (axisIndex < 0) {
            continue;
        }
        const double value = values[c];
        RMatrix axis;
        EulerXYZToMatrix(axis, axisIndex == 0 ? value : 0.0, axisIndex == 1 ? value : 0.0,
                         axisIndex == 2 ? value : 0.0);
        MatrixMultiplyRotation(rotation, rotation, axis);
    }
    XyzAngles(rotation, angles);
}

bool IsInsideQuarterTurn(double degrees) {
    const double a = std::fabs(degrees);
    return (a > kNearQuarterTurn && a < 90.0 - kNearQuarterTurn) ||
           (a > 90.0 + kNearQuarterTurn && a < 180.0 - kNearQuarterTurn);
}

// Whether principal Euler XYZ angles are clear of every place where rounding decides: then
// ComposedAngles gives them too, to their last bits or nearly, and where they are not it is
// taken itself, so that every file reads as composing its channels reads it.
bool IsClearOfTies(const double angles[3]) {
    const double middle = std::fabs(angles[1]);
    return IsInsideQuarterTurn(angles[0]) && IsInsideQuarterTurn(angles[2]) && middle > kNearQuarterTurn &&
           middle < kNearGimbal;
}

// The joint's rotation of the frame as Euler XYZ angles; the values start at its first.
void ConvertAngles(const RBvhJoint& joint, const double* values, double angles[3]) {
    const int* slot = joint.rotationValue;
    if (joint.rotationForm == RBvhJoint::kEulerXyz) {
        for (int i = 0; i < 3; ++i) {
            angles[i] = values[slot[i]];
        }
    } else if (joint.rotationForm == RBvhJoint::kEuler) {
        RMatrix rotation;
        EulerToMatrixOfOrder(rotation, values[slot[0]], values[slot[1]], values[slot[2]], joint.eulerOrder);
        XyzAngles(rotation, angles);
    }
    if (joint.rotationForm == RBvhJoint::kComposed || !IsClearOfTies(angles)) {
        ComposedAngles(joint, values, angles);
    }
}

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Whether the frame's rotation values are the bits of those converted last. The Euler forms
// have exactly three rotation channels, which their value slots name.
bool RepeatsConvertedRotation(const RBvhJoint& joint, const double* values) {
    if (!joint.hasConverted) {
        return false;
    }
    std::uint64_t differ = 0;
    if (joint.rotationForm == RBvhJoint::kComposed) {
        for (int c = 0; c < joint.channelCount; ++c) {
            if (joint.channels[c] >= RBvhJoint::kXRotation) {
                differ |= Bits(values[c]) ^ Bits(joint.convertedValues[c]);
            }
        }
    } else {
        for (const int c : joint.rotationValue) {
            differ |= Bits(values[c]) ^ Bits(joint.convertedValues[c]);
        }
    }
    return differ == 0;
}

// ConvertAngles, or the angles of the frame before when its rotation values repeat.
void JointAngles(RBvhJoint& joint, const double* values, double angles[3]) {
    if (RepeatsConvertedRotation(joint, values)) {
        for (int i = 0; i < 3; ++i) {
            angles[i] = joint.convertedAngles[i];
        }
        return;
    }
    ConvertAngles(joint, values, angles);
    for (int i = 0; i < 3; ++i) {
        joint.convertedAngles[i] = angles[i];
    }
    if (joint.rotationForm == RBvhJoint::kComposed) {
        for (int c = 0; c < joint.channelCount; ++c) {
            joint.convertedValues[c] = values[c];
        }
    } else {
        for (const int c : joint.rotationValue) {
            joint.convertedValues[c] = values[c];
        }
    }
    joint.hasConverted = true;
}

}  // namespace

bool RBvhFile::ConvertFrame(const double* values, bool first) {
    try {
        for (const std::unique_ptr<RBvhJoint>& entry : joints_) {
            RBvhJoint& joint = *entry;
            if (joint.IsEndSite()) {
                continue;
            }
            joint.translation = joint.offset;
            for (int i = 0; i < 3; ++i) {
                if (joint.positionValue[i] >= 0) {
                    *joint.translation.Component(i) = values[joint.positionValue[i]];
                }
            }
            double current[3];
            JointAngles(joint, values, current);
            values += joint.channelCount;
            if (!first) {
                static const int kXyz[3] = {0, 1, 2};
                EulerFilterStep(current, current, joint.previousRotation, kXyz);
            }
            for (int i = 0; i < 3; ++i) {
                joint.rotation[i] = current[i];
                joint.previousRotation[i] = current[i];
            }
            // Kept while the joint's values are at hand.
            float* row = joint.frames.NextRow();
            if (joint.hasPosition) {
                for (int i = 0; i < 3; ++i) {
                    *row++ = static_cast<float>(*joint.translation.Component(i));
                }
            }
            for (int i = 0; i < 3; ++i) {
                row[i] = static_cast<float>(current[i]);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int RBvhFile::GetStagedRows(int frames) const {
    // Every value of a row takes at least a character and a delimiter (a row without values a
    // character and its line end).
    const std::int64_t bytesPerRow = 2 * std::int64_t{std::max(totalChannels_, 1)};
    return static_cast<int>(std::min<std::int64_t>(frames, GetSourceSize() / bytesPerRow + 1));
}

bool RBvhFile::ReserveStagedFrames(int frames) {
    const int rows = GetStagedRows(frames);
    for (const std::unique_ptr<RBvhJoint>& joint : joints_) {
        if (!joint->IsEndSite() && !joint->frames.Reserve(rows, joint->StagedWidth())) {
            return false;
        }
    }
    return true;
}

bool RBvhFile::StoreJointKeys(RBvhJoint& joint, int frames, RTime start, RTime step) {
    const int stride = joint.StagedWidth();
    const int first = 6 - stride;
    const RStagedFrames& staged = joint.frames;
    bool stored = true;
    for (int c = first; c < 6 && frames > 0; ++c) {
        stored = StoreFrameKeys(joint.curves[c], start, step, staged.GetPieces(), staged.GetRowsPerPiece(), c - first,
                                stride, frames) &&
                 stored;
    }
    joint.frames.Release();
    return stored;
}

bool RBvhFile::ReadMotion(RStreamOptionsMotion& options) {
    const int frames = options.GetFrameCount() < frameCount_ ? options.GetFrameCount() : frameCount_;
    options.SetFrameCount(frames);
    if (!options.FramesFitTimeRange(frames)) {
        return Fail("The frames reach beyond the time range");
    }
    const RTime start = options.GetStartTime();
    const RTime step = options.GetFramePeriod();
    for (const std::unique_ptr<RBvhJoint>& joint : joints_) {
        joint->PlanConversion();
        if (!joint->IsEndSite()) {
            BeginCurveEdits(joint->curves + (joint->hasPosition ? 0 : 3), joint->hasPosition ? 6 : 3);
        }
    }
    // The converted frames are kept per joint until every row is read; then each joint's keys
    // are stored curve by curve and its filters run while those keys are fresh in the cache.
    bool ok = ReserveStagedFrames(frames) || Fail("Can't store the keys");
    std::vector<double> values(static_cast<std::size_t>(totalChannels_));
    int read = 0;
    for (; ok && read < frames; ++read) {
        options.ReportProgress(0, nullptr, static_cast<float>(static_cast<std::int64_t>(read) * 100 / frames));
        if (!NextLine()) {
            Error("Frame %d of %d is missing", read + 1, frames);
            ok = false;
            break;
        }
        const int got = ReadFiniteDoubles(values.data(), totalChannels_);
        if (got < totalChannels_) {
            Error("Frame %d holds %d of its %d values", read + 1, got, totalChannels_);
            ok = false;
            break;
        }
        if (!ConvertFrame(values.data(), read == 0)) {
            ok = Fail("Can't store the keys");
            break;
        }
    }
    // A refused file keeps the keys of the frames before the fault, unfiltered.
    RotationCurveFilter rotationFilter;
    for (const std::unique_ptr<RBvhJoint>& entry : joints_) {
        RBvhJoint& joint = *entry;
        if (joint.IsEndSite()) {
            continue;
        }
        const bool stored = StoreJointKeys(joint, read, start, step);
        EndCurveEdits(joint.curves, 6);
        if (ok && !stored) {
            ok = Fail("Can't store the keys");
        }
        if (ok) {
            if (joint.hasPosition) {
                ReduceConstantKeys(joint.curves, 3);
            }
            rotationFilter.Apply(joint.curves + 3);
            ReduceConstantKeys(joint.curves + 3, 3);
        }
    }
    return ok;
}

// ---- printing -------------------------------------------------------------------------------------------

void RBvhFile::WriteOffset(int indent, const RVector4& offset) {
    Print(indent, "%s %g %g %g\n", "OFFSET", Clean(offset.x), Clean(offset.y), Clean(offset.z));
}

void RBvhFile::WriteJointBegin(int indent, bool root, const char* name, const RVector4& offset, bool rotationOnly) {
    if (root) {
        Print(indent, "%s\n", "HIERARCHY");
    }
    Print(indent, "%s %s\n", root ? "ROOT" : "JOINT", name);
    Print(indent, "%s\n", "{");
    WriteOffset(indent + 1, offset);
    if (root || !rotationOnly) {
        Print(indent + 1, "%s 6 %s %s %s %s %s %s\n", "CHANNELS", "Xposition", "Yposition", "Zposition", "Zrotation",
              "Xrotation", "Yrotation");
    } else {
        Print(indent + 1, "%s 3 %s %s %s\n", "CHANNELS", "Zrotation", "Xrotation", "Yrotation");
    }
}

void RBvhFile::WriteJointEnd(int indent) { Print(indent, "%s\n", "}"); }

void RBvhFile::WriteEndSite(int indent, const RVector4& offset) {
    Print(indent, "%s\n", "End Site");
    Print(indent, "%s\n", "{");
    WriteOffset(indent + 1, offset);
    Print(indent, "%s\n", "}");
}

void RBvhFile::WriteMotionHeader(int frameCount, double frameTime) {
    Print(0, "%s\n", "MOTION");
    Print(0, "%s\t%d\n", "Frames:", frameCount);
    Print(0, "%s\t%g\n", "Frame Time:", frameTime);
}

void RBvhFile::WriteFrameValues(const double* values, bool rotationOnly) {
    if (rotationOnly) {
        Print(0, "%g %g %g ", values[0], values[1], values[2]);
    } else {
        Print(0, "%g %g %g %g %g %g ", values[0], values[1], values[2], values[3], values[4], values[5]);
    }
}

void RBvhFile::WriteFrameEnd() { Print(0, "\n"); }
