// Animation curves into the host: tangent types, tangents and weights checked by evaluating
// the host curve against the SDK curve, tension keys resampled, static values on host curves,
// and locked attributes asked about.

#include "tests/hostimport/TransformTestSupport.h"
#include "tests/support/ImportTestSupport.h"

#include "core/RProperty.h"
#include "core/RWyxLogFile.h"

#include "host/src/ui/UiModel.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VAngle.h>
#include <vexa/VFnAnimCurve.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

using namespace transform_test;

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kAtKeys = 1e-9;

using CurvePtr = std::unique_ptr<RFCurve, void (*)(RFCurve*)>;

CurvePtr NewCurve() { return CurvePtr(RFCurve::Create(), &RFCurve::Destroy); }

class CurveImportTest : public SessionSceneTest {
protected:
    void SetUp() override {
        SessionSceneTest::SetUp();
        node_ = makeTransform("box");
    }

    VPlug plug(const char* name) const { return plugOf(node_, name); }

    // The rotate curve written on rotateX (degrees in, radians in the host).
    VStatus importRotation(const RFCurve& curve) {
        VPlug rotate = plug("rotateX");
        const double b = VAngle::uiUnit() == VAngle::kDegrees ? 1.0 / kDegreesPerRadian : 1.0;
        return session_.ImportPlugCurve(rotate, const_cast<RFCurve*>(&curve), VFnAnimCurve::kAnimCurveTA,
                                        kDegreesPerRadian, b);
    }

    // The largest difference between the host curve and the SDK curve (over a) at 100 times
    // across the keys, and at the keys alone.
    struct Differences {
        double atKeys = 0.0;
        double between = 0.0;
    };
    Differences compare(const RFCurve& curve, double a, const char* plugName = "rotateX") const {
        VStatus status;
        const VFnAnimCurve host(plug(plugName), &status);
        EXPECT_TRUE(status);
        Differences differences;
        for (int k = 0; k < curve.GetKeyCount(); ++k) {
            const RTime time = curve.GetKey(k).GetTime();
            const double expected = curve.EvaluateAt(time) / a;
            differences.atKeys = std::max(differences.atKeys, std::fabs(host.evaluate(VTime(time.ToSeconds(), VTime::kSeconds)) - expected));
        }
        const double first = curve.GetKey(0).GetTime().ToSeconds();
        const double last = curve.GetKey(curve.GetKeyCount() - 1).GetTime().ToSeconds();
        for (int i = 0; i < 100; ++i) {
            const double seconds = first + (last - first) * (i + 0.5) / 100.0;
            const double expected = curve.EvaluateAt(Seconds(seconds)) / a;
            differences.between = std::max(differences.between, std::fabs(host.evaluate(VTime(seconds, VTime::kSeconds)) - expected));
        }
        return differences;
    }

    VObject node_;
};

// Four keys of the interpolation and mode, with slopes where they are the user's.
CurvePtr Curve(std::uint32_t interpolation, std::uint32_t mode) {
    CurvePtr curve = NewCurve();
    const double times[4] = {0.0, 0.4, 1.1, 2.0};
    const float values[4] = {10.0f, 80.0f, -30.0f, 45.0f};
    const float slopes[4] = {120.0f, -40.0f, 15.0f, 200.0f};
    for (int k = 0; k < 4; ++k) Key(curve.get(), times[k], values[k], interpolation, mode);
    if (mode == RCurveKey::User || mode == RCurveKey::UserBreak) {
        for (int k = 0; k < 4; ++k) Slope(curve.get(), k, slopes[k]);
    }
    return curve;
}

// Every kind of key agrees with the SDK at its keys; between them, the kinds the host draws
// as the SDK does (steps, lines, the user's tangents with their weights) agree within the
// SDK's single precision, the kinds whose tangents the host works out itself (smooth) or
// samples (tension, 30 times a second) follow the same course less closely. The rotations go
// in as degrees and are compared in radians.
TEST_F(CurveImportTest, EveryTangentKindFollowsTheSdkCurveInEveryUnit) {
    struct Kind {
        std::uint32_t interpolation;
        std::uint32_t mode;
        bool weighted;
        double between;  // radians
    };
    const Kind kinds[] = {
        {RCurveKey::Constant, 0, false, 1e-9},           {RCurveKey::Linear, 0, false, 3e-7},
        {RCurveKey::Cubic, RCurveKey::User, false, 3e-7}, {RCurveKey::Cubic, RCurveKey::UserBreak, false, 3e-7},
        {RCurveKey::Cubic, RCurveKey::User, true, 3e-7},  {RCurveKey::Cubic, RCurveKey::Auto, false, 0.15},
        {RCurveKey::Cubic, RCurveKey::Tcb, false, 0.005},
    };
    const VTime::Unit timeUnits[] = {VTime::kFilm, VTime::kNTSCFrame};
    const VAngle::Unit angleUnits[] = {VAngle::kDegrees, VAngle::kRadians};
    for (const Kind& kind : kinds) {
        CurvePtr curve = Curve(kind.interpolation, kind.mode);
        if (kind.mode == RCurveKey::Tcb) {
            for (int k = 0; k < curve->GetKeyCount(); ++k) {
                RCurveKey& key = curve->GetKey(k);
                key.SetTensionContinuityBias(key.GetTime(), key.GetValue(), 0.2f, -0.1f, 0.3f);
            }
        }
        if (kind.weighted) {
            curve->SetRightWeight(0, 0.2f);
            curve->SetLeftWeight(1, 0.6f);
            curve->SetRightWeight(1, 0.5f);
            curve->SetLeftWeight(2, 0.1f);
        }
        for (const VTime::Unit timeUnit : timeUnits) {
            for (const VAngle::Unit angleUnit : angleUnits) {
                VTime::setUIUnit(timeUnit);
                VAngle::setUIUnit(angleUnit);
                ASSERT_TRUE(importRotation(*curve));
                const Differences differences = compare(*curve, kDegreesPerRadian);
                const std::string what = "interpolation " + std::to_string(kind.interpolation) + " mode " +
                                         std::to_string(kind.mode) + (kind.weighted ? " weighted" : "") + " units " +
                                         std::to_string(timeUnit) + "/" + std::to_string(angleUnit);
                EXPECT_LE(differences.atKeys, kAtKeys) << what;
                EXPECT_LE(differences.between, kind.between) << what;
            }
        }
    }
}

TEST_F(CurveImportTest, TangentTypesFollowTheKeys) {
    VStatus status;
    // Two smooth keys: smooth, then clamped at the end.
    CurvePtr smooth = NewCurve();
    Key(smooth.get(), 0.0, 1.0f, RCurveKey::Cubic, RCurveKey::Auto);
    Key(smooth.get(), 1.0, 2.0f, RCurveKey::Cubic, RCurveKey::Auto);
    ASSERT_TRUE(importRotation(*smooth));
    VFnAnimCurve host(plug("rotateX"), &status);
    EXPECT_EQ(host.inTangentType(0), VFnAnimCurve::kTangentSmooth);
    EXPECT_EQ(host.outTangentType(0), VFnAnimCurve::kTangentSmooth);
    EXPECT_EQ(host.inTangentType(1), VFnAnimCurve::kTangentClamped);
    EXPECT_EQ(host.outTangentType(1), VFnAnimCurve::kTangentClamped);
    EXPECT_FALSE(host.isWeighted());

    // Stepped, then linear keys: each key's in type is the out type before it.
    CurvePtr mixed = NewCurve();
    Key(mixed.get(), 0.0, 1.0f, RCurveKey::Constant);
    Key(mixed.get(), 1.0, 2.0f, RCurveKey::Linear);
    Key(mixed.get(), 2.0, 3.0f, RCurveKey::Linear);
    ASSERT_TRUE(importRotation(*mixed));
    host.setObject(VFnAnimCurve(plug("rotateX")).object());
    ASSERT_EQ(host.numKeys(), 3u);
    EXPECT_EQ(host.inTangentType(0), VFnAnimCurve::kTangentStep);
    EXPECT_EQ(host.outTangentType(0), VFnAnimCurve::kTangentStep);
    EXPECT_EQ(host.inTangentType(1), VFnAnimCurve::kTangentStep);
    EXPECT_EQ(host.outTangentType(1), VFnAnimCurve::kTangentLinear);
    EXPECT_EQ(host.inTangentType(2), VFnAnimCurve::kTangentLinear);

    // The last key takes its types from the key before it, whatever its own: clamped after a
    // smooth key (the export writes a clamped key between equal values as a linear one), a step
    // after a step.
    const std::uint32_t lasts[][2] = {{RCurveKey::Linear, RCurveKey::User}, {RCurveKey::Cubic, RCurveKey::Auto}};
    const std::uint32_t befores[][2] = {{RCurveKey::Cubic, RCurveKey::Auto}, {RCurveKey::Constant, 0}};
    const VFnAnimCurve::TangentType expected[] = {VFnAnimCurve::kTangentClamped, VFnAnimCurve::kTangentStep};
    for (int c = 0; c < 2; ++c) {
        CurvePtr ending = NewCurve();
        Key(ending.get(), 0.0, 1.0f, befores[c][0], befores[c][1]);
        Key(ending.get(), 1.0, 1.0f, lasts[c][0], lasts[c][1]);
        ASSERT_TRUE(importRotation(*ending));
        host.setObject(VFnAnimCurve(plug("rotateX")).object());
        EXPECT_EQ(host.inTangentType(1), expected[c]) << c;
        EXPECT_EQ(host.outTangentType(1), expected[c]) << c;
    }

    // The user's tangents are fixed, locked together in the middle.
    CurvePtr fixed = Curve(RCurveKey::Cubic, RCurveKey::User);
    ASSERT_TRUE(importRotation(*fixed));
    host.setObject(VFnAnimCurve(plug("rotateX")).object());
    EXPECT_EQ(host.inTangentType(0), VFnAnimCurve::kTangentFixed);
    EXPECT_EQ(host.outTangentType(1), VFnAnimCurve::kTangentFixed);
    EXPECT_EQ(host.inTangentType(2), VFnAnimCurve::kTangentFixed);
    EXPECT_TRUE(host.tangentsLocked(1));

    // Broken user tangents stay apart; the ends are locked.
    CurvePtr broken = Curve(RCurveKey::Cubic, RCurveKey::UserBreak);
    broken->SetLeftDerivative(1, 10.0);
    ASSERT_TRUE(importRotation(*broken));
    host.setObject(VFnAnimCurve(plug("rotateX")).object());
    EXPECT_FALSE(host.tangentsLocked(1));
    EXPECT_TRUE(host.tangentsLocked(0));
    EXPECT_TRUE(host.tangentsLocked(3));
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(host.getTangent(1, x, y, true));
    EXPECT_NEAR(y / x, 10.0 / kDegreesPerRadian, 1e-6);
    ASSERT_TRUE(host.getTangent(1, x, y, false));
    EXPECT_NEAR(y / x, -40.0 / kDegreesPerRadian, 1e-6);

    // A user key after a broken one is locked, as the export writes a locked key; after a
    // smooth key its in type is smooth, and it is not.
    CurvePtr kinked = NewCurve();
    const std::uint32_t modes[] = {RCurveKey::Auto, RCurveKey::User, RCurveKey::UserBreak, RCurveKey::User,
                                   RCurveKey::User};
    for (int k = 0; k < 5; ++k) Key(kinked.get(), k, static_cast<float>(k % 2), RCurveKey::Cubic, modes[k]);
    ASSERT_TRUE(importRotation(*kinked));
    host.setObject(VFnAnimCurve(plug("rotateX")).object());
    const bool locked[] = {true, false, false, true, true};
    for (unsigned k = 0; k < 5; ++k) EXPECT_EQ(host.tangentsLocked(k), locked[k]) << k;
}

TEST_F(CurveImportTest, AWeightedFirstKeyHasAnInTangentOfAThirdOfASecond) {
    CurvePtr curve = Curve(RCurveKey::Cubic, RCurveKey::User);
    curve->SetRightWeight(0, 0.25f);
    ASSERT_TRUE(importRotation(*curve));
    const VFnAnimCurve host(plug("rotateX"));
    EXPECT_TRUE(host.isWeighted());
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(host.getTangent(0, x, y, true));
    EXPECT_NEAR(x, 0.33, 1e-12);
    ASSERT_TRUE(host.getTangent(0, x, y, false));
    EXPECT_NEAR(x, 3.0 * curve->GetRightWeight(0) * 0.4, 1e-9);  // three weights of the span
}

TEST_F(CurveImportTest, TensionKeysAreSampledFromTheirFirstToTheirLastKey) {
    CurvePtr curve = NewCurve();
    RCurveKey key;
    key.SetTensionContinuityBias(Seconds(-0.05), 2.0f, 0.0f, 0.0f, 0.0f);
    curve->AddKey(key.GetTime(), key);
    Key(curve.get(), 0.2, 5.0f, RCurveKey::Cubic, RCurveKey::Auto);
    Key(curve.get(), 0.31, 1.0f, RCurveKey::Cubic, RCurveKey::Auto);
    ASSERT_TRUE(importRotation(*curve));
    VFnAnimCurve host(plug("rotateX"));
    // -0.05, the periods from -1/30 to 0.3, 0.31: every key kept, at 30 a second.
    ASSERT_EQ(host.numKeys(), 13u);
    EXPECT_NEAR(host.time(0).as(VTime::kSeconds), -0.05, 1e-9);
    EXPECT_NEAR(host.time(1).as(VTime::kSeconds), -1.0 / 30.0, 1e-9);
    EXPECT_NEAR(host.time(2).as(VTime::kSeconds), 0.0, 1e-9);
    EXPECT_NEAR(host.time(11).as(VTime::kSeconds), 0.3, 1e-9);
    EXPECT_NEAR(host.time(12).as(VTime::kSeconds), 0.31, 1e-9);
    EXPECT_NEAR(host.value(0), 2.0 / kDegreesPerRadian, 1e-9);
    EXPECT_NEAR(host.value(12), 1.0 / kDegreesPerRadian, 1e-9);
    EXPECT_NEAR(host.value(7), curve->EvaluateAt(Seconds(5.0 / 30.0)) / kDegreesPerRadian, 1e-9);
    for (unsigned k = 0; k < host.numKeys(); ++k) EXPECT_EQ(host.outTangentType(k), VFnAnimCurve::kTangentGlobal);

    // Keys closer than a period keep their motion; a rate of zero or less is refused.
    CurvePtr close = NewCurve();
    key.SetTensionContinuityBias(Seconds(0.01), 0.0f, 0.0f, 0.0f, 0.0f);
    close->AddKey(key.GetTime(), key);
    key.SetTensionContinuityBias(Seconds(0.02), 9.0f, 0.0f, 0.0f, 0.0f);
    close->AddKey(key.GetTime(), key);
    ASSERT_TRUE(importRotation(*close));
    host.setObject(VFnAnimCurve(plug("rotateX")).object());
    ASSERT_EQ(host.numKeys(), 2u);
    EXPECT_NEAR(host.value(1), 9.0 / kDegreesPerRadian, 1e-9);
    for (const double rate : {0.0, -30.0, std::nan("")}) {
        EXPECT_EQ(ResampleCurveKeys(host, *close, 1.0, rate), VStatus::kInvalidParameter);
    }
    EXPECT_EQ(host.numKeys(), 2u);
}

// A curve without keys is the plug's static value; a host curve on the plug takes it as its
// one key, in the plug's unit.
TEST_F(CurveImportTest, AKeylessCurveOnAnAnimatedPlugLeavesOneKeyWithItsValue) {
    CurvePtr keyed = Curve(RCurveKey::Linear, 0);
    ASSERT_TRUE(importRotation(*keyed));
    CurvePtr still = NewCurve();
    still->SetDefaultValue(90.0f);
    ASSERT_TRUE(importRotation(*still));
    const VFnAnimCurve host(plug("rotateX"));
    ASSERT_EQ(host.numKeys(), 1u);
    EXPECT_EQ(host.time(0).as(VTime::kSeconds), 0.0);
    EXPECT_NEAR(host.value(0), 0.5 * M_PI, 1e-9);
    // Without a host curve nothing is made.
    VPlug scale = plug("scaleX");
    EXPECT_EQ(session_.ImportPlugCurve(scale, still.get(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0), VStatus::kNotFound);
    const VStatus none = session_.ImportPlugCurve(scale, nullptr, VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
    EXPECT_EQ(none, VStatus::kNotFound);
    EXPECT_EQ(none.errorString(), "No curve");
    EXPECT_EQ(VFnAnimCurve(scale).numKeys(), 0u);
}

// The channel of a take whose tree waits is found only when the host needs it: a host curve on
// the plug takes its value as its one key (the tree made then); a plug without one leaves the
// tree waiting.
TEST_F(CurveImportTest, AWaitingTakesCurveIsFoundOnlyWhenTheHostNeedsIt) {
    RWyxObjectFactory factory;
    RWyxNode* node = factory.CreateNode("Waiting");
    node->GetProperties()->FindProperty("Lcl Rotation")->SetValue(RVector4(90.0, 0.0, 0.0, 1.0));
    RWyxTakeNode* take = node->GetDefaultTakeNode();
    using PlugCurve = WyxVexaImportSession::PlugCurve;
    VPlug scale = plug("scaleX");
    EXPECT_EQ(session_.ImportPlugCurve(scale, PlugCurve{nullptr, take, RWyxTakeNode::ScalingX},
                                       VFnAnimCurve::kAnimCurveTU, 1.0, 1.0),
              VStatus::kNotFound);
    EXPECT_FALSE(take->IsTreeMade());
    // On a plug nothing drives, a channel without keys is no curve at all.
    const VStatus undriven = session_.ImportPlugCurve(scale, PlugCurve{nullptr, take, RWyxTakeNode::ScalingY, true},
                                                      VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
    EXPECT_EQ(undriven, VStatus::kNotFound);
    EXPECT_EQ(undriven.errorString(), "No curve");
    EXPECT_FALSE(take->IsTreeMade());
    CurvePtr keyed = Curve(RCurveKey::Linear, 0);
    ASSERT_TRUE(importRotation(*keyed));
    VPlug rotate = plug("rotateX");
    const double b = VAngle::uiUnit() == VAngle::kDegrees ? 1.0 / kDegreesPerRadian : 1.0;
    ASSERT_TRUE(session_.ImportPlugCurve(rotate, PlugCurve{nullptr, take, RWyxTakeNode::RotationX},
                                         VFnAnimCurve::kAnimCurveTA, kDegreesPerRadian, b));
    EXPECT_TRUE(take->IsTreeMade());
    const VFnAnimCurve host(plug("rotateX"));
    ASSERT_EQ(host.numKeys(), 1u);
    EXPECT_NEAR(host.value(0), 0.5 * M_PI, 1e-9);
}

// A curve imported by attribute name: a name the node lacks (or a path of names, which no
// attribute has) fails with its name; a plug without keys or host curve reports the plug.
TEST_F(CurveImportTest, ACurveByAttributeNameNamesWhatIsMissing) {
    VFnDependencyNode box(node_);
    CurvePtr keyed = Curve(RCurveKey::Linear, 0);
    CurvePtr empty = NewCurve();
    VStatus status = session_.ImportAttributeCurve(box, "nothing", keyed.get(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
    EXPECT_EQ(status, VStatus::kFailure);
    EXPECT_EQ(status.errorString(), "No attribute nothing");
    status = session_.ImportAttributeCurve(box, "translate.translateX", keyed.get(), VFnAnimCurve::kAnimCurveTL, 1.0, 1.0);
    EXPECT_EQ(status.errorString(), "No attribute translate.translateX");
    EXPECT_EQ(VFnAnimCurve(plug("translateX")).numKeys(), 0u);
    status = session_.ImportAttributeCurve(box, "scaleY", empty.get(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_EQ(status.errorString(), "no animation curve drives box.scaleY");
    ASSERT_TRUE(session_.ImportAttributeCurve(box, "scaleZ", keyed.get(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0));
    EXPECT_GT(VFnAnimCurve(plug("scaleZ")).numKeys(), 0u);
}

// ---- locked attributes ----------------------------------------------------------------------

class LockedAttributeTest : public CurveImportTest {
protected:
    void SetUp() override {
        CurveImportTest::SetUp();
        curve_ = Curve(RCurveKey::Linear, 0);
        lockAll();
    }
    // A new host scene with the three plugs of "box" locked, the session not yet answered.
    void again() {
        HostTest::SetUp();
        node_ = makeTransform("box");
        lockAll();
        session_.SetLockedAttributeDecision(1);
    }
    void lockAll() {
        for (const char* name : {"translateX", "translateY", "translateZ"}) plug(name).setLocked(true);
    }
    // Imports on the three locked plugs; how many of them got a curve.
    int importAll() {
        int animated = 0;
        for (const char* name : {"translateX", "translateY", "translateZ"}) {
            VPlug locked = plug(name);
            session_.ImportPlugCurve(locked, curve_.get(), VFnAnimCurve::kAnimCurveTL, 1.0, 1.0);
            animated += VFnAnimCurve(plug(name)).numKeys() > 0 ? 1 : 0;
        }
        return animated;
    }
    static void answer(vexa_host::ConfirmAnswer::Kind kind, int index = 0) {
        vexa_host::ConfirmAnswer answer;
        answer.kind = kind;
        answer.index = index;
        vexa_host::UiModel::instance().queueAnswer(answer);
    }
    static size_t dialogs() { return vexa_host::UiModel::instance().shownDialogs().size(); }

    CurvePtr curve_ = NewCurve();
};

TEST_F(LockedAttributeTest, UnlockAsksAgainUnlockAllAndKeepAllLockedDoNot) {
    options().SetBoolOption(kImportShowUI, true);
    answer(vexa_host::ConfirmAnswer::kIndex, 1);  // " Unlock "
    answer(vexa_host::ConfirmAnswer::kIndex, 1);
    answer(vexa_host::ConfirmAnswer::kIndex, 1);
    EXPECT_EQ(importAll(), 3);
    EXPECT_EQ(dialogs(), 3u);
    const auto& shown = vexa_host::UiModel::instance().shownDialogs().front();
    EXPECT_EQ(shown.title, "WYX import Warning");
    EXPECT_EQ(shown.buttons, (std::vector<std::string>{" Unlock All ", " Unlock ", " Keep All Locked "}));
    EXPECT_EQ(shown.message, "box.translateX: this attribute is locked. Cannot transfer animation data.\n\nNOTE: Clicking "
                             "'Unlock All' or 'Keep All Locked' will silence this dialog\n      until the end of the import "
                             "(the affected attributes will still be printed in the log file).\n");

    again();
    answer(vexa_host::ConfirmAnswer::kIndex, 0);  // " Unlock All "
    EXPECT_EQ(importAll(), 3);
    EXPECT_EQ(dialogs(), 1u);

    again();
    answer(vexa_host::ConfirmAnswer::kIndex, 2);  // " Keep All Locked "
    EXPECT_EQ(importAll(), 0);
    EXPECT_EQ(dialogs(), 1u);
}

// A dialog closed without an answer keeps the attributes locked and asks no more.
TEST_F(LockedAttributeTest, ADismissalKeepsAllLocked) {
    options().SetBoolOption(kImportShowUI, true);
    answer(vexa_host::ConfirmAnswer::kDismiss);
    EXPECT_EQ(importAll(), 0);
    EXPECT_EQ(dialogs(), 1u);
    EXPECT_EQ(session_.GetLockedAttributeDecision(), 2);
    EXPECT_TRUE(plug("translateX").isLocked());
}

// A plug locked under a locked compound: both are unlocked for the curve.
TEST_F(LockedAttributeTest, ALockedCompoundIsUnlockedWithItsChild) {
    plug("translate").setLocked(true);
    VPlug locked = plug("translateX");
    EXPECT_TRUE(session_.ImportPlugCurve(locked, curve_.get(), VFnAnimCurve::kAnimCurveTL, 1.0, 1.0));
    EXPECT_EQ(VFnAnimCurve(plug("translateX")).numKeys(), static_cast<unsigned>(curve_->GetKeyCount()));
    EXPECT_FALSE(plug("translate").isLocked());
    EXPECT_FALSE(plug("translateX").isLocked());
}

// Without the dialog the option answers, and the log names every locked attribute.
TEST_F(LockedAttributeTest, WithoutTheDialogTheOptionAnswersAndTheLogNamesTheAttribute) {
    RWyxScene* scene = nullptr;
    TestSource().build = [&scene](RWyxObjectFactory& factory) {
        scene = BuildNamedNodes(factory, {"box"});
        RWyxNode* box = scene->GetRootNode()->GetChild(0);
        Key(Take(box)->GetTranslationXCurve(), 0.0, 1.0f);
        Key(Take(box)->GetTranslationXCurve(), 1.0, 2.0f);
        DescribeTake(scene);
        return scene;
    };
    TestSource().takes = {TakeInfo()};
    options().SetBoolOption(kSetLockedAttrib, true);
    ASSERT_TRUE(importFile(testFile(), 1, "Take"));
    EXPECT_EQ(VFnAnimCurve(plug("translateX")).numKeys(), 0u);
    EXPECT_TRUE(plug("translateX").isLocked());
    EXPECT_NE(logText().find("box.translateX: this attribute is locked. Cannot transfer animation data.\n"), std::string::npos)
        << logText();
    EXPECT_EQ(dialogs(), 0u);

    options().SetBoolOption(kSetLockedAttrib, false);
    ASSERT_TRUE(importFile(testFile(), 1, "Take"));
    EXPECT_EQ(VFnAnimCurve(plug("translateX")).numKeys(), 2u);
    EXPECT_FALSE(plug("translateX").isLocked());
}

}  // namespace
