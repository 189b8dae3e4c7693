#include "hostimport/ImportLaterSteps.h"

void RegisterImageHandlers(WyxVexaImportSession&) {}

void CheckNonUniformScale(WyxVexaImportSession&, RWyxNode*) {}

void CheckPrePostRotationKeys(WyxVexaImportSession&, RWyxNode*) {}

void SplitPrePostNodes(RWyxNode*, int, VexaObjectFactory&) {}

void WeldHardEdges(WyxVexaImportSession&, RWyxNode*) {}

void ResampleRotation(WyxVexaImportSession&, RWyxNode*) {}

void TransferUserProperties(WyxVexaImportSession&, RWyxNode&, const VObject&) {}

void ImportVertexColors(WyxVexaImportSession&, VFnMesh&, const RWyxMesh&, const std::vector<int>&) {}

void ImportMaterials(WyxVexaImportSession&, RWyxNode*) {}

void ImportNodeAnimation(WyxVexaImportSession&, RWyxNode*) {}

VStatus GetTransformMatrix(const VDagPath&, RMatrix&) { return VStatus(); }

VStatus SetTransformFromMatrix(const VDagPath&, const RMatrix&) { return VStatus(); }

void RemovePrePostRotation(const VexaNode&, RMatrix&) {}

void ImportDeformations(WyxVexaImportSession&, RWyxNode*) {}

bool CreateHostCharacters(RWyxScene*) { return false; }
