#ifndef WYX_CURVES_RFCURVEFILTERUNROLL_H
#define WYX_CURVES_RFCURVEFILTERUNROLL_H

// Makes the Euler curves of a rotation node continuous from key to key: at every key it picks,
// of the two Euler triples that give the same orientation, the one nearest the previous key
// (each angle moved by whole turns), and keeps the outer angles steady through gimbal lock.
//
// The work is done on a copy of the node. The copy of a node of three plain channels (a
// take's rotation channels, or three loose curves) is kept for the filter's next node of that
// shape, whose keys it takes over in the storage it has: a filter run over many nodes
// allocates its working keys once instead of once per node.

#include "curves/RFCurveFilter.h"
#include "curves/RFCurveFilterSupport.h"

class RFCurveFilterUnroll : public RFCurveFilter {
public:
    RFCurveFilterUnroll();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    // Refused: error 2.
    bool Apply(RFCurve& curve) override;
    // Exactly three curves X, Y, Z (Euler XYZ), else error 2.
    bool Apply(RFCurve* const* curves, int count) override;
    // A rotation node with three children; the recursive flag is not used.
    bool Apply(RFCurveNode& node, bool recursive) override;
    // Precision and path flag from the process-wide animation settings; the whole span.
    void Reset() override;

    // With the path flag on, a key whose rotation is small against its Euler step (the ratio
    // below the precision) lets the next key be passed over.
    void SetPath(bool on) { path_ = on; }
    bool GetPath() const { return path_; }
    void SetPrecision(double precision) { precision_ = precision; }
    double GetPrecision() const { return precision_; }

private:
    // The copy of the node to work on: the kept copy refreshed, or a new duplicate.
    RFCurveNode& WorkingCopy(const RFCurveNode& node);

    double precision_ = 0.25;
    bool path_ = false;
    TemporaryNodeCopy work_;
};

#endif
