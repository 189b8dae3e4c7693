#ifndef VEXA_VEXAEXPORT_H
#define VEXA_VEXAEXPORT_H

// Symbol visibility of the Vexa host programming interface.
//
// The host library and every plug-in are built with hidden visibility: only what carries
// VEXA_API (the host's interface classes) or VEXA_PLUGIN_EXPORT (a plug-in's three entry
// points) is seen by other modules, so a plug-in never spills its own symbols into the
// host process and two plug-ins never bind to each other's code.

#define VEXA_API __attribute__((visibility("default")))
#define VEXA_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

#endif
