// Feeds arbitrary bytes, from memory, through the VPM reader into a scene.

#include "formats/motion/RWyxReaderVpm.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderVpm>(data, size);
    return 0;
}
