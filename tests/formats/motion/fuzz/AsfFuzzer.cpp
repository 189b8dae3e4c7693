// Feeds arbitrary bytes, from memory, through the ASF reader into a scene.

#include "formats/motion/RWyxReaderAsf.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MotionFuzzScene fuzz;
    {
        RWyxReaderAsf reader(&fuzz.Factory());
        fuzz.Read(reader, data, size, [](RStreamOptionsMotion&) {});
    }
    fuzz.Done();
    return 0;
}
