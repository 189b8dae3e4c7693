#ifndef WYX_TESTS_CURVES_FUZZ_CURVEFUZZSUPPORT_H
#define WYX_TESTS_CURVES_FUZZ_CURVEFUZZSUPPORT_H

// Shared by the curve record fuzzers: the checks every curve read from any input must pass.
// A failed check aborts, which libFuzzer reports as a finding with its input.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/RTime.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"

namespace curve_fuzz {

[[noreturn]] inline void Finding(const char* what) {
    std::fprintf(stderr, "curve fuzz finding: %s\n", what);
    std::abort();
}

// Keys in strictly increasing time with finite values; evaluation everywhere finite or at
// least callable.
inline void CheckCurve(const RFCurve& curve) {
    const int count = curve.GetKeyCount();
    if (count < 0 || count > curve.GetKeyCapacity()) {
        Finding("key count outside the storage");
    }
    for (int k = 0; k < count; ++k) {
        if (!std::isfinite(curve.GetKey(k).GetValue())) {
            Finding("a key value that is not finite");
        }
        if (k > 0 && !(curve.GetKey(k - 1).GetTime() < curve.GetKey(k).GetTime())) {
            Finding("key times out of order");
        }
    }
    const double seconds[] = {-3.0, -0.1, 0.0, 0.05, 0.4, 1.0, 2.5, 1e6};
    int hint = 0;
    for (const double s : seconds) {
        RTime time;
        time.FromSeconds(s);
        (void)curve.EvaluateAt(time, &hint);
        (void)curve.GetLeftDerivativeAt(time);
    }
    if (count > 0) {
        (void)curve.EvaluateAt(curve.GetKey(count - 1).GetTime());
    }
}

// Every curve of a tree (layers included) checked, the tree evaluated as the scene does.
inline void CheckTree(RFCurveNode& node, int depth = 0) {
    if (depth > 100000) {
        Finding("a tree deeper than its records");
    }
    if (node.GetCurve() != nullptr) {
        CheckCurve(*node.GetCurve());
    }
    for (int i = 0; i < node.GetChildCount(); ++i) {
        RFCurveNode* child = node.GetChild(i);
        if (child == nullptr || child->GetParent() != &node) {
            Finding("a child that does not know its parent");
        }
        CheckTree(*child, depth + 1);
    }
    if (RFCurveNode* layer = node.GetNextLayer()) {
        if (layer->GetLayerID() <= node.GetLayerID()) {
            Finding("a layer chain that does not rise");
        }
        CheckTree(*layer, depth + 1);
    }
}

inline void EvaluateTree(RFCurveNode& node) {
    std::vector<double> values(static_cast<std::size_t>(node.GetValueCount()) + 1);
    std::vector<double> raw(static_cast<std::size_t>(node.GetRawValueCount()) + 1);
    for (int step = 0; step < 3; ++step) {
        RTime time;
        time.FromSeconds(step * 0.7 - 0.2);
        int hint = 0;
        node.Evaluate(values.data(), time, &hint, step != 1);
        node.EvaluateRaw(raw.data(), time);
    }
}

}  // namespace curve_fuzz

#endif
