#include "formats/geometry/RNurbsEvaluator.h"

#include <cstddef>
#include <new>

namespace {

constexpr int kMaxOrder = 4;
// Keeps the last sample of a span just inside it (a span holds its start, not its end).
constexpr double kStepNudge = 1e-8;

}  // namespace

RNurbsEvaluator::RNurbsEvaluator(int uOrder, int vOrder) {
    DirectionAt(kU).window = uOrder;
    DirectionAt(kV).window = vOrder;
}

std::unique_ptr<RNurbsEvaluator> RNurbsEvaluator::Create(int uOrder, int vOrder) {
    return std::unique_ptr<RNurbsEvaluator>(new (std::nothrow) RNurbsEvaluator(uOrder, vOrder));
}

bool RNurbsEvaluator::SetNurbsData(int kind, const double* data, int count) {
    if (count < 0) return false;
    switch (kind) {
        case kWeights:
            weights_ = data;
            weightCount_ = count;
            MarkAllStale();
            break;
        case kUKnots:
        case kVKnots: {
            const Axis axis = kind == kUKnots ? kU : kV;
            knots_[axis] = data;
            knotCounts_[axis] = count;
            MarkStale(axis);
            break;
        }
        default:
            break;
    }
    return true;
}

int RNurbsEvaluator::CheckSurfaceData() const {
    const long long points = static_cast<long long>(DirectionAt(kU).count) * DirectionAt(kV).count;
    return weights_ == nullptr || weightCount_ < points ? kErrorMissingInput : -1;
}

void RNurbsEvaluator::ComputeBasisFunctions(const double* knots, int span, int order, double t, double* values,
                                            double* derivatives) {
    // Level q holds the functions span - q + 1 .. span of order q.
    double value[kMaxOrder] = {1.0, 0.0, 0.0, 0.0};
    double derivative[kMaxOrder] = {0.0, 0.0, 0.0, 0.0};
    for (int q = 2; q <= order; ++q) {
        double nextValue[kMaxOrder] = {0.0, 0.0, 0.0, 0.0};
        double nextDerivative[kMaxOrder] = {0.0, 0.0, 0.0, 0.0};
        for (int r = 0; r < q; ++r) {
            const int f = span - q + 1 + r;
            // N(f, q - 1) sits at r - 1 of the level below, N(f + 1, q - 1) at r.
            const double left = r > 0 ? value[r - 1] : 0.0;
            const double leftDerivative = r > 0 ? derivative[r - 1] : 0.0;
            const double right = r < q - 1 ? value[r] : 0.0;
            const double rightDerivative = r < q - 1 ? derivative[r] : 0.0;
            const double rising = knots[f + q - 1] - knots[f];
            const double falling = knots[f + q] - knots[f + 1];
            if (rising > kEmptySpan) {
                nextValue[r] += left * (t - knots[f]) / rising;
                nextDerivative[r] += (leftDerivative * (t - knots[f]) + left) / rising;
            }
            if (falling > kEmptySpan) {
                nextValue[r] += right * (knots[f + q] - t) / falling;
                nextDerivative[r] += (rightDerivative * (knots[f + q] - t) - right) / falling;
            }
        }
        for (int r = 0; r < kMaxOrder; ++r) {
            value[r] = nextValue[r];
            derivative[r] = nextDerivative[r];
        }
    }
    for (int r = 0; r < order; ++r) {
        values[r] = value[r];
        derivatives[r] = derivative[r];
    }
}

int RNurbsEvaluator::ComputeBasis(Axis axis) {
    Direction& d = DirectionAt(axis);
    const int order = d.window;
    if (order < 1 || order > kMaxOrder) return kErrorBadOrder;
    if (d.count < order) return kErrorTooFewControlPoints;
    const long long needed = static_cast<long long>(d.count) + order + (d.closed ? order - 1 : 0);
    const double* knots = knots_[axis];
    if (knots == nullptr || knotCounts_[axis] < needed) return kErrorShortKnotVector;

    std::vector<int> spans;
    for (long long i = order - 1; i <= needed - order - 1; ++i) {
        if (knots[i + 1] - knots[i] > kEmptySpan) spans.push_back(static_cast<int>(i));
    }
    if (spans.empty()) return kErrorNoSpan;
    const int check = CheckSampleCount(d, static_cast<long long>(spans.size()) * d.step + (d.closed ? 0 : 1));
    if (check >= 0) return check;

    d.samples.clear();
    for (std::size_t s = 0; s < spans.size(); ++s) {
        const int span = spans[s];
        const double start = knots[span];
        const double length = knots[span + 1] - start;
        const bool lastOpen = !d.closed && s + 1 == spans.size();
        for (int m = 0; m < d.step + (lastOpen ? 1 : 0); ++m) {
            Sample sample{};
            sample.width = order;
            const double t = start + m * length / (d.step + kStepNudge);
            ComputeBasisFunctions(knots, span, order, t, sample.value, sample.derivative);
            for (int j = 0; j < order; ++j) sample.control[j] = (span - order + 1 + j) % d.count;
            d.samples.push_back(sample);
        }
    }
    d.end = d.samples.back();
    if (!d.closed) {
        // The true end of the last span, with that span's functions: where its far edge lies.
        const int last = spans.back();
        ComputeBasisFunctions(knots, last, order, knots[last + 1], d.end.value, d.end.derivative);
    }
    return -1;
}
