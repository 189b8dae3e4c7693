// Animation curves: making them on plugs, keys, tangent types, evaluation, weights, units.

#include "tests/support/HostTestSupport.h"

#include <vexa/VAnimControl.h>
#include <vexa/VDGModifier.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VGlobal.h>
#include <vexa/VPlugArray.h>

#include <cmath>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 0.017453292519943295;

class AnimCurveTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ball = makeTransform("ball");
    }

    // A curve on the plug with keys (time in seconds, value), all of one tangent type.
    VFnAnimCurve keyed(const char* plug, std::initializer_list<std::pair<double, double>> keys,
                       VFnAnimCurve::TangentType type = VFnAnimCurve::kTangentSmooth) {
        VFnAnimCurve curve;
        VStatus status;
        curve.create(plugOf(ball, plug), nullptr, &status);
        EXPECT_TRUE(status);
        for (const auto& key : keys) curve.addKey(VTime(key.first, VTime::kSeconds), key.second, type, type);
        return curve;
    }

    static double slope(const VFnAnimCurve& curve, unsigned index, bool in) {
        double x = 0.0;
        double y = 0.0;
        EXPECT_TRUE(curve.getTangent(index, x, y, in));
        return y / x;
    }

    VObject ball;
};

TEST_F(AnimCurveTest, ACurveIsMadeOnAPlugAndFoundThroughIt) {
    VStatus status;
    VFnAnimCurve missing(plugOf(ball, "tx"), &status);
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_EQ(status.statusCode(), 7);
    VFnAnimCurve curve;
    VObject object = curve.create(plugOf(ball, "tx"), nullptr, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(curve.animCurveType(), VFnAnimCurve::kAnimCurveTL);
    EXPECT_EQ(nameOf(object), "ball_translateX");
    EXPECT_TRUE(object.hasFn(VFn::kAnimCurveTimeToDistance));
    VFnAnimCurve found(plugOf(ball, "translateX"), &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(found.object(), object);
    EXPECT_EQ(VFnAnimCurve().create(plugOf(ball, "rx")).apiType(), VFn::kAnimCurveTimeToAngular);
    EXPECT_EQ(VFnAnimCurve().create(plugOf(ball, "sx")).apiType(), VFn::kAnimCurveTimeToUnitless);
}

TEST_F(AnimCurveTest, AMissingCurveIsNamedByThePlugAsItWasWhenLookedFor) {
    VStatus status;
    {
        VFnAnimCurve missing(plugOf(ball, "tx"), &status);
    }
    VFnDependencyNode(ball).setName("renamed");
    const VStatus copy = status;
    EXPECT_EQ(copy, VStatus::kNotFound);
    EXPECT_EQ(copy.errorString(), "no animation curve drives ball.translateX");
    VMessageLog::clear();
    status.perror("probe");
    const VStringArray printed = VMessageLog::linesOf(VMessageLog::kStatus);
    ASSERT_EQ(printed.length(), 1u);
    EXPECT_EQ(printed[0], "probe: no animation curve drives ball.translateX");
    status.clear();
    EXPECT_TRUE(status);
    EXPECT_EQ(status.errorString(), "success");
    EXPECT_EQ(copy.errorString(), "no animation curve drives ball.translateX");
}

TEST_F(AnimCurveTest, CreationRefusesLockedDrivenAndCompoundPlugs) {
    VStatus status;
    VFnAnimCurve curve;
    curve.create(plugOf(ball, "tx"), nullptr, &status);
    ASSERT_TRUE(status);
    curve.create(plugOf(ball, "tx"), nullptr, &status);
    EXPECT_EQ(status, VStatus::kFailure);
    plugOf(ball, "ty").setLocked(true);
    curve.create(plugOf(ball, "ty"), VFnAnimCurve::kAnimCurveTL, nullptr, &status);
    EXPECT_EQ(status, VStatus::kFailure);
    curve.create(plugOf(ball, "scale"), nullptr, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    curve.create(plugOf(ball, "tz"), VFnAnimCurve::kAnimCurveUnknown, nullptr, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

TEST_F(AnimCurveTest, TheDrivenPlugReadsTheCurveAtTheCurrentTime) {
    keyed("tx", {{0.0, 0.0}, {1.0, 10.0}}, VFnAnimCurve::kTangentLinear);
    ASSERT_TRUE(VAnimControl::setCurrentTime(VTime(0.5, VTime::kSeconds)));
    EXPECT_NEAR(plugOf(ball, "tx").asDouble(), 5.0, 1e-12);
    VAnimControl::setCurrentTime(VTime(5.0, VTime::kSeconds));
    EXPECT_EQ(plugOf(ball, "tx").asDouble(), 10.0);
    VAnimControl::setCurrentTime(VTime(-1.0, VTime::kSeconds));
    EXPECT_EQ(plugOf(ball, "tx").asDouble(), 0.0);
    EXPECT_NEAR(VFnTransform(ball).translation(VSpace::kTransform).x, 0.0, 1e-12);
}

// A value written while no curve drives the plug ends a hold: the curve connected again at
// the same time is read.
TEST_F(AnimCurveTest, AValueWrittenWhileTheCurveIsAwayEndsTheHold) {
    keyed("tx", {{0.0, 0.0}, {1.0, 10.0}}, VFnAnimCurve::kTangentLinear);
    ASSERT_TRUE(VAnimControl::setCurrentTime(VTime(0.5, VTime::kSeconds)));
    VPlug tx = plugOf(ball, "tx");
    ASSERT_TRUE(tx.setValue(2.0));
    VPlugArray sources;
    ASSERT_TRUE(tx.connectedTo(sources, true, false));
    ASSERT_EQ(sources.length(), 1u);
    const VPlug output = sources[0];
    VDGModifier away;
    away.disconnect(output, tx);
    ASSERT_TRUE(away.doIt());
    ASSERT_TRUE(tx.setValue(3.0));
    EXPECT_EQ(tx.asDouble(), 3.0);
    VDGModifier back;
    back.connect(output, tx);
    ASSERT_TRUE(back.doIt());
    EXPECT_NEAR(tx.asDouble(), 5.0, 1e-12);
}

TEST_F(AnimCurveTest, AValueSetOnADrivenPlugHoldsUntilTheTimeChanges) {
    keyed("tx", {{0.0, 0.0}, {1.0, 10.0}}, VFnAnimCurve::kTangentLinear);
    ASSERT_TRUE(VAnimControl::setCurrentTime(VTime(0.5, VTime::kSeconds)));
    ASSERT_TRUE(plugOf(ball, "tx").setValue(2.0));
    EXPECT_EQ(plugOf(ball, "tx").asDouble(), 2.0);
    EXPECT_EQ(VFnTransform(ball).translation(VSpace::kTransform).x, 2.0);
    VMatrix world;
    ASSERT_TRUE(plugOf(ball, "worldMatrix").elementByLogicalIndex(0).getValue(world));
    EXPECT_EQ(world(3, 0), 2.0) << "what depends on the plug sees the value set";
    VAnimControl::setCurrentTime(VTime(0.5, VTime::kSeconds));
    EXPECT_EQ(plugOf(ball, "tx").asDouble(), 2.0) << "the same time: no new evaluation";
    VAnimControl::setCurrentTime(VTime(1.0, VTime::kSeconds));
    EXPECT_EQ(plugOf(ball, "tx").asDouble(), 10.0);
    VAnimControl::setCurrentTime(VTime(0.5, VTime::kSeconds));
    EXPECT_NEAR(plugOf(ball, "tx").asDouble(), 5.0, 1e-12) << "once the time moved, the curve again";
    // A plug driven by another plug (driven keys) reads its driver whatever was set on it.
    VObject driver = makeTransform("driver");
    VFnAnimCurve driven(makeNode("animCurveUL", "driven"));
    driven.addKey(0.0, 0.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear);
    driven.addKey(1.0, 100.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear);
    VDGModifier modifier;
    modifier.connect(plugOf(driver, "tx"), plugOf(driven.object(), "input"));
    modifier.connect(plugOf(driven.object(), "output"), plugOf(ball, "ty"));
    ASSERT_TRUE(modifier.doIt());
    plugOf(driver, "tx").setValue(0.25);
    ASSERT_TRUE(plugOf(ball, "ty").setValue(7.0));
    EXPECT_NEAR(plugOf(ball, "ty").asDouble(), 25.0, 1e-12);
}

TEST_F(AnimCurveTest, TangentTypesWorkOutTheirSlopes) {
    struct Case {
        VFnAnimCurve::TangentType type;
        double in;
        double out;
    };
    // Keys (0, 0), (1, 4), (3, 10): the middle key's tangents.
    const Case cases[] = {
        {VFnAnimCurve::kTangentSmooth, 10.0 / 3.0, 10.0 / 3.0}, {VFnAnimCurve::kTangentGlobal, 10.0 / 3.0, 10.0 / 3.0},
        {VFnAnimCurve::kTangentLinear, 4.0, 3.0},               {VFnAnimCurve::kTangentFlat, 0.0, 0.0},
        {VFnAnimCurve::kTangentStep, 0.0, 0.0},                 {VFnAnimCurve::kTangentClamped, 10.0 / 3.0, 10.0 / 3.0},
    };
    const char* plugs[] = {"tx", "ty", "tz", "sx", "sy", "sz"};
    for (size_t i = 0; i < 6; ++i) {
        VFnAnimCurve curve = keyed(plugs[i], {{0.0, 0.0}, {1.0, 4.0}, {3.0, 10.0}}, cases[i].type);
        EXPECT_NEAR(slope(curve, 1, true), cases[i].in, 1e-12) << cases[i].type;
        EXPECT_NEAR(slope(curve, 1, false), cases[i].out, 1e-12) << cases[i].type;
        double x = 0.0;
        double y = 0.0;
        curve.getTangent(1, x, y, false);
        EXPECT_EQ(x, 2.0) << "a worked-out tangent spans the gap to its neighbour";
    }
}

TEST_F(AnimCurveTest, AFixedTangentIsWorkedOutOnceWhenItsKeyIsAdded) {
    // When the middle key comes, its only neighbour is the first key: slope 4 over one second.
    VFnAnimCurve curve = keyed("tx", {{0.0, 0.0}, {1.0, 4.0}, {3.0, 10.0}}, VFnAnimCurve::kTangentFixed);
    EXPECT_NEAR(slope(curve, 1, true), 4.0, 1e-12);
    EXPECT_NEAR(slope(curve, 1, false), 4.0, 1e-12);
    EXPECT_EQ(curve.inTangentType(1), VFnAnimCurve::kTangentFixed);
}

TEST_F(AnimCurveTest, ClampedTangentsFlattenAtPeaksAndEqualNeighbours) {
    VFnAnimCurve peak = keyed("tx", {{0.0, 0.0}, {1.0, 12.0}, {3.0, 10.0}}, VFnAnimCurve::kTangentClamped);
    EXPECT_EQ(slope(peak, 1, true), 0.0);
    EXPECT_NEAR(slope(peak, 2, true), -1.0, 1e-12);
    VFnAnimCurve level = keyed("ty", {{0.0, 5.0}, {1.0, 5.0}}, VFnAnimCurve::kTangentClamped);
    EXPECT_EQ(slope(level, 0, false), 0.0);
    VFnAnimCurve smooth = keyed("tz", {{0.0, 0.0}, {1.0, 12.0}, {3.0, 10.0}});
    EXPECT_NEAR(slope(smooth, 1, true), 10.0 / 3.0, 1e-12);
}

TEST_F(AnimCurveTest, SpansFollowTheirTangents) {
    VFnAnimCurve flat = keyed("tx", {{0.0, 0.0}, {1.0, 10.0}}, VFnAnimCurve::kTangentFlat);
    EXPECT_NEAR(flat.evaluate(VTime(0.25, VTime::kSeconds)), 1.5625, 1e-12);
    EXPECT_NEAR(flat.evaluate(VTime(0.5, VTime::kSeconds)), 5.0, 1e-12);
    VFnAnimCurve linear = keyed("ty", {{0.0, 0.0}, {2.0, 10.0}}, VFnAnimCurve::kTangentLinear);
    EXPECT_NEAR(linear.evaluate(VTime(0.5, VTime::kSeconds)), 2.5, 1e-12);
    VFnAnimCurve step = keyed("tz", {{0.0, 1.0}, {1.0, 3.0}, {2.0, 7.0}}, VFnAnimCurve::kTangentStep);
    EXPECT_EQ(step.evaluate(VTime(0.999, VTime::kSeconds)), 1.0);
    EXPECT_EQ(step.evaluate(VTime(1.0, VTime::kSeconds)), 3.0);
    EXPECT_EQ(step.evaluate(VTime(9.0, VTime::kSeconds)), 7.0);
    // A smooth curve through three keys passes through each of them.
    VFnAnimCurve smooth = keyed("sx", {{0.0, 0.0}, {1.0, 4.0}, {3.0, 10.0}});
    EXPECT_NEAR(smooth.evaluate(VTime(1.0, VTime::kSeconds)), 4.0, 1e-12);
    // Hermite at the middle of the first span: slopes 4 (to the only neighbour) and 10/3.
    EXPECT_NEAR(smooth.evaluate(VTime(0.5, VTime::kSeconds)), 0.125 * 4.0 + 0.5 * 4.0 - 0.125 * 10.0 / 3.0, 1e-12);
}

TEST_F(AnimCurveTest, WeightedCurvesUseTheTangentLength) {
    VFnAnimCurve curve = keyed("tx", {{0.0, 0.0}, {1.0, 10.0}}, VFnAnimCurve::kTangentFlat);
    ASSERT_TRUE(curve.setIsWeighted(true));
    EXPECT_TRUE(curve.isWeighted());
    // Handles at a third of the span give the same ease as the unweighted curve.
    EXPECT_NEAR(curve.evaluate(VTime(0.25, VTime::kSeconds)), 1.5625, 1e-9);
    curve.setTangentsLocked(0, false);
    ASSERT_TRUE(curve.setTangent(0, 3.0, 0.0, false, nullptr, false));
    const double longer = curve.evaluate(VTime(0.5, VTime::kSeconds));
    EXPECT_LT(longer, 4.5);
    ASSERT_TRUE(curve.setIsWeighted(false));
    EXPECT_NEAR(curve.evaluate(VTime(0.5, VTime::kSeconds)), 5.0, 1e-12);
}

TEST_F(AnimCurveTest, SetTangentTakesUserUnitsAndGetTangentGivesInternalOnes) {
    VFnAnimCurve rotation = keyed("rx", {{0.0, 0.0}, {1.0, 1.0}});
    // 24 frames and 90 degrees: a quarter turn per second.
    ASSERT_TRUE(rotation.setTangent(0, 24.0, 90.0, false));
    double x = 0.0;
    double y = 0.0;
    rotation.getTangent(0, x, y, false);
    EXPECT_NEAR(x, 1.0, 1e-12);
    EXPECT_NEAR(y, 1.5707963267948966, 1e-12);
    EXPECT_EQ(rotation.outTangentType(0), VFnAnimCurve::kTangentFixed);
    VDistance::setUIUnit(VDistance::kMeters);
    VFnAnimCurve distance = keyed("tx", {{0.0, 0.0}, {1.0, 1.0}});
    distance.setTangent(0, 24.0, 2.0, true);
    distance.getTangent(0, x, y, true);
    EXPECT_NEAR(y / x, 200.0, 1e-9);
    distance.setTangent(0, 0.5, 2.0, true, nullptr, false);
    distance.getTangent(0, x, y, true);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(y, 2.0);
}

TEST_F(AnimCurveTest, ImportAndExportTangentFormulasAgree) {
    // What the import writes for a derivative of 90 degrees per second is read back as 90.
    const double d = 90.0;
    const double a = kDegreesPerRadian;
    const double b = kRadiansPerDegree;
    const double perSecond = VTime::unitsPerSecond(VTime::uiUnit());
    VFnAnimCurve curve = keyed("rx", {{0.0, 0.0}, {2.0, 1.0}});
    const double s = d / (b * perSecond);
    const double x = 1.0 / std::sqrt(1.0 + s * s);
    curve.setTangentsLocked(0, false);
    ASSERT_TRUE(curve.setTangent(0, x, x * s / a, false));
    EXPECT_NEAR(slope(curve, 0, false) * kDegreesPerRadian, d, 1e-9);

    // Weighted: a weight of 1/3 over a two-second gap.
    curve.setIsWeighted(true);
    const double weight = 1.0 / 3.0;
    const double seconds = 3.0 * weight * 2.0;
    ASSERT_TRUE(curve.setTangent(0, seconds * perSecond, d * seconds / (a * b), false));
    double tx = 0.0;
    double ty = 0.0;
    curve.getTangent(0, tx, ty, false);
    EXPECT_NEAR(ty / tx * kDegreesPerRadian, d, 1e-9);
    EXPECT_NEAR(tx / (3.0 * 2.0), weight, 1e-12);
}

TEST_F(AnimCurveTest, LockedTangentsTurnTogether) {
    VFnAnimCurve curve = keyed("tx", {{0.0, 0.0}, {1.0, 4.0}, {3.0, 10.0}});
    EXPECT_TRUE(curve.tangentsLocked(1));
    curve.setTangent(1, 1.0, 2.0, true, nullptr, false);
    EXPECT_NEAR(slope(curve, 1, false), 2.0, 1e-12);
    double x = 0.0;
    double y = 0.0;
    curve.getTangent(1, x, y, false);
    EXPECT_EQ(x, 2.0);
    ASSERT_TRUE(curve.setTangentsLocked(1, false));
    curve.setTangent(1, 1.0, -1.0, true, nullptr, false);
    EXPECT_NEAR(slope(curve, 1, false), 2.0, 1e-12);
    EXPECT_TRUE(curve.weightsLocked(1));
    ASSERT_TRUE(curve.setWeightsLocked(1, false));
    EXPECT_FALSE(curve.weightsLocked(1));
}

TEST_F(AnimCurveTest, FixedTangentsStayWhenNeighboursMove) {
    VFnAnimCurve curve = keyed("tx", {{0.0, 0.0}, {1.0, 4.0}, {3.0, 10.0}});
    curve.setOutTangentType(1, VFnAnimCurve::kTangentFixed);
    const double fixedSlope = slope(curve, 1, false);
    ASSERT_TRUE(curve.setValue(2, 100.0));
    EXPECT_EQ(slope(curve, 1, false), fixedSlope);
    EXPECT_NEAR(slope(curve, 1, true), 100.0 / 3.0, 1e-12);
}

TEST_F(AnimCurveTest, KeysAreKeptInTimeOrder) {
    VFnAnimCurve curve = keyed("tx", {{2.0, 20.0}, {0.0, 0.0}, {1.0, 10.0}});
    ASSERT_EQ(curve.numKeys(), 3u);
    EXPECT_EQ(curve.time(1).as(VTime::kSeconds), 1.0);
    EXPECT_EQ(curve.addKey(VTime(1.0, VTime::kSeconds), 11.0), 1u);
    EXPECT_EQ(curve.numKeys(), 3u);
    EXPECT_EQ(curve.value(1), 11.0);
    unsigned index = 0;
    EXPECT_TRUE(curve.find(VTime(48.0, VTime::kFilm), index));
    EXPECT_EQ(index, 2u);
    EXPECT_FALSE(curve.find(VTime(1.5, VTime::kSeconds), index));
    EXPECT_EQ(curve.findClosest(VTime(1.6, VTime::kSeconds)), 2u);
    ASSERT_TRUE(curve.setTime(0, VTime(3.0, VTime::kSeconds)));
    EXPECT_EQ(curve.value(2), 0.0);
    EXPECT_EQ(curve.setTime(0, VTime(2.0, VTime::kSeconds)), VStatus::kInvalidParameter);
    ASSERT_TRUE(curve.remove(0));
    EXPECT_EQ(curve.numKeys(), 2u);
    VStatus status;
    curve.value(5, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(curve.remove(7), VStatus::kInvalidParameter);
    EXPECT_EQ(curve.addKey(1.0, 1.0), 0u);
    EXPECT_EQ(curve.setInTangentType(0, static_cast<VFnAnimCurve::TangentType>(9)), VStatus::kInvalidParameter);
}

TEST_F(AnimCurveTest, DrivenKeysFollowTheirInputPlug) {
    VObject driver = makeTransform("driver");
    VFnAnimCurve curve(makeNode("animCurveUL", "driven"));
    EXPECT_FALSE(curve.isTimeInput());
    curve.addKey(0.0, 0.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear);
    curve.addKey(1.0, 100.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear);
    VStatus status;
    curve.addKey(VTime(1.0, VTime::kSeconds), 1.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear, nullptr,
                 &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    VDGModifier modifier;
    modifier.connect(plugOf(driver, "tx"), plugOf(curve.object(), "input"));
    modifier.connect(plugOf(curve.object(), "output"), plugOf(ball, "ty"));
    ASSERT_TRUE(modifier.doIt());
    plugOf(driver, "tx").setValue(0.25);
    EXPECT_NEAR(plugOf(ball, "ty").asDouble(), 25.0, 1e-12);
    EXPECT_NEAR(curve.evaluateAtInput(0.5), 50.0, 1e-12);
}

TEST_F(AnimCurveTest, DeletingANodeKeepsACurveThatStillDrivesAnother) {
    VFnAnimCurve curve = keyed("tx", {{0.0, 1.0}, {1.0, 3.0}}, VFnAnimCurve::kTangentLinear);
    const std::string curveName = curve.name().str();
    VObject other = makeTransform("other");
    ASSERT_TRUE(VGlobal::executeCommand(VString(("connectAttr " + curveName + ".output other.tx").c_str())));
    VGlobal::deleteNode(ball);
    ASSERT_EQ(vexa_host::Scene::instance().nodesNamed(curveName).size(), 1u) << "other is still animated";
    EXPECT_TRUE(plugOf(other, "tx").isConnected());
    VAnimControl::setCurrentTime(VTime(1.0, VTime::kSeconds));
    EXPECT_DOUBLE_EQ(plugOf(other, "tx").asDouble(), 3.0);
    // Driving nothing any more, it goes with the last node it drove.
    VGlobal::deleteNode(other);
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed(curveName).size(), 0u);
}

TEST_F(AnimCurveTest, AStepOutTangentHoldsTheKeyWhateverTheNextKeyComesInWith) {
    VFnAnimCurve curve;
    curve.create(plugOf(ball, "ty"));
    curve.addKey(VTime(0.0, VTime::kSeconds), 1.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentStep);
    curve.addKey(VTime(1.0, VTime::kSeconds), 5.0, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentStep);
    curve.addKey(VTime(2.0, VTime::kSeconds), 9.0, VFnAnimCurve::kTangentClamped, VFnAnimCurve::kTangentLinear);
    EXPECT_EQ(curve.evaluate(VTime(0.5, VTime::kSeconds)), 1.0);
    EXPECT_EQ(curve.evaluate(VTime(0.999, VTime::kSeconds)), 1.0);
    EXPECT_EQ(curve.evaluate(VTime(1.0, VTime::kSeconds)), 5.0);
    EXPECT_EQ(curve.evaluate(VTime(1.5, VTime::kSeconds)), 5.0);
}

}  // namespace
