#ifndef WYX_CURVES_LAYERPLOTTING_H
#define WYX_CURVES_LAYERPLOTTING_H

// Plotting of layered curve nodes: the values that the animation layers of a channel give
// together are sampled at a fixed period and written as plain keys into one layer, and the
// rotation filter that the process-wide settings choose.
//
// The value of a node at a time is a vector of doubles laid out as RFCurveNode::EvaluateRaw
// writes it: one per curve of the subtree in pre-order (one per child for a channel node,
// one for a leaf). Layers combine by the node's layer type exactly as the layered evaluation
// combines them (curves/LayerCombination.h): 0 and 1 add, 2 compose Euler rotations in the
// node's rotation order (the layer's rotation acting first), 3 multiply, 4 multiply (x, y, z,
// w) quaternions, a zero quaternion counting as the identity.

#include <vector>

#include "core/RTime.h"

class RFCurveNode;

struct RLayerPlotOptions {
    // The layers combined, in chain order; empty: every layer of the chain.
    std::vector<int> layerIDs;
    // The layer that receives the plotted keys; inserted into the chain when absent.
    int targetLayerID = 0;
    // Off: the target's curves are replaced by the plotted ones, whose default values are
    // the combined default values, and the other merged layers leave the chain. On: only
    // the target's keys over the span are replaced, and the other merged layers are set to
    // their identity values over the span.
    bool mergeIntoSpan = false;
    // Also sample at every key time of the merged layers inside the span.
    bool sampleLayerKeyTimes = false;
};

// With rotation-filter mode 1 a gimbal killer, with mode 2 an unroll filter (their defaults,
// the span given) on the node, recursive; other modes do nothing.
void ApplyRotationFilterByMode(RFCurveNode& node, RTime start, RTime stop);

// Combines one layer's values into the accumulated values by the node's layer type, over
// the node's raw value count. out may be accumulated.
void CombineLayerValues(const RFCurveNode& node, double* out, const double* accumulated,
                        const double* layerValues);

// The first and last key time over the node and every layer of its chain, widened to the
// times its time warp reaches at the warp's own first and last keys. False, both
// untouched, when nothing is keyed.
bool GetLayeredAnimationSpan(const RFCurveNode& node, RTime& start, RTime& stop);

// Plots a node that carries layers as the file readers do: every layer into layer 0, over
// the layered animation span at the plotting period; the merged layers leave the chain. A
// node without keys keeps the combined default values. False, nothing changed, for a node
// without layers or when layer 0 cannot be made.
bool PlotNodeAnimation(RFCurveNode& node);
// Plots from start in steps of the period up to stop (stop included). False, nothing
// changed, for a period that is not positive, a stop before the start, too many samples,
// no layer to merge or a target layer that cannot be made.
bool PlotNodeAnimation(RFCurveNode& node, RTime start, RTime stop, RTime period,
                       const RLayerPlotOptions& options = RLayerPlotOptions());

#endif
