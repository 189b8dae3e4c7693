#ifndef WYX_ATTRIBUTES_RWYXNULLPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXNULLPROPERTIES_H

// The properties object of a null: its display size. The table in the source is the one list
// of the null's properties.

#include "attributes/RWyxAttributeProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxNullProperties : public RWyxAttributeProperties {
    WYX_DECLARE_CLASS(RWyxNullProperties)

public:
    enum Row { kSize, kRowCount };
    static const RWyxPropertyRow kRows[kRowCount];

    // The properties with their defaults. Ends through Destroy().
    RWyxNullProperties();

    RWyxPropertyTable& GetTable() { return table_; }
    const RWyxPropertyTable& GetTable() const { return table_; }

protected:
    ~RWyxNullProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
