#ifndef WYX_ATTRIBUTES_RWYXNULL_H
#define WYX_ATTRIBUTES_RWYXNULL_H

// The attribute of a null node: a node that only places its children, drawn at a size.
// Made by the object factory and destroyed through it.

#include "attributes/RWyxChannelAttribute.h"
#include "attributes/RWyxNullProperties.h"

class RWyxNull : public RWyxChannelAttribute {
public:
    explicit RWyxNull(RWyxObjectFactory* factory);

    int GetAttributeType() const override { return kNull; }
    // "Null"; the type-name list is {"Null"}.
    RString GetTypeName() const override { return RString("Null"); }

    // Default 100.
    void SetSize(double size) { Table().SetNumber(RWyxNullProperties::kSize, size); }
    double GetSize() const { return Table().GetNumber(RWyxNullProperties::kSize); }

    RWyxNullProperties* GetProperties() const { return static_cast<RWyxNullProperties*>(GetPropertiesObject()); }

private:
    RWyxNull(RWyxObjectFactory* factory, RWyxNullProperties* properties);
};

#endif
