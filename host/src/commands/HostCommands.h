#ifndef VEXA_HOST_HOSTCOMMANDS_H
#define VEXA_HOST_HOSTCOMMANDS_H

// The host's own commands, by the file that defines them. registerHostCommands
// (CommandEngine.h) registers them all, in this order, when the engine is made.

#include "host/src/script/CommandEngine.h"

namespace vexa_host {

// The built-in commands (loadPlugin, unloadPlugin, file, dumpScene, getAttr, setAttr,
// connectAttr, disconnectAttr, createNode, delete, exists, print).
void registerBuiltinCommands(CommandEngine& engine);
// The session's settings (PreferenceCommands.cpp) and the scene commands of the interface
// scripts (SceneCommands.cpp).
void registerPreferenceCommands(CommandEngine& engine);
void registerSceneCommands(CommandEngine& engine);
// The camera commands: camera, cameraMakeNode, objectMoveCommand (CameraCommands.cpp).
void registerCameraCommands(CommandEngine& engine);
// shadingNode and sets (ShadingCommands.cpp); cluster, percent, newSkinCluster, skinPercent
// (DeformerCommands.cpp); the commands that build test scenes (FixtureCommands.h).
void registerShadingCommands(CommandEngine& engine);
void registerDeformerCommands(CommandEngine& engine);
void registerFixtureCommands(CommandEngine& engine);

}  // namespace vexa_host

#endif
