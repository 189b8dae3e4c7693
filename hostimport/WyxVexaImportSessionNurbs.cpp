// Host node creation: NURBS surfaces (patches arrive here converted).

#include "hostimport/HostNurbsSurface.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxNurb.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VPlug.h>

#include <algorithm>
#include <string>

void WyxVexaImportSession::CreateNurbs(RWyxNode* node) {
    const VObject made = CreateBoundTransform(node, "Cannot create Nurb");
    const RWyxNurb* nurb = node->GetNurb();
    if (made.isNull() || nurb == nullptr) return;
    HostNurbsSurface surface;
    if (!ConvertNurbsToHost(*nurb, surface)) {
        VStatus(VStatus::kInvalidParameter, "the surface's counts, orders and knots do not fit").perror("Cannot create Nurb");
        return;
    }
    if (surface.replacedWeights > 0) {
        VStatus(VStatus::kFailure)
            .perror(VString(std::to_string(surface.replacedWeights).c_str()) + " control points of " +
                    VString(node->GetNameWithoutPrefix().Buffer()) + " have a weight that is not positive; they weigh 1");
    }
    auto& vexaNode = *static_cast<VexaNode*>(node);
    vexaNode.SetNurbsNonUniform(0, surface.nonUniform[0]);
    vexaNode.SetNurbsNonUniform(1, surface.nonUniform[1]);

    VStatus status;
    VFnNurbsSurface host;
    const VObject shape = host.create(surface.controlVertices, surface.uKnots, surface.vKnots, surface.uDegree,
                                      surface.vDegree, surface.uForm, surface.vForm, true, made, &status);
    if (!status) {
        status.perror("Cannot create Nurb");
        return;
    }
    VFnDependencyNode(shape).setName(ShapeName(node), &status);
    PrintStatusError(status, "Cannot name the new shape");
    const int precision = std::max({nurb->GetUStep() - 1, nurb->GetVStep() - 1, 0});
    VPlug plug = VFnDependencyNode(shape).findPlug("curvePrecision", &status);
    if (status) status = plug.setValue(static_cast<short>(std::min(precision, 32767)));
    PrintStatusError(status, "Cannot set the surface's curve precision");
    if (nurb->GetShapeCount() > 0) {
        VFnBlendShapeDeformer blendShape;
        blendShape.create(shape, VFnBlendShapeDeformer::kLocalOrigin, &status);
        PrintStatusError(status, "Cannot create the blend shape");
    }
}
