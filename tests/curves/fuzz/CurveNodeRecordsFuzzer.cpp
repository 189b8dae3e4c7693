// Feeds arbitrary bytes, opened from memory as a WYX file, to the curve-node records reader:
// as take trees of new nodes, and into a tree that already has transform channels and layers,
// with a time warp registered under the ids 1 and 7.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/RDataType.h"
#include "core/RIntMap.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "curves/RTimeWarpRegistry.h"
#include "fileio/RWyxFile.h"
#include "tests/curves/fuzz/CurveFuzzSupport.h"

namespace {

struct NodeDeleter {
    void operator()(RFCurveNode* node) const { RFCurveNode::Destroy(node); }
};
using NodePtr = std::unique_ptr<RFCurveNode, NodeDeleter>;

RFCurveNode* MakeVector(const char* name, int layerType) {
    RFCurveNode* node = RFCurveNode::Create(name, RDataType::FindByName(name), layerType);
    for (const char* axis : {"X", "Y", "Z"}) {
        node->FindOrAddChild(axis, true);
    }
    return node;
}

// A take's tree as the scene makes it before reading.
NodePtr MakeSkeleton() {
    NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    root->AddChild(MakeVector("Lcl Translation", RFCurveNode::LayerAdditive));
    RFCurveNode* rotation = MakeVector("Lcl Rotation", RFCurveNode::LayerRotation);
    rotation->CreateLayer(2, true);
    root->AddChild(rotation);
    root->AddChild(MakeVector("Lcl Scaling", RFCurveNode::LayerMultiplicative));
    root->FindOrAddChild("Visibility", true);
    return root;
}

class TimeWarps {
public:
    TimeWarps() : list_(8), warp_(RFCurveNode::Create("Warp", RDataType::FindByName("TimeWarp"))) {
        warp_->FindOrAddChild("Time", true);
        warp_->AddReference();
        AddTimeWarpToList(list_, 1, warp_);
        AddTimeWarpToList(list_, 7, warp_);
        SetTimeWarpList(&list_);
    }
    ~TimeWarps() {
        SetTimeWarpList(nullptr);
        RFCurveNode::Release(warp_);
    }
    TimeWarps(const TimeWarps&) = delete;
    TimeWarps& operator=(const TimeWarps&) = delete;

private:
    RIntMap list_;
    RFCurveNode* warp_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TimeWarps warps;
    RWyxFile file;
    if (!file.OpenFromMemory(data, size)) {
        return 0;
    }
    while (RFCurveNode* top = RFCurveNodeRecords::ReadTopChannel(file, false, true)) {
        const NodePtr owned(top);
        curve_fuzz::CheckTree(*top);
        curve_fuzz::EvaluateTree(*top);
    }
    (void)file.Close();

    if (!file.OpenFromMemory(data, size)) {
        curve_fuzz::Finding("bytes that opened once did not open again");
    }
    const NodePtr skeleton = MakeSkeleton();
    while (RFCurveNodeRecords::ReadChannel(file, skeleton.get(), false, true, true) != nullptr) {
    }
    curve_fuzz::CheckTree(*skeleton);
    curve_fuzz::EvaluateTree(*skeleton);
    (void)file.Close();
    return 0;
}
