// Feeds arbitrary bytes, from memory, through the MOV reader into a scene.

#include "formats/motion/RWyxReaderMov.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderMov>(data, size);
    return 0;
}
