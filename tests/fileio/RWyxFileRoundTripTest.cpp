// Writing and reading back every value type, block shape and section in each form.

#include "fileio/RWyxFile.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string_view>

namespace {

class RoundTripTest : public ::testing::TestWithParam<WyxForm> {
protected:
    bool Create(RWyxFile& file, int version = 6000) { return CreateInForm(file, path_, GetParam(), version); }
    bool Open(RWyxFile& file) { return file.Open(path_.c_str()); }
    bool IsAscii() const { return GetParam() == WyxForm::kAscii; }

    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("scene.wyx");
};

TEST_P(RoundTripTest, EveryValueTypeComesBack) {
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        file.FieldWriteBegin("Val;ues");  // ';' starts a comment only at the start of a line
        file.FieldWriteDouble(0.1);
        file.FieldWriteDouble(-1.25e300);
        file.FieldWriteDouble(std::numeric_limits<double>::infinity());
        file.FieldWriteFloat(0.3f);
        file.FieldWriteInt(std::numeric_limits<std::int32_t>::min());
        file.FieldWriteLong(std::numeric_limits<std::int64_t>::max());
        file.FieldWriteChar('s');
        file.FieldWriteChar(',');
        file.FieldWriteChar('"');
        file.FieldWriteChar(' ');
        file.FieldWriteString("a \"quoted\" \\ text, {with} ; : marks\nover two lines");
        file.FieldWriteString("");
        file.FieldWriteString(RString("zero\0byte", 9));
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file)) << file.GetLastErrorString();
    EXPECT_EQ(IsAscii(), !file.IsBinary());
    EXPECT_EQ(GetParam() == WyxForm::kEncrypted, file.IsEncrypted());
    ASSERT_TRUE(file.FieldReadBegin("Val;ues"));
    EXPECT_EQ(13, file.FieldReadValuesLeft());
    EXPECT_EQ('D', file.FieldReadValueType());
    EXPECT_EQ(0.1, file.FieldReadDouble());
    EXPECT_EQ(-1.25e300, file.FieldReadDouble());
    EXPECT_TRUE(std::isinf(file.FieldReadDouble()));
    EXPECT_EQ(IsAscii() ? 'D' : 'F', file.FieldReadValueType());
    EXPECT_EQ(0.3f, static_cast<float>(file.FieldReadDouble()));
    EXPECT_EQ('I', file.FieldReadValueType());
    EXPECT_EQ(std::numeric_limits<std::int32_t>::min(), file.FieldReadInt());
    EXPECT_EQ('L', file.FieldReadValueType());
    EXPECT_EQ(std::numeric_limits<std::int64_t>::max(), file.FieldReadLong());
    EXPECT_EQ('C', file.FieldReadValueType());
    EXPECT_EQ('s', file.FieldReadChar());
    EXPECT_EQ(',', file.FieldReadChar());
    EXPECT_EQ('"', file.FieldReadChar());
    EXPECT_EQ(' ', file.FieldReadChar());  // quoted in the ASCII form, or it would be lost
    EXPECT_EQ('S', file.FieldReadValueType());
    EXPECT_EQ(RString("a \"quoted\" \\ text, {with} ; : marks\nover two lines"), file.FieldReadString());
    EXPECT_EQ(RString(""), file.FieldReadString());
    const RString zero = file.FieldReadString();
    EXPECT_EQ(9, zero.GetLength());
    EXPECT_EQ(0, file.FieldReadValuesLeft());
    EXPECT_EQ(0, file.FieldReadValueType());
    EXPECT_EQ(0.0, file.FieldReadDouble());
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(-1, file.GetLastErrorID());
}

TEST_P(RoundTripTest, TheLargestDoublesComeBackAsNumbers) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kSmallest = std::numeric_limits<double>::denorm_min();
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        file.FieldWriteBegin("Far");
        file.FieldWriteDouble(kMax);  // "%.15g" makes a text above the largest double
        file.FieldWriteDouble(-kMax);
        file.FieldWriteDouble(kSmallest);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    ASSERT_TRUE(file.FieldReadBegin("Far"));
    EXPECT_EQ('D', file.FieldReadValueType());
    EXPECT_EQ(kMax, file.FieldReadDouble());
    EXPECT_EQ('D', file.FieldReadValueType());
    EXPECT_EQ(-kMax, file.FieldReadDouble());
    EXPECT_EQ(kSmallest, file.FieldReadDouble());
    EXPECT_EQ(-1, file.GetLastErrorID());
}

TEST_P(RoundTripTest, NumbersConvertBetweenKinds) {
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        file.FieldWriteBegin("Mixed");
        file.FieldWriteDouble(-2.75);
        file.FieldWriteInt(7);
        file.FieldWriteDouble(1e30);
        file.FieldWriteString("12");
        file.FieldWriteLong(-5);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    ASSERT_TRUE(file.FieldReadBegin("Mixed"));
    EXPECT_EQ(-2, file.FieldReadInt());      // truncated toward zero
    EXPECT_EQ(7.0, file.FieldReadDouble());
    EXPECT_EQ(std::numeric_limits<std::int32_t>::max(), file.FieldReadInt());  // saturated
    EXPECT_EQ(12, file.FieldReadInt());
    EXPECT_EQ(RString("-5"), file.FieldReadString());
    EXPECT_TRUE(file.Close());
}

TEST_P(RoundTripTest, StringViewsReadEveryValueInPlace) {
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        file.FieldWriteBegin("Views");
        file.FieldWriteString(RString("zero\0byte", 9));
        file.FieldWriteDouble(2.5);
        file.FieldWriteInt(-7);
        file.FieldWriteChar('q');
        file.FieldWriteString("tail");
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    ASSERT_TRUE(file.FieldReadBegin("Views"));
    EXPECT_EQ(std::string_view("zero\0byte", 9), file.FieldReadStringView());
    EXPECT_EQ("2.5", file.FieldReadStringView());
    EXPECT_EQ("-7", file.FieldReadStringView());
    EXPECT_EQ("q", file.FieldReadStringView());
    EXPECT_EQ('S', file.FieldReadValueType());
    EXPECT_EQ("tail", file.FieldReadStringView());
    EXPECT_TRUE(file.FieldReadStringView().empty());  // past the last value
    EXPECT_EQ(0, file.FieldReadValuesLeft());
    EXPECT_TRUE(file.Close());
}

TEST_P(RoundTripTest, RepeatedNamesReadInAnyOrderAndBlocksNest) {
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        for (int i = 0; i < 5; ++i) {
            file.FieldWriteBegin(i % 2 == 0 ? "Model" : "Other");
            file.FieldWriteInt(i);
            if (i == 2) {
                file.FieldWriteBlockBegin();
                file.FieldWriteBegin("Inner");
                file.FieldWriteBlockBegin();
                file.FieldWriteBegin("Deep");
                file.FieldWriteString("bottom");
                file.FieldWriteEnd();
                file.FieldWriteBlockEnd();
                file.FieldWriteEnd();
                file.FieldWriteBegin("Empty");
                file.FieldWriteBlockBegin();
                file.FieldWriteBlockEnd();
                file.FieldWriteEnd();
                file.FieldWriteBegin("NoBlock");
                file.FieldWriteEnd();
                file.FieldWriteBlockEnd();
            }
            file.FieldWriteEnd();
        }
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(5, file.FieldGetCount());
    EXPECT_EQ(RString("Other"), file.FieldGetName(1));
    // A later "Model" first, then the earlier ones, each once.
    ASSERT_TRUE(file.FieldReadBeginAt(4));
    EXPECT_EQ(4, file.FieldReadInt());
    ASSERT_TRUE(file.FieldReadBegin("Model"));
    EXPECT_EQ(0, file.FieldReadInt());
    ASSERT_TRUE(file.FieldReadBegin("Other"));
    EXPECT_EQ(1, file.FieldReadInt());
    ASSERT_TRUE(file.FieldReadBegin("Model"));
    EXPECT_EQ(2, file.FieldReadInt());
    ASSERT_TRUE(file.FieldReadBlockBegin());
    ASSERT_TRUE(file.FieldReadBegin("Inner"));
    ASSERT_TRUE(file.FieldReadBlockBegin());
    EXPECT_EQ(RString("bottom"), file.FieldReadStringByName("Deep", "none"));
    file.FieldReadBlockEnd();
    ASSERT_TRUE(file.FieldReadBegin("Empty"));
    ASSERT_TRUE(file.FieldReadBlockBegin());
    EXPECT_EQ(0, file.FieldGetCount());
    file.FieldReadBlockEnd();
    ASSERT_TRUE(file.FieldReadBegin("NoBlock"));
    EXPECT_FALSE(file.FieldReadBlockBegin());
    file.FieldReadBlockEnd();  // back at the "Model" with the block
    EXPECT_EQ(RString("Model"), file.FieldGetCurrentName());
    EXPECT_FALSE(file.FieldReadBegin("Model"));  // all three taken
    EXPECT_TRUE(file.FieldReadBegin("Other"));
    EXPECT_FALSE(file.FieldReadBegin("Other"));
    // A new visit of the level starts afresh.
    ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kMainSection));
    EXPECT_TRUE(file.FieldReadBegin("Model"));
    EXPECT_EQ(0, file.FieldReadInt());
    EXPECT_TRUE(file.Close());
}

// Fields taken by name in a visit of a block, in any order, are found again in the next visit
// of it, whether the block is left or the whole section opened again.
TEST_P(RoundTripTest, ABlockVisitedAgainFindsEveryFieldAgain) {
    RWyxFile written;
    ASSERT_TRUE(Create(written));
    written.FieldWriteBegin("Outer");
    written.FieldWriteBlockBegin();
    int value = 0;
    for (const char* name : {"A", "B", "A", "C"}) {
        written.FieldWriteBegin(name);
        written.FieldWriteInt(value++);
        written.FieldWriteEnd();
    }
    written.FieldWriteBlockEnd();
    written.FieldWriteEnd();
    ASSERT_TRUE(written.Close()) << written.GetLastErrorString();

    RWyxFile file;
    ASSERT_TRUE(Open(file));
    for (int visit = 0; visit < 4; ++visit) {
        ASSERT_TRUE(file.FieldReadBegin("Outer")) << visit;
        ASSERT_TRUE(file.FieldReadBlockBegin());
        // The last field first, then the second "A" before the first is passed.
        EXPECT_EQ(3, file.FieldReadIntByName("C", -1)) << visit;
        ASSERT_TRUE(file.FieldReadBeginAt(2));
        EXPECT_EQ(0, file.FieldReadIntByName("A", -1)) << visit;
        EXPECT_EQ(1, file.FieldReadIntByName("B", -1)) << visit;
        EXPECT_EQ(-1, file.FieldReadIntByName("A", -1)) << visit;
        if (visit == 1) {
            // Opened again from within the block.
            ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kMainSection));
            continue;
        }
        file.FieldReadBlockEnd();
        file.FieldReadEnd();
        // The outer field itself taken: the next visit of its level needs a new start.
        EXPECT_FALSE(file.FieldReadBegin("Outer"));
        ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kMainSection));
    }
}

TEST_P(RoundTripTest, ByNameReadersTakeDefaultsForMissingOrEmptyFields) {
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        file.FieldWriteBegin("KeyVer");
        file.FieldWriteInt(4004);
        file.FieldWriteEnd();
        file.FieldWriteBegin("Type");
        file.FieldWriteChar('R');
        file.FieldWriteEnd();
        file.FieldWriteBegin("Bare");
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(4004, file.FieldReadIntByName("KeyVer", 0));
    EXPECT_EQ(0, file.FieldReadIntByName("KeyCount", 0));
    EXPECT_EQ('R', file.FieldReadCharByName("Type", '0'));
    EXPECT_EQ('0', file.FieldReadCharByName("Missing", '0'));
    EXPECT_EQ(RString("dflt"), file.FieldReadStringByName("Bare", "dflt"));
    EXPECT_EQ('S', file.FieldReadValueType());  // no field is current
    EXPECT_TRUE(file.Close());
}

TEST_P(RoundTripTest, TimesAreSecondsBeforeVersion2001AndTicksFrom) {
    const RTime start(RTime::kTicksPerSecond * 5 / 2);
    for (const int version : {1000, 2001}) {
        const RTime stop(version < 2001 ? -4 * RTime::kTicksPerSecond : -7);
        {
            RWyxFile file;
            ASSERT_TRUE(Create(file, version));
            file.FieldWriteBegin("LocalTime");
            file.FieldWriteTimeSpan(start, stop);
            file.FieldWriteInt(5);  // a whole number: seconds before 2001 in every form
            file.FieldWriteEnd();
            ASSERT_TRUE(file.Close());
        }
        RWyxFile file;
        ASSERT_TRUE(Open(file));
        EXPECT_EQ(version, file.GetFileVersion());
        ASSERT_TRUE(file.FieldReadBegin("LocalTime"));
        EXPECT_EQ(version < 2001 ? 'D' : 'L', file.FieldReadValueType());
        EXPECT_EQ(start, file.FieldReadTime());
        EXPECT_EQ(stop, file.FieldReadTime());
        EXPECT_EQ(version < 2001 ? RTime(5 * RTime::kTicksPerSecond) : RTime(5), file.FieldReadTime());
    }
}

TEST_P(RoundTripTest, SectionsKeepTheirVersionsAndTheHeaderInfo) {
    {
        RWyxFile file;
        RWyxFileHeaderInfo info;
        info.fileVersion = 5800;
        info.creationTimeStamp.year = 2024;
        info.creationTimeStamp.millisecond = 999;
        info.creator = "exporter, \"v1\"";
        ASSERT_TRUE(file.Create(path_.c_str(), !IsAscii(), GetParam() == WyxForm::kEncrypted, info));
        file.FieldWriteBegin("Main");
        file.FieldWriteEnd();
        EXPECT_FALSE(file.ProjectCreateExtensionSection(false));  // the main one is open
        EXPECT_TRUE(file.ProjectCloseSection());
        EXPECT_EQ(!IsAscii(), file.ProjectCreateExtensionSection(false));
        if (!IsAscii()) {
            file.FieldWriteBegin("Summary");
            file.FieldWriteInt(101);
            file.FieldWriteEnd();
            EXPECT_FALSE(file.ProjectCreateExtensionSection(true));  // one only
        }
        EXPECT_EQ(-1, file.GetLastErrorID());  // a refusal is not an error
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(2024, file.GetHeaderInfo().creationTimeStamp.year);
    EXPECT_EQ(999, file.GetHeaderInfo().creationTimeStamp.millisecond);
    EXPECT_EQ(RString("exporter, \"v1\""), file.GetHeaderInfo().creator);
    EXPECT_EQ(5800, file.GetSectionVersion(RWyxFile::kMainSection));
    EXPECT_EQ(5800, file.GetCurrentSectionVersion());
    EXPECT_EQ(1, file.FieldGetCount());  // "#Header" stays hidden
    EXPECT_FALSE(file.FieldReadBegin("Summary"));
    if (IsAscii()) {
        EXPECT_FALSE(file.ProjectOpenSection(RWyxFile::kExtensionSection));
        EXPECT_EQ(0, file.GetSectionVersion(RWyxFile::kExtensionSection));
    } else {
        ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kExtensionSection));
        EXPECT_EQ(101, file.FieldReadIntByName("Summary", 0));
        EXPECT_FALSE(file.FieldReadBegin("Main"));
    }
    EXPECT_TRUE(file.Close());
}

TEST_P(RoundTripTest, ManyFieldsOfOneNameStayInOrder) {
    constexpr int kCount = 20000;
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        for (int i = 0; i < kCount; ++i) {
            file.FieldWriteBegin(i % 3 == 0 ? "C" : "P");
            file.FieldWriteInt(i);
            file.FieldWriteEnd();
        }
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    int expected = 1;
    while (file.FieldReadBegin("P")) {
        if (expected % 3 == 0) {
            ++expected;
        }
        ASSERT_EQ(expected++, file.FieldReadInt());
    }
    EXPECT_EQ(kCount, expected);
    int cs = 0;
    while (file.FieldReadBegin("C")) {
        ASSERT_EQ(3 * cs++, file.FieldReadInt());
    }
    EXPECT_EQ((kCount + 2) / 3, cs);
}

TEST_P(RoundTripTest, SampleFileWalksCompletely) {
    {
        RWyxFile file;
        ASSERT_TRUE(Create(file));
        WriteSampleContent(file);
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxFile file;
    ASSERT_TRUE(Open(file));
    EXPECT_EQ(IsAscii() ? 12 : 14, WalkFile(file));
    EXPECT_TRUE(file.Close()) << file.GetLastErrorString();

    // The same bytes from memory read the same; the caller's copy may go at once.
    std::string bytes = ScratchFolder::ReadFile(path_);
    ASSERT_TRUE(file.OpenFromMemory(bytes.data(), bytes.size())) << file.GetLastErrorString();
    bytes.assign(bytes.size(), '\0');
    EXPECT_TRUE(file.GetFileName().IsEmptyText());
    EXPECT_EQ(IsAscii(), !file.IsBinary());
    EXPECT_EQ(6000, file.GetFileVersion());
    EXPECT_EQ(IsAscii() ? 12 : 14, WalkFile(file));
    EXPECT_TRUE(file.Close()) << file.GetLastErrorString();
    EXPECT_FALSE(file.OpenFromMemory(nullptr, 0));
    EXPECT_EQ(RWyxFile::kErrorNotOpened, file.GetLastErrorID());
    EXPECT_FALSE(file.OpenFromMemory(bytes.data(), bytes.size()));  // zeros
    EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    EXPECT_FALSE(file.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Forms, RoundTripTest,
                         ::testing::Values(WyxForm::kBinary, WyxForm::kAscii, WyxForm::kEncrypted),
                         [](const ::testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

}  // namespace

namespace {

// Number texts beyond the doubles, as other writers may make them, saturate with their sign.
TEST(AsciiNumberTest, TextsBeyondTheDoublesSaturate) {
    ScratchFolder scratch;
    const std::string path = scratch.WriteFile(
        "far.wyx", ";WYX ASCII 6000\n"
                   "Far: 1e400,-2.5e999999999999999999999,1e-400,-0.001e-999,12345e-330,0.001e312,1" +
                       std::string(400, '0') + ",5e-400x\n;WYX END\n");
    RWyxFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    ASSERT_TRUE(file.FieldReadBegin("Far"));
    constexpr double kMax = std::numeric_limits<double>::max();
    EXPECT_EQ('D', file.FieldReadValueType());
    EXPECT_EQ(kMax, file.FieldReadDouble());
    EXPECT_EQ(-kMax, file.FieldReadDouble());
    EXPECT_EQ('D', file.FieldReadValueType());
    const double tiny = file.FieldReadDouble();
    EXPECT_EQ(0.0, tiny);
    EXPECT_FALSE(std::signbit(tiny));
    const double negativeTiny = file.FieldReadDouble();
    EXPECT_EQ(0.0, negativeTiny);
    EXPECT_TRUE(std::signbit(negativeTiny));
    EXPECT_EQ(0.0, file.FieldReadDouble());   // 1.2345e-326: below the smallest double
    EXPECT_EQ(kMax, file.FieldReadDouble());  // 1e309
    EXPECT_EQ('D', file.FieldReadValueType());
    EXPECT_EQ(kMax, file.FieldReadDouble());  // 1e400 without an exponent
    EXPECT_EQ('S', file.FieldReadValueType());  // not a number as a whole
    EXPECT_EQ(0.0, file.FieldReadDouble());
}

}  // namespace
