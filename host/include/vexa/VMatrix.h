#ifndef VEXA_VMATRIX_H
#define VEXA_VMATRIX_H

// A 4x4 matrix of doubles in the row-vector convention: a point is a row vector multiplied on
// the left (p * m), the translation is the fourth row, and a * b applies a first, then b.

#include <vexa/VexaExport.h>

class VEXA_API VMatrix {
public:
    VMatrix();  // identity
    explicit VMatrix(const double values[4][4]);
    static VMatrix identity() { return VMatrix(); }

    double operator()(unsigned row, unsigned column) const { return m[row][column]; }
    double& operator()(unsigned row, unsigned column) { return m[row][column]; }
    const double* operator[](unsigned row) const { return m[row]; }
    double* operator[](unsigned row) { return m[row]; }

    VMatrix operator*(const VMatrix& right) const;
    VMatrix& operator*=(const VMatrix& right) { return *this = *this * right; }
    bool operator==(const VMatrix& other) const;
    bool operator!=(const VMatrix& other) const { return !(*this == other); }
    bool isEquivalent(const VMatrix& other, double tolerance = 1e-10) const;

    VMatrix transpose() const;
    // The general inverse; a singular matrix gives the identity.
    VMatrix inverse() const;
    double det4x4() const;
    double det3x3() const;
    void get(double values[4][4]) const;

    double m[4][4];
};

#endif
