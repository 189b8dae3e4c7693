#include "host/src/geometry/GeometryObject.h"

#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"

namespace vexa_host {

VFn::Type GeometryObject::apiType() const {
    if (dynamic_cast<const MeshData*>(data_.get()) != nullptr) return VFn::kMeshGeometry;
    if (dynamic_cast<const NurbsSurfaceData*>(data_.get()) != nullptr) return VFn::kNurbsSurfaceGeometry;
    return VFn::kBase;
}

bool GeometryObject::hasFn(VFn::Type type) const { return type == VFn::kBase || type == apiType(); }

const char* GeometryObject::apiTypeName() const {
    switch (apiType()) {
    case VFn::kMeshGeometry: return "meshGeometry";
    case VFn::kNurbsSurfaceGeometry: return "nurbsSurfaceGeometry";
    default: return "geometryData";
    }
}

VObject geometryObject(std::shared_ptr<const DataValue> data) { return VObject(std::make_shared<GeometryObject>(std::move(data))); }

GeometryObject* geometryObjectOf(const VObject& object) { return dynamic_cast<GeometryObject*>(object.record().get()); }

}  // namespace vexa_host
