#include "hostimport/HostNurbsSurface.h"

#include "attributes/RWyxNurb.h"

#include <cmath>

namespace {

constexpr double kUniformTolerance = 1e-7;
// The host's highest degree: an order past it is refused before any array is made for it.
constexpr int kMaxHostDegree = 7;

struct Direction {
    int count;
    int order;
    int type;
    const double* knots;
    int knotCount;

    bool Wraps() const { return type == RWyxNurb::kPeriodic || type == RWyxNurb::kClosed; }
    int WrapCount() const { return Wraps() ? order - 1 : 0; }
    // A wrapping direction repeats order - 1 points: it needs that many to repeat.
    bool IsUsable() const {
        return count > 0 && order >= 2 && order - 1 <= kMaxHostDegree && (!Wraps() || order - 1 <= count) &&
               knots != nullptr && knotCount == RWyxNurb::KnotCount(count, order, type);
    }
};

bool EvenlySpaced(const VDoubleArray& knots) {
    if (knots.length() < 2) return true;
    const double first = knots[1] - knots[0];
    for (unsigned i = 2; i < knots.length(); ++i) {
        if (std::fabs(knots[i] - knots[i - 1] - first) > kUniformTolerance) return false;
    }
    return true;
}

// The host knots, form and non-uniform flag of one SDK direction.
void ConvertDirection(const Direction& direction, VDoubleArray& knots, unsigned& degree, VFnNurbsSurface::Form& form,
                      bool& nonUniform) {
    knots.clear();
    for (int i = 1; i + 1 < direction.knotCount; ++i) knots.append(direction.knots[i]);
    degree = static_cast<unsigned>(direction.order - 1);
    form = VFnNurbsSurface::kOpen;
    nonUniform = false;
    if (!direction.Wraps()) return;
    if (EvenlySpaced(knots)) {
        form = VFnNurbsSurface::kPeriodic;
    } else {
        nonUniform = true;
    }
}

}  // namespace

bool ConvertNurbsToHost(const RWyxNurb& nurb, HostNurbsSurface& out) {
    const Direction u{nurb.GetUCount(), nurb.GetUOrder(), nurb.GetUType(), nurb.GetUKnotVector(), nurb.GetUKnotCount()};
    const Direction v{nurb.GetVCount(), nurb.GetVOrder(), nurb.GetVType(), nurb.GetVKnotVector(), nurb.GetVKnotCount()};
    const RVector4* points = nurb.GetControlPoints();
    if (!u.IsUsable() || !v.IsUsable() || points == nullptr ||
        nurb.GetControlPointsCount() != u.count * v.count) {
        return false;
    }
    out = HostNurbsSurface();
    for (int row = 0; row < v.count + v.WrapCount(); ++row) {
        for (int column = 0; column < u.count + u.WrapCount(); ++column) {
            const RVector4& point = points[(row % v.count) * u.count + column % u.count];
            double weight = point.w;
            if (!std::isfinite(weight) || weight <= 0.0) {
                weight = 1.0;
                ++out.replacedWeights;
            }
            out.controlVertices.append(VPoint(point.x, point.y, point.z, weight));
        }
    }
    ConvertDirection(v, out.uKnots, out.uDegree, out.uForm, out.nonUniform[1]);
    ConvertDirection(u, out.vKnots, out.vDegree, out.vForm, out.nonUniform[0]);
    return true;
}
