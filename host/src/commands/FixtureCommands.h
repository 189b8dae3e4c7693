#ifndef VEXA_HOST_FIXTURECOMMANDS_H
#define VEXA_HOST_FIXTURECOMMANDS_H

// Commands that build scenes for tests: the plug-in never runs them, but its tests need scenes
// with wraps, smoothed meshes, blend shapes with targets, instances and driven keys.
//
//   deformer -type <type> [-n name] items     a deformer of any concrete type on the items
//   blendShape [-n name] [-origin local|world] target... base
//   polySmooth [-dv divisions] items          a polySmoothFacet on top of each mesh's history
//   instance [-n name] transform              a new transform at the world holding the
//                                             transform's shapes as instances
//   setDrivenKeyframe -cd driver [-dv value] [-v value] driven
//                                             a key of the driven-key curve from the driver's
//                                             plug to the driven plug (values in UI units; the
//                                             plugs' current values when left out)

#include "host/src/script/CommandEngine.h"
#include "host/src/script/CommandFlags.h"

namespace vexa_host {

void registerFixtureCommands(CommandEngine& engine);
// The key-setting form of setDrivenKeyframe (its query lives with the scene commands).
VStatus addDrivenKeyframe(const CommandFlags& flags, CommandResult& result);

}  // namespace vexa_host

#endif
