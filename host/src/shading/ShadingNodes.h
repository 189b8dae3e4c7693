#ifndef VEXA_HOST_SHADINGNODES_H
#define VEXA_HOST_SHADINGNODES_H

// The node types of shading: the shaders (lambert, and phong through reflect), shading groups
// (renderable sets whose "surfaceShader" names the shader), the scene's shader list, file and
// layered textures and the 2-D placement that feeds a file texture its UVs.
//
// Shaders made through their function sets or "shadingNode -asShader" are listed: their
// "message" goes to the next element of "shaders" on defaultShaderList1, which is made with the
// first listed shader (a scene without shaders has no shader list).

#include "host/src/scene/Node.h"
#include "host/src/scene/NodeType.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <string>

namespace vexa_host {

void registerShadingTypes(NodeTypeRegistry& registry);

// The scene's shader list, made when it does not exist.
VEXA_API Node& defaultShaderList(VStatus& status);
// Makes a node of a shader type (one that derives from lambert); with listed, the shader goes
// on the shader list. kInvalidParameter for a type that is not a shader.
VEXA_API NodePtr createShaderNode(const std::string& typeName, const std::string& name, bool listed, VStatus& status);

// What kind of shading node a type makes, for "shadingNode": shaders derive from lambert,
// textures from texture2d; utilities are every other concrete dependency node type.
VEXA_API bool isShaderType(const NodeType& type);
VEXA_API bool isTextureType(const NodeType& type);

}  // namespace vexa_host

#endif
