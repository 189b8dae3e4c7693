// Writes that fail while the file is put in place, by every writer of this folder, on both
// roads: by rename (the file has one name) and in place (several hard links, so that every
// name sees the new content). The file keeps its old content under every name and the
// failure is reported.

#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "fileio/RImageBuffer.h"
#include "fileio/RWyxPropertyFile.h"
#include "fileio/TiffImage.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/WriteFaults.h"
#include "tests/support/OwnedPlug.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WyxFileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <iterator>
#include <unistd.h>

namespace {

// Fields enough to pass the point where the faults begin.
void WriteFields(RWyxFile& file) {
    for (int i = 0; i < 2000; ++i) {
        file.FieldWriteBegin("Field");
        file.FieldWriteInt(i);
        file.FieldWriteEnd();
    }
}

// What a writer reports: whether it wrote the file, and the container's error code.
struct Outcome {
    bool written = false;
    int error = -1;
};

Outcome Close(RWyxFile& file) {
    const bool written = file.Close();
    return Outcome{written, file.GetLastErrorID()};
}

using Writer = std::function<Outcome(const std::string&)>;

Outcome WriteContainer(const std::string& path, WyxForm form, const char* password) {
    RWyxFile file;
    if (!CreateInForm(file, path, form)) return Outcome{};
    if (password != nullptr) {
        EXPECT_TRUE(file.SetPassword(password));
    }
    WriteFields(file);
    return Close(file);
}

Outcome WritePropertyFile(const std::string& path) {
    auto handler = Make<RWyxPropertyHandler>();
    auto* property = CreatePlugObject<RTypedProperty<double>>(nullptr, kPropertyTypeDouble, 0.5);
    property->Declare("Weight", handler.get());
    property->SetFlag(RProperty::kOwnedByObject, true);
    handler->AddProperty(property);
    RWyxPropertyFile writer;
    if (!CreateInForm(writer.GetFile(), path, WyxForm::kBinary)) return Outcome{};
    for (int i = 0; i < 500; ++i) {
        EXPECT_TRUE(writer.WritePropertyBlock({property}));
    }
    return Close(writer.GetFile());
}

Outcome WriteTiff(const std::string& path) {
    RImageBuffer image;
    if (!image.Init(64, 64, true, RImageBuffer::kType8Bit, 3)) return Outcome{};
    return Outcome{WriteImageAsTiff(path.c_str(), false, image), -1};
}

struct WriterCase {
    const char* label;
    Writer write;
    bool container;
};

const WriterCase kWriters[] = {
    {"binary", [](const std::string& p) { return WriteContainer(p, WyxForm::kBinary, nullptr); }, true},
    {"encrypted", [](const std::string& p) { return WriteContainer(p, WyxForm::kEncrypted, nullptr); }, true},
    {"password", [](const std::string& p) { return WriteContainer(p, WyxForm::kBinary, "pw"); }, true},
    {"property file", WritePropertyFile, true},
    {"tiff", WriteTiff, false},
};

// A target in a scratch folder, with its old content.
class ScratchTarget {
protected:
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(scratch_.Path()),
                                                      std::filesystem::directory_iterator()));
    }

    ScratchFolder scratch_;
    std::string target_ = scratch_.Join("target");
    std::string other_ = scratch_.Join("other name");
    const std::string old_ = std::string(3000, 'o');
};

class FailedWriteTest : public ::testing::TestWithParam<int>, protected ScratchTarget {
protected:
    const WriterCase& Writer() const { return kWriters[GetParam()]; }
};

class FailedWriteNamingTest : public ::testing::Test, protected ScratchTarget {};

TEST_P(FailedWriteTest, AFailedOverwriteInPlaceLeavesTheOldContentUnderEveryName) {
    const struct {
        const char* label;
        off_t failFrom;
        int error;
        FailingWrites::Kind kind;
        int code;
    } faults[] = {
        {"I/O error", 1000, EIO, FailingWrites::Kind::kPassing, RWyxFile::kErrorWrite},
        {"full disk", 3000, ENOSPC, FailingWrites::Kind::kLasting, RWyxFile::kErrorOutOfDiskSpace},
    };
    const WriterCase& writer = Writer();
    scratch_.WriteFile("target", old_);
    ASSERT_EQ(::link(target_.c_str(), other_.c_str()), 0);
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.label);
        Outcome outcome;
        {
            const NoSpaceReservation noReservation;
            const FailingWrites failing(target_, fault.failFrom, fault.error, fault.kind);
            outcome = writer.write(target_);
            EXPECT_GE(failing.Failures(), 1);
        }
        EXPECT_FALSE(outcome.written);
        EXPECT_EQ(outcome.error, writer.container ? fault.code : -1);
        EXPECT_EQ(ScratchFolder::ReadFile(target_), old_);
        EXPECT_EQ(ScratchFolder::ReadFile(other_), old_);
        EXPECT_EQ(EntryCount(), 2u);
    }
    // Without a fault the same write goes through, to both names.
    ASSERT_TRUE(writer.write(target_).written);
    EXPECT_NE(ScratchFolder::ReadFile(other_), old_);
    EXPECT_EQ(ScratchFolder::ReadFile(target_), ScratchFolder::ReadFile(other_));
}

TEST_F(FailedWriteNamingTest, OldContentThatCouldNotBePutBackIsNamedInTheError) {
    scratch_.WriteFile("target", old_);
    ASSERT_EQ(::link(target_.c_str(), other_.c_str()), 0);
    RWyxFile file;
    ASSERT_TRUE(CreateInForm(file, target_, WyxForm::kBinary));
    WriteFields(file);
    {
        const NoSpaceReservation noReservation;
        const FailingWrites failing(target_, 1000, EIO, FailingWrites::Kind::kLasting);
        EXPECT_FALSE(file.Close());
    }
    EXPECT_EQ(file.GetLastErrorID(), RWyxFile::kErrorWrite);
    const std::string text = file.GetLastErrorString();
    const std::string lead = "File write error : the old content is kept in ";
    ASSERT_EQ(text.rfind(lead, 0), 0u) << text;
    EXPECT_EQ(ScratchFolder::ReadFile(text.substr(lead.size())), old_);
}

TEST_P(FailedWriteTest, AFailedWriteByRenameLeavesTheFileAsItWas) {
    scratch_.WriteFile("target", old_);
    Outcome outcome;
    {
        const FileSizeLimit limit(1000);
        outcome = Writer().write(target_);
    }
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.error, Writer().container ? RWyxFile::kErrorWrite : -1);
    EXPECT_EQ(ScratchFolder::ReadFile(target_), old_);
    EXPECT_EQ(EntryCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Writers, FailedWriteTest, ::testing::Range(0, static_cast<int>(std::size(kWriters))),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = kWriters[info.param].label;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

}  // namespace
