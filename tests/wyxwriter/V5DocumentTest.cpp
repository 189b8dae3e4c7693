// The version-5 document: the order of its blocks, the option flags, motion options, the
// Summary in binary files only, passwords, progress and the exporter's format ids 3 and 4.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxFileExporter.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeNode.h"

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;

class V5DocumentTest : public WriterTest {
protected:
    // A mesh with a material and a textured picture, a light with a gobo, a marker set, an
    // actor, a character, a bind pose, scene information and a keyed take "Run".
    void BuildObjects() {
        RWyxNode* arm = AddNode("Arm");
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(3);
        mesh->AddMaterial(factory.CreateMaterial("Skin"));
        RWyxTexture* wood = factory.CreateTexture("Wood");
        wood->SetFileName(folder.WriteFile("wood.png", "PNG").c_str());
        mesh->AddTexture(wood);
        RWyxNode* body = AddNode("Body", arm);
        body->SetNodeAttribute(mesh);
        RWyxLight* light = factory.CreateLight();
        light->SetGobo(factory.CreateGobo("Leaves"));
        AddNode("Lamp")->SetNodeAttribute(light);
        RWyxMarkerSet* set = scene->GetMarkerSet(scene->CreateMarkerSet("Markers"));
        set->AddMarker(RWyxMarkerSetEntry(), arm);
        scene->CreateConstraint("Actor");
        scene->CreateCharacter("Hero");
        RWyxPose* pose = factory.CreatePose("Bind", true);
        pose->Add("Model::Arm", RMatrix(), false);
        scene->AddPose(pose);
        scene->SetSceneInfo(factory.CreateSceneInfo());
        arm->AddTakeNode("Run");
        AddKeys(*arm->GetTakeNode(1)->GetTranslationXCurve(), {{0.0, 0.0f}, {2.0, 5.0f}});
    }
};

TEST_F(V5DocumentTest, TheBlocksFollowInOrderAndOnlyTheBinaryFormHasTheSummary) {
    BuildObjects();
    const FileTree tree = WriteAndRead(Form::kV5Binary);
    EXPECT_EQ(tree.main.Names(),
              (Names{"Media", "Model", "Model", "Model", "Takes", "GoboManager", "MARKERSET", "ACTOR", "CHARACTER",
                     "SceneGenericPersistence", "Constraints", "AmbientRenderSettings", "FogOptions",
                     "RendererSetting", "Settings"}));
    EXPECT_EQ(tree.main.All("Model")[1]->values, Names{"Model::Body"}) << "a node before its children";
    const Record& summary = tree.extension.Child("Summary");
    EXPECT_EQ(summary.Names(), (Names{"Version", "Template", "PasswordProtection", "ContentCount", "SceneInfo", "Takes"}));
    const Record& content = summary.Child("ContentCount");
    EXPECT_EQ(content.NamesWithValue(), (Names{"Version:100", "Model:2", "Device:0", "Character:1", "Actor:0",
                                               "Constraint:1", "Media:1"}));
    EXPECT_EQ(summary.Child("Takes").Child("Take").values, Names{"Run"});
    RWyxFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    EXPECT_EQ(file.GetFileVersion(), RWyxWriterWyx5::kFileVersion);

    FileTree ascii = WriteAndRead(Form::kV5Ascii);
    EXPECT_FALSE(ascii.hasExtension);
    Record binaryMain = tree.main;
    ascii.main.children.erase(ascii.main.children.begin());  // the media: content in binary files only
    binaryMain.children.erase(binaryMain.children.begin());
    EXPECT_EQ(ascii.main, binaryMain) << "the same fields in both forms";
    EXPECT_EQ(ScratchFolder::ReadFile(path).rfind(";WYX ASCII 5800\n", 0), 0u);
}

TEST_F(V5DocumentTest, FlagsLeaveOutTheirBlocksAndMotionOptionsWriteNullsAndTakes) {
    BuildObjects();
    for (const int flag : {RStreamOptionsWyx::kFlagMedia, RStreamOptionsWyx::kFlagTakes, RStreamOptionsWyx::kFlagGobos,
                           RStreamOptionsWyx::kFlagCharacters, RStreamOptionsWyx::kFlagGlobalSettings}) {
        Options().SetFlag(flag, false);
    }
    EXPECT_EQ(WriteAndRead(Form::kV5Binary).main.Names(), (Names{"Model", "Model", "Model", "SceneGenericPersistence"}));

    RStreamOptionsPtr motion(RStreamOptionsMotion::Create());
    const FileTree tree = WriteAndRead(Form::kV5Binary, motion.get());
    EXPECT_EQ(tree.main.Names(), (Names{"Model", "Model", "Model", "Takes", "SceneGenericPersistence"}));
    const Record& body = tree.main.Child("Model", 1);
    EXPECT_EQ(body.Child("Type").values, Names{"Null"}) << "geometry is off";
    EXPECT_EQ(body.Find("Vertices"), nullptr);
    EXPECT_EQ(tree.extension.Child("Summary").Child("ContentCount").Child("Media").Int(), 0);
}

TEST_F(V5DocumentTest, ARootAloneWritesNoModelAndAnEmptyMediaBlock) {
    const FileTree tree = WriteAndRead(Form::kV5Binary);
    EXPECT_EQ(tree.main.Names(), (Names{"Media", "Takes", "GoboManager", "AmbientRenderSettings", "FogOptions",
                                        "RendererSetting", "Settings"}));
    EXPECT_EQ(tree.main.Child("Media").Names(), Names{"Video"});
    EXPECT_TRUE(tree.main.Child("Media").Child("Video").children.empty());
    EXPECT_EQ(tree.main.Child("Takes").Names(), Names{"Current"});
    EXPECT_EQ(tree.extension.Child("Summary").Child("ContentCount").Child("Model").Int(), 0);
}

TEST_F(V5DocumentTest, APasswordProtectsTheBinaryFileAndIsRefusedForAscii) {
    AddNode("Secret");
    Options().SetPasswordProtected(true);
    Options().SetPassword("open sesame");
    lastWrite = WriteScene(factory, scene, path, Form::kV5Binary, &Options());
    ASSERT_TRUE(lastWrite.written && lastWrite.closed) << lastWrite.errorText;
    FileTree tree;
    EXPECT_FALSE(ReadTree(path, tree));
    ASSERT_TRUE(ReadTree(path, tree, "open sesame"));
    EXPECT_EQ(tree.extension.Child("Summary").Child("PasswordProtection").Int(), 1);
    const std::string before = ScratchFolder::ReadFile(path);
    lastWrite = WriteScene(factory, scene, path, Form::kV5Ascii, &Options());
    EXPECT_FALSE(lastWrite.written);
    EXPECT_EQ(lastWrite.error, RWyxWriter::kErrorUnidentified);
    EXPECT_EQ(ScratchFolder::ReadFile(path), before);
}

TEST_F(V5DocumentTest, ProgressTellsModelsAndTakesBelowAHundred) {
    RWyxNode* a = AddNode("A");
    AddNode("B", a);
    AddNode("C");
    RWyxTexture* texture = factory.CreateTexture("T");
    scene->GetEntity()->AddTextureUse(texture);
    a->AddTakeNode("Take 001");
    WriteAndRead(Form::kV5Binary);
    const Names expected = {"Storing models", "0.000000", "25.000000", "50.000000", "75.000000",
                            "Storing take Take 001", "0.000000", "20.000000", "40.000000", "60.000000", "80.000000"};
    EXPECT_EQ(lastWrite.progress, expected);
}

TEST_F(WriterTest, TheExporterWritesVersionFiveForFormatIdsThreeAndFour) {
    AddNode("A");
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    ASSERT_TRUE(exporter->Initialize(path.c_str()));
    for (const int id : {RWyxFileExporter::kFormatWyx5Binary, RWyxFileExporter::kFormatWyx5Ascii}) {
        exporter->SetFileFormat(id);
        ASSERT_TRUE(exporter->Export(scene)) << exporter->GetLastErrorString();
        RWyxFile file;
        ASSERT_TRUE(file.Open(path.c_str()));
        EXPECT_EQ(file.GetFileVersion(), 5800);
        EXPECT_EQ(file.IsBinary(), id == RWyxFileExporter::kFormatWyx5Binary);
        FileTree tree;
        ASSERT_TRUE(ReadTree(path, tree));
        EXPECT_EQ(tree.main.Child("Model").values, Names{"Model::A"});
        EXPECT_EQ(tree.main.Child("Model").Find("Properties60"), nullptr) << "no property block in version 5";
    }
}

}  // namespace
