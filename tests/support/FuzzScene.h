#ifndef WYX_TESTS_SUPPORT_FUZZSCENE_H
#define WYX_TESTS_SUPPORT_FUZZSCENE_H

// The scene a reader's fuzz target reads into. Making a factory and its scene costs far more
// than most reads, so one scene takes many inputs; it is made afresh (with its factory, which
// owns everything the readers made, failed reads included) every kInputsPerScene inputs, so
// that memory stays bounded however long the target runs.

#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <memory>

class FuzzScene {
public:
    static constexpr int kInputsPerScene = 64;

    RWyxObjectFactory& Factory() { return *factory_; }
    RWyxScene* Scene() { return scene_; }

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

#endif
