#ifndef VEXA_VITMESHPOLYGON_H
#define VEXA_VITMESHPOLYGON_H

// Walks the polygons of a mesh (a mesh node, mesh data, or the shape of a DAG path), or those
// of a polygon component (kMeshPolygonComponent) in the component's order. The walk reads the
// geometry as it was when the iterator was made (or reset).
//
// A component that names a polygon the mesh does not have, or holds other elements, is
// refused when the iterator is made (kInvalidParameter); the iterator is then done at once.
// Queries past the end answer kFailure.

#include <vexa/VDagPath.h>
#include <vexa/VIntArray.h>
#include <vexa/VObject.h>
#include <vexa/VPoint.h>
#include <vexa/VSpace.h>
#include <vexa/VStatus.h>
#include <vexa/VVector.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {
class MeshIteration;
}

class VEXA_API VItMeshPolygon {
public:
    explicit VItMeshPolygon(const VObject& mesh, VStatus* status = nullptr);
    VItMeshPolygon(const VDagPath& path, const VObject& component = VObject::kNullObj, VStatus* status = nullptr);
    ~VItMeshPolygon();
    VItMeshPolygon(const VItMeshPolygon&) = delete;
    VItMeshPolygon& operator=(const VItMeshPolygon&) = delete;

    bool isDone(VStatus* status = nullptr) const;
    VStatus next();
    VStatus reset();
    int count(VStatus* status = nullptr) const;  // the polygons the walk visits
    int index(VStatus* status = nullptr) const;  // the current polygon's id in the mesh
    // Goes to a polygon of the mesh; the walk then covers every polygon from there.
    VStatus setIndex(int index, int& previousIndex);

    int polygonVertexCount(VStatus* status = nullptr) const;
    // The mesh vertex at a corner of the current polygon.
    int vertexIndex(int corner, VStatus* status = nullptr) const;
    // The corner's entry in the mesh's normal array (VFnMesh::getNormals).
    int normalIndex(int corner, VStatus* status = nullptr) const;
    VStatus getNormal(VVector& normal, VSpace::Space space = VSpace::kObject) const;
    VPoint center(VSpace::Space space = VSpace::kObject, VStatus* status = nullptr) const;
    // kFailure when the corner has no UV in the set (null: the current set).
    // The current polygon as a polygon component of one element.
    VObject polygon(VStatus* status = nullptr) const;

private:
    std::unique_ptr<vexa_host::MeshIteration> walk_;
};

#endif
