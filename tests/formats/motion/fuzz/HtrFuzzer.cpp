// Feeds arbitrary bytes, from memory, through the HTR reader into a scene.

#include "formats/motion/RWyxReaderHtr.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzReader<RWyxReaderHtr>(data, size);
    return 0;
}
