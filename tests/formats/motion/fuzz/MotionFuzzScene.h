#ifndef WYX_TESTS_FORMATS_MOTION_FUZZ_MOTIONFUZZSCENE_H
#define WYX_TESTS_FORMATS_MOTION_FUZZ_MOTIONFUZZSCENE_H

// The scene the motion fuzz targets read into. Making a scene costs far more than most reads,
// so one scene takes many inputs; it is made afresh (with its factory, which owns everything
// the readers made, failed reads included) every kInputsPerScene inputs, so that memory stays
// bounded however long the target runs.

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxReaderMotion.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class MotionFuzzScene {
public:
    static constexpr int kInputsPerScene = 64;

    RWyxObjectFactory& Factory() { return *factory_; }
    RWyxScene* Scene() { return scene_; }

    // Reads the bytes with the reader through its options; `adjust` may change them first.
    template <typename Adjust>
    void Read(RWyxReaderMotion& reader, const std::uint8_t* data, std::size_t size, Adjust adjust) {
        reader.OpenBytes(data, size, "fuzz.txt");
        RStreamOptionsPtr options = reader.GetReadOptions(false);
        if (options != nullptr) {
            adjust(static_cast<RStreamOptionsMotion&>(*options));
            reader.Read(scene_, options.get());
        }
    }

    // Counts an input; every kInputsPerScene inputs the factory and scene are made afresh.
    void Done() {
        if (++inputs_ % kInputsPerScene == 0) {
            factory_ = std::make_unique<RWyxObjectFactory>();
            scene_ = factory_->CreateScene();
        }
    }

private:
    std::unique_ptr<RWyxObjectFactory> factory_ = std::make_unique<RWyxObjectFactory>();
    RWyxScene* scene_ = factory_->CreateScene();
    long inputs_ = 0;
};

// One input through a reader of the given kind, in the scene the target keeps.
template <typename Reader>
void FuzzReader(const std::uint8_t* data, std::size_t size) {
    static MotionFuzzScene fuzz;
    {
        Reader reader(&fuzz.Factory());
        fuzz.Read(reader, data, size, [](RStreamOptionsMotion&) {});
    }
    fuzz.Done();
}

#endif
