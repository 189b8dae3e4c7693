#ifndef WYX_CORE_ROBJECTPROPERTY_H
#define WYX_CORE_ROBJECTPROPERTY_H

// A property that refers to one object (type code 9). The object is the property's first
// source, so the reference follows the connection engine: it is gone when the object is.

#include "core/RProperty.h"

class RObjectProperty : public RProperty {
public:
    RObjectProperty() { SetTypeCode(kPropertyTypeObject); }

    // The referenced object's plug; null when there is none.
    RPlug* GetReferencedObject() const;
    // Refers to the plug instead of the current object (null: to none).
    bool SetReferencedObject(RPlug* plug);

    RPropertyValue GetValue() const override { return GetReferencedObject(); }
    bool SetValue(const RPropertyValue& value) override;
};

#endif
