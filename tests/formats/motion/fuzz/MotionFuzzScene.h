#ifndef WYX_TESTS_FORMATS_MOTION_FUZZ_MOTIONFUZZSCENE_H
#define WYX_TESTS_FORMATS_MOTION_FUZZ_MOTIONFUZZSCENE_H

// The scene the motion fuzz targets read into (tests/support/FuzzScene.h), with the read of
// one input through a motion reader.

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxReaderMotion.h"
#include "tests/support/FuzzScene.h"

#include <cstddef>
#include <cstdint>

class MotionFuzzScene : public FuzzScene {
public:
    // Reads the bytes with the reader through its options; `adjust` may change them first.
    template <typename Adjust>
    void Read(RWyxReaderMotion& reader, const std::uint8_t* data, std::size_t size, Adjust adjust) {
        reader.OpenBytes(data, size, "fuzz.txt");
        RStreamOptionsPtr options = reader.GetReadOptions(false);
        if (options != nullptr) {
            adjust(static_cast<RStreamOptionsMotion&>(*options));
            reader.Read(Scene(), options.get());
        }
    }
};

// One input through a reader of the given kind, in a scene of its own.
template <typename Reader>
void FuzzReader(const std::uint8_t* data, std::size_t size) {
    MotionFuzzScene fuzz;
    Reader reader(&fuzz.Factory());
    fuzz.Read(reader, data, size, [](RStreamOptionsMotion&) {});
}

#endif
