#ifndef WYX_ATTRIBUTES_RWYXGENERICNODEPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXGENERICNODEPROPERTIES_H

// The properties object of a generic node: a scene object that carries nothing but its
// properties. They all come from its user properties (as read from a file), so the table has
// no rows. Completed with the generic node.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxGenericNodeProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxGenericNodeProperties)

public:
    static constexpr int kRowCount = 0;

    // `owner` is the owning generic node (not owned; null for an object used on its own).
    explicit RWyxGenericNodeProperties(RWyxPropertyOwner* owner) : RWyxOwnedProperties(owner) { table_.CreateProperties(*this); }
    // A new object on the heap; it ends through Destroy().
    static RWyxGenericNodeProperties* Create(RWyxPropertyOwner* owner) { return CreatePlugObject<RWyxGenericNodeProperties>(nullptr, owner); }

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxGenericNodeProperties() override = default;

private:
    RWyxPropertyTable table_{nullptr, kRowCount};
};

#endif
