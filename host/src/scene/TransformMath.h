#ifndef VEXA_HOST_TRANSFORMMATH_H
#define VEXA_HOST_TRANSFORMMATH_H

// Euler rotations in the six axis orders, as row-vector matrices. Angles are radians, given
// per axis (x, y, z); the order says which applies first.

#include <vexa/VMatrix.h>
#include <vexa/VQuaternion.h>
#include <vexa/VTransformationMatrix.h>
#include <vexa/VexaExport.h>

namespace vexa_host {

VEXA_API VMatrix eulerToMatrix(const double angles[3], VTransformationMatrix::RotationOrder order);
// The angles that give the rotation of the matrix (rows normalised first). In the gimbal case
// (the middle axis at +-90 degrees) the last axis gets 0.
VEXA_API void matrixToEuler(const VMatrix& matrix, VTransformationMatrix::RotationOrder order, double angles[3]);
VEXA_API VQuaternion eulerToQuaternion(const double angles[3], VTransformationMatrix::RotationOrder order);
VMatrix translationMatrix(double x, double y, double z);
bool isValidOrder(int order);

}  // namespace vexa_host

#endif
