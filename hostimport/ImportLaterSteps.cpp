#include "hostimport/ImportLaterSteps.h"

void RegisterImageHandlers(WyxVexaImportSession&) {}

void TransferUserProperties(WyxVexaImportSession&, RWyxNode&, const VObject&) {}

void ImportVertexColors(WyxVexaImportSession&, VFnMesh&, const RWyxMesh&, const std::vector<int>&) {}

void ImportMaterials(WyxVexaImportSession&, RWyxNode*) {}

void ImportBlendShapes(WyxVexaImportSession&, RWyxNode*) {}

void ImportUserPropertyValues(WyxVexaImportSession&, RWyxNode*) {}

bool IsDrivenPlug(const VPlug&) { return false; }

void ImportDeformations(WyxVexaImportSession&, RWyxNode*) {}

bool CreateHostCharacters(RWyxScene*) { return false; }
