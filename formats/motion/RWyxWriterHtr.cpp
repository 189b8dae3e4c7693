#include "formats/motion/RWyxWriterHtr.h"

#include "attributes/RWyxPose.h"
#include "core/EulerAngles.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxScene.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

namespace {

constexpr double kMillimetresPerCentimetre = 10.0;
// Converting the frames takes the first half of the progress, printing the second.
constexpr int kConvertedPercent = 50;
// Tx, Ty, Tz, Rx, Ry, Rz of a frame line.
constexpr std::size_t kFrameValues = 6;

// Where the values of a segment's frame start in the table of converted frames.
std::size_t FrameOffset(std::size_t segment, int frames, int frame) {
    return (segment * static_cast<std::size_t>(frames) + static_cast<std::size_t>(frame)) * kFrameValues;
}

// The rotation part alone, rows normalised, translation zero.
RMatrix NormalizedRotation(const RMatrix& matrix) {
    RMatrix rotation;
    NormalizeMatrixRows(rotation, matrix);
    return rotation;
}

RMatrix FromEulerAndTranslation(const RVector4& angles, const RVector4& translation) {
    RMatrix matrix;
    EulerVectorXYZToMatrix(matrix, angles);
    MatrixSetTranslation(matrix, translation.x, translation.y, translation.z);
    return matrix;
}

// A global matrix as the frame conversion takes it: rotation rebuilt from its Euler angles
// (dropping scaling), translation in millimetres.
RMatrix AsWritten(const RMatrix& global) {
    return FromEulerAndTranslation(global.GetRotation(), global.GetTranslation() * kMillimetresPerCentimetre);
}

// first, then second, over the affine parts.
RMatrix Then(const RMatrix& first, const RMatrix& second) {
    RMatrix out;
    MatrixMultiplyAffine(out, second, first);
    return out;
}

const RWyxPose* FindRestPose(const RWyxScene& scene, RWyxNode* evaluationParent) {
    if (evaluationParent == nullptr) {
        return nullptr;
    }
    const RString name = RString("Pose::") + evaluationParent->GetNameWithoutPrefix() + "_RESTPOSE";
    for (int i = 0; i < scene.GetPoseCount(); ++i) {
        const RWyxPose* pose = scene.GetPose(i);
        if (pose != nullptr && pose->GetName() == name) {
            return pose;
        }
    }
    return nullptr;
}

}  // namespace

RStreamOptionsPtr RWyxWriterHtr::GetWriteOptions() {
    return RStreamOptionsPtr(RStreamOptionsMotion::CreateWith(
        {{kMotionExportFromGlobalPosition, 0}, {kMotionExportRequireSingleRootNode, 1}}));
}

bool RWyxWriterHtr::IsEndNode(RWyxNode& node) {
    return node.GetChildCount() == 0 && !node.GetLimits()->GetAuto(RWyxNodeLimits::kRotation) &&
           node.GetLimits()->GetAxisLength() == 0.0;
}

bool RWyxWriterHtr::IsNameWritten(RWyxNode& node, const RWyxNode& root) const {
    return &node == &root || !IsEndNode(node);
}

RMatrix RWyxWriterHtr::RelativeGlobal(RWyxNode* node, const RTime* time) const {
    RMatrix global;
    for (RWyxNode* at = node; at != nullptr && at != evaluationParent_; at = at->GetParent()) {
        global = Then(global, LocalMatrix(*at, time));
    }
    return global;
}

RMatrix RWyxWriterHtr::LocalMatrix(RWyxNode& node, const RTime* time) {
    return time != nullptr ? node.GetLocalMatrixAt(*time) : node.GetDefaultLocalMatrix();
}

void RWyxWriterHtr::RelativeGlobals(const RTime* time, std::vector<RMatrix>& globals) const {
    globals.resize(segments_.size());
    for (std::size_t s = 0; s < segments_.size(); ++s) {
        const Segment& segment = segments_[s];
        globals[s] = segment.parent < 0 ? RelativeGlobal(segment.node, time)
                                        : Then(LocalMatrix(*segment.node, time),
                                               globals[static_cast<std::size_t>(segment.parent)]);
    }
}

void RWyxWriterHtr::CollectSegments(RWyxNode& root, bool rootHasParentMatrix) {
    segments_.clear();
    std::vector<std::pair<RWyxNode*, int>> pending{{&root, -1}};
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        Segment segment{node, parent, parent >= 0 || rootHasParentMatrix, RMatrix(), RMatrix(), RMatrix(), RMatrix(), 0.0};
        segments_.push_back(segment);
        const int index = static_cast<int>(segments_.size()) - 1;
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            RWyxNode* child = node->GetChild(i);
            if (!IsEndNode(*child)) {
                pending.emplace_back(child, index);
            }
        }
    }
}

bool RWyxWriterHtr::ConvertBase(Segment& segment, const RWyxPose* restPose, const RMatrix* parentGlobal,
                                const RMatrix& global, const RStreamOptionsMotion& options) {
    RWyxNode& node = *segment.node;
    RWyxNodeLimits& limits = *node.GetLimits();
    limits.UpdateFromNode(&node);
    RVector4 translation;
    RVector4 axis;
    limits.GetDefault(RWyxNodeLimits::kTranslation, translation);
    limits.GetRotationAxis(axis);
    const double length = limits.GetAxisLength();
    RVector4 parentScaling(1.0, 1.0, 1.0, 0.0);
    RVector4 nodeScaling;
    if (parentGlobal != nullptr) {
        MatrixToScaling(parentScaling, *parentGlobal);
    }
    MatrixToScaling(nodeScaling, global);

    translation = translation * kMillimetresPerCentimetre;
    translation *= parentScaling;
    RMatrix bone;
    EulerVectorXYZToMatrix(bone, axis);
    RVector4 boneVector(bone[0][0], bone[0][1], bone[0][2], 0.0);
    boneVector = boneVector * (kMillimetresPerCentimetre * length);
    boneVector *= nodeScaling;
    segment.length = boneVector.Length3();

    // The bone axis of the file is Y: a quarter turn about Z comes before the bone frame.
    RMatrix turned;
    for (int c = 0; c < 3; ++c) {
        turned[0][c] = -bone[1][c];
        turned[1][c] = bone[0][c];
        turned[2][c] = bone[2][c];
    }
    segment.child = FromEulerAndTranslation(turned.GetRotation(), translation);
    RMatrix written = segment.child;
    if (segment.hasParentMatrix) {
        written = Then(segment.child, NormalizedRotation(segment.baseParent).Inverse());
    }
    const int entry = restPose != nullptr && !restPose->IsBindPose() ? restPose->Find(node.GetName().Buffer()) : -1;
    if (entry >= 0 && restPose->IsLocalMatrix(entry)) {
        written = restPose->GetMatrix(entry);
        // The rest pose holds centimetres; the file, millimetres.
        const RVector4 restTranslation = written.GetTranslation() * kMillimetresPerCentimetre;
        MatrixSetTranslation(written, restTranslation.x, restTranslation.y, restTranslation.z);
    }
    segment.base = FromEulerAndTranslation(written.GetRotation(), written.GetTranslation());
    return CheckHeld(IsHeld(written, kTranslationPart | kRotationPart) && IsHeld(&segment.length, 1), node,
                     node.GetParent(), nullptr, options, "HTR");
}

void RWyxWriterHtr::ConvertFrame(const Segment& segment, RMatrix global, RMatrix parentGlobal, double translation[3],
                                 double rotation[3]) const {
    RMatrix frame;
    if (segment.hasParentMatrix) {
        const RMatrix withParent = Then(segment.base, NormalizedRotation(segment.frameParent));
        MatrixCopyRotation3x3(parentGlobal, RotationProduct(segment.frameParent, parentGlobal));
        MatrixCopyRotation3x3(global, RotationProduct(withParent, global));
        frame = Then(global, parentGlobal.Inverse());
    } else {
        MatrixCopyRotation3x3(global, RotationProduct(segment.base, global));
        frame = global;
    }
    const RVector4 offset = frame.GetTranslation() - segment.base.GetTranslation();
    RVector4 angles;
    MatrixToEulerXYZ(angles, RotationProduct(frame, segment.base.Transpose()));
    for (int i = 0; i < 3; ++i) {
        translation[i] = *offset.Component(i);
        rotation[i] = *angles.Component(i);
    }
}

bool RWyxWriterHtr::ConvertFrames(const RStreamOptionsMotion& options, int frames, std::vector<double>& values) {
    try {
        values.assign(segments_.size() * static_cast<std::size_t>(frames) * kFrameValues, 0.0);
    } catch (const std::bad_alloc&) {
        return Refuse(options, RString("The ") + frames + " frames of " + static_cast<int>(segments_.size()) +
                                   " segments are more than memory holds");
    }
    const RTime start = options.GetStartTime();
    const RTime period = options.GetFramePeriod();
    // The root's parent is the evaluation parent itself.
    const RMatrix rootParent = AsWritten(RMatrix());
    std::vector<RMatrix> globals;
    std::vector<RMatrix> written(segments_.size());
    for (int i = 0; i < frames; ++i) {
        options.ReportProgress(0, "Converting HTR nodes",
                               static_cast<float>(static_cast<std::int64_t>(i) * kConvertedPercent / frames));
        const RTime time = start + period * i;
        RelativeGlobals(&time, globals);
        for (std::size_t s = 0; s < segments_.size(); ++s) {
            const int parent = segments_[s].parent;
            if (!CheckHeld(IsHeld(globals[s], kTranslationPart | kRotationPart), *segments_[s].node, evaluationParent_,
                           &time, options, "HTR")) {
                return false;
            }
            written[s] = AsWritten(globals[s]);
            double* frame = &values[FrameOffset(s, frames, i)];
            ConvertFrame(segments_[s], written[s], parent >= 0 ? written[static_cast<std::size_t>(parent)] : rootParent,
                         frame, frame + 3);
        }
    }
    return true;
}

bool RWyxWriterHtr::WriteSkeleton(RWyxScene& scene, RWyxNode& root, RStreamOptionsMotion& options) {
    const bool global = options.GetOption(kMotionExportFromGlobalPosition) == 1;
    evaluationParent_ = global ? scene.GetRootNode() : root.GetParent();
    CollectSegments(root, !global);
    const RWyxPose* restPose = FindRestPose(scene, evaluationParent_);
    std::vector<RMatrix> defaults;
    RelativeGlobals(nullptr, defaults);
    // Parents come before their children: each takes its parent's base frames.
    for (std::size_t s = 0; s < segments_.size(); ++s) {
        Segment& segment = segments_[s];
        const RMatrix* parentDefault = nullptr;
        if (segment.parent >= 0) {
            parentDefault = &defaults[static_cast<std::size_t>(segment.parent)];
            const Segment& parent = segments_[static_cast<std::size_t>(segment.parent)];
            segment.baseParent = parent.child;
            segment.frameParent = Then(parent.base, NormalizedRotation(parent.frameParent));
            if (!parent.hasParentMatrix) {
                segment.frameParent = parent.base;
            }
        }
        if (!ConvertBase(segment, restPose, parentDefault, defaults[s], options)) {
            return false;
        }
    }

    const int frames = options.GetFrameCount();
    std::vector<double> values;
    if (!ConvertFrames(options, std::max(frames, 0), values)) {
        return false;
    }
    options.ReportProgress(0, "Writing HTR nodes", kConvertedPercent);
    const RTime period = options.GetFramePeriod();
    const double seconds = period.ToSeconds();
    const int rate = seconds > 0.0 && 1.0 / seconds < 2147483647.0 ? static_cast<int>(1.0 / seconds) : 0;
    RHtrFile& file = File();
    file.WriteHeader(static_cast<int>(segments_.size()), frames, rate);
    file.WriteSection("SegmentNames&Hierarchy");
    for (const Segment& segment : segments_) {
        const RString name = segment.node->GetNameWithoutPrefix();
        const RString parent =
            segment.parent >= 0 ? segments_[static_cast<std::size_t>(segment.parent)].node->GetNameWithoutPrefix()
                                : RString(RHtrFile::kRootParentName);
        file.WriteHierarchyLine(name.Buffer(), parent.Buffer());
    }
    file.WriteSection("BasePosition");
    for (const Segment& segment : segments_) {
        const RVector4 translation = segment.base.GetTranslation();
        const RVector4 angles = segment.base.GetRotation();
        const double t[3] = {translation.x, translation.y, translation.z};
        const double r[3] = {angles.x, angles.y, angles.z};
        file.WriteBasePosition(segment.node->GetNameWithoutPrefix().Buffer(), t, r, segment.length);
    }
    for (std::size_t s = 0; s < segments_.size(); ++s) {
        file.WriteSection(segments_[s].node->GetNameWithoutPrefix().Buffer());
        for (int i = 0; i < frames; ++i) {
            const double* frame = &values[FrameOffset(s, frames, i)];
            file.WriteFrame(i, frame, frame + 3);
        }
    }
    file.WriteSection("EndOfFile");
    segments_.clear();
    evaluationParent_ = nullptr;
    return true;
}
