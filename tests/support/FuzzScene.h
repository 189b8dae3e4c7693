#ifndef WYX_TESTS_SUPPORT_FUZZSCENE_H
#define WYX_TESTS_SUPPORT_FUZZSCENE_H

// The scene a reader's fuzz target reads one input into: a factory of its own with a new
// scene, made for the input and torn down, with everything the reader made (failed reads
// included), when the input is done. Every input thus frees what it allocates, which keeps
// libFuzzer's leak detection on, and no input sees what an earlier one left.
//
// A new scene (its producer cameras above all) costs far more than most reads, and most
// inputs are turned away before the reader asks for a scene: the scene is made when it is
// first asked for, so an input the reader refuses at opening pays only for the factory.

#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

class FuzzScene {
public:
    FuzzScene() = default;
    FuzzScene(const FuzzScene&) = delete;
    FuzzScene& operator=(const FuzzScene&) = delete;

    RWyxObjectFactory& Factory() { return factory_; }
    RWyxScene* Scene() {
        if (scene_ == nullptr) scene_ = factory_.CreateScene();
        return scene_;
    }

private:
    RWyxObjectFactory factory_;
    RWyxScene* scene_ = nullptr;
};

#endif
