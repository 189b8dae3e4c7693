#ifndef WYX_FORMATS_MOTION_RASFBONE_H
#define WYX_FORMATS_MOTION_RASFBONE_H

// One bone of an ASF skeleton: its name, degrees of freedom, axis frame, direction and length
// as the file gives them, the rest frame derived from them, and the curves an AMC read fills.
// A bone owns its children and its curves; its parent pointer is not owning.
//
// Matrices are row-vector RMatrix rotations: C is the bone's axis frame, P its parent's; in a
// product the first factor acts first. The conversion between bones and scene nodes (rest
// frames, nodes with limits, AMC keys, and bones built from nodes for export) is here too, so
// that ASF rest frames and AMC values are read in one place.
//
// Destroying a bone frees its subtree without recursion; the other walks recurse, which the
// skeleton depth limit (kMaxSkeletonDepth) keeps shallow.

#include "core/RMatrix.h"
#include "core/RTime.h"
#include "core/RVector4.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class RFCurve;
class RFCurveNode;
class RWyxNode;
class RWyxObjectFactory;

class RAsfBone {
public:
    // Degrees of freedom in the codes of the file's words.
    enum Dof { kTx, kTy, kTz, kRz, kRy, kRx };
    static constexpr int kMaxDofs = 6;
    static constexpr int kMaxNameLength = 255;
    // The longest name a read keeps.
    static constexpr int kMaxReadNameLength = 50;

    RAsfBone() = default;
    explicit RAsfBone(const char* boneName);
    ~RAsfBone();
    RAsfBone(const RAsfBone&) = delete;
    RAsfBone& operator=(const RAsfBone&) = delete;

    void SetName(const char* text);
    const char* GetName() const { return name.c_str(); }
    // This bone or the first of its subtree in pre-order named exactly so; null when none.
    RAsfBone* FindBone(const char* boneName);
    // Appends the bone to the children and makes this its parent.
    void AddChild(std::unique_ptr<RAsfBone> bone);
    // Takes the bone out of the children (when it is one) and clears its parent.
    std::unique_ptr<RAsfBone> RemoveChild(RAsfBone* bone);
    // Takes the child at the index out and clears its parent, leaving its slot empty (so that
    // many moves out of a long list shift nothing) until CloseEmptySlots; null when the slot
    // holds no child. FindBone and the destructor pass over empty slots; other walks need
    // them closed first.
    std::unique_ptr<RAsfBone> TakeChildAt(std::size_t index);
    // Removes the empty slots, the other children keeping their order.
    void CloseEmptySlots();
    int GetChildCount() const { return static_cast<int>(children.size()); }
    RAsfBone* GetChild(int index) const;
    // Whether the bone is this one or lies above it.
    bool HasAncestor(const RAsfBone* bone) const;

    bool HasTranslationDof() const;
    int GetRotationDofCount() const;
    // The Euler order the rotation DOFs make (see the code table in RAsfBone.cpp).
    int DofRotationOrder() const;
    // Rows: the unit vectors of the order's first and second axis, then their cross product.
    static RMatrix AxisFrameMatrix(int code);
    // Sets C from the axis angles and the rotation order, and C inverse.
    void SetAxisFrame();

    // ---- rest frames after reading ----------------------------------------------------------
    void ComputeRestFrames();
    // Removes the bones without DOFs below this one, their children moving up with the
    // offsets summed.
    void CollapseBonesWithoutDof();

    // ---- nodes from bones -------------------------------------------------------------------------
    // Whether the bone's node gets an end node: a leaf of some length.
    bool HasEndNode() const { return children.empty() && length > 0.0; }
    // The bone's node (named as the bone), with an end node named endNodeName ("<name>_End"
    // when empty) where HasEndNode, else the nodes of the child bones below it.
    RWyxNode* CreateNode(RWyxObjectFactory& factory, const char* takeName, bool limits);
    // The child of the parent node named as this bone that carries a skeleton takes the bone's
    // rest values and curves; a missing one is made.
    void MergeNode(RWyxObjectFactory& factory, RWyxNode* parent, const char* takeName, bool limits);
    void ApplyToNode(RWyxNode* node, const char* takeName);
    void SetNodeLimits(RWyxNode* node) const;

    // ---- AMC keys ------------------------------------------------------------------------------------
    void CreateCurves();
    void BeginCurveEdit();
    // One frame of this bone: values holds one double per DOF in list order. False when a key
    // cannot be stored.
    bool AddFrameKeys(const double* values, RTime time, double translationScale, double angleScale);
    void FinishCurves();
    RFCurve* GetTranslationCurve(int axis) const { return translationCurves[axis].get(); }
    RFCurve* GetRotationCurve(int axis) const { return rotationCurves[axis].get(); }

    // ---- export ----------------------------------------------------------------------------------------
    // Keeps the node's current take node's "T", "R" and "S" curve nodes, its default take's
    // included, so that the AMC motion places the node as GetLocalMatrixAt does.
    void BindTakeCurveNodes(RWyxNode* node);
    // Removes leaf bones of length 0 whose translation and rotation are not animated.
    void PruneEndBones();

    struct CurveDeleter {
        void operator()(RFCurve* curve) const;
    };
    using CurvePtr = std::unique_ptr<RFCurve, CurveDeleter>;

    std::string name;
    // The name of the end node a read makes for the bone (RWyxAsfScene::NameMadeUpNodes).
    std::string endNodeName;
    int dofCount = 0;
    int dofs[kMaxDofs] = {};
    int rotationOrder = 0;
    double axis[3] = {0.0, 0.0, 0.0};
    RVector4 endOffset{0.0, 0.0, 0.0, 1.0};
    RVector4 direction{0.0, 0.0, 0.0, 1.0};
    double length = 0.0;  // centimetres
    RAsfBone* parent = nullptr;
    std::vector<std::unique_ptr<RAsfBone>> children;
    RMatrix axisFrame;  // C
    RMatrix inverseAxisFrame;
    RMatrix parentAxisFrame;  // P
    RMatrix inverseParentAxisFrame;
    double parentOffset[3] = {0.0, 0.0, 0.0};
    double restTranslation[3] = {0.0, 0.0, 0.0};
    double restRotation[3] = {0.0, 0.0, 0.0};
    RFCurveNode* takeCurveNodes[3] = {nullptr, nullptr, nullptr};  // "T", "R", "S"
    CurvePtr translationCurves[3];
    CurvePtr rotationCurves[3];

private:
    void TakeParentFrame(const RAsfBone& frameSource);
};

#endif
