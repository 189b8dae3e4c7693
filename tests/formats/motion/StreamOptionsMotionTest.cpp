#include "core/RTimeMode.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/OwnedPlug.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace motion_test;

TEST(StreamOptionsMotionTest, ResetLeavesEveryOptionUnsetAndTheDefaultRate) {
    OptionsPtr options = NewOptions();
    EXPECT_TRUE(options->Is(RStreamOptionsMotion::ClassId()));
    EXPECT_TRUE(options->Is(RStreamOptions::ClassId()));
    EXPECT_TRUE(options->Is(RObject::ClassId()));
    EXPECT_FALSE(options->Is(RWyxAsfScene::ClassId()));
    EXPECT_STREQ(options->GetClassName(), "RStreamOptionsMotion");
    for (int i = 0; i < kMotionOptionCount; ++i) EXPECT_EQ(options->GetOption(i), -1) << i;
    EXPECT_EQ(options->GetTimeMode(), DefaultTimeMode());
    EXPECT_EQ(options->GetFrameRate(), FramesPerSecond(DefaultTimeMode()));

    options->SetOption(kMotionTranslation, 1);
    options->SetFrameCount(-5);
    EXPECT_EQ(options->GetFrameCount(), 0);
    options->SetFrameCount(12);
    options->SetStartTime(RTime(99));
    options->SetText("text");
    options->Reset();
    EXPECT_EQ(options->GetOption(kMotionTranslation), -1);
    EXPECT_EQ(options->GetFrameCount(), 0);
    EXPECT_EQ(options->GetStartTime(), RTime());
    EXPECT_TRUE(options->GetText().IsEmptyText());
}

TEST(StreamOptionsMotionTest, OptionsOutsideTheTableAreIgnored) {
    OptionsPtr options = NewOptions();
    options->SetOption(18, 5);
    options->SetOption(-1, 5);
    EXPECT_EQ(options->GetOption(18), -1);
    EXPECT_EQ(options->GetOption(-1), -1);
    options->SetOption(17, 4);
    EXPECT_EQ(options->GetOption(17), 4);
}

TEST(StreamOptionsMotionTest, RatesNearATimeModeTakeItsModeAndOthersStayCustom) {
    OptionsPtr options = NewOptions();
    options->SetFrameRate(0, 30.0005);
    EXPECT_EQ(options->GetTimeMode(), 6);
    EXPECT_EQ(options->GetFrameRate(), 30.0005);
    options->SetFrameRate(0, 25.0);
    EXPECT_EQ(options->GetTimeMode(), 10);
    options->SetFrameRate(0, 17.0);
    EXPECT_EQ(options->GetTimeMode(), 0);
    EXPECT_EQ(options->GetFramePeriod().GetTicks(), RTime::kTicksPerSecond / 17);
    options->SetFrameRate(1, 3.0);
    EXPECT_EQ(options->GetFrameRate(), 120.0);
    EXPECT_EQ(options->GetFramePeriod().GetTicks(), RTime::kTicksPerSecond / 120);
    options->SetFrameRate(0, 0.0);
    EXPECT_EQ(options->GetTimeMode(), DefaultTimeMode());
}

TEST(StreamOptionsMotionTest, FramesMustEndInsideTheTimeRange) {
    OptionsPtr options = NewOptions();
    EXPECT_TRUE(options->FramesFitTimeRange(0));
    EXPECT_TRUE(options->FramesFitTimeRange(2000000000));
    options->SetFrameRate(0, 1e-6);  // a frame every eleven days
    EXPECT_TRUE(options->FramesFitTimeRange(2));
    EXPECT_FALSE(options->FramesFitTimeRange(1000000));
    options->SetFrameRate(0, 30.0);
    options->SetStartTime(RTime(RTime::kInfinitelyLate - 10));
    EXPECT_FALSE(options->FramesFitTimeRange(2));
    EXPECT_FALSE(options->FramesFitTimeRange(-1));
}

TEST(StreamOptionsMotionTest, AnOwnedSkeletonGoesWithTheOptionsAndAnotherOneIsKept) {
    OptionsPtr options = NewOptions();
    RWyxAsfScene* owned = RWyxAsfScene::Create();
    options->SetAsfScene(owned, true);
    EXPECT_EQ(options->GetAsfScene(), owned);
    EXPECT_TRUE(options->OwnsAsfScene());
    options->Reset();  // destroys it (the sanitizer reports a leak otherwise)
    EXPECT_EQ(options->GetAsfScene(), nullptr);

    Owned<RWyxAsfScene> kept(RWyxAsfScene::Create());
    options->SetAsfScene(kept.get(), false);
    options.reset();
    EXPECT_STREQ(kept->GetClassName(), "RWyxAsfScene");
}

TEST(StreamOptionsMotionTest, BvhReaderOffersOnlyTheReferenceNode) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    const std::string text = "HIERARCHY\nROOT a\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 4\nFrame Time: 0.04\n";
    reader.OpenBytes(text.data(), text.size(), "a.bvh");
    OptionsPtr options = TakeMotionOptions(reader.GetReadOptions(false));
    ASSERT_NE(options, nullptr);
    for (int i = 0; i < kMotionOptionCount; ++i) {
        EXPECT_EQ(options->GetOption(i), i == kMotionImportCreateReferenceNode ? 1 : -1) << i;
    }
    EXPECT_EQ(options->GetTimeMode(), 10);
    EXPECT_EQ(options->GetFrameCount(), 4);
}

}  // namespace
