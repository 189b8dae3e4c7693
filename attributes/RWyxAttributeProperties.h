#ifndef WYX_ATTRIBUTES_RWYXATTRIBUTEPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXATTRIBUTEPROPERTIES_H

// The base of the properties objects of the channel attributes (null, marker, skeleton,
// camera, light): the attribute that owns the object keeps its rules over every value written
// to it, through its setters or straight through a property (as a reader does). Before a
// write the attribute may refuse the value; after it the attribute brings what follows from
// it along (its other values, its channels' defaults).

#include "core/RObject.h"

class RWyxChannelAttribute;

class RWyxAttributeProperties : public RObject {
public:
    // The attribute told of the values; null for none (an object used on its own, or one
    // whose attribute is going away).
    void SetAttribute(RWyxChannelAttribute* attribute);
    RWyxChannelAttribute* GetAttribute() const { return attribute_; }

    // The attribute's rules for the value of one of this object's properties.
    bool AcceptsPropertyValue(const RProperty& property, const RPropertyValue& value) const override;
    // After a value change of one of this object's properties, the attribute follows.
    bool RelayA(const RRelayEvent& event) override;

protected:
    RWyxAttributeProperties() = default;
    // Nothing hears a property of an attribute's properties object leave: neither this class
    // nor those derived from it act on the leaving events, nor override how a property goes.
    bool HearsPropertyLeaving() const override { return false; }
    ~RWyxAttributeProperties() override = default;

private:
    RWyxChannelAttribute* attribute_ = nullptr;
};

#endif
