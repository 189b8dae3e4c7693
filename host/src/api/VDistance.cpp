#include <vexa/VDistance.h>

namespace {

VDistance::Unit& uiDistanceUnit() {
    static VDistance::Unit unit = VDistance::kCentimeters;
    return unit;
}

}  // namespace

VDistance::Unit VDistance::uiUnit() { return uiDistanceUnit(); }

bool VDistance::setUIUnit(Unit unit) {
    if (centimetersPer(unit) == 0.0) return false;
    uiDistanceUnit() = unit;
    return true;
}

double VDistance::centimetersPer(Unit unit) {
    switch (unit) {
    case kInches: return 2.54;
    case kFeet: return 30.48;
    case kYards: return 91.44;
    case kMiles: return 160934.4;
    case kMillimeters: return 0.1;
    case kCentimeters: return 1.0;
    case kKilometers: return 100000.0;
    case kMeters: return 100.0;
    default: return 0.0;
    }
}

double VDistance::as(Unit unit) const {
    const double from = centimetersPer(unit_);
    const double to = centimetersPer(unit);
    return from == 0.0 || to == 0.0 ? 0.0 : value_ * from / to;
}
