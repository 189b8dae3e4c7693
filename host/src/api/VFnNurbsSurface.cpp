#include <vexa/VFnNurbsSurface.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/ShapePath.h"
#include "host/src/api/ShapeTarget.h"
#include "host/src/scene/Scene.h"

using namespace vexa_host;

namespace {

using D = NurbsSurfaceData;

struct Reading {
    ShapeTarget target;
    NurbsSurfaceDataPtr surface;
    VStatus status;
};

Reading readSurface(const VObject& object, bool hasPath, const VDagPath& path) {
    Reading reading;
    if (object.isNull()) {
        reading.status = noObject();
        return reading;
    }
    reading.status = hasPath ? ShapeTarget::resolve(path, ShapeTarget::kSurfaceShape, reading.target)
                             : ShapeTarget::resolve(object, ShapeTarget::kSurfaceShape, reading.target);
    if (reading.status) reading.surface = reading.target.readSurface(reading.status);
    return reading;
}

template <typename Edit>
VStatus editSurface(const VObject& object, bool hasPath, const VDagPath& path, Edit edit) {
    Reading reading = readSurface(object, hasPath, path);
    if (!reading.status) return reading.status;
    auto copy = std::make_shared<D>(*reading.surface);
    if (VStatus status = edit(*copy, reading.target); !status) return status;
    return reading.target.write(std::move(copy));
}

template <typename Value, typename Read>
Value query(const VObject& object, bool hasPath, const VDagPath& path, VStatus* status, Value fallback, Read read) {
    Reading reading = readSurface(object, hasPath, path);
    report(status, reading.status);
    return reading.status ? read(*reading.surface) : fallback;
}

VObject placeSurface(NurbsSurfaceDataPtr data, const VObject& parentOrData, VStatus& status) {
    if (GeometryObject* geometry = geometryObjectOf(parentOrData)) {
        if (!geometry->hasFn(VFn::kNurbsSurfaceGeometry)) {
            status = VStatus(VStatus::kInvalidParameter, "the data object holds no NURBS surface");
            return VObject();
        }
        geometry->setData(std::move(data));
        status = VStatus();
        return parentOrData;
    }
    Node* parent = nullptr;
    if (!parentOrData.isNull() && (parent = liveNodeOf(parentOrData)) == nullptr) {
        status = VStatus(VStatus::kInvalidParameter, "the parent is not a live node");
        return VObject();
    }
    NodePtr node = Scene::instance().createNode("nurbsSurface", std::string(), parent, status);
    if (!node) return VObject();
    status = setOwnNurbsSurface(*node, std::move(data));
    return status ? objectOf(*node) : VObject();
}

VStatus badCV(unsigned u, unsigned v) {
    return VStatus(VStatus::kInvalidParameter, "CV [" + std::to_string(u) + "][" + std::to_string(v) + "] is outside the surface");
}

}  // namespace

VFnNurbsSurface::VFnNurbsSurface(const VObject& object, VStatus* status) { report(status, VFnNurbsSurface::setObject(object)); }

VFnNurbsSurface::VFnNurbsSurface(const VDagPath& path, VStatus* status) { report(status, VFnNurbsSurface::setObject(path)); }

VStatus VFnNurbsSurface::setObject(const VObject& object) {
    if (object.hasFn(VFn::kNurbsSurfaceGeometry)) {
        hasPath_ = false;
        path_ = VDagPath();
        object_ = object;
        return VStatus();
    }
    return VFnDagNode::setObject(object);
}

VStatus VFnNurbsSurface::setObject(const VDagPath& path) {
    VDagPath shape;
    if (VStatus status = shapePathOf(path, shape); !status) {
        object_ = VObject();
        return status;
    }
    return VFnDagNode::setObject(shape);
}

VObject VFnNurbsSurface::create(const VPointArray& controlVertices, const VDoubleArray& uKnots, const VDoubleArray& vKnots,
                                unsigned degreeInU, unsigned degreeInV, Form formInU, Form formInV, bool createRational,
                                const VObject& parentOrData, VStatus* status) {
    auto data = std::make_shared<D>();
    VStatus result = data->build(controlVertices.items(), uKnots.items(), vKnots.items(), static_cast<int>(degreeInU),
                                 static_cast<int>(degreeInV), formInU, formInV, createRational);
    if (!result) {
        report(status, result);
        return VObject();
    }
    VObject made = placeSurface(std::move(data), parentOrData, result);
    report(status, result);
    if (result) setObject(made);
    return made;
}

VStatus VFnNurbsSurface::updateSurface() { return readSurface(object_, hasPath_, path_).status; }

int VFnNurbsSurface::numCVsInU(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return s.cvCount(D::kU); });
}
int VFnNurbsSurface::numCVsInV(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return s.cvCount(D::kV); });
}
int VFnNurbsSurface::degreeU(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return s.degree(D::kU); });
}
int VFnNurbsSurface::degreeV(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return s.degree(D::kV); });
}
VFnNurbsSurface::Form VFnNurbsSurface::formInU(VStatus* status) const {
    return query(object_, hasPath_, path_, status, kInvalid, [](const D& s) { return static_cast<Form>(s.form(D::kU)); });
}
VFnNurbsSurface::Form VFnNurbsSurface::formInV(VStatus* status) const {
    return query(object_, hasPath_, path_, status, kInvalid, [](const D& s) { return static_cast<Form>(s.form(D::kV)); });
}
int VFnNurbsSurface::numSpansInU(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return s.spanCount(D::kU); });
}
int VFnNurbsSurface::numSpansInV(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return s.spanCount(D::kV); });
}
int VFnNurbsSurface::numKnotsInU(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return static_cast<int>(s.knots(D::kU).size()); });
}
int VFnNurbsSurface::numKnotsInV(VStatus* status) const {
    return query(object_, hasPath_, path_, status, 0, [](const D& s) { return static_cast<int>(s.knots(D::kV).size()); });
}
bool VFnNurbsSurface::isRational(VStatus* status) const {
    return query(object_, hasPath_, path_, status, false, [](const D& s) { return s.rational(); });
}

VStatus VFnNurbsSurface::getKnotsInU(VDoubleArray& knots) const {
    VStatus status;
    knots = query(object_, hasPath_, path_, &status, VDoubleArray(), [](const D& s) {
        return VDoubleArray(s.knots(D::kU).data(), static_cast<unsigned>(s.knots(D::kU).size()));
    });
    return status;
}

VStatus VFnNurbsSurface::getKnotsInV(VDoubleArray& knots) const {
    VStatus status;
    knots = query(object_, hasPath_, path_, &status, VDoubleArray(), [](const D& s) {
        return VDoubleArray(s.knots(D::kV).data(), static_cast<unsigned>(s.knots(D::kV).size()));
    });
    return status;
}

VStatus VFnNurbsSurface::getCV(unsigned indexU, unsigned indexV, VPoint& point, VSpace::Space space) const {
    Reading reading = readSurface(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    const int u = static_cast<int>(indexU);
    const int v = static_cast<int>(indexV);
    if (indexU > 0x7fffffffu || indexV > 0x7fffffffu || !reading.surface->hasCV(u, v)) return badCV(indexU, indexV);
    const VPoint& cv = reading.surface->cv(u, v);
    point = VPoint(cv.x, cv.y, cv.z) * matrix;
    point.w = cv.w;
    return VStatus();
}

VStatus VFnNurbsSurface::setCV(unsigned indexU, unsigned indexV, const VPoint& point, VSpace::Space space) {
    return editSurface(object_, hasPath_, path_, [&](D& surface, const ShapeTarget& target) {
        VMatrix matrix;
        if (VStatus status = target.toSpace(space, matrix); !status) return status;
        if (indexU > 0x7fffffffu || indexV > 0x7fffffffu) return badCV(indexU, indexV);
        VPoint local = VPoint(point.x, point.y, point.z) * matrix.inverse();
        local.w = point.w;
        return surface.setCV(static_cast<int>(indexU), static_cast<int>(indexV), local);
    });
}

VStatus VFnNurbsSurface::getCVs(VPointArray& points, VSpace::Space space) const {
    points.clear();
    Reading reading = readSurface(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    for (const VPoint& cv : reading.surface->cvs()) {
        VPoint point = VPoint(cv.x, cv.y, cv.z) * matrix;
        point.w = cv.w;
        points.append(point);
    }
    return VStatus();
}

