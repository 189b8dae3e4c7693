// The translator: which files it takes, and the command it runs with the file's name.

#include "tests/plugin/PluginTestSupport.h"

#include "plugin/WYXVexaTranslator.h"

#include <vexa/VArgList.h>
#include <vexa/VPxCommand.h>

#include <memory>
#include <vector>

namespace {

// Stands in for WYXImport and WYXExport: keeps the arguments it was given and answers the
// status asked for.
std::vector<std::string> gArguments;
VStatus gAnswer;

class RecordingCommand : public VPxCommand {
public:
    static void* create() { return static_cast<VPxCommand*>(new RecordingCommand); }
    VStatus doIt(const VArgList& args) override {
        gArguments.clear();
        for (unsigned i = 0; i < args.length(); ++i) gArguments.push_back(args.asString(i).str());
        return gAnswer;
    }
};

class TranslatorTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        gArguments.clear();
        gAnswer = VStatus();
        for (const char* name : {"WYXImport", "WYXExport"}) {
            vexa_host::CommandEngine::instance().registerPluginCommand(name, RecordingCommand::create, this);
        }
    }
    void TearDown() override {
        for (const char* name : {"WYXImport", "WYXExport"}) {
            vexa_host::CommandEngine::instance().deregisterPluginCommand(name, this);
        }
        HostTest::TearDown();
    }
    std::unique_ptr<VPxFileTranslator> translator_{static_cast<VPxFileTranslator*>(WYXVexaTranslator::Create())};
};

TEST_F(TranslatorTest, FilesAreTakenByTheLettersWyxAfterTheFirstCharacter) {
    const struct {
        const char* name;
        bool mine;
    } cases[] = {{"/scenes/a.wyx", true},      {"/scenes/A.WYX", true},  {"/scenes/mywyxfile.obj", true},
                 {"/wyx/scene.txt", false},    {"/scenes/wyx", false},   {"/scenes/wyxfile.obj", false},
                 {"/scenes/plain.obj", false}, {"/scenes/WyX.wYx", false}};
    for (const auto& c : cases) {
        const auto kind = translator_->identifyFile(VFileObject(c.name), "", 0);
        EXPECT_EQ(kind, c.mine ? VPxFileTranslator::kIsMyFileType : VPxFileTranslator::kNotMyFileType) << c.name;
    }
    EXPECT_EQ(translator_->defaultExtension(), "wyx");
    EXPECT_TRUE(translator_->haveReadMethod());
    EXPECT_TRUE(translator_->haveWriteMethod());
    EXPECT_TRUE(translator_->canBeOpened());
    EXPECT_FALSE(translator_->haveNamespaceSupport());
}

TEST_F(TranslatorTest, TheFileNameReachesTheCommandAsOneLiteral) {
    const char* const names[] = {"/tmp/x\"; file -f -new; \".wyx", "/tmp/back\\slash.wyx", "/tmp/line\nfeed.wyx",
                                 "/tmp/ends with\\"};
    makeTransform("keepme");
    for (const char* name : names) {
        const VFileObject file(name);
        ASSERT_TRUE(translator_->reader(file, "", VPxFileTranslator::kImportAccessMode)) << name;
        EXPECT_EQ(gArguments, (std::vector<std::string>{"-f", file.fullName().str(), "-caller", "WYXVexaTranslator"}));
        ASSERT_TRUE(translator_->writer(file, "", VPxFileTranslator::kExportAccessMode)) << name;
        EXPECT_EQ(gArguments[1], file.fullName().str());
    }
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("keepme").size(), 1u);
    EXPECT_EQ(WYXVexaTranslator::CommandText("WYXImport", VFileObject("/a/b\"c.wyx")),
              "WYXImport -f \"/a/b\\\"c.wyx\" -caller \"WYXVexaTranslator\"");
}

TEST_F(TranslatorTest, AFailedCommandFailsTheTranslator) {
    gAnswer = VStatus(VStatus::kNotFound, "no such file");
    const VStatus read = translator_->reader(VFileObject("/tmp/missing.wyx"), "", VPxFileTranslator::kImportAccessMode);
    EXPECT_EQ(read.statusCode(), VStatus::kNotFound);
    gAnswer = VStatus(VStatus::kFailure, "cannot write");
    EXPECT_FALSE(translator_->writer(VFileObject("/tmp/out.wyx"), "", VPxFileTranslator::kExportAccessMode));
}

}  // namespace
