// NURBS surfaces: the host surface as an SDK NURBS attribute. The host's U and V are the SDK's
// V and U; a periodic direction keeps its CVs without the repeated ones, and the knot vectors
// gain one knot at each end.

#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxNurb.h"
#include "plugin/VexaNode.h"

#include <vexa/VDoubleArray.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VPlug.h>

#include <algorithm>

namespace {

constexpr double kMaxStep = 15.0;

// The SDK direction type of a host form; false for a form the SDK has no type for.
bool SdkType(VFnNurbsSurface::Form form, int& type) {
    switch (form) {
        case VFnNurbsSurface::kOpen:
        case VFnNurbsSurface::kClosed:
            type = RWyxNurb::kOpen;
            return true;
        case VFnNurbsSurface::kPeriodic:
            type = RWyxNurb::kPeriodic;
            return true;
        default:
            return false;
    }
}

// The surface's display step: "curvePrecisionShaded" (1 when it cannot be read), at most 15.
int DisplayStep(const VObject& surface) {
    VStatus status;
    const VPlug plug = VFnDependencyNode(surface).findPlug("curvePrecisionShaded", &status);
    double step = 1.0;
    if (status && !plug.getValue(step)) step = 1.0;
    return static_cast<int>(std::min(std::max(step, 0.0), kMaxStep));
}

// The SDK knots of a direction: the host's with one more knot mirrored at each end. False
// when the host gives fewer than two knots or the SDK vector has another length.
bool FillKnots(const VDoubleArray& host, double* knots, int count) {
    const int n = static_cast<int>(host.length());
    if (n < 2 || knots == nullptr || count != n + 2) return false;
    knots[0] = 2.0 * host[0] - host[1];
    for (int i = 0; i < n; ++i) knots[i + 1] = host[static_cast<unsigned>(i)];
    knots[n + 1] = 2.0 * host[static_cast<unsigned>(n - 1)] - host[static_cast<unsigned>(n - 2)];
    return true;
}

// A texture layer without UVs gets one UV element naming the first UV of all.
void GiveTextureLayersUVs(RWyxNurb& nurb) {
    for (int i = 0; i < nurb.GetLayerCount(); ++i) {
        RWyxLayer* layer = nurb.GetLayer(i);
        if (layer == nullptr || layer->GetTextures() == nullptr || layer->GetUVs() != nullptr) continue;
        RWyxLayerElementUV* uvs = layer->SetUVs(std::make_unique<RWyxLayerElementUV>());
        uvs->SetMappingMode(RWyxLayerElement::kAllSame);
        uvs->SetReferenceMode(RWyxLayerElement::kIndex);
        uvs->AddIndex(0);
    }
}

}  // namespace

void WyxVexaExportSession::FillNurbs(VexaNode& node, const ShapeHistory& history) {
    VStatus status;
    const VFnNurbsSurface source(history.sourceGeometry, &status);
    if (!status) return;
    const int hostUCount = source.numCVsInU();
    const int hostVCount = source.numCVsInV();
    // The CVs come from the skin's input when it has the source's counts.
    VFnNurbsSurface input;
    const bool fromInput = !history.inputGeometry.isNull() && input.setObject(history.inputGeometry) &&
                           input.numCVsInU() == hostUCount && input.numCVsInV() == hostVCount;
    const VFnNurbsSurface& points = fromInput ? input : source;

    int uType = RWyxNurb::kOpen;
    int vType = RWyxNurb::kOpen;
    if (!SdkType(source.formInV(), uType) || !SdkType(source.formInU(), vType)) return;
    const int hostUDegree = source.degreeU();
    const int hostVDegree = source.degreeV();
    // A periodic direction's count leaves out the CVs that repeat its first ones.
    const int uCount = hostVCount - (uType == RWyxNurb::kPeriodic ? hostVDegree : 0);
    const int vCount = hostUCount - (vType == RWyxNurb::kPeriodic ? hostUDegree : 0);
    RWyxNurb* nurb = factory_.CreateNurb();
    if (nurb == nullptr) return;
    VDoubleArray hostUKnots;
    VDoubleArray hostVKnots;
    const bool shaped = uCount > 0 && vCount > 0 && nurb->SetOrder(hostVDegree + 1, hostUDegree + 1) &&
                        nurb->InitControlPoints(uCount, uType, vCount, vType) && source.getKnotsInU(hostUKnots) &&
                        source.getKnotsInV(hostVKnots) &&
                        FillKnots(hostVKnots, nurb->GetUKnotVector(), nurb->GetUKnotCount()) &&
                        FillKnots(hostUKnots, nurb->GetVKnotVector(), nurb->GetVKnotCount());
    if (!shaped) {
        VStatus(VStatus::kInvalidParameter, "the surface's counts, degrees and knots do not fit")
            .perror(VString("Cannot export the surface of ") + node.GetNameWithoutPrefix().Buffer());
        factory_.DestroyNodeAttribute(nurb);
        return;
    }
    const int step = DisplayStep(history.sourceGeometry);
    nurb->SetStep(step, step);
    // SDK U (host V) runs fastest; the loops stop at the SDK's counts.
    RVector4* cvs = nurb->GetControlPoints();
    for (int u = 0; u < vCount; ++u) {
        for (int v = 0; v < uCount; ++v) {
            VPoint cv;
            points.getCV(static_cast<unsigned>(u), static_cast<unsigned>(v), cv, VSpace::kObject);
            cvs[u * uCount + v] = RVector4(cv.x, cv.y, cv.z, cv.w);
        }
    }
    node.SetNodeAttribute(nurb);
    GiveTextureLayersUVs(*nurb);
}

void WyxVexaExportSession::GiveSurfaceTextureUVs(RWyxNode& node) {
    RWyxNurb* nurb = node.GetNurb();
    if (nurb != nullptr) GiveTextureLayersUVs(*nurb);
}
