#ifndef WYX_CORE_RVECTOR4_H
#define WYX_CORE_RVECTOR4_H

// Double-precision vectors. RVector4 carries four components; most of its operations work
// on x, y and z only and say what they do with w. RVector3 is the plain three-component
// vector taken by the free Vector*3 functions. Angles everywhere in the maths are degrees;
// the constants below convert to and from the radians of the C library.

inline constexpr double kDegreesToRadians = 0.017453292519943295;
inline constexpr double kRadiansToDegrees = 57.29577951308232;

class RVector4 {
public:
    // Two vectors are equal when each of x, y and z lies within this of the other's.
    static constexpr double kEqualityTolerance = 1e-6;

    RVector4() = default;
    RVector4(double x, double y, double z, double w) : x(x), y(y), z(z), w(w) {}

    void Set(double newX, double newY, double newZ, double newW);
    // (0, 0, 0, 1): the origin as a homogeneous point.
    void SetWOne() { Set(0.0, 0.0, 0.0, 1.0); }

    // The address of component index (0 x, 1 y, 2 z, 3 w). It points at that one
    // component only; indexes outside 0 to 3 give the address of w.
    double* Component(int index);
    const double* Component(int index) const;

    // Over all four components.
    RVector4 operator*(double factor) const;
    RVector4& operator*=(double factor);
    RVector4& operator/=(double divisor);  // multiplies by the reciprocal
    RVector4 operator-() const;
    RVector4 operator+(const RVector4& other) const;
    RVector4 operator-(const RVector4& other) const;
    RVector4& operator+=(const RVector4& other);
    RVector4& operator*=(const RVector4& other);  // component by component

    // Over x, y and z.
    double Dot3(const RVector4& other) const;
    RVector4 Cross3(const RVector4& other) const;  // w of the result is 1
    double Length3() const;
    // Scales x, y and z to unit length; a zero vector stays zero. w is kept.
    RVector4& Normalize3();

    // x, y and z each within kEqualityTolerance (inclusive); w is ignored.
    bool operator==(const RVector4& other) const;
    bool operator!=(const RVector4& other) const { return !(*this == other); }

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 0.0;
};

struct RVector3 {
    RVector3() = default;
    RVector3(double x, double y, double z) : x(x), y(y), z(z) {}

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

double VectorDot3(const RVector3& a, const RVector3& b);
// out = a x b; out may be a or b.
void VectorCross3(RVector3& out, const RVector3& a, const RVector3& b);
// out = v * scale.
void VectorScale3(RVector3& out, const RVector3& v, double scale);
// out = a + b; out may be a or b.
void Vector3Add(RVector3& out, const RVector3& a, const RVector3& b);

// Element-wise forms over n doubles; out may be a or b.
void VectorAddN(double* out, const double* a, const double* b, int n);
void VectorScaleN(double* out, const double* a, double scale, int n);
// out[i] = (1 - t) a[i] + t b[i].
void VectorLerpN(double* out, const double* a, const double* b, double t, int n);

#endif
