#ifndef WYX_TESTS_CURVES_CURVENODETESTSUPPORT_H
#define WYX_TESTS_CURVES_CURVENODETESTSUPPORT_H

// Builders shared by the curve-node tests.

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/RDataType.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "tests/curves/CurveTestSupport.h"

namespace curve_node_test {

struct NodeDeleter {
    void operator()(RFCurveNode* node) const { RFCurveNode::Destroy(node); }
};
using NodePtr = std::unique_ptr<RFCurveNode, NodeDeleter>;

inline const RDataType* Type(const char* name) { return RDataType::FindByName(name); }

// A leaf channel with a curve holding a default value.
inline RFCurveNode* MakeLeaf(const char* name, float defaultValue) {
    RFCurveNode* leaf = RFCurveNode::Create(name, nullptr);
    RFCurve* curve = RFCurve::Create();
    curve->SetDefaultValue(defaultValue);
    leaf->SetCurve(curve);
    return leaf;
}

// A node with children "X", "Y", "Z" (and "W" when four defaults are given).
inline RFCurveNode* MakeVectorNode(const char* name, const RDataType* type,
                                   std::initializer_list<float> defaults, int layerType = 0) {
    static const char* const kNames[] = {"X", "Y", "Z", "W"};
    RFCurveNode* node = RFCurveNode::Create(name, type);
    int i = 0;
    for (float value : defaults) {
        node->AddChild(MakeLeaf(kNames[i++], value));
    }
    node->SetLayerType(layerType);
    return node;
}

inline RFCurve& ChannelCurve(const RFCurveNode& node, int index) {
    return *node.GetChild(index)->GetCurve();
}

// Records, in order, the names of nodes announcing their destruction.
struct DestructionLog {
    std::vector<std::string> names;

    static void Listen(RFCurveNode& node, const RFCurveNode::ChangeRecord& record, void* userData) {
        if ((record.kinds & RFCurveNode::ChangeDestroyed) != 0) {
            static_cast<DestructionLog*>(userData)->names.push_back(node.GetName());
        }
    }
    void Watch(RFCurveNode& node) { node.AddListener(&Listen, this); }
};

}  // namespace curve_node_test

#endif
