#include "scene/RWyxRootNodeConverter.h"

#include "scene/RWyxNode.h"

#include <algorithm>

namespace {

void ForceAffineColumn(RMatrix& matrix) {
    matrix[0][3] = 0.0;
    matrix[1][3] = 0.0;
    matrix[2][3] = 0.0;
    matrix[3][3] = 1.0;
}

bool Holds(const std::vector<RWyxNode*>& list, const RWyxNode* node) {
    return std::find(list.begin(), list.end(), node) != list.end();
}

}  // namespace

bool RWyxRootNodeConverter::IsNodeToConvert(RWyxNode* node) const {
    if (Holds(firstList_, node)) return false;
    return !IsRemovableRoot(node);
}

bool RWyxRootNodeConverter::IsRemovableRoot(RWyxNode* node) const {
    return IsRootNode(node) && Holds(secondList_, node);
}

void RWyxRootNodeConverter::ApplyRootMatrix(RWyxNode* node, const RMatrix& matrix) {
    if (node == nullptr) return;
    node->SetDefaultTranslation(matrix.GetTranslation());
    node->SetDefaultRotation(matrix.GetRotation());
    node->SetDefaultScaling(matrix.GetScaling());
}

void RWyxRootNodeConverter::ConvertSceneRoot(RWyxNode* sceneRoot) {
    if (sceneRoot == nullptr) return;
    RMatrix conversion;
    GetConversionMatrix(conversion);
    ForceAffineColumn(conversion);

    std::vector<RWyxNode*> insertedRoots;
    for (int i = 0; i < sceneRoot->GetChildCount(); ++i) {
        RWyxNode* child = sceneRoot->GetChild(i);
        if (IsRootNode(child)) insertedRoots.push_back(child);
    }
    firstList_.clear();
    secondList_.clear();
    for (RWyxNode* root : insertedRoots) {
        const RMatrix* global = root->GetPivotGlobalTransform(0, false);
        RMatrix product;
        // The conversion acts first, then the inserted root's transform.
        if (global != nullptr) MatrixMultiplyAffine(product, *global, conversion);
        ForceAffineColumn(product);
        if (global != nullptr && MatrixCompare(product, RMatrix::Identity(), kIdentityTolerance) == 0) {
            for (int i = 0; i < root->GetChildCount(); ++i) {
                if (RWyxNode* child = root->GetChild(i)) firstList_.push_back(child);
            }
            secondList_.push_back(root);
        } else {
            firstList_.push_back(root);
        }
    }
    ApplyRootMatrix(sceneRoot, conversion);
}
