#include <vexa/VPoint.h>

#include <vexa/VMatrix.h>
#include <vexa/VVector.h>

#include <cmath>

VPoint::VPoint(const VVector& vector) : x(vector.x), y(vector.y), z(vector.z), w(1.0) {}

VPoint VPoint::operator+(const VVector& v) const { return {x + v.x, y + v.y, z + v.z, w}; }
VPoint VPoint::operator-(const VVector& v) const { return {x - v.x, y - v.y, z - v.z, w}; }
VVector VPoint::operator-(const VPoint& other) const { return {x - other.x, y - other.y, z - other.z}; }

VPoint VPoint::operator*(const VMatrix& m) const {
    return {x * m[0][0] + y * m[1][0] + z * m[2][0] + w * m[3][0], x * m[0][1] + y * m[1][1] + z * m[2][1] + w * m[3][1],
            x * m[0][2] + y * m[1][2] + z * m[2][2] + w * m[3][2], x * m[0][3] + y * m[1][3] + z * m[2][3] + w * m[3][3]};
}

bool VPoint::operator==(const VPoint& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }

bool VPoint::isEquivalent(const VPoint& o, double tolerance) const {
    return std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance && std::fabs(z - o.z) <= tolerance &&
           std::fabs(w - o.w) <= tolerance;
}

double VPoint::distanceTo(const VPoint& other) const {
    const VPoint a = cartesian();
    const VPoint b = other.cartesian();
    return (a - b).length();
}

VPoint VPoint::cartesian() const { return w != 0.0 ? VPoint(x / w, y / w, z / w, 1.0) : VPoint(x, y, z, 1.0); }
