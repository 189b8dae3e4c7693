#include "hostimport/ImportLaterSteps.h"

#include "hostimport/UserAttributes.h"
#include "hostimport/WyxVexaImportSession.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "plugin/ScriptText.h"

#include <vexa/VFnDependencyNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VPlug.h>
#include <vexa/VStringArray.h>

void RegisterImageHandlers(WyxVexaImportSession&) {}

void CheckNonUniformScale(WyxVexaImportSession&, RWyxNode*) {}

void CheckPrePostRotationKeys(WyxVexaImportSession&, RWyxNode*) {}

void SplitPrePostNodes(RWyxNode*, int, VexaObjectFactory&) {}

void WeldHardEdges(WyxVexaImportSession&, RWyxNode*) {}

void ResampleRotation(WyxVexaImportSession&, RWyxNode*) {}

void TransferUserProperties(WyxVexaImportSession&, RWyxNode& node, const VObject& transform) {
    VFnDependencyNode host(transform);
    ImportUserProperties(host, static_cast<VexaNode&>(node));
}


void ImportNodeAnimation(WyxVexaImportSession&, RWyxNode*) {}

VStatus GetTransformMatrix(const VDagPath&, RMatrix&) { return VStatus(); }

VStatus SetTransformFromMatrix(const VDagPath&, const RMatrix&) { return VStatus(); }

void RemovePrePostRotation(const VexaNode&, RMatrix&) {}

void ImportUserPropertyValues(WyxVexaImportSession& session, RWyxNode* node) { session.ImportUserPropertyValues(node); }

void ImportBlendShapes(WyxVexaImportSession& session, RWyxNode* node) { session.ImportBlendShapes(node); }

bool IsDrivenPlug(const VPlug& plug) {
    if (!GetPluginOptions()->GetBoolOption(kProtectDrivenKeys) || plug.isNull()) return false;
    VStringArray drivers;
    VGlobal::executeCommand("setDrivenKeyframe -q -cd " + QuotedScriptText(plug.name()), drivers);
    return drivers.length() > 0 && drivers[0] != "No drivers.";
}

VStatus ImportAttributeCurve(WyxVexaImportSession&, const VFnTransform&, const VString&, RFCurve*, int, double, double) {
    return VStatus();
}

VStatus ImportPlugCurve(WyxVexaImportSession&, const VPlug&, RFCurve*, int, double, double) { return VStatus(); }

VStatus TransferCurveKeys(WyxVexaImportSession&, VFnAnimCurve&, RFCurve*, double, double) { return VStatus(); }
