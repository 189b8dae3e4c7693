// Patches turned into NURBS surfaces, and NURBS copies with U and V swapped.

#include "formats/geometry/RWyxGeometryConverter.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

// How one patch direction becomes a NURBS direction.
struct NurbsDirection {
    int order = 0;
    int type = RWyxNurb::kOpen;
    int count = 0;
    bool closed = false;
    int basis = 0;
};

constexpr int kCubicOrder = 4;
constexpr int kLinearOrder = 2;

bool MakeDirection(int basis, int count, bool closed, NurbsDirection& out) {
    out.basis = basis;
    out.count = count;
    out.closed = closed;
    switch (basis) {
        case RWyxPatch::kBezier:
            out.order = kCubicOrder;
            out.type = closed ? RWyxNurb::kClosed : RWyxNurb::kOpen;
            return true;
        case RWyxPatch::kBSpline:
            out.order = kCubicOrder;
            out.type = closed ? RWyxNurb::kPeriodic : RWyxNurb::kOpen;
            return true;
        case RWyxPatch::kLinear:
            out.order = kLinearOrder;
            out.type = closed ? RWyxNurb::kClosed : RWyxNurb::kOpen;
            return true;
        default:
            return false;
    }
}

// The knots that give the patch direction's own curve, kc of them.
// B-spline: uniform, 0 .. kc - 1. Linear: 0, 0, 1, 2, ..., kc - 3, kc - 3. Bezier with S
// segments (as the patch evaluator makes them: (N - 4) / 3 + 1 open, N / 3 closed): 0, then
// each segment end 0 .. S three times, then S to the end. The tripled knots make every span
// a Bezier segment of four control points, three apart; control points past the last segment
// (which the patch does not reach either) lie under empty spans only.
void FillKnots(const NurbsDirection& d, double* knots, int kc) {
    switch (d.basis) {
        case RWyxPatch::kBSpline:
            for (int i = 0; i < kc; ++i) knots[i] = i;
            break;
        case RWyxPatch::kLinear:
            knots[0] = 0.0;
            for (int i = 1; i < kc - 1; ++i) knots[i] = i - 1;
            knots[kc - 1] = kc - 3;
            break;
        default: {
            const int segments = d.closed ? d.count / 3 : (d.count - 4) / 3 + 1;
            knots[0] = 0.0;
            for (int i = 1; i < kc; ++i) knots[i] = std::min((i - 1) / 3, segments);
            break;
        }
    }
}

void RepairShapeWeights(RWyxGeometry& geometry) {
    for (int s = 0; s < geometry.GetShapeCount(); ++s) {
        RWyxShape* shape = geometry.GetShape(s);
        RVector4* points = shape->GetControlPoints();
        for (int i = 0; i < shape->GetControlPointsCount(); ++i) {
            if (points[i].w <= 0.0) points[i].w = 1.0;
        }
        for (int l = 0; l < shape->GetLayerCount(); ++l) {
            RWyxLayerElementNormal* normals = shape->GetLayer(l)->GetNormals();
            if (normals == nullptr) continue;
            for (RVector4& normal : normals->DirectArray()) {
                if (normal.w <= 0.0) normal.w = 1.0;
            }
        }
    }
}

// Source index of each point of the transposed grid: (u, v) of the source lands at (v, u).
std::vector<int> TransposedSources(int uCount, int vCount) {
    std::vector<int> sources(static_cast<std::size_t>(uCount) * static_cast<std::size_t>(vCount));
    for (std::size_t n = 0; n < sources.size(); ++n) {
        const int u = static_cast<int>(n) / vCount;
        const int v = static_cast<int>(n) % vCount;
        sources[n] = v * uCount + u;
    }
    return sources;
}

void CopyValues(const double* from, int count, double* to) { std::copy(from, from + count, to); }
void CopyValues(const int* from, int count, int* to) { std::copy(from, from + count, to); }

// Exchanges U and V of the copy of the source: fields, knots and multiplicities, and the
// control points (with the entries mapped by control point and the shapes' points)
// transposed. False when the source's counts do not match its points.
bool SwapDirections(const RWyxNurb& source, RWyxNurb& copy) {
    const int uCount = source.GetUCount();
    const int vCount = source.GetVCount();
    if (static_cast<long long>(uCount) * vCount != source.GetControlPointsCount()) return false;
    const std::vector<int> sources = TransposedSources(uCount, vCount);
    copy.GatherControlPointData(sources);
    for (int s = 0; s < copy.GetShapeCount(); ++s) {
        RWyxShape* shape = copy.GetShape(s);
        if (shape->GetControlPointsCount() == uCount * vCount) shape->GatherControlPointData(sources);
    }
    const std::vector<RVector4> points(copy.GetControlPoints(), copy.GetControlPoints() + uCount * vCount);
    if (!copy.SetOrder(source.GetVOrder(), source.GetUOrder()) ||
        !copy.InitControlPoints(vCount, source.GetVType(), uCount, source.GetUType())) {
        return false;
    }
    std::copy(points.begin(), points.end(), copy.GetControlPoints());
    copy.SetStep(source.GetVStep(), source.GetUStep());
    CopyValues(source.GetVKnotVector(), source.GetVKnotCount(), copy.GetUKnotVector());
    CopyValues(source.GetUKnotVector(), source.GetUKnotCount(), copy.GetVKnotVector());
    CopyValues(source.GetVMultiplicity(), vCount, copy.GetUMultiplicity());
    CopyValues(source.GetUMultiplicity(), uCount, copy.GetVMultiplicity());
    return true;
}

}  // namespace

RWyxNurb* RWyxGeometryConverter::PatchToNurb(RWyxPatch* source) {
    if (source == nullptr) return Refuse(kErrorNullSource);
    NurbsDirection u;
    NurbsDirection v;
    if (!MakeDirection(source->GetUType(), source->GetUCount(), source->GetUClosed(), u) ||
        !MakeDirection(source->GetVType(), source->GetVCount(), source->GetVClosed(), v)) {
        return Refuse(kErrorUnsupportedPatchType);
    }
    if (u.count < u.order || v.count < v.order) {
        Warn(RString("A patch of ") + source->GetUCount() + " x " + source->GetVCount() +
             " control points has too few for its basis and was not converted to a NURBS surface.");
        return Refuse(kErrorCannotConvertPatch);
    }
    if (static_cast<long long>(u.count) * v.count != source->GetControlPointsCount()) {
        return Refuse(kErrorSizeMismatch);
    }
    RWyxNurb* nurb = factory_ != nullptr ? factory_->CreateNurb() : nullptr;
    if (nurb == nullptr) return Refuse(kErrorCannotCreate);
    if (!nurb->CopyDeformers(*source) || !nurb->CopyShapes(*source) || !nurb->SetOrder(u.order, v.order) ||
        !nurb->InitControlPoints(u.count, u.type, v.count, v.type)) {
        DestroyWithParts(nurb);
        return Refuse(kErrorCannotCreate);
    }
    nurb->CopyLayers(*source);
    nurb->CopyPivot(*source);
    nurb->SetStep(source->GetUStep(), source->GetVStep());
    FillKnots(u, nurb->GetUKnotVector(), nurb->GetUKnotCount());
    FillKnots(v, nurb->GetVKnotVector(), nurb->GetVKnotCount());
    RVector4* points = nurb->GetControlPoints();
    for (int i = 0; i < nurb->GetControlPointsCount(); ++i) {
        points[i] = source->GetControlPoints()[i];
        points[i].w = 1.0;
    }
    RepairShapeWeights(*nurb);
    return nurb;
}

RWyxNurb* RWyxGeometryConverter::CopyNurbSwapped(RWyxNurb* source, bool swap, bool remap) {
    if (source == nullptr) return Refuse(kErrorNullSource);
    RWyxNurb* copy = factory_ != nullptr ? factory_->CreateNurb() : nullptr;
    if (copy == nullptr) return Refuse(kErrorCannotCreate);
    if (!copy->Assign(*source)) {
        factory_->DestroyNodeAttribute(copy);
        return Refuse(kErrorCannotCreate);
    }
    const int uCount = source->GetUCount();
    const int vCount = source->GetVCount();
    if (swap && !SwapDirections(*source, *copy)) {
        DestroyWithParts(copy);
        return Refuse(kErrorSizeMismatch);
    }
    if (remap && uCount > 0) {
        for (int l = 0; l < copy->GetDeformerCount(); ++l) {
            RWyxSkinLink* link = copy->GetDeformer(l);
            int* indices = link->GetControlPointIndices();
            for (int k = 0; k < link->GetControlPointIndicesCount(); ++k) {
                // An index past the points names none; it stays as it is.
                if (static_cast<long long>(indices[k]) >= static_cast<long long>(uCount) * vCount) continue;
                indices[k] = (indices[k] % uCount) * vCount + indices[k] / uCount;
            }
        }
    }
    return copy;
}
