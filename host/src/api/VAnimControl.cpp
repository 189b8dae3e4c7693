#include <vexa/VAnimControl.h>

#include "host/src/scene/Scene.h"

#include <algorithm>
#include <cmath>

using vexa_host::Scene;

namespace {

VStatus badTime() { return VStatus(VStatus::kInvalidParameter, "the time is not a number in a known unit"); }

bool validTime(const VTime& time) { return VTime::unitsPerSecond(time.unit()) != 0.0 && std::isfinite(time.value()); }

}  // namespace

VTime VAnimControl::currentTime() { return VTime(Scene::instance().currentTime(), VTime::kSeconds); }

VStatus VAnimControl::setCurrentTime(const VTime& time) {
    if (!validTime(time)) return badTime();
    Scene::instance().setCurrentTime(time.as(VTime::kSeconds));
    return VStatus();
}

VTime VAnimControl::minTime() { return VTime(Scene::instance().minTime(), VTime::kSeconds); }

VTime VAnimControl::maxTime() { return VTime(Scene::instance().maxTime(), VTime::kSeconds); }

// Setting one end past the other moves the other end along, so that the ends can be set one
// after the other in any order.
VStatus VAnimControl::setMinTime(const VTime& time) {
    if (!validTime(time)) return badTime();
    const double low = time.as(VTime::kSeconds);
    Scene::instance().setTimeRange(low, std::max(low, Scene::instance().maxTime()));
    return VStatus();
}

VStatus VAnimControl::setMaxTime(const VTime& time) {
    if (!validTime(time)) return badTime();
    const double high = time.as(VTime::kSeconds);
    Scene::instance().setTimeRange(std::min(high, Scene::instance().minTime()), high);
    return VStatus();
}

VStatus VAnimControl::setMinMaxTime(const VTime& minTime, const VTime& maxTime) {
    if (!validTime(minTime) || !validTime(maxTime)) return badTime();
    const double low = minTime.as(VTime::kSeconds);
    const double high = maxTime.as(VTime::kSeconds);
    if (low > high) return VStatus(VStatus::kInvalidParameter, "the range ends before it starts");
    Scene::instance().setTimeRange(low, high);
    return VStatus();
}
