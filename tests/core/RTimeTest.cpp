#include "core/RTime.h"

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int64_t kFrame30 = 1539538600;

class TimeTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetDefaultTimeMode(savedMode_);
        SetDefaultTimeFormat(savedFormat_);
    }

    static RTime Timecode(int hours, int minutes, int seconds, int frames, int field, RTimeMode mode,
                          int residual = 0) {
        RTime time;
        EXPECT_TRUE(time.SetFromTimecodeWithResidual(hours, minutes, seconds, frames, field,
                                                     residual, mode));
        return time;
    }

    static std::string Format(RTime time, int detail, RTimeMode mode, int format) {
        return time.FormatTime(detail, mode, format).Buffer();
    }

private:
    RTimeMode savedMode_ = DefaultTimeMode();
    int savedFormat_ = DefaultTimeFormat();
};

TEST_F(TimeTest, SecondsAndFrames) {
    EXPECT_EQ(Timecode(0, 0, 1, 0, 0, 0).GetTicks(), 46186158000);
    EXPECT_EQ(Timecode(0, 0, 0, 1, 0, 6).GetTicks(), kFrame30);
    for (RTimeMode mode = kFirstTimeMode; mode <= kLastTimeMode; ++mode) {
        EXPECT_EQ(Timecode(0, 0, 0, 1, 0, mode).GetTicks(), FindTimeModeTiming(mode)->frameLength);
    }
    EXPECT_DOUBLE_EQ(RTime(RTime::kTicksPerSecond * 3 / 2).ToSeconds(), 1.5);

    RTime time;
    time.FromSeconds(-1.5);
    EXPECT_EQ(time.GetTicks(), -RTime::kTicksPerSecond * 3 / 2);
    time.FromSeconds(-1e-11);  // -0.46 ticks truncates toward zero
    EXPECT_EQ(time.GetTicks(), 0);
    time.FromSeconds(1e300);
    EXPECT_TRUE(time.IsInfinitelyLate());
    time.FromSeconds(-1e300);
    EXPECT_EQ(time.GetTicks(), RTime::kSmallest);
    time.FromSeconds(std::nan(""));
    EXPECT_EQ(time.GetTicks(), 0);
}

TEST_F(TimeTest, ArithmeticSaturatesAndDivisionTruncates) {
    const RTime late(RTime::kInfinitelyLate);
    const RTime smallest(RTime::kSmallest);
    EXPECT_EQ((RTime(5) + RTime(-7)).GetTicks(), -2);
    EXPECT_EQ((RTime(5) - RTime(7)).GetTicks(), -2);
    EXPECT_EQ((RTime(5) * -3).GetTicks(), -15);
    EXPECT_EQ(late + RTime(1), late);
    EXPECT_EQ(smallest - RTime(1), smallest);
    EXPECT_EQ(RTime(0) - smallest, late);
    EXPECT_EQ(late * 2, late);
    EXPECT_EQ(late * -2, smallest);
    EXPECT_EQ(smallest * -1, late);
    EXPECT_EQ(RTime(int64_t{1} << 40) * RTime(int64_t{1} << 40), late);
    EXPECT_EQ(RTime(-(int64_t{1} << 40)) * RTime(int64_t{1} << 40), smallest);
    // Division truncates and never traps; it cuts a start time to a sampling grid.
    EXPECT_EQ((RTime(-7) / RTime(2)).GetTicks(), -3);
    EXPECT_EQ((RTime(7) / RTime(0)).GetTicks(), 0);
    EXPECT_EQ((RTime(RTime::kSmallest) / RTime(-1)).GetTicks(), 0);
    EXPECT_EQ(RTime(5 * kFrame30 + 123) / RTime(kFrame30) * RTime(kFrame30), RTime(5 * kFrame30));
}

TEST_F(TimeTest, DropFrameNumbersZeroAndOneDoNotExist) {
    const RTime skipped = Timecode(0, 1, 0, 0, 0, 7);
    EXPECT_EQ(skipped, Timecode(0, 1, 0, 2, 0, 7));
    EXPECT_EQ(skipped.GetTicks(), 1800 * kFrame30);
    EXPECT_EQ(Timecode(0, 1, 1, 0, 0, 7).GetTicks(), 1828 * kFrame30);
    // Every tenth minute keeps its frames 0 and 1.
    EXPECT_EQ(Timecode(0, 10, 0, 0, 0, 7).GetTicks(), 17982 * kFrame30);
    EXPECT_EQ(Timecode(0, 10, 0, 1, 0, 7).GetTicks(), 17983 * kFrame30);
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 7).GetTicks(), 107892 * kFrame30);
    EXPECT_EQ(Timecode(1, 0, 0, 0, 0, 13).GetTicks(), 86292 * int64_t{1926349600});
}

TEST_F(TimeTest, TimecodesAndTimesRoundTripInEveryMode) {
    // Drop-frame timecodes over every minute, through their times and back.
    for (RTimeMode mode : {7, 8, 13}) {
        const int rate = FindTimeModeTiming(mode)->timecodeRate;
        for (int hours : {0, 1, 23}) {
            for (int minutes = 0; minutes < 60; ++minutes) {
                for (int seconds : {0, 1, 59}) {
                    const bool drops = minutes % 10 != 0 && seconds == 0;
                    for (int frames = drops ? 2 : 0; frames < rate; ++frames) {
                        const RTime time = Timecode(hours, minutes, seconds, frames, 1, mode);
                        int h, m, s, f, field, residual;
                        ASSERT_TRUE(time.SplitTimecode(h, m, s, f, field, residual, mode));
                        ASSERT_EQ((std::vector<int>{h, m, s, f, field, residual}),
                                  (std::vector<int>{hours, minutes, seconds, frames, 1, 50}))
                            << "mode " << mode;
                    }
                }
            }
        }
    }
    // Consecutive frames across two ten-minute blocks, and before zero, through their
    // timecodes and back.
    for (RTimeMode mode : {6, 7, 8, 9, 10, 12, 13}) {
        const int64_t length = FindTimeModeTiming(mode)->frameLength;
        for (int64_t frame = -40000; frame < 40000; frame += 7) {
            const RTime time(frame * length);
            int h, m, s, f, field, residual;
            ASSERT_TRUE(time.SplitTimecode(h, m, s, f, field, residual, mode));
            EXPECT_EQ(Timecode(h, m, s, f, field, mode), time) << "mode " << mode << " frame " << frame;
        }
    }
}

TEST_F(TimeTest, SplitOfNegativeAndPartialFrames) {
    int h, m, s, f, field, residual;
    ASSERT_TRUE(RTime(-kFrame30).SplitTimecode(h, m, s, f, field, residual, 6));
    EXPECT_EQ((std::vector<int>{h, m, s, f, field, residual}), (std::vector<int>{-1, 59, 59, 29, 0, 0}));
    ASSERT_TRUE(RTime(kFrame30 * 3 / 4).SplitTimecode(h, m, s, f, field, residual, 6));
    EXPECT_EQ(field, 1);
    EXPECT_EQ(residual, 75);
    ASSERT_TRUE(RTime(384884650 / 2).SplitTimecode(h, m, s, f, field, residual, 1));
    EXPECT_EQ(field, 0);
    EXPECT_EQ(residual, 50);
    EXPECT_FALSE(RTime(5).SplitTimecode(h, m, s, f, field, residual, 14));
}

TEST_F(TimeTest, ResidualRoundsUpToWholeTicks) {
    EXPECT_EQ(Timecode(0, 0, 0, 0, 0, 6, 50).GetTicks(), kFrame30 / 2);
    // 1541078334 / 100 = 15410783.34
    EXPECT_EQ(Timecode(0, 0, 0, 2, 0, 8, 1).GetTicks(), int64_t{2} * 1541078334 + 15410784);
    EXPECT_EQ(Timecode(0, 0, 0, 0, 0, 8, -1).GetTicks(), -15410783);
    for (int residual = 0; residual < 100; ++residual) {
        EXPECT_EQ(Timecode(0, 0, 3, 4, 0, 8, residual).ResidualPart(8), residual);
    }
}

TEST_F(TimeTest, CountsOfSecondsAndFrames) {
    const RTime time = Timecode(1, 2, 3, 4, 0, 6);
    EXPECT_EQ(time.SecondCount(true, 6), 3723);
    EXPECT_EQ(time.SecondCount(false, 6), 3);
    EXPECT_EQ(time.FrameCount(true, 6), 3723 * 30 + 4);
    EXPECT_EQ(time.FrameCount(false, 6), 4);
    EXPECT_EQ(time.FrameCount(true, 14), 0);
    EXPECT_EQ(RTime(-RTime::kTicksPerSecond * 3 / 2).SecondCount(true, 6), -1);
}

TEST_F(TimeTest, TimecodeFailuresLeaveTheTimeUnchanged) {
    RTime time(42);
    EXPECT_FALSE(time.SetFromTimecode(0, 0, 1, 0, 0, 14));
    EXPECT_FALSE(time.SetFromTimecode(INT_MAX, 0, 0, 0, 0, 6));
    EXPECT_FALSE(time.SetFromTimecode(INT_MIN, 0, 0, 0, 0, 7));
    EXPECT_FALSE(time.SetFromTimecode(56000, 0, 0, 0, 0, 12));
    EXPECT_FALSE(time.SetFromTimecodeWithResidual(55400, 0, 0, 0, 0, INT_MAX, 6));
    EXPECT_EQ(time.GetTicks(), 42);
    EXPECT_TRUE(time.SetFromTimecode(55400, 0, 0, 0, 0, 6));
}

TEST_F(TimeTest, FrameCountTexts) {
    const RTime partial(12 * kFrame30 + kFrame30 / 4);
    const RTime whole(12 * kFrame30);
    const RTime negative(-2 * kFrame30 - kFrame30 / 4);
    const RTime late(RTime::kInfinitelyLate);
    const char* const expected[][6] = {
        {"12", "12", "12", "12", "12*", "12 (25)"},
        {"12", "12", "12", "12", "12", "12 (00)"},
        {"- 2", "- 2", "- 2", "- 2", "- 2*", "- 2 (75)"},
        {"---", "---", "---", "---", "  ---", "  --- (--)"},
        {"---", "---", "---", "---", "- ---", "- --- (--)"},
        {"---", "---", "---", "---", "- ---", "- --- (--)"},
    };
    const RTime times[] = {partial, whole, negative, late, RTime(RTime::kInfinitelyEarly),
                           RTime(RTime::kSmallest)};
    for (int row = 0; row < 6; ++row) {
        for (int detail = 1; detail <= 6; ++detail) {
            EXPECT_EQ(Format(times[row], detail, 6, kTimeFormatFrameCount), expected[row][detail - 1])
                << "row " << row << " detail " << detail;
        }
    }
    EXPECT_EQ(Format(RTime(-2 * kFrame30), 5, 6, kTimeFormatFrameCount), "-2");
    EXPECT_EQ(Format(partial, 0, 6, kTimeFormatFrameCount), "");
    EXPECT_EQ(Format(partial, 7, 6, kTimeFormatFrameCount), "");
    EXPECT_EQ(Format(partial, 1, 14, kTimeFormatFrameCount), "");
}

TEST_F(TimeTest, TimecodeTexts) {
    const RTime time = Timecode(1, 2, 3, 4, 0, 6);
    EXPECT_EQ(Format(time, 1, 6, kTimeFormatTimecode), "001");
    EXPECT_EQ(Format(time, 2, 6, kTimeFormatTimecode), "001:02");
    EXPECT_EQ(Format(time, 3, 6, kTimeFormatTimecode), "001:02:03");
    EXPECT_EQ(Format(time, 4, 6, kTimeFormatTimecode), "001:02:03.04");
    EXPECT_EQ(Format(time, 5, 6, kTimeFormatTimecode), "001:02:03.04");
    EXPECT_EQ(Format(time + RTime(kFrame30 / 10), 5, 6, kTimeFormatTimecode), "001:02:03.04*");
    EXPECT_EQ(Format(time + RTime(1), 5, 6, kTimeFormatTimecode), "001:02:03.04");
    EXPECT_EQ(Format(time, 6, 6, kTimeFormatTimecode), "001:02:03.04 (00)");
    EXPECT_EQ(Format(Timecode(0, 0, 1, 999, 0, 12), 4, 12, kTimeFormatTimecode), "000:00:01.999");
    EXPECT_EQ(Format(RTime(-kFrame30), 4, 6, kTimeFormatTimecode), "-01:59:59.29");
    EXPECT_EQ(Format(Timecode(-12, 0, 0, 0, 0, 6), 1, 6, kTimeFormatTimecode), "-12");
    EXPECT_EQ(Format(RTime(RTime::kInfinitelyLate), 5, 6, kTimeFormatTimecode), "---:--:--.--");
    EXPECT_EQ(Format(RTime(RTime::kSmallest), 6, 6, kTimeFormatTimecode), "- ---:--:--.-- (--)");
    EXPECT_EQ(Format(time, 7, 6, kTimeFormatTimecode), "");
}

TEST_F(TimeTest, DefaultModeAndFormat) {
    const RTime second(RTime::kTicksPerSecond);
    EXPECT_EQ(Format(second, 4, 0, kTimeFormatDefault), "30");
    ASSERT_TRUE(SetDefaultTimeMode(10));
    ASSERT_TRUE(SetDefaultTimeFormat(kTimeFormatTimecode));
    EXPECT_EQ(Format(second + RTime(1847446320), 4, 0, kTimeFormatDefault), "000:00:01.01");
    RTime parsed;
    ASSERT_TRUE(parsed.ParseTime("0:0:1.01", 0, kTimeFormatDefault));
    EXPECT_EQ(parsed, second + RTime(1847446320));
}

TEST_F(TimeTest, FrameCountTextsRoundTrip) {
    for (RTimeMode mode : {1, 6, 8, 10, 12, 13}) {
        const int64_t length = FindTimeModeTiming(mode)->frameLength;
        for (int64_t frames : {0, 1, 29, 12345}) {
            for (int residual : {0, 1, 49, 50, 99}) {
                RTime time = Timecode(0, 0, 0, 0, 0, mode, residual) + RTime(frames * length);
                for (RTime candidate : {time, time - RTime((frames + 1) * length) * 2}) {
                    for (int detail : {4, 6}) {
                        if (detail == 4 && residual != 0) {
                            continue;
                        }
                        const RString text = candidate.FormatTime(detail, mode, kTimeFormatFrameCount);
                        RTime parsed;
                        ASSERT_TRUE(parsed.ParseTime(text.Buffer(), mode, kTimeFormatFrameCount)) << text.Buffer();
                        EXPECT_EQ(parsed, candidate) << "mode " << mode << " text " << text.Buffer();
                    }
                }
            }
        }
    }
}

TEST_F(TimeTest, TimecodeTextsRoundTrip) {
    for (RTimeMode mode : {1, 6, 7, 8, 9, 10, 12, 13}) {
        for (int hours : {-3, 0, 1, 999}) {
            for (int residual : {0, 25, 50, 99}) {
                const RTime time = Timecode(hours, 19, 59, 11, 0, mode, residual);
                for (int detail : {3, 4, 6}) {
                    const RString text = time.FormatTime(detail, mode, kTimeFormatTimecode);
                    RTime expected = time;
                    if (detail < 6) {
                        expected = Timecode(hours, 19, 59, detail == 4 ? 11 : 0, 0, mode);
                    }
                    RTime parsed;
                    ASSERT_TRUE(parsed.ParseTime(text.Buffer(), mode, kTimeFormatTimecode)) << text.Buffer();
                    EXPECT_EQ(parsed, expected) << "mode " << mode << " text " << text.Buffer();
                }
            }
        }
    }
}

TEST_F(TimeTest, ParsesShortForms) {
    struct Case {
        const char* text;
        int format;
        int64_t ticks;
    };
    const int64_t second = RTime::kTicksPerSecond;
    const Case cases[] = {
        {"5", kTimeFormatTimecode, 5 * second},
        {"1:30", kTimeFormatTimecode, 90 * second},
        {"1;02:03.04.5", kTimeFormatTimecode, 3723 * second + 4 * kFrame30 + kFrame30 / 2},
        {"1:02:03.04 (20)", kTimeFormatTimecode, 3723 * second + 4 * kFrame30 + kFrame30 / 5},
        {"2.5", kTimeFormatFrameCount, 2 * kFrame30 + kFrame30 / 2},
        {"2.05", kTimeFormatFrameCount, 2 * kFrame30 + kFrame30 / 20},
        {"2.123", kTimeFormatFrameCount, 2 * kFrame30 + kFrame30 * 12 / 100},
        {"(50)", kTimeFormatFrameCount, kFrame30 / 2},
        {"12*", kTimeFormatFrameCount, 12 * kFrame30},
        {"-0 (75)", kTimeFormatFrameCount, -kFrame30 / 4},  // a negative residual counts from the frame below
        {"-0", kTimeFormatFrameCount, 0},
        {"000000000000000012", kTimeFormatFrameCount, 12 * kFrame30},
        {"---", kTimeFormatFrameCount, RTime::kInfinitelyLate},
    };
    for (const Case& c : cases) {
        RTime time(42);
        ASSERT_TRUE(time.ParseTime(c.text, 6, c.format)) << c.text;
        EXPECT_EQ(time.GetTicks(), c.ticks) << c.text;
    }
}

TEST_F(TimeTest, PlaceholdersReadAsInfiniteTimes) {
    RTime time;
    for (int format : {kTimeFormatFrameCount, kTimeFormatTimecode}) {
        for (int detail : {5, 6}) {
            for (int64_t ticks : {RTime::kInfinitelyLate, RTime::kInfinitelyEarly}) {
                const RString text = RTime(ticks).FormatTime(detail, 6, format);
                if (text.GetLength() > RTime::kMaxTextLength) {
                    EXPECT_FALSE(time.ParseTime(text.Buffer(), 6, format));  // "- ---:--:--.-- (--)"
                    continue;
                }
                ASSERT_TRUE(time.ParseTime(text.Buffer(), 6, format)) << text.Buffer();
                EXPECT_EQ(time.GetTicks(), ticks) << text.Buffer();
            }
        }
    }
}

TEST_F(TimeTest, UnreadableTextsLeaveTheTimeUnchanged) {
    RTime time(42);
    for (const char* text : {"1234567890123456789", "", "abc", "12 (x)", "999999999999999999"}) {
        EXPECT_FALSE(time.ParseTime(text, 6, kTimeFormatFrameCount)) << text;
    }
    for (const char* text : {"abc", "12:ab:00", "99999999:00:00", "1:9999999999:00"}) {
        EXPECT_FALSE(time.ParseTime(text, 6, kTimeFormatTimecode)) << text;
    }
    EXPECT_FALSE(time.ParseTime(nullptr, 6, kTimeFormatFrameCount));
    EXPECT_FALSE(time.ParseTime("12", 14, kTimeFormatFrameCount));
    EXPECT_EQ(time.GetTicks(), 42);
}

}  // namespace
