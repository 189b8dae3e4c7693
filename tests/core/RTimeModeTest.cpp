#include "core/RTimeMode.h"

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "core/RTime.h"

namespace {

// Restores the process-wide time settings that a test changes.
class TimeModeTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetDefaultTimeMode(savedMode_);
        SetDefaultTimeFormat(savedFormat_);
    }

private:
    RTimeMode savedMode_ = DefaultTimeMode();
    int savedFormat_ = DefaultTimeFormat();
};

TEST_F(TimeModeTest, TableRowsKeepTheirOrder) {
    const RTimeModeTable& table = TimeModeTable();
    const RTimeMode modes[] = {1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 7, 13};
    for (size_t row = 0; row < table.size(); ++row) EXPECT_EQ(table[row].mode, modes[row]) << "row " << row + 1;
    EXPECT_STREQ(table[6].shortName, "29.97 drop");
    EXPECT_STREQ(table[6].longName, "NTSC Drop");
    EXPECT_EQ(table[6].fileRateCode, 4);
    EXPECT_EQ(FindTimeModeEntry(12), nullptr);
    EXPECT_EQ(FindTimeModeEntry(14), nullptr);
}

TEST_F(TimeModeTest, FileRateCodes) {
    EXPECT_EQ(FileRateCode(6), 3);
    EXPECT_EQ(FileRateCode(8), 4);
    EXPECT_EQ(FileRateCode(13), 10);
    EXPECT_EQ(FileRateCode(12), 3);
    EXPECT_EQ(FileRateCode(-1), 3);
    // Codes carried by two rows answer with the row whose lookup flag is set.
    EXPECT_EQ(ModeFromFileRateCode(3), 6);
    EXPECT_EQ(ModeFromFileRateCode(10), 7);
    EXPECT_EQ(ModeFromFileRateCode(8), 1);
    EXPECT_EQ(ModeFromFileRateCode(11), 6);
    EXPECT_EQ(ModeFromFileRateCode(0), 6);
}

TEST_F(TimeModeTest, NamesAndRates) {
    EXPECT_EQ(ModeFromName("NTSC Full"), 9);
    EXPECT_EQ(ModeFromName("29.97 full"), 9);
    EXPECT_EQ(ModeFromName("PAL"), 10);
    EXPECT_EQ(ModeFromName("30 Drop"), 7);
    EXPECT_EQ(ModeFromName("pal"), 6);
    EXPECT_EQ(ModeFromName(nullptr), 6);
    EXPECT_STREQ(ModeShortName(13), "23.976");
    EXPECT_STREQ(ModeShortName(12), "");
    EXPECT_DOUBLE_EQ(FramesPerSecond(1), 120.0);
    EXPECT_DOUBLE_EQ(FramesPerSecond(8), 29.97002617);
    EXPECT_DOUBLE_EQ(FramesPerSecond(12), 30.0);
    EXPECT_DOUBLE_EQ(FramesPerSecond(99), 30.0);
}

TEST_F(TimeModeTest, ModeZeroIsTheDefaultMode) {
    EXPECT_STREQ(ModeShortName(0), ModeShortName(DefaultTimeMode()));
    ASSERT_TRUE(SetDefaultTimeMode(10));
    EXPECT_DOUBLE_EQ(FramesPerSecond(0), 25.0);
    EXPECT_EQ(FileRateCode(0), 2);
    EXPECT_EQ(FindTimeModeTiming(0)->frameLength, 1847446320);
    // A default of 0 leaves mode 0 without a row or frame length.
    ASSERT_TRUE(SetDefaultTimeMode(0));
    EXPECT_FALSE(IsValidTimeMode(0));
    EXPECT_DOUBLE_EQ(FramesPerSecond(0), 30.0);
}

TEST_F(TimeModeTest, ModeFromFrameRateTakesTheFirstModeWithinTolerance) {
    EXPECT_EQ(ModeFromFrameRate(25.0, 0.0), 10);
    EXPECT_EQ(ModeFromFrameRate(29.97, 0.001), 8);
    EXPECT_EQ(ModeFromFrameRate(29.97, 0.1), 6);
    EXPECT_EQ(ModeFromFrameRate(23.9761, 0.001), 13);
    EXPECT_EQ(ModeFromFrameRate(7.0, 0.5), 0);
    EXPECT_EQ(ModeFromFrameRate(std::nan(""), 1.0), 0);
}

TEST_F(TimeModeTest, DefaultSettingsRejectValuesOutOfRange) {
    EXPECT_FALSE(SetDefaultTimeMode(14));
    EXPECT_FALSE(SetDefaultTimeMode(-1));
    EXPECT_FALSE(SetDefaultTimeFormat(kTimeFormatDefault));
    EXPECT_FALSE(SetDefaultTimeFormat(-1));
    ASSERT_TRUE(SetDefaultTimeMode(13));
    ASSERT_TRUE(SetDefaultTimeFormat(kTimeFormatTimecode));
    EXPECT_EQ(DefaultTimeMode(), 13);
    EXPECT_EQ(DefaultTimeFormat(), kTimeFormatTimecode);
}

TEST_F(TimeModeTest, FrameLengths) {
    EXPECT_EQ(FindTimeModeTiming(6)->frameLength, 1539538600);
    EXPECT_EQ(FindTimeModeTiming(8)->halfFrameLength, 770539167);
    EXPECT_EQ(FindTimeModeTiming(13)->frameLength, 1926349600);
    EXPECT_EQ(FindTimeModeTiming(14), nullptr);
    // Modes at whole frame rates fill each second exactly.
    for (RTimeMode mode : {1, 2, 3, 4, 5, 6, 7, 10, 11, 12}) {
        const RTimeModeTiming& timing = *FindTimeModeTiming(mode);
        EXPECT_EQ(timing.frameLength * timing.timecodeRate, RTime::kTicksPerSecond) << mode;
    }
    for (RTimeMode mode = kFirstTimeMode; mode <= kLastTimeMode; ++mode) {
        const RTimeModeTiming& timing = *FindTimeModeTiming(mode);
        if (timing.halfFrameLength != 0) {
            EXPECT_EQ(2 * timing.halfFrameLength, timing.frameLength) << mode;
        }
    }
}

}  // namespace
