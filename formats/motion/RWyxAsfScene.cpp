#include "formats/motion/RWyxAsfScene.h"

#include "core/EulerAngles.h"
#include "core/PreOrderWalk.h"
#include "core/RMatrix.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RMadeUpNames.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

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

// The nodes below a root, numbered in the order in which RWyxNode::FindChild searches them
// recursively (each child, then its subtree, then the next child), with each name's numbers.
// The first node of a name below any node is then the first of the name's numbers inside the
// node's subtree: one binary search instead of a walk through the subtrees before it.
class NodeNameIndex {
public:
    explicit NodeNameIndex(RWyxNode* root);
    // What node->FindChild(name, true, false) answers, for the root or a node below it, names
    // compared as a read names the nodes (RMadeUpNames::AsNodeName: a bone "a::b" is the
    // node "a::b" or "b").
    RWyxNode* FindBelow(const RWyxNode* node, const char* name) const;

private:
    struct Span {
        std::size_t first;  // the node's own number
        std::size_t end;    // past the last number of its subtree
    };

    std::vector<RWyxNode*> nodes_;
    std::unordered_map<const RWyxNode*, Span> spans_;
    std::unordered_map<std::string, std::vector<std::size_t>> numbersByName_;
};

NodeNameIndex::NodeNameIndex(RWyxNode* root) {
    // (node, next child index, its number), as FindChild walks them; a node's span is known
    // when its subtree is left.
    struct Visit {
        RWyxNode* node;
        int next;
        std::size_t first;
    };
    std::vector<Visit> stack{{root, 0, 0}};
    nodes_.push_back(root);
    while (!stack.empty()) {
        Visit& visit = stack.back();
        if (visit.next >= visit.node->GetChildCount()) {
            spans_.emplace(visit.node, Span{visit.first, nodes_.size()});
            stack.pop_back();
            continue;
        }
        RWyxNode* child = visit.node->GetChild(visit.next++);
        if (child == nullptr) {
            continue;
        }
        const RString name = RMadeUpNames::AsNodeName(child->GetNameWithoutPrefix().Buffer());
        numbersByName_[name.Buffer()].push_back(nodes_.size());
        stack.push_back({child, 0, nodes_.size()});
        nodes_.push_back(child);
    }
}

RWyxNode* NodeNameIndex::FindBelow(const RWyxNode* node, const char* name) const {
    const auto span = spans_.find(node);
    const auto numbers = numbersByName_.find(RMadeUpNames::AsNodeName(name).Buffer());
    if (span == spans_.end() || numbers == numbersByName_.end()) {
        return nullptr;
    }
    const std::vector<std::size_t>& list = numbers->second;
    const auto at = std::upper_bound(list.begin(), list.end(), span->second.first);
    return at != list.end() && *at < span->second.end ? nodes_[*at] : nullptr;
}

// Binds the bone to the first node of its name below the node (the node its nearest bound
// ancestor bound to), or passes the node on to its children when there is none.
void BindBelow(const NodeNameIndex& index, RAsfBone* bone, RWyxNode* node, const RAsfBone* boundAncestor) {
    RWyxNode* found = node != nullptr ? index.FindBelow(node, bone->GetName()) : nullptr;
    if (found != nullptr) {
        MatrixCopyRotation3x3(bone->parentAxisFrame, boundAncestor->axisFrame);
        MatrixCopyRotation3x3(bone->inverseParentAxisFrame, boundAncestor->inverseAxisFrame);
        bone->BindTakeCurveNodes(found);
        node = found;
        boundAncestor = bone;
    }
    for (const std::unique_ptr<RAsfBone>& child : bone->children) {
        BindBelow(index, child.get(), node, boundAncestor);
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
    referenceName_.clear();
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
    if (!referenceName_.empty()) {
        return RString(referenceName_.c_str());
    }
    return RString(name_.empty() ? "ASF" : name_.c_str()) + ":reference";
}

void RWyxAsfScene::NameMadeUpNodes() {
    referenceName_.clear();
    RMadeUpNames names;
    VisitPreOrder(root_.get(), [&names](RAsfBone& bone) { names.Take(bone.GetName()); });
    VisitPreOrder(root_.get(), [&names](RAsfBone& bone) {
        bone.endNodeName = bone.HasEndNode() ? names.MakeUp(bone.name + "_End") : std::string();
    });
    referenceName_ = names.MakeUp(GetReferenceName().Buffer());
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
        // The root node is written as "root"; the nodes below it keep their names.
        RMadeUpNames names;
        names.Take(root_->GetName());
        VisitPreOrder(rootNode, [rootNode, &names](RWyxNode& node) {
            if (&node != rootNode) {
                names.Take(node.GetNameWithoutPrefix().Buffer());
            }
        });
        BuildBones(rootNode, root_.get(), translationDofs, scale, names);
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

void RWyxAsfScene::BuildBones(RWyxNode* node, RAsfBone* bone, bool translationDofs, const RVector4& scale,
                              RMadeUpNames& names) {
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
            // Named so that a read keeps the whole name, as it must every bone's.
            const std::string dummyName = names.MakeUp(childName.Buffer(), "Dummy", RAsfBone::kMaxReadNameLength);
            auto dummy = std::make_unique<RAsfBone>(dummyName.c_str());
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
        BuildBones(childNode, added, translationDofs, nodeScale, names);
    }
}

bool RWyxAsfScene::BindToNodes(RWyxNode* rootNode) {
    if (root_ == nullptr) {
        return true;
    }
    ClearBindings(root_.get());
    root_->BindTakeCurveNodes(rootNode);
    if (rootNode == nullptr) {
        return true;
    }
    // Built once per bind: a search of the subtree per bone would cost time growing with the
    // square of the node count.
    const NodeNameIndex index(rootNode);
    for (const std::unique_ptr<RAsfBone>& child : root_->children) {
        BindBelow(index, child.get(), rootNode, root_.get());
    }
    return true;
}
