// Truncations and byte flips of a valid 3DS file go through the whole reader into a scene;
// the sanitizers stop the suite on any read out of bounds, and a damaged file fails without
// leaving its file open. A read makes a whole scene, so the places are taken at a stride
// whose offset moves along (every byte of the chunk layer is damaged in Ftk3dsCorruptionTest).

#include "tests/formats/3ds/Scene3dsTestSupport.h"

#include <gtest/gtest.h>

using namespace scene3ds_test;
using namespace ftk_test;

namespace {

using Reader3dsCorruptionTest = Scene3dsTest;

// Reads the bytes into a fresh scene; answers whether the read succeeded.
bool ReadFresh(const Bytes& bytes) {
    ResetToolkit();
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxReader3ds reader(&factory);
    if (!reader.OpenMemory(bytes.data(), bytes.size())) return false;
    const bool read = reader.Read(scene, Options().get());
    EXPECT_FALSE(reader.IsFileOpen());
    return read;
}

constexpr std::size_t kStride = 11;

// The k-th place: k strides on, moved by k modulo the stride.
std::size_t Place(std::size_t k) { return k * kStride + k % kStride; }

TEST_F(Reader3dsCorruptionTest, TruncationsFailCleanly) {
    const Bytes scene = RichScene();
    ASSERT_TRUE(ReadFresh(scene)) << ErrorCodes();
    for (std::size_t k = 0, size = 0; size < scene.size(); size = Place(++k)) {
        EXPECT_FALSE(ReadFresh(Bytes(scene.begin(), scene.begin() + static_cast<long>(size)))) << size;
    }
}

TEST_F(Reader3dsCorruptionTest, FlippedBytesReadOrFailCleanly) {
    const Bytes scene = RichScene();
    int read = 0;
    int tried = 0;
    for (std::size_t k = 0, at = 0; at < scene.size(); at = Place(++k), ++tried) {
        Bytes flipped = scene;
        flipped[at] ^= k % 2 == 0 ? 0xFF : 0x80;
        read += ReadFresh(flipped) ? 1 : 0;
    }
    // Flips inside values still read; flips of the structure do not.
    EXPECT_GT(read, 0);
    EXPECT_LT(read, tried);
}

}  // namespace
