// Feeds arbitrary bytes, from memory, through the C3D reader into a scene.

#include "formats/motion/RWyxReaderC3d.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderC3d>(data, size);
    return 0;
}
