#ifndef VEXA_VPOINT_H
#define VEXA_VPOINT_H

// A homogeneous point (x, y, z, w). Transformed as a row vector: p * m.

#include <vexa/VexaExport.h>

class VVector;
class VMatrix;

class VEXA_API VPoint {
public:
    VPoint() = default;
    VPoint(double x, double y, double z, double w = 1.0) : x(x), y(y), z(z), w(w) {}
    explicit VPoint(const VVector& vector);

    VPoint operator+(const VVector& v) const;
    VPoint operator-(const VVector& v) const;
    VVector operator-(const VPoint& other) const;
    VPoint operator*(const VMatrix& m) const;
    bool operator==(const VPoint& other) const;
    bool operator!=(const VPoint& other) const { return !(*this == other); }
    bool isEquivalent(const VPoint& other, double tolerance = 1e-10) const;
    double distanceTo(const VPoint& other) const;
    // Divides x, y, z by w (when w is not 0) and sets w to 1.
    VPoint cartesian() const;

    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};

#endif
