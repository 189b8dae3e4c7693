#ifndef WYX_ATTRIBUTES_RWYXGENERICNODE_H
#define WYX_ATTRIBUTES_RWYXGENERICNODE_H

// A scene object without a place in the hierarchy that carries properties of its own, named
// as its maker gave it. Made by the object factory and destroyed through it. It belongs to at
// most one scene's entity container, which records it with a use count. Completed by the
// generic-node work: for now it holds its name and its container.

#include "core/RWyxSceneObject.h"

class RWyxEntityContainer;
class RWyxObjectFactory;

class RWyxGenericNode : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxGenericNode(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}
    // Leaves its container, so that the container keeps no pointer to it.
    ~RWyxGenericNode() override;

    int GetTypeId() const override { return 0; }

    RWyxEntityContainer* GetEntity() const { return entity_; }
    // Moves out of the present container (all its uses there go) into `entity` (one use;
    // null: into none). Nothing happens for the present container.
    void SetEntity(RWyxEntityContainer* entity);

private:
    friend class RWyxEntityContainer;  // keeps the link with its use list

    // Every use in the present container goes, and with the last the link.
    void LeaveEntity();

    RWyxEntityContainer* entity_ = nullptr;
};

#endif
