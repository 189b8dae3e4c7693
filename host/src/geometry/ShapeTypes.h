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

namespace vexa_host {

void registerShapeTypes(NodeTypeRegistry& registry);

}  // namespace vexa_host

#endif
