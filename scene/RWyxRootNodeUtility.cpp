#include "scene/RWyxRootNodeUtility.h"

#include "scene/RWyxNode.h"

bool RWyxRootNodeUtility::IsRootNode(RWyxNode* node) const {
    if (node == nullptr) return false;
    if (node->GetName().FindText(rootName_.Buffer()) >= 0) return true;
    return IsReferenceNode(node);
}
