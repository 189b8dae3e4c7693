#include <vexa/VItDependencyNodes.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/Scene.h"

using namespace vexa_host;

VItDependencyNodes::VItDependencyNodes(VFn::Type filter, VStatus* status) : filter_(filter) {
    report(status, VStatus());
    seek(0);
}

void VItDependencyNodes::seek(std::uint64_t afterId) {
    const auto& nodes = Scene::instance().nodes();
    for (auto it = nodes.upper_bound(afterId); it != nodes.end(); ++it) {
        if (filter_ == VFn::kInvalid || it->second->hasFn(filter_)) {
            current_ = VObject(it->second);
            currentId_ = it->first;
            return;
        }
    }
    current_ = VObject();
}

bool VItDependencyNodes::isDone(VStatus* status) const {
    report(status, VStatus());
    return current_.isNull();
}

VStatus VItDependencyNodes::next() {
    if (current_.isNull()) return VStatus(VStatus::kFailure, "the iteration is done");
    seek(currentId_);
    return VStatus();
}

VStatus VItDependencyNodes::reset() {
    seek(0);
    return VStatus();
}

VObject VItDependencyNodes::thisNode(VStatus* status) const {
    report(status, current_.isNull() ? VStatus(VStatus::kFailure, "the iteration is done") : VStatus());
    return current_;
}
