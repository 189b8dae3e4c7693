#include "core/RDataValue.h"

RVector3 RDataValue::GetVector() const {
    return RVector3(components_[0], components_[1], components_[2]);
}

void RDataValue::SetVector(const RVector3& vector) {
    components_[0] = vector.x;
    components_[1] = vector.y;
    components_[2] = vector.z;
}

RVector4 RDataValue::GetVector4() const {
    return RVector4(components_[0], components_[1], components_[2], components_[3]);
}

void RDataValue::SetVector4(const RVector4& vector) {
    components_[0] = vector.x;
    components_[1] = vector.y;
    components_[2] = vector.z;
    components_[3] = vector.w;
}

RMatrix RDataValue::GetMatrix() const {
    RMatrix matrix;
    for (int index = 0; index < kMaxComponents; ++index) {
        matrix[index / 4][index % 4] = components_[index];
    }
    return matrix;
}

void RDataValue::SetMatrix(const RMatrix& matrix) {
    for (int index = 0; index < kMaxComponents; ++index) {
        components_[index] = matrix[index / 4][index % 4];
    }
}

double RDataValue::GetComponent(int index) const {
    return IsComponentIndex(index) ? components_[index] : 0.0;
}

void RDataValue::SetComponent(int index, double value) {
    if (IsComponentIndex(index)) {
        components_[index] = value;
    }
}
