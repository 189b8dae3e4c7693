// Round trips through the host: files imported, exported and imported again, with what a trip
// must give back as it was (lights' and cameras' orientation, camera rigs, nodes of one name
// under different parents).

#include "tests/hostexport/DeformExportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxNull.h"
#include "core/EulerAngles.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <functional>

namespace {

using SceneBuilder = std::function<void(RWyxObjectFactory&, RWyxNode& root)>;

// A binary version-6 file of the nodes the builder hangs below the root.
bool WriteScene(const std::string& path, const SceneBuilder& build) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    if (scene == nullptr) return false;
    build(factory, *scene->GetRootNode());
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

// A node whose rotation space is in use (pre- and post-rotation applied), as the export
// writes every node.
RWyxNode* AddNode(RWyxObjectFactory& factory, RWyxNode& parent, const char* name, RWyxNodeAttribute* attribute) {
    RWyxNode* node = factory.CreateNode(name);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent.AddChild(node);
    node->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
    return node;
}

RWyxNode* AddLight(RWyxObjectFactory& factory, RWyxNode& parent, const char* name, int type) {
    RWyxLight* light = factory.CreateLight();
    light->SetLightType(type);
    return AddNode(factory, parent, name, light);
}

::testing::AssertionResult AnglesNear(const RVector4& a, const RVector4& b) {
    RMatrix ma;
    RMatrix mb;
    EulerVectorXYZToMatrix(ma, a);
    EulerVectorXYZToMatrix(mb, b);
    return matricesNear(ma, mb, 1e-9) << " (" << a.x << ", " << a.y << ", " << a.z << ") against (" << b.x << ", "
                                      << b.y << ", " << b.z << ")";
}

class HostRoundTripTest : public AnimatedSessionTest {
protected:
    // The file imported into a new scene.
    void importNew(const std::string& path) {
        options().SetImportMode(WyxPluginOptions::kCreate);
        ASSERT_TRUE(run("WYXImport -f \"" + path + "\"")) << lastError().asChar();
    }
    // The host scene exported to the file, read back.
    std::unique_ptr<ReadBack> exportRead(const std::string& name) {
        const std::string path = file(name);
        EXPECT_TRUE(exportTo(path));
        auto back = std::make_unique<ReadBack>(path);
        EXPECT_TRUE(back->Read()) << back->Error();
        return back;
    }
};

// The import turns every light and camera without a target a quarter turn after its
// post-rotation (the host's axis is not the file's); the export takes exactly that turn back,
// so each trip gives the file's orientation again: post-rotations as they were, and where a
// pre-rotation went into the rotation, the same whole transform.
TEST_F(HostRoundTripTest, LightsAndCamerasTurnNoFurtherOnAnyTrip) {
    const std::string source = file("oriented.wyx");
    ASSERT_TRUE(WriteScene(source, [](RWyxObjectFactory& factory, RWyxNode& root) {
        AddLight(factory, root, "bulb", RWyxLight::kPoint);
        AddLight(factory, root, "lamp", RWyxLight::kSpot)->SetPostRotation(0, -60.0, 0.0, 0.0, 1.0);
        RWyxNode* sun = AddLight(factory, root, "sun", RWyxLight::kInfinite);
        sun->SetPostRotation(0, 10.0, 20.0, 30.0, 1.0);
        sun->SetDefaultRotation(RVector4(0.0, 45.0, 0.0, 0.0));
        AddNode(factory, root, "eye", factory.CreateCamera())->SetPostRotation(0, 0.0, 0.0, 20.0, 1.0);
        RWyxNode* tilted = AddNode(factory, root, "tilted", factory.CreateCamera());
        tilted->SetPreRotation(0, 15.0, 0.0, 0.0, 1.0);
        tilted->SetPostRotation(0, 0.0, 30.0, 0.0, 1.0);
        tilted->SetDefaultRotation(RVector4(5.0, 10.0, 0.0, 0.0));
        tilted->SetDefaultTranslation(RVector4(1.0, 2.0, 3.0, 0.0));
        // A null turns as the file says without any correction.
        RWyxNode* frame = AddNode(factory, root, "frame", factory.CreateNull());
        frame->SetPreRotation(0, 15.0, 0.0, 0.0, 1.0);
        frame->SetPostRotation(0, 0.0, 30.0, 0.0, 1.0);
        frame->SetDefaultRotation(RVector4(5.0, 10.0, 0.0, 0.0));
    }));
    ReadBack original(source);
    ASSERT_TRUE(original.Read()) << original.Error();
    importNew(source);
    const auto first = exportRead("first.wyx");
    importNew(file("first.wyx"));
    const auto second = exportRead("second.wyx");
    for (const ReadBack* trip : {first.get(), second.get()}) {
        for (const char* name : {"bulb", "lamp", "sun", "eye"}) {
            ASSERT_NE(trip->Node(name), nullptr) << name;
            EXPECT_TRUE(AnglesNear(*trip->Node(name)->GetPostRotation(0), *original.Node(name)->GetPostRotation(0)))
                << name;
        }
        for (const char* name : {"bulb", "lamp", "sun", "eye", "tilted", "frame"}) {
            ASSERT_NE(trip->Node(name), nullptr) << name;
            EXPECT_TRUE(matricesNear(*trip->Node(name)->GetPivotGlobalTransform(0, true),
                                     *original.Node(name)->GetPivotGlobalTransform(0, true), 1e-5))
                << name;
        }
    }
    // The host holds the inverse of the corrected post-rotation: -60 + 90 about X.
    double axis = 0.0;
    ASSERT_TRUE(VFnDependencyNode(hostNode("lamp")).findPlug("rotateAxisX").getValue(axis));
    EXPECT_NEAR(axis, -30.0 / 57.29577951308232, 1e-9);
}

// A camera aiming at a node: the import makes the host's rig (a group holding the camera and
// its aim locator, named after the file's nodes); exported and imported again, that group is
// the rig's once more, not a new level above it.
TEST_F(HostRoundTripTest, ACameraWithATargetKeepsOneGroupWhateverTheTrips) {
    const std::string source = file("aimed.wyx");
    ASSERT_TRUE(WriteScene(source, [](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* camera = AddNode(factory, root, "Camera", factory.CreateCamera());
        camera->SetDefaultTranslation(RVector4(0.0, 15.0, 60.0, 0.0));
        camera->SetTarget(AddNode(factory, root, "Character", factory.CreateNull()));
    }));
    std::string path = source;
    for (int trip = 0; trip < 3; ++trip) {
        SCOPED_TRACE(trip);
        importNew(path);
        const std::string scene = dump();
        EXPECT_NE(scene.find("node transform |camera1_group|Camera\n"), std::string::npos) << scene;
        EXPECT_NE(scene.find("node transform |camera1_group|Character\n"), std::string::npos) << scene;
        EXPECT_EQ(scene.find("camera1_group1"), std::string::npos) << scene;
        EXPECT_EQ(scene.find("node transform |camera1_group\n"), std::string::npos) << "no null of the group's name";
        path = file("trip" + std::to_string(trip) + ".wyx");
        ASSERT_TRUE(exportTo(path));
    }
}

// The host lets nodes of one name live under different parents; the import of such a file
// keeps every node's values and animation.
TEST_F(HostRoundTripTest, NodesOfOneNameUnderDifferentParentsComeBackWithTheirValues) {
    script("createNode transform -n a; createNode transform -n x -p a; createNode transform -n b");
    script("createNode transform -n x -p b; setAttr b.translateX 3; setAttr |b|x.translateY 2");
    keyPlug("|a|x", "rotateZ", {{0.0, 0.0}, {1.0, 0.5}});
    const std::string path = file("twins.wyx");
    ASSERT_TRUE(exportTo(path));
    importNew(path);
    const std::string scene = dump();
    EXPECT_NE(scene.find("node transform |b\n"), std::string::npos) << scene;
    double value = 0.0;
    ASSERT_TRUE(VFnDependencyNode(hostNode("b")).findPlug("translateX").getValue(value));
    EXPECT_EQ(value, 3.0);
    ASSERT_TRUE(VFnDependencyNode(hostNode("|b|x")).findPlug("translateY").getValue(value));
    EXPECT_EQ(value, 2.0);
    VFnAnimCurve curve(VFnDependencyNode(hostNode("|a|x")).findPlug("rotateZ"));
    EXPECT_EQ(curve.numKeys(), 2u);
}

}  // namespace
