// Feeds arbitrary bytes, from memory, through the TRC reader into a scene.

#include "formats/motion/RWyxReaderTrc.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderTrc>(data, size);
    return 0;
}
