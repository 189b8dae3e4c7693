#include "scene/RWyxScalingChecker.h"

#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxTakeNode.h"

namespace {

constexpr int kAxisCount = 3;
constexpr int kScalingChannel = 2;

// The X, Y and Z curves under the take node's "S" channel; absent ones stay null.
void FindScalingCurves(const RWyxTakeNode& takeNode, const RFCurve* curves[kAxisCount]) {
    static const char* const kAxes[kAxisCount] = {"X", "Y", "Z"};
    const RFCurveNode* scaling = takeNode.GetRootCurveNode()->FindByPath("S");
    for (int axis = 0; axis < kAxisCount; ++axis) {
        const RFCurveNode* component = scaling != nullptr ? scaling->FindByPath(kAxes[axis]) : nullptr;
        curves[axis] = component != nullptr ? component->GetCurve() : nullptr;
    }
}

// The earliest first key and the latest last key of the curves with keys; false when none has.
bool FindKeySpan(const RFCurve* const curves[kAxisCount], std::int64_t& start, std::int64_t& end) {
    bool found = false;
    for (int axis = 0; axis < kAxisCount; ++axis) {
        const RFCurve* curve = curves[axis];
        if (curve == nullptr || curve->GetKeyCount() == 0) continue;
        const std::int64_t first = curve->GetKey(0).GetTime().GetTicks();
        const std::int64_t last = curve->GetKey(curve->GetKeyCount() - 1).GetTime().GetTicks();
        if (!found || first < start) start = first;
        if (!found || last > end) end = last;
        found = true;
    }
    return found;
}

}  // namespace

RWyxScalingChecker::RWyxScalingChecker() : samplingPeriod_(RTime::kTicksPerSecond / 24) {}

void RWyxScalingChecker::Clear() {
    RWyxNodeVisitor::Clear();
    for (int take = 0; take < 2; ++take) {
        notUnit_[take].clear();
        negative_[take].clear();
        nonUniform_[take].clear();
    }
}

bool RWyxScalingChecker::Accept(RWyxNode* node) {
    if (node == nullptr) return false;
    // Only a joint's own scale has to be 1; other nodes may scale as long as it is uniform.
    const RWyxNodeAttribute* attribute = node->GetNodeAttribute();
    const bool unitCheck =
        unitCheck_ && attribute != nullptr && attribute->GetAttributeType() == RWyxNodeAttribute::kSkeleton;
    const RWyxTakeNode* defaultTake = node->GetDefaultTakeNode();
    bool reported = Report(node, CheckTakeNode(defaultTake, unitCheck), kDefaultTake);
    const RWyxTakeNode* currentTake = node->GetCurrentTakeNode();
    if (currentTake != defaultTake) {
        reported = Report(node, CheckTakeNode(currentTake, unitCheck), kCurrentTake) || reported;
    }
    return reported;
}

bool RWyxScalingChecker::Report(RWyxNode* node, Answer answer, Take take) {
    const bool hasChildren = node->GetChildCount() > 0;
    switch (answer) {
        case kNotUnit:
            if (!hasChildren) return false;
            notUnit_[take].push_back(node);
            return true;
        case kNegative:
            negative_[take].push_back(node);
            return true;
        case kNotUniform:
            if (!hasChildren) return false;
            nonUniform_[take].push_back(node);
            return true;
        case kPasses:
            break;
    }
    return false;
}

RWyxScalingChecker::Answer RWyxScalingChecker::TestValues(const double* values, int count, bool unitCheck) const {
    for (int i = 0; i < count; ++i) {
        const double value = values[i];
        if (unitCheck && (value < 1.0 - tolerance_ || value > 1.0 + tolerance_)) return kNotUnit;
        if (negativeCheck_ && value < 0.0) return kNegative;
        if (nonUniformCheck_ && (value < values[0] - tolerance_ || value > values[0] + tolerance_)) return kNotUniform;
    }
    return kPasses;
}

RWyxScalingChecker::Answer RWyxScalingChecker::CheckTakeNode(const RWyxTakeNode* takeNode, bool unitCheck) const {
    if (takeNode == nullptr) return kPasses;
    float defaults[kAxisCount];
    if (takeNode->GetWaitingTransformDefaults(kScalingChannel, defaults)) {
        // A tree still to be made has no keys: its curves' defaults are the answer, and it
        // stays unmade.
        const double values[kAxisCount] = {defaults[0], defaults[1], defaults[2]};
        return TestValues(values, kAxisCount, unitCheck);
    }
    const RFCurve* curves[kAxisCount];
    FindScalingCurves(*takeNode, curves);
    double values[kAxisCount];
    int count = 0;
    for (const RFCurve* curve : curves) {
        if (curve != nullptr) values[count++] = curve->GetDefaultValue();
    }
    const Answer byDefaults = TestValues(values, count, unitCheck);
    std::int64_t start = 0;
    std::int64_t end = 0;
    if (byDefaults != kPasses || !FindKeySpan(curves, start, end)) return byDefaults;

    // The span in unsigned ticks cannot overflow, whatever times the keys carry.
    const std::uint64_t span = static_cast<std::uint64_t>(end) - static_cast<std::uint64_t>(start);
    std::uint64_t step = static_cast<std::uint64_t>(samplingPeriod_.GetTicks());
    if (span / step >= static_cast<std::uint64_t>(kMaxSamples)) step = span / (kMaxSamples - 1) + 1;
    bool notUnit = false;
    bool notUniform = false;
    int hints[kAxisCount] = {0, 0, 0};
    for (std::uint64_t offset = 0; offset <= span; offset += step) {
        const RTime time(static_cast<std::int64_t>(static_cast<std::uint64_t>(start) + offset));
        count = 0;
        for (int axis = 0; axis < kAxisCount; ++axis) {
            if (curves[axis] != nullptr) values[count++] = curves[axis]->EvaluateAt(time, &hints[axis]);
        }
        const Answer answer = TestValues(values, count, unitCheck);
        if (answer == kNegative) return kNegative;
        notUnit = notUnit || answer == kNotUnit;
        notUniform = notUniform || answer == kNotUniform;
        if (span - offset < step) break;  // the next step would pass the end (or wrap)
    }
    return notUniform ? kNotUniform : notUnit ? kNotUnit : kPasses;
}
