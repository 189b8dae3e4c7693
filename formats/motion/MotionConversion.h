#ifndef WYX_FORMATS_MOTION_MOTIONCONVERSION_H
#define WYX_FORMATS_MOTION_MOTIONCONVERSION_H

// Keys, post-read filters and small rotation helpers shared by the motion readers and writers.
//
// Readers never reserve for a count a file claims beyond what its size can hold: they open
// their curves for editing, append one key per frame as the frames arrive (or keep the
// converted frames until the rows are read and then store each curve's keys in one piece),
// and close them afterwards. After a read the rotation curves go through the process-wide
// rotation filter (unroll or gimbal killer) and, when constant-key reduction is on, the
// constant key reducer.

#include "core/RMatrix.h"
#include "core/RTime.h"
#include "core/RVector4.h"

class RFCurve;
class RFCurveNode;
class RWyxNode;

// Suspends notification on each curve that is there (null entries are skipped).
void BeginCurveEdits(RFCurve* const* curves, int count);
// Resumes notification and empties the evaluation caches of the curves that are there.
void EndCurveEdits(RFCurve* const* curves, int count);
// Appends a cubic key (tangent mode auto, derivatives 0, weights 1/3) holding the value as a
// single-precision number; true for a null curve. False when the key cannot be stored.
bool AppendFrameKey(RFCurve* curve, RTime time, double value);
// The same key with another interpolation (RCurveKey::Constant for steps).
bool AppendFrameKey(RFCurve* curve, RTime time, double value, unsigned interpolation);
// Gives the curve count keys as AppendFrameKey makes them, key i at start + step * i holding
// values[i * stride], in storage reserved once; true for a null curve. False when the keys
// cannot be stored (the curve then keeps none).
bool StoreFrameKeys(RFCurve* curve, RTime start, RTime step, const float* values, int stride, int count);
// The same with the frames in pieces of rowsPerPiece rows of stride floats: key i holds
// pieces[i / rowsPerPiece][(i % rowsPerPiece) * stride + column].
bool StoreFrameKeys(RFCurve* curve, RTime start, RTime step, const float* const* pieces, int rowsPerPiece,
                    int column, int stride, int count);
// The process-wide rotation filter on three rotation curves X, Y, Z (all three needed); a
// reader filtering many nodes keeps one RotationCurveFilter for them instead.
void FilterRotationCurves(RFCurve* const rotation[3]);
// The constant key reducer on the curves that are there, when the setting is on.
void ReduceConstantKeys(RFCurve* const* curves, int count);

// The deepest skeleton the motion readers accept and the writers walk: deeper files are
// refused, so that the recursive walks over bones and joints stay shallow.
constexpr int kMaxSkeletonDepth = 1000;

// The number of levels of the node's subtree (1 for a node without children), counted with
// the subtree's own stack; stops counting past limit (answers limit + 1).
int NodeTreeDepth(RWyxNode* node, int limit);

// Whether the value is finite and no larger than a float, as every curve a read fills holds.
bool WithinFloats(double value);

// The first three values of a "T", "R" or "S" curve node at the time (through its cache), or
// its default values without a time; false, out untouched, for a null node or one giving
// fewer than three values or more than eight.
bool ChannelNodeValues(RFCurveNode* channel, const RTime* time, double out[3]);
// The channel (0..8: translation, rotation, scaling X, Y, Z) of the first value of the "T",
// "R" and "S" curve nodes (ChannelNodeValues) that is not a finite number, with the value in
// value; -1 when every value is finite.
int FindNonFiniteChannel(RFCurveNode* const channels[3], const RTime* time, double& value);

// Products of rotation parts in the order they act (the row-vector convention): first, then
// second. Only the 3x3 parts are used; the result's translation is zero.
RMatrix RotationProduct(const RMatrix& first, const RMatrix& second);
RMatrix RotationProduct(const RMatrix& first, const RMatrix& second, const RMatrix& third);

// The rotation of angles given per axis (about X, Y, Z, degrees) that act in the sequence of
// an Euler order code, in the 3x3 part of out.
void RotationFromAxisAngles(RMatrix& out, const double angles[3], int code);

// The rotation turning the +X axis onto the unit vector u (a half turn about Z for -X), in the
// 3x3 part of out.
void RotationFromXAxis(RMatrix& out, const RVector4& u);

#endif
