#include "scene/RWyxEntityContainer.h"

#include "tests/scene/MembershipTestSupport.h"
#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxTexture.h"
#include "scene/RMemberList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using EntityContainerTest = membership_test::SceneFixture;
using Container = RWyxEntityContainer;

// Neither side may outlive the other's record: a destroyed member leaves, a destroyed
// container unlinks its members (the latter made in a factory of their own, kept on failure).
TEST_F(EntityContainerTest, ARootedNewContainerAndMembersThatNeverOutliveTheirRecord) {
    ASSERT_NE(Root(), nullptr);
    EXPECT_STREQ(Root()->GetName().Buffer(), "Model::RootNode");
    EXPECT_EQ(Root()->GetEntity(), scene.get());
    EXPECT_EQ(scene->GetNode(0), Root());
    EXPECT_EQ(Container(nullptr).GetRootNode(), nullptr) << "no factory, no root";
    ASSERT_TRUE(factory.DestroyNode(Node("Arm", Root()), false));
    EXPECT_EQ(scene->GetNodeCount(), 1);
    // A member without a parent leaves its record when it goes.
    RWyxNode* loose = Node("Loose");
    ASSERT_TRUE(scene->AddNode(loose));
    ASSERT_TRUE(factory.DestroyNode(loose, false));
    EXPECT_EQ(scene->GetNodeCount(), 1);
    EXPECT_EQ(scene->GetNode(0), Root());

    auto own = std::make_unique<RWyxObjectFactory>();
    RWyxNode* orphan = Container(own.get()).GetRootNode();
    EXPECT_EQ(orphan->GetEntity(), nullptr);
    if (HasFailure()) (void)own.release();
}

TEST_F(EntityContainerTest, NodeListChangesKeepTheLinkAndRefusalsSetTheirCodes) {
    RWyxNode* loose = Node("Loose");
    Container other(&factory);
    const struct {
        const char* what;
        std::function<bool()> call;
        int code;
    } refusals[] = {
        {"add null", [&] { return scene->AddNode(nullptr); }, Container::kErrorNodeNull},
        {"add a member", [&] { return scene->AddNode(Root()); }, Container::kErrorNodeOwned},
        {"add another's", [&] { return scene->AddNode(other.GetRootNode()); }, Container::kErrorNodeOwned},
        {"remove null", [&] { return scene->RemoveNode(nullptr); }, Container::kErrorNodeNull},
        {"remove a stranger", [&] { return scene->RemoveNode(loose); }, Container::kErrorNodeNotMember},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        EXPECT_FALSE(r.call());
        EXPECT_EQ(scene->GetError().GetLastErrorCode(), r.code);
        EXPECT_EQ(scene->GetNodeCount(), 1);
    }
    EXPECT_STREQ(scene->GetError().GetLastErrorString(), "Node does not belong to the entity.");
    ASSERT_TRUE(scene->AddNode(loose));
    EXPECT_EQ(loose->GetEntity(), scene.get());
    RWyxNode* root = Root();
    ASSERT_TRUE(scene->RemoveNode(root));
    EXPECT_EQ(scene->GetRootNode(), nullptr);
    EXPECT_EQ(root->GetEntity(), nullptr);
    EXPECT_EQ(scene->GetNode(0), loose);
}

TEST_F(EntityContainerTest, IndexGettersAnswerNullWithCodeThreeOutOfRange) {
    scene->AddMaterialUse(factory.CreateMaterial("Skin"));
    const std::pair<std::function<const void*(int)>, int> getters[] = {
        {[&](int i) { return scene->GetNode(i); }, 1},        {[&](int i) { return scene->GetMaterial(i); }, 1},
        {[&](int i) { return scene->GetTexture(i); }, 0},     {[&](int i) { return scene->GetGobo(i); }, 0},
        {[&](int i) { return scene->GetGenericNode(i); }, 0},
    };
    for (const auto& [get, count] : getters) {
        for (int index : {-1, count}) {
            scene->GetError().ClearError();
            EXPECT_EQ(get(index), nullptr) << index;
            EXPECT_EQ(scene->GetError().GetLastErrorCode(), Container::kErrorOutOfRange) << index;
        }
        if (count > 0) {
            EXPECT_NE(get(0), nullptr);
        }
    }
}

// Every use list counts alike: a second use must go before the entry does.
TEST_F(EntityContainerTest, UseListsCountUsesFindByFullNameAndReportInUseAndNotFound) {
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    RWyxTexture* texture = factory.CreateTexture("Wood");
    RWyxGobo* gobo = factory.CreateGobo("Spot");
    RWyxGenericNode* generic = factory.CreateGenericNode("Extra");
    RWyxDeformer* deformer = factory.CreateDeformer("Arm", "Skin");
    Container& s = *scene;
    const struct {
        std::function<bool()> add, remove;
        std::function<const void*()> find;
        const void* object;
        int inUse, notFound;
        const char* inUseText;
    } kinds[] = {
        {[&] { return s.AddMaterialUse(material); }, [&] { return s.RemoveMaterialUse(material); },
         [&] { return s.FindMaterial("Material::Skin"); }, material, 4, 5, "Material still in use."},
        {[&] { return s.AddTextureUse(texture); }, [&] { return s.RemoveTextureUse(texture); },
         [&] { return s.FindTexture("Texture::Wood"); }, texture, 6, 7, "Texture still in use."},
        {[&] { return s.AddGoboUse(gobo); }, [&] { return s.RemoveGoboUse(gobo); }, [&] { return s.GetGobo(0); },
         gobo, 8, 9, "Gobo still in use."},
        {[&] { return s.AddGenericNodeUse(generic); }, [&] { return s.RemoveGenericNodeUse(generic); },
         [&] { return s.FindGenericNode("Extra"); }, generic, 11, 12, ""},
        {[&] { return s.AddDeformerUse(deformer); }, [&] { return s.RemoveDeformerUse(deformer); },
         [&] { return s.FindDeformer("Deformer::Arm"); }, deformer, 14, 15, ""},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.inUse);
        EXPECT_TRUE(k.add() && k.add());
        EXPECT_EQ(k.find(), k.object);
        EXPECT_FALSE(k.remove());
        EXPECT_EQ(s.GetError().GetLastErrorCode(), k.inUse);
        EXPECT_STREQ(s.GetError().GetLastErrorString(), k.inUseText);
        EXPECT_EQ(k.find(), k.object) << "one use remains";
        EXPECT_TRUE(k.remove());
        EXPECT_FALSE(k.remove());
        EXPECT_EQ(s.GetError().GetLastErrorCode(), k.notFound);
    }
    EXPECT_EQ(s.GetMaterialCount() + s.GetTextureCount() + s.GetGoboCount() + s.GetGenericNodeCount(), 0);
    EXPECT_FALSE(s.AddMaterialUse(nullptr));
    s.GetError().ClearError();
    EXPECT_EQ(s.FindGenericNode("Extra"), nullptr);
    EXPECT_FALSE(s.GetError().HasError()) << "generic nodes and deformers are looked up quietly";
    EXPECT_EQ(s.FindMaterial("Skin"), nullptr);
    EXPECT_EQ(s.GetError().GetLastErrorCode(), Container::kErrorMaterialNotFound);
    EXPECT_EQ(s.FindTexture("Wood"), nullptr);
    EXPECT_EQ(s.GetError().GetLastErrorCode(), Container::kErrorTextureNotFound);

    // Of two recorded objects with one name, the look-up answers the first recorded.
    RWyxMaterial* first = factory.CreateMaterial("Twin");
    RWyxMaterial* second = factory.CreateMaterial("Twin");
    ASSERT_EQ(first->GetName(), second->GetName());
    s.AddMaterialUse(first);
    s.AddMaterialUse(second);
    EXPECT_EQ(s.FindMaterial("Material::Twin"), first);
    s.RemoveMaterialUse(first);
    EXPECT_EQ(s.FindMaterial("Material::Twin"), second);
}

TEST_F(EntityContainerTest, AGoboNamedAsAnEarlierEntrysIsRefusedWhileTheSameGoboCountsUp) {
    RWyxGobo* spot = factory.CreateGobo("Spot");
    RWyxGobo* twin = factory.CreateGobo("Spot");
    RWyxGobo* other = factory.CreateGobo("Other");
    ASSERT_TRUE(scene->AddGoboUse(spot));
    EXPECT_FALSE(scene->AddGoboUse(twin));
    EXPECT_EQ(scene->GetError().GetLastErrorCode(), Container::kErrorGoboNameClash);
    EXPECT_STREQ(scene->GetError().GetLastErrorString(), "Gobo name clash.");
    EXPECT_TRUE(scene->AddGoboUse(other) && scene->AddGoboUse(spot));
    EXPECT_EQ(scene->GetUseCount(spot), 2);
    EXPECT_EQ(scene->GetUseCount(twin), 0);
    other->SetName(RString("Spot"));  // renamed since: the first entry of the gobo or its name decides
    EXPECT_TRUE(scene->AddGoboUse(spot));
    EXPECT_FALSE(scene->AddGoboUse(other));
    EXPECT_EQ(scene->GetUseCount(other), 1);
}

// Asked with entries leaving, the walk skips them: the gobo's own entry no longer comes first,
// and a leaving gobo of its name no longer refuses it.
TEST_F(EntityContainerTest, AGoboClashIsAnsweredWithoutTheEntriesOfLeavingGobos) {
    RWyxGobo* spot = factory.CreateGobo("Spot");
    RWyxGobo* other = factory.CreateGobo("Other");
    RWyxGobo* twin = factory.CreateGobo("Spot");
    ASSERT_TRUE(scene->AddGoboUse(spot) && scene->AddGoboUse(other));
    other->SetName(RString("Spot"));
    EXPECT_FALSE(scene->WouldGoboClash(spot));
    EXPECT_TRUE(scene->WouldGoboClash(spot, {spot}));
    EXPECT_FALSE(scene->WouldGoboClash(spot, {other}));
    EXPECT_FALSE(scene->WouldGoboClash(twin, {spot, other}));
    EXPECT_TRUE(scene->WouldGoboClash(twin, {other}));
    EXPECT_EQ(scene->GetGoboCount(), 2);
}

TEST_F(EntityContainerTest, DeformersAreCountedAndIndexedByKind) {
    RWyxDeformer* skin1 = factory.CreateDeformer("A", "Skin");
    RWyxDeformer* skin2 = factory.CreateDeformer("B", "Skin");
    RWyxDeformer* cluster1 = factory.CreateDeformer("C", "cluster");
    RWyxDeformer* cluster2 = factory.CreateDeformer("D", "Cluster");
    for (RWyxDeformer* deformer : {skin1, skin2, cluster1, skin2, cluster2}) scene->AddDeformerUse(deformer);
    using Kinds = std::vector<std::pair<int, std::vector<RWyxDeformer*>>>;
    const auto expectKinds = [this](const Kinds& kinds) {
        for (const auto& [kind, order] : kinds) {
            EXPECT_EQ(scene->GetDeformerCount(kind), static_cast<int>(order.size())) << kind;
            for (int i = -1; i <= static_cast<int>(order.size()); ++i) {
                const bool inRange = i >= 0 && i < static_cast<int>(order.size());
                EXPECT_EQ(scene->GetDeformer(i, kind), inRange ? order[static_cast<size_t>(i)] : nullptr) << kind << i;
            }
        }
    };
    expectKinds({{0, {skin1, skin2, cluster1, cluster2}}, {1, {skin1, skin2}}, {2, {cluster1, cluster2}}, {3, {}}, {-1, {}}});
    // A deformer leaves its kind with its last use, and comes back at the end.
    EXPECT_FALSE(scene->RemoveDeformerUse(skin2));
    EXPECT_EQ(scene->GetDeformerCount(1), 2) << "one use of it remains";
    EXPECT_TRUE(scene->RemoveDeformerUse(skin2) && scene->RemoveDeformerUse(cluster1));
    EXPECT_TRUE(scene->AddDeformerUse(cluster1) && scene->AddDeformerUse(skin2));
    expectKinds({{0, {skin1, cluster2, cluster1, skin2}}, {1, {skin1, skin2}}, {2, {cluster2, cluster1}}});
}

TEST_F(EntityContainerTest, NodesByAttributeTypeComeInListOrderOrDepthFirstFromTheRoot) {
    RWyxNode* a = Node("A");
    RWyxNode* b = Node("B", Root());
    Node("C", b);
    Root()->AddChild(a);  // joins after B and C
    RWyxNode* d = Node("D", b);
    for (RWyxNode* node : {Root(), a, b, d}) node->SetNodeAttribute(factory.CreateSkeleton());
    Node("Outside")->SetNodeAttribute(factory.CreateSkeleton());
    std::vector<RWyxNode*> nodes{a};
    const auto collect = [&](bool walk, int type = RWyxNodeAttribute::kSkeleton) {
        scene->CollectNodesByAttributeType(nodes, type, walk);
        return Names(nodes);
    };
    EXPECT_EQ(collect(false), "RootNode B A D");
    EXPECT_EQ(collect(true), "RootNode B D A");
    EXPECT_EQ(collect(true, RWyxNodeAttribute::kMesh), "");
    Root()->AddChild(b);  // leaves and joins again: after A
    EXPECT_EQ(collect(false), "RootNode A B D");
    EXPECT_EQ(collect(true), "RootNode A B D");
}

TEST_F(EntityContainerTest, ClearUnlinksNodesGeometriesAndShapesAndKeepsGenericNodesAndDeformers) {
    RWyxNode* child = Node("Child", Root());
    RWyxGenericNode* generic = factory.CreateGenericNode("Extra");
    generic->SetEntity(scene.get());
    scene->AddMaterialUse(factory.CreateMaterial("Skin"));
    scene->AddTextureUse(factory.CreateTexture("Wood"));
    scene->AddGoboUse(factory.CreateGobo("Spot"));
    scene->AddDeformerUse(factory.CreateDeformer("Arm", "Skin"));
    RWyxMesh* mesh = Mesh(child);
    RWyxShape* shape = factory.CreateShape();
    ASSERT_EQ(mesh->AddShape(shape, "Smile"), 0);
    mesh->SetEntityLink(scene.get());
    shape->SetEntityLink(scene.get());
    RWyxNode* root = Root();
    scene->Clear();
    EXPECT_EQ(mesh->GetEntityLink(), nullptr);
    EXPECT_EQ(shape->GetEntityLink(), nullptr);
    EXPECT_EQ(scene->GetRootNode(), nullptr);
    EXPECT_EQ(scene->GetNodeCount(), 0);
    EXPECT_EQ(root->GetEntity(), nullptr);
    EXPECT_EQ(child->GetEntity(), nullptr);
    EXPECT_EQ(scene->GetMaterialCount() + scene->GetTextureCount() + scene->GetGoboCount(), 0);
    EXPECT_EQ(scene->GetDeformerCount(0), 1);
    EXPECT_EQ(generic->GetEntity(), scene.get());
    EXPECT_EQ(scene->GetGenericNode(0), generic);
    generic->SetEntity(nullptr);
}

TEST_F(EntityContainerTest, AGenericNodeMovesWholeBetweenContainersAndLeavesWhenDestroyed) {
    RWyxGenericNode* generic = factory.CreateGenericNode("Extra");
    Container other(&factory);
    generic->SetEntity(scene.get());
    scene->AddGenericNodeUse(generic);  // a second use
    generic->SetEntity(&other);
    EXPECT_EQ(generic->GetEntity(), &other);
    EXPECT_EQ(scene->GetGenericNodeCount(), 0) << "every use left the former container";
    EXPECT_EQ(other.GetUseCount(generic), 1);
    scene->AddGenericNodeUse(generic);  // recording it elsewhere moves it too
    EXPECT_EQ(generic->GetEntity(), scene.get());
    EXPECT_EQ(other.GetGenericNodeCount(), 0);
    EXPECT_TRUE(scene->RemoveGenericNodeUse(generic));
    EXPECT_EQ(generic->GetEntity(), nullptr) << "the last use takes the link";
    generic->SetEntity(scene.get());
    ASSERT_TRUE(factory.DestroyGenericNode(generic));
    EXPECT_EQ(scene->GetGenericNodeCount(), 0) << "a destroyed generic node leaves its container";

    auto own = std::make_unique<RWyxObjectFactory>();
    RWyxGenericNode* kept = own->CreateGenericNode("Kept");
    kept->SetEntity(std::make_unique<Container>(own.get()).get());
    EXPECT_EQ(kept->GetEntity(), nullptr) << "a destroyed container leaves no link";
    if (HasFailure()) (void)own.release();
}

// Checked against a plain vector through appends, removals (enough to force compaction and
// growth) and index look-ups.
TEST(MemberListTest, MatchesAPlainOrderedListThroughAppendsRemovalsAndLookups) {
    std::vector<int> objects(3000);
    RMemberList<int> list;
    std::vector<int*> model;
    std::mt19937 random(7);
    for (int round = 0; round < 6000; ++round) {
        int* object = &objects[random() % objects.size()];
        const auto found = std::find(model.begin(), model.end(), object);
        const bool append = random() % 3 != 0;
        EXPECT_EQ(append ? list.Append(object) : list.Remove(object), append == (found == model.end()));
        if (append && found == model.end()) model.push_back(object);
        if (!append && found != model.end()) model.erase(found);
        if (round % 97 != 0) continue;
        ASSERT_EQ(list.GetCount(), static_cast<int>(model.size())) << round;
        for (int i = 0; i < list.GetCount(); ++i) {
            ASSERT_EQ(list.At(i), model[static_cast<size_t>(i)]) << round << " at " << i;
            ASSERT_EQ(list.IndexOf(model[static_cast<size_t>(i)]), i) << round;
        }
    }
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(list.GetCount()), nullptr);
    EXPECT_FALSE(list.Append(nullptr));
    list.Clear();
    EXPECT_EQ(list.IndexOf(model.front()), -1);
}

}  // namespace
