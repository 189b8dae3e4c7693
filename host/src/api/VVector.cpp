#include <vexa/VVector.h>

#include <vexa/VMatrix.h>

#include <cmath>

VVector VVector::operator^(const VVector& v) const { return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x}; }

VVector VVector::operator*(const VMatrix& m) const {
    return {x * m[0][0] + y * m[1][0] + z * m[2][0], x * m[0][1] + y * m[1][1] + z * m[2][1],
            x * m[0][2] + y * m[1][2] + z * m[2][2]};
}

double VVector::length() const { return std::sqrt(x * x + y * y + z * z); }

VVector VVector::normal() const {
    const double size = length();
    return size > 0.0 ? *this / size : *this;
}

bool VVector::isEquivalent(const VVector& v, double tolerance) const {
    return std::fabs(x - v.x) <= tolerance && std::fabs(y - v.y) <= tolerance && std::fabs(z - v.z) <= tolerance;
}
