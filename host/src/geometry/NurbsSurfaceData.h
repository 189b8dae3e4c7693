#ifndef VEXA_HOST_NURBSSURFACEDATA_H
#define VEXA_HOST_NURBSSURFACEDATA_H

// The geometry of a NURBS surface as plugs hold it, shared as std::shared_ptr<const ...> like
// mesh data (an edit works on a copy).
//
// Two directions, U and V, each with a degree (1 to kMaxDegree), a form (1 open, 2 closed,
// 3 periodic), a CV count and a knot vector of CV count + degree - 1 values that never
// decrease. A direction needs at least degree + 1 CVs. CV (u, v) is cvs()[u * cvCount(V) + v];
// its w is the weight (1 on a non-rational surface).
//
// Forms: a closed direction's last CV row (column) repeats its first; a periodic direction's
// last `degree` rows repeat its first `degree` (the counts include those wrap CVs). Repeats
// are compared within 1e-6 of the coordinates' size.
//
// Surface nodes (type "nurbsSurface"): the node's own geometry is the stored value of its data
// plug "create"; "local" and "worldSpace[i]" give what reaches "create" (the stored value, or
// a connection into it). "curvePrecision" and "curvePrecisionShaded" are short display steps.

#include "host/src/scene/Node.h"
#include "host/src/scene/PlugValue.h"

#include <vexa/VPoint.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <memory>
#include <string>
#include <vector>

namespace vexa_host {

class VEXA_API NurbsSurfaceData : public DataValue {
public:
    static const char* const kTypeName;  // "nurbsSurface"
    static constexpr int kMaxDegree = 7;
    enum Form { kOpen = 1, kClosed = 2, kPeriodic = 3 };
    enum Direction { kU = 0, kV = 1 };

    std::string typeName() const override { return kTypeName; }
    void describe(std::ostream& out) const override;

    // kInvalidParameter (the data left as it was) with a text saying what does not fit.
    VStatus build(std::vector<VPoint> cvs, std::vector<double> knotsU, std::vector<double> knotsV, int degreeU,
                  int degreeV, int formU, int formV, bool rational);

    int degree(Direction direction) const { return directions_[direction].degree; }
    int form(Direction direction) const { return directions_[direction].form; }
    int cvCount(Direction direction) const { return directions_[direction].cvCount; }
    const std::vector<double>& knots(Direction direction) const { return directions_[direction].knots; }
    int spanCount(Direction direction) const { return cvCount(direction) - degree(direction); }
    bool rational() const { return rational_; }
    const std::vector<VPoint>& cvs() const { return cvs_; }
    bool hasCV(int u, int v) const { return u >= 0 && u < cvCount(kU) && v >= 0 && v < cvCount(kV); }
    const VPoint& cv(int u, int v) const { return cvs_[static_cast<size_t>(u * cvCount(kV) + v)]; }
    // kInvalidParameter for a CV outside the surface, or a weight other than 1 on a
    // non-rational surface.
    VStatus setCV(int u, int v, const VPoint& point);

private:
    struct DirectionData {
        int degree = 0;
        int form = kOpen;
        int cvCount = 0;
        std::vector<double> knots;
    };
    DirectionData directions_[2];
    std::vector<VPoint> cvs_;
    bool rational_ = false;
};

using NurbsSurfaceDataPtr = std::shared_ptr<const NurbsSurfaceData>;

// The geometry a surface node shows ("local"); null for another node or an empty plug.
VEXA_API NurbsSurfaceDataPtr nurbsSurfaceOf(const Node& node);
// Stores the node's own geometry ("create"); kFailure when a connection drives "create".
VEXA_API VStatus setOwnNurbsSurface(Node& node, NurbsSurfaceDataPtr data);

}  // namespace vexa_host

#endif
