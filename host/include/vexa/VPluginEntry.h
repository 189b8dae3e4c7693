#ifndef VEXA_VPLUGINENTRY_H
#define VEXA_VPLUGINENTRY_H

// The three symbols through which the host knows a plug-in. A plug-in defines them:
//
//     VEXA_PLUGIN_EXPORT const char VApiVersion[] = "500";
//     VStatus initializePlugin(VObject plugin) { ... }
//     VStatus uninitializePlugin(VObject plugin) { ... }
//
// The host finds them by their plain names: it refuses a module without all three, or whose
// VApiVersion is not a version of this interface (see VFnPlugin::kApiVersion), calls
// initializePlugin once after loading and uninitializePlugin once before unloading. An entry
// point that throws fails as one that answers a failing status: the host catches the exception
// and logs its text.

#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
VEXA_PLUGIN_EXPORT VStatus initializePlugin(VObject plugin);
VEXA_PLUGIN_EXPORT VStatus uninitializePlugin(VObject plugin);
#ifdef __clang__
#pragma clang diagnostic pop
#endif

#endif
