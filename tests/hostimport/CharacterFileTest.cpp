// The sample character with more on it, written by our writer, read by the SDK's reader and
// imported through the command: a blend shape with its weight curve, a cluster, a user
// property and a character, in modes 1 and 2; and a file whose names carry quotes and
// backslashes imported without any of them reaching the host as script.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "samples/SampleCharacter.h"
#include "scene/RWyxTakeNode.h"

#include "host/src/commands/CharacterRig.h"

#include <vexa/VGlobal.h>

namespace {

// The body's points 24 to 31 (its top ring) and their number.
constexpr int kTopRing = 24;
constexpr int kBodyPoints = 32;

// A user property (user flag set) of the node.
RWyxUserProperty* AddProperty(RWyxObjectFactory& factory, RWyxNode& node, const char* name, const char* type,
                              const char* label) {
    RWyxUserProperty* made = factory.CreateUserProperty(name, type, label);
    made->SetFlag(RWyxUserProperty::kFlagUserProperty, true);
    return node.AddUserProperty(factory.HandOverUserProperty(made));
}

RWyxNode* Named(RWyxScene& scene, const char* name) { return scene.GetRootNode()->FindChild(name, true, false); }

// The top ring pushed out by 1 in x: the shape "Body.Bulge", at 50 % at the start of the take.
void AddBulge(RWyxObjectFactory& factory, RWyxNode& body) {
    RWyxGeometry* mesh = body.GetGeometry();
    RWyxShape* shape = factory.CreateShape();
    shape->InitControlPoints(kBodyPoints);
    for (int p = 0; p < kBodyPoints; ++p) shape->SetControlPointAt(p, *mesh->GetControlPointAt(p));
    for (int p = kTopRing; p < kBodyPoints; ++p) shape->GetControlPointAt(p)->x += 1.0;
    ASSERT_GE(mesh->AddShape(shape, "Body.Bulge"), 0);
    body.AddTakeNode("Walk");
    RFCurve* weight = mesh->GetShapeChannel(body.GetTakeNode(1), 0);
    ASSERT_NE(weight, nullptr);
    weight->SetDefaultValue(50.0f);
}

// A cluster whose handle "name" moves the top ring at 0.5.
void AddCluster(RWyxObjectFactory& factory, RWyxScene& scene, RWyxNode& body, const char* name) {
    RWyxNode* handle = factory.CreateNode(name);
    handle->SetNodeAttribute(factory.CreateNull());
    scene.GetRootNode()->AddChild(handle);
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(handle);
    link->SetMode(RWyxSkinLink::kAdditive);
    for (int p = kTopRing; p < kBodyPoints; ++p) link->AddControlPointIndex(p, 0.5);
    link->SetAssociateModel(&body);
    body.GetGeometry()->AddDeformer(link);
}

class CharacterFileTest : public SceneImportTest {
protected:
    void SetUp() override {
        SceneImportTest::SetUp();
        WyxVexaImportSession::SetFormatTable(nullptr);
    }
    void TearDown() override {
        if (vexa_host::characterRigModuleLoaded()) vexa_host::unloadCharacterRigModule();
        SceneImportTest::TearDown();
    }
    // The sample with the additions of `extend`, written as a binary file.
    std::string writeCharacter(const std::function<void(RWyxObjectFactory&, RWyxScene&)>& extend) {
        RWyxObjectFactory factory;
        RWyxScene* scene = sample::BuildCharacterScene(factory);
        EXPECT_NE(scene, nullptr);
        extend(factory, *scene);
        const std::string path = folder_.Join("character.wyx");
        EXPECT_TRUE(sample::WriteCharacterScene(factory, scene, path.c_str(), 0));
        return path;
    }
    static VStatus import(const std::string& path, int mode) {
        options().SetImportMode(mode);
        return run("WYXImport -f " + QuotedPath(path));
    }
    static std::string QuotedPath(const std::string& path) { return "\"" + path + "\""; }
    static std::string answer(const char* command) {
        VString result;
        EXPECT_TRUE(VGlobal::executeCommand(command, result)) << command;
        return result.str();
    }
};

// What the extended character makes beside the sample's own nodes.
const char* const kAdditions[] = {
    "node shadingEngine BodySG\n  member BodyShape.f[0:23]\n",
    "node skinCluster skinCluster1\n",
    "node blendShape Body_BlendShaper\n",
    "node transform |Body_Bulge\n  visibility = 0\n",
    "node cluster Handle1\n",
    "node transform |Handle\n",
    "node animCurveTU Body_BlendShaper_weight_0\n",
};

TEST_F(CharacterFileTest, TheExtendedSampleImportsWholeInModesTwoAndOne) {
    const std::string path = writeCharacter([](RWyxObjectFactory& factory, RWyxScene& scene) {
        RWyxNode* body = Named(scene, "Body");
        AddBulge(factory, *body);
        AddCluster(factory, scene, *body, "Handle");
        AddProperty(factory, *body, "Mood", "Real", "my mood")->SetDouble(0.75);
        RWyxCharacter* hero = scene.GetCharacter(scene.CreateCharacter("Hero"));
        RWyxCharacterLink link;
        link.node = Named(scene, "Hips");
        link.name = link.node->GetName();  // the file keeps a link by its node's name
        hero->SetCharacterLink(RWyxCharacterTables::GetGroupLinkId(RWyxCharacterTables::kBase, 0), link);
    });
    for (const int mode : {2, 1}) {
        HostTest::SetUp();
        ASSERT_TRUE(vexa_host::loadCharacterRigModule() || vexa_host::characterRigModuleLoaded());
        ASSERT_TRUE(import(path, mode)) << mode;
        const std::string scene = dump();
        for (const char* line : kAdditions) EXPECT_NE(scene.find(line), std::string::npos) << mode << line << scene;
        EXPECT_NE(scene.find("  my_mood = 0.75\n"), std::string::npos) << mode << scene;
        EXPECT_EQ(answer("ZOQGetCharacterCount"), "1");
        EXPECT_EQ(answer("ZOQGetCharacterName -ci 0"), "Hero");
        EXPECT_EQ(answer("ZOQGetCharacterNodeLink -ci 0 -lti 1 -li 0"), "Hips");
        vexa_host::unloadCharacterRigModule();
    }
}

TEST_F(CharacterFileTest, NamesWithQuotesAndBackslashesReachTheHostOnlyAsNames) {
    const char* const hostile = "Q\\\"; createNode transform -n injected; \"\\";
    const char* const handle = "H\\\"; createNode transform -n injected; \"\\";
    const std::string path = writeCharacter([&](RWyxObjectFactory& factory, RWyxScene& scene) {
        RWyxNode* body = Named(scene, "Body");
        body->SetName(hostile);
        AddCluster(factory, scene, *body, handle);
        AddProperty(factory, *body, "n", "Integer", "a \"quoted\" label")->SetInteger(3);
        AddBulge(factory, *body);
    });
    ASSERT_TRUE(run("createNode transform -n keep"));
    recordScripts();
    ASSERT_TRUE(import(path, 1));
    const std::string scene = dump();
    EXPECT_EQ(scene.find("|injected"), std::string::npos) << scene;
    EXPECT_NE(scene.find("node transform |keep\n"), std::string::npos) << scene;
    // The scripts that name the body's parts all ran: its set, its skin, its cluster.
    EXPECT_NE(scene.find("node skinCluster skinCluster1\n"), std::string::npos) << scene;
    EXPECT_NE(scene.find("node cluster "), std::string::npos) << scene;
    EXPECT_EQ(scriptsStartingWith("sets -renderable").size(), 1u);
    EXPECT_NE(scene.find("member "), std::string::npos) << scene;
    EXPECT_NE(scene.find("  a__quoted__label = 3\n"), std::string::npos) << scene;
}

}  // namespace
