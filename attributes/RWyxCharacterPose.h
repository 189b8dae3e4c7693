#ifndef WYX_ATTRIBUTES_RWYXCHARACTERPOSE_H
#define WYX_ATTRIBUTES_RWYXCHARACTERPOSE_H

// A character pose of the scene ("Pose::" names, type "CharacterPose"): a stored posture of a
// character, kept as a scene of its own (the nodes of the posture under its root), which
// files write nested in the pose.
//
// Ownership: the pose is the one owner of its nested scene. The scene is made by the factory's
// NewScene but not recorded in the factory's scene list, and the pose deletes it when the pose
// goes; nothing else destroys it, so it is destroyed exactly once whatever the order of
// teardown. Being no scene of the factory's list, it is not searched by the look-ups over a
// factory's scenes (RWyxPose::FindBindPoses); its nodes, made through the factory, stay the
// factory's like any scene's.
//
// Made by the outer scene (RWyxScene::CreateCharacterPose) and destroyed by it.

#include "core/RWyxSceneObject.h"

#include <memory>

class RWyxObjectFactory;
class RWyxScene;

class RWyxCharacterPose : public RWyxSceneObject {
public:
    // Makes the nested scene through the factory (none without a factory or memory). `name`
    // is the full name.
    RWyxCharacterPose(RWyxObjectFactory* factory, const RString& name);
    // Deletes the nested scene.
    ~RWyxCharacterPose() override;

    int GetTypeId() const override { return 11; }
    RString GetTypeDescription() const override { return RString("CharacterPose"); }

    // The nested scene; null only when it could not be made.
    RWyxScene* GetPoseScene() const { return scene_.get(); }

private:
    std::unique_ptr<RWyxScene> scene_;
};

#endif
