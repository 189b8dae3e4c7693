// Version-5 files are a fixed point of reading and writing: with F the file of a scene read
// from the file of a scene of every kind the layout carries, the file of F read back is F,
// byte for byte, in both forms (written to the same folder, pictures not converted).

#include "tests/wyxreader/ReaderTestSupport.h"
#include "tests/wyxreader/V5SceneSupport.h"

#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace reader_test;

class V5FixedPointTest : public ::testing::TestWithParam<Form5> {};

TEST_P(V5FixedPointTest, ReadingAndWritingAgainGivesTheSameFile) {
    ScratchFolder folder;
    RWyxObjectFactory factory;
    const std::string first = folder.Join("first.wyx");
    const std::string fixed = folder.Join("fixed.wyx");
    const std::string again = folder.Join("again.wyx");
    ASSERT_EQ(Export5(factory, BuildVersion5Scene(factory, folder.Path()), first, GetParam()), "");
    const ReadResult read = ReadFile(factory, first);
    ASSERT_TRUE(read.read) << read.errorText;
    EXPECT_EQ(read.warnings, 0) << read.warningText;
    ASSERT_EQ(Export5(factory, read.scene, fixed, GetParam()), "");
    const ReadResult reread = ReadFile(factory, fixed);
    ASSERT_TRUE(reread.read) << reread.errorText;
    EXPECT_EQ(reread.warnings, 0) << reread.warningText;
    ASSERT_EQ(Export5(factory, reread.scene, again, GetParam()), "");
    const std::string bytes = ScratchFolder::ReadFile(fixed);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes == ScratchFolder::ReadFile(again)) << "the file read and written again differs";
}

INSTANTIATE_TEST_SUITE_P(Forms, V5FixedPointTest, ::testing::Values(Form5::kBinary, Form5::kAscii));

}  // namespace
