#ifndef WYX_ATTRIBUTES_RWYXCAMERASWITCHER_H
#define WYX_ATTRIBUTES_RWYXCAMERASWITCHER_H

// The attribute of a scene's "Camera Switcher" node, which says which camera is active when.
// Made by the scene itself, not by the factory. Completed by the camera-switcher work: for
// now it answers its type id and its (empty) type-name list.

#include "scene/RWyxNodeAttribute.h"

class RWyxCameraSwitcher : public RWyxNodeAttribute {
public:
    explicit RWyxCameraSwitcher(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kCameraSwitcher; }
    RString GetTypeName() const override { return RString("CameraSwitcher"); }
    std::unique_ptr<RWyxStringList> GetTypeNameList() const override { return std::make_unique<RWyxStringList>(); }
};

#endif
