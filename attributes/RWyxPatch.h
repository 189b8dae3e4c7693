#ifndef WYX_ATTRIBUTES_RWYXPATCH_H
#define WYX_ATTRIBUTES_RWYXPATCH_H

// The patch-surface geometry of a node: per direction a basis type (Bezier, quadric Bezier,
// Cardinal, B-spline, linear), a control-point count, a display step, a closed flag and two
// cap flags; a display mode for the surface. The control points are U count x V count, U
// running fastest.
//
// Made by the object factory and destroyed through it.

#include "attributes/RWyxGeometry.h"

class RWyxObjectFactory;

class RWyxPatch : public RWyxGeometry {
public:
    // Basis types.
    static constexpr int kBezier = 0;
    static constexpr int kBezierQuadric = 1;
    static constexpr int kCardinal = 2;
    static constexpr int kBSpline = 3;
    static constexpr int kLinear = 4;

    // The cap flags in their stored order: U's two, then V's two.
    enum Cap { kUCapBottom, kUCapTop, kVCapBottom, kVCapTop, kCapCount };

    explicit RWyxPatch(RWyxObjectFactory* factory);
    ~RWyxPatch() override;

    int GetAttributeType() const override { return kPatch; }
    RString GetTypeName() const override { return RString("Patch"); }

    // Every field and the geometry part (control points, layers, pivot, copies of the skin
    // links and shapes). False, nothing changed, when the links or shapes cannot be copied.
    bool Assign(const RWyxPatch& other);

    // Sizes the control points to U count x V count (zero-filled) and records the counts and
    // types (kept as given; the writers name only 0 to 4). False, nothing changed, for a
    // negative count or a product beyond the int range or memory.
    bool InitControlPoints(int uCount, int uType, int vCount, int vType);
    int GetUCount() const { return uCount_; }
    int GetVCount() const { return vCount_; }
    int GetUType() const { return uType_; }
    int GetVType() const { return vType_; }

    void SetStep(int uStep, int vStep);
    int GetUStep() const { return uStep_; }
    int GetVStep() const { return vStep_; }
    int GetDisplayMode() const { return displayMode_; }
    void SetDisplayMode(int mode) { displayMode_ = mode; }

    void SetClosed(bool uClosed, bool vClosed);
    bool GetUClosed() const { return uClosed_; }
    bool GetVClosed() const { return vClosed_; }

    // False for an index outside the four caps (the setter then changes nothing).
    bool GetCapped(int cap) const;
    bool SetCapped(int cap, bool capped);

private:
    int uType_ = kBezier;
    int vType_ = kBezier;
    int uCount_ = 0;
    int vCount_ = 0;
    int uStep_ = 4;
    int vStep_ = 4;
    int displayMode_ = 0;
    bool uClosed_ = false;
    bool vClosed_ = false;
    bool capped_[kCapCount] = {false, false, false, false};
};

#endif
