#ifndef WYX_HOSTIMPORT_HOSTNURBSSURFACE_H
#define WYX_HOSTIMPORT_HOSTNURBSSURFACE_H

// An SDK NURBS surface in the form the host's VFnNurbsSurface::create takes.
//
// The host's U is the SDK's V and the host's V the SDK's U. Control vertices go row by row
// over SDK V (outer) and SDK U (inner), each with its weight; a periodic or closed SDK
// direction repeats its first order - 1 control vertices (rows) after the last. A direction's
// host knots are the SDK knots without the first and the last, at full precision. A periodic
// or closed direction is periodic in the host when its knots are evenly spaced (within 1e-7);
// otherwise it is made open, with the repeated control vertices kept, and marked non-uniform.

#include <vexa/VDoubleArray.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VPointArray.h>

class RWyxNurb;

struct HostNurbsSurface {
    VPointArray controlVertices;
    VDoubleArray uKnots;  // host U: the SDK's V
    VDoubleArray vKnots;  // host V: the SDK's U
    unsigned uDegree = 0;
    unsigned vDegree = 0;
    VFnNurbsSurface::Form uForm = VFnNurbsSurface::kOpen;
    VFnNurbsSurface::Form vForm = VFnNurbsSurface::kOpen;
    // In SDK orientation: [0] the SDK U direction, [1] the SDK V direction.
    bool nonUniform[2] = {false, false};
    // Control vertices whose weight was not a positive number and became 1.
    int replacedWeights = 0;
};

// False, `out` unusable, when the surface has no control vertices, an order below 2 or of a
// degree above the host's 7, a wrapping direction with fewer points than it repeats, or knot
// vectors of another length than the surface needs.
bool ConvertNurbsToHost(const RWyxNurb& nurb, HostNurbsSurface& out);

#endif
