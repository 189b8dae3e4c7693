#include "formats/motion/RWyxWriterAsf.h"

#include "core/PreOrderWalk.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "scene/RWyxNode.h"

#include <algorithm>
#include <cmath>
#include <vector>

RStreamOptionsPtr RWyxWriterAsf::NewWriteOptions() {
    return RStreamOptionsPtr(RStreamOptionsMotion::CreateWith(
        {{kMotionTranslation, 0}, {kMotionExportFromGlobalPosition, 0}, {kMotionExportRequireSingleRootNode, 1},
         {kMotionExportFrameRate, 1}, {kMotionExportFrameRange, 0}}));
}

RStreamOptionsPtr RWyxWriterAsf::GetWriteOptions() { return NewWriteOptions(); }

RWyxNode* RWyxWriterAsf::CheckScene(RWyxScene* scene, RStreamOptionsMotion*& motion, RStreamOptions* options) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RWyxNode* root = FindSingleRoot(scene);
    if (root == nullptr) {
        SetError(kErrorNotCreated, "Scene must have a single root node.");
        return nullptr;
    }
    motion = CheckOptions(options);
    if (motion == nullptr) {
        return nullptr;
    }
    if (!CheckNodes(root, *motion, "ASF")) {
        return nullptr;
    }
    if (root->FindChild("root", true, false) != nullptr) {
        Refuse(*motion, "Model name \"root\" is only allowed for the ASF root node.");
        return nullptr;
    }
    return root;
}

bool RWyxWriterAsf::CheckBoneNames(const RAsfBone& root, const RStreamOptionsMotion& options) {
    RString faults("ASF files cannot hold these bone names:");
    std::vector<WrittenName> written;
    const auto fault = [&written](const RAsfBone& bone) {
        const RString name(bone.GetName());
        written.push_back(WrittenName{name, name});
        const RString why = RAsfFile::BoneNameFault(name);
        return why.IsEmptyText() ? why : QuotedName(name) + " " + why;
    };
    return (CollectPreOrderFaults(&root, fault, faults) || Refuse(options, faults)) &&
           RefuseSharedNames(written, options, "ASF");
}

bool RWyxWriterAsf::CheckBoneValues(const RAsfBone& root, double lengthUnit, const RStreamOptionsMotion& options) {
    bool held = true;
    VisitPreOrder(&root, [&](const RAsfBone& bone) {
        const double values[7] = {bone.direction.x, bone.direction.y, bone.direction.z, bone.length,
                                  bone.axis[0],     bone.axis[1],     bone.axis[2]};
        // A read turns the length back into centimetres, which the bone's node holds as floats.
        const bool read = WithinFloats(RAsfFile::LengthAsRead(bone.length, lengthUnit));
        if (held && !(read && std::all_of(values, values + 7, [](double value) { return std::isfinite(value); }))) {
            held = RefuseBeyond(RString(bone.GetName()), nullptr, options, "ASF");
        }
    });
    return held;
}

bool RWyxWriterAsf::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = nullptr;
    RWyxNode* root = CheckScene(scene, motion, options);
    if (root == nullptr) {
        return false;
    }
    // The root bone takes its node's scaling alone; the motion, the root's other channels.
    const auto taken = [root](RWyxNode& node, int channel) {
        return &node != root || channel >= 6 || !IsKeyed(node, channel);
    };
    if (!CheckDefaults(*root, taken, *motion, "ASF")) {
        return false;
    }
    std::unique_ptr<RWyxAsfScene, RPlugDestroyer> skeleton(RWyxAsfScene::Create());
    const bool translationDofs = motion->GetOption(kMotionTranslation) == 1;
    RVector4 scale(1.0, 1.0, 1.0, 1.0);
    if (motion->GetOption(kMotionExportFromGlobalPosition) == 1 && root->GetParent() != nullptr) {
        scale = root->GetParent()->GetDefaultGlobalMatrix().GetScaling();
    }
    if (!skeleton->BuildFromNode(root, translationDofs, scale)) {
        SetError(kErrorUnidentified, "The skeleton could not be built");
        return false;
    }
    if (!CheckBoneNames(*skeleton->GetRoot(), *motion) ||
        !CheckBoneValues(*skeleton->GetRoot(), skeleton->lengthUnit, *motion)) {
        return false;
    }
    motion->ReportProgress(0, "Writing ASF node hierarchy", 0.0f);
    // The print ends with the flush whose failure FinishText reports with its reason.
    const bool printed = static_cast<RAsfFile*>(GetFormatFile())->Write(*skeleton);
    if (!FinishText()) {
        return false;
    }
    if (!printed) {
        return FailTargetWrite(RWriteFailure());
    }
    motion->SetAsfScene(skeleton.release(), true);
    return true;
}
