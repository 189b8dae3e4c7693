#ifndef VEXA_HOST_SHAPETYPES_H
#define VEXA_HOST_SHAPETYPES_H

// The node types of geometry, cameras and lights, and the components of their shapes.
//
//   mesh (kMesh)                 inMesh, outMesh, worldMesh[] (MeshData.h)
//   nurbsSurface (kNurbsSurface) create, local, worldSpace[], curvePrecision,
//                                curvePrecisionShaded (NurbsSurfaceData.h)
//   camera (kCamera)             film apertures (inches), focal length (mm), clipping planes,
//                                film fit, orthographic, squeeze, focus, centre of interest
//   light (kLight, abstract)     color (colorR, colorG, colorB), intensity
//     ambientLight, pointLight, directionalLight, areaLight, volumeLight,
//     spotLight (also coneAngle, penumbraAngle, dropoff)
//
// Components "vtx[...]" and "f[...]" of meshes and "cv[...][...]" of surfaces are read by the
// selection (see VSelectionList.h); their indices must lie on the shape.

#include "host/src/scene/NodeType.h"

#include <vexa/VStatus.h>

#include <string>

namespace vexa_host {

class Node;

void registerShapeTypes(NodeTypeRegistry& registry);

// The elements of a mesh that a component text from `from` on names ("f[3]", "vtx[0:7]",
// "f[*]"): their kind (kMeshPolygonComponent or kMeshVertComponent) and range, first to last.
// kNotFound when the node is no mesh or the text no mesh component; kInvalidParameter when the
// text is malformed or lies outside the mesh.
VStatus readMeshRange(const Node& node, const std::string& text, size_t from, VFn::Type& type, int& first, int& last);

}  // namespace vexa_host

#endif
