#include "core/RIniFile.h"

#include "core/FilePaths.h"
#include "core/RRegistryKey.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Points the settings folder at a scratch folder for the length of a test.
class RIniFileTest : public ::testing::Test {
protected:
    RIniFileTest() : previous_(GetTempPath()) { SetTempPath(scratch_.Path().c_str()); }
    ~RIniFileTest() override { SetTempPath(previous_.c_str()); }

    std::string Write(const std::string& name, const std::string& text) { return scratch_.WriteFile(name, text); }
    std::string Read(const std::string& name) const { return ScratchFolder::ReadFile(scratch_.Join(name)); }

    ScratchFolder scratch_;
    std::string previous_;
};

const char kSample[] =
    "; settings\n"
    "[NumericField]\n"
    "Decimals = 5\n"
    "Decimal = 3 ; display precision\n"
    "\n"
    "[NumericFieldExtra]\n"
    "Decimal=9\n"
    "[Paths]\r\n"
    "  Media =  ==C:\\media  \r\n"
    "no equals sign here\n"
    "Empty =\n";

}  // namespace

TEST_F(RIniFileTest, PathsComeFromTheSettingsFolderAndTheMachineName) {
    RIniFile plain("Application.txt", false);
    EXPECT_EQ(std::string(plain.GetPath().Buffer()), scratch_.Join("Application.txt"));
    RIniFile perMachine("@Application.txt", false);
    char machine[256];
    GetMachineName(machine, sizeof(machine));
    EXPECT_EQ(std::string(perMachine.GetPath().Buffer()), scratch_.Join(std::string(machine) + ".Application.txt"));

    SetTempPath("");
    RIniFile unset("x.ini", false);
    EXPECT_STREQ(unset.GetPath().Buffer(), "/x.ini");
}

TEST_F(RIniFileTest, CachedReadsMatchWholeNamesWithoutRegardToCase) {
    Write("a.ini", kSample);
    RIniFile ini("a.ini", true);
    EXPECT_STREQ(ini.GetValue("numericfield", "DECIMAL", "2"), "3");
    EXPECT_STREQ(ini.GetValue("NumericField", "Decimals", nullptr), "5");
    EXPECT_STREQ(ini.GetValue("NumericFieldExtra", "Decimal", nullptr), "9");
    EXPECT_STREQ(ini.GetValue("Paths", "Media", nullptr), "C:\\media");
    EXPECT_STREQ(ini.GetValue("Paths", "Empty", "d"), "");
    EXPECT_STREQ(ini.GetValue("Paths", "no equals sign here", "skipped"), "skipped");
    EXPECT_EQ(ini.GetValue("Numeric", "Decimal", nullptr), nullptr);
    EXPECT_FALSE(ini.IsModified());
}

TEST_F(RIniFileTest, UncachedReadsMatchByPrefix) {
    Write("a.ini", kSample);
    RIniFile ini("a.ini", false);
    // "Decimals" begins with "Decimal" and comes first.
    EXPECT_STREQ(ini.GetValue("NumericField", "decimal", "2"), "s = 5");
    // "[NumericField]" begins with "Numeric".
    EXPECT_STREQ(ini.GetValue("Numeric", "Decimals", nullptr), "5");
    EXPECT_STREQ(ini.GetValue("Paths", "Media", nullptr), "C:\\media");
    EXPECT_STREQ(ini.GetValue("Paths", "Missing", "fallback"), "fallback");
    EXPECT_EQ(ini.GetValue("Nowhere", "Decimal", nullptr), nullptr);

    RIniFile missing("missing.ini", false);
    EXPECT_STREQ(missing.GetValue("S", "K", "d"), "d");
    EXPECT_EQ(missing.GetValue("S", "K", nullptr), nullptr);
}

TEST_F(RIniFileTest, SavedFilesHaveTheExactFormatAndLoadBack) {
    {
        RIniFile ini("new.ini", true);
        EXPECT_TRUE(ini.SetValue("Zeta", "b", "2"));
        EXPECT_TRUE(ini.SetValue("Alpha", "key", "value with spaces"));
        EXPECT_TRUE(ini.SetValue("Zeta", "a", "1"));
        EXPECT_TRUE(ini.SetValue("zeta", "A", "one"));  // same section and key
        EXPECT_TRUE(ini.IsModified());
    }  // saved on destruction
    EXPECT_EQ(Read("new.ini"), "[Alpha]\nkey = value with spaces\n\n[Zeta]\na = one\nb = 2\n");

    RIniFile again("new.ini", true);
    EXPECT_STREQ(again.GetValue("Zeta", "a", nullptr), "one");
    EXPECT_STREQ(again.GetValue("Alpha", "key", nullptr), "value with spaces");
    EXPECT_TRUE(again.Save());
    EXPECT_EQ(Read("new.ini"), "[Alpha]\nkey = value with spaces\n\n[Zeta]\na = one\nb = 2\n");
}

TEST_F(RIniFileTest, SavingReplacesTheFileWithoutASharedBackup) {
    Write("a.ini", kSample);
    Write("b.ini", "[S]\nk = 1\n");
    RIniFile first("a.ini", true);
    RIniFile second("b.ini", true);
    ASSERT_TRUE(first.SetValue("Paths", "Media", "D:\\other"));
    ASSERT_TRUE(second.SetValue("S", "k", "2"));
    EXPECT_TRUE(first.Save());
    EXPECT_TRUE(second.Save());
    EXPECT_FALSE(first.IsModified());
    EXPECT_EQ(Read("b.ini"), "[S]\nk = 2\n");
    EXPECT_NE(Read("a.ini").find("Media = D:\\other\n"), std::string::npos);
    // Nothing is left beside the files: no backup, no temporary file.
    EXPECT_FALSE(platform::PathExists(scratch_.Join("backupfile.ini").c_str()));
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST_F(RIniFileTest, SetValueRefusesWhatCouldNotBeReadBack) {
    RIniFile ini("x.ini", true);
    EXPECT_FALSE(ini.SetValue("S", "k", "a;b"));
    EXPECT_FALSE(ini.SetValue("S", "k", "line\nbreak"));
    EXPECT_FALSE(ini.SetValue("S", "k", " padded"));
    EXPECT_FALSE(ini.SetValue("S", "k", "=starts"));
    EXPECT_FALSE(ini.SetValue("S", "k=v", "x"));
    EXPECT_FALSE(ini.SetValue("S", "[k", "x"));
    EXPECT_FALSE(ini.SetValue("S]", "k", "x"));
    EXPECT_FALSE(ini.SetValue("", "k", "x"));
    EXPECT_FALSE(ini.SetValue("S", nullptr, "x"));
    EXPECT_FALSE(ini.IsModified());
    EXPECT_TRUE(ini.SetValue("S", "k", "a=b"));

    RIniFile uncached("x.ini", false);
    EXPECT_FALSE(uncached.SetValue("S", "k", "v"));
    EXPECT_FALSE(uncached.Save());
}

TEST_F(RIniFileTest, SaveFailsWhenTheFolderIsMissing) {
    SetTempPath(scratch_.Join("missing").c_str());
    RIniFile ini("x.ini", true);
    ASSERT_TRUE(ini.SetValue("S", "k", "v"));
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(ini.IsModified());
}

namespace {

// A file in which the asked entry can be read more than one way, and the value both readings
// must answer: the first entry that matches, as if a repeated section were one.
struct RepeatedEntry {
    const char* name;
    const char* text;
    const char* expected;
};

const RepeatedEntry kRepeatedEntries[] = {
    {"KeyTwice", "[S]\nk = first\nk = second\n", "first"},
    {"KeyTwiceInOtherCase", "[S]\nK = first\nk = second\n", "first"},
    {"KeyTwiceOtherBlanks", "[S]\n  k=first\nk   =   second\n", "first"},
    {"EmptyFirstValue", "[S]\nk =\nk = second\n", ""},
    {"SectionTwice", "[S]\nk = first\n[T]\nk = t\n[S]\nk = second\n", "first"},
    {"SectionTwiceInOtherCase", "[s]\nk = first\n[S]\nk = second\n", "first"},
    {"KeyOnlyInTheRepeat", "[S]\na = 1\n[S]\nk = second\n", "second"},
    {"BlanksInTheSectionLine", "[ S ]\nk = first\n", "first"},
    {"LineWithoutEqualsFirst", "[S]\nk\nk = second\n", "second"},
    {"CommentedOutFirst", "[S]\n; k = first\nk = second ; note\n", "second"},
};

class RIniFileRepeats : public RIniFileTest, public ::testing::WithParamInterface<RepeatedEntry> {};

void PrintTo(const RepeatedEntry& entry, std::ostream* os) { *os << entry.name; }

}  // namespace

TEST_P(RIniFileRepeats, CachedAndUncachedReadsAgree) {
    Write("r.ini", GetParam().text);
    RIniFile cached("r.ini", true);
    RIniFile uncached("r.ini", false);
    EXPECT_STREQ(cached.GetValue("S", "k", "default"), GetParam().expected);
    EXPECT_STREQ(uncached.GetValue("S", "k", "default"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Files, RIniFileRepeats, ::testing::ValuesIn(kRepeatedEntries),
                         [](const auto& info) { return std::string(info.param.name); });
