#ifndef WYX_ATTRIBUTES_RWYXCHARACTERPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXCHARACTERPROPERTIES_H

// The properties object of a character. A character keeps its links and its parameter table
// itself; no standard property is read or written by name, so the table has no rows and the
// object holds the user properties of its character only. Completed with the character.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxCharacterProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxCharacterProperties)

public:
    static constexpr int kRowCount = 0;

    // `owner` is the owning character (not owned; null for an object used on its own).
    explicit RWyxCharacterProperties(RWyxPropertyOwner* owner) : RWyxOwnedProperties(owner) { table_.CreateProperties(*this); }
    // A new object on the heap; it ends through Destroy().
    static RWyxCharacterProperties* Create(RWyxPropertyOwner* owner) { return CreatePlugObject<RWyxCharacterProperties>(nullptr, owner); }

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxCharacterProperties() override = default;

private:
    RWyxPropertyTable table_{nullptr, kRowCount};
};

#endif
