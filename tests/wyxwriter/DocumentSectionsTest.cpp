// The version-6 document: the order of its sections, Definitions, Objects and Relations with
// and without the option flags, Connections, the Summary, the Version5 block, passwords, the
// ASCII text of a small scene, and the same bytes from the same scene.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "attributes/RWyxThumbnail.h"
#include "core/RTimeMode.h"
#include "fileio/RWyxCipher.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"

#include <cstring>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;

class DocumentTest : public WriterTest {
protected:
    // Two models, a skinned mesh with a material and a texture, a generic node, a bind pose,
    // a character with a control-set plug and a character pose.
    void BuildObjects() {
        RWyxNode* arm = AddNode("Arm");
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(4);
        mesh->AddMaterial(factory.CreateMaterial("Skin"));
        mesh->AddTexture(factory.CreateTexture("Wood"));
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(arm);
        link->AddControlPointIndex(1, 1.0);
        mesh->AddDeformer(link);
        RWyxNode* body = factory.CreateNode("Body");
        body->SetNodeAttribute(mesh);
        arm->AddChild(body);
        RWyxGenericNode* generic = factory.CreateGenericNode("Settings");
        scene->AddGenericNode(generic);
        RWyxPose* pose = factory.CreatePose("Bind", true);
        pose->Add("Model::Arm", RMatrix(), false);
        scene->AddPose(pose);
        scene->CreateCharacter("Hero");
        scene->CreateControlSetPlug("Rig");
        scene->CreateCharacterPose("Stand");
    }
};

TEST_F(DocumentTest, ASceneOfTheRootAloneWritesEmptySections) {
    const FileTree tree = WriteAndRead();
    EXPECT_EQ(tree.main.Names(), (Names{"Definitions", "Objects", "Relations", "Connections", "Takes", "Version5"}));
    EXPECT_EQ(tree.main.Child("Definitions").NamesWithValue(), (Names{"Version:100", "Count:0"}));
    EXPECT_TRUE(tree.main.Child("Objects").children.empty());
    EXPECT_TRUE(tree.main.Child("Relations").children.empty());
    EXPECT_TRUE(tree.main.Child("Connections").children.empty());
    EXPECT_EQ(tree.main.Child("Takes").NamesWithValue(), (Names{"Current:"}));
    const Record& summary = tree.extension.Child("Summary");
    EXPECT_EQ(summary.NamesWithValue(),
              (Names{"Version:101", "Template:0", "PasswordProtection:0", "ContentCount", "Takes"}));
    EXPECT_EQ(summary.Child("ContentCount").NamesWithValue(),
              (Names{"Version:100", "Model:0", "Device:0", "Character:0", "Actor:0", "Constraint:0", "Media:0"}));
    EXPECT_EQ(summary.Child("ContentCount").Child("Version").values, Names{"100"});
    EXPECT_EQ(summary.Child("Takes").NamesWithValue(), (Names{"Version:101", "Current:"}));
}

TEST_F(DocumentTest, DefinitionsObjectsAndRelationsListEveryObjectInOrder) {
    BuildObjects();
    const FileTree tree = WriteAndRead();
    // Character poses have no record: they are neither counted nor listed.
    EXPECT_EQ(tree.main.Child("Definitions").NamesWithValue(),
              (Names{"Version:100", "Count:10", "ObjectType:Model", "ObjectType:GenericNode", "ObjectType:Material",
                     "ObjectType:Texture", "ObjectType:Deformer", "ObjectType:Pose", "ObjectType:ControlSetPlug",
                     "ObjectType:Constraint"}));
    const std::vector<int> counts = {2, 1, 1, 1, 2, 1, 1, 1};
    const auto types = tree.main.Child("Definitions").All("ObjectType");
    for (std::size_t i = 0; i < counts.size(); ++i) EXPECT_EQ(types[i]->Child("Count").Int(), counts[i]) << i;
    EXPECT_EQ(tree.main.Child("Objects").NamesWithValue(),
              (Names{"Model:Model::Arm", "Model:Model::Body", "GenericNode:Settings", "Pose:Pose::Bind",
                     "Material:Material::Skin", "Deformer:Deformer::Skin Body", "Deformer:SubDeformer::Cluster Arm",
                     "Texture:Texture::Wood", "ControlSetPlug:ControlSetPlug::Rig", "Constraint:Constraint::Hero"}));
    EXPECT_EQ(tree.main.Child("Relations").NamesWithValue(),
              (Names{"Model:Model::Arm", "Model:Model::Body", "Material:Material::Skin", "Texture:Texture::Wood",
                     "Constraint:Constraint::Hero", "Deformer:Deformer::Skin Body",
                     "Deformer:SubDeformer::Cluster Arm", "Pose:Pose::Bind"}));
    const Record& relation = tree.main.Child("Relations").Child("Model", 1);
    EXPECT_EQ(relation.values, (Names{"Model::Body", "Mesh"}));
    EXPECT_TRUE(relation.hasBlock && relation.children.empty());
    EXPECT_EQ(tree.extension.Child("Summary").Child("ContentCount").Child("Model").Int(), 1) << "the root's children";
}

TEST_F(DocumentTest, FlagsOneToThreeAndSevenThinDefinitionsAndRelationsOnly) {
    BuildObjects();
    for (const int flag : {RStreamOptionsWyx::kFlagMaterials, RStreamOptionsWyx::kFlagMedia,
                           RStreamOptionsWyx::kFlagDeformers, RStreamOptionsWyx::kFlagCharacters}) {
        Options().SetFlag(flag, false);
    }
    const FileTree tree = WriteAndRead();
    EXPECT_EQ(tree.main.Child("Definitions").NamesWithValue(),
              (Names{"Version:100", "Count:4", "ObjectType:Model", "ObjectType:GenericNode", "ObjectType:Pose"}));
    EXPECT_EQ(tree.main.Child("Relations").Names(), (Names{"Model", "Model", "Pose"}));
    const Record& objects = tree.main.Child("Objects");
    EXPECT_EQ(objects.All("Material").size(), 1u);
    EXPECT_EQ(objects.All("Texture").size(), 1u);
    EXPECT_EQ(objects.All("Deformer").size(), 2u);
    EXPECT_EQ(objects.Find("Constraint"), nullptr);
    EXPECT_EQ(objects.Find("ControlSetPlug"), nullptr);
}

TEST_F(DocumentTest, ConnectionsTieEveryObjectToWhatUsesIt) {
    BuildObjects();
    RWyxNode* arm = factory.FindNode("Arm", 0);
    RWyxNode* eye = AddNode("Eye");
    eye->SetTarget(arm);
    const FileTree tree = WriteAndRead();
    Names connections;
    for (const Record& connect : tree.main.Child("Connections").children) {
        std::string text;
        for (const std::string& value : connect.values) text += value + "|";
        connections.push_back(text);
    }
    EXPECT_EQ(connections, (Names{"OO|Model::Arm|Model::Scene|", "OO|Model::Eye|Model::Scene|",
                                  "OO|Model::Body|Model::Arm|", "OO|Material::Skin|Model::Body|",
                                  "OO|Texture::Wood|Model::Body|", "OO|Deformer::Skin Body|Model::Body|",
                                  "OO|SubDeformer::Cluster Arm|Deformer::Skin Body|",
                                  "OO|Model::Arm|SubDeformer::Cluster Arm|", "OP|Model::Arm|Model::Eye|LookAtProperty|"}));
}

TEST_F(DocumentTest, AConnectionReachedAlongSeveralPathsIsWrittenOnce) {
    RWyxMaterial* shared = factory.CreateMaterial("Shared");
    RWyxTexture* map = factory.CreateTexture("Map");
    shared->GetProperties()->ConnectSource(map->GetProperties());
    for (const char* name : {"Left", "Right"}) AddNode(name)->GetProperties()->ConnectSource(shared->GetProperties());
    const FileTree tree = WriteAndRead();
    Names connections;
    for (const Record& connect : tree.main.Child("Connections").children) connections.push_back(connect.values[1] + ">" + connect.values[2]);
    EXPECT_EQ(connections, (Names{"Model::Left>Model::Scene", "Model::Right>Model::Scene", "Material::Shared>Model::Left",
                                  "Texture::Map>Material::Shared", "Material::Shared>Model::Right"}));
}

TEST_F(DocumentTest, TheRootNeverTakesTheNameOfAModel) {
    RWyxNode* user = AddNode("Scene");
    AddNode("Scene 1", user);
    AddNode("Child", user);
    const FileTree tree = WriteAndRead();
    const Record& connections = tree.main.Child("Connections");
    EXPECT_EQ(connections.Child("Connect", 0).values, (Names{"OO", "Model::Scene", "Model::Scene 2"}));
    EXPECT_EQ(connections.Child("Connect", 1).values, (Names{"OO", "Model::Scene 1", "Model::Scene"}));
    EXPECT_EQ(root->GetName(), "Model::RootNode") << "the root keeps its name";
}

TEST_F(DocumentTest, TheTemplateMarkIsANameEndingInIt) {
    const struct {
        const char* name;
        int expected;
    } cases[] = {{"~wyxexport~", 1}, {"ns:~wyxexport~", 1}, {"~wyxexport~x", 0}, {"wyxexport", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RWyxNode* node = AddNode(c.name);
        const FileTree tree = WriteAndRead();
        EXPECT_EQ(tree.extension.Child("Summary").Child("Template").Int(), c.expected);
        EXPECT_EQ(Options().GetTemplate(), c.expected);
        root->RemoveChild(node);
        factory.DestroyNode(node, true);
    }
}

TEST_F(DocumentTest, Version5BlockHoldsLightFogShadowsAndTimeSettingsOnlyWithFlagEight) {
    RWyxGlobalLightSettings& light = *scene->GetGlobalLightSettings();
    light.SetAmbientColor(RWyxColor(0.1, 0.2, 0.3, 0.5));
    light.SetFogEnable(true);
    light.SetFogMode(2);
    light.SetFogColor(RWyxColor(0.5, 0.6, 0.7, 0.0));
    light.AddShadowPlane(false, RVector4(1, 2, 3, 1), RVector4(0, 0, 1, 1));
    light.SetShadowEnable(true);
    light.SetShadowIntensity(75.0);
    scene->GetGlobalTimeSettings()->SetTimeMode(11);
    scene->GetGlobalTimeSettings()->SetSnapOnFrames(true);
    const FileTree tree = WriteAndRead();
    const Record& settings = tree.main.Child("Version5");
    EXPECT_EQ(settings.Names(), (Names{"AmbientRenderSettings", "FogOptions", "ShadowPlanes", "Settings"}));
    EXPECT_EQ(settings.Child("AmbientRenderSettings").Child("AmbientLightColor").Numbers(),
              (std::vector<double>{0.1, 0.2, 0.3, 0.5}));
    EXPECT_EQ(settings.Child("FogOptions").NamesWithValue(),
              (Names{"FlogEnable:1", "FogMode:2", "FogDensity:0.002", "FogStart:0.3", "FogEnd:1000", "FogColor:0.5"}));
    EXPECT_EQ(settings.Child("FogOptions").Child("FogColor").Numbers(), (std::vector<double>{0.5, 0.6, 0.7, 1.0}));
    const Record& shadows = settings.Child("ShadowPlanes");
    EXPECT_EQ(shadows.NamesWithValue(),
              (Names{"Version:108", "Count:1", "Plane:1", "UseShadow:1", "ShadowIntensity:75"}));
    EXPECT_EQ(shadows.Child("Plane").Numbers(), (std::vector<double>{1, 2, 3, 0, 0, 1, 0}));
    EXPECT_EQ(settings.Child("Settings").Names(), (Names{"FrameRate", "TimeFormat", "SnapOnFrames", "ReferenceTimeIndex"}));
    EXPECT_EQ(settings.Child("Settings").NamesWithValue(),
              (Names{std::string("FrameRate:") + ModeShortName(11), "TimeFormat:1", "SnapOnFrames:1",
                     "ReferenceTimeIndex:-1"}));

    light.RemoveAllShadowPlanes();
    EXPECT_EQ(WriteAndRead().main.Child("Version5").Find("ShadowPlanes"), nullptr);
    Options().SetFlag(RStreamOptionsWyx::kFlagGlobalSettings, false);
    EXPECT_EQ(WriteAndRead().main.Find("Version5"), nullptr);
    EXPECT_EQ(ScratchFolder::ReadFile(path).find("Version 5"), std::string::npos);
}

TEST_F(DocumentTest, APasswordProtectsTheBinaryFormsAndIsRefusedForAscii) {
    AddNode("Secret");
    Options().SetPasswordProtected(true);
    Options().SetPassword("open sesame");
    lastWrite = WriteScene(factory, scene, path, Form::kBinary, &Options());
    ASSERT_TRUE(lastWrite.written && lastWrite.closed) << lastWrite.errorText;
    FileTree tree;
    EXPECT_FALSE(ReadTree(path, tree)) << "not without the password";
    ASSERT_TRUE(ReadTree(path, tree, "open sesame"));
    EXPECT_EQ(tree.extension.Child("Summary").Child("PasswordProtection").Int(), 1);
    EXPECT_EQ(ScratchFolder::ReadFile(path).find("open sesame"), std::string::npos);

    const std::string before = ScratchFolder::ReadFile(path);
    lastWrite = WriteScene(factory, scene, path, Form::kAscii, &Options());
    EXPECT_FALSE(lastWrite.written);
    EXPECT_EQ(lastWrite.error, RWyxWriter::kErrorUnidentified);
    EXPECT_EQ(ScratchFolder::ReadFile(path), before) << "no unprotected file in place of the asked one";
}

bool CountingBytes(unsigned char* bytes, int count) {
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    return true;
}

TEST_F(DocumentTest, TheSameSceneGivesTheSameBytesInEveryForm) {
    BuildObjects();
    factory.FindNode("Arm", 0)->AddTakeNode("Walk");
    RWyxCipher::SetRandomSourceForTesting(&CountingBytes);
    for (const Form form : {Form::kBinary, Form::kAscii, Form::kEncrypted}) {
        SCOPED_TRACE(static_cast<int>(form));
        WriteAndRead(form);
        const std::string first = ScratchFolder::ReadFile(path);
        WriteAndRead(form);
        EXPECT_EQ(ScratchFolder::ReadFile(path), first);
    }
    RWyxCipher::SetRandomSourceForTesting(nullptr);
    WriteAndRead(Form::kEncrypted);
    const std::string first = ScratchFolder::ReadFile(path);
    WriteAndRead(Form::kEncrypted);
    EXPECT_NE(ScratchFolder::ReadFile(path), first) << "a new nonce for every file";
}

// The ASCII text of a scene of one null, its properties left out.
TEST_F(DocumentTest, TheAsciiTextOfASmallSceneIsAsPrescribed) {
    RWyxNode* box = AddNode("Box");
    box->SetNodeAttribute(factory.CreateNull());
    box->SetVisibility(false);
    box->SetShadingMode(2);
    box->SetCullingMode(2);
    Options().SetFlag(RStreamOptionsWyx::kFlagGlobalSettings, false);
    WriteAndRead(Form::kAscii);
    std::string text;
    bool inProperties = false;
    const std::string written = ScratchFolder::ReadFile(path);
    for (std::size_t start = 0; start < written.size();) {
        const std::size_t end = written.find('\n', start);
        const std::string line = written.substr(start, end - start);
        start = end + 1;
        if (line.find("Properties60: {") != std::string::npos) inProperties = true;
        if (!inProperties) text += line + "\n";
        if (inProperties && line == "\t\t}") inProperties = false;
    }
    const std::string dashes66(66, '-');
    const std::string dashes52(52, '-');
    const std::string expected =
        ";WYX ASCII 6000\n;\n;  Object definitions\n; " + dashes66 + "\n;\n"
        "Definitions: {\n\tVersion: 100\n\tCount: 1\n\tObjectType: \"Model\" {\n\t\tCount: 1\n\t}\n}\n"
        ";\n;  Object properties\n; " + dashes66 + "\n;\n"
        "Objects: {\n\tModel: \"Model::Box\",\"Null\" {\n\t\tVersion: 231\n"
        "\t\tMultiLayer: 0\n\t\tMultiTake: 1\n\t\tHidden: \"True\"\n\t\tShading: F\n\t\tCulling: \"CullingOnCW\"\n"
        "\t\tType: \"Null\"\n\t\tTypeFlags: \"Null\"\n\t}\n}\n"
        ";\n;  Object relations\n; " + dashes66 + "\n;\n"
        "Relations: {\n\tModel: \"Model::Box\",\"Null\" {\n\t}\n}\n"
        ";\n;  Object connections\n; " + dashes66 + "\n;\n"
        "Connections: {\n\tConnect: \"OO\",\"Model::Box\",\"Model::Scene\"\n}\n"
        "; Takes and animation section\n; " + dashes52 + "\n;\n"
        "Takes: {\n\tCurrent: \"\"\n}\n;WYX END\n";
    EXPECT_EQ(text, expected);
}

TEST_F(DocumentTest, TheSummaryListsTheSceneInfo) {
    RWyxSceneInfo* info = factory.CreateSceneInfo();
    RWyxThumbnail* thumbnail = factory.CreateThumbnail();
    thumbnail->SetSize(RWyxThumbnail::k64x64);
    const std::vector<std::uint8_t> pixels(thumbnail->GetSizeInBytes(), 9);
    thumbnail->SetImage(pixels.data(), pixels.size());
    info->SetThumbnail(thumbnail);
    info->title = "Title";
    info->author = "Author";
    info->comment = "Comment";
    scene->SetSceneInfo(info);
    const FileTree tree = WriteAndRead();
    const Record& block = tree.extension.Child("Summary").Child("SceneInfo");
    EXPECT_EQ(block.values, Names{"SceneInfo::GlobalInfo"});
    EXPECT_EQ(block.NamesWithValue(), (Names{"Type:UserData", "Version:100", "Thumbnail", "MetaData"}));
    EXPECT_EQ(block.Child("MetaData").NamesWithValue(),
              (Names{"Version:100", "Title:Title", "Subject:", "Author:Author", "Keywords:", "Revision:",
                     "Comment:Comment"}));
}

}  // namespace
