#ifndef VEXA_VITMESHVERTEX_H
#define VEXA_VITMESHVERTEX_H

// Walks the vertices of a mesh (a mesh node, mesh data, or the shape of a DAG path), or those
// of a vertex component (kMeshVertComponent) in the component's order. The walk reads the
// geometry as it was when the iterator was made; setPosition stores an edit and walks on over
// the edited geometry.
//
// A component that names a vertex the mesh does not have, or holds other elements, is refused
// when the iterator is made (kInvalidParameter); the iterator is then done at once. Queries
// past the end answer kFailure.

#include <vexa/VDagPath.h>
#include <vexa/VIntArray.h>
#include <vexa/VObject.h>
#include <vexa/VPoint.h>
#include <vexa/VSpace.h>
#include <vexa/VStatus.h>
#include <vexa/VVectorArray.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {
class MeshIteration;
}

class VEXA_API VItMeshVertex {
public:
    explicit VItMeshVertex(const VObject& mesh, VStatus* status = nullptr);
    VItMeshVertex(const VDagPath& path, const VObject& component = VObject::kNullObj, VStatus* status = nullptr);
    ~VItMeshVertex();
    VItMeshVertex(const VItMeshVertex&) = delete;
    VItMeshVertex& operator=(const VItMeshVertex&) = delete;

    bool isDone(VStatus* status = nullptr) const;
    VStatus next();
    VStatus reset();
    int count(VStatus* status = nullptr) const;
    int index(VStatus* status = nullptr) const;
    VStatus setIndex(int index, int& previousIndex);

    VPoint position(VSpace::Space space = VSpace::kObject, VStatus* status = nullptr) const;
    VStatus setPosition(const VPoint& point, VSpace::Space space = VSpace::kObject);
    // The vertex normal (VFnMesh::getVertexNormal).
    VStatus getNormal(VVector& normal, VSpace::Space space = VSpace::kObject) const;
    // The distinct normals of the corners on the vertex, by normal id (a cube corner with
    // flat normals has three).
    VStatus getNormals(VVectorArray& normals, VSpace::Space space = VSpace::kObject) const;
    VStatus getConnectedFaces(VIntArray& faces) const;
    // The current vertex as a vertex component of one element.
    VObject vertex(VStatus* status = nullptr) const;

private:
    std::unique_ptr<vexa_host::MeshIteration> walk_;
};

#endif
