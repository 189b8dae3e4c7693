#include "formats/motion/RWyxWriterBvh.h"

#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>

namespace {

constexpr double kSingularThreshold = 1.6e-9;
const char* const kChannels[] = {"T", "R"};
const char* const kComponents[] = {"X", "Y", "Z"};

bool HasTransformKeys(RWyxTakeNode& take) {
    for (const char* channel : kChannels) {
        for (const char* component : kComponents) {
            if (take.HasKeys("Transform", channel, component)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

RStreamOptionsPtr RWyxWriterBvh::GetWriteOptions() {
    return RStreamOptionsPtr(RStreamOptionsMotion::CreateWith(
        {{kMotionTranslation, 0}, {kMotionExportFromGlobalPosition, 0}, {kMotionExportRequireSingleRootNode, 1}}));
}

bool RWyxWriterBvh::IsEndSite(RWyxNode& node) {
    RWyxNode* parent = node.GetParent();
    if (node.GetChildCount() != 0 || parent == nullptr || parent->GetChildCount() != 1) {
        return false;
    }
    const RWyxSkeleton* skeleton = node.GetSkeleton();
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    return skeleton == nullptr || skeleton->GetSkeletonType() != 2 || take == nullptr ||
           take == node.GetDefaultTakeNode() || !HasTransformKeys(*take) ||
           node.GetName().FindText("_EndSite") >= 0;
}

void RWyxWriterBvh::ToZxyChannels(const RVector4& xyz, double out[3]) {
    RMatrix m;
    EulerVectorXYZToMatrix(m, xyz);
    const double c = std::sqrt(m[1][1] * m[1][1] + m[1][0] * m[1][0]);
    const double x = -std::atan2(-m[1][2], c);
    double y = 0.0;
    double z = 0.0;
    if (c > kSingularThreshold) {
        y = -std::atan2(m[0][2], m[2][2]);
        z = -std::atan2(m[1][0], m[1][1]);
    } else {
        y = -std::atan2(-m[2][0], m[0][0]);
    }
    out[0] = z * kRadiansToDegrees;
    out[1] = x * kRadiansToDegrees;
    out[2] = y * kRadiansToDegrees;
}

bool RWyxWriterBvh::IsNameWritten(RWyxNode& node, const RWyxNode& root) const {
    return &node == &root || !IsEndSite(node);
}

bool RWyxWriterBvh::IsDefaultTaken(RWyxNode& node, const RWyxNode& root, int channel) const {
    if (channel < 3) {
        return true;
    }
    if (!IsNameWritten(node, root)) {
        return false;  // an end site
    }
    return channel >= 6 ? node.GetChildCount() == 0 : !IsKeyed(node, channel);
}

bool RWyxWriterBvh::WriteHierarchy(RWyxNode& node, int indent, bool root, const RStreamOptionsMotion& options) {
    const bool global = root && exportFromGlobalPosition_;
    const RMatrix matrix = global ? node.GetDefaultGlobalMatrix() : node.GetDefaultLocalMatrix();
    if (!CheckHeld(IsHeld(matrix, kTranslationPart), node, global ? nullptr : node.GetParent(), nullptr, options,
                   "BVH")) {
        return false;
    }
    const RVector4 translation = matrix.GetTranslation();
    if (!root && IsEndSite(node)) {
        File().WriteEndSite(indent, translation);
        return true;
    }
    const RString name = node.GetNameWithoutPrefix();
    const bool rotationOnly = !root && rotationOnly_;
    File().WriteJointBegin(indent, root, name.Buffer(), translation, rotationOnly);
    joints_.push_back(Joint{&node, rotationOnly});
    for (int i = 0; i < node.GetChildCount(); ++i) {
        if (!WriteHierarchy(*node.GetChild(i), indent + 1, false, options)) {
            return false;
        }
    }
    if (node.GetChildCount() == 0) {
        // A leaf that is no end site ends in one along its bone.
        RVector4 axis;
        node.GetLimits()->GetRotationAxis(axis);
        const double ry = axis.y * kDegreesToRadians;
        const double rz = axis.z * kDegreesToRadians;
        RVector4 offset(std::cos(rz) * std::cos(ry), std::sin(rz) * std::cos(ry), -std::sin(ry), 0.0);
        offset *= node.GetLimits()->GetAxisLength();
        offset *= matrix.GetScaling();
        const double values[3] = {offset.x, offset.y, offset.z};
        if (!CheckHeld(IsHeld(values, 3), node, node.GetParent(), nullptr, options, "BVH")) {
            return false;
        }
        File().WriteEndSite(indent + 1, offset);
    }
    File().WriteJointEnd(indent);
    return true;
}

bool RWyxWriterBvh::WriteFrame(RTime time, const RStreamOptionsMotion& options) {
    for (const Joint& joint : joints_) {
        const bool global = joint.node == root_ && exportFromGlobalPosition_;
        const RMatrix matrix = global ? joint.node->GetGlobalMatrixAt(time) : joint.node->GetLocalMatrixAt(time);
        const int parts = joint.rotationOnly ? kRotationPart : kRotationPart | kTranslationPart;
        if (!CheckHeld(IsHeld(matrix, parts), *joint.node, global ? nullptr : joint.node->GetParent(), &time, options,
                       "BVH")) {
            return false;
        }
        const RVector4 translation = matrix.GetTranslation();
        double values[6] = {translation.x, translation.y, translation.z, 0.0, 0.0, 0.0};
        ToZxyChannels(matrix.GetRotation(), values + 3);
        File().WriteFrameValues(joint.rotationOnly ? values + 3 : values, joint.rotationOnly);
    }
    File().WriteFrameEnd();
    return true;
}

bool RWyxWriterBvh::WriteSkeleton(RWyxScene& /*scene*/, RWyxNode& root, RStreamOptionsMotion& options) {
    rotationOnly_ = options.GetOption(kMotionTranslation) != 1;
    exportFromGlobalPosition_ = options.GetOption(kMotionExportFromGlobalPosition) == 1;
    root_ = &root;
    joints_.clear();
    bool written = WriteHierarchy(root, 0, true, options);
    const int count = options.GetFrameCount();
    const RTime start = options.GetStartTime();
    const RTime period = options.GetFramePeriod();
    if (written) {
        File().WriteMotionHeader(count, period.ToSeconds());
    }
    for (int i = 0; i < count && written; ++i) {
        options.ReportProgress(0, "Writing BVH nodes", static_cast<float>(static_cast<std::int64_t>(i) * 100 / count));
        written = WriteFrame(start + period * i, options);
    }
    root_ = nullptr;
    joints_.clear();
    return written;
}
