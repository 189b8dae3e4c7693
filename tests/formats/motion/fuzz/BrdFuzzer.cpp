// Feeds arbitrary bytes, from memory, through the BRD reader into a scene.

#include "formats/motion/RWyxReaderBrd.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderBrd>(data, size);
    return 0;
}
