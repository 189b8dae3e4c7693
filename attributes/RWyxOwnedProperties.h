#ifndef WYX_ATTRIBUTES_RWYXOWNEDPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXOWNEDPROPERTIES_H

// The properties object of a scene object whose values live in its properties (materials,
// textures, poses, characters, generic nodes, control-set plugs, deformers). Its standard
// properties are the rows of the class's property table; user properties added to the owner
// become further properties of it. After every value change of one of its animatable
// properties it tells its owner, whose curve defaults follow the value.

#include "attributes/RWyxPropertyTable.h"
#include "core/RWyxPropertyHandler.h"

class RWyxPropertyOwner;

class RWyxOwnedProperties : public RWyxPropertyHandler {
public:
    // `owner` is not owned; null for an object used on its own.
    explicit RWyxOwnedProperties(RWyxPropertyOwner* owner) : owner_(owner) {}

    RWyxPropertyOwner* GetOwner() const { return owner_; }
    // Called by an owner that is going away: it is told of nothing from then on.
    void ForgetOwner() { owner_ = nullptr; }

    // The class's table, with the properties this object made for its rows.
    virtual const RWyxPropertyTable& GetTable() const = 0;
    virtual RWyxPropertyTable& GetTable() = 0;

    // True for the properties of the table's rows (false for those made for user properties).
    bool IsStandardProperty(const RProperty* property) const;

    // A value change of an animatable property of this object is handed to the owner.
    bool RelayA(const RRelayEvent& event) override;

protected:
    ~RWyxOwnedProperties() override = default;

private:
    RWyxPropertyOwner* owner_;
};

#endif
