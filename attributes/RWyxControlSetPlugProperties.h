#ifndef WYX_ATTRIBUTES_RWYXCONTROLSETPLUGPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXCONTROLSETPLUGPROPERTIES_H

// The properties object of a character's control-set plug. No standard property is read or
// written by name, so the table has no rows and the object holds the user properties of its
// plug only. Completed with the control set.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxControlSetPlugProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxControlSetPlugProperties)

public:
    static constexpr int kRowCount = 0;

    // `owner` is the owning control-set plug (not owned; null for an object used on its own).
    explicit RWyxControlSetPlugProperties(RWyxPropertyOwner* owner) : RWyxOwnedProperties(owner) { table_.CreateProperties(*this); }
    // A new object on the heap; it ends through Destroy().
    static RWyxControlSetPlugProperties* Create(RWyxPropertyOwner* owner) { return CreatePlugObject<RWyxControlSetPlugProperties>(nullptr, owner); }

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxControlSetPlugProperties() override = default;

private:
    RWyxPropertyTable table_{nullptr, kRowCount};
};

#endif
