#ifndef WYX_TESTS_HOSTIMPORT_TRANSFORMTESTSUPPORT_H
#define WYX_TESTS_HOSTIMPORT_TRANSFORMTESTSUPPORT_H

// Scenes for the transform and animation tests: built in memory, written by our writer, read
// back by the SDK's reader, and the transform the SDK means by a node's pivots, pre- and
// post-rotation, rotation order and curves, to hold the host's matrices against:
//
//   [-Sp] S [Sp] [Soff] [-Rp] post^-1 R pre [Rp] [Roff] [T], then the parent's (row vectors).

#include "core/EulerAngles.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RotationContinuity.h"
#include "fileio/RWyxFileImporter.h"
#include "plugin/HostUtilities.h"
#include "samples/SampleCharacter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "tests/support/ImportTestSupport.h"

#include <vexa/VAnimControl.h>
#include <vexa/VDagPath.h>
#include <vexa/VMatrix.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace transform_test {

inline RTime Seconds(double seconds) {
    return RTime(static_cast<std::int64_t>(seconds * static_cast<double>(RTime::kTicksPerSecond) + 0.5));
}

// A key of the interpolation and tangent mode.
inline void Key(RFCurve* curve, double seconds, float value, std::uint32_t interpolation = RCurveKey::Linear,
                std::uint32_t mode = 0) {
    ASSERT_NE(curve, nullptr);
    curve->AddKey(Seconds(seconds), RCurveKey::Plain(Seconds(seconds), value, interpolation, mode));
}

// Both slopes of a key (once the keys around it exist).
inline void Slope(RFCurve* curve, int k, double slope) {
    curve->SetLeftDerivative(k, slope);
    curve->SetRightDerivative(k, slope);
}

inline RWyxTakeInfo TakeInfo(const char* name = "Take") {
    RWyxTakeInfo info;
    info.name = name;
    return info;
}

inline RWyxNode* AddNode(RWyxObjectFactory& factory, RWyxNode* parent, const char* name,
                         RWyxNodeAttribute* attribute = nullptr) {
    RWyxNode* node = factory.CreateNode(name);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent->AddChild(node);
    return node;
}

// The take of that name on each node, made when missing; the scene's take described.
inline RWyxTakeNode* Take(RWyxNode* node, const char* name = "Take") {
    node->AddTakeNode(name);
    for (int t = 0; t < node->GetTakeNodeCount(); ++t) {
        if (std::string(node->GetTakeNodeName(t)) == name) return node->GetTakeNode(t);
    }
    return nullptr;
}

inline void DescribeTake(RWyxScene* scene, const char* name = "Take") {
    scene->SetTakeInfo(TakeInfo(name));
    scene->SetCurrentTake(name);
}

inline bool WriteScene(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path) {
    return sample::WriteCharacterScene(factory, scene, path.c_str(), 0);
}

// The file read into a new scene of the factory; null when it does not read.
inline RWyxScene* ReadScene(RWyxObjectFactory& factory, const std::string& path, const char* take = "Take") {
    RWyxFileImporter* importer = factory.CreateFileImporter();
    RWyxScene* scene = factory.CreateScene();
    const bool read = importer->Initialize(path.c_str()) && importer->Import(scene);
    factory.DestroyFileImporter(importer);
    if (!read) return nullptr;
    scene->SetCurrentTake(take);
    return scene;
}

inline RMatrix Translation(const RVector4* t, double sign = 1.0) {
    RMatrix matrix;
    if (t != nullptr) MatrixSetTranslation(matrix, sign * t->x, sign * t->y, sign * t->z);
    return matrix;
}

inline RMatrix Rotation(const RVector4* degrees) {
    RMatrix matrix;
    if (degrees != nullptr) EulerVectorXYZToMatrix(matrix, *degrees);
    return matrix;
}

// first then second.
inline RMatrix Then(const RMatrix& first, const RMatrix& second) {
    RMatrix product;
    MatrixMultiplyAffine(product, second, first);
    return product;
}

inline double ValueAt(RFCurve* curve, RTime time, double otherwise) {
    return curve != nullptr ? curve->EvaluateAt(time) : otherwise;
}

// The node's transform at the time by the pivot set's values and the current take's curves.
inline RMatrix LocalMatrix(RWyxNode& node, RTime time, int set) {
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    const double t[3] = {ValueAt(take->GetTranslationXCurve(), time, 0), ValueAt(take->GetTranslationYCurve(), time, 0),
                         ValueAt(take->GetTranslationZCurve(), time, 0)};
    const double r[3] = {ValueAt(take->GetRotationXCurve(), time, 0), ValueAt(take->GetRotationYCurve(), time, 0),
                         ValueAt(take->GetRotationZCurve(), time, 0)};
    const RVector4 s(ValueAt(take->GetScalingXCurve(), time, 1), ValueAt(take->GetScalingYCurve(), time, 1),
                     ValueAt(take->GetScalingZCurve(), time, 1), 0.0);
    int order = 0;
    node.GetRotationOrder(set, order);
    RMatrix rotation;
    EulerToMatrixInOrder(rotation, r, order == 6 ? kRotationOrderSphericXYZ : 2 * order);
    RMatrix scale;
    ScaleMatrixRows(scale, RMatrix(), s);
    RMatrix post;
    MatrixInverseOrthogonal(post, Rotation(node.GetPostRotation(set)));
    const RVector4 translation(t[0], t[1], t[2], 0.0);
    RMatrix m = Then(Translation(node.GetScalingPivot(set), -1.0), scale);
    m = Then(Then(m, Translation(node.GetScalingPivot(set))), Translation(node.GetScalingOffset(set)));
    m = Then(Then(m, Translation(node.GetRotationPivot(set), -1.0)), post);
    m = Then(Then(m, rotation), Rotation(node.GetPreRotation(set)));
    m = Then(Then(m, Translation(node.GetRotationPivot(set))), Translation(node.GetRotationOffset(set)));
    return Then(m, Translation(&translation));
}

// The node's transform and its ancestors' below the scene's root.
inline RMatrix GlobalMatrix(RWyxNode& node, RTime time, int set) {
    RMatrix global = LocalMatrix(node, time, set);
    for (RWyxNode* parent = node.GetParent(); parent != nullptr && parent->GetParent() != nullptr;
         parent = parent->GetParent()) {
        global = Then(global, LocalMatrix(*parent, time, set));
    }
    return global;
}

inline RMatrix FromHost(const VMatrix& host) {
    RMatrix matrix;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) matrix[row][column] = host(row, column);
    }
    return matrix;
}

inline void ExpectMatrixNear(const RMatrix& actual, const RMatrix& expected, double tolerance, const std::string& what) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_NEAR(actual[row][column], expected[row][column], tolerance) << what << " [" << row << "][" << column << "]";
        }
    }
}

// Scenes built by the test, written by our writer, imported through WYXImport and read back.
class WyxFileImportTest : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        WyxVexaImportSession::SetFormatTable(nullptr);
        scene_ = factory_.CreateScene();
    }

    RWyxNode* root() { return scene_->GetRootNode(); }
    RWyxNode* add(RWyxNode* parent, const char* name, RWyxNodeAttribute* attribute = nullptr) {
        RWyxNode* node = AddNode(factory_, parent, name, attribute);
        nodes_.push_back(name);
        return node;
    }

    // Writes the scene, imports it through WYXImport and reads it back for the comparisons.
    RWyxScene* importScene() {
        DescribeTake(scene_);
        const std::string path = folder_.Join("scene.wyx");
        EXPECT_TRUE(WriteScene(factory_, scene_, path));
        EXPECT_TRUE(run("WYXImport -f \"" + path + "\""));
        RWyxScene* read = ReadScene(readFactory_, path);
        EXPECT_NE(read, nullptr);
        return read;
    }

    static VDagPath hostPath(const char* name) {
        VDagPath path;
        EXPECT_TRUE(FindDagPathByName(name, path)) << name;
        return path;
    }
    static RMatrix hostWorld(const char* name, double seconds) {
        VAnimControl::setCurrentTime(VTime(seconds, VTime::kSeconds));
        return FromHost(hostPath(name).inclusiveMatrix());
    }
    void expectWorlds(RWyxScene& read, const std::vector<double>& times, int set, double tolerance) {
        for (const std::string& name : nodes_) {
            RWyxNode* node = read.GetRootNode()->FindChild(name.c_str(), true, false);
            ASSERT_NE(node, nullptr) << name;
            for (const double seconds : times) {
                ExpectMatrixNear(hostWorld(name.c_str(), seconds), GlobalMatrix(*node, Seconds(seconds), set), tolerance,
                                 name + " at " + std::to_string(seconds));
            }
        }
    }

    RWyxObjectFactory factory_;
    RWyxObjectFactory readFactory_;
    RWyxScene* scene_ = nullptr;
    std::vector<std::string> nodes_;
};

}  // namespace transform_test

#endif
