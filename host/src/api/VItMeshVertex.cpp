#include <vexa/VItMeshVertex.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/MeshIteration.h"
#include "host/src/geometry/SingleIndexedComponent.h"

#include <algorithm>

using namespace vexa_host;

VItMeshVertex::VItMeshVertex(const VObject& mesh, VStatus* status) : walk_(std::make_unique<MeshIteration>()) {
    report(status, walk_->start(mesh, MeshIteration::kVertices));
}

VItMeshVertex::VItMeshVertex(const VDagPath& path, const VObject& component, VStatus* status)
    : walk_(std::make_unique<MeshIteration>()) {
    report(status, walk_->start(path, component, MeshIteration::kVertices));
}

VItMeshVertex::~VItMeshVertex() = default;

bool VItMeshVertex::isDone(VStatus* status) const {
    report(status, VStatus());
    return walk_->isDone();
}

VStatus VItMeshVertex::next() {
    if (VStatus status = walk_->current(); !status) return status;
    walk_->next();
    return VStatus();
}

VStatus VItMeshVertex::reset() {
    walk_->reset();
    return walk_->started() ? VStatus() : VStatus(VStatus::kInvalidParameter, "the iterator has no mesh");
}

int VItMeshVertex::count(VStatus* status) const {
    report(status, VStatus());
    return walk_->count();
}

int VItMeshVertex::index(VStatus* status) const {
    report(status, walk_->current());
    return walk_->index();
}

VStatus VItMeshVertex::setIndex(int index, int& previousIndex) { return walk_->setIndex(index, previousIndex); }

VPoint VItMeshVertex::position(VSpace::Space space, VStatus* status) const {
    VStatus current = walk_->current();
    VMatrix matrix;
    if (current) current = walk_->target().toSpace(space, matrix);
    report(status, current);
    return current ? walk_->mesh().points()[static_cast<size_t>(walk_->index())] * matrix : VPoint();
}

VStatus VItMeshVertex::setPosition(const VPoint& point, VSpace::Space space) {
    VStatus status = walk_->current();
    VMatrix matrix;
    if (status) status = walk_->target().toSpace(space, matrix);
    if (!status) return status;
    const VPoint local = point * matrix.inverse();
    const int vertex = walk_->index();
    return walk_->edit([&local, vertex](MeshData& mesh) { return mesh.setPoint(vertex, local); });
}

VStatus VItMeshVertex::getNormal(VVector& normal, VSpace::Space space) const {
    VStatus status = walk_->current();
    VMatrix matrix;
    if (status) status = walk_->target().toSpace(space, matrix);
    if (!status) return status;
    normal = ShapeTarget::normalToSpace(walk_->mesh().vertexNormal(walk_->index()), matrix);
    return VStatus();
}

VStatus VItMeshVertex::getNormals(VVectorArray& normals, VSpace::Space space) const {
    normals.clear();
    VStatus status = walk_->current();
    VMatrix matrix;
    if (status) status = walk_->target().toSpace(space, matrix);
    if (!status) return status;
    const MeshData::NormalLayout& layout = walk_->mesh().normalLayout();
    const size_t vertex = static_cast<size_t>(walk_->index());
    std::vector<int> seen;
    for (int i = layout.firstCorner[vertex]; i < layout.firstCorner[vertex + 1]; ++i) {
        const int id = layout.ids[static_cast<size_t>(layout.cornersOnVertex[static_cast<size_t>(i)])];
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        normals.append(ShapeTarget::normalToSpace(layout.normals[static_cast<size_t>(id)], matrix));
    }
    return VStatus();
}

VStatus VItMeshVertex::getConnectedFaces(VIntArray& faces) const {
    faces.clear();
    if (VStatus status = walk_->current(); !status) return status;
    for (int polygon : walk_->mesh().polygonsAround(walk_->index())) faces.append(polygon);
    return VStatus();
}

VObject VItMeshVertex::vertex(VStatus* status) const {
    if (!report(status, walk_->current())) return VObject();
    auto component = std::make_shared<SingleIndexedComponent>(VFn::kMeshVertComponent);
    component->add(walk_->index());
    return VObject(component);
}
