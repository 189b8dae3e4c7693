#include "hostimport/ImportLaterSteps.h"

#include "hostexport/TextureImageBridge.h"
#include "hostimport/WyxVexaImportSession.h"

void RegisterImageHandlers(WyxVexaImportSession& session) { RegisterTextureImageBridge(&session.GetFactory()); }
