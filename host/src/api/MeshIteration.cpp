#include "host/src/api/MeshIteration.h"

#include "host/src/geometry/SingleIndexedComponent.h"

namespace vexa_host {

namespace {

int sizeOf(const MeshData& mesh, MeshIteration::Kind kind) {
    return kind == MeshIteration::kPolygons ? mesh.polygonCount() : mesh.pointCount();
}

const char* nameOf(MeshIteration::Kind kind) { return kind == MeshIteration::kPolygons ? "polygon" : "vertex"; }

}  // namespace

VStatus MeshIteration::start(const VObject& mesh, Kind kind) {
    *this = MeshIteration();
    VStatus status = ShapeTarget::resolve(mesh, ShapeTarget::kMeshShape, target_);
    return status ? begin(VObject(), kind) : status;
}

VStatus MeshIteration::start(const VDagPath& path, const VObject& component, Kind kind) {
    *this = MeshIteration();
    VStatus status = ShapeTarget::resolve(path, ShapeTarget::kMeshShape, target_);
    return status ? begin(component, kind) : status;
}

VStatus MeshIteration::begin(const VObject& component, Kind kind) {
    VStatus status;
    MeshDataPtr mesh = target_.readMesh(status);
    if (!status) return status;
    const int size = sizeOf(*mesh, kind);
    std::vector<int> indices;
    if (component.isNull()) {
        for (int i = 0; i < size; ++i) indices.push_back(i);
    } else {
        const VFn::Type wanted = kind == kPolygons ? VFn::kMeshPolygonComponent : VFn::kMeshVertComponent;
        const auto* elements = SingleIndexedComponent::of(component.record().get());
        if (elements == nullptr || elements->apiType() != wanted) {
            return VStatus(VStatus::kInvalidParameter, std::string("the component does not hold mesh ") + nameOf(kind) + "s");
        }
        indices = elements->elements();
        for (int index : indices) {
            if (index >= size) {
                return VStatus(VStatus::kInvalidParameter, std::string("the component names ") + nameOf(kind) + " " +
                                                               std::to_string(index) + " of a mesh of " + std::to_string(size));
            }
        }
    }
    mesh_ = std::move(mesh);
    kind_ = kind;
    indices_ = std::move(indices);
    position_ = 0;
    return VStatus();
}

VStatus MeshIteration::setIndex(int index, int& previous) {
    if (!started()) return VStatus(VStatus::kInvalidParameter, "the iterator has no mesh");
    const int size = sizeOf(*mesh_, kind_);
    if (index < 0 || index >= size) {
        return VStatus(VStatus::kInvalidParameter, std::string(nameOf(kind_)) + " " + std::to_string(index) + " of " + std::to_string(size));
    }
    previous = this->index();
    indices_.resize(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) indices_[static_cast<size_t>(i)] = i;
    position_ = static_cast<size_t>(index);
    return VStatus();
}

VStatus MeshIteration::current() const {
    if (!started()) return VStatus(VStatus::kInvalidParameter, "the iterator has no mesh");
    if (isDone()) return VStatus(VStatus::kFailure, "the iterator is past its last element");
    return VStatus();
}

VStatus MeshIteration::write(MeshDataPtr data) {
    VStatus status = target_.write(data);
    if (status) mesh_ = std::move(data);
    return status;
}

}  // namespace vexa_host
