// The simple command runner, the built-in commands, command results and the scene dump.

#include "tests/support/HostTestSupport.h"

#include "host/src/api/ApiSupport.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptText.h"

#include <vexa/VArgList.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VGlobal.h>
#include <vexa/VFileObject.h>
#include <vexa/VIntArray.h>
#include <vexa/VPxCommand.h>
#include <vexa/VPxFileTranslator.h>
#include <vexa/VStringArray.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using vexa_host::CommandEngine;

class CommandTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        CommandEngine::instance().setOutput(&printed);
    }
    void TearDown() override {
        CommandEngine::instance().setOutput(nullptr);
        CommandEngine::instance().setScriptRunner({});
        HostTest::TearDown();
    }

    static VStringArray run(const char* command, VStatus* status = nullptr) {
        VStringArray result;
        VStatus outcome = VGlobal::executeCommand(command, result);
        if (status != nullptr) *status = outcome;
        EXPECT_TRUE(status != nullptr || outcome) << command << ": " << outcome.errorString().asChar();
        return result;
    }

    std::ostringstream printed;
};

TEST_F(CommandTest, ARunStopsAtTheFirstFailure) {
    VStatus status;
    run("createNode transform -n first; noSuchCommand; createNode transform -n second", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("first").size(), 1u);
    EXPECT_TRUE(vexa_host::Scene::instance().nodesNamed("second").empty());
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    ASSERT_EQ(errors.length(), 1u);
    EXPECT_EQ(errors[0], "Cannot find procedure \"noSuchCommand\".");
    run("print \"a \\\"b\\\"\\n\"");
    EXPECT_EQ(printed.str(), "a \"b\"\n");
}

TEST_F(CommandTest, GetAndSetAttrUseUserUnits) {
    run("createNode transform -n ball");
    run("setAttr ball.rotate 90 0 45; setAttr ball.tx 2");
    const VObject ball(vexa_host::Scene::instance().nodesNamed("ball").front()->self());
    EXPECT_NEAR(plugOf(ball, "rx").asDouble(), 1.5707963267948966, 1e-12);
    EXPECT_EQ(run("getAttr ball.rotate")[2], "45");
    VDistance::setUIUnit(VDistance::kMeters);
    EXPECT_EQ(run("getAttr ball.tx")[0], "0.02");
    run("setAttr ball.ty 3");
    VDistance::setUIUnit(VDistance::kCentimeters);
    EXPECT_EQ(run("getAttr ball.ty")[0], "300");
    EXPECT_EQ(run("getAttr ball.visibility")[0], "1");
    run("setAttr ball.visibility off");
    int hidden = -1;
    ASSERT_TRUE(VGlobal::executeCommand("getAttr \"ball.visibility\"", hidden));
    EXPECT_EQ(hidden, 0);
}

TEST_F(CommandTest, SetAttrWritesMatricesAndTextsAndLocks) {
    run("createNode joint -n j");
    run("setAttr j.bindPose -type \"matrix\" 1 0 0 0 0 1 0 0 0 0 1 0 7 8 9 1");
    VDoubleArray values;
    ASSERT_TRUE(VGlobal::executeCommand("getAttr j.bindPose", values));
    ASSERT_EQ(values.length(), 16u);
    EXPECT_EQ(values[12], 7.0);
    EXPECT_EQ(values[14], 9.0);
    VStatus status;
    run("setAttr j.bindPose -type \"matrix\" 1 0 0", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("setAttr j.translate 1 2", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("setAttr j.tx abc", &status);
    EXPECT_EQ(status, VStatus::kFailure);

    vexa_host::Node& joint = *vexa_host::Scene::instance().nodesNamed("j").front();
    joint.addDynamicAttribute(vexa_host::makeTyped("label", "lb", vexa_host::AttributeKind::String));
    run("setAttr j.label -type \"string\" \"left arm\"");
    EXPECT_EQ(run("getAttr j.lb")[0], "left arm");

    run("setAttr -l true j.tx");
    EXPECT_EQ(run("getAttr -l j.tx")[0], "1");
    run("setAttr j.tx 5", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("setAttr j.tx 5 -l false");
    EXPECT_EQ(run("getAttr j.tx")[0], "5");
}

TEST_F(CommandTest, ConnectAttrForceReplacesTheSource) {
    run("createNode transform -n a; createNode transform -n b; createNode transform -n c");
    run("setAttr a.tx 1; setAttr b.tx 2");
    run("connectAttr a.tx c.ty");
    VStatus status;
    run("connectAttr b.tx c.ty", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("connectAttr -f b.tx c.ty");
    EXPECT_EQ(run("getAttr c.ty")[0], "2");
    run("disconnectAttr b.tx c.ty");
    EXPECT_EQ(run("getAttr c.ty")[0], "0");
    run("disconnectAttr b.tx c.ty", &status);
    EXPECT_EQ(status, VStatus::kFailure);
}

TEST_F(CommandTest, CreateNodeUnderAParentAndDelete) {
    EXPECT_EQ(run("createNode transform -n group")[0], "group");
    EXPECT_EQ(run("createNode locator -p group")[0], "locatorShape1");
    EXPECT_EQ(run("createNode transform -n group")[0], "group1");
    VStatus status;
    run("createNode locator -p group.tx", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("createNode nothing", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("delete group group1");
    EXPECT_TRUE(vexa_host::Scene::instance().nodes().empty());
    run("delete group", &status);
    EXPECT_EQ(status, VStatus::kFailure);
}

TEST_F(CommandTest, ResultsConvertToTheFormAskedFor) {
    run("createNode transform -n ball; setAttr ball.translate 1.5 2 -3");
    double first = 0.0;
    ASSERT_TRUE(VGlobal::executeCommand("getAttr ball.translate", first));
    EXPECT_EQ(first, 1.5);
    VIntArray integers;
    ASSERT_TRUE(VGlobal::executeCommand("getAttr ball.translate", integers));
    ASSERT_EQ(integers.length(), 3u);
    EXPECT_EQ(integers[2], -3);
    VString text;
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n label", text));
    EXPECT_EQ(text, "label");
    double number = 0.0;
    EXPECT_EQ(VGlobal::executeCommand("createNode transform -n word", number), VStatus::kFailure);
    int exists = 0;
    ASSERT_TRUE(VGlobal::executeCommand("exists getAttr", exists));
    EXPECT_EQ(exists, 1);
    ASSERT_TRUE(VGlobal::executeCommand("exists ZOQCreateCharacter", exists));
    EXPECT_EQ(exists, 0);
}

TEST_F(CommandTest, ShownCommandsAreEchoedWithTheirResults) {
    VGlobal::executeCommand("createNode transform -n shown", true);
    const VStringArray lines = VMessageLog::lines();
    ASSERT_EQ(lines.length(), 2u);
    EXPECT_EQ(lines[0], "createNode transform -n shown");
    EXPECT_EQ(lines[1], "// Result: shown");
    VGlobal::executeCommand("createNode transform -n quiet");
    EXPECT_EQ(VMessageLog::lines().length(), 2u);
}

TEST_F(CommandTest, AnInstalledRunnerTakesEveryCommand) {
    std::vector<std::string> seen;
    CommandEngine::instance().setScriptRunner([&seen](const std::string& text, vexa_host::CommandResult& result) {
        seen.push_back(text);
        result.addText("handled");
        return VStatus();
    });
    VStringArray result;
    ASSERT_TRUE(VGlobal::executeCommand("window -title \"x\"", result));
    EXPECT_EQ(result[0], "handled");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "window -title \"x\"");
}

TEST_F(CommandTest, ArgumentsConvertOrSayTheyCannot) {
    VStringArray words;
    for (const char* word : {"-v", "on", "12", "2.5", "abc", "0"}) words.append(word);
    const VArgList args(words);
    VStatus status;
    EXPECT_TRUE(args.asBool(1, &status));
    EXPECT_TRUE(status);
    EXPECT_FALSE(args.asBool(5));
    args.asBool(4, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(args.asInt(2), 12);
    args.asInt(3, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(args.asDouble(3), 2.5);
    args.asString(6, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(args.flagIndex("-x", "-v"), 0u);
    EXPECT_EQ(args.flagIndex("-x"), VArgList::kInvalidArgIndex);
}

TEST_F(CommandTest, FileCommandsNeedATranslator) {
    VStatus status;
    run("file -import /nonexistent/file.tst", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("file -export out.unknownformat", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("file -import", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    run("createNode transform -n ball; file -f -new");
    EXPECT_TRUE(vexa_host::Scene::instance().nodes().empty());
}

TEST_F(CommandTest, DumpSceneListsNodesValuesLocksCurvesAndConnections) {
    run("createNode transform -n group; createNode transform -n ball -p group; createNode objectSet -n ns:set");
    run("setAttr ball.tx 2.5; setAttr -l on ball.ty");
    VObject ball(vexa_host::Scene::instance().nodesNamed("ball").front()->self());
    VFnAnimCurve curve;
    curve.create(plugOf(ball, "rx"));
    curve.addKey(VTime(0.0, VTime::kSeconds), 1.0, VFnAnimCurve::kTangentFlat, VFnAnimCurve::kTangentStep);
    run("dumpScene");
    const std::string expected =
        "time 0 range 0 10\n"
        "namespace ns\n"
        "node transform |group\n"
        "node transform |group|ball\n"
        "  translateX = 2.5\n"
        "  locked translateY\n"
        "node objectSet ns:set\n"
        "node animCurveTA ball_rotateX\n"
        "  keys 1\n"
        "    key 0 1 in flat (1 0) out step (1 0)\n"
        "connect ball_rotateX.output -> |group|ball.rotateX\n";
    EXPECT_EQ(printed.str(), expected);
}

}  // namespace

namespace {

// A command as a plug-in would register it, answering with each kind of result.
class ResultCommand : public VPxCommand {
public:
    static void* create() { return new ResultCommand; }
    VStatus doIt(const VArgList& args) override {
        const VString kind = args.asString(0);
        if (kind == "texts") {
            VStringArray texts;
            texts.append("a b");
            texts.append("c");
            setResult(texts);
        } else if (kind == "numbers") {
            VDoubleArray numbers;
            numbers.append(0.5);
            setResult(numbers);
            appendToResult(2);
        } else if (kind == "cleared") {
            setResult(7);
            clearResult();
        } else {
            displayError("ResultCommand: unknown kind " + kind);
            return VStatus(VStatus::kFailure);
        }
        return VStatus();
    }
};

using PluginCommandTest = CommandTest;

TEST_F(PluginCommandTest, CommandsAnswerThroughTheResultOfTheirRun) {
    static const int owner = 0;
    CommandEngine& engine = CommandEngine::instance();
    ASSERT_TRUE(engine.registerPluginCommand("ResultCommand", ResultCommand::create, &owner));
    EXPECT_EQ(engine.registerPluginCommand("ResultCommand", ResultCommand::create, &owner), VStatus::kFailure);
    VStringArray result = run("ResultCommand texts");
    ASSERT_EQ(result.length(), 2u);
    EXPECT_EQ(result[0], "a b");
    result = run("ResultCommand numbers");
    ASSERT_EQ(result.length(), 2u);
    EXPECT_EQ(result[0], "0.5");
    EXPECT_EQ(result[1], "2");
    EXPECT_EQ(run("ResultCommand cleared").length(), 0u);
    VStatus status;
    run("ResultCommand other", &status);
    EXPECT_EQ(status, VStatus::kFailure);
    EXPECT_EQ(VMessageLog::lines()[0], "// Error: ResultCommand: unknown kind other");
    // Outside a command the result has nowhere to go.
    VPxCommand::setResult("nowhere");
    EXPECT_EQ(engine.deregisterPluginCommand("ResultCommand", nullptr), VStatus::kFailure);
    ASSERT_TRUE(engine.deregisterPluginCommand("ResultCommand", &owner));
    ResultCommand command;
    EXPECT_FALSE(command.isUndoable());
    EXPECT_FALSE(command.hasSyntax());
    EXPECT_EQ(command.undoIt(), VStatus::kFailure);
}

// A translator that keeps the base's answers.
class PlainTranslator : public VPxFileTranslator {
public:
    explicit PlainTranslator(const char* extension) : extension_(extension) {}
    VString defaultExtension() const override { return extension_; }

private:
    const char* extension_;
};

TEST_F(PluginCommandTest, TranslatorsAndFilesHaveTheirDefaults) {
    const PlainTranslator withExtension("wyx");
    const PlainTranslator without("");
    EXPECT_EQ(withExtension.filter(), "*.wyx");
    EXPECT_EQ(without.filter(), "*.*");
    EXPECT_FALSE(without.haveReadMethod());
    EXPECT_FALSE(without.haveWriteMethod());
    EXPECT_FALSE(without.haveNamespaceSupport());
    EXPECT_TRUE(without.canBeOpened());
    EXPECT_EQ(without.identifyFile(VFileObject(), "data", 4), VPxFileTranslator::kNotMyFileType);
    const VFileObject absolute("/data/scenes/Robot.WYX");
    EXPECT_EQ(absolute.name(), "Robot.WYX");
    EXPECT_EQ(absolute.path(), "/data/scenes/");
    EXPECT_EQ(absolute.fullName(), "/data/scenes/Robot.WYX");
    const VFileObject relative("./x.wyx");
    EXPECT_EQ(relative.fullName().substring(0, 0), "/");
    EXPECT_EQ(relative.fullName().substring(static_cast<int>(relative.fullName().length()) - 6, 1000), "/x.wyx");
    EXPECT_EQ(relative.rawFullName(), "./x.wyx");
    EXPECT_FALSE(absolute.exists());
    EXPECT_EQ(vexa_host::quoted("a\"b\\c\n\t"), "\"a\\\"b\\\\c\\n\\t\"");
}

}  // namespace
