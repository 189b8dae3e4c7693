#ifndef WYX_ATTRIBUTES_RWYXNURB_H
#define WYX_ATTRIBUTES_RWYXNURB_H

// The NURBS-surface geometry of a node: U and V orders, control-point counts and types
// (periodic, closed, open), display steps and mode, knot vectors and multiplicities, and two
// flags that ask the writers for a copy with U and V swapped and the skin links renumbered.
// The control points are U count x V count, U running fastest; their w is the weight.
//
// A direction's knot vector holds count + order knots, plus order - 1 more for a periodic or
// closed direction (KnotCount). InitControlPoints and SetOrder keep the vectors at that
// length (new knots 0), and GetUKnotCount (GetVKnotCount) answers the length itself, so a
// reader of the knots never runs past them.
//
// Made by the object factory and destroyed through it.

#include "attributes/RWyxGeometry.h"

#include <vector>

class RWyxObjectFactory;

class RWyxNurb : public RWyxGeometry {
public:
    // Direction types.
    static constexpr int kPeriodic = 0;
    static constexpr int kClosed = 1;
    static constexpr int kOpen = 2;

    explicit RWyxNurb(RWyxObjectFactory* factory);
    ~RWyxNurb() override;

    int GetAttributeType() const override { return kNurb; }
    RString GetTypeName() const override { return RString("Nurb"); }

    // Every field, the knots, multiplicities, both flags and the geometry part (control points,
    // layers, pivot, copies of the skin links and shapes). False, nothing changed, when the
    // links or shapes cannot be copied.
    bool Assign(const RWyxNurb& other);

    // Orders of 1 or more; false, nothing changed, otherwise. The knot vectors follow.
    bool SetOrder(int uOrder, int vOrder);
    int GetUOrder() const { return uOrder_; }
    int GetVOrder() const { return vOrder_; }

    // Sizes the control points to U count x V count (zero-filled), the knot vectors to their
    // knot counts (zero) and the multiplicities to one per control point of the direction (1).
    // False, nothing changed, for a negative count, a count of 0 in one direction with points
    // in the other, or a product beyond the int range or memory.
    bool InitControlPoints(int uCount, int uType, int vCount, int vType);
    int GetUCount() const { return uCount_; }
    int GetVCount() const { return vCount_; }
    // Types are kept as given; a type other than periodic or closed counts as open.
    int GetUType() const { return uType_; }
    int GetVType() const { return vType_; }

    void SetStep(int uStep, int vStep);
    int GetUStep() const { return uStep_; }
    int GetVStep() const { return vStep_; }
    int GetDisplayMode() const { return displayMode_; }
    void SetDisplayMode(int mode) { displayMode_ = mode; }

    // The lengths of the knot vectors, which InitControlPoints and SetOrder keep at KnotCount.
    int GetUKnotCount() const { return static_cast<int>(uKnots_.size()); }
    int GetVKnotCount() const { return static_cast<int>(vKnots_.size()); }
    // Null when empty; callers write the values in place.
    double* GetUKnotVector() { return uKnots_.empty() ? nullptr : uKnots_.data(); }
    double* GetVKnotVector() { return vKnots_.empty() ? nullptr : vKnots_.data(); }
    const double* GetUKnotVector() const { return uKnots_.empty() ? nullptr : uKnots_.data(); }
    const double* GetVKnotVector() const { return vKnots_.empty() ? nullptr : vKnots_.data(); }
    int* GetUMultiplicity() { return uMultiplicity_.empty() ? nullptr : uMultiplicity_.data(); }
    int* GetVMultiplicity() { return vMultiplicity_.empty() ? nullptr : vMultiplicity_.data(); }
    const int* GetUMultiplicity() const { return uMultiplicity_.empty() ? nullptr : uMultiplicity_.data(); }
    const int* GetVMultiplicity() const { return vMultiplicity_.empty() ? nullptr : vMultiplicity_.data(); }

    bool GetSwapUVFlag() const { return swapUV_; }
    void SetSwapUVFlag(bool swap) { swapUV_ = swap; }
    bool GetSwapLinksFlag() const { return swapLinks_; }
    void SetSwapLinksFlag(bool swap) { swapLinks_ = swap; }

    // count + order, plus order - 1 for a periodic or closed type.
    static int KnotCount(int count, int order, int type);

private:
    // Resizes both knot vectors to their counts, keeping the knots they hold.
    bool FitKnots();

    int uOrder_ = 4;
    int vOrder_ = 4;
    int uCount_ = 0;
    int vCount_ = 0;
    int uType_ = kOpen;
    int vType_ = kOpen;
    int uStep_ = 4;
    int vStep_ = 4;
    int displayMode_ = 0;
    std::vector<double> uKnots_;
    std::vector<double> vKnots_;
    std::vector<int> uMultiplicity_;
    std::vector<int> vMultiplicity_;
    bool swapUV_ = false;
    bool swapLinks_ = false;
};

#endif
