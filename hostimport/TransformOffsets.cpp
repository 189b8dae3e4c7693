#include "hostimport/TransformOffsets.h"

#include "core/EulerAngles.h"
#include "core/RMatrix.h"

#include <cstring>

namespace {

RVector4 Vector(const double values[3]) { return RVector4(values[0], values[1], values[2], 0.0); }

void Take(const RVector4& vector, double values[3]) {
    values[0] = vector.x;
    values[1] = vector.y;
    values[2] = vector.z;
}

// Bit for bit: a negative zero or a NaN is told apart as the matrix work would tell it.
bool SameBits(const TransformOffsets::Parts& a, const TransformOffsets::Parts& b) {
    return std::memcmp(&a, &b, sizeof(TransformOffsets::Parts)) == 0;
}

}  // namespace

const TransformOffsets::Parts& TransformOffsets::Compose(const Parts& own, const Parts* parent) {
    const bool hasParent = parent != nullptr;
    if (known_ && hasParent == lastHadParent_ && SameBits(own, lastOwn_) && (!hasParent || SameBits(*parent, lastParent_))) {
        return lastOffset_;
    }
    lastOffset_ = Work(own, parent);
    lastOwn_ = own;
    lastHadParent_ = hasParent;
    if (hasParent) lastParent_ = *parent;
    known_ = true;
    return lastOffset_;
}

TransformOffsets::Parts TransformOffsets::Work(const Parts& own, const Parts* parent) {
    RMatrix offset;
    offset.SetTRS(Vector(own.translation), Vector(own.rotation), Vector(own.scaling));
    if (parent != nullptr) {
        RMatrix parentOffset;
        MatrixFromTRS(parentOffset, Vector(parent->translation), Vector(parent->rotation), Vector(parent->scaling), 0);
        MatrixMultiplyAffine(offset, parentOffset, offset);
    }
    Parts result;
    Take(offset.GetTranslation(), result.translation);
    Take(offset.GetRotation(), result.rotation);
    Take(offset.GetScaling(), result.scaling);
    return result;
}

void TransformOffsets::RotateAxis(const double post[3], double axis[3]) {
    if (!axisKnown_ || std::memcmp(post, lastPost_, sizeof(lastPost_)) != 0) {
        RMatrix rotation;
        EulerVectorXYZToMatrix(rotation, Vector(post));
        RMatrix inverse;
        MatrixTranspose(inverse, rotation);
        RVector4 angles;
        MatrixToEulerXYZ(angles, inverse);
        std::memcpy(lastPost_, post, sizeof(lastPost_));
        Take(angles, lastAxis_);
        axisKnown_ = true;
    }
    std::memcpy(axis, lastAxis_, sizeof(lastAxis_));
}
