#include "formats/motion/RWyxAsfScene.h"

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"

namespace {

constexpr double kCentimetresToInches = 0.39370078740157477;

RVector4 DefaultTranslation(const RWyxNode* node) {
    RVector4 value(0.0, 0.0, 0.0, 1.0);
    node->GetDefaultTranslation(value);
    return value;
}

// The root bone's children hang at the root's origin: a child at any other offset, like
// children at different offsets, needs a dummy bone to carry its offset.
bool NeedsDummies(RWyxNode* node, bool rootBone) {
    const int count = node->GetChildCount();
    if (count == 0) {
        return false;
    }
    const RVector4 first = DefaultTranslation(node->GetChild(0));
    if (rootBone && first.Length3() > 0.0) {
        return true;
    }
    for (int i = 1; i < count; ++i) {
        if (DefaultTranslation(node->GetChild(i)) != first) {
            return true;
        }
    }
    return false;
}

void TakeFrameOf(RAsfBone& bone, const RAsfBone& source) {
    bone.parentOffset[0] = source.endOffset.x;
    bone.parentOffset[1] = source.endOffset.y;
    bone.parentOffset[2] = source.endOffset.z;
    MatrixCopyRotation3x3(bone.parentAxisFrame, source.axisFrame);
    MatrixCopyRotation3x3(bone.inverseParentAxisFrame, source.inverseAxisFrame);
}

void SetDofs(RAsfBone& bone, bool translationDofs) {
    static const int kDofs[] = {RAsfBone::kTx, RAsfBone::kTy, RAsfBone::kTz,
                                RAsfBone::kRx, RAsfBone::kRy, RAsfBone::kRz};
    bone.dofCount = 0;
    for (int i = translationDofs ? 0 : 3; i < 6; ++i) {
        bone.dofs[bone.dofCount++] = kDofs[i];
    }
}

void ClearBindings(RAsfBone* bone) {
    for (RFCurveNode*& curveNode : bone->takeCurveNodes) {
        curveNode = nullptr;
    }
    for (const std::unique_ptr<RAsfBone>& child : bone->children) {
        ClearBindings(child.get());
    }
}

}  // namespace

RWyxAsfScene* RWyxAsfScene::Create() { return CreatePlugObject<RWyxAsfScene>(nullptr); }

void RWyxAsfScene::SetSkeletonName(const char* text) {
    name_ = text != nullptr ? text : "";
    if (name_.size() > static_cast<std::size_t>(kMaxNameLength)) {
        name_.resize(static_cast<std::size_t>(kMaxNameLength));
    }
}

RWyxAsfScene* RWyxAsfScene::FromOptions(const RStreamOptionsMotion& options) {
    RObject* stored = options.GetAsfScene();
    return stored != nullptr && stored->Is(ClassId()) ? static_cast<RWyxAsfScene*>(stored) : nullptr;
}

RString RWyxAsfScene::GetReferenceName() const {
    return RString(name_.empty() ? "ASF" : name_.c_str()) + ":reference";
}

RWyxNode* RWyxAsfScene::CreateNodes(RWyxObjectFactory& factory, const char* takeName, bool limits) {
    return root_ != nullptr ? root_->CreateNode(factory, takeName, limits) : nullptr;
}

void RWyxAsfScene::MergeNodes(RWyxObjectFactory& factory, RWyxNode* parent, const char* takeName, bool limits) {
    if (root_ == nullptr || parent == nullptr) {
        return;
    }
    RWyxNode* found = parent->FindChild(root_->GetName(), true, false);
    if (found != nullptr && found->GetParent() != nullptr) {
        root_->MergeNode(factory, found->GetParent(), takeName, limits);
    } else if (RWyxNode* created = root_->CreateNode(factory, takeName, limits)) {
        parent->AddChild(created);
    }
}

// ---- export ---------------------------------------------------------------------------------------------

bool RWyxAsfScene::BuildFromNode(RWyxNode* rootNode, bool translationDofs, const RVector4& scale) {
    SetSkeletonName("ASF");
    lengthUnit = 1.0;
    CreateRootBone(rootNode);
    if (rootNode != nullptr) {
        BuildBones(rootNode, root_.get(), translationDofs, scale);
    }
    root_->PruneEndBones();
    return true;
}

void RWyxAsfScene::CreateRootBone(RWyxNode* node) {
    auto root = std::make_unique<RAsfBone>("root");
    SetDofs(*root, true);
    root->BindTakeCurveNodes(node);
    root_ = std::move(root);
}

void RWyxAsfScene::BoneFromNode(RAsfBone* bone, const RVector4& rotation, const RVector4& end,
                                const RVector4& scale) const {
    RMatrix own;
    EulerVectorXYZToMatrix(own, rotation);
    bone->axisFrame = RotationProduct(own, bone->parentAxisFrame);
    bone->inverseAxisFrame = bone->axisFrame.Transpose();
    RVector4 angles;
    MatrixToEulerXYZ(angles, bone->axisFrame);
    bone->axis[0] = angles.x;
    bone->axis[1] = angles.y;
    bone->axis[2] = angles.z;
    bone->rotationOrder = 0;
    RVector4 scaled = end;
    scaled *= scale;
    MatrixTransformVector(bone->endOffset, bone->axisFrame, scaled);
    bone->endOffset.w = 1.0;
    const double length = bone->endOffset.Length3();
    bone->length = length * lengthUnit * kCentimetresToInches;
    bone->direction = length > 0.0 ? bone->endOffset * (1.0 / length) : RVector4();
    bone->direction.w = 1.0;
}

void RWyxAsfScene::BuildBones(RWyxNode* node, RAsfBone* bone, bool translationDofs, const RVector4& scale) {
    RVector4 nodeScale(1.0, 1.0, 1.0, 1.0);
    node->GetDefaultScaling(nodeScale);
    nodeScale *= scale;
    const bool rootBone = bone == root_.get();
    const bool dummies = NeedsDummies(node, rootBone);
    if (node->GetChildCount() > 0) {
        RVector4 rotation;
        if (!rootBone) {
            node->GetDefaultRotation(rotation);
        }
        const RVector4 end = dummies ? RVector4() : DefaultTranslation(node->GetChild(0));
        BoneFromNode(bone, rotation, end, nodeScale);
    }
    for (int i = 0; i < node->GetChildCount(); ++i) {
        RWyxNode* childNode = node->GetChild(i);
        const RString childName = childNode->GetNameWithoutPrefix();
        auto child = std::make_unique<RAsfBone>(childName.Buffer());
        RAsfBone* hangsFrom = bone;
        if (dummies) {
            auto dummy = std::make_unique<RAsfBone>((std::string(childName.Buffer()) + "Dummy").c_str());
            TakeFrameOf(*dummy, *bone);
            BoneFromNode(dummy.get(), RVector4(), DefaultTranslation(childNode), nodeScale);
            hangsFrom = dummy.get();
            bone->AddChild(std::move(dummy));
        }
        TakeFrameOf(*child, *hangsFrom);
        child->BindTakeCurveNodes(childNode);
        SetDofs(*child, translationDofs);
        RAsfBone* added = child.get();
        hangsFrom->AddChild(std::move(child));
        BuildBones(childNode, added, translationDofs, nodeScale);
    }
}

bool RWyxAsfScene::BindToNodes(RWyxNode* rootNode) {
    if (root_ == nullptr) {
        return true;
    }
    ClearBindings(root_.get());
    root_->BindTakeCurveNodes(rootNode);
    for (const std::unique_ptr<RAsfBone>& child : root_->children) {
        BindBelow(child.get(), rootNode, root_.get());
    }
    return true;
}

void RWyxAsfScene::BindBelow(RAsfBone* bone, RWyxNode* node, const RAsfBone* boundAncestor) {
    RWyxNode* found = node != nullptr ? node->FindChild(bone->GetName(), true, false) : nullptr;
    if (found != nullptr) {
        MatrixCopyRotation3x3(bone->parentAxisFrame, boundAncestor->axisFrame);
        MatrixCopyRotation3x3(bone->inverseParentAxisFrame, boundAncestor->inverseAxisFrame);
        bone->BindTakeCurveNodes(found);
        node = found;
        boundAncestor = bone;
    }
    for (const std::unique_ptr<RAsfBone>& child : bone->children) {
        BindBelow(child.get(), node, boundAncestor);
    }
}
