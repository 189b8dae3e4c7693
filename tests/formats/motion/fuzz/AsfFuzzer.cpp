// Feeds arbitrary bytes, from memory, through the ASF reader into a scene.

#include "formats/motion/RWyxReaderAsf.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderAsf>(data, size);
    return 0;
}
