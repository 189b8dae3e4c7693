#include "hostimport/ImportLaterSteps.h"

#include "hostexport/TextureImageBridge.h"
#include "hostimport/ImportNodePasses.h"
#include "hostimport/WyxVexaImportSession.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VDagPath.h>

void RegisterImageHandlers(WyxVexaImportSession& session) { RegisterTextureImageBridge(&session.GetFactory()); }

void CheckNonUniformScale(WyxVexaImportSession&, RWyxNode*) {}

void CheckPrePostRotationKeys(WyxVexaImportSession&, RWyxNode*) {}

void SplitPrePostNodes(RWyxNode*, int, VexaObjectFactory&) {}

void WeldHardEdges(WyxVexaImportSession&, RWyxNode*) {}

void ResampleRotation(WyxVexaImportSession&, RWyxNode*) {}

void ImportNodeAnimation(WyxVexaImportSession& session, RWyxNode* node) {
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(node, nodes);
    for (RWyxNode* each : nodes) {
        const VDagPath* path = static_cast<const VexaNode*>(each)->GetDagPath();
        if (path == nullptr || !path->isValid()) continue;
        if (each->GetGeometry() != nullptr) ImportBlendShapes(session, each);
        ImportUserPropertyValues(session, each);
    }
}

VStatus GetTransformMatrix(const VDagPath&, RMatrix&) { return VStatus(); }

VStatus SetTransformFromMatrix(const VDagPath&, const RMatrix&) { return VStatus(); }

void RemovePrePostRotation(const VexaNode&, RMatrix&) {}

VStatus ImportAttributeCurve(WyxVexaImportSession&, VFnDependencyNode&, const char*, RFCurve*, int, double, double) {
    return VStatus();
}

VStatus ImportPlugCurve(WyxVexaImportSession&, VPlug&, RFCurve*, int, double, double) { return VStatus(); }

VStatus TransferCurveKeys(WyxVexaImportSession&, VFnAnimCurve&, const RFCurve&, double, double, const VStatus&) {
    return VStatus();
}
