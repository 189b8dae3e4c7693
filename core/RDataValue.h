#ifndef WYX_CORE_RDATAVALUE_H
#define WYX_CORE_RDATAVALUE_H

// The value a property data type writes, reads and prints: a time and up to sixteen double
// components. A number uses component 0, a vector components 0 to 2, a vector4 0 to 3 and a
// matrix all sixteen, row by row; a time uses the time alone. A data type leaves the parts
// it does not use as they are.

#include "core/RMatrix.h"
#include "core/RTime.h"
#include "core/RVector4.h"

class RDataValue {
public:
    static constexpr int kMaxComponents = 16;

    RDataValue() = default;  // time 0 and every component 0.0

    // The given value, everything else zero.
    explicit RDataValue(double number) { SetNumber(number); }
    explicit RDataValue(RTime time) { SetTime(time); }
    explicit RDataValue(const RVector3& vector) { SetVector(vector); }
    explicit RDataValue(const RVector4& vector) { SetVector4(vector); }
    explicit RDataValue(const RMatrix& matrix) { SetMatrix(matrix); }

    double GetNumber() const { return components_[0]; }
    void SetNumber(double number) { components_[0] = number; }

    RTime GetTime() const { return time_; }
    void SetTime(RTime time) { time_ = time; }

    RVector3 GetVector() const;
    void SetVector(const RVector3& vector);

    RVector4 GetVector4() const;
    void SetVector4(const RVector4& vector);

    RMatrix GetMatrix() const;  // all sixteen doubles
    void SetMatrix(const RMatrix& matrix);

    // Component 0 to 15; 0.0 (reading) or nothing (writing) outside that range.
    double GetComponent(int index) const;
    void SetComponent(int index, double value);

private:
    static bool IsComponentIndex(int index) { return index >= 0 && index < kMaxComponents; }

    RTime time_;
    double components_[kMaxComponents] = {};
};

#endif
