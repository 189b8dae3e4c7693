#include <vexa/VFnCamera.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/ShapePath.h"
#include "host/src/scene/PlugAccess.h"

#include <cmath>

using namespace vexa_host;

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kPi = 3.14159265358979323846;

double plugNumber(const VObject& object, const char* name, VStatus* status) {
    Node* node = liveNodeOf(object);
    report(status, node != nullptr ? VStatus() : (object.isNull() ? noObject() : deletedNode()));
    return node != nullptr ? readNumber(*node, name) : 0.0;
}

VStatus setPlugNumber(const VObject& object, const char* name, double value) {
    Node* node = liveNodeOf(object);
    if (node == nullptr) return object.isNull() ? noObject() : deletedNode();
    if (!std::isfinite(value)) return VStatus(VStatus::kInvalidParameter, std::string(name) + " must be a number");
    return writeNumber(*node, name, value);
}

VStatus setPositive(const VObject& object, const char* name, double value) {
    if (!(value > 0.0)) return VStatus(VStatus::kInvalidParameter, std::string(name) + " must be positive");
    return setPlugNumber(object, name, value);
}

// Half the film size a field of view spans, in millimetres.
double halfFilm(const VObject& object, bool horizontal, VStatus* status) {
    if (!horizontal) return 0.5 * plugNumber(object, "verticalFilmAperture", status) * kMillimetresPerInch;
    return 0.5 * plugNumber(object, "horizontalFilmAperture", status) * kMillimetresPerInch *
           plugNumber(object, "lensSqueezeRatio", nullptr);
}

double fieldOfView(const VObject& object, bool horizontal, VStatus* status) {
    const double focal = plugNumber(object, "focalLength", status);
    return focal > 0.0 ? 2.0 * std::atan(halfFilm(object, horizontal, nullptr) / focal) : 0.0;
}

VStatus setFieldOfView(const VObject& object, bool horizontal, double radians) {
    if (!(radians > 0.0 && radians < kPi)) return VStatus(VStatus::kInvalidParameter, "a field of view lies between 0 and pi");
    VStatus status;
    const double half = halfFilm(object, horizontal, &status);
    if (!status) return status;
    return setPositive(object, "focalLength", half / std::tan(0.5 * radians));
}

}  // namespace

VFnCamera::VFnCamera(const VObject& object, VStatus* status) { report(status, VFnCamera::setObject(object)); }

VFnCamera::VFnCamera(const VDagPath& path, VStatus* status) { report(status, VFnCamera::setObject(path)); }

VStatus VFnCamera::setObject(const VObject& object) { return VFnDagNode::setObject(object); }

VStatus VFnCamera::setObject(const VDagPath& path) {
    VDagPath shape;
    if (VStatus status = shapePathOf(path, shape); !status) {
        object_ = VObject();
        return status;
    }
    return VFnDagNode::setObject(shape);
}

VObject VFnCamera::create(const VObject& parent, VStatus* status) { return VFnDagNode::create("camera", parent, status); }

double VFnCamera::horizontalFilmAperture(VStatus* status) const { return plugNumber(object_, "horizontalFilmAperture", status); }
VStatus VFnCamera::setHorizontalFilmAperture(double inches) { return setPositive(object_, "horizontalFilmAperture", inches); }
double VFnCamera::verticalFilmAperture(VStatus* status) const { return plugNumber(object_, "verticalFilmAperture", status); }
VStatus VFnCamera::setVerticalFilmAperture(double inches) { return setPositive(object_, "verticalFilmAperture", inches); }
double VFnCamera::focalLength(VStatus* status) const { return plugNumber(object_, "focalLength", status); }
VStatus VFnCamera::setFocalLength(double millimetres) { return setPositive(object_, "focalLength", millimetres); }
double VFnCamera::lensSqueezeRatio(VStatus* status) const { return plugNumber(object_, "lensSqueezeRatio", status); }
VStatus VFnCamera::setLensSqueezeRatio(double ratio) { return setPositive(object_, "lensSqueezeRatio", ratio); }

VFnCamera::FilmFit VFnCamera::filmFit(VStatus* status) const {
    return static_cast<FilmFit>(static_cast<int>(plugNumber(object_, "filmFit", status)));
}

VStatus VFnCamera::setFilmFit(FilmFit fit) {
    if (fit < kFillFilmFit || fit > kOverscanFilmFit) return VStatus(VStatus::kInvalidParameter, "the film fit is 0 to 3");
    return setPlugNumber(object_, "filmFit", fit);
}

bool VFnCamera::isClippingPlanes(VStatus* status) const { return plugNumber(object_, "clippingPlanes", status) != 0.0; }
VStatus VFnCamera::setClippingPlanes(bool on) { return setPlugNumber(object_, "clippingPlanes", on ? 1.0 : 0.0); }
double VFnCamera::nearClippingPlane(VStatus* status) const { return plugNumber(object_, "nearClipPlane", status); }
VStatus VFnCamera::setNearClippingPlane(double distance) { return setPlugNumber(object_, "nearClipPlane", distance); }
double VFnCamera::farClippingPlane(VStatus* status) const { return plugNumber(object_, "farClipPlane", status); }
VStatus VFnCamera::setFarClippingPlane(double distance) { return setPlugNumber(object_, "farClipPlane", distance); }
bool VFnCamera::isOrtho(VStatus* status) const { return plugNumber(object_, "orthographic", status) != 0.0; }
VStatus VFnCamera::setIsOrtho(bool orthographic) { return setPlugNumber(object_, "orthographic", orthographic ? 1.0 : 0.0); }
double VFnCamera::focusDistance(VStatus* status) const { return plugNumber(object_, "focusDistance", status); }
VStatus VFnCamera::setFocusDistance(double distance) { return setPlugNumber(object_, "focusDistance", distance); }
double VFnCamera::centerOfInterest(VStatus* status) const { return plugNumber(object_, "centerOfInterest", status); }

double VFnCamera::horizontalFieldOfView(VStatus* status) const { return fieldOfView(object_, true, status); }
VStatus VFnCamera::setHorizontalFieldOfView(double radians) { return setFieldOfView(object_, true, radians); }
double VFnCamera::verticalFieldOfView(VStatus* status) const { return fieldOfView(object_, false, status); }
VStatus VFnCamera::setVerticalFieldOfView(double radians) { return setFieldOfView(object_, false, radians); }

namespace {

// The matrix into the space asked for; world space goes through the function set's path.
VStatus spaceMatrix(const VObject& object, bool hasPath, const VDagPath& path, VSpace::Space space, VMatrix& matrix) {
    matrix = VMatrix();
    if (liveNodeOf(object) == nullptr) return object.isNull() ? noObject() : deletedNode();
    if (space == VSpace::kObject || space == VSpace::kTransform || space == VSpace::kPreTransform) return VStatus();
    if (space != VSpace::kWorld) return VStatus(VStatus::kInvalidParameter, "the space is not supported here");
    VDagPath shape = path;
    if (!hasPath && !VDagPath::getAPathTo(object, shape)) return VStatus(VStatus::kInvalidParameter, "no DAG path to the camera");
    matrix = shape.inclusiveMatrix();
    return VStatus();
}

VVector direction(const VVector& local, const VMatrix& matrix) { return (local * matrix).normal(); }

}  // namespace

VPoint VFnCamera::eyePoint(VSpace::Space space, VStatus* status) const {
    VMatrix matrix;
    if (!report(status, spaceMatrix(object_, hasPath_, path_, space, matrix))) return VPoint();
    return VPoint(0.0, 0.0, 0.0) * matrix;
}

VVector VFnCamera::viewDirection(VSpace::Space space, VStatus* status) const {
    VMatrix matrix;
    if (!report(status, spaceMatrix(object_, hasPath_, path_, space, matrix))) return VVector();
    return direction(VVector(0.0, 0.0, -1.0), matrix);
}

VVector VFnCamera::upDirection(VSpace::Space space, VStatus* status) const {
    VMatrix matrix;
    if (!report(status, spaceMatrix(object_, hasPath_, path_, space, matrix))) return VVector();
    return direction(VVector(0.0, 1.0, 0.0), matrix);
}
