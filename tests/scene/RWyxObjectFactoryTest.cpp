#include "scene/RWyxObjectFactory.h"

#include "tests/scene/NodeTestSupport.h"
#include "attributes/RWyxCamera.h"
#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "core/RClassRegistry.h"
#include "core/RNamePair.h"
#include "core/RWyxUserProperty.h"
#include "scene/RFactoryObjectList.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using node_test::MakeChain;

namespace {

// Counts the nodes and attributes of a factory that are alive, so that a teardown can be
// checked to leave none.
int gLiveNodes = 0;
int gLiveNulls = 0;
int gStrategyEvents = 0;
std::vector<std::string> gEndedNodes;  // names, in the order the nodes ended

class CountedNode : public RWyxNode {
public:
    CountedNode(RWyxObjectFactory* factory, const RString& name) : RWyxNode(factory, name) { ++gLiveNodes; }
    ~CountedNode() override {
        --gLiveNodes;
        gEndedNodes.push_back(GetName().Buffer());
    }
};

// Logs the detach a node asks of it, so that the order of destruction can be seen.
class CountedNull : public RWyxNull {
public:
    CountedNull(RWyxObjectFactory* factory, std::vector<std::string>* log) : RWyxNull(factory), log_(log) {
        ++gLiveNulls;
    }
    ~CountedNull() override {
        --gLiveNulls;
        if (log_ != nullptr) log_->push_back(GetNode() != nullptr ? "deleted attached" : "deleted");
    }
    void Detach() override {
        if (log_ != nullptr) log_->push_back("detach");
        RWyxNull::Detach();
    }

private:
    std::vector<std::string>* log_;
};

class CountingStrategy : public RRenamingStrategy {
public:
    CountingStrategy() : RRenamingStrategy(0, false) {}
    ~CountingStrategy() override { gStrategyEvents += 100; }
    void OnFactoryObjectsDestroyed() override { ++gStrategyEvents; }
};

class CountingFactory : public RWyxObjectFactory {
public:
    // The objects go while the log they write to is still there.
    ~CountingFactory() override { DestroyAll(); }

    RWyxNode* NewNode(const RString& fullName) override { return new CountedNode(this, fullName); }
    RWyxNull* NewNull() override { return new CountedNull(this, &log); }

    std::vector<std::string> log;
};

class FactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        gLiveNodes = 0;
        gLiveNulls = 0;
        gStrategyEvents = 0;
        gEndedNodes.clear();
    }
    void ExpectNotFound() {
        EXPECT_EQ(factory.GetError().GetLastErrorCode(), RWyxObjectFactory::kErrorObjectNotFound);
        EXPECT_STREQ(factory.GetError().GetLastErrorString(), "Object not found");
        factory.GetError().ClearError();
    }

    CountingFactory factory;
};

// ---- names ---------------------------------------------------------------------------------------------

TEST(FactoryNames, BuildPrefixedNameKeepsTheTextAfterTheFirstSeparator) {
    struct Case {
        const char* prefix;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"Model::", "Scene::Arm", "Model::Arm"}, {"Model::", "Model::Arm", "Model::Arm"},
        {"Model::", "Foo::", "Model::Name"},     {"Model::", "", "Model::Name"},
        {"Model::", nullptr, "Model::Name"},     {"Model::", "A::B::C", "Model::B::C"},
        {"", "Arm", "Arm"},                      {nullptr, "Pose::Rest", "Rest"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(BuildPrefixedName(c.prefix, c.name).Buffer(), c.expected) << (c.name ? c.name : "(null)");
    }
}

TEST(FactoryNames, OnlyClusterInAnyCaseMakesASubDeformerName) {
    EXPECT_STREQ(DeformerNamePrefix("cluster"), "SubDeformer::");
    EXPECT_STREQ(DeformerNamePrefix("CLUSTER"), "SubDeformer::");
    EXPECT_STREQ(DeformerNamePrefix("Skin"), "Deformer::");
    EXPECT_STREQ(DeformerNamePrefix("Clusters"), "Deformer::");
    EXPECT_STREQ(DeformerNamePrefix(nullptr), "Deformer::");
}

TEST_F(FactoryTest, CreatedObjectsCarryTheirPrefixedNames) {
    EXPECT_STREQ(factory.CreateNode("Scene::Arm")->GetName().Buffer(), "Model::Arm");
    EXPECT_STREQ(factory.CreateNode("")->GetName().Buffer(), "Model::Name");
    EXPECT_STREQ(factory.CreateMaterial("Skin")->GetName().Buffer(), "Material::Skin");
    EXPECT_STREQ(factory.CreateTexture("Model::Wood")->GetName().Buffer(), "Texture::Wood");
    EXPECT_STREQ(factory.CreatePose("Rest", true)->GetName().Buffer(), "Pose::Rest");
    EXPECT_STREQ(factory.CreateGobo("Spot")->GetName().Buffer(), "Spot");
    EXPECT_STREQ(factory.CreateGenericNode("Globals")->GetName().Buffer(), "Globals");

    RWyxDeformer* cluster = factory.CreateDeformer("Arm", "cluster");
    RWyxDeformer* skin = factory.CreateDeformer("Arm", "Skin");
    EXPECT_STREQ(cluster->GetName().Buffer(), "SubDeformer::Arm");
    EXPECT_EQ(cluster->GetDeformerType(), RWyxDeformer::kCluster);
    EXPECT_STREQ(skin->GetName().Buffer(), "Deformer::Arm");
    EXPECT_EQ(skin->GetDeformerType(), RWyxDeformer::kSkin);
}

TEST_F(FactoryTest, InvalidArgumentsRecordNothing) {
    EXPECT_EQ(factory.CreateGenericNode(nullptr), nullptr);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kGenericNodes), 0);
    EXPECT_EQ(factory.CreateDeformer("Arm", nullptr), nullptr);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kDeformers), 0);
    EXPECT_EQ(factory.CreateUserProperty(nullptr, "Real", "label"), nullptr);
    EXPECT_EQ(factory.CreateUserProperty("speed", "Real", nullptr), nullptr);
    EXPECT_EQ(factory.CreateUserPropertyFor(nullptr), nullptr);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kUserProperties), 0);
}

TEST_F(FactoryTest, ANullNameFailsLikeANullTypeAndRecordsNothing) {
    EXPECT_EQ(factory.CreateDeformer(nullptr, "Skin"), nullptr);
    EXPECT_EQ(factory.CreateDeformer(nullptr, nullptr), nullptr);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kDeformers), 0);
    // An empty name is a name: it gets the default one.
    RWyxDeformer* unnamed = factory.CreateDeformer("", "Skin");
    ASSERT_NE(unnamed, nullptr);
    EXPECT_STREQ(unnamed->GetName().Buffer(), "Deformer::Name");
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kDeformers), 1);
}

// ---- finding -------------------------------------------------------------------------------------------

TEST_F(FactoryTest, FindNodeCountsOccurrencesInCreationOrder) {
    RWyxNode* first = factory.CreateNode("Arm");
    factory.CreateNode("Leg");
    RWyxNode* second = factory.CreateNode("Scene::Arm");
    EXPECT_EQ(factory.FindNode("Arm", 0), first);
    EXPECT_EQ(factory.FindNode("Model::Arm", 0), first);
    EXPECT_EQ(factory.FindNode("Arm", 1), second);
    EXPECT_EQ(factory.GetError().GetLastErrorCode(), RError::kNoError);
    EXPECT_EQ(factory.FindNode("Arm", 2), nullptr);
    ExpectNotFound();
    EXPECT_EQ(factory.FindNode("Arm", -1), nullptr);
    ExpectNotFound();
    EXPECT_EQ(factory.FindNode("arm", 0), nullptr);
    ExpectNotFound();
}

TEST_F(FactoryTest, FindNodeFollowsRenamesAndKeepsListOrder) {
    RWyxNode* older = factory.CreateNode("Hand");
    RWyxNode* newer = factory.CreateNode("Finger");
    RWyxNode* newest = factory.CreateNode("Finger");
    older->SetName("Finger");
    EXPECT_EQ(factory.FindNode("Hand", 0), nullptr);
    EXPECT_EQ(factory.FindNode("Finger", 0), older);
    EXPECT_EQ(factory.FindNode("Finger", 1), newer);
    EXPECT_EQ(factory.FindNode("Finger", 2), newest);

    newer->GetNamePair().SetCurrent("Model::Thumb");
    EXPECT_EQ(factory.FindNode("Thumb", 0), newer);
    EXPECT_EQ(factory.FindNode("Finger", 1), newest);
    newest->ResetName("Model::Palm");
    EXPECT_EQ(factory.FindNode("Palm", 0), newest);
    EXPECT_EQ(factory.FindNode("Finger", 1), nullptr);

    ASSERT_TRUE(factory.DestroyNode(older, false));
    EXPECT_EQ(factory.FindNode("Finger", 0), nullptr);
}

// The pair a strategy renames may be kept and changed at any time: every change reaches the
// index, also after lookups have run.
TEST_F(FactoryTest, FindNodeFollowsEveryChangeMadeThroughTheNamePair) {
    RWyxNode* node = factory.CreateNode("P");
    RNamePair& pair = node->GetNamePair();
    EXPECT_EQ(factory.FindNode("P", 0), node);
    pair.SetCurrent("Model::Q");
    EXPECT_EQ(factory.FindNode("Q", 0), node);
    EXPECT_EQ(factory.FindNode("P", 0), nullptr);
    pair.SetBoth("Model::R");
    EXPECT_EQ(factory.FindNode("R", 0), node);
    EXPECT_EQ(factory.FindNode("Q", 0), nullptr);
    RNamePair renamed(RString("Model::S"));
    pair = renamed;
    EXPECT_EQ(factory.FindNode("S", 0), node);
    EXPECT_EQ(factory.FindNode("R", 0), nullptr);
}

TEST_F(FactoryTest, TheNodeRenamingStrategyMakesNewNamesUnique) {
    factory.SetNodeRenamingStrategy(std::make_unique<RRenamingStrategy>(0, false));
    RWyxNode* first = factory.CreateNode("Cube");
    RWyxNode* second = factory.CreateNode("Cube");
    EXPECT_STREQ(first->GetName().Buffer(), "Model::Cube");
    EXPECT_STREQ(second->GetName().Buffer(), "Model::Cube_ncl1_1");
    EXPECT_EQ(factory.FindNode("Cube", 1), nullptr);
    EXPECT_EQ(factory.FindNode("Cube_ncl1_1", 0), second);
    EXPECT_NE(factory.ReleaseNodeRenamingStrategy(), nullptr);
    EXPECT_STREQ(factory.CreateNode("Cube")->GetName().Buffer(), "Model::Cube");
}

TEST_F(FactoryTest, OtherKindsAreFoundByTheirOwnNames) {
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    RWyxMaterial* skin2 = factory.CreateMaterial("Skin");
    RWyxTexture* wood = factory.CreateTexture("Wood");
    RWyxGobo* spot = factory.CreateGobo("Spot");
    RWyxPose* rest = factory.CreatePose("Rest", false);
    RWyxGenericNode* globals = factory.CreateGenericNode("Globals");
    RWyxUserProperty* speed = factory.CreateUserProperty("speed", "Real", "Speed");

    EXPECT_EQ(factory.FindMaterial("Skin", 1), skin2);
    EXPECT_EQ(factory.FindMaterial("Material::Skin", 0), skin);
    EXPECT_EQ(factory.FindTexture("Wood", 0), wood);
    EXPECT_EQ(factory.FindGobo("Spot", 0), spot);
    EXPECT_EQ(factory.FindGobo("Model::Spot", 0), nullptr);
    ExpectNotFound();
    EXPECT_EQ(factory.FindPose("Pose::Rest"), rest);
    EXPECT_FALSE(rest->IsBindPose());
    EXPECT_EQ(factory.FindPose("Rest"), nullptr);
    ExpectNotFound();
    EXPECT_EQ(factory.FindGenericNode("Globals"), globals);
    EXPECT_EQ(factory.FindUserProperty("speed"), speed);
    EXPECT_EQ(factory.FindUserProperty("Speed"), nullptr);
    EXPECT_EQ(factory.GetError().GetLastErrorCode(), RError::kNoError);  // no error for user properties
    EXPECT_EQ(factory.GetMaterial(1), skin2);
    EXPECT_EQ(factory.GetMaterial(2), nullptr);
    EXPECT_EQ(factory.GetMaterial(-1), nullptr);
    EXPECT_EQ(factory.GetMaterialCount(), 2);
    EXPECT_EQ(factory.GetNode(0), nullptr);
}

// ---- materials and textures by name ----------------------------------------------------------------------

// The index-free answer: the occurrence-th material of the list whose current name, compared as
// C strings, is the prefixed name.
RWyxMaterial* ScanMaterials(const RWyxObjectFactory& factory, const char* name, int occurrence) {
    const RString wanted = BuildPrefixedName("Material::", name);
    for (int i = 0, matches = 0; i < factory.GetMaterialCount() && occurrence >= 0; ++i) {
        RWyxMaterial* material = factory.GetMaterial(i);
        if (material->GetName() == wanted && matches++ == occurrence) return material;
    }
    return nullptr;
}

TEST_F(FactoryTest, FindMaterialCountsNamesakesInListOrderWithExactCaseAndAnyPrefix) {
    const std::vector<RWyxMaterial*> made{factory.CreateMaterial("Skin"), factory.CreateMaterial("Bone"),
                                          factory.CreateMaterial("Scene::Skin")};
    // Only the text after the first "::" counts.
    for (const char* name : {"Skin", "Material::Skin", "Texture::Skin"}) {
        EXPECT_EQ(factory.FindMaterial(name, 0), made[0]) << name;
        EXPECT_EQ(factory.FindMaterial(name, 1), made[2]) << name;
    }
    EXPECT_EQ(factory.GetError().GetLastErrorCode(), RError::kNoError);
    for (int occurrence : {2, -1}) {
        EXPECT_EQ(factory.FindMaterial("Skin", occurrence), nullptr);
        ExpectNotFound();
    }
    EXPECT_EQ(factory.FindMaterial("skin", 0), nullptr);
    ExpectNotFound();
    EXPECT_EQ(factory.FindMaterial("Material::Skin::", 0), nullptr);  // "Material::Skin::" is not it
    ExpectNotFound();
    RWyxMaterial* unnamed = factory.CreateMaterial("");
    EXPECT_EQ(factory.FindMaterial(nullptr, 0), unnamed);  // both become "Name"
    EXPECT_EQ(factory.FindTexture("Skin", 0), nullptr);
    ExpectNotFound();
}

// A name is compared up to its first zero byte, as the lists' own search compares names.
TEST_F(FactoryTest, AMaterialOrTextureNameIsComparedUpToItsFirstZeroByte) {
    RWyxMaterial* material = factory.CreateMaterial("M");
    RWyxTexture* texture = factory.CreateTexture("T");
    material->ResetName(RString("Material::Ab\0c", 14));
    texture->ResetName(RString("Texture::Ab\0c", 13));
    EXPECT_EQ(factory.FindMaterial("Ab", 0), material);
    EXPECT_EQ(factory.FindTexture("Ab", 0), texture);
}

TEST_F(FactoryTest, FindMaterialAndTextureFollowEveryRenameAndKeepListOrder) {
    RWyxMaterial* older = factory.CreateMaterial("Hand");
    RWyxMaterial* newer = factory.CreateMaterial("Finger");
    EXPECT_EQ(factory.FindMaterial("Finger", 0), newer);
    older->SetName("Finger");
    EXPECT_EQ(factory.FindMaterial("Hand", 0), nullptr);
    EXPECT_EQ(factory.FindMaterial("Finger", 0), older);
    EXPECT_EQ(factory.FindMaterial("Finger", 1), newer);
    newer->GetNamePair().SetCurrent("Material::Thumb");
    EXPECT_EQ(factory.FindMaterial("Thumb", 0), newer);
    EXPECT_EQ(factory.FindMaterial("Finger", 1), nullptr);  // the initial name does not count

    RWyxTexture* wood = factory.CreateTexture("Wood");
    EXPECT_EQ(factory.FindTexture("Wood", 0), wood);
    wood->ResetName("Texture::Oak");
    EXPECT_EQ(factory.FindTexture("Oak", 0), wood);
    EXPECT_EQ(factory.FindTexture("Wood", 0), nullptr);
    wood->GetNamePair() = RNamePair(RString("Texture::Elm"));
    EXPECT_EQ(factory.FindTexture("Elm", 0), wood);
    EXPECT_EQ(factory.FindTexture("Oak", 0), nullptr);
}

TEST_F(FactoryTest, MaterialsAndTexturesRenamedByTheirStrategiesAreFoundByTheNewNames) {
    factory.SetMaterialRenamingStrategy(std::make_unique<RRenamingStrategy>(0, false));
    factory.SetTextureRenamingStrategy(std::make_unique<RRenamingStrategy>(0, false));
    factory.CreateMaterial("Red");
    RWyxMaterial* second = factory.CreateMaterial("Red");
    factory.CreateTexture("Oak");
    RWyxTexture* texture = factory.CreateTexture("Oak");
    EXPECT_EQ(factory.FindMaterial("Red", 1), nullptr);
    EXPECT_EQ(factory.FindMaterial(second->GetName().Buffer(), 0), second);
    EXPECT_EQ(factory.FindTexture("Oak", 1), nullptr);
    EXPECT_EQ(factory.FindTexture(texture->GetName().Buffer(), 0), texture);
}

TEST_F(FactoryTest, DestroyedMaterialsAndTexturesAreNotFoundAndTheirNamesakesMoveUp) {
    RWyxMaterial* first = factory.CreateMaterial("Skin");
    RWyxMaterial* second = factory.CreateMaterial("Skin");
    RWyxTexture* wood = factory.CreateTexture("Wood");
    EXPECT_EQ(factory.FindMaterial("Skin", 1), second);
    ASSERT_TRUE(factory.DestroyMaterial(first));
    EXPECT_EQ(factory.FindMaterial("Skin", 0), second);
    EXPECT_EQ(factory.FindMaterial("Skin", 1), nullptr);
    ASSERT_TRUE(factory.DestroyTexture(wood));
    EXPECT_EQ(factory.FindTexture("Wood", 0), nullptr);
    RWyxMaterial* third = factory.CreateMaterial("Skin");
    EXPECT_EQ(factory.FindMaterial("Skin", 1), third);

    factory.DestroyAll();
    EXPECT_EQ(factory.FindMaterial("Skin", 0), nullptr);
    EXPECT_EQ(factory.FindTexture("Wood", 0), nullptr);
    RWyxMaterial* again = factory.CreateMaterial("Skin");
    EXPECT_EQ(factory.FindMaterial("Skin", 0), again);
    EXPECT_EQ(factory.FindMaterial("Skin", 1), nullptr);
}

// Materials made, renamed and destroyed in a loop are found as a walk over the list finds them.
TEST_F(FactoryTest, FindMaterialAnswersAsTheListWalkAfterEveryChange) {
    const char* const names[] = {"A", "B", "C"};
    unsigned state = 7;
    auto next = [&state](unsigned bound) { return (state = state * 1103515245u + 12345u) / 65536u % bound; };
    for (int step = 0; step < 300; ++step) {
        const unsigned action = next(4);
        const int count = factory.GetMaterialCount();
        RWyxMaterial* some = count > 0 ? factory.GetMaterial(static_cast<int>(next(static_cast<unsigned>(count)))) : nullptr;
        if (action < 2 || some == nullptr) {
            factory.CreateMaterial(names[next(3)]);
        } else if (action == 2) {
            some->SetName(names[next(3)]);
        } else {
            ASSERT_TRUE(factory.DestroyMaterial(some));
        }
        for (const char* name : names) {
            for (int occurrence = 0; occurrence < 4; ++occurrence) {
                ASSERT_EQ(factory.FindMaterial(name, occurrence), ScanMaterials(factory, name, occurrence))
                    << "step " << step << " " << name << " " << occurrence;
            }
        }
    }
}

// ---- destroying ------------------------------------------------------------------------------------------

TEST_F(FactoryTest, DestroyingAnObjectTwiceFailsWithObjectNotFound) {
    using Destroy = std::function<bool()>;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxNodeAttribute* camera = factory.CreateCamera();
    RWyxSkinLink* link = factory.CreateSkinLink();
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    RWyxShape* shape = factory.CreateShape();
    RWyxTexture* texture = factory.CreateTexture("Wood");
    RWyxGobo* gobo = factory.CreateGobo("Spot");
    RWyxPose* pose = factory.CreatePose("Bind", true);
    RWyxUserProperty* userProperty = factory.CreateUserProperty("speed", "Real", "Speed");
    RWyxGenericNode* generic = factory.CreateGenericNode("Globals");
    RWyxDeformer* deformer = factory.CreateDeformer("Arm", "Skin");
    RWyxThumbnail* thumbnail = factory.CreateThumbnail();
    RWyxSceneInfo* info = factory.CreateSceneInfo();
    RWyxGeometryConverter* geometry = factory.CreateGeometryConverter();
    RImageConverter* image = factory.CreateImageConverter();
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    RWyxFileImporter* importer = factory.CreateFileImporter();
    const std::vector<std::pair<const char*, Destroy>> destroys = {
        // Recursively, so that the scene's root node goes too and every list ends empty.
        {"scene", [&] { return factory.DestroyScene(scene, true); }},
        {"node", [&] { return factory.DestroyNode(node, true); }},
        {"attribute", [&] { return factory.DestroyNodeAttribute(camera); }},
        {"skin link", [&] { return factory.DestroySkinLink(link); }},
        {"material", [&] { return factory.DestroyMaterial(material); }},
        {"shape", [&] { return factory.DestroyShape(shape); }},
        {"texture", [&] { return factory.DestroyTexture(texture); }},
        {"gobo", [&] { return factory.DestroyGobo(gobo); }},
        {"pose", [&] { return factory.DestroyPose(pose); }},
        {"user property", [&] { return factory.DestroyUserProperty(userProperty); }},
        {"generic node", [&] { return factory.DestroyGenericNode(generic); }},
        {"deformer", [&] { return factory.DestroyDeformer(deformer); }},
        {"thumbnail", [&] { return factory.DestroyThumbnail(thumbnail); }},
        {"scene info", [&] { return factory.DestroySceneInfo(info); }},
        {"geometry converter", [&] { return factory.DestroyGeometryConverter(geometry); }},
        {"image converter", [&] { return factory.DestroyImageConverter(image); }},
        {"file exporter", [&] { return factory.DestroyFileExporter(exporter); }},
        {"file importer", [&] { return factory.DestroyFileImporter(importer); }},
    };
    for (const auto& [kind, destroy] : destroys) {
        EXPECT_TRUE(destroy()) << kind;
        EXPECT_EQ(factory.GetError().GetLastErrorCode(), RError::kNoError) << kind;
        EXPECT_FALSE(destroy()) << kind;
        ExpectNotFound();
    }
    for (int kind = 0; kind < RWyxObjectFactory::kObjectKindCount; ++kind) {
        EXPECT_EQ(factory.GetObjectCount(static_cast<RWyxObjectFactory::ObjectKind>(kind)), 0) << kind;
    }
    EXPECT_FALSE(factory.DestroyNode(nullptr, false));
    ExpectNotFound();
}

TEST_F(FactoryTest, DestroyNodeRecursiveTakesTheSubtreeWithItsAttributes) {
    std::vector<RWyxNode*> chain = MakeChain(factory, 3);
    RWyxNode* sibling = factory.CreateNode("Sibling");
    RWyxNode* outside = factory.CreateNode("Outside");
    outside->AddChild(chain[0]);
    chain[0]->AddChild(sibling);
    for (RWyxNode* node : {chain[1], chain[2], sibling}) node->SetNodeAttribute(factory.CreateNull());
    ASSERT_EQ(gLiveNulls, 3);

    EXPECT_TRUE(factory.DestroyNode(chain[0], true));
    EXPECT_EQ(gLiveNodes, 1);
    EXPECT_EQ(gLiveNulls, 0);
    EXPECT_EQ(factory.GetNodeCount(), 1);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), 0);
    EXPECT_EQ(outside->GetChildCount(), 0);
}

// A node linked below a second parent through its properties object is reached twice by the
// walk over the tree, and goes once.
TEST_F(FactoryTest, ANodeReachedThroughTwoParentsIsDestroyedOnce) {
    RWyxNode* root = factory.CreateNode("Root");
    RWyxNode* left = factory.CreateNode("Left");
    RWyxNode* right = factory.CreateNode("Right");
    RWyxNode* shared = factory.CreateNode("Shared");
    root->AddChild(left);
    root->AddChild(right);
    left->AddChild(shared);
    ASSERT_TRUE(right->GetProperties()->ConnectSource(shared->GetProperties()));
    ASSERT_EQ(right->GetChildCount(), 1);
    shared->SetNodeAttribute(factory.CreateNull());
    shared->AddChild(factory.CreateNode("Below"));
    ASSERT_EQ(gLiveNodes, 5);

    EXPECT_TRUE(factory.DestroyNode(root, true));
    EXPECT_EQ(gLiveNodes, 0);
    EXPECT_EQ(gLiveNulls, 0);
    EXPECT_EQ(factory.log, (std::vector<std::string>{"detach", "deleted"}));
    EXPECT_EQ(factory.GetNodeCount(), 0);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), 0);
}

// The nodes that stay keep their list order, whichever places the subtree's nodes held.
TEST_F(FactoryTest, ASubtreeLeavesTheNodeListAndTheOthersKeepTheirOrder) {
    std::vector<RWyxNode*> kept;
    std::vector<RWyxNode*> subtree;
    for (int i = 0; i < 6; ++i) {
        kept.push_back(factory.CreateNode(("Kept" + std::to_string(i)).c_str()));
        subtree.push_back(factory.CreateNode(("Gone" + std::to_string(i)).c_str()));
    }
    for (size_t i = 1; i < subtree.size(); ++i) subtree[i / 2]->AddChild(subtree[i]);

    EXPECT_TRUE(factory.DestroyNode(subtree[0], true));
    EXPECT_EQ(gLiveNodes, 6);
    ASSERT_EQ(factory.GetNodeCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(factory.GetNode(i), kept[static_cast<size_t>(i)]);
    EXPECT_EQ(factory.FindNode("Gone3", 0), nullptr);
    EXPECT_EQ(factory.FindNode("Kept3", 0), kept[3]);
}

// Namesakes are found in list order however they leave: the oldest, one between, the newest.
TEST_F(FactoryTest, FindNodeCountsTheNamesakesThatStayAfterAnyOfThemGoes) {
    std::vector<RWyxNode*> arms;
    for (int i = 0; i < 5; ++i) arms.push_back(factory.CreateNode("Arm"));
    const auto expectArms = [&](const std::vector<RWyxNode*>& expected) {
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(factory.FindNode("Arm", static_cast<int>(i)), expected[i]);
        EXPECT_EQ(factory.FindNode("Arm", static_cast<int>(expected.size())), nullptr);
    };
    ASSERT_TRUE(factory.DestroyNode(arms[0], false));
    expectArms({arms[1], arms[2], arms[3], arms[4]});
    ASSERT_TRUE(factory.DestroyNode(arms[2], false));
    expectArms({arms[1], arms[3], arms[4]});
    ASSERT_TRUE(factory.DestroyNode(arms[4], false));
    expectArms({arms[1], arms[3]});
    arms[3]->SetName("Leg");
    expectArms({arms[1]});
    arms[3]->SetName("Arm");
    expectArms({arms[1], arms[3]});
    arms[1]->SetName("Leg");
    expectArms({arms[3]});
    arms[1]->SetName("Arm");
    expectArms({arms[1], arms[3]});
}

// Attributes made in the other order than the tree's all go with their subtree; one outside
// stays recorded.
TEST_F(FactoryTest, ASubtreeTakesItsAttributesWhateverOrderTheyWereMadeIn) {
    RWyxNull* outside = factory.CreateNull();
    std::vector<RWyxNull*> nulls;
    for (int i = 0; i < 5; ++i) nulls.push_back(factory.CreateNull());
    RWyxNode* root = factory.CreateNode("Root");
    for (int i = 0; i < 5; ++i) {
        RWyxNode* node = factory.CreateNode(("Child" + std::to_string(i)).c_str());
        node->SetNodeAttribute(nulls[static_cast<size_t>(4 - i)]);
        (i < 2 ? root : factory.GetNode(2))->AddChild(node);
    }
    factory.log.clear();

    EXPECT_TRUE(factory.DestroyNode(root, true));
    EXPECT_EQ(gLiveNodes, 0);
    EXPECT_EQ(gLiveNulls, 1);
    EXPECT_EQ(factory.log.size(), 10u);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), 1);
    EXPECT_TRUE(factory.DestroyNodeAttribute(outside));
    EXPECT_EQ(gLiveNulls, 0);
}

// The entries named go to the end in the order given, each once; the others keep their order.
TEST(FactoryObjectList, MoveToEndKeepsTheOthersInOrderAndMovesEachHeldEntryOnce) {
    int objects[6] = {};
    RFactoryObjectList<int> list;
    for (int& object : objects) ASSERT_TRUE(list.Append(&object));
    int absent = 0;
    list.MoveToEnd({&objects[1], &absent, &objects[4], &objects[1], &objects[0]});
    ASSERT_EQ(list.GetCount(), 6);
    const std::vector<int*> expected{&objects[2], &objects[3], &objects[5], &objects[1], &objects[4], &objects[0]};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(list.At(i), expected[static_cast<size_t>(i)]) << i;
}

TEST_F(FactoryTest, ASubtreeNodeOfAnotherFactoryIsLeftAliveAndTheResultIsFalse) {
    RWyxObjectFactory other;
    RWyxNode* foreign = other.CreateNode("Foreign");
    RWyxNode* parent = factory.CreateNode("Parent");
    RWyxNode* mine = factory.CreateNode("Mine");
    parent->AddChild(foreign);
    parent->AddChild(mine);
    EXPECT_FALSE(factory.DestroyNode(parent, true));
    EXPECT_EQ(gLiveNodes, 0);
    EXPECT_EQ(other.FindNode("Foreign", 0), foreign);
    EXPECT_EQ(foreign->GetParent(), nullptr);
}

TEST_F(FactoryTest, DestroyingAnAttributeDetachesItFromItsNodeFirst) {
    RWyxNode* node = factory.CreateNode("Holder");
    RWyxNull* null = factory.CreateNull();
    node->SetNodeAttribute(null);
    EXPECT_TRUE(factory.DestroyNodeAttribute(null));
    EXPECT_EQ(node->GetNodeAttribute(), nullptr);
    EXPECT_EQ(factory.log, (std::vector<std::string>{"detach", "deleted"}));
    EXPECT_STREQ(node->GetTypeName().Buffer(), "Null");
}

TEST_F(FactoryTest, ANodeDestroyedWithoutItsAttributeLeavesItDetachedAndRecorded) {
    RWyxNode* node = factory.CreateNode("Holder");
    RWyxNull* null = factory.CreateNull();
    node->SetNodeAttribute(null);
    EXPECT_TRUE(factory.DestroyNode(node, false));
    EXPECT_EQ(null->GetNode(), nullptr);
    EXPECT_EQ(gLiveNulls, 1);
    EXPECT_TRUE(factory.DestroyNodeAttribute(null));
    EXPECT_EQ(factory.log, (std::vector<std::string>{"detach", "deleted"}));
}

TEST_F(FactoryTest, DestroySceneFreesTheSceneWhateverTheFlag) {
    RWyxScene* kept = factory.CreateScene();
    RWyxScene* recursive = factory.CreateScene();
    EXPECT_EQ(kept->GetFactory(), &factory);
    EXPECT_TRUE(factory.DestroyScene(kept, false));
    EXPECT_TRUE(factory.DestroyScene(recursive, true));
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kScenes), 0);
}

// ---- user properties -------------------------------------------------------------------------------------

TEST_F(FactoryTest, AUserPropertyHandedToASceneObjectIsNoLongerTheFactorys) {
    RWyxNode* node = factory.CreateNode("Owner");
    RWyxUserProperty* speed = factory.CreateUserProperty("speed", "Real", "Speed");
    ASSERT_EQ(factory.GetObjectCount(RWyxObjectFactory::kUserProperties), 1);
    std::unique_ptr<RWyxUserProperty> handed = factory.HandOverUserProperty(speed);
    ASSERT_EQ(handed.get(), speed);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kUserProperties), 0);
    ASSERT_EQ(node->AddUserProperty(std::move(handed)), speed);
    EXPECT_NE(node->GetProperties()->FindProperty("speed"), nullptr);

    EXPECT_FALSE(factory.DestroyUserProperty(speed));
    ExpectNotFound();
    EXPECT_EQ(factory.HandOverUserProperty(speed), nullptr);
    ExpectNotFound();
    EXPECT_EQ(factory.FindUserProperty("speed"), nullptr);
}

// Every order of destruction must free each user property exactly once (the sanitizer's
// leak and double-free checks watch this test).
TEST(FactoryUserPropertyOrders, NodesWrappersAndStandAloneUserPropertiesGoOnceInEveryOrder) {
    for (int order = 0; order < 3; ++order) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxNode* node = factory->CreateNode("Owner");
        RWyxUserProperty* free = factory->CreateUserProperty("free", "Integer", "Free");
        RWyxUserProperty* wrapper = factory->CreateUserPropertyFor(node->GetProperties()->FindProperty("AxisLen"));
        ASSERT_NE(wrapper, nullptr);
        node->AddUserProperty(factory->HandOverUserProperty(factory->CreateUserProperty("extra", "Bool", "Extra")));
        switch (order) {
            case 0:
                EXPECT_TRUE(factory->DestroyNode(node, true));
                EXPECT_TRUE(factory->DestroyUserProperty(free));
                break;
            case 1:
                EXPECT_TRUE(factory->DestroyUserProperty(wrapper));
                EXPECT_TRUE(factory->DestroyNode(node, false));
                break;
            default: break;  // everything goes with the factory
        }
        factory.reset();
    }
}

// ---- teardown ----------------------------------------------------------------------------------------------

TEST_F(FactoryTest, DestroyAllDestroysWhatASessionLeftAndTellsTheStrategies) {
    factory.SetNodeRenamingStrategy(std::make_unique<CountingStrategy>());
    std::vector<RWyxNode*> chain = MakeChain(factory, 4);
    chain[1]->SetNodeAttribute(factory.CreateNull());
    factory.CreateNull();
    factory.CreateScene();
    factory.CreateMaterial("Skin");
    factory.CreateImageConverter();
    factory.CreateUserProperty("free", "Real", "Free");
    ASSERT_EQ(gLiveNodes, 6);  // the chain, and the scene's root and "Camera Switcher" nodes

    factory.DestroyAll();
    EXPECT_EQ(gLiveNodes, 0);
    EXPECT_EQ(gLiveNulls, 0);
    EXPECT_EQ(gStrategyEvents, 1);
    EXPECT_EQ(factory.log, (std::vector<std::string>{"detach", "deleted", "deleted"}));
    for (int kind = 0; kind < RWyxObjectFactory::kObjectKindCount; ++kind) {
        EXPECT_EQ(factory.GetObjectCount(static_cast<RWyxObjectFactory::ObjectKind>(kind)), 0) << kind;
    }
    EXPECT_EQ(factory.FindNode("Link0", 0), nullptr);
    EXPECT_NE(factory.CreateNode("Again"), nullptr);
}

// A parent made after its children: children leaving it oldest first leave the others in
// order, and a teardown ends the nodes in the order they were made.
TEST_F(FactoryTest, ChildrenMadeBeforeTheirParentLeaveItOldestFirstAndEndInTheOrderMade) {
    std::vector<RWyxNode*> children;
    for (int i = 0; i < 6; ++i) children.push_back(factory.CreateNode(("Marker" + std::to_string(i)).c_str()));
    RWyxNode* group = factory.CreateNode("Group");
    for (RWyxNode* child : children) ASSERT_TRUE(group->AddChild(child));
    EXPECT_TRUE(factory.DestroyNode(children[0], false));
    EXPECT_TRUE(factory.DestroyNode(children[1], false));
    ASSERT_EQ(group->GetChildCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(group->GetChild(i), children[static_cast<size_t>(i + 2)]);
    EXPECT_EQ(children[3]->GetParent(), group);

    factory.DestroyAll();
    EXPECT_EQ(gEndedNodes, (std::vector<std::string>{"Model::Marker0", "Model::Marker1", "Model::Marker2",
                                                     "Model::Marker3", "Model::Marker4", "Model::Marker5",
                                                     "Model::Group"}));
}

TEST(FactoryLifetime, ATornDownFactoryFreesEverythingAndItsStrategies) {
    gStrategyEvents = 0;
    EnsureSdkLoaded();  // the process's own start, taken once by the first use of the object model
    const int usersBefore = GetSdkUserCount();
    {
        RWyxObjectFactory factory;
        EXPECT_EQ(GetSdkUserCount(), usersBefore + 1);
        factory.SetNodeRenamingStrategy(std::make_unique<CountingStrategy>());
        factory.SetMaterialRenamingStrategy(std::make_unique<CountingStrategy>());
        RWyxNode* root = factory.CreateNode("Root");
        root->AddChild(factory.CreateNode("Child"));
        root->SetNodeAttribute(factory.CreateCamera());
        factory.CreateGobo("Spot");
        factory.CreateTexture("Wood");
        factory.CreateDeformer("Arm", "Cluster");
        factory.CreateFileImporter();
        factory.CreateGeometryConverter();
        factory.CreateThumbnail();
        factory.CreateSceneInfo();
    }
    EXPECT_EQ(gStrategyEvents, 2 + 200);  // told once each, then destroyed
    EXPECT_EQ(GetSdkUserCount(), usersBefore);
}

}  // namespace
