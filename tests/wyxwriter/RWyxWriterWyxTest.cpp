// The writer classes: the forms of the exporter's format ids, the options a write accepts,
// files that are not created or not written, failed writes that leave the previous file, and
// the progress reports of a write.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "curves/RFCurve.h"
#include "fileio/RWyxFileExporter.h"
#include "fileio/RStreamOptionsBase.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RRenamingStrategy.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/WriteFaults.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace writer_test;

const std::string kOldContent(5000, 'o');

class WriterClassesTest : public WriterTest {
protected:
    // A scene big enough to pass the point where the faults begin.
    void AddBulk() {
        RWyxNode* node = AddNode("Bulk");
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(20000);
        node->SetNodeAttribute(mesh);
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.Path()),
                                                      std::filesystem::directory_iterator()));
    }
};

TEST_F(WriterClassesTest, EachFormatIdWritesItsFormWithTheSameFields) {
    AddNode("A");
    RWyxMaterial* material = factory.CreateMaterial("M");
    scene->GetEntity()->AddMaterialUse(material);
    const FileTree binary = WriteAndRead(Form::kBinary);
    const std::string binaryBytes = ScratchFolder::ReadFile(path);
    const FileTree ascii = WriteAndRead(Form::kAscii);
    const std::string asciiBytes = ScratchFolder::ReadFile(path);
    const FileTree encrypted = WriteAndRead(Form::kEncrypted);
    const std::string encryptedBytes = ScratchFolder::ReadFile(path);

    EXPECT_EQ(binaryBytes.substr(0, 4), "\x89WYX");
    EXPECT_EQ(binaryBytes[12], 0) << "form byte: binary";
    EXPECT_EQ(encryptedBytes[12], 1) << "form byte: encrypted";
    EXPECT_EQ(encryptedBytes.find("Model::A"), std::string::npos) << "the main section is sealed";
    EXPECT_EQ(asciiBytes.rfind(";WYX ASCII 6000\n", 0), 0u);
    EXPECT_TRUE(binary.main == ascii.main) << "the ASCII form holds the binary form's fields";
    EXPECT_TRUE(binary.main == encrypted.main);
    EXPECT_TRUE(binary.extension == encrypted.extension);
    EXPECT_TRUE(binary.hasExtension);
    EXPECT_FALSE(ascii.hasExtension) << "no extension section, so no Summary, in ASCII";
}

TEST_F(WriterClassesTest, OptionsOfNoKnownClassAreRefusedBeforeAnythingIsWritten) {
    ASSERT_TRUE(std::filesystem::exists(folder.WriteFile("scene.wyx", kOldContent)));
    RStreamOptionsPtr base(CreatePlugObject<RStreamOptionsBase>(nullptr));
    for (RStreamOptions* options : {static_cast<RStreamOptions*>(nullptr), base.get()}) {
        const WriteResult result = WriteScene(factory, scene, path, Form::kBinary, options);
        EXPECT_TRUE(result.created);
        EXPECT_FALSE(result.written);
        EXPECT_EQ(result.error, RWyxWriter::kErrorOptionsNotSet);
        EXPECT_STREQ(result.errorText.c_str(), "Stream options not set");
        EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent);
    }
    EXPECT_EQ(EntryCount(), 1u) << "nothing is left beside the file";
}

TEST_F(WriterClassesTest, MotionOptionsWriteNullsAndTakesOnly) {
    RStreamOptionsPtr motion(RStreamOptionsMotion::Create());
    ASSERT_TRUE(motion->Is(RStreamOptions::ClassId()));
    ASSERT_FALSE(motion->Is(RStreamOptionsWyx::ClassId()));
    ASSERT_FALSE(motion->Is(RStreamOptionsBase::ClassId()));
    RWyxNode* body = AddNode("Body");
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(3);
    mesh->AddMaterial(factory.CreateMaterial("Skin"));
    scene->GetEntity()->AddMaterialUse(mesh->GetMaterial(0));
    body->SetNodeAttribute(mesh);
    RWyxNode* other = AddNode("Other");
    other->SetNodeAttribute(factory.CreateMesh());
    other->GetMesh()->AddMaterial(body->GetMesh()->GetMaterial(0));
    body->AddTakeNode("Run");
    AddKeys(*body->GetTakeNode(1)->GetTranslationXCurve(), {{0, 0}, {1, 2}});
    scene->CreateCharacter("Hero");

    const FileTree tree = WriteAndRead(Form::kBinary, motion.get());
    const Record& model = tree.main.Child("Objects").Child("Model");
    EXPECT_EQ(model.Child("Type").values, std::vector<std::string>{"Null"});
    EXPECT_EQ(model.Child("TypeFlags").values, std::vector<std::string>{"Null"});
    EXPECT_EQ(model.Find("Vertices"), nullptr);
    EXPECT_EQ(tree.main.Child("Definitions").NamesWithValue(),
              (std::vector<std::string>{"Version:100", "Count:2", "ObjectType:Model"}))
        << "no materials, textures, deformers or characters in Definitions";
    EXPECT_NE(tree.main.Child("Objects").Find("Material"), nullptr) << "Objects keeps the material's record";
    EXPECT_EQ(tree.main.Child("Relations").All("Material").size(), 0u);
    EXPECT_EQ(tree.main.Child("Objects").Find("Constraint"), nullptr);
    EXPECT_EQ(tree.main.Find("Version5"), nullptr);
    EXPECT_NE(tree.main.Child("Takes").Find("Take"), nullptr) << "takes are written";
}

TEST_F(WriterClassesTest, AWriterWithoutAFileAnswersItsErrors) {
    RWyxWriterWyx6 writer(&factory, nullptr);
    EXPECT_FALSE(writer.IsFileOpen());
    EXPECT_FALSE(writer.FileClose());
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
    EXPECT_STREQ(writer.GetLastErrorString(), "File not opened");
    RStreamOptionsPtr options = writer.GetWriteOptions();
    ASSERT_TRUE(options != nullptr && options->Is(RStreamOptionsWyx::ClassId()));
    EXPECT_FALSE(writer.Write(scene, options.get()));
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorNotCreated);

    EXPECT_FALSE(writer.FileCreate(folder.Join("missing/scene.wyx").c_str()));
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorNotCreated);
    EXPECT_TRUE(writer.IsFileOpen()) << "the property file stays";
}

TEST_F(WriterClassesTest, AFailedWriteLeavesThePreviousFileAndNothingBesideIt) {
    AddBulk();
    folder.WriteFile("scene.wyx", kOldContent);
    {
        const FileSizeLimit limit(4000);
        const WriteResult result = WriteScene(factory, scene, path, Form::kBinary);
        EXPECT_TRUE(result.created);
        EXPECT_FALSE(result.written && result.closed) << "Write or FileClose fails";
        EXPECT_EQ(result.error, RWyxWriter::kErrorUnidentified);
        EXPECT_FALSE(result.errorText.empty());
    }
    EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent);
    EXPECT_EQ(EntryCount(), 1u);

    // A full disk on the road that overwrites a file with several names in place.
    const std::string otherName = folder.Join("other.wyx");
    ASSERT_EQ(::link(path.c_str(), otherName.c_str()), 0);
    WriteResult full;
    {
        const NoSpaceReservation noReservation;
        const FailingWrites failing(path, 3000, ENOSPC, FailingWrites::Kind::kLasting);
        full = WriteScene(factory, scene, path, Form::kBinary);
    }
    EXPECT_FALSE(full.written && full.closed);
    EXPECT_EQ(full.error, RWyxWriter::kErrorOutOfDiskSpace);
    EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent);
    EXPECT_EQ(ScratchFolder::ReadFile(otherName), kOldContent);
}

TEST_F(WriterClassesTest, OnlyAWriteThatSucceededIsPutInPlace) {
    folder.WriteFile("scene.wyx", kOldContent);
    RStreamOptionsPtr options(RStreamOptionsWyx::Create());
    {
        RWyxWriterWyx6 created(&factory, nullptr);
        ASSERT_TRUE(created.FileCreate(path.c_str()));
    }
    EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent) << "created and never written";
    {
        RWyxWriterWyx6 failed(&factory, nullptr);
        ASSERT_TRUE(failed.FileCreate(path.c_str()));
        EXPECT_FALSE(failed.Write(scene, nullptr));
        EXPECT_FALSE(failed.FileClose());
        EXPECT_EQ(failed.GetLastErrorCode(), RWyxWriter::kErrorOptionsNotSet) << "the write's error stands";
    }
    EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent);
    {
        RWyxWriterWyx6 unclosed(&factory, nullptr);
        ASSERT_TRUE(unclosed.FileCreate(path.c_str()));
        EXPECT_TRUE(unclosed.Write(scene, options.get()));
    }
    FileTree tree;
    EXPECT_TRUE(ReadTree(path, tree)) << "a written file is put in place when the writer goes";
    EXPECT_EQ(EntryCount(), 1u);
}

// A file names every model and a reader keeps the first of namesakes: a scene whose nodes
// share a name is refused by both versions, naming each shared name once and saying what to
// do, and the file that was there stays; names differing in case are not namesakes.
TEST_F(WriterClassesTest, NodesSharingANameAreRefusedAndTheFileKept) {
    folder.WriteFile("scene.wyx", kOldContent);
    AddNode("Arm");
    AddNode("arm");
    const WriteResult distinct = WriteScene(factory, scene, path, Form::kV5Ascii);
    EXPECT_TRUE(distinct.written && distinct.closed) << distinct.errorText;
    folder.WriteFile("scene.wyx", kOldContent);

    AddNode("Hand", AddNode("Left"));
    AddNode("Hand", AddNode("Right"));
    AddNode("Arm");
    AddNode("Arm");
    for (const Form form : {Form::kBinary, Form::kAscii, Form::kV5Binary, Form::kV5Ascii}) {
        const WriteResult result = WriteScene(factory, scene, path, form);
        EXPECT_TRUE(result.created);
        EXPECT_FALSE(result.written);
        EXPECT_EQ(result.error, RWyxWriter::kErrorUnidentified);
        EXPECT_EQ(result.errorText,
                  "Models of one name cannot be told apart in a file; these names are shared: Model::Hand, "
                  "Model::Arm. Make the names unique before writing: rename the nodes, or install a renaming "
                  "strategy on the object factory (SetNodeRenamingStrategy) before they are made.");
        EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent);
        EXPECT_EQ(EntryCount(), 1u);
    }

    // A name keeps its one line and shows what it holds; twenty are listed, then how many more.
    std::string listed = "shared: Model::Hand, Model::Arm, Model::a\\tb, Model::a\\\\nb";
    for (int i = -2; i < 20; ++i) {
        const std::string name = i == -2 ? "a\tb" : i == -1 ? "a\\nb" : "S" + std::to_string(i);
        AddNode(name.c_str());
        AddNode(name.c_str());
        if (i >= 0 && i < 16) listed += ", Model::" + name;
    }
    const WriteResult result = WriteScene(factory, scene, path, Form::kAscii);
    EXPECT_NE(result.errorText.find(listed + ", and 4 more. Make the names"), std::string::npos) << result.errorText;
    EXPECT_EQ(ScratchFolder::ReadFile(path), kOldContent);
}

// What a caller does instead: a renaming strategy installed before the nodes are made gives
// each repeat a clash ending, and the scene writes.
TEST_F(WriterClassesTest, NamesakesMadeUniqueByTheFactoryAreWritten) {
    factory.SetNodeRenamingStrategy(std::make_unique<RRenamingStrategy>(0, false));
    AddNode("Arm");
    AddNode("Arm");
    const FileTree tree = WriteAndRead(Form::kAscii);
    EXPECT_EQ(tree.main.Child("Objects").NamesWithValue(),
              (std::vector<std::string>{"Model:Model::Arm", "Model:Model::Arm_ncl1_1"}));
}

TEST_F(WriterClassesTest, ProgressReportsTextsThenPercentagesBelowAHundred) {
    RWyxNode* a = AddNode("A");
    AddNode("B", a);
    AddNode("C");
    RWyxTexture* texture = factory.CreateTexture("T");
    scene->GetEntity()->AddTextureUse(texture);
    a->AddTakeNode("Take 001");
    Options().AddTake("Take 001");
    WriteAndRead();
    const std::vector<std::string> expected = {
        "Storing models", "0.000000", "25.000000", "50.000000", "75.000000",
        "Storing take Take 001", "0.000000", "20.000000", "40.000000", "60.000000", "80.000000"};
    EXPECT_EQ(lastWrite.progress, expected);
}

}  // namespace

namespace {

using namespace writer_test;

TEST_F(WriterTest, TheExporterWritesVersionSixThroughThisWriter) {
    AddNode("A");
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    std::vector<std::string> texts;
    exporter->SetProgressHandler([&texts](int, const char* text, const char*, float) {
        if (text != nullptr) texts.emplace_back(text);
    });
    ASSERT_TRUE(exporter->Initialize(path.c_str()));
    exporter->SetFileFormat(RWyxFileExporter::kFormatWyxAscii);
    ASSERT_TRUE(exporter->Export(scene)) << exporter->GetLastErrorString();
    EXPECT_EQ(ScratchFolder::ReadFile(path).rfind(";WYX ASCII 6000\n", 0), 0u);
    EXPECT_EQ(texts, std::vector<std::string>{"Storing models"});
    FileTree tree;
    ASSERT_TRUE(ReadTree(path, tree));
    EXPECT_EQ(tree.main.Child("Objects").Child("Model").values[0], "Model::A");

    exporter->SetFileFormat(RWyxFileExporter::kFormatWyx5Ascii);
    ASSERT_TRUE(exporter->Export(scene)) << "the version-5 writer is built: " << exporter->GetLastErrorString();
    EXPECT_EQ(ScratchFolder::ReadFile(path).rfind(";WYX ASCII 5800\n", 0), 0u);
}

// A file that cannot be created is named with the system's reason by every WYX form, whose
// writer keeps its code 2 and the exporter its code 4.
TEST_F(WriterTest, AFileNotCreatedIsNamedInEveryFormAndByTheExporter) {
    AddNode("A");
    const std::string missing = folder.Join("missing/scene.wyx");
    const std::string text = "File not created: \"" + missing + "\": No such file or directory";
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    ASSERT_TRUE(exporter->Initialize(missing.c_str()));
    for (const int form : {RWyxFileExporter::kFormatWyxBinary, RWyxFileExporter::kFormatWyxAscii,
                           RWyxFileExporter::kFormatWyxEncrypted, RWyxFileExporter::kFormatWyx5Binary,
                           RWyxFileExporter::kFormatWyx5Ascii}) {
        SCOPED_TRACE(form);
        const WriteResult result = WriteScene(factory, scene, missing, static_cast<Form>(form));
        EXPECT_FALSE(result.created);
        EXPECT_EQ(result.error, RWyxWriter::kErrorNotCreated);
        EXPECT_EQ(result.errorText, text);
        exporter->SetFileFormat(form);
        EXPECT_FALSE(exporter->Export(scene));
        EXPECT_EQ(exporter->GetLastErrorCode(), RWyxIO::kErrorNotCreated);
        EXPECT_EQ(exporter->GetLastErrorString(), text);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.Join("missing")));
}

}  // namespace
