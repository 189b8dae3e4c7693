// The scene after a write is the scene before it: the file form the writer needs (material,
// texture and deformer objects connected to the nodes) is undone, whatever the write did.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxScenePreparation.h"

namespace {

using namespace writer_test;

class ScenePreparationTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        bone = AddNode("Bone");
        body = AddNode("Body");
        mesh = factory.CreateMesh();
        mesh->InitControlPoints(3);
        mesh->AddMaterial(factory.CreateMaterial("Skin"));
        mesh->AddTexture(factory.CreateTexture("Wood"));
        mesh->GetLayer(0)->GetMaterials()->IndexArray() = {0, 7};
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(bone);
        link->AddControlPointIndex(0, 1.0);
        mesh->AddDeformer(link);
        body->SetNodeAttribute(mesh);
        kept = factory.CreateDeformer("Kept", "Skin");
        scene->AddDeformer(kept);
    }
    std::vector<int> Counts() const {
        std::vector<int> counts;
        for (int kind = 0; kind < RWyxObjectFactory::kObjectKindCount; ++kind) {
            counts.push_back(factory.GetObjectCount(static_cast<RWyxObjectFactory::ObjectKind>(kind)));
        }
        return counts;
    }

    RWyxNode* bone = nullptr;
    RWyxNode* body = nullptr;
    RWyxMesh* mesh = nullptr;
    RWyxDeformer* kept = nullptr;
};

TEST_F(ScenePreparationTest, TheFileFormIsUndoneAfterTheWrite) {
    const std::vector<int> before = Counts();
    const int boneUses = bone->GetProperties()->GetDestinationCount();
    {
        const RWyxScenePreparation preparation(*scene);
        EXPECT_EQ(body->GetProperties()->GetSourceCount(), 3) << "material, texture and skin connected";
        EXPECT_EQ(scene->GetDeformerCount(RWyxDeformer::kCluster), 1);
        EXPECT_EQ(mesh->GetLayer(0)->GetMaterials()->IndexArray(), (std::vector<int>{0, -1}));
    }
    EXPECT_EQ(body->GetProperties()->GetSourceCount(), 0);
    EXPECT_EQ(bone->GetProperties()->GetDestinationCount(), boneUses) << "the cluster that used the bone is gone";
    EXPECT_EQ(mesh->GetLayer(0)->GetMaterials()->IndexArray(), (std::vector<int>{0, 7}));
    EXPECT_EQ(scene->GetDeformerCount(0), 1);
    EXPECT_EQ(scene->GetDeformer(0, 0), kept) << "a deformer the scene had stays";
    EXPECT_EQ(Counts(), before);
}

TEST_F(ScenePreparationTest, WritingLeavesConnectionsObjectsAndSelectionsAsTheyWere) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen);
    nurb->SetOrder(2, 2);
    nurb->SetSwapUVFlag(true);
    AddNode("Surface")->SetNodeAttribute(nurb);
    RWyxMaterial* own = factory.CreateMaterial("Own");
    body->GetProperties()->ConnectSource(own->GetProperties());
    body->AddTakeNode("Walk");
    const std::vector<int> before = Counts();
    for (const Form form : {Form::kBinary, Form::kAscii}) {
        WriteAndRead(form);
        ASSERT_EQ(body->GetProperties()->GetSourceCount(), 1);
        EXPECT_EQ(body->GetProperties()->GetSource(0), static_cast<RPlug*>(own->GetProperties())) << "a connection of the caller stays";
        EXPECT_EQ(mesh->GetLayer(0)->GetMaterials()->IndexArray(), (std::vector<int>{0, 7}));
        EXPECT_EQ(Counts(), before) << "no object made for the write is left";
        EXPECT_EQ(body->GetCurrentTakeNodeIndex(), 0);
    }
}

}  // namespace

// A node joins the scene before its geometry gets a material and a texture: the scene's lists
// did not record them, yet the file must hold a record for everything a connection names.
TEST(ScenePreparationUsesTest, MaterialsAndTexturesGivenAfterTheNodeJoinedGetRecordsForTheWrite) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* node = factory.CreateNode("Late");
    scene->GetRootNode()->AddChild(node);
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(3);
    node->SetNodeAttribute(mesh);
    RWyxMaterial* material = factory.CreateMaterial("Late");
    RWyxTexture* texture = factory.CreateTexture("Late");
    mesh->AddMaterial(material);
    mesh->AddTexture(texture);
    RWyxEntityContainer& entity = *scene->GetEntity();
    ASSERT_EQ(entity.GetUseCount(material), 0) << "the scene learns of uses when a node joins";
    {
        const RWyxScenePreparation preparation(*scene);
        EXPECT_EQ(entity.GetUseCount(material), 1);
        EXPECT_EQ(entity.GetUseCount(texture), 1);
        ASSERT_EQ(entity.GetMaterialCount(), 1);
        EXPECT_EQ(entity.GetMaterial(0), material);
    }
    EXPECT_EQ(entity.GetUseCount(material), 0) << "the recorded uses are taken back";
    EXPECT_EQ(entity.GetUseCount(texture), 0);

    ScratchFolder folder;
    const std::string path = folder.Join("late.wyx");
    const WriteResult written = WriteScene(factory, scene, path, Form::kAscii);
    ASSERT_TRUE(written.created && written.written && written.closed) << written.errorText;
    FileTree tree;
    ASSERT_TRUE(ReadTree(path, tree));
    ASSERT_NE(tree.main.Child("Objects").Find("Material"), nullptr) << "the connected material has its record";
    ASSERT_NE(tree.main.Child("Objects").Find("Texture"), nullptr);
    factory.DestroyScene(scene, true);
}
