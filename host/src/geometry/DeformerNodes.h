#ifndef VEXA_HOST_DEFORMERNODES_H
#define VEXA_HOST_DEFORMERNODES_H

// The node types of deformation history: deformers (geometryFilter and the types below it:
// skinCluster, blendShape, cluster, jointCluster, wrap), the cluster handle shape, groupId
// nodes, the polygon smooth node (polySmoothFacet) and bind poses (dagPose).
//
// Geometry flows through plugs: a deformer takes "input[i].inputGeometry" and gives
// "outputGeometry[i]"; a smooth node takes "inputPolymesh" and gives "output". Deformers
// pass their input through unchanged (the stand-in evaluates no deformation; a shape shows its
// geometry as it was bound). A smooth node with "divisions" above 0 splits every polygon into
// quads that many times (corner, edge middles and polygon centre), so its output has more
// points and polygons than its input; with 0 it passes its input through.
//
// Weights are plugs. Clusters and wraps: "weightList[g].weights[p]" is the weight of point p of
// geometry g (1 by default). Skin clusters deform one geometry: "weightList[p].weights[j]" is
// the weight of point p for influence j, the node that feeds "matrix[j]" (0 by default).
// A dagPose lists its "members" (their "message" goes into "members[i]") with
// "worldMatrix[i]" and "xformMatrix[i]"; "bindPose" marks a bind pose.

#include "host/src/scene/NodeType.h"

namespace vexa_host {

void registerDeformerTypes(NodeTypeRegistry& registry);

}  // namespace vexa_host

#endif
