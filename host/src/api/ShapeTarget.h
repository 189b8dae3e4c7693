#ifndef VEXA_HOST_SHAPETARGET_H
#define VEXA_HOST_SHAPETARGET_H

// What the geometry function sets and iterators work on: a live shape node (a mesh or a NURBS
// surface, its geometry read and stored through its plugs) or a geometry object holding data of
// the same kind, with the DAG path it was reached by when there is one (world space needs it).

#include "host/src/geometry/GeometryObject.h"
#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"

#include <vexa/VDagPath.h>
#include <vexa/VMatrix.h>
#include <vexa/VObject.h>
#include <vexa/VSpace.h>
#include <vexa/VStatus.h>
#include <vexa/VVector.h>

namespace vexa_host {

class ShapeTarget {
public:
    enum Kind { kMeshShape, kSurfaceShape };

    // kInvalidParameter for an object that is neither a live shape of the kind nor its data.
    static VStatus resolve(const VObject& object, Kind kind, ShapeTarget& target);
    // A transform's path goes down to its one shape.
    static VStatus resolve(const VDagPath& path, Kind kind, ShapeTarget& target);

    Node* node() const { return node_.get(); }
    bool hasPath() const { return hasPath_; }
    const VDagPath& path() const { return path_; }
    // The geometry (empty when the node holds none yet); kInvalidParameter when the node was
    // deleted. Each asks for the target's own kind.
    MeshDataPtr readMesh(VStatus& status) const;
    NurbsSurfaceDataPtr readSurface(VStatus& status) const;
    VStatus write(std::shared_ptr<const DataValue> data) const;
    // The geometry to edit in place, or null when an edit must work on a copy and write it:
    // `held` (the caller's one reference to the target's geometry) when the target stores it,
    // nothing else holds it and a write to the target would be taken (soleOwnMesh; for a
    // geometry object, its data that no plug or other object shares).
    MeshData* soleMesh(const MeshDataPtr& held) const;
    // The matrix from object space to the space asked for: the identity for the object-like
    // spaces, the path's inclusive matrix for kWorld (kInvalidParameter without a path).
    VStatus toSpace(VSpace::Space space, VMatrix& matrix) const;
    // A normal through such a matrix (its inverse transpose, so that it stays normal under
    // scaling), unit length; through the identity it comes back as it was set.
    static VVector normalToSpace(const VVector& normal, const VMatrix& matrix);

private:
    VStatus checkNode() const;

    Kind kind_ = kMeshShape;
    NodePtr node_;
    std::shared_ptr<GeometryObject> data_;
    VDagPath path_;
    bool hasPath_ = false;
};

}  // namespace vexa_host

#endif
