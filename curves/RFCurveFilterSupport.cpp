#include "curves/RFCurveFilterSupport.h"

#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"

void RFCurveDeleter::operator()(RFCurve* curve) const {
    RFCurve::Destroy(curve);
}

void RFCurveNodeDeleter::operator()(RFCurveNode* node) const {
    RFCurveNode::Destroy(node);
}

TemporaryRotationNode::TemporaryRotationNode(RFCurve* const* curves)
    : node_(RFCurveNode::Create("R", nullptr, RFCurveNode::LayerRotation)) {
    static const char* const kNames[] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        if (curves[i] == nullptr) {
            complete_ = false;
            return;
        }
        RFCurveNode* child = RFCurveNode::Create(kNames[i], nullptr);
        if (node_->AddChild(child) < 0) {
            RFCurveNode::Destroy(child);
            complete_ = false;
            return;
        }
        child->SetCurve(curves[i], false);
    }
}

TemporaryRotationNode::~TemporaryRotationNode() {
    for (int i = 0; i < node_->GetChildCount(); ++i) {
        node_->GetChild(i)->SetCurve(nullptr, false);
    }
}

bool TakeOverRotationSpan(RFCurveNode& node, const RFCurveNode& source, RTime start, RTime stop) {
    return node.ReplaceSpan(source, start, stop, false, false);
}
