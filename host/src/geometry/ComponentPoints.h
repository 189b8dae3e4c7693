#ifndef VEXA_HOST_COMPONENTPOINTS_H
#define VEXA_HOST_COMPONENTPOINTS_H

// The points of a shape that a component stands for, as deformers number them: a mesh's
// vertex indices, a surface's CVs as u * (CV count in V) + v.

#include "host/src/scene/Node.h"

#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <vector>

namespace vexa_host {

// In the component's element order; every point for the null object. kInvalidParameter for a
// component of other elements (polygons), of another kind of shape, or with a point the shape
// does not have; kInvalidParameter also for a shape without geometry.
VEXA_API VStatus componentPoints(const Node& shape, const VObject& component, std::vector<int>& points);

}  // namespace vexa_host

#endif
