#include <vexa/VAngle.h>

namespace {

VAngle::Unit& uiAngleUnit() {
    static VAngle::Unit unit = VAngle::kDegrees;
    return unit;
}

constexpr double kRadiansPerDegree = 0.017453292519943295;

}  // namespace

VAngle::Unit VAngle::uiUnit() { return uiAngleUnit(); }

bool VAngle::setUIUnit(Unit unit) {
    if (radiansPer(unit) == 0.0) return false;
    uiAngleUnit() = unit;
    return true;
}

double VAngle::radiansPer(Unit unit) {
    switch (unit) {
    case kRadians: return 1.0;
    case kDegrees: return kRadiansPerDegree;
    case kAngMinutes: return kRadiansPerDegree / 60.0;
    case kAngSeconds: return kRadiansPerDegree / 3600.0;
    default: return 0.0;
    }
}

double VAngle::as(Unit unit) const {
    const double from = radiansPer(unit_);
    const double to = radiansPer(unit);
    return from == 0.0 || to == 0.0 ? 0.0 : value_ * from / to;
}
