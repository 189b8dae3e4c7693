#ifndef VEXA_HOST_GEOMETRYHISTORY_H
#define VEXA_HOST_GEOMETRYHISTORY_H

// The construction history of shapes, kept as connections so that walks over the dependency
// graph find it.
//
// A deformable shape (a mesh or a NURBS surface) takes its geometry through an input plug
// ("inMesh", "create") and shows it through an output plug ("worldMesh[0]" or "outMesh",
// "worldSpace[0]" or "local"). History nodes sit between an original shape and the shape:
//
//   <shape>Orig.worldMesh[0] -> deformer.input[i].inputGeometry
//   deformer.outputGeometry[i] -> (further history) -> shape.inMesh
//   groupId.groupId -> deformer.input[i].groupId
//   deformer.message -> <deformer>Set.usedBy[0]
//
// The original shape is made when a shape gets its first history node: a shape of the same type
// under the same transform, after the shape (so the deformed shape stays child 0), named
// "<shape>Orig", marked intermediateObject, holding a copy of the geometry the shape showed.
// Later history nodes go on top of the history (next to the shape), or with atFront right
// after the original shape.

#include "host/src/scene/Node.h"
#include "host/src/scene/PlugPath.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <string>
#include <vector>

namespace vexa_host {

struct GeometryPlugs {
    PlugPath input;
    PlugPath output;
};

// False for a node that is not a deformable shape.
VEXA_API bool geometryPlugsOf(const Node& shape, GeometryPlugs& plugs);

// For a history node (a deformer or a smooth node): the output an input feeds, and back.
VEXA_API bool historyOutputFor(const Node& node, const PlugPath& input, PlugPath& output);
VEXA_API bool historyInputFor(const Node& node, const PlugPath& output, PlugPath& input);

// Puts a history node into a shape's history (see above). kInvalidParameter for a shape that
// cannot be deformed.
VEXA_API VStatus insertIntoHistory(Node& shape, Node& node, const PlugPath& nodeInput, const PlugPath& nodeOutput,
                                   bool atFront);

// A deformer of a concrete geometryFilter type with its set ("<name>Set").
VEXA_API NodePtr createDeformer(const std::string& typeName, const std::string& name, VStatus& status);
// Makes the shape one of the deformer's geometries and answers its index; a shape the deformer
// already deforms keeps its index. The caller puts the members into the deformer's set.
VEXA_API VStatus attachGeometry(Node& deformer, Node& shape, bool atFront, int& index);

VEXA_API Node* deformerSet(const Node& deformer);
VEXA_API Node* deformerOfSet(const Node& set);
// The indices of the deformer's geometries, ascending.
VEXA_API std::vector<int> geometryIndices(const Node& deformer);
// The shape that outputGeometry[index] reaches, and the shape at the start of the history
// that feeds input[index] (other history nodes on the way are walked through); null when none.
VEXA_API Node* outputShape(const Node& deformer, int index);
VEXA_API Node* inputShape(const Node& deformer, int index);
// -1 when the deformer does not deform the shape.
VEXA_API int indexForShape(const Node& deformer, const Node& shape);

// The number of points (vertices, CVs) a shape shows; -1 when it has no geometry.
VEXA_API int pointCountOf(const Node& shape);

}  // namespace vexa_host

#endif
