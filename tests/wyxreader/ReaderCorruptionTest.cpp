// Truncated and damaged files of each form written by the writers (version 6 and version 5): every one is read (as far
// as it is sound, with warnings) or refused with an error, never a crash, an overread, a leak
// or a hang. Runs under the sanitizers in CI; the damage is spread over several cases so that
// none runs long.

#include "tests/wyxreader/ReaderTestSupport.h"
#include "tests/wyxreader/V5SceneSupport.h"

#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/support/ScratchFolder.h"
#include "wyxreader/RWyxReaderWyx.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

namespace {

using namespace reader_test;

constexpr int kTruncations = 60;
constexpr int kFlipsPerCase = 60;
// A version-5 read is slower (the pose's nested scene comes anew with each); the fuzz target,
// seeded with version-5 files, goes much further.
constexpr int kV5FlipsPerCase = 25;

// The scene of every kind without its thumbnails (whose bytes would take most of the damage),
// written once per form.
const std::string& ValidFile(Form form) {
    static std::string files[3];
    std::string& file = files[static_cast<int>(form)];
    if (file.empty()) {
        ScratchFolder folder;
        RWyxObjectFactory source;
        RWyxScene* scene = BuildEveryKindScene(source);
        scene->GetSceneInfo()->SetThumbnail(nullptr);
        scene->GetTakeInfo("Walk")->SetThumbnail(nullptr);
        if (Write(source, scene, folder.Join("valid.wyx"), form)) {
            file = ScratchFolder::ReadFile(folder.Join("valid.wyx"));
        }
    }
    return file;
}

// Opens and reads the bytes into a new scene; answers whether they were read.
bool Try(RWyxObjectFactory& factory, const std::string& bytes) {
    RWyxReaderWyx reader(&factory);
    if (!reader.OpenFromMemory(bytes.data(), bytes.size())) {
        const int error = reader.GetLastErrorCode();
        EXPECT_TRUE(error == RWyxReader::kErrorCorrupted || error == RWyxReader::kErrorVersionTooNew ||
                    (bytes.empty() && error == RWyxReader::kErrorNotOpened))
            << reader.GetLastErrorString();
        return false;
    }
    RWyxFileHeaderSummary header;
    EXPECT_TRUE(reader.ReadHeader(header));
    RStreamOptionsPtr options = reader.GetReadOptions(false);
    RWyxScene* scene = factory.CreateScene();
    const bool read = reader.Read(scene, options.get());
    if (!read) {
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted) << reader.GetLastErrorString();
    }
    factory.DestroyScene(scene, true);
    return read;
}

// The version-5 scene of every kind, written once per form.
const std::string& ValidFile5(Form5 form) {
    static std::string files[2];
    std::string& file = files[form == Form5::kAscii ? 1 : 0];
    if (file.empty()) {
        ScratchFolder folder;
        RWyxObjectFactory source;
        RWyxScene* scene = BuildVersion5Scene(source, "");
        if (Export5(source, scene, folder.Join("valid.wyx"), form).empty()) {
            file = ScratchFolder::ReadFile(folder.Join("valid.wyx"));
        }
    }
    return file;
}

void CheckTruncations(const std::string& valid, bool ascii) {
    ASSERT_FALSE(valid.empty());
    RWyxObjectFactory factory;
    ASSERT_TRUE(Try(factory, valid));
    // An ASCII file that lost only its last line end is still whole.
    const std::size_t whole = ascii ? valid.size() - 1 : valid.size();
    for (std::size_t length = 0; length < whole; length += whole / kTruncations + 1) {
        ASSERT_FALSE(Try(factory, valid.substr(0, length))) << "length " << length;
    }
    ASSERT_FALSE(Try(factory, valid.substr(0, whole - 1)));
}

// Answers how many damaged files were read.
int CheckFlips(const std::string& valid, unsigned seed, int rounds = kFlipsPerCase) {
    EXPECT_FALSE(valid.empty());
    if (valid.empty()) return 0;
    std::mt19937 generator(seed);
    RWyxObjectFactory factory;
    int read = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string bytes = valid;
        const int hits = 1 + static_cast<int>(generator() % 3);
        for (int hit = 0; hit < hits; ++hit) {
            const std::size_t at = generator() % bytes.size();
            bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1 << (generator() % 8)));
        }
        read += Try(factory, bytes) ? 1 : 0;
    }
    return read;
}

class TruncationTest : public ::testing::TestWithParam<Form> {};

TEST_P(TruncationTest, TruncatedFilesAreRefused) { CheckTruncations(ValidFile(GetParam()), GetParam() == Form::kAscii); }

INSTANTIATE_TEST_SUITE_P(Forms, TruncationTest, ::testing::Values(Form::kBinary, Form::kAscii, Form::kEncrypted));

class ByteFlipTest : public ::testing::TestWithParam<std::tuple<Form, int>> {};

TEST_P(ByteFlipTest, FlippedBitsAreReadSafelyOrRefused) {
    const auto [form, seed] = GetParam();
    const int read = CheckFlips(ValidFile(form), static_cast<unsigned>(seed * 31 + static_cast<int>(form)));
    if (form == Form::kEncrypted) {
        EXPECT_LT(read, kFlipsPerCase) << "damage to the sealed section is found";
    }
}

INSTANTIATE_TEST_SUITE_P(FormsAndSeeds, ByteFlipTest,
                         ::testing::Combine(::testing::Values(Form::kBinary, Form::kAscii, Form::kEncrypted),
                                            ::testing::Values(1, 2, 3)));

}  // namespace

namespace {

class V5TruncationTest : public ::testing::TestWithParam<Form5> {};

TEST_P(V5TruncationTest, TruncatedVersionFiveFilesAreRefused) {
    CheckTruncations(ValidFile5(GetParam()), GetParam() == Form5::kAscii);
}

INSTANTIATE_TEST_SUITE_P(Forms, V5TruncationTest, ::testing::Values(Form5::kBinary, Form5::kAscii));

class V5ByteFlipTest : public ::testing::TestWithParam<std::tuple<Form5, int>> {};

TEST_P(V5ByteFlipTest, FlippedBitsOfVersionFiveFilesAreReadSafelyOrRefused) {
    const auto [form, seed] = GetParam();
    CheckFlips(ValidFile5(form), static_cast<unsigned>(seed * 37 + static_cast<int>(form)), kV5FlipsPerCase);
}

INSTANTIATE_TEST_SUITE_P(FormsAndSeeds, V5ByteFlipTest,
                         ::testing::Combine(::testing::Values(Form5::kBinary, Form5::kAscii), ::testing::Values(1, 2, 3)));

}  // namespace
