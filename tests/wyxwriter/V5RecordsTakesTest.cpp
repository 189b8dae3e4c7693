// Version-5 texture, material and link records, and the Takes block: spans, file names, the
// records of each take, the shininess written in its record scale without changing the scene,
// and the scene's take selections left as they were.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;
using Numbers = std::vector<double>;

const long long kSecond = RTime::kTicksPerSecond;

class V5RecordsTakesTest : public WriterTest {
protected:
    // A mesh node using the material and the texture.
    RWyxNode* MeshWith(RWyxMaterial* material, RWyxTexture* texture) {
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(3);
        if (material != nullptr) mesh->AddMaterial(material);
        if (texture != nullptr) mesh->AddTexture(texture);
        RWyxNode* node = AddNode("Mesh");
        node->SetNodeAttribute(mesh);
        return node;
    }
    FileTree Write() { return WriteAndRead(Form::kV5Binary); }
};

TEST_F(V5RecordsTakesTest, TextureAndMaterialRecordsNameTheirValuesAndListTheirKeyedChannels) {
    RWyxTexture* texture = factory.CreateTexture("Wood");
    texture->SetMappingType(9);
    texture->SetAlphaSource(7);
    texture->SetPlanarMappingNormal(2);
    texture->SetTextureUse(4);
    texture->SetTranslationUV(0.5, 0.25);
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    material->SetShininess(0.2);
    material->SetOpacity(0.5);
    material->SetShadingModel("Lambert");
    MeshWith(material, texture);
    RWyxTakeNode* materialTake = material->AddTakeNode("Take 001");
    AddKeys(*materialTake->GetShininessCurve(), {{0, 10.0f}, {1, 20.0f}});
    AddKeys(*materialTake->GetDiffuseYCurve(), {{0, 0.0f}, {1, 1.0f}});
    AddKeys(*texture->AddTakeNode("Take 001")->GetAlphaCurve(), {{0, 0.0f}, {1, 1.0f}});
    const Record model = Write().main.Child("Model");
    const Record& wood = model.Child("Texture");
    EXPECT_EQ(wood.Names(), (Names{"Type", "Version", "TextureName", "Media", "Translation", "Scaling", "ModelUVTranslation",
                                   "ModelUVScaling", "Rotation", "TextureAlpha", "Texture_Alpha_Source", "Cropping",
                                   "Texture_Mapping_Type", "Texture_Planar_Mapping_Normal", "SwapUV", "MaterialMode",
                                   "TextureUse", "WrapU", "WrapV", "BlendMode", "AnimatedProperty", "Animated"}));
    EXPECT_EQ(wood.Child("Texture_Mapping_Type").values, Names{"UV"}) << "type 9";
    EXPECT_EQ(wood.Child("Texture_Alpha_Source").values, Names{"None"}) << "source 7";
    EXPECT_EQ(wood.Child("Texture_Planar_Mapping_Normal").values, Names{"Z"});
    EXPECT_EQ(wood.Child("TextureUse").values, Names{"SphereReflexionMap"});
    EXPECT_EQ(wood.Child("Translation").Numbers(), (Numbers{0.5, 0.25}));
    EXPECT_EQ(wood.Child("Animated").values, Names{"Alpha"});
    const Record& skin = model.Child("Material");
    EXPECT_EQ(skin.NamesWithValue(), (Names{"Version:100", "ShadingModel:lambert", "Ambient:0.2", "Diffuse:0.8", "Specular:0",
                                            "Emissive:0", "Shininess:20", "Alpha:0.5", "Reflectivity:0",
                                            "AnimatedProperty:Diffuse", "Animated:Diffuse"}));
    EXPECT_EQ(skin.Child("Animated").values, (Names{"Diffuse", "Shininess"})) << "Diffuse before Shininess";
}

TEST_F(V5RecordsTakesTest, LinksHoldTheBindInTheLinksFrameAndNeedALinkNode) {
    RWyxNode* node = MeshWith(nullptr, nullptr);
    RWyxMesh* mesh = node->GetMesh();
    RWyxNode* bone = AddNode("Bone");
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(bone);
    link->SetMode(RWyxSkinLink::kAdditive);
    link->SetUserData("id", "value");
    link->AddControlPointIndex(2, 0.5);
    link->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(0, 10, 0, 0), RVector4(), RVector4(1, 1, 1, 0)));
    link->SetAssociateModel(node);
    mesh->AddDeformer(link);
    RWyxSkinLink* loose = factory.CreateSkinLink();
    mesh->AddDeformer(loose);
    RWyxSkinLink* flat = factory.CreateSkinLink();
    flat->SetLink(bone);
    flat->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(), RVector4(), RVector4(0, 1, 1, 0)));
    mesh->AddDeformer(flat);
    const Record model = Write().main.Child("Model");
    ASSERT_EQ(model.All("Link").size(), 2u) << "a link without a link node writes nothing";
    const Record& record = model.Child("Link");
    EXPECT_EQ(record.values, Names{"Model::Bone"});
    EXPECT_EQ(record.Names(), (Names{"Mode", "UserData", "Indexes", "Weights", "Transform", "TransformLink", "AssociateModel"}));
    EXPECT_EQ(record.Child("Mode").values, Names{"Additive"});
    EXPECT_EQ(record.Child("Transform").Number(13), -10.0) << "T L^-1";
    EXPECT_EQ(record.Child("AssociateModel").values, Names{"Model::Mesh"});
    for (const double value : model.Child("Link", 1).Child("Transform").Numbers()) EXPECT_TRUE(std::isfinite(value));
    EXPECT_NE(lastWrite.messages.find("axis of no length"), std::string::npos);
    EXPECT_TRUE(link->GetName().IsEmptyText()) << "the scene's link is not renamed";
}

TEST_F(V5RecordsTakesTest, TakesGetFileNamesSpansAndTheRecordsOfTheObjectsThatHaveThem) {
    scene->SetCurrentTake(RWyxTakeNodeContainer::kDefaultTakeName);
    RWyxNode* a = AddNode("A");
    a->AddTakeNode("Walk fast\tnow");
    AddKeys(*a->GetTakeNode(1)->GetTranslationXCurve(), {{1, 0.0f}, {3, 5.0f}});
    AddNode("B");
    RWyxNode* c = AddNode("C");
    c->AddTakeNode("Idle");
    RWyxTakeInfo idle;
    idle.name = "Idle";
    idle.localStart = RTime(2 * kSecond);
    idle.localStop = RTime(4 * kSecond);
    scene->SetTakeInfo(idle);
    const FileTree tree = Write();
    const Record& takes = tree.main.Child("Takes");
    EXPECT_EQ(takes.NamesWithValue(), (Names{"Current:Default", "Take:Walk fast\tnow", "Take:Idle"}));
    const Record& walk = takes.Child("Take");
    EXPECT_EQ(walk.Child("FileName").values, Names{"Walk_fast_now.tak"});
    EXPECT_EQ(walk.Child("LocalTime").values, (Names{std::to_string(kSecond), std::to_string(3 * kSecond)}));
    EXPECT_EQ(walk.NamesWithValue(), (Names{"FileName:Walk_fast_now.tak", "LocalTime:" + std::to_string(kSecond),
                                            "ReferenceTime:" + std::to_string(kSecond), "Model:Model::A"}));
    EXPECT_EQ(walk.Child("Model").Child("Version").Number(), 1.1);
    EXPECT_EQ(walk.Child("Model").Child("Channel").values, Names{"Transform"});
    const Record& idleTake = takes.Child("Take", 1);
    EXPECT_EQ(idleTake.Child("LocalTime").values, (Names{std::to_string(2 * kSecond), std::to_string(4 * kSecond)}));
    EXPECT_EQ(idleTake.Child("ReferenceTime").values, (Names{"0", std::to_string(kSecond)})) << "no keys: 0 to 1 second";
    EXPECT_EQ(scene->GetTakeInfo("Idle")->referenceStop.GetTicks(), kSecond) << "the computed span is stored";
    EXPECT_STREQ(scene->GetCurrentTakeName(), "Default") << "the current take stays";
    EXPECT_STREQ(a->GetCurrentTakeNodeName(), "Default") << "no object's current take node changes";
    EXPECT_EQ(tree.extension.Child("Summary").Child("Takes").All("Take").size(), 2u);

    RWyxNode* only = AddNode("D");
    (void)only;
    for (int i = 0; i < root->GetChildCount(); ++i) {
        RWyxNode* node = root->GetChild(i);
        while (node->GetTakeNodeCount() > 1) node->RemoveTakeNode(1);
    }
    EXPECT_EQ(Write().main.Child("Takes").Names(), Names{"Current"}) << "the default take alone";
}

TEST_F(V5RecordsTakesTest, ShininessIsWrittenInItsRecordScaleAndTheSceneKeepsItsCurve) {
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    MeshWith(material, nullptr);
    RWyxTakeNode* take = material->AddTakeNode("Take 001");
    RFCurve& curve = *take->GetShininessCurve();
    AddKeys(curve, {{0, 32.0f}, {1, 64.0f}, {2, 300.0f}});
    curve.SetDefaultValue(12.8f);
    const FileTree first = Write();
    const Record& record = first.main.Child("Takes").Child("Take").Child("Material");
    EXPECT_EQ(record.values, Names{"Material::Skin"});
    const Record* shininess = nullptr;
    for (const Record* channel : record.All("Channel")) {
        if (channel->values[0] == "Shininess") shininess = channel;
    }
    ASSERT_NE(shininess, nullptr);
    EXPECT_NEAR(shininess->Child("Default").Number(), 10.0, 1e-5) << "12.8 / 128 x 100";
    const std::string keys = shininess->Child("Key").values[1] + "," + shininess->Child("Key").values[4] + "," +
                             shininess->Child("Key").values[7];
    EXPECT_EQ(keys, "25,50,100") << "exponents 32, 64 and 300 (brought to 1) in the accessor's scale x 100";
    EXPECT_FLOAT_EQ(curve.GetKey(0).GetValue(), 32.0f);
    EXPECT_FLOAT_EQ(curve.GetKey(2).GetValue(), 300.0f);
    EXPECT_FLOAT_EQ(curve.GetDefaultValue(), 12.8f);
    for (int i = 0; i < 3; ++i) Write();
    EXPECT_EQ(Write().main, first.main) << "no drift over writes";
    EXPECT_FLOAT_EQ(curve.GetKey(1).GetValue(), 64.0f);
}

TEST_F(V5RecordsTakesTest, ChannelsCarryNoUserNameAndAutoKeysTheirSlopes) {
    RWyxNode* node = AddNode("A");
    RWyxTakeNode* take = node->AddTakeNode("Walk");
    RFCurve& curve = *take->GetTranslationXCurve();
    const RTime second(kSecond);
    curve.AddKey(RTime(0), RCurveKey::Plain(RTime(0), 0.0f, RCurveKey::Cubic, RCurveKey::Auto, 0.5f, 0.0f));
    curve.AddKey(second, RCurveKey::Plain(second, 4.0f, RCurveKey::Cubic, RCurveKey::Auto));
    for (RWyxTakeNode* owner : {take, node->GetDefaultTakeNode()}) {
        RFCurveNode* transform = owner->GetRootCurveNode()->GetChild(0);
        ASSERT_STREQ(transform->GetName(), "Transform");
        transform->SetUserName("Placement");
    }
    const FileTree tree = Write();
    const Record& model = tree.main.Child("Model");
    EXPECT_EQ(model.Child("Channel").values, Names{"Transform"});
    EXPECT_EQ(model.Child("Channel").Find("UserName"), nullptr) << "default take";
    const Record& animated = tree.main.Child("Takes").Child("Take").Child("Model").Child("Channel");
    EXPECT_EQ(animated.Find("UserName"), nullptr) << "take Walk";
    const Record& x = animated.Child("Channel").Child("Channel");
    ASSERT_EQ(x.values, Names{"X"});
    const Record& key = x.Child("Key");
    ASSERT_GE(key.values.size(), 6u);
    // An Auto key with a ratio: its slopes as a User key's, the next key's incoming one after.
    EXPECT_EQ(key.values[2], "U");
    EXPECT_EQ(key.values[3], "s") << "not the ratio form \"p\"";
    EXPECT_NEAR(key.Number(4), curve.GetRightDerivative(0), 1e-9);
    EXPECT_NEAR(key.Number(5), curve.GetLeftDerivative(1), 1e-9);
}

}  // namespace
