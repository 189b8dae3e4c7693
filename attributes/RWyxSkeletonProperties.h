#ifndef WYX_ATTRIBUTES_RWYXSKELETONPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXSKELETONPROPERTIES_H

// The properties object of a skeleton joint: display size, limb length and colour. The table
// in the source is the one list of the joint's properties.

#include "attributes/RWyxAttributeProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxSkeletonProperties : public RWyxAttributeProperties {
    WYX_DECLARE_CLASS(RWyxSkeletonProperties)

public:
    enum Row { kSize, kLimbLength, kColor, kRowCount };
    static const RWyxPropertyRow kRows[kRowCount];

    // The properties with their defaults. Ends through Destroy().
    RWyxSkeletonProperties();

    RWyxPropertyTable& GetTable() { return table_; }
    const RWyxPropertyTable& GetTable() const { return table_; }

protected:
    ~RWyxSkeletonProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
