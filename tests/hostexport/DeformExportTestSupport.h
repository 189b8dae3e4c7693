#ifndef WYX_TESTS_HOSTEXPORT_DEFORMEXPORTTESTSUPPORT_H
#define WYX_TESTS_HOSTEXPORT_DEFORMEXPORTTESTSUPPORT_H

// What the tests of the export's second half share: host nodes by name, keyed host curves, the
// export run through its animation pass, and matrices compared value for value.

#include "tests/hostexport/ExportTestSupport.h"

#include "core/RMatrix.h"
#include "hostexport/ExportSteps.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VMatrix.h>
#include <vexa/VTime.h>

#include <cmath>
#include <utility>

inline VObject hostNode(const char* name) {
    VSelectionList list;
    VObject node;
    EXPECT_TRUE(list.add(name)) << name;
    list.getDependNode(0, node);
    return node;
}

inline VDagPath hostPath(const char* name) {
    VDagPath path;
    EXPECT_TRUE(VDagPath::getAPathTo(hostNode(name), path)) << name;
    return path;
}

// A curve on the node's plug with (seconds, value) keys of one tangent type.
inline VFnAnimCurve keyPlug(const char* node, const char* plug, const std::vector<std::pair<double, double>>& keys,
                            VFnAnimCurve::TangentType type = VFnAnimCurve::kTangentLinear) {
    VFnAnimCurve curve;
    VStatus status;
    curve.create(VFnDependencyNode(hostNode(node)).findPlug(plug), nullptr, &status);
    EXPECT_TRUE(status) << node << "." << plug << ": " << status.errorString().asChar();
    for (const auto& key : keys) curve.addKey(VTime(key.first, VTime::kSeconds), key.second, type, type);
    return curve;
}

inline RMatrix toMatrix(const VMatrix& values) {
    RMatrix matrix;
    for (unsigned row = 0; row < 4; ++row) {
        for (unsigned column = 0; column < 4; ++column) matrix[row][column] = values(row, column);
    }
    return matrix;
}

inline ::testing::AssertionResult matricesNear(const RMatrix& a, const RMatrix& b, double tolerance) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (!(std::fabs(a[row][column] - b[row][column]) <= tolerance)) {
                return ::testing::AssertionFailure() << "element " << row << "," << column << ": " << a[row][column]
                                                     << " against " << b[row][column];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// A session run through the animation pass (nothing written).
class AnimatedSessionTest : public SessionTest {
protected:
    void animate() {
        collect();
        ASSERT_TRUE(ExportNodeAnimation(*session_, root()));
    }
    RWyxTakeNode* take(const char* nodeName, const char* takeName = WyxVexaExportSession::kTakeName) const {
        RWyxNode* found = node(nodeName);
        if (found == nullptr) return nullptr;
        for (int t = 0; t < found->GetTakeNodeCount(); ++t) {
            if (RString(found->GetTakeNodeName(t)) == takeName) return found->GetTakeNode(t);
        }
        return nullptr;
    }
};

#endif
