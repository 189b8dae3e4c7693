// The optional character-rig module and the commands that build test scenes: instances and
// driven keys.

#include "tests/host/DeformerTestSupport.h"

#include "host/src/commands/CharacterRig.h"

#include <vexa/VDagPathArray.h>
#include <vexa/VFnAnimCurve.h>

namespace {

class FixtureTest : public DeformerTest {
protected:
    void TearDown() override {
        if (vexa_host::characterRigModuleLoaded()) vexa_host::unloadCharacterRigModule();
        DeformerTest::TearDown();
    }
};

const char* const kRigCommands[] = {"ZOQCreateCharacter",   "ZOQSetCharacterNodeLink", "ZOQSetCharacterNodeLinkTRS",
                                    "ZOQCharacterize",      "ZOQGetCharacterCount",    "ZOQGetCharacterName",
                                    "ZOQGetCharacterNodeLink"};

TEST_F(FixtureTest, TheRigCommandsExistOnlyWhileTheModuleIsLoaded) {
    for (const char* command : kRigCommands) EXPECT_EQ(run(std::string("exists ") + command), "0") << command;
    ASSERT_TRUE(vexa_host::loadCharacterRigModule());
    EXPECT_EQ(vexa_host::loadCharacterRigModule(), VStatus::kFailure) << "loaded once";
    for (const char* command : kRigCommands) EXPECT_EQ(run(std::string("exists ") + command), "1") << command;
    run("ZOQCreateCharacter \"Hero\"");
    ASSERT_TRUE(vexa_host::unloadCharacterRigModule());
    EXPECT_EQ(vexa_host::unloadCharacterRigModule(), VStatus::kFailure);
    for (const char* command : kRigCommands) EXPECT_EQ(run(std::string("exists ") + command), "0") << command;
    ASSERT_TRUE(vexa_host::loadCharacterRigModule());
    EXPECT_EQ(run("ZOQGetCharacterCount"), "0") << "a new load starts without characters";
}

TEST_F(FixtureTest, CharactersKeepTheirLinksBySlot) {
    ASSERT_TRUE(vexa_host::loadCharacterRigModule());
    makeTransform("hips");
    makeTransform("head");
    run("ZOQCreateCharacter \"Hero\"; ZOQCreateCharacter \"Villain\"");
    run("ZOQSetCharacterNodeLink -ci 1 -lti 0 -li 0 -nn hips");
    run("ZOQSetCharacterNodeLink -ci 1 -lti 3 -li 2 -nn head");
    run("ZOQSetCharacterNodeLinkTRS -ci 1 -lti 3 -li 2 -t 1 2 3 -r 0 90 0 -s 1 1 1");
    run("ZOQCharacterize  -ci 1 -keepTstance");
    EXPECT_EQ(run("ZOQGetCharacterCount"), "2");
    EXPECT_EQ(run("ZOQGetCharacterName  -ci 1"), "Villain");
    EXPECT_EQ(run("ZOQGetCharacterNodeLink -ci 1 -lti 0 -li 0"), "hips");
    EXPECT_EQ(run("ZOQGetCharacterNodeLink -ci 1 -lti 3 -li 2"), "head");
    EXPECT_EQ(run("ZOQGetCharacterNodeLink -ci 1 -lti 3 -li 1"), "") << "an empty slot";
    EXPECT_EQ(run("ZOQGetCharacterNodeLink -ci 0 -lti 3 -li 2"), "") << "the other character's slot";
    EXPECT_EQ(failure("ZOQGetCharacterName -ci 2"), "ZOQGetCharacterName: -ci names no character");
    EXPECT_EQ(failure("ZOQSetCharacterNodeLink -ci 0 -lti 0 -li 0 -nn nobody"), "ZOQSetCharacterNodeLink: -nn names no DAG node");
    EXPECT_EQ(failure("ZOQSetCharacterNodeLink -ci 0 -lti -1 -li 0 -nn hips").compare(0, 25, "ZOQSetCharacterNodeLink: "), 0);
    EXPECT_EQ(failure("ZOQSetCharacterNodeLinkTRS -ci 0 -lti 0 -li 0 -t 1 x 3"), "ZOQSetCharacterNodeLinkTRS: -t takes three numbers");
    EXPECT_EQ(failure("ZOQCreateCharacter"), "ZOQCreateCharacter: name the character");
}

TEST_F(FixtureTest, AnInstanceGivesTheShapeASecondPath) {
    const VObject shape = makeStrip("body", 1);
    EXPECT_EQ(run("instance -n copy body"), "copy");
    VDagPathArray paths;
    ASSERT_TRUE(VDagPath::getAllPathsTo(shape, paths));
    ASSERT_EQ(paths.length(), 2u);
    EXPECT_EQ(paths[1].fullPathName(), VString("|copy|bodyShape"));
    EXPECT_EQ(paths[1].instanceNumber(), 1u);
    EXPECT_EQ(run("instance body"), "body1");
    EXPECT_EQ(failure("instance bodyShape"), "instance: bodyShape is not a transform");
}

TEST_F(FixtureTest, DrivenKeysMakeOneCurveFromTheDriver) {
    makeTransform("ctrl");
    makeTransform("door");
    run("setDrivenKeyframe -cd ctrl.ry -dv 0 -v 0 door.tx");
    EXPECT_EQ(run("setDrivenKeyframe -cd ctrl.ry -dv 90 -v 10 door.tx"), "door_translateX");
    EXPECT_EQ(run("setDrivenKeyframe -q -cd door.tx"), "ctrl.rotateY");
    const VObject curve = named("door_translateX");
    EXPECT_TRUE(curve.hasFn(VFn::kAnimCurveUnitlessToDistance));
    EXPECT_EQ(VFnAnimCurve(curve).numKeys(), 2u);
    EXPECT_NEAR(VFnAnimCurve(curve).unitlessInput(1), 1.5707963267948966, 1e-9) << "the driver's degrees kept as radians";
    run("setAttr ctrl.ry 90");
    EXPECT_NEAR(plugOf(named("door"), "tx").asDouble(), 10.0, 1e-9);
    run("setAttr ctrl.rx 30; setDrivenKeyframe -cd ctrl.rx door.ty");
    EXPECT_EQ(VFnAnimCurve(named("door_translateY")).numKeys(), 1u) << "the plugs' values when none are given";
    EXPECT_NEAR(VFnAnimCurve(named("door_translateY")).unitlessInput(0), 0.5235987755982988, 1e-9);
    EXPECT_EQ(failure("setDrivenKeyframe -cd ctrl.rz -dv 0 -v 1 door.tx"), "setDrivenKeyframe: door.translateX has another driver");
    EXPECT_EQ(failure("setDrivenKeyframe -v 1 door.tx"), "setDrivenKeyframe: give the driver with -cd and one driven attribute");
}

}  // namespace
