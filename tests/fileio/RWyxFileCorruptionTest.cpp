// Truncated, flipped and randomly damaged files of each form: every one is either read
// (values checked against their records) or refused with a clear error, never a crash, an
// overread or a hang. Runs under the sanitizers in CI.

#include "fileio/RWyxFile.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

class CorruptionTest : public ::testing::TestWithParam<WyxForm> {
protected:
    void SetUp() override {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, source_, GetParam()));
        WriteSampleContent(file);
        ASSERT_TRUE(file.Close());
        valid_ = ScratchFolder::ReadFile(source_);
        ASSERT_FALSE(valid_.empty());
    }

    // Opens the damaged bytes; when they open, reads everything. Answers whether they opened.
    bool Try(const std::string& bytes) {
        scratch_.WriteFile("damaged.wyx", bytes);
        RWyxFile file;
        if (!file.Open(damaged_.c_str())) {
            const int error = file.GetLastErrorID();
            EXPECT_TRUE(error == RWyxFile::kErrorCorrupted || error == RWyxFile::kErrorVersionTooNew ||
                        error == RWyxFile::kErrorPasswordRequired)
                << error;
            EXPECT_FALSE(file.IsOpen());
            return false;
        }
        WalkFile(file);
        file.Close();
        return true;
    }

    ScratchFolder scratch_;
    std::string source_ = scratch_.Join("valid.wyx");
    std::string damaged_ = scratch_.Join("damaged.wyx");
    std::string valid_;
};

TEST_P(CorruptionTest, EveryTruncationIsDetected) {
    ASSERT_TRUE(Try(valid_));
    // An ASCII file that lost only its last line end is still whole.
    const std::size_t whole = GetParam() == WyxForm::kAscii ? valid_.size() - 1 : valid_.size();
    for (std::size_t length = 0; length < whole; ++length) {
        ASSERT_FALSE(Try(valid_.substr(0, length))) << "length " << length;
    }
}

TEST_P(CorruptionTest, ByteFlipsAreReadSafelyOrRefused) {
    int refused = 0;
    for (std::size_t at = 0; at < valid_.size(); ++at) {
        for (const unsigned char mask : {0x01, 0x80, 0xff}) {
            std::string bytes = valid_;
            bytes[at] = static_cast<char>(bytes[at] ^ mask);
            refused += Try(bytes) ? 0 : 1;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_P(CorruptionTest, RandomDamageIsReadSafelyOrRefused) {
    std::mt19937 generator(1234);
    for (int round = 0; round < 1500; ++round) {
        std::string bytes = valid_;
        const int hits = 1 + static_cast<int>(generator() % 6);
        for (int i = 0; i < hits; ++i) {
            bytes[generator() % bytes.size()] = static_cast<char>(generator());
        }
        if (round % 3 == 0) {
            bytes.insert(generator() % bytes.size(), std::string(1 + generator() % 20, static_cast<char>(generator())));
        }
        Try(bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, CorruptionTest,
                         ::testing::Values(WyxForm::kBinary, WyxForm::kAscii, WyxForm::kEncrypted),
                         [](const ::testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

// Hand-made hostile headers: lengths and counts that point outside what encloses them.
TEST(RWyxFileHostileTest, RecordHeadersBeyondTheirBoundsAreRefused) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("hostile.wyx");
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path, WyxForm::kBinary));
        file.FieldWriteBegin("A");
        file.FieldWriteInt(1);
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    const std::string valid = ScratchFolder::ReadFile(path);
    const std::size_t record = 16 + 88;  // the first record follows the file and section headers
    struct Patch {
        std::size_t at;
        std::uint32_t value;
    };
    const Patch patches[] = {
        {record, 0xffffffffu},      // record length past the section
        {record, 12},               // shorter than its own header
        {record + 4, 0x7fffffffu},  // more values than bytes
        {record + 8, 0xfffffff0u},  // value bytes past the record
        {16 + 80, 0xffffffffu},     // section body past the footer
        {16 + 4, 1},                // the first section is not the main one
    };
    for (const Patch& patch : patches) {
        std::string bytes = valid;
        for (int i = 0; i < 4; ++i) {
            bytes[patch.at + static_cast<std::size_t>(i)] = static_cast<char>(patch.value >> (8 * i));
        }
        scratch.WriteFile("patched.wyx", bytes);
        RWyxFile file;
        EXPECT_FALSE(file.Open(scratch.Join("patched.wyx").c_str())) << patch.at;
        EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    }
    // A value count that fits the bytes but not the values is found when reading.
    std::string bytes = valid;
    bytes[record + 4] = 3;
    bytes[record + 8] = 5;
    scratch.WriteFile("patched.wyx", bytes);
    RWyxFile file;
    ASSERT_TRUE(file.Open(scratch.Join("patched.wyx").c_str()));
    ASSERT_TRUE(file.FieldReadBegin("A"));
    EXPECT_EQ(1, file.FieldReadInt());
    EXPECT_EQ(0, file.FieldReadInt());
    EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    EXPECT_EQ(0, file.FieldReadValuesLeft());
    EXPECT_FALSE(file.Close());
}

}  // namespace
