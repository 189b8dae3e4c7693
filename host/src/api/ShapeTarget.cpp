#include "host/src/api/ShapeTarget.h"

#include "host/src/api/ApiSupport.h"
#include "host/src/api/ShapePath.h"

namespace vexa_host {

namespace {

VFn::Type nodeTypeOf(ShapeTarget::Kind kind) { return kind == ShapeTarget::kMeshShape ? VFn::kMesh : VFn::kNurbsSurface; }
VFn::Type dataTypeOf(ShapeTarget::Kind kind) {
    return kind == ShapeTarget::kMeshShape ? VFn::kMeshGeometry : VFn::kNurbsSurfaceGeometry;
}

}  // namespace

VStatus ShapeTarget::resolve(const VObject& object, Kind kind, ShapeTarget& target) {
    target = ShapeTarget();
    target.kind_ = kind;
    if (GeometryObject* geometry = geometryObjectOf(object)) {
        if (!geometry->hasFn(dataTypeOf(kind))) return VStatus(VStatus::kInvalidParameter, "the data is of another kind");
        target.data_ = std::static_pointer_cast<GeometryObject>(geometry->shared_from_this());
        return VStatus();
    }
    Node* node = liveNodeOf(object);
    if (node == nullptr || !node->hasFn(nodeTypeOf(kind))) {
        return VStatus(VStatus::kInvalidParameter, "the object is not a live shape of the kind");
    }
    target.node_ = node->self();
    return VStatus();
}

VStatus ShapeTarget::resolve(const VDagPath& path, Kind kind, ShapeTarget& target) {
    target = ShapeTarget();
    VDagPath shape;
    VStatus status = shapePathOf(path, shape);
    if (status) status = resolve(shape.node(), kind, target);
    if (!status) return status;
    target.path_ = shape;
    target.hasPath_ = true;
    return VStatus();
}

VStatus ShapeTarget::checkNode() const {
    if (data_ != nullptr) return VStatus();
    if (node_ == nullptr) return noObject();
    return node_->alive() ? VStatus() : deletedNode();
}

MeshDataPtr ShapeTarget::readMesh(VStatus& status) const {
    static const MeshDataPtr emptyMesh = std::make_shared<MeshData>();
    status = kind_ == kMeshShape ? checkNode() : VStatus(VStatus::kInvalidParameter, "not a mesh");
    if (!status) return nullptr;
    MeshDataPtr mesh = data_ != nullptr ? std::dynamic_pointer_cast<const MeshData>(data_->data()) : meshOf(*node_);
    return mesh != nullptr ? mesh : emptyMesh;
}

NurbsSurfaceDataPtr ShapeTarget::readSurface(VStatus& status) const {
    status = kind_ == kSurfaceShape ? checkNode() : VStatus(VStatus::kInvalidParameter, "not a NURBS surface");
    if (!status) return nullptr;
    NurbsSurfaceDataPtr surface =
        data_ != nullptr ? std::dynamic_pointer_cast<const NurbsSurfaceData>(data_->data()) : nurbsSurfaceOf(*node_);
    if (surface == nullptr) status = VStatus(VStatus::kFailure, "the surface has no geometry yet");
    return surface;
}

VStatus ShapeTarget::write(std::shared_ptr<const DataValue> data) const {
    if (VStatus status = checkNode(); !status) return status;
    if (data_ != nullptr) {
        data_->setData(std::move(data));
        return VStatus();
    }
    if (kind_ == kMeshShape) return setOwnMesh(*node_, std::dynamic_pointer_cast<const MeshData>(data));
    return setOwnNurbsSurface(*node_, std::dynamic_pointer_cast<const NurbsSurfaceData>(data));
}

MeshData* ShapeTarget::soleMesh(const MeshDataPtr& held) const {
    if (kind_ != kMeshShape || !checkNode()) return nullptr;
    if (data_ == nullptr) return soleOwnMesh(*node_, held);
    // Mesh data is only ever made as a MeshData, never const.
    return held != nullptr && held.use_count() == 2 && data_->data() == held ? const_cast<MeshData*>(held.get()) : nullptr;
}

VStatus ShapeTarget::toSpace(VSpace::Space space, VMatrix& matrix) const {
    matrix = VMatrix();
    switch (space) {
    case VSpace::kObject:
    case VSpace::kTransform:
    case VSpace::kPreTransform: return VStatus();
    case VSpace::kWorld:
        if (!hasPath_) return VStatus(VStatus::kInvalidParameter, "world space needs a DAG path");
        matrix = path_.inclusiveMatrix();
        return VStatus();
    default: return VStatus(VStatus::kInvalidParameter, "the space is not supported here");
    }
}

VVector ShapeTarget::normalToSpace(const VVector& normal, const VMatrix& matrix) {
    if (matrix == VMatrix()) return normal;
    return (normal * matrix.inverse().transpose()).normal();
}

}  // namespace vexa_host
