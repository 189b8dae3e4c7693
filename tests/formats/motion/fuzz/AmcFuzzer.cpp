// Feeds arbitrary bytes, from memory, through the AMC reader onto a fixed ASF skeleton.

#include "formats/motion/RAsfFile.h"
#include "formats/motion/RWyxAsfScene.h"
#include "formats/motion/RWyxReaderAmc.h"
#include "tests/formats/motion/MotionSamples.h"
#include "tests/formats/motion/fuzz/MotionFuzzScene.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

RWyxAsfScene& Skeleton() {
    static RWyxAsfScene* skeleton = [] {
        RWyxAsfScene* made = RWyxAsfScene::Create();
        const std::string text = motion_samples::Asf();
        RAsfFile file;
        file.OpenBytes(text.data(), text.size());
        file.Read(*made, true);
        return made;
    }();
    return *skeleton;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MotionFuzzScene fuzz;
    RWyxReaderAmc reader(&fuzz.Factory());
    fuzz.Read(reader, data, size, [](RStreamOptionsMotion& options) { options.SetAsfScene(&Skeleton(), false); });
    return 0;
}
