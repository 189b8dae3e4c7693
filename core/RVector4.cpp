#include "core/RVector4.h"

#include <cmath>

void RVector4::Set(double newX, double newY, double newZ, double newW) {
    x = newX;
    y = newY;
    z = newZ;
    w = newW;
}

double* RVector4::Component(int index) {
    return const_cast<double*>(static_cast<const RVector4&>(*this).Component(index));
}

const double* RVector4::Component(int index) const {
    switch (index) {
        case 0: return &x;
        case 1: return &y;
        case 2: return &z;
        default: return &w;
    }
}

RVector4 RVector4::operator*(double factor) const {
    return RVector4(x * factor, y * factor, z * factor, w * factor);
}

RVector4& RVector4::operator*=(double factor) {
    return *this = *this * factor;
}

RVector4& RVector4::operator/=(double divisor) {
    return *this *= 1.0 / divisor;
}

RVector4 RVector4::operator-() const {
    return RVector4(-x, -y, -z, -w);
}

RVector4 RVector4::operator+(const RVector4& other) const {
    return RVector4(x + other.x, y + other.y, z + other.z, w + other.w);
}

RVector4 RVector4::operator-(const RVector4& other) const {
    return RVector4(x - other.x, y - other.y, z - other.z, w - other.w);
}

RVector4& RVector4::operator+=(const RVector4& other) {
    return *this = *this + other;
}

RVector4& RVector4::operator*=(const RVector4& other) {
    x *= other.x;
    y *= other.y;
    z *= other.z;
    w *= other.w;
    return *this;
}

double RVector4::Dot3(const RVector4& other) const {
    return x * other.x + y * other.y + z * other.z;
}

RVector4 RVector4::Cross3(const RVector4& other) const {
    return RVector4(y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x,
                    1.0);
}

double RVector4::Length3() const {
    return std::hypot(x, y, z);  // no underflow or overflow in the squares
}

RVector4& RVector4::Normalize3() {
    const double length = Length3();
    if (length > 0.0) {
        x /= length;
        y /= length;
        z /= length;
    } else {
        x = y = z = 0.0;
    }
    return *this;
}

bool RVector4::operator==(const RVector4& other) const {
    return std::fabs(x - other.x) <= kEqualityTolerance &&
           std::fabs(y - other.y) <= kEqualityTolerance &&
           std::fabs(z - other.z) <= kEqualityTolerance;
}

double VectorDot3(const RVector3& a, const RVector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

void VectorCross3(RVector3& out, const RVector3& a, const RVector3& b) {
    out = RVector3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

void VectorScale3(RVector3& out, const RVector3& v, double scale) {
    out = RVector3(v.x * scale, v.y * scale, v.z * scale);
}

void Vector3Add(RVector3& out, const RVector3& a, const RVector3& b) {
    out = RVector3(a.x + b.x, a.y + b.y, a.z + b.z);
}

void VectorAddN(double* out, const double* a, const double* b, int n) {
    for (int i = 0; i < n; ++i) {
        out[i] = a[i] + b[i];
    }
}

void VectorScaleN(double* out, const double* a, double scale, int n) {
    for (int i = 0; i < n; ++i) {
        out[i] = scale * a[i];
    }
}

void VectorLerpN(double* out, const double* a, const double* b, double t, int n) {
    for (int i = 0; i < n; ++i) {
        out[i] = (1.0 - t) * a[i] + t * b[i];
    }
}
