// Feeds arbitrary bytes, from memory, through the AOA/MCD reader into a scene (the two names
// share one reader and one file format).

#include "formats/motion/RWyxReaderMcd.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MotionFuzzScene fuzz;
    RWyxReaderMcd reader(&fuzz.Factory(), size % 2 == 1);
    fuzz.Read(reader, data, size, [](RStreamOptionsMotion&) {});
    return 0;
}
