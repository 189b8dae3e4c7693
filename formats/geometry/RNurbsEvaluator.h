#ifndef WYX_FORMATS_GEOMETRY_RNURBSEVALUATOR_H
#define WYX_FORMATS_GEOMETRY_RNURBSEVALUATOR_H

// Samples a rational B-spline surface (orders 1 to 4, knot vectors, weighted control points)
// through the interface and driving order of RPatchEvaluator: per non-empty knot span, step
// samples (and for an open direction one more at the end of the last span, just inside it).
//
// Per direction with N control points and order k, the knot vector must hold N + k knots
// (open) or N + 2k - 1 (closed or periodic, whose basis window wraps to the first control
// points); the spans are the knot intervals k - 1 to (that count) - k - 1, and a span is
// non-empty when its length is above 1e-8, one rule for counting and for sampling. Basis
// values and derivatives come from the Cox-de Boor recursion, where a term whose denominator
// is not above 1e-8 is 0.
//
// Refused (Evaluate false, point count 0, reason on GetError()): an order below 1 or above
// 4, fewer control points than the order, a knot vector shorter than the count above or
// without a non-empty span, a step below 1, fewer weights than control points. A grid point
// whose weighted basis sum is zero (files can hold zero weights) is taken unweighted instead
// of dividing by zero.

#include "formats/geometry/RPatchEvaluator.h"

#include <memory>

class RNurbsEvaluator : public RPatchEvaluator {
public:
    // Kinds of SetNurbsData.
    static constexpr int kWeights = 0;
    static constexpr int kUKnots = 1;
    static constexpr int kVKnots = 2;

    // Spans no longer than this are empty.
    static constexpr double kEmptySpan = 1e-8;

    // Orders are checked when sampling.
    static std::unique_ptr<RNurbsEvaluator> Create(int uOrder, int vOrder);

    // Weights (one per control point) and knot vectors; the arrays stay the caller's and must
    // live until the last Evaluate. Other kinds are accepted and change nothing. False for a
    // negative count.
    bool SetNurbsData(int kind, const double* data, int count) override;

    int GetUOrder() const { return DirectionAt(kU).window; }
    int GetVOrder() const { return DirectionAt(kV).window; }

    // The values and derivatives of the `order` basis functions that are not zero on span
    // `span` of the knots (functions span - order + 1 to span) at t. The knots must reach
    // index span + order.
    static void ComputeBasisFunctions(const double* knots, int span, int order, double t, double* values,
                                      double* derivatives);

protected:
    int ComputeBasis(Axis axis) override;
    bool IsRational() const override { return true; }
    double WeightOf(int point) const override { return weights_[point]; }
    int CheckSurfaceData() const override;

private:
    RNurbsEvaluator(int uOrder, int vOrder);

    const double* weights_ = nullptr;
    int weightCount_ = 0;
    const double* knots_[2] = {nullptr, nullptr};
    int knotCounts_[2] = {0, 0};
};

#endif
