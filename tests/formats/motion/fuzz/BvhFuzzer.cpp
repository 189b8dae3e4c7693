// Feeds arbitrary bytes, from memory, through the BVH reader into a scene.

#include "formats/motion/RWyxReaderBvh.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderBvh>(data, size);
    return 0;
}
