#ifndef VEXA_HOST_SHAPEPATH_H
#define VEXA_HOST_SHAPEPATH_H

// Shape function sets made from a transform's DAG path work on the transform's one shape.

#include "host/src/api/ApiSupport.h"

#include <vexa/VDagPath.h>

namespace vexa_host {

// The path itself when it ends at a shape; the path to the transform's one shape otherwise
// (kInvalidParameter when the transform holds none or several, or the path is not valid).
inline VStatus shapePathOf(const VDagPath& path, VDagPath& shape) {
    shape = path;
    if (!path.isValid()) return VStatus(VStatus::kInvalidParameter, "the DAG path is not valid");
    Node* node = liveNodeOf(path.node());
    return node != nullptr && node->isTransform() ? shape.extendToShape() : VStatus();
}

}  // namespace vexa_host

#endif
