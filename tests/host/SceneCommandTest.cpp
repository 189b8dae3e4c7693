// The scene and settings commands of the plug-in's scripts: namespaces, the session's
// settings, parenting, transform limits, selection and the driven-key query.

#include "tests/support/HostTestSupport.h"

#include "host/src/commands/SceneDump.h"
#include "host/src/script/CommandEngine.h"

#include <vexa/VFnNumericAttribute.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// The result of a script that must succeed, its items joined by blanks.
std::string answer(const std::string& script) {
    VStringArray result;
    const VStatus status = VGlobal::executeCommand(VString(script), result);
    EXPECT_TRUE(status) << script << ": " << status.errorString().asChar();
    std::string text;
    for (unsigned i = 0; i < result.length(); ++i) text += (i == 0 ? "" : " ") + result[i].str();
    return text;
}

class SceneCommandTest : public HostTest {
protected:
    static std::string failure(const std::string& script) {
        EXPECT_EQ(VGlobal::executeCommand(VString(script)), VStatus::kFailure) << script;
        const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
        return errors.length() == 0 ? std::string() : errors[errors.length() - 1].str();
    }
};

// Each row runs after the rows before it.
struct Step {
    const char* script;
    const char* answer;
};

void runSteps(const std::vector<Step>& steps) {
    for (const Step& step : steps) EXPECT_EQ(answer(step.script), step.answer) << step.script;
}

TEST_F(SceneCommandTest, NamespacesAreAddedSetAndListedFromTheCurrentOne) {
    runSteps({
        {"namespaceInfo -currentNamespace", ":"},
        {"namespaceInfo -lon", ""},
        {"namespace -add \"robot\"", "robot"},
        {"namespace -set \":\"; namespace -set \"robot\"; namespaceInfo -cur", "robot"},
        {"createNode transform -n arm", "robot:arm"},
        {"namespace -add \"left\"", "robot:left"},
        {"namespace -add \":other\"", "other"},
        {"namespaceInfo -lon", "robot:left"},
        {"namespace -set \":\"; namespaceInfo -lon", "other robot"},
        {"namespace -rm other; namespaceInfo -lon", "robot"},
    });
    EXPECT_EQ(failure("namespace -add robot"), "namespace: the namespace robot exists");
    EXPECT_EQ(failure("namespace -set nowhere"), "namespace: no namespace nowhere");
    EXPECT_EQ(failure("namespace -add \"a b\""), "namespace: not a namespace name: a b");
    EXPECT_EQ(failure("namespace -add \"a::b\""), "namespace: not a namespace name: a::b");
    EXPECT_EQ(failure("namespace -rm robot"), "namespace: no empty namespace robot to remove");
    EXPECT_EQ(failure("namespace -rm \":\""), "namespace: the root namespace stays");
    EXPECT_EQ(failure("namespace -set a -add b"), "namespace: use one of -set, -add and -rm");
    EXPECT_EQ(failure("namespace -set a b"), "namespace: use one of -set, -add and -rm");
    EXPECT_EQ(failure("namespace"), "namespace: use one of -set, -add and -rm");
}

TEST_F(SceneCommandTest, SessionSettingsAnswerAndChange) {
    runSteps({
        {"about -b", "0"},
        {"upAxis -q -axis", "y"},
        {"upAxis -ax z; upAxis -q -ax", "z"},
        {"jointDisplayScale -q -a", "1"},
        {"jointDisplayScale 0.25; jointDisplayScale -q -a", "0.25"},
        {"optionVar -q aeInMainWindow", "1"},
        {"isAttributeEditorVisible", "0"},
        {"optionVar -iv aeInMainWindow 0;setAttributeEditorVisible 0", ""},
        {"optionVar -q aeInMainWindow", "0"},
        {"openAEWindow;refreshAE;optionVar -iv aeInMainWindow 1;setAttributeEditorVisible 1", ""},
        {"isAttributeEditorVisible", "1"},
        {"setAttributeEditorVisible 0; openAEWindow; isAttributeEditorVisible", "1"},
        {"setChannelBoxVisible(0)", ""},
        {"optionVar -fv rate 2.5 -sv label \"a b\" -q rate -q label -q missing -ex label -rm label -ex label", "2.5 a b 0 1 0"},
        {"optionVar -iv count 7.9 -q count", "7"},
    });
    EXPECT_FALSE(vexa_host::HostPreferences::instance().channelBoxVisible);
    vexa_host::HostPreferences::instance().batchMode = true;
    EXPECT_EQ(answer("about -b"), "1");
    EXPECT_EQ(failure("upAxis -ax x"), "upAxis: the up axis is y or z, not x");
    EXPECT_EQ(failure("jointDisplayScale -0.5"), "jointDisplayScale: give one scale above 0");
    EXPECT_EQ(failure("optionVar -iv count many"), "optionVar: -iv takes a number, not many");
    EXPECT_EQ(failure("setAttributeEditorVisible maybe"), "setAttributeEditorVisible: give 1 or 0");
    EXPECT_EQ(failure("about -v"), "about: invalid flag -v");
}

// Notes on the whole scene: set, answered, listed by the dump, gone with a new scene.
TEST_F(SceneCommandTest, FileInfoNotesTextsOnTheScene) {
    runSteps({{"fileInfo \"take\" \"Walk\"", ""},
              {"fileInfo -q \"take\"", "Walk"},
              {"fileInfo \"take\" \"Run \\\"fast\\\"\"", ""},
              {"fileInfo -query take", "Run \"fast\""},
              {"fileInfo -q other", ""}});
    std::ostringstream dump;
    vexa_host::dumpScene(dump);
    EXPECT_EQ(dump.str(), "time 0 range 0 10\nfileInfo take \"Run \\\"fast\\\"\"\n");
    EXPECT_EQ(failure("fileInfo take"), "fileInfo: give a name and a text, or -q and a name");
    EXPECT_EQ(failure("fileInfo -x take"), "fileInfo: give a name and a text, or -q and a name");
    runSteps({{"file -f -new", ""}, {"fileInfo -q take", ""}});
}

TEST_F(SceneCommandTest, ParentMovesNodesWithTheirLocalValues) {
    answer("createNode transform -n group; setAttr group.tx 5; createNode transform -n cam; setAttr cam.tx 1");
    EXPECT_EQ(answer("parent cam group"), "cam");
    EXPECT_EQ(answer("getAttr group|cam.tx"), "1");
    EXPECT_EQ(answer("createNode transform -n other; parent -w group|cam"), "cam");
    EXPECT_EQ(failure("parent cam cam"), "parent: cam: the link would make a cycle");
    EXPECT_EQ(failure("parent nothing group"), "parent: no object matches nothing");
    EXPECT_EQ(failure("parent group.tx group"), "parent: group.tx is not one DAG node");
    EXPECT_EQ(failure("parent cam"), "parent: name the objects and their new parent");
}

TEST_F(SceneCommandTest, TransformLimitsAreSetInUserUnits) {
    answer("createNode transform -n box");
    answer("transformLimits -tx 5 5 -etx 1 0 |box");
    answer("transformLimits -rx -45 90 -erx 0 1 -sy 0.5 2 -esy true false box");
    const VObject box(vexa_host::Scene::instance().nodesNamed("box").front()->self());
    const VFnTransform transform(box);
    EXPECT_EQ(transform.limitValue(VFnTransform::kTranslateMaxX), 5.0);
    EXPECT_TRUE(transform.isLimited(VFnTransform::kTranslateMinX));
    EXPECT_FALSE(transform.isLimited(VFnTransform::kTranslateMaxX));
    EXPECT_NEAR(transform.limitValue(VFnTransform::kRotateMinX), -0.7853981633974483, 1e-12);
    EXPECT_TRUE(transform.isLimited(VFnTransform::kRotateMaxX));
    EXPECT_EQ(transform.limitValue(VFnTransform::kScaleMinY), 0.5);
    EXPECT_TRUE(transform.isLimited(VFnTransform::kScaleMinY));
    EXPECT_EQ(answer("transformLimits -q -rx box"), "-45 90");
    EXPECT_EQ(answer("transformLimits -q -erx box"), "0 1");
    VDistance::setUIUnit(VDistance::kMeters);
    answer("transformLimits -ty -1 2 box");
    EXPECT_EQ(transform.limitValue(VFnTransform::kTranslateMinY), -100.0);
    EXPECT_EQ(answer("transformLimits -q -ty box"), "-1 2");
    EXPECT_EQ(failure("transformLimits box -tx 1"), "transformLimits: the flag -tx needs 2 values");
    EXPECT_EQ(failure("transformLimits -etx 1 maybe box"), "transformLimits: -etx cannot take maybe");
}

TEST_F(SceneCommandTest, SelectClearsTogglesAndNamesWhatItCannotFind) {
    answer("createNode transform -n a; createNode transform -n b");
    auto selected = [] {
        VSelectionList list;
        VGlobal::getActiveSelectionList(list);
        VStringArray names;
        list.getSelectionStrings(names);
        std::string text;
        for (unsigned i = 0; i < names.length(); ++i) text += (i == 0 ? "" : " ") + names[i].str();
        return text;
    };
    answer("select a b");
    EXPECT_EQ(selected(), "a b");
    answer("select -tgl a");
    EXPECT_EQ(selected(), "b");
    answer("select -cl");
    EXPECT_EQ(selected(), "");
    answer("select -cl; select -tgl b; select -tgl a");
    EXPECT_EQ(selected(), "b a");
    answer("select a");
    EXPECT_EQ(selected(), "a");
    EXPECT_EQ(failure("select c"), "select: no object matches name: c");
}

TEST_F(SceneCommandTest, DrivenKeysNameTheirDriver) {
    answer("createNode transform -n ctrl; createNode transform -n door; createNode animCurveUL -n key");
    EXPECT_EQ(answer("setDrivenKeyframe -q -cd door.tx"), "No drivers.");
    answer("connectAttr ctrl.ry key.input; connectAttr key.output door.tx");
    EXPECT_EQ(answer("setDrivenKeyframe -q -cd door.tx"), "ctrl.rotateY");
    answer("createNode animCurveTL -n timed; connectAttr ctrl.rz timed.input; connectAttr -f timed.output door.tx");
    EXPECT_EQ(answer("setDrivenKeyframe -q -cd door.tx"), "No drivers.") << "a time curve is no driven key";
    EXPECT_EQ(failure("setDrivenKeyframe -cd ctrl.ry door.tx"), "setDrivenKeyframe: door.translateX is driven by something else");
}

TEST_F(SceneCommandTest, AttributesReadAndWrittenAsTheScriptsWriteThem) {
    answer("createNode transform -n smooth; createNode joint -n j");
    vexa_host::Node& smooth = *vexa_host::Scene::instance().nodesNamed("smooth").front();
    smooth.addDynamicAttribute(vexa_host::makeNumeric("divisions", "dv", VFnNumericAttribute::kInt, 1.0));
    EXPECT_EQ(answer("getAttr \"smooth.divisions\""), "1");
    answer("setAttr \"smooth.divisions\" 0");
    answer("setAttr \"smooth.divisions\"3");
    int divisions = 0;
    ASSERT_TRUE(VGlobal::executeCommand("getAttr \"smooth.divisions\"", divisions));
    EXPECT_EQ(divisions, 3);
    answer("setAttr j.bindPose -type \"matrix\" 1 0 0 0 0 1 0 0 0 0 1 0 7 8.5 9 1");
    EXPECT_EQ(answer("getAttr j.bindPose"), "1 0 0 0 0 1 0 0 0 0 1 0 7 8.5 9 1");
    EXPECT_EQ(answer("getAttr \"|smooth.visibility\"; delete j; exists setDrivenKeyframe"), "1");
    EXPECT_TRUE(vexa_host::Scene::instance().nodesNamed("j").empty());
}

}  // namespace
