#include "host/src/geometry/ComponentPoints.h"

#include "host/src/geometry/DoubleIndexedComponent.h"
#include "host/src/geometry/GeometryHistory.h"
#include "host/src/geometry/NurbsSurfaceData.h"
#include "host/src/geometry/SingleIndexedComponent.h"

#include <numeric>

namespace vexa_host {

VStatus componentPoints(const Node& shape, const VObject& component, std::vector<int>& points) {
    points.clear();
    const int count = pointCountOf(shape);
    if (count < 0) return VStatus(VStatus::kInvalidParameter, shape.name() + " has no geometry");
    if (component.isNull()) {
        points.resize(static_cast<size_t>(count));
        std::iota(points.begin(), points.end(), 0);
        return VStatus();
    }
    if (const auto* single = SingleIndexedComponent::of(component.record().get())) {
        if (single->apiType() != VFn::kMeshVertComponent || !shape.hasFn(VFn::kMesh)) {
            return VStatus(VStatus::kInvalidParameter, "the component is not of the shape's vertices");
        }
        points = single->elements();
    } else if (const auto* pairs = dynamic_cast<const DoubleIndexedComponent*>(component.record().get())) {
        NurbsSurfaceDataPtr surface = nurbsSurfaceOf(shape);
        if (surface == nullptr) return VStatus(VStatus::kInvalidParameter, "the component is not of the shape's CVs");
        for (const DoubleIndexedComponent::Element& cv : pairs->elements()) {
            if (!surface->hasCV(cv.first, cv.second)) {
                points.clear();
                return VStatus(VStatus::kInvalidParameter, "the shape has no such CV");
            }
            points.push_back(cv.first * surface->cvCount(NurbsSurfaceData::kV) + cv.second);
        }
        return VStatus();
    } else {
        return VStatus(VStatus::kInvalidParameter, "not a component");
    }
    for (int point : points) {
        if (point < 0 || point >= count) {
            points.clear();
            return VStatus(VStatus::kInvalidParameter, "the shape has no vertex " + std::to_string(point));
        }
    }
    return VStatus();
}

}  // namespace vexa_host
