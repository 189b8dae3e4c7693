#include <vexa/VTime.h>

#include <cmath>

namespace {

VTime::Unit& uiTimeUnit() {
    static VTime::Unit unit = VTime::kFilm;
    return unit;
}

}  // namespace

VTime::VTime(double value, Unit unit) : value_(value), unit_(unit) {}

VTime::Unit VTime::uiUnit() { return uiTimeUnit(); }

bool VTime::setUIUnit(Unit unit) {
    if (unitsPerSecond(unit) == 0.0) return false;
    uiTimeUnit() = unit;
    return true;
}

double VTime::unitsPerSecond(Unit unit) {
    switch (unit) {
    case kHours: return 1.0 / 3600.0;
    case kMinutes: return 1.0 / 60.0;
    case kSeconds: return 1.0;
    case kMilliseconds: return 1000.0;
    case kGames: return 15.0;
    case kFilm: return 24.0;
    case kNTSCFrame:
    case kNTSCDropFrame: return 30.0;
    case kShowScan: return 48.0;
    case kPALField: return 50.0;
    case kNTSCField: return 60.0;
    default: return 0.0;
    }
}

double VTime::as(Unit unit) const {
    const double from = unitsPerSecond(unit_);
    const double to = unitsPerSecond(unit);
    if (from == 0.0 || to == 0.0) return 0.0;
    return value_ / from * to;
}

void VTime::setUnit(Unit unit) {
    if (unitsPerSecond(unit) == 0.0) return;
    value_ = as(unit);
    unit_ = unit;
}

bool VTime::operator==(const VTime& other) const { return as(kSeconds) == other.as(kSeconds); }

bool VTime::operator<(const VTime& other) const { return as(kSeconds) < other.as(kSeconds); }

VTime VTime::operator+(const VTime& other) const { return VTime(value_ + other.as(unit_), unit_); }

VTime VTime::operator-(const VTime& other) const { return VTime(value_ - other.as(unit_), unit_); }
