#ifndef WYX_ATTRIBUTES_RWYXLIGHTPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXLIGHTPROPERTIES_H

// The properties object of a light: its type, whether it casts light, and the four animatable
// values "Color", "Intensity", "Cone angle" and "Fog", whose channels the light adds to its
// owner's take nodes. The table in the source is the one list of the light's properties.

#include "attributes/RWyxAttributeProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxLightProperties : public RWyxAttributeProperties {
    WYX_DECLARE_CLASS(RWyxLightProperties)

public:
    // Rows, in table order.
    enum Row { kLightType, kCastLight, kColor, kIntensity, kConeAngle, kFog, kRowCount };
    static const RWyxPropertyRow kRows[kRowCount];

    // The properties with their defaults. Ends through Destroy().
    RWyxLightProperties();

    RWyxPropertyTable& GetTable() { return table_; }
    const RWyxPropertyTable& GetTable() const { return table_; }

    // 0 "Point Light", 1 "Infinite Light", 2 "Spot Light"; null for any other value.
    static const char* LightTypeName(int type);

protected:
    ~RWyxLightProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
