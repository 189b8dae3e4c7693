#ifndef WYX_CURVES_RFCURVEFILTERSUPPORT_H
#define WYX_CURVES_RFCURVEFILTERSUPPORT_H

// What the key filters share: owning pointers for working copies of curves and nodes, and,
// for the rotation filters, a temporary rotation node around three loose curves and the
// takeover of a span of reworked rotation keys.

#include <memory>

#include "core/RTime.h"

class RFCurve;
class RFCurveNode;

struct RFCurveDeleter {
    void operator()(RFCurve* curve) const;
};
// A curve made by Create or Clone, destroyed with it.
using TemporaryCurve = std::unique_ptr<RFCurve, RFCurveDeleter>;

struct RFCurveNodeDeleter {
    void operator()(RFCurveNode* node) const;
};
// A node made by Create, Clone or Duplicate, destroyed with it.
using TemporaryNodeCopy = std::unique_ptr<RFCurveNode, RFCurveNodeDeleter>;

// A rotation node "R" whose children "X", "Y", "Z" carry the caller's curves for the node's
// lifetime and hand them back, undeleted, when it ends.
class TemporaryRotationNode {
public:
    explicit TemporaryRotationNode(RFCurve* const* curves);
    ~TemporaryRotationNode();
    TemporaryRotationNode(const TemporaryRotationNode&) = delete;
    TemporaryRotationNode& operator=(const TemporaryRotationNode&) = delete;

    // False when a curve was null or a child could not be added.
    bool IsComplete() const { return complete_; }
    RFCurveNode& Get() { return *node_; }

private:
    TemporaryNodeCopy node_;
    bool complete_ = true;
};

// Replaces the keys of the rotation node's three channels over the span by the source's (a
// node of the same shape) with the node's own span replacement, shrunk to the source keys
// inside the span: the copy joins the keys before the span and the keys after it join the
// copy by whole turns and flips, which keeps every key's orientation. True when every channel
// was replaced.
bool TakeOverRotationSpan(RFCurveNode& node, const RFCurveNode& source, RTime start, RTime stop);

#endif
