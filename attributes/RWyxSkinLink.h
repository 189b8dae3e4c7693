#ifndef WYX_ATTRIBUTES_RWYXSKINLINK_H
#define WYX_ATTRIBUTES_RWYXSKINLINK_H

// How a geometry is bound to one link node (a cluster): the control points it moves with
// their weights, how the weights combine (mode), and the matrices of the bind: the geometry's
// (transform), the link node's (transform link), an associate model's and, when set, a
// parent's. Each matrix is kept as translation, Euler XYZ rotation (degrees) and scaling and
// rebuilt from them on reading, as the files store it.
//
// Made by the object factory without an owner and destroyed through it; a geometry refers to
// it (RWyxGeometry::AddDeformer) without owning it. The link node and the associate model are
// scene nodes, not owned.

#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RVector4.h"

#include <vector>

class RWyxNode;

class RWyxSkinLink {
public:
    // Modes.
    static constexpr int kNormal = 0;
    static constexpr int kAdditive = 1;
    static constexpr int kTotal1 = 2;

    // A matrix as the link keeps it.
    struct TRS {
        RVector4 translation;
        RVector4 rotation;
        RVector4 scaling{1.0, 1.0, 1.0, 0.0};

        RMatrix ToMatrix() const { return RMatrix::ConstructFromTRS(translation, rotation, scaling); }
        static TRS FromMatrix(const RMatrix& matrix);
    };

    RWyxSkinLink() = default;
    RWyxSkinLink(const RWyxSkinLink&) = delete;
    RWyxSkinLink& operator=(const RWyxSkinLink&) = delete;
    virtual ~RWyxSkinLink() = default;

    // Everything of the other (weights, matrices, names, user data, node pointers); the link
    // then shares nothing with it but the nodes.
    void Assign(const RWyxSkinLink& other);
    // The cluster data of the other: mode, user data, control points with their weights and
    // the four matrices with the parent's flag. The link node, the associate model and their
    // names stay as they are.
    void AssignClusterData(const RWyxSkinLink& other);

    // Kept as given; the writers name 1 and 2 and leave other values out.
    int GetMode() const { return mode_; }
    void SetMode(int mode) { mode_ = mode; }

    RWyxNode* GetLink() const { return link_; }
    // A null node is ignored.
    void SetLink(RWyxNode* node);
    RWyxNode* GetAssociateModel() const { return associateModel_; }
    // Null removes the associate model.
    void SetAssociateModel(RWyxNode* node) { associateModel_ = node; }

    // The names the writers store for the link node and the associate model.
    const RString& GetName() const { return name_; }
    void SetName(const RString& name) { name_ = name; }
    const RString& GetAssociateModelName() const { return associateModelName_; }
    void SetAssociateModelName(const RString& name) { associateModelName_ = name; }

    void SetUserData(const RString& id, const RString& value);
    const RString& GetUserDataId() const { return userDataId_; }
    const RString& GetUserDataValue() const { return userDataValue_; }

    // ---- control points and weights ------------------------------------------------------------
    // Appends a pair; a negative index is ignored (false).
    bool AddControlPointIndex(int index, double weight);
    int GetControlPointIndicesCount() const { return static_cast<int>(indices_.size()); }
    // Parallel arrays of the pairs; null when empty. Callers may change values in place (the
    // import sorts and normalises them).
    int* GetControlPointIndices() { return indices_.empty() ? nullptr : indices_.data(); }
    const int* GetControlPointIndices() const { return indices_.empty() ? nullptr : indices_.data(); }
    double* GetControlPointWeights() { return weights_.empty() ? nullptr : weights_.data(); }
    const double* GetControlPointWeights() const { return weights_.empty() ? nullptr : weights_.data(); }
    // Replaces all pairs; false, nothing changed, when the arrays differ in length or an index
    // is negative.
    bool SetControlPoints(std::vector<int> indices, std::vector<double> weights);
    void ClearControlPoints();

    // ---- matrices ---------------------------------------------------------------------------------
    RMatrix GetTransformMatrix() const { return transform_.ToMatrix(); }
    void SetTransformMatrix(const RMatrix& matrix) { transform_ = TRS::FromMatrix(matrix); }
    RMatrix GetTransformLinkMatrix() const { return transformLink_.ToMatrix(); }
    void SetTransformLinkMatrix(const RMatrix& matrix) { transformLink_ = TRS::FromMatrix(matrix); }
    RMatrix GetTransformAssociateModelMatrix() const { return transformAssociateModel_.ToMatrix(); }
    void SetTransformAssociateModelMatrix(const RMatrix& matrix) {
        transformAssociateModel_ = TRS::FromMatrix(matrix);
    }
    // Setting the parent matrix sets its flag; clearing drops both.
    RMatrix GetTransformParentMatrix() const { return transformParent_.ToMatrix(); }
    void SetTransformParentMatrix(const RMatrix& matrix);
    bool IsTransformParentSet() const { return transformParentSet_; }
    void ClearTransformParent();

    // The stored parts, for copies that keep them exactly.
    const TRS& GetTransform() const { return transform_; }
    void SetTransform(const TRS& trs) { transform_ = trs; }
    const TRS& GetTransformLink() const { return transformLink_; }
    void SetTransformLink(const TRS& trs) { transformLink_ = trs; }
    const TRS& GetTransformAssociateModel() const { return transformAssociateModel_; }
    void SetTransformAssociateModel(const TRS& trs) { transformAssociateModel_ = trs; }
    const TRS& GetTransformParent() const { return transformParent_; }
    // Sets the flag too.
    void SetTransformParent(const TRS& trs) {
        transformParent_ = trs;
        transformParentSet_ = true;
    }

private:
    int mode_ = kNormal;
    RWyxNode* link_ = nullptr;
    RWyxNode* associateModel_ = nullptr;
    RString name_;
    RString associateModelName_;
    RString userDataId_;
    RString userDataValue_;
    std::vector<int> indices_;
    std::vector<double> weights_;
    TRS transform_;
    TRS transformLink_;
    TRS transformAssociateModel_;
    TRS transformParent_;
    bool transformParentSet_ = false;
};

#endif
