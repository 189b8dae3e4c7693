#ifndef VEXA_VANGLE_H
#define VEXA_VANGLE_H

// An angle: a value in a unit. Inside, the host keeps radians (internalUnit() is kRadians);
// the user works in degrees unless the UI unit is changed.

#include <vexa/VexaExport.h>

class VEXA_API VAngle {
public:
    enum Unit { kInvalid = 0, kRadians = 1, kDegrees = 2, kAngMinutes = 3, kAngSeconds = 4, kLast = 5 };

    VAngle() = default;
    VAngle(double value, Unit unit = kRadians) : value_(value), unit_(unit) {}

    static Unit uiUnit();
    static bool setUIUnit(Unit unit);
    static Unit internalUnit() { return kRadians; }
    // Radians in one unit; 0 for an invalid unit.
    static double radiansPer(Unit unit);

    Unit unit() const { return unit_; }
    double value() const { return value_; }
    double as(Unit unit) const;
    double asRadians() const { return as(kRadians); }
    double asDegrees() const { return as(kDegrees); }

private:
    double value_ = 0.0;
    Unit unit_ = kRadians;
};

#endif
