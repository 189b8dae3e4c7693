#ifndef WYX_TESTS_ATTRIBUTES_MATERIALTESTSUPPORT_H
#define WYX_TESTS_ATTRIBUTES_MATERIALTESTSUPPORT_H

// Shared by the material and texture tests: the curve of a channel component in a take node,
// found by path so that the take-node accessors are not the only way the tests look.

#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>
#include <limits>

namespace material_test {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The curve of "channel" (and "component" below it, when given) under the take node's root;
// null when the path or the curve is missing.
inline RFCurve* ChannelCurve(RWyxTakeNode* takeNode, const char* channel, const char* component = nullptr) {
    if (takeNode == nullptr) return nullptr;
    RFCurveNode* root = takeNode->GetRootCurveNode();
    RFCurveNode* node = root->GetChild(root->GetChildIndexByName(channel));
    if (node != nullptr && component != nullptr) node = node->GetChild(node->GetChildIndexByName(component));
    return node != nullptr ? node->GetCurve() : nullptr;
}

// The default of that curve; NaN when it is missing, so that a comparison fails.
inline double ChannelDefault(RWyxTakeNode* takeNode, const char* channel, const char* component = nullptr) {
    const RFCurve* curve = ChannelCurve(takeNode, channel, component);
    return curve != nullptr ? static_cast<double>(curve->GetDefaultValue()) : kNaN;
}

}  // namespace material_test

#endif
