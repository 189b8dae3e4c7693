#include "hostimport/ImportNodePasses.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/VexaObjectFactory.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"

namespace {

bool EndsWith(const RString& text, const char* tail) {
    const RString ending(tail);
    return text.GetLength() >= ending.GetLength() && text.LastChars(ending.GetLength()) == ending;
}

bool StartsWith(const RString& text, const RString& head) {
    return text.GetLength() >= head.GetLength() && text.FirstChars(head.GetLength()) == head;
}

// A node that stands for a null: no attribute, or a null attribute.
bool IsNullNode(const RWyxNode* node) {
    const RWyxNodeAttribute* attribute = node->GetNodeAttribute();
    return attribute == nullptr || attribute->GetAttributeType() == RWyxNodeAttribute::kNull;
}

bool IsChildOf(const RWyxNode* node, const RWyxNode* parent) { return node != nullptr && node->GetParent() == parent; }

// True when a camera among the group's children has the node as the target the getter gives.
bool IsSiblingCameraTarget(const RWyxNode* node, const RWyxNode* group, RWyxNode* (RWyxNode::*target)() const) {
    for (int i = 0; i < group->GetChildCount(); ++i) {
        const RWyxNode* child = group->GetChild(i);
        if (child != node && child->GetCamera() != nullptr && (child->*target)() == node) return true;
    }
    return false;
}

}  // namespace

bool IsAimUpGroupNode(const RWyxNode* node) {
    if (node == nullptr) return false;
    const RString name = node->GetNameWithoutPrefix();
    if (!EndsWith(name, "_group")) return false;
    const RString base = name.FirstChars(name.GetLength() - 6);
    int count = 0;
    bool aim = false;
    for (int i = 0; i < node->GetChildCount(); ++i) {
        const RWyxNode* child = node->GetChild(i);
        const RString childName = child->GetNameWithoutPrefix();
        // The host names the rig's camera after the group only until the import names it
        // after the file's camera: a camera aiming at a sibling is the rig's camera too.
        if (child->GetCamera() != nullptr && (StartsWith(childName, base) || IsChildOf(child->GetTarget(), node))) {
            ++count;
        }
        if (EndsWith(childName, "_aim") || IsSiblingCameraTarget(child, node, &RWyxNode::GetTarget)) {
            ++count;
            aim = true;
        }
        if (EndsWith(childName, "_up") || IsSiblingCameraTarget(child, node, &RWyxNode::GetTargetUp)) ++count;
    }
    return count >= 2 && aim;
}

void ConvertDeformingNullsToJoints(RWyxNode* node, VexaObjectFactory& factory) {
    VisitSubtree(node, [&factory](RWyxNode* each) {
        RWyxGeometry* geometry = each->GetGeometry();
        for (int i = 0; geometry != nullptr && i < geometry->GetDeformerCount(); ++i) {
            RWyxSkinLink* link = geometry->GetDeformer(i);
            RWyxNode* linked = link != nullptr ? link->GetLink() : nullptr;
            if (linked == nullptr || !IsNullNode(linked)) continue;
            RWyxSkeleton* skeleton = factory.CreateSkeleton();
            if (skeleton == nullptr) continue;
            linked->SetNodeAttribute(skeleton);
            skeleton->SetSkeletonType(RWyxSkeleton::kLimbNode);
        }
    });
}

void DropGeometryWithoutPoints(RWyxNode* node, VexaObjectFactory& factory) {
    VisitSubtree(node, [&factory](RWyxNode* each) {
        RWyxGeometry* geometry = each->GetGeometry();
        if (geometry != nullptr && geometry->GetControlPointsCount() == 0) factory.DestroyNodeAttribute(geometry);
    });
}

bool IsSkeletonNode(const RWyxNode* node) {
    return node != nullptr && node->GetNodeAttribute() != nullptr &&
           node->GetNodeAttribute()->GetAttributeType() == RWyxNodeAttribute::kSkeleton;
}

void CountGeometryDeformers(RWyxNode* node, int& count) {
    for (int i = 0; node != nullptr && i < node->GetChildCount(); ++i) {
        VisitSubtree(node->GetChild(i), [&count](RWyxNode* each) {
            if (RWyxGeometry* geometry = each->GetGeometry()) count += geometry->GetDeformerCount();
        });
    }
}

void CollectSubtreePreOrder(RWyxNode* node, std::vector<RWyxNode*>& nodes) {
    WalkNodeTree(node, ChildOrder::kFirstToLast, [&nodes](RWyxNode& each) { nodes.push_back(&each); });
}

PreOrderPlaces PlacesInPreOrder(RWyxNode* root) {
    std::vector<RWyxNode*> order;
    CollectSubtreePreOrder(root, order);
    PreOrderPlaces places;
    places.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) places.emplace(order[i], i);
    return places;
}
