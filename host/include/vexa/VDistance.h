#ifndef VEXA_VDISTANCE_H
#define VEXA_VDISTANCE_H

// A distance: a value in a unit. Inside, the host keeps centimetres (internalUnit() is
// kCentimeters); the user works in centimetres unless the UI unit is changed. Note the unit
// numbers: kilometres (7) come before metres (8).

#include <vexa/VexaExport.h>

class VEXA_API VDistance {
public:
    enum Unit {
        kInvalid = 0, kInches = 1, kFeet = 2, kYards = 3, kMiles = 4, kMillimeters = 5,
        kCentimeters = 6, kKilometers = 7, kMeters = 8, kLast = 9,
    };

    VDistance() = default;
    VDistance(double value, Unit unit = kCentimeters) : value_(value), unit_(unit) {}

    static Unit uiUnit();
    static bool setUIUnit(Unit unit);
    static Unit internalUnit() { return kCentimeters; }
    // Centimetres in one unit; 0 for an invalid unit.
    static double centimetersPer(Unit unit);

    Unit unit() const { return unit_; }
    double value() const { return value_; }
    double as(Unit unit) const;
    double asCentimeters() const { return as(kCentimeters); }

private:
    double value_ = 0.0;
    Unit unit_ = kCentimeters;
};

#endif
