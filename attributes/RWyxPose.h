#ifndef WYX_ATTRIBUTES_RWYXPOSE_H
#define WYX_ATTRIBUTES_RWYXPOSE_H

// A bind pose or rest pose: the matrices of a set of nodes at one moment ("Pose::" names).
// Made by the object factory and destroyed through it. Completed by the pose work: for now it
// holds its name and whether it is a bind pose.

#include "core/RWyxSceneObject.h"

class RWyxObjectFactory;

class RWyxPose : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxPose(RWyxObjectFactory* factory, const RString& name, bool bindPose)
        : RWyxSceneObject(factory, name), bindPose_(bindPose) {}

    int GetTypeId() const override { return 9; }
    bool IsBindPose() const { return bindPose_; }

private:
    bool bindPose_;
};

#endif
