#include "hostimport/VexaImportRootAdaptor.h"

#include "core/EulerAngles.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"

#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

namespace {

const char* const kReferenceNames[] = {"BVH:reference", "HTR:reference", "ASF:reference", "AMC:reference"};

bool HostUpAxisIsZ() {
    VStringArray answer;
    return VGlobal::executeCommand("upAxis -q -axis", answer) && answer.length() > 0 && answer[0] == "z";
}

}  // namespace

bool VexaImportRootAdaptor::IsReferenceNode(RWyxNode* node) const {
    if (node == nullptr) return false;
    for (const char* reference : kReferenceNames) {
        if (node->GetName().FindText(reference) < 0) continue;
        RString name = node->GetName();
        name.ReplaceFirst(reference, GetRootName().Buffer());
        node->ResetName(name);
        return true;
    }
    return false;
}

bool VexaImportRootAdaptor::IsConvertibleRoot(RWyxNode* node) const {
    return RWyxRootNodeConverter::IsNodeToConvert(node) && !static_cast<VexaNode*>(node)->IsMerged();
}

void VexaImportRootAdaptor::GetHostRootDefaults(RMatrix& out) const {
    // The options refuse a scale out of range where it enters; one that got past them anyway
    // is not let into the root matrix.
    double scale = GetPluginOptions()->GetMasterScale(true);
    if (!WyxPluginOptions::IsValidMasterScale(scale)) scale = 1.0;
    RMatrix scaling;
    for (int i = 0; i < 3; ++i) scaling[i][i] = scale;
    out.AssignAll(scaling);
    if (!HostUpAxisIsZ()) return;
    RMatrix rotation;
    EulerXYZToMatrix(rotation, 90.0, 0.0, 0.0);
    MatrixMultiplyAffine(out, rotation, scaling);
}

void VexaImportRootAdaptor::KeepRootMatrix(RWyxNode* node, const RMatrix& matrix) {
    RWyxRootNodeConverter::ApplyRootMatrix(node, matrix);
    rootMatrix_ = std::make_unique<RMatrix>(matrix);
}
