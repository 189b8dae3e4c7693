// Host animation curves into SDK curves: every tangent type, weighted and not, under 24 and 30
// frames per second and both angle units, evaluated in the SDK against the host; sampled curves
// on their grid (negative first keys, spans shorter than a period); the constant key reducer.

#include "tests/hostexport/ExportTestSupport.h"

#include "curves/RFCurve.h"
#include "hostexport/AnimCurveExport.h"

#include <vexa/VAngle.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnTransform.h>
#include <vexa/VTime.h>

#include <cmath>

namespace {

using Tangent = VFnAnimCurve::TangentType;

constexpr double kDegrees = 57.29577951308232;

struct Key {
    double seconds;
    double value;
};

const std::vector<Key> kKeys = {{0.0, 0.0}, {0.4, 2.0}, {1.0, -1.0}, {1.3, 0.5}, {2.0, 0.5}};

class CurveExportTest : public ExportTest {
protected:
    void TearDown() override {
        VTime::setUIUnit(VTime::kNTSCFrame);
        VAngle::setUIUnit(VAngle::kDegrees);
        ExportTest::TearDown();
    }

    // A curve on the plug of a new transform with the keys, every tangent of the type.
    static VFnAnimCurve keyed(const char* plugName, const std::vector<Key>& keys, Tangent in, Tangent out,
                              bool weighted = false) {
        const VObject transform = VFnTransform().create();
        const VPlug plug = VFnDependencyNode(transform).findPlug(plugName);
        VFnAnimCurve curve;
        curve.create(plug);
        EXPECT_TRUE(curve.setIsWeighted(weighted));
        for (const Key& key : keys) curve.addKey(VTime(key.seconds, VTime::kSeconds), key.value, in, out);
        return curve;
    }

    // The largest difference between the SDK curve and the host curve (times scale) at 100 times
    // from the first key to the last.
    static double largestDifference(const VFnAnimCurve& host, const RFCurve& curve, double scale) {
        const double first = host.time(0).as(VTime::kSeconds);
        const double last = host.time(host.numKeys() - 1).as(VTime::kSeconds);
        double largest = 0.0;
        for (int i = 0; i < 100; ++i) {
            const double seconds = first + (last - first) * i / 99.0;
            RTime time;
            time.FromSeconds(seconds);
            const double expected = host.evaluate(VTime(seconds, VTime::kSeconds)) * scale;
            largest = std::max(largest, std::fabs(curve.EvaluateAt(time) - expected));
        }
        return largest;
    }

    struct Converted {
        std::unique_ptr<RFCurve, void (*)(RFCurve*)> curve{RFCurve::Create(), RFCurve::Destroy};
    };
    static Converted convert(const VFnAnimCurve& host, double scale, bool bake = false) {
        Converted converted;
        ConvertAnimCurve(host, *converted.curve, bake, scale);
        return converted;
    }
};

// Tolerance by kind, in degrees on rotation keys of up to 115 degrees (a translation's is that
// over 57.3): copied keys agree to the SDK's single-precision values; a weighted fixed tangent
// to its fixed-point weights (steps of 1e-4 of a segment); sampled curves by their 30 per second
// grid.
struct Kind {
    Tangent type;
    bool sampled;
    double tolerance;
    double weightedTolerance;
};

const Kind kKinds[] = {
    {VFnAnimCurve::kTangentGlobal, false, 1e-4, 1e-4},  {VFnAnimCurve::kTangentFixed, false, 1e-4, 1e-2},
    {VFnAnimCurve::kTangentLinear, false, 1e-4, 1e-4},  {VFnAnimCurve::kTangentFlat, false, 1e-4, 1e-4},
    {VFnAnimCurve::kTangentSmooth, false, 1e-4, 1e-4},  {VFnAnimCurve::kTangentStep, false, 1e-4, 1e-4},
    {VFnAnimCurve::kTangentSlow, true, 0.5, 0.5},       {VFnAnimCurve::kTangentFast, true, 0.5, 0.5},
    {VFnAnimCurve::kTangentClamped, false, 1e-4, 1e-4},
};

TEST_F(CurveExportTest, EveryTangentTypeEvaluatesAsInTheHostUnderBothFrameRatesAndAngleUnits) {
    for (const VTime::Unit timeUnit : {VTime::kFilm, VTime::kNTSCFrame}) {
        for (const VAngle::Unit angleUnit : {VAngle::kDegrees, VAngle::kRadians}) {
            ASSERT_TRUE(VTime::setUIUnit(timeUnit));
            ASSERT_TRUE(VAngle::setUIUnit(angleUnit));
            for (const Kind& kind : kKinds) {
                for (const bool weighted : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "type " << kind.type << (weighted ? " weighted" : "") << " time unit "
                                                    << timeUnit << " angle unit " << angleUnit);
                    const VFnAnimCurve rotation = keyed("rotateX", kKeys, kind.type, kind.type, weighted);
                    const Converted converted = convert(rotation, kDegrees);
                    const int count = converted.curve->GetKeyCount();
                    if (kind.sampled) {
                        EXPECT_EQ(count, 61) << "two seconds at 30 per second, both ends";
                    } else {
                        ASSERT_EQ(count, 5);
                        for (int k = 0; k < 5; ++k) {
                            EXPECT_NEAR(converted.curve->GetKey(k).GetTime().ToSeconds(), kKeys[k].seconds, 1e-9);
                            EXPECT_NEAR(converted.curve->GetKey(k).GetValue(), rotation.value(k) * kDegrees, 1e-4);
                        }
                    }
                    const double tolerance = weighted ? kind.weightedTolerance : kind.tolerance;
                    EXPECT_LT(largestDifference(rotation, *converted.curve, kDegrees), tolerance);
                    const VFnAnimCurve translation = keyed("translateX", kKeys, kind.type, kind.type, weighted);
                    EXPECT_LT(largestDifference(translation, *convert(translation, 1.0).curve, 1.0), tolerance / kDegrees);
                }
            }
        }
    }
}

TEST_F(CurveExportTest, KeysOfMixedTangentsJoinAsInTheHost) {
    const Tangent in[] = {VFnAnimCurve::kTangentFixed, VFnAnimCurve::kTangentSmooth, VFnAnimCurve::kTangentFixed,
                          VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentClamped};
    const Tangent out[] = {VFnAnimCurve::kTangentSmooth, VFnAnimCurve::kTangentFlat, VFnAnimCurve::kTangentLinear,
                           VFnAnimCurve::kTangentStep, VFnAnimCurve::kTangentClamped};
    for (const bool weighted : {false, true}) {
        VFnAnimCurve host = keyed("rotateZ", kKeys, VFnAnimCurve::kTangentSmooth, VFnAnimCurve::kTangentSmooth, weighted);
        for (unsigned k = 0; k < 5; ++k) {
            ASSERT_TRUE(host.setInTangentType(k, in[k]));
            ASSERT_TRUE(host.setOutTangentType(k, out[k]));
        }
        const Converted converted = convert(host, kDegrees);
        ASSERT_EQ(converted.curve->GetKeyCount(), 5) << "copied, not sampled";
        EXPECT_LT(largestDifference(host, *converted.curve, kDegrees), 1e-4) << (weighted ? "weighted" : "unweighted");
    }
}

TEST_F(CurveExportTest, FixedTangentsKeepTheirSlopesAndWeightsLockedOrBroken) {
    for (const bool weighted : {false, true}) {
        VFnAnimCurve host = keyed("translateY", {{0.0, 0.0}, {1.0, 1.0}, {2.0, 0.0}}, VFnAnimCurve::kTangentFixed,
                                  VFnAnimCurve::kTangentFixed, weighted);
        ASSERT_TRUE(host.setTangentsLocked(1, false));
        ASSERT_TRUE(host.setTangent(1, 0.6, 1.2, true, nullptr, false));
        ASSERT_TRUE(host.setTangent(1, 0.3, -0.9, false, nullptr, false));
        const Converted converted = convert(host, 1.0);
        const RFCurve& curve = *converted.curve;
        ASSERT_EQ(curve.GetKeyCount(), 3);
        EXPECT_EQ(curve.GetKey(1).GetTangentMode(), RCurveKey::UserBreak);
        EXPECT_NEAR(curve.GetLeftDerivative(1), 2.0, 1e-5);
        EXPECT_NEAR(curve.GetRightDerivative(1), -3.0, 1e-5);
        if (weighted) {
            EXPECT_NEAR(curve.GetLeftWeight(1), 0.6 / 3.0, 2e-4);
            EXPECT_NEAR(curve.GetRightWeight(1), 0.3 / 3.0, 2e-4);
        }
        EXPECT_LT(largestDifference(host, curve, 1.0), 1e-3) << (weighted ? "weighted" : "unweighted");
    }
}

TEST_F(CurveExportTest, AClampedLastKeyComparesWithTheKeyBeforeIt) {
    const auto lastInterpolation = [&](double last) {
        const VFnAnimCurve host = keyed("translateX", {{0.0, 0.0}, {1.0, 5.0}, {2.0, last}}, VFnAnimCurve::kTangentClamped,
                                        VFnAnimCurve::kTangentClamped);
        return convert(host, 1.0).curve->GetKey(2).GetInterpolation();
    };
    EXPECT_EQ(lastInterpolation(0.0002), RCurveKey::Cubic) << "a tiny value after a large step";
    EXPECT_EQ(lastInterpolation(5.0002), RCurveKey::Linear) << "a value as the one before it";
}

TEST_F(CurveExportTest, NeighbouringTangentsTheSdkCannotJoinMakeTheCurveSampled) {
    const auto count = [&](Tangent out, Tangent in, const std::vector<Key>& keys) {
        VFnAnimCurve host = keyed("translateX", keys, out, out);
        host.setInTangentType(1, in);
        return convert(host, 1.0).curve->GetKeyCount();
    };
    const std::vector<Key> two = {{0.0, 0.0}, {1.0, 1.0}};
    EXPECT_EQ(count(VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear, two), 2);
    EXPECT_EQ(count(VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentFlat, two), 31);
    EXPECT_EQ(count(VFnAnimCurve::kTangentSmooth, VFnAnimCurve::kTangentLinear, two), 31);
    EXPECT_EQ(count(VFnAnimCurve::kTangentFixed, VFnAnimCurve::kTangentFlat, two), 2);
    // A clamped tangent between nearly equal values counts as linear.
    EXPECT_EQ(count(VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentClamped, {{0.0, 0.0}, {1.0, 0.0005}}), 2);
    EXPECT_EQ(count(VFnAnimCurve::kTangentSmooth, VFnAnimCurve::kTangentClamped, {{0.0, 0.0}, {1.0, 0.0005}}), 2);
    EXPECT_EQ(count(VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentClamped, {{0.0, 0.0}, {1.0, 0.5}}), 31);
    // One key: only its own in tangent is looked at.
    EXPECT_EQ(count(VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear, {{0.5, 3.0}}), 1);
}

TEST_F(CurveExportTest, SampledCurvesCoverTheirKeysOnWholePeriods) {
    ASSERT_TRUE(options().SetSamplingRate(10.0, false));
    // A negative first key rounds down to the period before it.
    VFnAnimCurve host = keyed("translateX", {{-0.25, 1.0}, {0.32, 4.0}}, VFnAnimCurve::kTangentSlow,
                              VFnAnimCurve::kTangentSlow);
    Converted converted = convert(host, 2.0);
    ASSERT_EQ(converted.curve->GetKeyCount(), 8);
    EXPECT_NEAR(converted.curve->GetKey(0).GetTime().ToSeconds(), -0.3, 1e-9);
    EXPECT_NEAR(converted.curve->GetKey(7).GetTime().ToSeconds(), 0.4, 1e-9);
    for (int k = 0; k < 8; ++k) {
        const double seconds = converted.curve->GetKey(k).GetTime().ToSeconds();
        EXPECT_NEAR(converted.curve->GetKey(k).GetValue(), 2.0 * host.evaluate(VTime(seconds, VTime::kSeconds)), 1e-5);
    }
    // Keys closer than one period still get the periods around them.
    host = keyed("translateY", {{0.01, 1.0}, {0.02, 2.0}}, VFnAnimCurve::kTangentFast, VFnAnimCurve::kTangentFast);
    converted = convert(host, 1.0);
    ASSERT_EQ(converted.curve->GetKeyCount(), 2);
    EXPECT_NEAR(converted.curve->GetKey(0).GetValue(), 1.0, 1e-6);
    EXPECT_NEAR(converted.curve->GetKey(1).GetValue(), 2.0, 1e-6);
    // Baking samples whatever the tangents.
    host = keyed("translateZ", {{0.0, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear);
    EXPECT_EQ(convert(host, 1.0, true).curve->GetKeyCount(), 11);
}

TEST_F(CurveExportTest, TheConstantKeyReducerKeepsTheEndKeysOfAFlatCurve) {
    const std::vector<Key> flat = {{0.0, 2.0}, {0.5, 2.0}, {1.0, 2.0}, {1.5, 2.0}};
    options().SetBoolOption(kExportApplyCstKeyRed, false);
    EXPECT_EQ(convert(keyed("translateX", flat, VFnAnimCurve::kTangentFlat, VFnAnimCurve::kTangentFlat), 1.0)
                  .curve->GetKeyCount(),
              4);
    options().SetBoolOption(kExportApplyCstKeyRed, true);
    const Converted reduced =
        convert(keyed("translateY", flat, VFnAnimCurve::kTangentFlat, VFnAnimCurve::kTangentFlat), 1.0);
    ASSERT_EQ(reduced.curve->GetKeyCount(), 2);
    EXPECT_DOUBLE_EQ(reduced.curve->GetKey(1).GetTime().ToSeconds(), 1.5);
}

TEST_F(CurveExportTest, ACurveWithoutKeysLeavesTheTargetAsItWas) {
    const VFnAnimCurve host = keyed("translateX", {}, VFnAnimCurve::kTangentLinear, VFnAnimCurve::kTangentLinear);
    Converted converted;
    converted.curve->AppendKey(RTime(7), 3.0f);
    ConvertAnimCurve(host, *converted.curve, false, 1.0);
    EXPECT_EQ(converted.curve->GetKeyCount(), 1);
}

}  // namespace
