// The file is a fixed point of reading and writing: for F = Write(Read(Write(S))),
// Write(Read(F)) is F byte for byte, in every form.

#include "tests/wyxreader/ReaderTestSupport.h"

#include "fileio/RWyxCipher.h"
#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

using namespace reader_test;

bool CountingBytes(unsigned char* bytes, int count) {
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    return true;
}

// Fixes the nonce of encrypted files for the length of a test.
class FixedNonce {
public:
    FixedNonce() { RWyxCipher::SetRandomSourceForTesting(&CountingBytes); }
    ~FixedNonce() { RWyxCipher::SetRandomSourceForTesting(nullptr); }
};

class FixedPointTest : public ::testing::TestWithParam<Form> {
protected:
    // Reads the file into a new scene and writes it to `to`; the read's warnings are kept.
    std::string Cycle(const std::string& from, const std::string& to) {
        RWyxObjectFactory factory;
        const ReadResult result = ReadFile(factory, from);
        EXPECT_TRUE(result.read) << result.errorText;
        warnings.push_back(result.warningText);
        EXPECT_TRUE(Write(factory, result.scene, to, GetParam()));
        return ScratchFolder::ReadFile(to);
    }

    ScratchFolder folder;
    FixedNonce nonce;
    std::vector<std::string> warnings;
};

TEST_P(FixedPointTest, ASceneOfEveryKindIsWrittenAgainByteForByteAfterOneCycle) {
    RWyxObjectFactory factory;
    ASSERT_TRUE(Write(factory, BuildEveryKindScene(factory), folder.Join("s.wyx"), GetParam()));
    const std::string f = Cycle(folder.Join("s.wyx"), folder.Join("f.wyx"));
    const std::string again = Cycle(folder.Join("f.wyx"), folder.Join("g.wyx"));
    ASSERT_FALSE(f.empty());
    EXPECT_TRUE(again == f) << "the second cycle changed the file";
    for (const std::string& text : warnings) EXPECT_EQ(text, "");
}

INSTANTIATE_TEST_SUITE_P(Forms, FixedPointTest, ::testing::Values(Form::kBinary, Form::kAscii, Form::kEncrypted));

}  // namespace
