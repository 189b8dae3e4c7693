// Passwords and the encrypted form: what is hidden, what is refused, what damage is found,
// what keys are wiped.

#include "fileio/RWyxFile.h"
#include "tests/fileio/PasswordKeys.h"
#include "tests/fileio/SystemCallCounter.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr std::size_t kMainFlagsAt = 16 + 12;  // file header, then the section's flags
constexpr std::size_t kIterationsAt = 16 + 28;

void StoreU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
}

class ProtectionTest : public ::testing::TestWithParam<WyxForm> {
protected:
    // A protected file whose main section holds more than the write buffer before the
    // password is set, so that bytes already on the disk are encrypted again.
    void WriteProtected(const char* password, int bigValues = 0) {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, GetParam()));
        file.FieldWriteBegin("Big");
        for (int i = 0; i < bigValues; ++i) {
            file.FieldWriteDouble(i * 0.5);
        }
        file.FieldWriteEnd();
        EXPECT_TRUE(file.SetPassword(password));
        EXPECT_FALSE(file.SetPassword("another"));  // the first one counts
        file.FieldWriteBegin("Secret");
        file.FieldWriteString("plain words nobody should grep");
        file.FieldWriteEnd();
        ASSERT_TRUE(file.ProjectCreateExtensionSection(true));
        file.FieldWriteBegin("Summary");
        file.FieldWriteInt(1);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
        bytes_ = ScratchFolder::ReadFile(path_);
    }

    // A file protected by "pw", sealed again with one iteration, so that it opens at once.
    // Written once for each form: the write and the reseal each derive a key with the full
    // count, which takes seconds under the sanitizers.
    void WriteQuickProtected() {
        static std::map<WyxForm, std::string> sealed;
        auto found = sealed.find(GetParam());
        if (found == sealed.end()) {
            WriteProtected("pw");
            ASSERT_FALSE(HasFatalFailure());
            found = sealed.emplace(GetParam(), Resealed(bytes_, "pw", 1)).first;
        }
        bytes_ = found->second;
        scratch_.WriteFile("protected.wyx", bytes_);
    }

    // Opens bytes from memory; answers the error (-1 when it opened, and then it is read).
    int OpenBytes(const std::string& bytes, const char* password) {
        RWyxFile file;
        if (!file.OpenFromMemory(bytes.data(), bytes.size(), password)) {
            EXPECT_FALSE(file.IsOpen());
            EXPECT_EQ(0, file.GetFileVersion());  // nothing of a refused file is kept
            return file.GetLastErrorID();
        }
        WalkFile(file);
        return -1;
    }

    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("protected.wyx");
    std::string bytes_;
};

TEST_P(ProtectionTest, OnlyTheRightPasswordOpensTheFile) {
    WriteProtected("open sesame");
    EXPECT_EQ(std::string::npos, bytes_.find("open sesame"));
    EXPECT_EQ(std::string::npos, bytes_.find("plain words"));  // encrypted in both forms
    EXPECT_NE(std::string::npos, bytes_.find("Summary"));      // the extension section is plain
    {
        RWyxFile file;
        ASSERT_TRUE(file.Open(path_.c_str(), "open sesame")) << file.GetLastErrorString();
    }
    bytes_ = Resealed(bytes_, "open sesame", 1);
    scratch_.WriteFile("protected.wyx", bytes_);
    const struct {
        const char* password;
        int error;
        const char* text;
    } cases[] = {
        {nullptr, RWyxFile::kErrorPasswordRequired, "Password required"},
        {"", RWyxFile::kErrorPasswordRequired, "Password required"},
        {"open sesamE", RWyxFile::kErrorWrongPassword, "Wrong password"},
    };
    for (const auto& c : cases) {
        RWyxFile file;
        EXPECT_FALSE(file.Open(path_.c_str(), c.password));
        EXPECT_EQ(c.error, file.GetLastErrorID());
        EXPECT_STREQ(c.text, file.GetLastErrorString());
        EXPECT_FALSE(file.IsBinary());
        EXPECT_EQ(0, file.GetSectionVersion(RWyxFile::kMainSection));
        EXPECT_EQ(c.error, OpenBytes(bytes_, c.password));
    }
    RWyxFile file;
    ASSERT_TRUE(file.Open(path_.c_str(), "open sesame")) << file.GetLastErrorString();
    EXPECT_TRUE(file.IsPasswordProtected());
    EXPECT_EQ(GetParam() == WyxForm::kEncrypted, file.IsEncrypted());
    EXPECT_EQ(RString("plain words nobody should grep"), file.FieldReadStringByName("Secret", ""));
    ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kExtensionSection));
    EXPECT_EQ(1, file.FieldReadIntByName("Summary", 0));
    EXPECT_TRUE(file.Close());
}

TEST_P(ProtectionTest, BytesWrittenBeforeThePasswordAreEncryptedUnderIt) {
    constexpr int kCount = 300000;  // 2.7 MB, beyond the 1 MiB write buffer
    WriteProtected("pw", kCount);
    RWyxFile file;
    ASSERT_TRUE(file.Open(path_.c_str(), "pw")) << file.GetLastErrorString();
    ASSERT_TRUE(file.FieldReadBegin("Big"));
    ASSERT_EQ(kCount, file.FieldReadValuesLeft());
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(i * 0.5, file.FieldReadDouble());
    }
    EXPECT_EQ(RString("plain words nobody should grep"), file.FieldReadStringByName("Secret", ""));
}

TEST_P(ProtectionTest, NoFlippedBitOfTheMainSectionGoesUnnoticed) {
    WriteQuickProtected();
    // Clearing the password flag (and the encryption flag with it) does not open the file.
    for (const unsigned char cleared : {0x02, 0x03}) {
        std::string bytes = bytes_;
        bytes[kMainFlagsAt] = static_cast<char>(bytes[kMainFlagsAt] & ~cleared);
        EXPECT_EQ(RWyxFile::kErrorCorrupted, OpenBytes(bytes, nullptr)) << int{cleared};
        EXPECT_EQ(RWyxFile::kErrorCorrupted, OpenBytes(bytes, "pw")) << int{cleared};
    }
    // A bit of each part of the file header, the main section's header and its body, with
    // the password: damage to what the password is checked with (iterations, salt, check
    // value) reads as a wrong password, anything else as a damaged file.
    const std::size_t bodyEnd = bytes_.rfind("SECT");
    const std::size_t positions[] = {8, 12, 16 + 8, 16 + 16, 16 + 28, 16 + 32, 16 + 48, 16 + 63, 16 + 64,
                                     16 + 80, 16 + 88, bodyEnd / 2, bodyEnd - 1};
    for (const std::size_t at : positions) {
        std::string bytes = bytes_;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
        const bool checkValue = (at >= 16 + 28 && at < 16 + 48) || (at >= 16 + 64 && at < 16 + 80);
        EXPECT_EQ(checkValue ? RWyxFile::kErrorWrongPassword : RWyxFile::kErrorCorrupted, OpenBytes(bytes, "pw"))
            << "byte " << at;
    }
}

TEST_P(ProtectionTest, NewFilesTakeTheStrongCountAndATagOverTheWholeFile) {
    WriteProtected("pw");
    EXPECT_GE(RWyxFile::kPasswordIterations, 600000u);
    EXPECT_EQ(IterationsOf(bytes_), RWyxFile::kPasswordIterations);
    EXPECT_EQ(bytes_[kMainFlagsAt], 7);  // encrypted, password, whole file (both forms)
    // Keys, check value and tag are what the derivation and the cipher make of them.
    EXPECT_TRUE(Resealed(bytes_, "pw", RWyxFile::kPasswordIterations) == bytes_);
}

// Every byte of a protected file, the plain extension section and the footer too, is
// covered: no flip opens.
TEST_P(ProtectionTest, NoFlippedByteOfAProtectedFileOpens) {
    WriteQuickProtected();
    ASSERT_EQ(-1, OpenBytes(bytes_, "pw"));
    for (std::size_t at = 0; at < bytes_.size(); ++at) {
        for (const unsigned char mask : {0x01, 0x80, 0xff}) {
            std::string bytes = bytes_;
            bytes[at] = static_cast<char>(bytes[at] ^ mask);
            ASSERT_NE(-1, OpenBytes(bytes, "pw")) << "byte " << at << " of " << bytes_.size();
        }
    }
}

TEST_P(ProtectionTest, FilesProtectedTheOldWayStillOpen) {
    WriteQuickProtected();
    // The old count, the tag over the headers only: opens, the extension section uncovered.
    const std::string old = Resealed(bytes_, "pw", 100000, TagCover::kHeaders);
    EXPECT_EQ(old[kMainFlagsAt], 3);
    RWyxFile file;
    ASSERT_TRUE(file.OpenFromMemory(old.data(), old.size(), "pw")) << file.GetLastErrorString();
    EXPECT_EQ(RString("plain words nobody should grep"), file.FieldReadStringByName("Secret", ""));
    ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kExtensionSection));
    EXPECT_EQ(1, file.FieldReadIntByName("Summary", 0));
    // Moving a file between the two covers is found.
    for (const std::string* bytes : {&old, static_cast<const std::string*>(&bytes_)}) {
        std::string moved = *bytes;
        moved[kMainFlagsAt] = static_cast<char>(moved[kMainFlagsAt] ^ 4);
        EXPECT_EQ(RWyxFile::kErrorCorrupted, OpenBytes(moved, "pw"));
    }
}

// The reader's limit on the derivation's work, at the limit and one past it, and a count of
// zero: refused as damage before any key is derived, password or not.
TEST_P(ProtectionTest, HostileIterationCountsAreRefusedBeforeAnyWork) {
    WriteQuickProtected();
    for (const std::uint32_t count : {0u, RWyxFile::kMaxPasswordIterations + 1, 0xffffffffu}) {
        std::string bytes = bytes_;
        StoreU32(bytes, kIterationsAt, count);
        EXPECT_EQ(RWyxFile::kErrorCorrupted, OpenBytes(bytes, "pw")) << count;
        EXPECT_EQ(RWyxFile::kErrorCorrupted, OpenBytes(bytes, nullptr)) << count;
    }
}

TEST(PasswordLimitTest, TheMostWorkAllowedIsDone) {
    ScratchFolder scratch;
    RWyxFile file;
    ASSERT_TRUE(CreateInForm(file, scratch.Join("p.wyx"), WyxForm::kBinary));
    ASSERT_TRUE(file.SetPassword("pw"));
    ASSERT_TRUE(file.Close());
    std::string bytes = ScratchFolder::ReadFile(scratch.Join("p.wyx"));
    // Tried (it takes a while): the key made does not fit.
    StoreU32(bytes, kIterationsAt, RWyxFile::kMaxPasswordIterations);
    EXPECT_FALSE(file.OpenFromMemory(bytes.data(), bytes.size(), "pw"));
    EXPECT_EQ(RWyxFile::kErrorWrongPassword, file.GetLastErrorID());
}

// The key made from a password is wiped after use: the right one's and a wrong one's.
TEST_P(ProtectionTest, KeysAreWipedWhateverThePasswordOpens) {
    WriteQuickProtected();
    const auto* salt = reinterpret_cast<const unsigned char*>(bytes_.data()) + 16 + 32;
    for (const char* password : {"pw", "wrong"}) {
        const PasswordKeys keys = DerivePasswordKeys(password, salt, 1);
        WatchWipesOf(keys.key.data(), keys.key.size());
        EXPECT_EQ(password[0] == 'p' ? -1 : RWyxFile::kErrorWrongPassword, OpenBytes(bytes_, password));
        EXPECT_GE(WipesOfWatched(), 1) << password;
    }
    WatchWipesOf(nullptr, 0);
}

INSTANTIATE_TEST_SUITE_P(Forms, ProtectionTest, ::testing::Values(WyxForm::kBinary, WyxForm::kEncrypted),
                         [](const ::testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

TEST(EncryptedFormTest, TheMainSectionIsHiddenAndEachFileHasItsOwnNonce) {
    ScratchFolder scratch;
    std::string written[2];
    for (std::string& bytes : written) {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, scratch.Join("e.wyx"), WyxForm::kEncrypted));
        WriteSampleContent(file);
        ASSERT_TRUE(file.Close());
        bytes = ScratchFolder::ReadFile(scratch.Join("e.wyx"));
    }
    EXPECT_EQ(std::string::npos, written[0].find("Objects"));
    EXPECT_NE(std::string::npos, written[0].find("Summary"));
    ASSERT_EQ(written[0].size(), written[1].size());
    EXPECT_NE(written[0], written[1]);
    EXPECT_EQ(written[0][kMainFlagsAt], 1);  // no password: the tag covers the headers only
}

TEST(EncryptedFormTest, OnlyTheMainSectionTakesAPassword) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("late.wyx");
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path, WyxForm::kAscii));
        EXPECT_FALSE(file.SetPassword("secret"));  // no password in the ASCII form
        ASSERT_TRUE(file.Close());
        ASSERT_TRUE(CreateInForm(file, path, WyxForm::kBinary));
        EXPECT_FALSE(file.SetPassword(""));
        ASSERT_TRUE(file.ProjectCreateExtensionSection(true));
        EXPECT_FALSE(file.SetPassword("late"));  // refused, nothing changes
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxFile file;
    ASSERT_TRUE(file.Open(path.c_str())) << file.GetLastErrorString();
    EXPECT_FALSE(file.IsPasswordProtected());
    ASSERT_TRUE(file.Close());

    // A password flag, or the whole-file flag, on the extension section, whatever made it,
    // makes the file corrupt; so do they on a main section that has no password.
    const std::string valid = ScratchFolder::ReadFile(path);
    for (const std::size_t at : {valid.rfind("SECT") + 12, kMainFlagsAt}) {
        for (const char flag : {2, 4}) {
            std::string bytes = valid;
            bytes[at] = flag;
            for (const char* password : {static_cast<const char*>(nullptr), "late"}) {
                EXPECT_FALSE(file.OpenFromMemory(bytes.data(), bytes.size(), password)) << at << " " << int{flag};
                EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
            }
        }
    }
}

}  // namespace
