#ifndef WYX_HOSTEXPORT_ANIMCURVEEXPORT_H
#define WYX_HOSTEXPORT_ANIMCURVEEXPORT_H

// Host animation curves into SDK function curves: every animated value of the export goes
// through ConvertAnimCurve.
//
// A host curve whose tangents the SDK's keys can express is copied key for key: times in
// seconds, values and slopes (host internal units per second) times the caller's scale, the
// weights of a weighted curve as fractions of their segments. Any other curve (slow or fast in
// tangents, or neighbouring tangents of kinds the SDK cannot join) is sampled at the export
// sampling rate on the whole periods around its keys. With kExportApplyCstKeyRed the constant
// keys are reduced afterwards (the first and last kept).

#include <vexa/VFnAnimCurve.h>

#include <memory>

class RFCurve;
class RFCurveNode;
class RWyxNode;
class RWyxTakeNode;
class VFnDependencyNode;
class VPlug;

// A free curve (made by RFCurve::Create) destroyed with its owner.
struct FreeCurveDeleter {
    void operator()(RFCurve* curve) const;
};
using FreeCurvePtr = std::unique_ptr<RFCurve, FreeCurveDeleter>;

// The target's keys are replaced; a host curve without keys leaves the target untouched.
// With bake the curve is sampled whatever its tangents.
void ConvertAnimCurve(const VFnAnimCurve& curve, RFCurve& target, bool bake, double scale);

// The curve driving the plug, when one with at least one key does; false otherwise.
bool FindKeyedAnimCurve(const VPlug& plug, VFnAnimCurve& curve);

// The curve of the node's attribute converted into the curve found under the root by the two
// path steps; false (nothing done) when the plug, its curve or the curve node is missing.
bool ExportChannelCurve(const VFnDependencyNode& node, const char* attribute, RFCurveNode& root, const char* first,
                        const char* second, bool bake, double scale);
// Translation, scaling and rotation (degrees) of the transform into "T", "S" and "R".
void ExportTransformCurves(const VFnDependencyNode& transform, RFCurveNode& root, bool bake);

// The constant key reducer with end keys kept, when kExportApplyCstKeyRed is on.
void ReduceConstantKeysIfAsked(RFCurve& curve);

// The node's take node of that name made current, added (with the default take's curves) when
// the node has none; null when it cannot be made.
RWyxTakeNode* SelectTakeNode(RWyxNode& node, const char* name);

#endif
