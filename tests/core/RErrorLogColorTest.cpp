#include "core/RError.h"
#include "core/RWyxColor.h"
#include "core/RWyxLogFile.h"
#include "core/RWyxTimeStamp.h"

#include "core/FilePaths.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const kMessages[] = {"File is corrupted", nullptr, "Unexpected end of file"};

void FixedClock(RWyxTimeStamp& now) {
    now.Clear();
    now.year = 2004;
    now.month = 4;
    now.day = 3;
    now.hour = 9;
    now.minute = 5;
}

// Points the application folder at a scratch folder for the length of a test.
class RWyxLogFileTest : public ::testing::Test {
protected:
    RWyxLogFileTest() : previous_(GetApplicationPath()) { SetApplicationPath((scratch_.Path() + "/").c_str()); }
    ~RWyxLogFileTest() override { SetApplicationPath(previous_.c_str()); }

    std::string LogText() const { return ScratchFolder::ReadFile(scratch_.Join("wyxvexalog.txt")); }

    ScratchFolder scratch_;
    std::string previous_;
};

// The error's code and text after setting a code.
std::pair<int, std::string> AfterCode(RError& error, int code) {
    error.SetErrorCode(code);
    return {error.GetLastErrorCode(), error.GetLastErrorString()};
}

}  // namespace

TEST(RError, CodesTakeTheirTextsFromTheTableAndOthersGiveAnEmptyText) {
    RError error(kMessages, 3);
    EXPECT_EQ(error.GetLastErrorCode(), -1);
    EXPECT_STREQ(error.GetLastErrorString(), "");
    EXPECT_FALSE(error.HasError());
    using Result = std::pair<int, std::string>;
    EXPECT_EQ(AfterCode(error, 2), Result(2, "Unexpected end of file"));
    EXPECT_EQ(AfterCode(error, 1), Result(1, ""));  // a null row reads as empty
    error.SetErrorCode(0);
    EXPECT_EQ(AfterCode(error, 3), Result(3, ""));
    EXPECT_EQ(AfterCode(error, -7), Result(-7, ""));
    error.SetErrorCode(0);
    EXPECT_EQ(AfterCode(error, -1), Result(-1, ""));
    EXPECT_FALSE(error.HasError());

    error.SetError(10, "Begin Field error last field not closed");
    EXPECT_EQ(error.GetLastErrorCode(), 10);
    EXPECT_STREQ(error.GetLastErrorString(), "Begin Field error last field not closed");
    error.SetErrorText("other");
    EXPECT_EQ(error.GetLastErrorCode(), 10);
    EXPECT_STREQ(error.GetLastErrorString(), "other");
    error.ClearError();
    EXPECT_EQ(error.GetLastErrorCode(), -1);
    EXPECT_STREQ(error.GetLastErrorString(), "");

    RError noTable(nullptr, 5);
    EXPECT_EQ(AfterCode(noTable, 2), Result(2, ""));
    EXPECT_EQ(noTable.GetMessageCount(), 0);
}

TEST(RWyxTimeStamp, ClearAndLocalTime) {
    RWyxTimeStamp stamp;
    stamp.SetToLocalTime();
    EXPECT_GE(stamp.year, 2020);
    EXPECT_GE(stamp.month, 1);
    EXPECT_GE(stamp.day, 1);
    stamp.Clear();
    EXPECT_EQ(stamp.year + stamp.month + stamp.day + stamp.hour + stamp.minute + stamp.second + stamp.millisecond, 0);
}

TEST(RWyxColor, ComponentsAreClampedToTheUnitRange) {
    const RWyxColor white;
    EXPECT_EQ(white.GetRed() + white.GetGreen() + white.GetBlue() + white.GetAlpha(), 4.0);
    RWyxColor color(1.5, -0.2, 0.5, 2.0);
    const auto components = [&color] {
        return std::vector<double>{color.GetRed(), color.GetGreen(), color.GetBlue(), color.GetAlpha()};
    };
    EXPECT_EQ(components(), (std::vector<double>{1.0, 0.0, 0.5, 1.0}));
    color.Set(std::nan(""), 0.25, std::numeric_limits<double>::infinity(), -0.0);
    EXPECT_EQ(components(), (std::vector<double>{0.0, 0.25, 1.0, 0.0}));
    const RWyxColor copy(color);
    EXPECT_FALSE(copy != color);
    EXPECT_TRUE(copy != white);
    EXPECT_TRUE(RWyxColor(1, 1, 1, 0.5) != white);
    EXPECT_TRUE(RWyxColor(1, 1, 1, 1) == white);
}

TEST_F(RWyxLogFileTest, WritesDateTitleAndLinesWithAFixedClock) {
    {
        RWyxLogFile log("wyxvexalog.txt", "File Export : scene.wyx", false, true);
        log.SetClock(&FixedClock);
        EXPECT_EQ(std::string(log.GetPath().Buffer()), scratch_.Join("wyxvexalog.txt"));
        log.AddLine("first warning");
        log.AddLine(nullptr);
        log.AddLine("third");
    }
    EXPECT_EQ(LogText(), "Date: 3/4/2004 9:5\nFile Export : scene.wyx\n\n\tfirst warning\n\t\n\tthird\n");
}

TEST_F(RWyxLogFileTest, AppendingLeavesABlankLineBetweenRuns) {
    scratch_.WriteFile("wyxvexalog.txt", "earlier run\n");
    {
        RWyxLogFile log("wyxvexalog.txt", "Import", true, true);
        log.SetClock(&FixedClock);
        log.AddLine("w");
    }
    EXPECT_EQ(LogText(), "earlier run\n\n\nDate: 3/4/2004 9:5\nImport\n\n\tw\n");
}

TEST_F(RWyxLogFileTest, NothingIsWrittenWithoutLinesOrWhenNotAsked) {
    scratch_.WriteFile("wyxvexalog.txt", "kept");
    {
        RWyxLogFile empty("wyxvexalog.txt", "Title", false, true);
        EXPECT_FALSE(empty.Write());
        RWyxLogFile silent("wyxvexalog.txt", "Title", false, false);
        silent.AddLine("never written");
    }
    EXPECT_EQ(LogText(), "kept");

    RWyxLogFile unwritable("missing/log.txt", "Title", false, false);
    unwritable.AddLine("x");
    EXPECT_FALSE(unwritable.Write());
}
