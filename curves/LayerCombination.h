#ifndef WYX_CURVES_LAYERCOMBINATION_H
#define WYX_CURVES_LAYERCOMBINATION_H

// How the values of an animation layer combine with the values below it, by the layer type of
// the node (RFCurveNode::Layer...): the one rule of the layered evaluation and of plotting.

#include "core/RQuaternion.h"

// Combines count layer values into the base values. Rotation layers (type 2) compose the first
// three values as Euler rotations in the rotation order, the layer's rotation acting first;
// quaternion layers (type 4) multiply the first four as (x, y, z, w) quaternions, base times
// layer, a zero quaternion standing for the identity. Multiplicative layers (type 3) multiply;
// every other value adds (types 0 and 1, the values beyond the composed ones, a node too small
// for its type, and layer types this system does not know).
void CombineLayerValuesByType(int layerType, int rotationOrder, double* base, const double* layer, int count);

// The neutral values of a layer type over count values: ones for type 3, else zeros, with the
// fourth value 1 for type 4, so that an unkeyed layer leaves the values below it unchanged.
void FillLayerIdentity(int layerType, double* out, int count);

// The quaternion of four values; the identity stands in for the zero quaternion (a layer whose
// curves all hold 0 turns nothing).
RQuaternion QuaternionOrIdentity(const double* values);

#endif
