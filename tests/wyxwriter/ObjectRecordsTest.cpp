// Material, deformer, texture, pose, generic-node, control-set-plug and character records.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <cmath>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;
using Numbers = std::vector<double>;

Numbers Row(const RMatrix& matrix) {
    Numbers values;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) values.push_back(matrix[r][c]);
    }
    return values;
}

void ExpectNear(const Numbers& actual, const Numbers& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-9) << i;
}

class ObjectRecordsTest : public WriterTest {
protected:
    // A mesh node skinned to `bone` by one link.
    RWyxSkinLink* Skin(RWyxNode* bone, RWyxNode* associate) {
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(4);
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(bone);
        link->SetAssociateModel(associate);
        link->AddControlPointIndex(3, 0.25);
        link->AddControlPointIndex(1, 0.75);
        mesh->AddDeformer(link);
        AddNode("Body")->SetNodeAttribute(mesh);
        return link;
    }
    const Record& Object(const FileTree& tree, const char* kind, int index = 0) {
        return tree.main.Child("Objects").Child(kind, index);
    }
};

TEST_F(ObjectRecordsTest, MaterialAndTextureRecordsHoldTheirFieldsInOrder) {
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    material->SetShadingModel("Lambert");
    material->SetMultiLayer(true);
    RWyxTexture* texture = factory.CreateTexture("Wood");
    texture->SetFileName("/maps/wood.png");
    texture->SetRelativeFileName("maps/wood.png");
    texture->SetMediaName("Video::Wood");
    texture->SetModelUVTranslation(0.5, 0.25);
    texture->SetModelUVScaling(2, 3);
    texture->SetCropping(RWyxTexture::kCropLeft, 7);
    scene->GetEntity()->AddMaterialUse(material);
    scene->GetEntity()->AddTextureUse(texture);
    const FileTree tree = WriteAndRead();
    const Record& materialRecord = Object(tree, "Material");
    EXPECT_EQ(materialRecord.values, (Names{"Material::Skin", ""}));
    EXPECT_EQ(materialRecord.NamesWithValue(),
              (Names{"Version:101", "ShadingModel:lambert", "MultiLayer:1", "Properties60"}));
    const Record& textureRecord = Object(tree, "Texture");
    EXPECT_EQ(textureRecord.values, (Names{"Texture::Wood", "TextureVideoClip"}));
    EXPECT_EQ(textureRecord.NamesWithValue(),
              (Names{"Type:TextureVideoClip", "Version:202", "TextureName:Texture::Wood", "Properties60",
                     "Media:Video::Wood", "FileName:/maps/wood.png", "RelativeFilename:maps/wood.png",
                     "ModelUVTranslation:0.5", "ModelUVScaling:2", "Texture_Alpha_Source:None", "Cropping:0"}));
    EXPECT_EQ(textureRecord.Child("Cropping").Numbers(), (Numbers{0, 0, 7, 0}));
    for (const auto& [source, name] : {std::pair{1, "RGB_Intensity"}, std::pair{2, "Alpha_Black"}, std::pair{9, "None"}}) {
        texture->SetAlphaSource(source);
        EXPECT_EQ(Object(WriteAndRead(), "Texture").Child("Texture_Alpha_Source").values, Names{name});
    }
}

TEST_F(ObjectRecordsTest, ClusterRecordsHoldTheBindInTheLinksFrame) {
    RWyxNode* bone = AddNode("Bone");
    RWyxNode* holder = AddNode("Holder");
    RWyxSkinLink* link = Skin(bone, holder);
    link->SetMode(RWyxSkinLink::kAdditive);
    link->SetUserData("id", "value");
    const RMatrix transform = RMatrix::ConstructFromTRS(RVector4(1, 2, 3, 0), RVector4(0, 0, 30, 0), RVector4(1, 1, 1, 0));
    const RMatrix linkMatrix = RMatrix::ConstructFromTRS(RVector4(0, 5, 0, 0), RVector4(90, 0, 0, 0), RVector4(2, 2, 2, 0));
    const RMatrix associate = RMatrix::ConstructFromTRS(RVector4(0, 0, 9, 0), RVector4(), RVector4(1, 1, 1, 0));
    link->SetTransformMatrix(transform);
    link->SetTransformLinkMatrix(linkMatrix);
    link->SetTransformAssociateModelMatrix(associate);
    link->SetTransformParentMatrix(associate);
    const FileTree tree = WriteAndRead();
    const Record& skin = Object(tree, "Deformer", 0);
    EXPECT_EQ(skin.NamesWithValue(),
              (Names{"Version:100", "MultiLayer:0", "Type:Skin", "Properties60", "Link_DeformAcuracy:50"}));
    const Record& cluster = Object(tree, "Deformer", 1);
    EXPECT_EQ(cluster.values, (Names{"SubDeformer::Cluster Bone", "Cluster"}));
    EXPECT_EQ(cluster.Names(), (Names{"Version", "MultiLayer", "Type", "Properties60", "Mode", "UserData", "Indexes",
                                      "Weights", "Transform", "TransformLink", "AssociateModel", "TransformParent"}));
    EXPECT_EQ(cluster.Child("Mode").values, Names{"Additive"});
    EXPECT_EQ(cluster.Child("UserData").values, (Names{"id", "value"}));
    EXPECT_EQ(cluster.Child("Indexes").Numbers(), (Numbers{3, 1}));
    EXPECT_EQ(cluster.Child("Weights").Numbers(), (Numbers{0.25, 0.75}));
    // Written through the link's frame: reading back multiplies by the link matrix again.
    RMatrix readLink;
    const Numbers linkValues = cluster.Child("TransformLink").Numbers();
    for (int i = 0; i < 16; ++i) readLink[i / 4][i % 4] = linkValues[static_cast<std::size_t>(i)];
    ExpectNear(linkValues, Row(linkMatrix));
    RMatrix rebuilt;
    RMatrix written;
    const Numbers transformValues = cluster.Child("Transform").Numbers();
    for (int i = 0; i < 16; ++i) written[i / 4][i % 4] = transformValues[static_cast<std::size_t>(i)];
    readLink.Multiply(rebuilt, written);  // written, then the link
    ExpectNear(Row(rebuilt), Row(transform));
    EXPECT_EQ(cluster.Child("AssociateModel").Names(), Names{"Transform"});
    ExpectNear(cluster.Child("TransformParent").Numbers(), Row(associate));
    EXPECT_TRUE(lastWrite.messages.empty()) << lastWrite.messages;
}

TEST_F(ObjectRecordsTest, AClusterWithoutModeAssociateOrParentEndsWithItsLink) {
    Skin(AddNode("Bone"), nullptr);
    const FileTree clusterTree = WriteAndRead();
    const Record& cluster = Object(clusterTree, "Deformer", 1);
    const Names names = cluster.Names();
    EXPECT_EQ(names, (Names{"Version", "MultiLayer", "Type", "Properties60", "UserData", "Indexes", "Weights",
                            "Transform", "TransformLink"}));
}

TEST_F(ObjectRecordsTest, ALinkMatrixWithoutAnAxisIsReportedAndWrittenFinite) {
    RWyxSkinLink* link = Skin(AddNode("Bone"), nullptr);
    link->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(1, 1, 1, 0), RVector4(), RVector4(1, 0, 1, 0)));
    const FileTree clusterTree = WriteAndRead();
    const Record& cluster = Object(clusterTree, "Deformer", 1);
    for (const double value : cluster.Child("Transform").Numbers()) EXPECT_TRUE(std::isfinite(value));
    EXPECT_NE(lastWrite.messages.find("SubDeformer::Cluster Bone"), std::string::npos) << lastWrite.messages;
}

TEST_F(ObjectRecordsTest, PosesGenericNodesAndControlSetPlugs) {
    RWyxPose* bind = factory.CreatePose("Bind", true);
    RWyxPose* rest = factory.CreatePose("Rest", false);
    const RMatrix moved = RMatrix::ConstructFromTRS(RVector4(1, 2, 3, 0), RVector4(), RVector4(1, 1, 1, 0));
    bind->Add("Model::A", moved, false);
    rest->Add("Model::A", moved, true);
    rest->Add("Model::B", RMatrix(), false);
    scene->AddPose(bind);
    scene->AddPose(rest);
    scene->AddGenericNode(factory.CreateGenericNode("Globals"));
    scene->CreateControlSetPlug("Rig");
    const FileTree tree = WriteAndRead();
    const Record& bindRecord = Object(tree, "Pose", 0);
    EXPECT_EQ(bindRecord.values, (Names{"Pose::Bind", "BindPose"}));
    EXPECT_EQ(bindRecord.NamesWithValue(),
              (Names{"Type:BindPose", "Version:100", "Properties60", "NbPoseNodes:1", "PoseNode"}));
    EXPECT_EQ(bindRecord.Child("PoseNode").Names(), (Names{"Node", "Matrix"})) << "no Local in a bind pose";
    EXPECT_EQ(bindRecord.Child("PoseNode").Child("Matrix").Numbers(), Row(moved));
    const Record& restRecord = Object(tree, "Pose", 1);
    EXPECT_EQ(restRecord.Child("NbPoseNodes").Int(), 2);
    EXPECT_EQ(restRecord.Child("PoseNode", 0).NamesWithValue(), (Names{"Node:Model::A", "Matrix:1", "Local:1"}));
    EXPECT_EQ(restRecord.Child("PoseNode", 1).Child("Local").Int(), 0);
    EXPECT_EQ(Object(tree, "GenericNode").values, (Names{"Globals", "GenericNode"}));
    EXPECT_EQ(Object(tree, "GenericNode").Names(), (Names{"Version", "Properties60"}));
    EXPECT_EQ(Object(tree, "ControlSetPlug").values, (Names{"ControlSetPlug::Rig", "ControlSetPlug"}));
    EXPECT_EQ(Object(tree, "ControlSetPlug").NamesWithValue(),
              (Names{"Type:ControlSetPlug", "MultiLayer:0", "Properties60"}));
}

TEST_F(ObjectRecordsTest, CharactersWriteTheirUsableLinksInBlocks) {
    RWyxNode* hips = AddNode("Hips");
    RWyxNode* stranger = factory.CreateNode("Stranger");  // in no scene
    RWyxCharacter& hero = *scene->GetCharacter(scene->CreateCharacter("Hero"));
    RWyxCharacterLink link;
    link.node = hips;
    link.translationOffset = RVector4(1, 2, 3, 0);
    hero.SetCharacterLink(0, link);  // Hips, BASE
    link.node = stranger;
    hero.SetCharacterLink(1, link);  // a node of no scene, no name: not usable
    link.Reset();
    link.name = "Floor";
    hero.SetCharacterLink(RWyxCharacterTables::kLeftFloorLink, link);
    const FileTree tree = WriteAndRead();
    const Record& record = Object(tree, "Constraint");
    EXPECT_EQ(record.values, (Names{"Constraint::Hero", "Character"}));
    EXPECT_EQ(record.NamesWithValue(),
              (Names{"Type:Character", "MultiLayer:0", "Properties60", "CHARACTERIZE:1", "LOCK_XFORM:0", "LOCK_PICK:0",
                     "REFERENCE", "LEFT_FLOOR", "RIGHT_FLOOR", "LEFT_HANDFLOOR", "RIGHT_HANDFLOOR", "BASE", "AUXILIARY",
                     "SPINE", "NECK", "ROLL", "SPECIAL", "LEFTHAND", "RIGHTHAND", "LEFTFOOT", "RIGHTFOOT", "PROPS"}));
    EXPECT_TRUE(record.Child("REFERENCE").children.empty());
    EXPECT_EQ(record.Child("LEFT_FLOOR").NamesWithValue(),
              (Names{"NAME:Floor", "TOFFSETX:0", "TOFFSETY:0", "TOFFSETZ:0", "ROFFSETX:0", "ROFFSETY:0", "ROFFSETZ:0",
                     "SOFFSETX:1", "SOFFSETY:1", "SOFFSETZ:1"}));
    ASSERT_EQ(record.Child("BASE").All("LINK").size(), 1u) << "the link to a node of no scene is left out";
    const Record& hipsLink = record.Child("BASE").Child("LINK");
    EXPECT_EQ(hipsLink.values, Names{"Hips"});
    EXPECT_EQ(hipsLink.Names().front(), "TOFFSETX") << "no NAME without a name";
    EXPECT_EQ(hipsLink.Child("TOFFSETZ").Int(), 3);
    EXPECT_TRUE(record.Child("PROPS").children.empty());
    factory.DestroyNode(stranger, false);
}

}  // namespace
