// Round trips through the host: files imported, exported and imported again. The sample
// character and a scene built in the host go through import, export, import, export, import:
// the second and third imports make the same host scene, line for line, and against the first
// import nothing the file carries has changed. What may differ from the first import, and why:
//  - disabled rotation limits of value 0 appear on every transform: the export writes the
//    rotation-limit block of every node as in use, the import then sets its axes, all off;
//  - a clamped tangent comes back fixed with the same slope: a file key has no clamped kind,
//    the export writes it as a key of fixed tangents with its slope;
//  - a material on every face of a shape is held by the shape itself: the export writes one
//    material for all polygons as such, the import assigns it to the whole shape;
//  - nodes come in another order (curves are made as their channels are met), and so do the
//    shaders in the host's shader list (the import makes them in the file's node order, the
//    export writes nodes in the host's, which the import made in name order); -0 reads 0;
//  - the take imported is "Take 001": the export writes the host's animation as that take.
// Focused cases: lights' and cameras' orientation, camera rigs, nodes of one name under
// different parents.

#include "tests/hostexport/DeformExportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxNull.h"
#include "core/EulerAngles.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <vexa/VAnimControl.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnSpotLight.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

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

constexpr double kRadiansPerDegree = 0.017453292519943295;
const std::string kSample = WYX_SOURCE_DIR "/samples/character.wyx";

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The lines one text has more often than the other: "- " for the first, "+ " for the second.
std::string DifferingLines(const std::string& a, const std::string& b) {
    std::map<std::string, int> count;
    for (const std::string& line : LinesOf(a)) ++count[line];
    for (const std::string& line : LinesOf(b)) --count[line];
    std::string out;
    for (const std::string& line : LinesOf(a)) {
        if (count[line] > 0 && count[line]--) out += "- " + line + "\n";
    }
    for (const std::string& line : LinesOf(b)) {
        if (count[line] < 0 && count[line]++) out += "+ " + line + "\n";
    }
    return out;
}

// A tangent "clamped (x y)" or "fixed (x y)" as "fixed" with its slope.
std::string TangentsAsSlopes(const std::string& line) {
    static const std::regex kTangent(R"((clamped|fixed) \((\S+) (\S+)\))");
    std::string out;
    auto last = line.cbegin();
    for (std::sregex_iterator it(line.begin(), line.end(), kTangent), end; it != end; ++it) {
        out.append(last, line.cbegin() + it->position());
        char slope[32];
        std::snprintf(slope, sizeof slope, "fixed slope %.5g", std::stod((*it)[3]) / std::stod((*it)[2]));
        out += slope;
        last = line.cbegin() + it->position() + it->length();
    }
    return out.append(last, line.cend());
}

// Whether the dump has the line that starts so, and the line among the lines that follow it up
// to the next node.
bool HasNodeLine(const std::string& scene, const char* start, const char* line) {
    const size_t at = scene.find(start);
    if (at == std::string::npos) return false;
    const size_t end = scene.find("\nnode ", at + 1);
    return scene.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at).find(line) != std::string::npos;
}

// The dump as far as a file tells scenes apart: what the top of this file lists as free to
// differ is written one way, and the nodes and the connections are sorted.
std::string Carried(const std::string& scene) {
    static const std::regex kDisabledRotationLimit(R"(  (min|max)Rot[XYZ]Limit(Enable)? = 0)");
    static const std::regex kNegativeZero(R"((^|[ (])-0(?=$|[ )]))");
    static const std::regex kShaderListEntry(R"(\.shaders\[[0-9]+\])");
    static const std::regex kAllFaces(R"(  member (\S+)\.f\[0:([0-9]+)\])");
    static const std::regex kMesh(R"(node mesh \S*\|([^|\s]+)\n  inMesh = mesh [0-9]+ points, ([0-9]+) polygons)");
    std::map<std::string, std::string> polygons;
    for (std::sregex_iterator it(scene.begin(), scene.end(), kMesh), end; it != end; ++it) {
        polygons[(*it)[1]] = std::to_string(std::stoi((*it)[2]) - 1);
    }
    std::vector<std::string> head;
    std::vector<std::string> nodes;
    std::vector<std::string> connections;
    for (std::string line : LinesOf(scene)) {
        if (std::regex_match(line, kDisabledRotationLimit)) continue;
        if (line.rfind("fileInfo WYXImportTake ", 0) == 0) continue;
        line = TangentsAsSlopes(std::regex_replace(line, kNegativeZero, "$010"));
        line = std::regex_replace(line, kShaderListEntry, ".shaders[]");
        std::smatch faces;
        if (std::regex_match(line, faces, kAllFaces) && polygons[faces[1]] == faces[2].str()) line = "  member " + faces[1].str();
        if (line.rfind("node ", 0) == 0) {
            nodes.push_back(line);
        } else if (line.rfind("connect ", 0) == 0) {
            connections.push_back(line);
        } else if (!nodes.empty()) {
            nodes.back() += "\n" + line;
        } else {
            head.push_back(line);
        }
    }
    std::sort(nodes.begin(), nodes.end());
    std::sort(connections.begin(), connections.end());
    std::string out;
    for (const auto* part : {&head, &nodes, &connections}) {
        for (const std::string& line : *part) out += line + "\n";
    }
    return out;
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

    // Import, export, import, export, import: the host scene after each import.
    std::vector<std::string> trip(const std::string& source) {
        std::vector<std::string> scenes;
        std::string path = source;
        for (int i = 0; i < 3; ++i) {
            importNew(path);
            scenes.push_back(dump());
            if (i == 2) break;
            path = file("trip" + std::to_string(i + 1) + ".wyx");
            EXPECT_TRUE(exportTo(path));
        }
        return scenes;
    }
    static void expectTripsAgree(const std::vector<std::string>& scenes) {
        ASSERT_EQ(scenes.size(), 3u);
        EXPECT_TRUE(scenes[1] == scenes[2]) << "second and third import differ:\n" << DifferingLines(scenes[1], scenes[2]);
        const std::string first = Carried(scenes[0]);
        const std::string second = Carried(scenes[1]);
        EXPECT_TRUE(first == second) << "first and second import differ:\n" << DifferingLines(first, second);
    }

    // The scene of the round trip, built in the host: lights, cameras, a skinned skeleton,
    // materials, animation of every kind and a user attribute.
    void buildHostScene() {
        // A point light and a spot light each without and with a post-rotation (rotate axis).
        script("createNode transform -n bulb; createNode pointLight -n bulbShape -p bulb; setAttr bulb.translateY 5");
        script("createNode transform -n tiltedBulb; createNode pointLight -n tiltedBulbShape -p tiltedBulb");
        setAngle("tiltedBulb", "rotateAxisY", 35.0);
        script("createNode transform -n lamp; createNode spotLight -n lampShape -p lamp; setAttr lamp.translateX 4");
        script("createNode transform -n tiltedLamp; createNode spotLight -n tiltedLampShape -p tiltedLamp");
        setAngle("tiltedLamp", "rotateAxisX", -60.0);
        setAngle("tiltedLamp", "rotateY", 30.0);
        VFnSpotLight spot(hostNode("lampShape"));
        ASSERT_TRUE(spot.setConeAngle(0.5));
        ASSERT_TRUE(spot.setColor(VColor(0.25f, 0.5f, 0.75f)));
        keyPlug("lampShape", "intensity", {{0.0, 1.0}, {1.0, 2.0}});
        keyPlug("lampShape", "coneAngle", {{0.0, 0.5}, {1.0, 0.75}});
        keyPlug("tiltedBulbShape", "colorG", {{0.0, 0.25}, {1.0, 1.0}});
        // A camera with a target, its lens and its roll keyed; a camera with a post-rotation.
        const std::string shot = script("camera -n shot");  // "shot <shape>"
        script("cameraMakeNode 2 shot; setAttr shot_group.translateZ 30");
        keyPlug("shot_group", "twist", {{0.0, 0.0}, {1.0, 0.25}});
        keyPlug(shot.substr(shot.find(' ') + 1).c_str(), "focalLength", {{0.0, 35.0}, {1.0, 50.0}});
        script("camera -n eye; setAttr eye.translateY 10");
        setAngle("eye", "rotateAxisZ", 20.0);
        // Three joints skinned to a cube, with the bind pose the binding makes.
        VFnIkJoint joint;
        joint.create();
        joint.setName("hip");
        const VObject knee = joint.create(joint.object());
        VFnIkJoint(knee).setName("knee");
        VFnIkJoint(knee).setTranslation(VVector(0.0, 2.0, 0.0), VSpace::kTransform);
        const VObject ankle = joint.create(knee);
        VFnIkJoint(ankle).setName("ankle");
        VFnIkJoint(ankle).setTranslation(VVector(0.0, 2.0, 0.0), VSpace::kTransform);
        makeCube("leg");
        script("select -cl; select -tgl hip; select -tgl knee; select -tgl ankle; select -tgl leg");
        script("newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"; select -cl");
        keyPlug("knee", "rotateZ", {{0.0, 0.0}, {1.0, 0.5}});
        // A textured material and a plain one.
        script("sets -e -forceElement " + makeShadingGroup("lambert", "skin") + " leg");
        script("setAttr skin.colorR 0.8; setAttr skin.colorG 0.6; setAttr skin.colorB 0.5");
        const std::string texture = script("shadingNode -at file");
        const std::string placement = script("shadingNode -au place2dTexture");
        script("setAttr -type \"string\" " + texture + ".fileTextureName \"/maps/skin.tga\"; connectAttr " + placement +
               ".outUV " + texture + ".uv; connectAttr " + texture + ".outColor skin.color");
        makeCube("crate");
        script("sets -e -forceElement " + makeShadingGroup("phong", "paint") + " crate");
        script("setAttr paint.colorG 0.25; setAttr crate.translateX -5");
        // Translation, rotation, scaling, visibility and a user attribute, keyed.
        script("createNode transform -n mover; setAttr mover.translateY 2");
        keyPlug("mover", "translateX", {{0.0, 0.0}, {0.5, 3.0}, {1.0, 1.0}});
        keyPlug("mover", "rotateY", {{0.0, 0.0}, {1.0, 1.5}}, VFnAnimCurve::kTangentSmooth);
        keyPlug("mover", "scaleZ", {{0.0, 1.0}, {1.0, 2.0}}, VFnAnimCurve::kTangentFlat);
        keyPlug("mover", "visibility", {{0.0, 1.0}, {0.5, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentStep);
        VFnNumericAttribute weight;
        VFnDependencyNode mover(hostNode("mover"));
        ASSERT_TRUE(mover.addAttribute(weight.create("weight", "weight", VFnNumericAttribute::kDouble)));
        keyPlug("mover", "weight", {{0.0, 0.5}, {1.0, 0.75}});
        // A camera with a pre- and a post-rotation comes from a file: the host has neither on a
        // camera's transform.
        const std::string tilted = file("tilted.wyx");
        ASSERT_TRUE(WriteScene(tilted, [](RWyxObjectFactory& factory, RWyxNode& root) {
            RWyxNode* camera = AddNode(factory, root, "tilted", factory.CreateCamera());
            camera->SetPreRotation(0, 15.0, 0.0, 0.0, 1.0);
            camera->SetPostRotation(0, 0.0, 0.0, 20.0, 1.0);
            camera->SetDefaultRotation(RVector4(5.0, 10.0, 0.0, 0.0));
        }));
        options().SetImportMode(WyxPluginOptions::kMerge);
        ASSERT_TRUE(run("WYXImport -f \"" + tilted + "\"")) << lastError().asChar();
        VAnimControl::setMinTime(VTime(0.0, VTime::kSeconds));
        VAnimControl::setMaxTime(VTime(1.0, VTime::kSeconds));
    }
    static void setAngle(const char* node, const char* plug, double degrees) {
        ASSERT_TRUE(VFnDependencyNode(hostNode(node)).findPlug(plug).setValue(degrees * kRadiansPerDegree)) << plug;
    }
};

TEST_F(HostRoundTripTest, TheSampleComesBackTheSameOnEveryTrip) {
    const std::vector<std::string> scenes = trip(kSample);
    expectTripsAgree(scenes);
    // What the trips keep: the tags of the skeleton, the material's colour, the bind pose.
    for (const std::string& scene : scenes) {
        EXPECT_NE(scene.find("node joint |Character|Hips\n  attribute lumtraxTypeID numericAttribute\n"), std::string::npos);
        EXPECT_NE(scene.find("  lumtraxTypeID = 2\n"), std::string::npos) << "the root stays a root";
        EXPECT_NE(scene.find("  colorG = 0.6000000238418579\n"), std::string::npos);
        EXPECT_NE(scene.find("  xformMatrix[2] = 1 0 0 0 0 1 0 0 0 0 1 0 0 10 0 1\n"), std::string::npos);
    }
}

TEST_F(HostRoundTripTest, ASceneBuiltInTheHostComesBackTheSameOnEveryTrip) {
    buildHostScene();
    const std::string source = file("built.wyx");
    ASSERT_TRUE(exportTo(source));
    const std::vector<std::string> scenes = trip(source);
    expectTripsAgree(scenes);
    // What the host made of the file the first time, so that the trips had it to keep.
    const char* const kept[][2] = {
        {"node transform |tiltedBulb\n", "  rotateAxisY = 0.6108652381980153\n"},
        {"node transform |tiltedLamp\n", "  rotateAxisX = -1.0471975511965976\n"},
        {"node transform |tiltedLamp\n", "  rotateY = 0.5235987755982988\n"},
        {"node transform |eye\n", "  rotateAxisZ = 0.3490658503988658\n"},
        {"node transform |tilted\n", "  rotateAxisY = -1.5707963267948966\n"},
        {"node spotLight |lamp|lampShape\n", "  colorR = 0.25\n"},
        {"node camera |camera1_group|shot|cameraShape1\n", ""},
        {"node transform |camera1_group|shot_aim\n", ""},
        {"node phong skin\n", "  colorR = 0.800000011920929\n"},
        {"node phong paint\n", "  colorG = 0.25\n"},
        {"connect file1.outColor -> skin.color\n", ""},
        {"node joint |hip|knee|ankle\n", "  bindPose = 1 0 0 0 -0 1 0 0 0 -0 1 0 0 4 0 1\n"},
        {"connect skinCluster1.outputGeometry[0] -> |leg|legShape.inMesh\n", ""},
        {"node transform |mover\n  attribute weight numericAttribute\n", ""},
        {"connect mover_weight.output -> |mover.weight\n", ""},
        {"connect mover_visibility.output -> |mover.visibility\n", ""},
        {"connect camera1_group_twist.output -> |camera1_group.twist\n", ""},
        {"connect lampShape_coneAngle.output -> |lamp|lampShape.coneAngle\n", ""},
        {"connect tiltedBulbShape_colorG.output -> |tiltedBulb|tiltedBulbShape.colorG\n", ""},
    };
    for (const auto& node : kept) EXPECT_TRUE(HasNodeLine(scenes[0], node[0], node[1])) << node[0] << node[1];
}

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
