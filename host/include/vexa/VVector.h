#ifndef VEXA_VVECTOR_H
#define VEXA_VVECTOR_H

// A direction or offset (x, y, z). Transformed as a row vector without translation: v * m.

#include <vexa/VexaExport.h>

class VMatrix;

class VEXA_API VVector {
public:
    VVector() = default;
    VVector(double x, double y, double z) : x(x), y(y), z(z) {}
    explicit VVector(const double values[3]) : x(values[0]), y(values[1]), z(values[2]) {}

    VVector operator+(const VVector& v) const { return {x + v.x, y + v.y, z + v.z}; }
    VVector operator-(const VVector& v) const { return {x - v.x, y - v.y, z - v.z}; }
    VVector operator-() const { return {-x, -y, -z}; }
    VVector operator*(double s) const { return {x * s, y * s, z * s}; }
    VVector operator/(double s) const { return {x / s, y / s, z / s}; }
    double operator*(const VVector& v) const { return x * v.x + y * v.y + z * v.z; }  // dot
    VVector operator^(const VVector& v) const;                                          // cross
    VVector operator*(const VMatrix& m) const;
    bool operator==(const VVector& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const VVector& v) const { return !(*this == v); }
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

    double length() const;
    VVector normal() const;  // the zero vector stays zero
    bool isEquivalent(const VVector& v, double tolerance = 1e-10) const;

    double x = 0.0, y = 0.0, z = 0.0;
};

#endif
