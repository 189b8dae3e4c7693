#include <vexa/VItMeshPolygon.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/MeshIteration.h"
#include "host/src/geometry/SingleIndexedComponent.h"

using namespace vexa_host;

namespace {

VStatus badCorner(int corner, int size) {
    return VStatus(VStatus::kInvalidParameter, "corner " + std::to_string(corner) + " of a polygon of " + std::to_string(size));
}

}  // namespace

VItMeshPolygon::VItMeshPolygon(const VObject& mesh, VStatus* status) : walk_(std::make_unique<MeshIteration>()) {
    report(status, walk_->start(mesh, MeshIteration::kPolygons));
}

VItMeshPolygon::VItMeshPolygon(const VDagPath& path, const VObject& component, VStatus* status)
    : walk_(std::make_unique<MeshIteration>()) {
    report(status, walk_->start(path, component, MeshIteration::kPolygons));
}

VItMeshPolygon::~VItMeshPolygon() = default;

bool VItMeshPolygon::isDone(VStatus* status) const {
    report(status, VStatus());
    return walk_->isDone();
}

VStatus VItMeshPolygon::next() {
    if (VStatus status = walk_->current(); !status) return status;
    walk_->next();
    return VStatus();
}

VStatus VItMeshPolygon::reset() {
    walk_->reset();
    return walk_->started() ? VStatus() : VStatus(VStatus::kInvalidParameter, "the iterator has no mesh");
}

int VItMeshPolygon::count(VStatus* status) const {
    report(status, VStatus());
    return walk_->count();
}

int VItMeshPolygon::index(VStatus* status) const {
    report(status, walk_->current());
    return walk_->index();
}

VStatus VItMeshPolygon::setIndex(int index, int& previousIndex) { return walk_->setIndex(index, previousIndex); }

int VItMeshPolygon::polygonVertexCount(VStatus* status) const {
    const VStatus current = report(status, walk_->current());
    return current ? walk_->mesh().polygonSize(walk_->index()) : 0;
}

int VItMeshPolygon::vertexIndex(int corner, VStatus* status) const {
    VStatus current = walk_->current();
    const int size = current ? walk_->mesh().polygonSize(walk_->index()) : 0;
    if (current && (corner < 0 || corner >= size)) current = badCorner(corner, size);
    report(status, current);
    return current ? walk_->mesh().polygonVertex(walk_->index(), corner) : -1;
}

int VItMeshPolygon::normalIndex(int corner, VStatus* status) const {
    VStatus current = walk_->current();
    const int size = current ? walk_->mesh().polygonSize(walk_->index()) : 0;
    if (current && (corner < 0 || corner >= size)) current = badCorner(corner, size);
    report(status, current);
    if (!current) return -1;
    const MeshData& mesh = walk_->mesh();
    return mesh.normalLayout().ids[static_cast<size_t>(mesh.faceVertexOffset(walk_->index()) + corner)];
}

VStatus VItMeshPolygon::getNormal(VVector& normal, VSpace::Space space) const {
    VStatus status = walk_->current();
    VMatrix matrix;
    if (status) status = walk_->target().toSpace(space, matrix);
    if (!status) return status;
    normal = ShapeTarget::normalToSpace(walk_->mesh().polygonNormal(walk_->index()), matrix);
    return VStatus();
}

VPoint VItMeshPolygon::center(VSpace::Space space, VStatus* status) const {
    VStatus current = walk_->current();
    VMatrix matrix;
    if (current) current = walk_->target().toSpace(space, matrix);
    report(status, current);
    if (!current) return VPoint();
    const MeshData& mesh = walk_->mesh();
    const int polygon = walk_->index();
    const int size = mesh.polygonSize(polygon);
    VPoint sum(0.0, 0.0, 0.0);
    for (int corner = 0; corner < size; ++corner) {
        const VPoint& point = mesh.points()[static_cast<size_t>(mesh.polygonVertex(polygon, corner))];
        sum = VPoint(sum.x + point.x, sum.y + point.y, sum.z + point.z);
    }
    return VPoint(sum.x / size, sum.y / size, sum.z / size) * matrix;
}

VObject VItMeshPolygon::polygon(VStatus* status) const {
    if (!report(status, walk_->current())) return VObject();
    auto component = std::make_shared<SingleIndexedComponent>(VFn::kMeshPolygonComponent);
    component->add(walk_->index());
    return VObject(component);
}
