#include "formats/motion/RMotionTextFile.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const char* const kBlanks = " \t\r\n";
const char* const kAsfDelimiters = " \t,()\r\n";

class TextFile : public RMotionTextFile {
public:
    explicit TextFile(const char* delimiters = kBlanks, const char* comments = "#", bool exact = true)
        : RMotionTextFile("HTR", delimiters, comments, exact, true) {}

    void Load(const std::string& text) {
        text_ = text;
        OpenBytes(text_.data(), text_.size());
    }

private:
    std::string text_;
};

TEST(MotionTextFileTest, PassesOverBlankDelimiterAndCommentLinesCountingThem) {
    TextFile file;
    file.Load("\n   \n\t\r\n   # comment\n");
    EXPECT_TRUE(file.IsAtEnd());
    EXPECT_EQ(file.GetLineNumber(), 4);

    file.Load("   # skipped\nword # not a comment\n");
    ASSERT_FALSE(file.IsAtEnd());
    EXPECT_EQ(file.GetLineNumber(), 2);
    RString word;
    ASSERT_TRUE(file.ReadWord(word));
    EXPECT_EQ(word, "word");
    ASSERT_TRUE(file.ReadWord(word));
    EXPECT_EQ(word, "#");
    EXPECT_FALSE(file.NextLine());
    EXPECT_TRUE(file.IsAtEnd());
}

TEST(MotionTextFileTest, LongLinesComeWholeUpToTheLimitAndEndReadingPastIt) {
    TextFile file;
    file.Load("first\n" + std::string(25000, 'x') + "\nlast");
    ASSERT_TRUE(file.NextLine());
    EXPECT_EQ(std::string(file.GetLine()).size(), 25000u);
    EXPECT_EQ(file.GetBufferCapacity(), 30718u);
    ASSERT_TRUE(file.NextLine());
    EXPECT_STREQ(file.GetLine(), "last");

    const std::size_t limit = RMotionTextFile::kMaxLineLength;
    file.Load(std::string(limit - 1, 'y') + "\r\nafter\n");
    EXPECT_EQ(std::string(file.GetLine()).size(), limit);  // the CR stays
    file.Load(std::string(limit, 'y') + "\r\nafter\n");
    EXPECT_TRUE(file.IsAtEnd());
    EXPECT_TRUE(file.HasReadFailed());
    EXPECT_NE(file.GetLastErrorText().find("longer than"), std::string::npos);
    EXPECT_FALSE(file.NextLine());
}

TEST(MotionTextFileTest, KeywordsMatchAsPrefixesInTableOrderWithoutRegardToCase) {
    RMotionKeyword table[] = {{"End", 0}, {"End Site", 0}, {"", 0}};
    TextFile file;
    file.Load("end site here\n");
    EXPECT_EQ(file.PeekKeyword(table), 0);
    EXPECT_EQ(table[0].count, 0);
    EXPECT_EQ(file.ReadKeyword(table), 0);
    EXPECT_EQ(table[0].count, 1);
    EXPECT_STREQ(file.GetCursor(), "site here");
    RMotionTextFile::ResetKeywordCounts(table);
    EXPECT_EQ(table[0].count, 0);
    RMotionKeyword empty[] = {{"", 0}};
    EXPECT_EQ(file.ReadKeyword(empty), -1);
}

TEST(MotionTextFileTest, WordsAreCutAtTheMaximumAndTheRestFollows) {
    TextFile file;
    file.Load("abcde fg\n");
    char buffer[4];
    ASSERT_TRUE(file.ReadWord(buffer, 3));
    EXPECT_STREQ(buffer, "abc");
    ASSERT_TRUE(file.ReadWord(buffer, 3));
    EXPECT_STREQ(buffer, "de");
    char c = '\0';
    ASSERT_TRUE(file.PeekChar(c));
    EXPECT_EQ(c, 'f');
    ASSERT_TRUE(file.GetChar(c));
    ASSERT_TRUE(file.GetChar(c));
    EXPECT_EQ(c, 'g');
    EXPECT_FALSE(file.ReadWord(buffer, 3));
}

TEST(MotionTextFileTest, NumbersOutsideTheirRangeOrNotFiniteAreRefusedAndLeaveTheCursor) {
    TextFile file;
    int i = 7;
    double d = 7.0;
    file.Load("99999999999 1e999 nan 0x10 +12 -3.5e2\n");
    EXPECT_FALSE(file.ReadInt(i));
    EXPECT_EQ(i, 7);
    EXPECT_STREQ(file.GetCursor(), "99999999999 1e999 nan 0x10 +12 -3.5e2");
    RString skip;
    file.ReadWord(skip);
    EXPECT_FALSE(file.ReadDouble(d, 1.0));
    file.ReadWord(skip);
    EXPECT_FALSE(file.ReadDouble(d, 1.0));
    file.ReadWord(skip);
    ASSERT_TRUE(file.ReadInt(i));  // the hexadecimal form reads as its leading 0
    EXPECT_EQ(i, 0);
    file.ReadWord(skip);
    ASSERT_TRUE(file.ReadInt(i));
    EXPECT_EQ(i, 12);
    ASSERT_TRUE(file.ReadDouble(d, 2.0));
    EXPECT_EQ(d, -700.0);
    EXPECT_FALSE(file.ReadDouble(d, 1.0));

    // A product beyond the doubles is refused too.
    file.Load("1e300\n");
    EXPECT_FALSE(file.ReadDouble(d, 1e10));
}

TEST(MotionTextFileTest, NumbersReadAndPrintedDoNotDependOnTheLocale) {
    CommaLocale comma;
    ScratchFolder folder;
    const std::string path = folder.Join("out.txt");
    {
        TextFile file;
        ASSERT_FALSE(file.Open(path.c_str(), "w"));
        file.Print(0, "%g\n", 1.5);
        EXPECT_FALSE(file.Close());
    }
    EXPECT_EQ(ScratchFolder::ReadFile(path), "1.5\n");
    TextFile file;
    file.Load("2.5 1.5\n");
    double values[3];
    double d = 0.0;
    ASSERT_TRUE(file.ReadDouble(d, 1.0));
    EXPECT_EQ(d, 2.5);
    file.Load("1.5 2.5 -3.25\n");
    ASSERT_TRUE(file.ReadVector(values, 2.0));
    EXPECT_EQ(values[2], -6.5);
}

TEST(MotionTextFileTest, InfinityWordsStandForHugeValuesOnlyAsTheRestOfTheLine) {
    TextFile file;
    double d = 0.0;
    file.Load("inf\n");
    ASSERT_TRUE(file.ReadDouble(d, 2.0));
    EXPECT_EQ(d, HUGE_VAL);
    file.Load("-inf\n");
    ASSERT_TRUE(file.ReadDouble(d, 2.0));
    EXPECT_EQ(d, -HUGE_VAL);
    file.Load("inf 3\n");
    EXPECT_FALSE(file.ReadDouble(d, 1.0));

    TextFile asf(kAsfDelimiters);
    double pair[2];
    asf.Load("(-inf inf)\n");
    ASSERT_TRUE(asf.ReadDoublePair(pair, 1.0));
    EXPECT_EQ(pair[0], -HUGE_VAL);
    EXPECT_EQ(pair[1], HUGE_VAL);
    asf.Load("-INF 2.5\n");
    ASSERT_TRUE(asf.ReadDoublePair(pair, 2.0));
    EXPECT_EQ(pair[0], -HUGE_VAL);
    EXPECT_EQ(pair[1], 5.0);
    asf.Load("(1 2)\n");
    ASSERT_TRUE(asf.ReadDoublePair(pair, 2.0));
    EXPECT_EQ(pair[0], 2.0);
    EXPECT_EQ(pair[1], 4.0);

    TextFile loose(kBlanks, "", false);
    loose.Load("INF\n");
    ASSERT_TRUE(loose.ReadDouble(d, 1.0));
    EXPECT_EQ(d, HUGE_VAL);
    file.Load("INF\n");
    EXPECT_FALSE(file.ReadDouble(d, 1.0));
}

// A row of numbers reads as ReadDouble reads one number after another until one fails or is
// not finite: the same count, values and cursor, malformed numbers included.
TEST(MotionTextFileTest, RowsOfNumbersReadAsOneNumberAfterAnother) {
    struct Row {
        const char* text;
        int count;  // how many of the row's numbers are read
    };
    for (const Row& row : {Row{"1 +2 -3.5e2 .5 5. 1E3 -0 7", 8}, Row{"1\t2\r", 2}, Row{"1 2 inf", 2}, Row{"1 -inf", 1},
                           Row{"1 nan 2", 1}, Row{"1 1e999 2", 1}, Row{"1 1e-999 2", 1}, Row{"1 0x10 2", 2},
                           Row{"1.5.25 2", 3}, Row{"1,5 2", 1}, Row{"--1", 0}, Row{"+-1 2", 0}, Row{"++1", 0},
                           Row{"+ 1", 0}, Row{"- 1", 0}, Row{"e5 1", 0}, Row{"1 \v2 \f3", 3}, Row{"12abc 3", 1},
                           Row{"", 0}, Row{"4 5", 2}}) {
        SCOPED_TRACE(row.text);
        TextFile rows;
        TextFile singles;
        rows.Load(std::string("0 ") + row.text + "\n");
        singles.Load(std::string("0 ") + row.text + "\n");
        double expected[10] = {};
        int count = 0;
        // An infinity word is read, then refused: the row stops in front of it.
        const char* stop = singles.GetCursor();
        while (count < 10 && singles.ReadDouble(expected[count], 1.0) && std::isfinite(expected[count])) {
            ++count;
            stop = singles.GetCursor();
        }
        double values[10] = {};
        EXPECT_EQ(rows.ReadFiniteDoubles(values, 10), count);
        EXPECT_EQ(count, row.count + 1);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(values[i], expected[i]) << i;
        }
        EXPECT_STREQ(rows.GetCursor(), stop);
    }

    // No more than asked for; a byte 0 ends the line's numbers.
    TextFile file;
    double values[3] = {9, 9, 9};
    file.Load("1 2 3\n");
    EXPECT_EQ(file.ReadFiniteDoubles(values, 2), 2);
    EXPECT_EQ(values[2], 9.0);
    EXPECT_STREQ(file.GetCursor(), "3");
    file.Load(std::string("1 2\0 3\n", 8));
    EXPECT_EQ(file.ReadFiniteDoubles(values, 3), 2);

    // Another skip set takes effect at once.
    file.Load("1, 2,,3\n");
    EXPECT_EQ(file.ReadFiniteDoubles(values, 3), 1);
    EXPECT_STREQ(file.SetSkipDelimiters(", "), kBlanks);
    file.Load("1, 2,,3\n");
    EXPECT_EQ(file.ReadFiniteDoubles(values, 3), 3);
    EXPECT_EQ(values[2], 3.0);
}

TEST(MotionTextFileTest, VectorsNeedAllThreeNumbers) {
    TextFile file;
    double values[3] = {9, 9, 9};
    file.Load("1 2\n");
    EXPECT_FALSE(file.ReadVector(values, 1.0));
    EXPECT_EQ(values[0], 9.0);
    EXPECT_STREQ(file.GetCursor(), "1 2");
}

std::string g_report;
void Keep(const char* text) { g_report = text; }

TEST(MotionTextFileTest, ReportsCarryFormatNameAndLineAndTheLastErrorIsKept) {
    TextFile file;
    file.SetErrorSink(&Keep);
    file.Load("\n\n\n\n\n\n\n\n\n\n\nx\n");
    EXPECT_EQ(file.GetLineNumber(), 12);
    file.Error("Can't read %s", "frame");
    EXPECT_EQ(g_report, "HTR read error (line 12): Can't read frame");
    EXPECT_EQ(file.GetLastErrorText(), "line 12: Can't read frame");
    g_report.clear();
    file.Warning("ignored");
    EXPECT_TRUE(g_report.empty());  // no warning sink

    RMotionTextFile silent("HTR", kBlanks, "", true, false);
    silent.SetErrorSink(&Keep);
    silent.Error("quiet");
    EXPECT_TRUE(g_report.empty());
    EXPECT_EQ(silent.GetLastErrorText(), "line 0: quiet");
}

TEST(MotionTextFileTest, OpeningFailsForAMissingFileAndRewindStartsAgain) {
    ScratchFolder folder;
    TextFile file;
    EXPECT_TRUE(file.Open(folder.Join("missing.txt").c_str(), "r"));
    EXPECT_TRUE(file.IsAtEnd());
    EXPECT_TRUE(file.Close());

    const std::string path = folder.WriteFile("a.txt", "one\n\ntwo\n");
    ASSERT_FALSE(file.Open(path.c_str(), "r"));
    ASSERT_TRUE(file.NextLine());
    EXPECT_STREQ(file.GetLine(), "two");
    ASSERT_TRUE(file.Rewind());
    EXPECT_STREQ(file.GetLine(), "one");
    EXPECT_EQ(file.GetLineNumber(), 1);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(file.GetLineNumber(), 0);
}

TEST(MotionTextFileTest, PrintedTextIndentsAndLandsOnlyWhenClosed) {
    ScratchFolder folder;
    const std::string path = folder.WriteFile("out.txt", "old");
    {
        TextFile file;
        ASSERT_FALSE(file.Open(path.c_str(), "w"));
        EXPECT_EQ(file.Print(2, "%s %g\n", "OFFSET", 1.5), 11);
        EXPECT_EQ(ScratchFolder::ReadFile(path), "old");
        file.Abandon();
    }
    EXPECT_EQ(ScratchFolder::ReadFile(path), "old");
    {
        TextFile file;
        ASSERT_FALSE(file.Open(path.c_str(), "w"));
        file.Print(1, "%s %g\n", "OFFSET", 1.5);
        file.Print(0, "%s\n", std::string(5000, 'z').c_str());
        EXPECT_FALSE(file.Close());
    }
    EXPECT_EQ(ScratchFolder::ReadFile(path), "  OFFSET 1.5\n" + std::string(5000, 'z') + "\n");
    TextFile reader;
    EXPECT_EQ(reader.Print(0, "x"), -1);
}

TEST(MotionTextFileTest, AFailedWriteIsAFailureAndLeavesTheFileAsItWas) {
    ScratchFolder folder;
    const std::string path = folder.WriteFile("out.bvh", "old");
    TextFile file;
    ASSERT_FALSE(file.Open(path.c_str(), "w"));
    {
        FileSizeLimit limit(16);
        file.Print(0, "%s\n", std::string(200000, 'x').c_str());
        EXPECT_FALSE(file.Flush());
    }
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ScratchFolder::ReadFile(path), "old");
}

}  // namespace
