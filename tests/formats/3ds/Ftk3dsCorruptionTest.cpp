// Every truncation and many byte flips of valid 3DS files are loaded and read through every
// entity and motion function; the sanitizers stop the suite on any read out of bounds.

#include "tests/formats/3ds/FtkToolkitTest.h"

#include <gtest/gtest.h>

using namespace ftk_test;

namespace {

using Ftk3dsCorruptionTest = FtkToolkitTest;

TEST_F(Ftk3dsCorruptionTest, TheSceneReadsWhole) {
    const Bytes scene = RichScene();
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    ResetToolkit();
    std::unique_ptr<FtkDatabase> database = Load(scene);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    EXPECT_EQ(ReadEverything(database.get()), 2 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1);
    EXPECT_FALSE(ftkErrorPending) << ErrorCodes();
    EXPECT_EQ(Save(database.get()), scene);
}

TEST_F(Ftk3dsCorruptionTest, EveryTruncationFailsCleanly) {
    const Bytes scene = RichScene();
    for (std::size_t size = 0; size < scene.size(); ++size) {
        ResetToolkit();
        Load(Bytes(scene.begin(), scene.begin() + static_cast<long>(size)));
        EXPECT_TRUE(ftkErrorPending) << size;
    }
}

// Flips every byte with the pattern its place picks; answers how many files still loaded.
int FlipEveryByte(const Bytes& scene, std::initializer_list<unsigned char> patterns) {
    int loaded = 0;
    for (std::size_t at = 0; at < scene.size(); ++at) {
        Bytes flipped = scene;
        flipped[at] ^= *(patterns.begin() + at % patterns.size());
        ResetToolkit();
        std::unique_ptr<FtkDatabase> database = Load(flipped);
        if (!ftkErrorPending) {
            ++loaded;
            ReadEverything(database.get());
        }
    }
    return loaded;
}

// Flips inside values load; flips of structure do not. Each test flips every byte once, so
// that they run side by side.
TEST_F(Ftk3dsCorruptionTest, EveryByteFlippedWhole) {
    const Bytes scene = RichScene();
    const int loaded = FlipEveryByte(scene, {0xFF});
    EXPECT_GT(loaded, 0);
    EXPECT_LT(loaded, static_cast<int>(scene.size()));
}

TEST_F(Ftk3dsCorruptionTest, EveryByteWithItsHighOrLowBitFlipped) {
    const Bytes scene = RichScene();
    EXPECT_LT(FlipEveryByte(scene, {0x80, 0x01}), static_cast<int>(scene.size()));
}

}  // namespace
