#ifndef VEXA_HOST_SKINBINDING_H
#define VEXA_HOST_SKINBINDING_H

// Binding a shape to joints ("newSkinCluster"): a skin cluster in the shape's history with one
// "matrix" and "bindPreMatrix" element per joint, the shape's world matrix in "geomMatrix",
// first weights from the distances to the joints, and a bind pose.
//
// Weights: each point is weighted to its maxInfluences nearest joints (world positions), each
// by 1 / distance ^ dropoffRate, scaled to add up to 1; a point on a joint belongs to it alone.
//
// The bind pose: a dagPose "bindPose<n>" with "bindPose" on, whose members are the joints and
// every ancestor of them (ancestors first), each with its world and local matrix at bind time.
// A member with a "bindPose" attribute of its own (a joint) gets its world matrix there, and
// that plug feeds the pose's "worldMatrix[i]"; the pose's "message" feeds the skin's
// "bindPose".

#include "host/src/scene/Node.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <vector>

namespace vexa_host {

struct SkinBindOptions {
    int maxInfluences = 5;
    double dropoffRate = 4.0;
};

// kInvalidParameter without joints, with a node that is not a joint, or for a shape that
// cannot be deformed (nothing is made then). A later failure deletes the skin and its set.
VEXA_API NodePtr bindSkin(Node& shape, const std::vector<Node*>& joints, const SkinBindOptions& options, VStatus& status);

// Makes a bind pose of the nodes and their ancestors; the pose's message feeds the skin's
// "bindPose" when a skin is given.
VEXA_API NodePtr createBindPose(const std::vector<Node*>& nodes, Node* skin, VStatus& status);

}  // namespace vexa_host

#endif
