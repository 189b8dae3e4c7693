#include "hostexport/ExportLaterSteps.h"

bool MergePrePostNodes(RWyxNode*, int, VexaObjectFactory&) { return false; }

bool ReadHostCharacters(RWyxScene*) { return false; }
