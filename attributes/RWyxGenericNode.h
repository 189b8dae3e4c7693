#ifndef WYX_ATTRIBUTES_RWYXGENERICNODE_H
#define WYX_ATTRIBUTES_RWYXGENERICNODE_H

// A scene object without a place in the hierarchy that carries properties of its own (its
// user properties, as a reader found them), animatable in its take nodes like a node's. Named
// as its maker gave it, made by the object factory with its take "Default" and destroyed
// through it. It belongs to at most one scene's entity container, which records it with a use
// count; the scene switches its take with the nodes'.

#include "attributes/RWyxPropertyOwner.h"

class RWyxEntityContainer;
class RWyxGenericNodeProperties;
class RWyxObjectFactory;

class RWyxGenericNode : public RWyxPropertyOwner {
public:
    // `name` is the full name.
    RWyxGenericNode(RWyxObjectFactory* factory, const RString& name);
    // Leaves its container, so that the container keeps no pointer to it.
    ~RWyxGenericNode() override;

    int GetTypeId() const override { return 0; }
    RString GetTypeDescription() const override { return RString("GenericNode"); }
    RWyxGenericNodeProperties* GetProperties() const;

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
