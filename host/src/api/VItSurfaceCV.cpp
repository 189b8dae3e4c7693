#include <vexa/VItSurfaceCV.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/ShapeTarget.h"
#include "host/src/geometry/DoubleIndexedComponent.h"

#include <vector>

using namespace vexa_host;

struct VItSurfaceCV::Walk {
    ShapeTarget target;
    NurbsSurfaceDataPtr surface;
    std::vector<DoubleIndexedComponent::Element> cvs;
    size_t position = 0;

    VStatus begin(const VObject& component) {
        VStatus status;
        NurbsSurfaceDataPtr read = target.readSurface(status);
        if (!status) return status;
        std::vector<DoubleIndexedComponent::Element> list;
        if (component.isNull()) {
            for (int u = 0; u < read->cvCount(NurbsSurfaceData::kU); ++u) {
                for (int v = 0; v < read->cvCount(NurbsSurfaceData::kV); ++v) list.emplace_back(u, v);
            }
        } else {
            const auto* elements = dynamic_cast<const DoubleIndexedComponent*>(component.record().get());
            if (elements == nullptr || elements->apiType() != VFn::kSurfaceCVComponent) {
                return VStatus(VStatus::kInvalidParameter, "the component does not hold surface CVs");
            }
            list = elements->elements();
            for (const auto& cv : list) {
                if (!read->hasCV(cv.first, cv.second)) {
                    return VStatus(VStatus::kInvalidParameter, "the component names CV [" + std::to_string(cv.first) + "][" +
                                                                   std::to_string(cv.second) + "] outside the surface");
                }
            }
        }
        surface = std::move(read);
        cvs = std::move(list);
        return VStatus();
    }
    VStatus current() const {
        if (surface == nullptr) return VStatus(VStatus::kInvalidParameter, "the iterator has no surface");
        return position < cvs.size() ? VStatus() : VStatus(VStatus::kFailure, "the iterator is past its last CV");
    }
};

VItSurfaceCV::VItSurfaceCV(const VObject& surface, VStatus* status) : walk_(std::make_unique<Walk>()) {
    VStatus result = ShapeTarget::resolve(surface, ShapeTarget::kSurfaceShape, walk_->target);
    report(status, result ? walk_->begin(VObject()) : result);
}

VItSurfaceCV::VItSurfaceCV(const VDagPath& path, const VObject& component, VStatus* status) : walk_(std::make_unique<Walk>()) {
    VStatus result = ShapeTarget::resolve(path, ShapeTarget::kSurfaceShape, walk_->target);
    report(status, result ? walk_->begin(component) : result);
}

VItSurfaceCV::~VItSurfaceCV() = default;

bool VItSurfaceCV::isDone(VStatus* status) const {
    report(status, VStatus());
    return walk_->position >= walk_->cvs.size();
}

VStatus VItSurfaceCV::next() {
    if (VStatus status = walk_->current(); !status) return status;
    ++walk_->position;
    return VStatus();
}

VStatus VItSurfaceCV::reset() {
    walk_->position = 0;
    return walk_->surface != nullptr ? VStatus() : VStatus(VStatus::kInvalidParameter, "the iterator has no surface");
}

int VItSurfaceCV::count(VStatus* status) const {
    report(status, VStatus());
    return static_cast<int>(walk_->cvs.size());
}

int VItSurfaceCV::index(VStatus* status) const {
    if (!report(status, walk_->current())) return -1;
    const auto& cv = walk_->cvs[walk_->position];
    return cv.first * walk_->surface->cvCount(NurbsSurfaceData::kV) + cv.second;
}

VStatus VItSurfaceCV::getIndex(int& indexU, int& indexV) const {
    if (VStatus status = walk_->current(); !status) return status;
    indexU = walk_->cvs[walk_->position].first;
    indexV = walk_->cvs[walk_->position].second;
    return VStatus();
}

VPoint VItSurfaceCV::position(VSpace::Space space, VStatus* status) const {
    VStatus current = walk_->current();
    VMatrix matrix;
    if (current) current = walk_->target.toSpace(space, matrix);
    if (!report(status, current)) return VPoint();
    const auto& index = walk_->cvs[walk_->position];
    const VPoint& cv = walk_->surface->cv(index.first, index.second);
    VPoint point = VPoint(cv.x, cv.y, cv.z) * matrix;
    point.w = cv.w;
    return point;
}

VStatus VItSurfaceCV::setPosition(const VPoint& point, VSpace::Space space) {
    VStatus status = walk_->current();
    VMatrix matrix;
    if (status) status = walk_->target.toSpace(space, matrix);
    if (!status) return status;
    const auto& index = walk_->cvs[walk_->position];
    auto edited = std::make_shared<NurbsSurfaceData>(*walk_->surface);
    VPoint local = VPoint(point.x, point.y, point.z) * matrix.inverse();
    local.w = point.w;
    if (status = edited->setCV(index.first, index.second, local); !status) return status;
    if (status = walk_->target.write(edited); !status) return status;
    walk_->surface = std::move(edited);
    return VStatus();
}

VObject VItSurfaceCV::cv(VStatus* status) const {
    if (!report(status, walk_->current())) return VObject();
    auto component = std::make_shared<DoubleIndexedComponent>(VFn::kSurfaceCVComponent);
    component->add(walk_->cvs[walk_->position].first, walk_->cvs[walk_->position].second);
    return VObject(component);
}
