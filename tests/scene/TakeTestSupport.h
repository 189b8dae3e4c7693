#ifndef WYX_TESTS_SCENE_TAKETESTSUPPORT_H
#define WYX_TESTS_SCENE_TAKETESTSUPPORT_H

// Builders shared by the take-node and take-node-container tests.

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <string>

#include "core/RDataType.h"
#include "core/RTime.h"
#include "curves/RCurveChangeRecord.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"

namespace take_test {

inline RTime Seconds(double seconds) {
    return RTime(std::llround(seconds * static_cast<double>(RTime::kTicksPerSecond)));
}

inline void AddKey(RFCurve& curve, double seconds, float value, uint32_t interpolation = RCurveKey::Cubic) {
    curve.AddKey(Seconds(seconds), RCurveKey::Plain(Seconds(seconds), value, interpolation));
}

// The node at the end of a "/"-separated path below the parent, each name found or appended in
// turn; the last gets a curve (made when it has none) and, when given, is made with the data
// type. An empty path gives the parent itself a curve.
inline RFCurve* AddChannel(RFCurveNode& parent, const std::string& path, const RDataType* lastType = nullptr) {
    RFCurveNode* node = &parent;
    for (size_t start = 0; start < path.size();) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        if (end == path.size() && lastType != nullptr) {
            RFCurveNode* typed = RFCurveNode::Create(name.c_str(), lastType);
            node->AddChild(typed);
            node = typed;
        } else {
            node = node->FindOrAddChild(name.c_str(), false);
        }
        start = end + 1;
    }
    if (node->GetCurve() == nullptr) node->SetCurve(RFCurve::Create(), true);
    return node->GetCurve();
}

// Counts the default changes the listeners of a curve were told of.
struct CurveLog {
    int defaultChanges = 0;

    static void Listen(RFCurve&, const RCurveChangeRecord& record, void* userData) {
        if ((record.GetKinds() & RCurveChangeRecord::DefaultChanged) != 0) {
            ++static_cast<CurveLog*>(userData)->defaultChanges;
        }
    }
    void Watch(RFCurve& curve) { curve.AddListener(&Listen, this); }
    void Forget(RFCurve& curve) { curve.RemoveListener(&Listen, this); }
};

}  // namespace take_test

#endif
