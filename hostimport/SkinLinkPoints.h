#ifndef WYX_HOSTIMPORT_SKINLINKPOINTS_H
#define WYX_HOSTIMPORT_SKINLINKPOINTS_H

// The control points of skin links as the host's deformers take them.
//
// A link's indices come from the file: every index is checked against the geometry's control
// points before it names a host component, and an index given twice counts once (its first
// weight). Points are grouped into runs of consecutive indices, so that one host component
// text ("shape.vtx[3:9]") covers many.
//
// On a NURBS surface the host's first CV index is the SDK's V and its second the SDK's U
// (HostNurbsSurface.h); a direction that wraps has its first order - 1 CVs once more on the
// host surface, and where the surface was made open because of uneven knots (the node's
// non-uniform flag), those repeated CVs carry the weights of the CVs they repeat.

#include <string>
#include <utility>
#include <vector>

class RMatrix;
class RWyxNurb;
class RWyxSkinLink;
class VPlug;
class VexaNode;

// The matrix into a deformer's matrix plug (a bind matrix); a missing plug or a refusal is
// printed with the failure text.
void SetMatrixPlug(VPlug plug, const RMatrix& matrix, const char* failure);

// Sorts the link's pairs by control point; pairs of one point keep their order.
void SortSkinLinkByIndex(RWyxSkinLink& link);

// One weight per influenced point: the link's checked, sorted pairs, each point once.
struct LinkWeights {
    std::vector<int> points;
    std::vector<double> weights;
};
// The link must be sorted.
LinkWeights CheckedLinkWeights(const RWyxSkinLink& link, int pointCount);

// The points any of the (sorted) links influences, ascending, each once.
std::vector<int> InfluencedPoints(const std::vector<RWyxSkinLink*>& links, int pointCount);

// Runs of consecutive points of an ascending list: first and last point of each.
std::vector<std::pair<int, int>> PointRuns(const std::vector<int>& points);
// "[a]" or "[a:b]".
std::string RunText(const std::pair<int, int>& run);

// Where an SDK control point of a NURBS surface lies on the host surface.
class HostCvLayout {
public:
    // False, the layout unusable, when the surface's counts do not fit its points.
    bool Read(const RWyxNurb& nurb, const VexaNode& node);
    // The host CVs (first, second index) that stand for the SDK point: its own and the repeats
    // that carry its weight.
    void CvsOf(int point, std::vector<std::pair<int, int>>& cvs) const;
    int PointCount() const { return uCount_ * vCount_; }
    // The host surface's CV counts, repeated CVs included.
    int HostFirstCount() const { return vCount_ + vWrap_; }
    int HostSecondCount() const { return uCount_ + uWrap_; }

private:
    int uCount_ = 0;
    int vCount_ = 0;
    int uWrap_ = 0;
    int vWrap_ = 0;
    bool uRepeats_ = false;
    bool vRepeats_ = false;
};

#endif
