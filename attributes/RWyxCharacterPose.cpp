#include "attributes/RWyxCharacterPose.h"

#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

RWyxCharacterPose::RWyxCharacterPose(RWyxObjectFactory* factory, const RString& name)
    : RWyxSceneObject(factory, name), scene_(factory != nullptr ? factory->NewScene() : nullptr) {}

RWyxCharacterPose::~RWyxCharacterPose() = default;
