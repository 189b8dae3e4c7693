#ifndef WYX_ATTRIBUTES_RWYXPOSEPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXPOSEPROPERTIES_H

// The properties object of a bind or rest pose. A pose keeps its entries (node name, matrix,
// local flag) itself; no standard property is read or written by name, so the table has no
// rows and the object holds the user properties of its pose only. Completed with the pose.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxPoseProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxPoseProperties)

public:
    static constexpr int kRowCount = 0;

    // `owner` is the owning pose (not owned; null for an object used on its own).
    explicit RWyxPoseProperties(RWyxPropertyOwner* owner) : RWyxOwnedProperties(owner) { table_.CreateProperties(*this); }
    // A new object on the heap; it ends through Destroy().
    static RWyxPoseProperties* Create(RWyxPropertyOwner* owner) { return CreatePlugObject<RWyxPoseProperties>(nullptr, owner); }

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxPoseProperties() override = default;

private:
    RWyxPropertyTable table_{nullptr, kRowCount};
};

#endif
