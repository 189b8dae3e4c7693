#include "formats/motion/RAsfBone.h"

#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RMadeUpNames.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

// The Euler order of the last two rotation DOFs: [axis of the last][axis of the one before].
constexpr int kDofOrderCodes[3][3] = {{10, 10, 4}, {8, 8, 2}, {6, 0, 0}};
const float kCurveColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
const char* const kChannelPaths[3] = {"Transform/T", "Transform/R", "Transform/S"};
const char* const kComponentNames[3] = {"X", "Y", "Z"};

bool IsTranslationDof(int dof) { return dof >= RAsfBone::kTx && dof <= RAsfBone::kTz; }
bool IsRotationDof(int dof) { return dof >= RAsfBone::kRz && dof <= RAsfBone::kRx; }
// rz 2, ry 1, rx 0.
int RotationAxisOf(int dof) { return RAsfBone::kRx - dof; }

RVector4 Transformed(const double vector[3], const RMatrix& matrix) {
    RVector4 out;
    MatrixTransformVector(out, matrix, RVector4(vector[0], vector[1], vector[2], 0.0));
    return out;
}

void Store(double out[3], const RVector4& value) {
    out[0] = value.x;
    out[1] = value.y;
    out[2] = value.z;
}

RVector4 EulerOf(const RMatrix& rotation) {
    RVector4 angles;
    MatrixToEulerXYZ(angles, rotation);
    return angles;
}

RVector4 Vector(const double values[3]) { return RVector4(values[0], values[1], values[2], 0.0); }

RFCurveNode* CurrentTakeRoot(RWyxNode* node) {
    RWyxTakeNode* take = node != nullptr ? node->GetCurrentTakeNode() : nullptr;
    return take != nullptr ? take->GetRootCurveNode() : nullptr;
}

// The children of a node that carry a skeleton, the first of each name (without its prefix)
// in child order, as a search of the child list from the front finds them. Built once for the
// bones merging below the node: a search of the list per bone cost time growing with the
// product of the bone and child counts.
class SkeletonChildren {
public:
    explicit SkeletonChildren(RWyxNode* parent) : parent_(parent) {
        for (int i = 0; i < parent->GetChildCount(); ++i) {
            Index(parent->GetChild(i));
        }
    }

    // Names compare as a read names the nodes (RMadeUpNames::AsNodeName: a bone "a::b" makes
    // a node "b").
    RWyxNode* Find(const std::string& boneName) const {
        const auto found = firstByName_.find(RMadeUpNames::AsNodeName(boneName.c_str()).Buffer());
        return found != firstByName_.end() ? found->second : nullptr;
    }

    // The node joins the end of the list, where it comes after every namesake there.
    void Add(RWyxNode* node) {
        parent_->AddChild(node);
        if (node->GetParent() == parent_) {
            Index(node);
        }
    }

private:
    void Index(RWyxNode* child) {
        if (child != nullptr && child->GetSkeleton() != nullptr) {
            firstByName_.emplace(RMadeUpNames::AsNodeName(child->GetNameWithoutPrefix().Buffer()).Buffer(), child);
        }
    }

    RWyxNode* parent_;
    std::unordered_map<std::string, RWyxNode*> firstByName_;
};

// The bone merged into the node of its name among the siblings, or a new node added to them.
void MergeBone(RAsfBone& bone, RWyxObjectFactory& factory, SkeletonChildren& siblings, const char* takeName,
               bool limits) {
    RWyxNode* match = siblings.Find(bone.name);
    if (match == nullptr) {
        if (RWyxNode* created = bone.CreateNode(factory, takeName, limits)) {
            siblings.Add(created);
        }
        return;
    }
    bone.ApplyToNode(match, takeName);
    if (bone.children.empty()) {
        return;
    }
    SkeletonChildren below(match);
    for (const std::unique_ptr<RAsfBone>& child : bone.children) {
        MergeBone(*child, factory, below, takeName, limits);
    }
}

}  // namespace

void RAsfBone::CurveDeleter::operator()(RFCurve* curve) const { RFCurve::Destroy(curve); }

RAsfBone::RAsfBone(const char* boneName) { SetName(boneName); }

RAsfBone::~RAsfBone() {
    // The subtree goes leaf by leaf from a list of its own, so a deep one cannot exhaust the stack.
    std::vector<std::unique_ptr<RAsfBone>> pending = std::move(children);
    while (!pending.empty()) {
        std::unique_ptr<RAsfBone> bone = std::move(pending.back());
        pending.pop_back();
        if (bone == nullptr) {
            continue;  // an empty slot
        }
        for (std::unique_ptr<RAsfBone>& child : bone->children) {
            pending.push_back(std::move(child));
        }
        bone->children.clear();
    }
}

void RAsfBone::SetName(const char* text) {
    name = text != nullptr ? text : "";
    if (name.size() > static_cast<std::size_t>(kMaxNameLength)) {
        name.resize(static_cast<std::size_t>(kMaxNameLength));
    }
}

RAsfBone* RAsfBone::FindBone(const char* boneName) {
    if (boneName == nullptr) {
        return nullptr;
    }
    std::vector<RAsfBone*> pending{this};
    while (!pending.empty()) {
        RAsfBone* bone = pending.back();
        pending.pop_back();
        if (bone->name == boneName) {
            return bone;
        }
        for (auto it = bone->children.rbegin(); it != bone->children.rend(); ++it) {
            if (*it != nullptr) {
                pending.push_back(it->get());
            }
        }
    }
    return nullptr;
}

void RAsfBone::AddChild(std::unique_ptr<RAsfBone> bone) {
    if (bone != nullptr) {
        bone->parent = this;
        children.push_back(std::move(bone));
    }
}

std::unique_ptr<RAsfBone> RAsfBone::RemoveChild(RAsfBone* bone) {
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (it->get() == bone) {
            std::unique_ptr<RAsfBone> removed = std::move(*it);
            children.erase(it);
            removed->parent = nullptr;
            return removed;
        }
    }
    return nullptr;
}

std::unique_ptr<RAsfBone> RAsfBone::TakeChildAt(std::size_t index) {
    if (index >= children.size() || children[index] == nullptr) {
        return nullptr;
    }
    std::unique_ptr<RAsfBone> taken = std::move(children[index]);
    taken->parent = nullptr;
    return taken;
}

void RAsfBone::CloseEmptySlots() {
    children.erase(std::remove(children.begin(), children.end(), nullptr), children.end());
}

RAsfBone* RAsfBone::GetChild(int index) const {
    return index >= 0 && index < GetChildCount() ? children[static_cast<std::size_t>(index)].get() : nullptr;
}

bool RAsfBone::HasAncestor(const RAsfBone* bone) const {
    for (const RAsfBone* at = this; at != nullptr; at = at->parent) {
        if (at == bone) {
            return true;
        }
    }
    return false;
}

bool RAsfBone::HasTranslationDof() const {
    for (int i = 0; i < dofCount; ++i) {
        if (IsTranslationDof(dofs[i])) {
            return true;
        }
    }
    return false;
}

int RAsfBone::GetRotationDofCount() const {
    int count = 0;
    for (int i = 0; i < dofCount; ++i) {
        count += IsRotationDof(dofs[i]) ? 1 : 0;
    }
    return count;
}

int RAsfBone::DofRotationOrder() const {
    int last = 2;
    int before = 1;
    int found = 0;
    for (int i = dofCount - 1; i >= 0 && found < 2; --i) {
        if (IsRotationDof(dofs[i])) {
            (found == 0 ? last : before) = RotationAxisOf(dofs[i]);
            ++found;
        }
    }
    return kDofOrderCodes[last][before];
}

RMatrix RAsfBone::AxisFrameMatrix(int code) {
    const EulerOrder order = GetEulerOrder(code);
    RMatrix frame;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column) {
            frame[row][column] = order.axes[row] == column ? 1.0 : 0.0;
        }
    }
    const RVector4 first(frame[0][0], frame[0][1], frame[0][2], 0.0);
    const RVector4 second(frame[1][0], frame[1][1], frame[1][2], 0.0);
    const RVector4 third = first.Cross3(second);
    frame[2][0] = third.x;
    frame[2][1] = third.y;
    frame[2][2] = third.z;
    return frame;
}

void RAsfBone::SetAxisFrame() {
    axisFrame.SetIdentity();
    RotationFromAxisAngles(axisFrame, axis, rotationOrder);
    inverseAxisFrame = axisFrame.Transpose();
}

// ---- rest frames ----------------------------------------------------------------------------------

void RAsfBone::TakeParentFrame(const RAsfBone& frameSource) {
    MatrixCopyRotation3x3(parentAxisFrame, frameSource.axisFrame);
    MatrixCopyRotation3x3(inverseParentAxisFrame, frameSource.inverseAxisFrame);
}

void RAsfBone::ComputeRestFrames() {
    if (parent == nullptr) {
        Store(restTranslation, endOffset);
        Store(restRotation, EulerOf(axisFrame));
    } else {
        endOffset = direction * length;
        endOffset.w = 1.0;
        // Bones hang from the root's origin: its position is its own translation, not an
        // offset of its children.
        if (parent->parent != nullptr) {
            Store(parentOffset, parent->endOffset);
        }
        TakeParentFrame(*parent);
        Store(restTranslation, Transformed(parentOffset, inverseParentAxisFrame));
        Store(restRotation, EulerOf(RotationProduct(axisFrame, inverseParentAxisFrame)));
    }
    for (const std::unique_ptr<RAsfBone>& child : children) {
        child->ComputeRestFrames();
    }
}

void RAsfBone::CollapseBonesWithoutDof() {
    for (int i = GetChildCount() - 1; i >= 0; --i) {
        RAsfBone* child = children[static_cast<std::size_t>(i)].get();
        child->CollapseBonesWithoutDof();
        if (child->dofCount > 0) {
            continue;
        }
        for (int j = child->GetChildCount() - 1; j >= 0; --j) {
            std::unique_ptr<RAsfBone> grandchild = std::move(child->children[static_cast<std::size_t>(j)]);
            grandchild->TakeParentFrame(*this);
            for (int k = 0; k < 3; ++k) {
                grandchild->parentOffset[k] += child->parentOffset[k];
            }
            Store(grandchild->restTranslation, Transformed(grandchild->parentOffset, grandchild->inverseParentAxisFrame));
            // Its frame now hangs from this bone's.
            Store(grandchild->restRotation,
                  EulerOf(RotationProduct(grandchild->axisFrame, grandchild->inverseParentAxisFrame)));
            AddChild(std::move(grandchild));
        }
        child->children.clear();
        children.erase(children.begin() + i);
    }
}

// ---- nodes ------------------------------------------------------------------------------------------

RWyxNode* RAsfBone::CreateNode(RWyxObjectFactory& factory, const char* takeName, bool limits) {
    RWyxNode* node = factory.CreateNode(name.c_str());
    RWyxSkeleton* skeleton = factory.CreateSkeleton();
    if (node == nullptr || skeleton == nullptr) {
        return node;
    }
    skeleton->SetSkeletonType(2);
    node->SetNodeAttribute(skeleton);
    ApplyToNode(node, takeName);
    if (limits) {
        SetNodeLimits(node);
    }
    if (HasEndNode()) {
        RWyxNode* end = factory.CreateNode((endNodeName.empty() ? name + "_End" : endNodeName).c_str());
        RWyxSkeleton* endSkeleton = factory.CreateSkeleton();
        if (end != nullptr && endSkeleton != nullptr) {
            endSkeleton->SetSkeletonType(2);
            end->SetNodeAttribute(endSkeleton);
            RVector4 offset;
            MatrixTransformVector(offset, inverseAxisFrame, endOffset);
            end->SetDefaultTranslation(offset);
            node->AddChild(end);
        }
        return node;
    }
    for (const std::unique_ptr<RAsfBone>& child : children) {
        if (RWyxNode* childNode = child->CreateNode(factory, takeName, limits)) {
            node->AddChild(childNode);
        }
    }
    return node;
}

void RAsfBone::MergeNode(RWyxObjectFactory& factory, RWyxNode* parentNode, const char* takeName, bool limits) {
    if (parentNode == nullptr) {
        return;
    }
    SkeletonChildren siblings(parentNode);
    MergeBone(*this, factory, siblings, takeName, limits);
}

void RAsfBone::ApplyToNode(RWyxNode* node, const char* takeName) {
    const char* take = takeName != nullptr ? takeName : "";
    node->AddTakeNode(take);
    node->SetCurrentTakeNodeByName(take);
    node->SetDefaultTranslation(Vector(restTranslation));
    node->SetDefaultRotation(Vector(restRotation));
    RFCurveNode* root = CurrentTakeRoot(node);
    if (root == nullptr) {
        return;
    }
    const double* values[2] = {restTranslation, restRotation};
    CurvePtr* curves[2] = {translationCurves, rotationCurves};
    for (int channel = 0; channel < 2; ++channel) {
        RFCurveNode* channelNode = root->FindByPath(kChannelPaths[channel]);
        if (channelNode == nullptr) {
            continue;
        }
        channelNode->SetDefaultValues(values[channel]);
        if (curves[channel][0] == nullptr) {
            continue;
        }
        for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
            RFCurveNode* component = channelNode->FindByPath(kComponentNames[axisIndex]);
            if (component != nullptr) {
                component->SetCurve(curves[channel][axisIndex].release(), true);
            }
        }
        for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
            curves[channel][axisIndex].reset();  // a curve without a place to go is dropped
        }
    }
}

void RAsfBone::SetNodeLimits(RWyxNode* node) const {
    if (parent == nullptr || node == nullptr) {
        return;
    }
    const RMatrix rest = RotationProduct(axisFrame, inverseParentAxisFrame);
    const RMatrix frame = AxisFrameMatrix(DofRotationOrder());
    const RVector4 preRotation = EulerOf(RotationProduct(frame, rest));
    const RVector4 postRotation = EulerOf(frame);
    const RVector4 translation = Transformed(parentOffset, inverseParentAxisFrame);
    RVector4 minimum;
    RVector4 maximum;
    int rotationIndex = 0;
    for (int i = 0; i < dofCount && rotationIndex < 3; ++i) {
        if (IsRotationDof(dofs[i])) {
            *minimum.Component(2 - rotationIndex) = -180.0;
            *maximum.Component(2 - rotationIndex) = 180.0;
            ++rotationIndex;
        }
    }
    RWyxNodeLimits& limits = *node->GetLimits();
    if (!HasTranslationDof()) {
        limits.SetAuto(RWyxNodeLimits::kTranslation, false);
        limits.SetEnable(RWyxNodeLimits::kTranslation, true);
        limits.SetDefault(RWyxNodeLimits::kTranslation, translation);
    }
    if (GetRotationDofCount() < 3) {
        limits.SetAuto(RWyxNodeLimits::kRotation, false);
        limits.SetEnable(RWyxNodeLimits::kRotation, true);
        limits.SetDefault(RWyxNodeLimits::kRotation, preRotation);
        limits.SetMin(RWyxNodeLimits::kRotation, minimum);
        limits.SetMax(RWyxNodeLimits::kRotation, maximum);
        limits.SetRotationAxis(postRotation);
        limits.SetAxisLength(length);
    }
}

// ---- AMC keys ---------------------------------------------------------------------------------------

void RAsfBone::CreateCurves() {
    bool translation = false;
    bool rotation = false;
    for (int i = 0; i < dofCount; ++i) {
        translation = translation || IsTranslationDof(dofs[i]);
        rotation = rotation || IsRotationDof(dofs[i]);
    }
    for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
        if (translation) {
            translationCurves[axisIndex].reset(RFCurve::Create());
            translationCurves[axisIndex]->SetColor(kCurveColors[axisIndex]);
        }
        if (rotation) {
            rotationCurves[axisIndex].reset(RFCurve::Create());
            rotationCurves[axisIndex]->SetColor(kCurveColors[axisIndex]);
        }
    }
    for (const std::unique_ptr<RAsfBone>& child : children) {
        child->CreateCurves();
    }
}

void RAsfBone::BeginCurveEdit() {
    for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
        for (CurvePtr* triple : {translationCurves, rotationCurves}) {
            if (triple[axisIndex] != nullptr) {
                triple[axisIndex]->BeginEdit();
            }
        }
    }
    for (const std::unique_ptr<RAsfBone>& child : children) {
        child->BeginCurveEdit();
    }
}

bool RAsfBone::AddFrameKeys(const double* values, RTime time, double translationScale, double angleScale) {
    RVector4 translation;
    RMatrix rotation;
    for (int i = 0; i < dofCount; ++i) {
        const int dof = dofs[i];
        if (IsTranslationDof(dof)) {
            *translation.Component(dof) += translationScale * values[i];
        } else if (IsRotationDof(dof)) {
            const double angle = angleScale * values[i];
            const int axisIndex = RotationAxisOf(dof);
            RMatrix single;
            EulerXYZToMatrix(single, axisIndex == 0 ? angle : 0.0, axisIndex == 1 ? angle : 0.0,
                             axisIndex == 2 ? angle : 0.0);
            rotation = RotationProduct(rotation, single);
        }
    }
    RVector4 moved;
    MatrixTransformVector(moved, axisFrame, translation);
    moved += Vector(parentOffset);
    MatrixTransformVector(translation, inverseParentAxisFrame, moved);
    const RVector4 angles = EulerOf(RotationProduct(rotation, axisFrame, inverseParentAxisFrame));
    for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
        if (!AppendFrameKey(translationCurves[axisIndex].get(), time, *translation.Component(axisIndex)) ||
            !AppendFrameKey(rotationCurves[axisIndex].get(), time, *angles.Component(axisIndex))) {
            return false;
        }
    }
    return true;
}

void RAsfBone::FinishCurves() {
    for (CurvePtr* triple : {translationCurves, rotationCurves}) {
        if (triple[0] == nullptr) {
            continue;
        }
        RFCurve* curves[3] = {triple[0].get(), triple[1].get(), triple[2].get()};
        EndCurveEdits(curves, 3);
        if (curves[0]->GetKeyCount() < 2) {
            for (int axisIndex = 0; axisIndex < 3; ++axisIndex) {
                triple[axisIndex].reset();
            }
            continue;
        }
        if (triple == rotationCurves) {
            FilterRotationCurves(curves);
        }
        ReduceConstantKeys(curves, 3);
    }
    for (const std::unique_ptr<RAsfBone>& child : children) {
        child->FinishCurves();
    }
}

// ---- export -------------------------------------------------------------------------------------------

void RAsfBone::BindTakeCurveNodes(RWyxNode* node) {
    // A node on its default take (as one without a take node of the scene's take is) is bound to
    // that take's channels: the scene places it by their keys, or by their defaults without keys.
    if (RFCurveNode* root = CurrentTakeRoot(node)) {
        for (int channel = 0; channel < 3; ++channel) {
            takeCurveNodes[channel] = root->FindByPath(kChannelPaths[channel]);
        }
    }
}

void RAsfBone::PruneEndBones() {
    for (int i = GetChildCount() - 1; i >= 0; --i) {
        RAsfBone& child = *children[static_cast<std::size_t>(i)];
        const bool animated = (child.takeCurveNodes[0] != nullptr && child.takeCurveNodes[0]->GetKeyCount(false) > 0) ||
                              (child.takeCurveNodes[1] != nullptr && child.takeCurveNodes[1]->GetKeyCount(false) > 0);
        if (child.children.empty() && child.length == 0.0 && !animated) {
            children.erase(children.begin() + i);
        }
    }
    for (const std::unique_ptr<RAsfBone>& child : children) {
        child->PruneEndBones();
    }
}
