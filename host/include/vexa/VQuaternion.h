#ifndef VEXA_VQUATERNION_H
#define VEXA_VQUATERNION_H

// A rotation as a unit quaternion (x, y, z, w). Products follow the matrix convention of
// VMatrix: (a * b).asMatrix() == a.asMatrix() * b.asMatrix(), that is a first, then b.

#include <vexa/VexaExport.h>

class VMatrix;
class VVector;

class VEXA_API VQuaternion {
public:
    VQuaternion() = default;
    VQuaternion(double x, double y, double z, double w) : x(x), y(y), z(z), w(w) {}
    // A rotation by angle radians about the axis (normalised here).
    VQuaternion(double angle, const VVector& axis);
    // The rotation of a matrix's upper 3x3 (rows normalised first, so scale does not count).
    static VQuaternion fromMatrix(const VMatrix& matrix);

    VMatrix asMatrix() const;
    VQuaternion operator*(const VQuaternion& right) const;
    VQuaternion conjugate() const { return {-x, -y, -z, w}; }
    VQuaternion normal() const;
    bool isEquivalent(const VQuaternion& other, double tolerance = 1e-10) const;  // q and -q match
    bool operator==(const VQuaternion& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }

    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};

#endif
