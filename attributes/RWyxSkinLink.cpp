#include "attributes/RWyxSkinLink.h"

#include <algorithm>
#include <utility>

RWyxSkinLink::TRS RWyxSkinLink::TRS::FromMatrix(const RMatrix& matrix) {
    TRS trs;
    trs.translation = matrix.GetTranslation();
    trs.rotation = matrix.GetRotation();
    trs.scaling = matrix.GetScaling();
    return trs;
}

void RWyxSkinLink::Assign(const RWyxSkinLink& other) {
    if (&other == this) return;
    link_ = other.link_;
    associateModel_ = other.associateModel_;
    name_ = other.name_;
    associateModelName_ = other.associateModelName_;
    AssignClusterData(other);
}

void RWyxSkinLink::AssignClusterData(const RWyxSkinLink& other) {
    if (&other == this) return;
    mode_ = other.mode_;
    userDataId_ = other.userDataId_;
    userDataValue_ = other.userDataValue_;
    indices_ = other.indices_;
    weights_ = other.weights_;
    transform_ = other.transform_;
    transformLink_ = other.transformLink_;
    transformAssociateModel_ = other.transformAssociateModel_;
    transformParent_ = other.transformParent_;
    transformParentSet_ = other.transformParentSet_;
}

void RWyxSkinLink::SetLink(RWyxNode* node) {
    if (node != nullptr) link_ = node;
}

void RWyxSkinLink::SetUserData(const RString& id, const RString& value) {
    userDataId_ = id;
    userDataValue_ = value;
}

bool RWyxSkinLink::AddControlPointIndex(int index, double weight) {
    if (index < 0) return false;
    indices_.push_back(index);
    weights_.push_back(weight);
    return true;
}

bool RWyxSkinLink::SetControlPoints(std::vector<int> indices, std::vector<double> weights) {
    if (indices.size() != weights.size()) return false;
    if (std::any_of(indices.begin(), indices.end(), [](int index) { return index < 0; })) return false;
    indices_ = std::move(indices);
    weights_ = std::move(weights);
    return true;
}

void RWyxSkinLink::ClearControlPoints() {
    indices_.clear();
    weights_.clear();
}

void RWyxSkinLink::SetTransformParentMatrix(const RMatrix& matrix) {
    transformParent_ = TRS::FromMatrix(matrix);
    transformParentSet_ = true;
}

void RWyxSkinLink::ClearTransformParent() {
    transformParent_ = TRS();
    transformParentSet_ = false;
}
