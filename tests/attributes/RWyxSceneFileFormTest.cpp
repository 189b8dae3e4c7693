// The scene's translation between the in-memory and the file form of materials, textures and
// skinning, round trips through what a file keeps (indices and connections), cluster names,
// and the destruction of the deformers it built.

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "core/RObjectProperty.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FileFormTest : public ::testing::Test {
protected:
    RWyxNode* MeshNode(const char* name, RWyxNode* parent) {
        RWyxNode* node = factory.CreateNode(name);
        node->SetNodeAttribute(factory.CreateMesh());
        parent->AddChild(node);
        return node;
    }
    RWyxSkinLink* Link(RWyxNode* linkNode, RWyxNode* associate, int seed) {
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(linkNode);
        link->SetAssociateModel(associate);
        link->SetMode(RWyxSkinLink::kTotal1);
        link->SetUserData("id" + RString(seed), "value" + RString(seed));
        link->AddControlPointIndex(seed, 0.25);
        link->AddControlPointIndex(seed + 3, 0.75);
        link->SetTransformMatrix(RMatrix::ConstructFromTRS(RVector4(seed, 2, 3, 0), RVector4(10, 20, 30, 0),
                                                           RVector4(1, 2, 1, 0)));
        link->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(-1, seed, 0, 0), RVector4(0, 45, 0, 0),
                                                               RVector4(1, 1, 1, 0)));
        link->SetTransformAssociateModelMatrix(RMatrix::ConstructFromTRS(RVector4(0, 0, seed, 0), RVector4(),
                                                                         RVector4(2, 2, 2, 0)));
        if (seed % 2 == 0) link->SetTransformParentMatrix(RMatrix::ConstructFromTRS(RVector4(4, 4, 4, 0), RVector4(), RVector4(1, 1, 1, 0)));
        return link;
    }
    std::vector<std::string> DeformerNames(int kind) const {
        std::vector<std::string> names;
        for (int i = 0; i < scene->GetDeformerCount(kind); ++i) names.emplace_back(scene->GetDeformer(i, kind)->GetName().Buffer());
        return names;
    }

    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* root = scene->GetRootNode();
};

TEST_F(FileFormTest, MaterialLayersRoundTripThroughTheNodesConnections) {
    RWyxNode* body = MeshNode("Body", root);
    RWyxMesh* mesh = body->GetMesh();
    std::vector<RWyxMaterial*> materials;
    for (const char* name : {"Skin", "Cloth", "Metal", "Unused"}) materials.push_back(factory.CreateMaterial(name));
    RWyxLayerElementMaterial* direct = mesh->EnsureLayer(0)->SetMaterials(std::make_unique<RWyxLayerElementMaterial>());
    direct->SetReferenceMode(RWyxLayerElement::kDirect);
    direct->AddDirect(materials[0]);
    direct->AddDirect(materials[1]);
    direct->AddDirect(materials[2]);
    RWyxLayerElementMaterial* indexed = mesh->EnsureLayer(1)->SetMaterials(std::make_unique<RWyxLayerElementMaterial>());
    indexed->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    for (int i : {0, 1, 2}) indexed->AddDirect(materials[static_cast<size_t>(i)]);
    for (int index : {2, 0, 5}) indexed->AddIndex(index);

    scene->ConnectLayerMaterials();
    ASSERT_EQ(body->GetProperties()->GetSourceCount(), 3) << "each material connected once";
    EXPECT_EQ(indexed->IndexArray(), (std::vector<int>{2, 0, -1})) << "an index past the direct array is cut";
    scene->ConnectLayerMaterials();
    EXPECT_EQ(body->GetProperties()->GetSourceCount(), 3);

    // What a file keeps of a layer: its modes and index array; the direct array is rebuilt.
    direct->ClearDirect();
    indexed->ClearDirect();
    scene->CollectLayerMaterials();
    EXPECT_EQ(direct->DirectArray(), (std::vector<RWyxMaterial*>{materials[0], materials[1], materials[2]}))
        << "a direct layer reads back every connected material";
    EXPECT_EQ(indexed->DirectArray(), (std::vector<RWyxMaterial*>{materials[0], materials[2]}))
        << "only what an index uses, in connection order";
    EXPECT_EQ(indexed->IndexArray(), (std::vector<int>{1, 0, -1})) << "indices follow their entries";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mesh->GetMaterial(i, 0), materials[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(indexed->GetMappedAt(0), &indexed->DirectArray()[1]);
}

TEST_F(FileFormTest, TextureLayersTakeTheSameRoadAndIndexReferenceIsLeftAlone) {
    RWyxNode* body = MeshNode("Body", root);
    RWyxMesh* mesh = body->GetMesh();
    RWyxTexture* wood = factory.CreateTexture("Wood");
    RWyxTexture* stone = factory.CreateTexture("Stone");
    ASSERT_EQ(mesh->AddTexture(wood, 0), 0);
    ASSERT_EQ(mesh->AddTexture(stone, 0), 1);
    RWyxLayerElementTexture* element = mesh->GetLayer(0)->GetTextures();
    element->AddIndex(1);
    RWyxLayerElementTexture* byIndex = mesh->EnsureLayer(1)->SetTextures(std::make_unique<RWyxLayerElementTexture>());
    byIndex->SetReferenceMode(RWyxLayerElement::kIndex);
    byIndex->AddIndex(0);

    scene->ConnectLayerTextures();
    EXPECT_EQ(body->GetProperties()->GetSourceCount(), 2);
    EXPECT_EQ(mesh->GetTexture(1, 1), stone) << "index reference answers the owner's connected texture";
    element->ClearDirect();
    scene->CollectLayerTextures();
    EXPECT_EQ(element->DirectArray(), std::vector<RWyxTexture*>{stone});
    EXPECT_EQ(element->IndexArray(), std::vector<int>{0});
    EXPECT_EQ(byIndex->GetDirectCount(), 0);
}

TEST_F(FileFormTest, SkinAndClusterNamesComeFromTheNodesAndNeverClash) {
    RWyxNode* body = MeshNode("Body", root);
    RWyxNode* leftArm = factory.CreateNode("Arm");
    RWyxNode* rightArm = factory.CreateNode("Arm");
    root->AddChild(leftArm);
    body->AddChild(rightArm);
    RWyxMesh* mesh = body->GetMesh();
    mesh->AddDeformer(Link(leftArm, nullptr, 1));
    mesh->AddDeformer(Link(rightArm, nullptr, 2));
    mesh->AddDeformer(factory.CreateSkinLink());  // no link node: no cluster
    MeshNode("Plain", root);                       // no skin links: no skin

    scene->BuildDeformersFromSkinLinks();
    EXPECT_EQ(DeformerNames(RWyxDeformer::kSkin), std::vector<std::string>{"Deformer::Skin Body"});
    EXPECT_EQ(DeformerNames(RWyxDeformer::kCluster),
              (std::vector<std::string>{"SubDeformer::Cluster Arm", "SubDeformer::Cluster Arm 1"}));
    const RWyxDeformer* skin = scene->GetDeformer(0, RWyxDeformer::kSkin);
    EXPECT_TRUE(body->GetProperties()->HasSourceConnection(skin->GetProperties()));
    EXPECT_EQ(skin->GetProperties()->GetSourceCount(), 2);
    EXPECT_STREQ(skin->GetTypeName().Buffer(), "Skin");
    EXPECT_STREQ(scene->GetDeformer(1, RWyxDeformer::kCluster)->GetTypeDescription().Buffer(), "Cluster");
}

// A cluster name the scene held before the build is taken, as are those the build gave.
TEST_F(FileFormTest, ClusterNamesHeldBeforeTheBuildAreTaken) {
    RWyxDeformer* held = factory.CreateDeformer("Cluster Arm", "Cluster");
    scene->AddDeformer(held);
    RWyxNode* body = MeshNode("Body", root);
    for (int i = 0; i < 2; ++i) body->GetMesh()->AddDeformer(Link(MeshNode("Arm", root), nullptr, 1));
    scene->BuildDeformersFromSkinLinks();
    EXPECT_EQ(DeformerNames(RWyxDeformer::kCluster),
              (std::vector<std::string>{"SubDeformer::Cluster Arm", "SubDeformer::Cluster Arm 1",
                                        "SubDeformer::Cluster Arm 2"}));
    EXPECT_EQ(scene->GetDeformer(0, RWyxDeformer::kCluster), held);
}

TEST_F(FileFormTest, SkinLinksRoundTripThroughDeformersWithNodesAndClusterData) {
    RWyxNode* body = MeshNode("Body", root);
    RWyxNode* arm = MeshNode("Arm", root);
    RWyxNode* leg = MeshNode("Leg", root);
    RWyxMesh* mesh = body->GetMesh();
    const RWyxSkinLink* written[] = {Link(arm, leg, 2), Link(leg, nullptr, 3)};
    for (const RWyxSkinLink* link : written) mesh->AddDeformer(const_cast<RWyxSkinLink*>(link));

    scene->BuildDeformersFromSkinLinks();
    const RWyxDeformer* armCluster = scene->FindDeformer("SubDeformer::Cluster Arm");
    ASSERT_NE(armCluster, nullptr);
    const RObjectProperty* reference = armCluster->GetProperties()->GetSrcModelReference();
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->GetReferencedObject(), leg->GetProperties());

    mesh->ClearDeformers();  // what a reader starts from: no skin links
    scene->BuildSkinLinksFromDeformers();
    ASSERT_EQ(mesh->GetDeformerCount(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const RWyxSkinLink& before = *written[i];
        const RWyxSkinLink& after = *mesh->GetDeformer(i);
        EXPECT_NE(&after, &before);
        EXPECT_EQ(after.GetLink(), before.GetLink());
        EXPECT_EQ(after.GetAssociateModel(), before.GetAssociateModel());
        EXPECT_EQ(after.GetMode(), before.GetMode());
        EXPECT_STREQ(after.GetUserDataId().Buffer(), before.GetUserDataId().Buffer());
        EXPECT_STREQ(after.GetUserDataValue().Buffer(), before.GetUserDataValue().Buffer());
        ASSERT_EQ(after.GetControlPointIndicesCount(), 2);
        EXPECT_EQ(after.GetControlPointIndices()[1], before.GetControlPointIndices()[1]);
        EXPECT_EQ(after.GetControlPointWeights()[0], before.GetControlPointWeights()[0]);
        EXPECT_EQ(MatrixCompare(after.GetTransformMatrix(), before.GetTransformMatrix(), 0.0), 0);
        EXPECT_EQ(MatrixCompare(after.GetTransformLinkMatrix(), before.GetTransformLinkMatrix(), 0.0), 0);
        EXPECT_EQ(MatrixCompare(after.GetTransformAssociateModelMatrix(), before.GetTransformAssociateModelMatrix(), 0.0), 0);
        EXPECT_EQ(after.IsTransformParentSet(), before.IsTransformParentSet());
        EXPECT_EQ(MatrixCompare(after.GetTransformParentMatrix(), before.GetTransformParentMatrix(), 0.0), 0);
    }
}

// A deformer recorded twice used to stay behind once destroyed, and the loop took it again.
TEST_F(FileFormTest, DestroyDeformersEndsWithEveryDeformerGoneEvenWhenRecordedTwice) {
    RWyxNode* body = MeshNode("Body", root);
    body->GetMesh()->AddDeformer(Link(MeshNode("Arm", root), nullptr, 1));
    scene->BuildDeformersFromSkinLinks();
    RWyxDeformer* cluster = scene->GetDeformer(0, RWyxDeformer::kCluster);
    scene->AddDeformer(cluster);
    scene->AddDeformer(scene->GetDeformer(0, RWyxDeformer::kSkin));
    scene->DestroyDeformers();
    EXPECT_EQ(scene->GetDeformerCount(0), 0);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kDeformers), 0);
    EXPECT_EQ(body->GetProperties()->GetSourceCount(), 0) << "the skin left the node";
}

}  // namespace
