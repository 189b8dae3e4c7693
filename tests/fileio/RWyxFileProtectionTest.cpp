// Passwords and the encrypted form.

#include "fileio/RWyxFile.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

class ProtectionTest : public ::testing::Test {
protected:
    void WriteProtected(WyxForm form, const char* password) {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, form));
        file.FieldWriteBegin("Secret");
        file.FieldWriteString("plain words nobody should grep");
        file.FieldWriteEnd();
        EXPECT_TRUE(file.SetPassword(password));
        ASSERT_TRUE(file.ProjectCreateExtensionSection(true));
        file.FieldWriteBegin("Summary");
        file.FieldWriteInt(1);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }

    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("protected.wyx");
};

TEST_F(ProtectionTest, RightWrongAndMissingPasswords) {
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kEncrypted}) {
        SCOPED_TRACE(FormName(form));
        WriteProtected(form, "open sesame");
        const std::string bytes = ScratchFolder::ReadFile(path_);
        EXPECT_EQ(std::string::npos, bytes.find("open sesame"));  // never stored as such

        RWyxFile file;
        EXPECT_FALSE(file.Open(path_.c_str()));
        EXPECT_EQ(RWyxFile::kErrorPasswordRequired, file.GetLastErrorID());
        EXPECT_STREQ("Password required", file.GetLastErrorString());
        EXPECT_FALSE(file.IsOpen());
        // Nothing of the refused file is kept.
        EXPECT_FALSE(file.IsBinary());
        EXPECT_FALSE(file.IsEncrypted());
        EXPECT_EQ(0, file.GetFileVersion());
        EXPECT_EQ(0, file.GetSectionVersion(RWyxFile::kMainSection));
        EXPECT_FALSE(file.Open(path_.c_str(), "open sesamE"));
        EXPECT_EQ(RWyxFile::kErrorWrongPassword, file.GetLastErrorID());
        EXPECT_STREQ("Wrong password", file.GetLastErrorString());
        ASSERT_TRUE(file.Open(path_.c_str(), "open sesame"));
        EXPECT_TRUE(file.IsPasswordProtected());
        EXPECT_EQ(RString("plain words nobody should grep"), file.FieldReadStringByName("Secret", ""));
        ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kExtensionSection));
        EXPECT_EQ(1, file.FieldReadIntByName("Summary", 0));
        EXPECT_TRUE(file.Close());
    }
}

TEST_F(ProtectionTest, OnlyTheMainSectionTakesAPassword) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kBinary));
        ASSERT_TRUE(file.ProjectCreateExtensionSection(true));
        EXPECT_FALSE(file.SetPassword("late"));  // refused, nothing changes
        file.FieldWriteBegin("Summary");
        file.FieldWriteInt(1);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxFile file;
    ASSERT_TRUE(file.Open(path_.c_str())) << file.GetLastErrorString();
    EXPECT_FALSE(file.IsPasswordProtected());
    ASSERT_TRUE(file.Close());

    // A password flag on the extension section, whatever made it, makes the file corrupt.
    std::string bytes = ScratchFolder::ReadFile(path_);
    const std::size_t extension = bytes.rfind("SECT");
    ASSERT_NE(std::string::npos, extension);
    bytes[extension + 12] = 2;  // the section's flags
    scratch_.WriteFile("flagged.wyx", bytes);
    for (const char* password : {static_cast<const char*>(nullptr), "late"}) {
        EXPECT_FALSE(file.Open(scratch_.Join("flagged.wyx").c_str(), password));
        EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    }
}

TEST_F(ProtectionTest, EncryptedFormHidesTheMainSectionOnly) {
    WriteProtected(WyxForm::kEncrypted, "pw");
    const std::string encrypted = ScratchFolder::ReadFile(path_);
    EXPECT_EQ(std::string::npos, encrypted.find("plain words"));
    EXPECT_EQ(std::string::npos, encrypted.find("Secret"));
    EXPECT_NE(std::string::npos, encrypted.find("Summary"));  // the extension section stays plain
    WriteProtected(WyxForm::kBinary, "pw");
    EXPECT_NE(std::string::npos, ScratchFolder::ReadFile(path_).find("plain words"));

    // Two encrypted files of the same content differ (each has its own nonce).
    WriteProtected(WyxForm::kEncrypted, "pw");
    const std::string second = ScratchFolder::ReadFile(path_);
    ASSERT_EQ(encrypted.size(), second.size());
    EXPECT_NE(encrypted, second);
}

TEST_F(ProtectionTest, PatchesOfFlushedBytesAreEncryptedToo) {
    // A field larger than the write buffer has its header patched on disk after the bytes
    // left the buffer; the reader must still see the right lengths.
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kEncrypted));
        file.FieldWriteBegin("Big");
        for (int i = 0; i < 300000; ++i) {
            file.FieldWriteDouble(i * 0.5);
        }
        file.FieldWriteEnd();
        file.FieldWriteBegin("After");
        file.FieldWriteInt(42);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(file.Open(path_.c_str()));
    ASSERT_TRUE(file.FieldReadBegin("Big"));
    ASSERT_EQ(300000, file.FieldReadValuesLeft());
    for (int i = 0; i < 300000; ++i) {
        ASSERT_EQ(i * 0.5, file.FieldReadDouble());
    }
    EXPECT_EQ(42, file.FieldReadIntByName("After", 0));
    EXPECT_TRUE(file.Close());
}

}  // namespace
