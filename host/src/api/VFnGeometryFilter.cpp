#include <vexa/VFnGeometryFilter.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/GeometryHistory.h"
#include "host/src/scene/PlugAccess.h"

#include <vexa/VObjectArray.h>

#include <string>

using namespace vexa_host;

VFnGeometryFilter::VFnGeometryFilter(const VObject& object, VStatus* status) {
    report(status, VFnGeometryFilter::setObject(object));
}

VStatus VFnGeometryFilter::shapeAt(unsigned index, bool output, VObject& shape) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    const Node& deformer = *liveNodeOf(object_);
    const int element = static_cast<int>(index);
    Node* node = output ? outputShape(deformer, element) : inputShape(deformer, element);
    if (node == nullptr) return VStatus(VStatus::kNotFound, "no geometry at index " + std::to_string(index));
    shape = objectOf(*node);
    return VStatus();
}

VStatus VFnGeometryFilter::getInputGeometry(VObjectArray& shapes) const {
    shapes.clear();
    if (VStatus alive = checkAlive(); !alive) return alive;
    for (int index : geometryIndices(*liveNodeOf(object_))) {
        VObject shape;
        if (shapeAt(static_cast<unsigned>(index), false, shape)) shapes.append(shape);
    }
    return VStatus();
}

VStatus VFnGeometryFilter::getOutputGeometry(VObjectArray& shapes) const {
    shapes.clear();
    if (VStatus alive = checkAlive(); !alive) return alive;
    for (int index : geometryIndices(*liveNodeOf(object_))) {
        VObject shape;
        if (shapeAt(static_cast<unsigned>(index), true, shape)) shapes.append(shape);
    }
    return VStatus();
}

VObject VFnGeometryFilter::inputShapeAtIndex(unsigned index, VStatus* status) const {
    VObject shape;
    report(status, shapeAt(index, false, shape));
    return shape;
}

unsigned VFnGeometryFilter::indexForOutputShape(const VObject& shape, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return 0;
    }
    Node* node = liveNodeOf(shape);
    const int index = node != nullptr ? indexForShape(*liveNodeOf(object_), *node) : -1;
    report(status, index >= 0 ? VStatus() : VStatus(VStatus::kNotFound, "the deformer does not deform the shape"));
    return index >= 0 ? static_cast<unsigned>(index) : 0u;
}

VStatus VFnGeometryFilter::getPathAtIndex(unsigned index, VDagPath& path) const {
    VObject shape;
    if (VStatus status = shapeAt(index, true, shape); !status) return status;
    return VDagPath::getAPathTo(shape, path);
}

unsigned VFnGeometryFilter::numOutputConnections(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? static_cast<unsigned>(geometryIndices(*node).size()) : 0u;
}

unsigned VFnGeometryFilter::groupIdAtIndex(unsigned index, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return 0;
    }
    PlugPath path;
    double value = 0.0;
    VStatus result = parsePlugPath(*liveNodeOf(object_), "input[" + std::to_string(index) + "].groupId", path)
                         ? readNumber(*liveNodeOf(object_), path, value)
                         : VStatus(VStatus::kInvalidParameter, "no input plug");
    report(status, result);
    return static_cast<unsigned>(value);
}

VObject VFnGeometryFilter::deformerSet(VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return VObject();
    }
    Node* set = vexa_host::deformerSet(*liveNodeOf(object_));
    report(status, set != nullptr ? VStatus() : VStatus(VStatus::kNotFound, "the deformer has no set"));
    return set != nullptr ? objectOf(*set) : VObject();
}

float VFnGeometryFilter::envelope(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? static_cast<float>(readNumber(*node, "envelope", 1.0)) : 0.0f;
}

VStatus VFnGeometryFilter::setEnvelope(float envelope) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    return writeNumber(*liveNodeOf(object_), "envelope", envelope);
}
