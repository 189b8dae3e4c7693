#ifndef WYX_ATTRIBUTES_RWYXMARKERPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXMARKERPROPERTIES_H

// The properties object of a marker: look, size, colour and label flag, and the animatable
// "Occlusion", "IK Reach Translation" and "IK Reach Rotation", whose channels the marker adds
// to its owner's take nodes. The table in the source is the one list of the marker's
// properties.

#include "attributes/RWyxAttributeProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxMarkerProperties : public RWyxAttributeProperties {
    WYX_DECLARE_CLASS(RWyxMarkerProperties)

public:
    enum Row { kLook, kSize, kColor, kShowLabel, kOcclusion, kIKReachTranslation, kIKReachRotation, kRowCount };
    static const RWyxPropertyRow kRows[kRowCount];

    // The properties with their defaults. Ends through Destroy().
    RWyxMarkerProperties();

    RWyxPropertyTable& GetTable() { return table_; }
    const RWyxPropertyTable& GetTable() const { return table_; }

    // 0 "Cube", 1 "HardCross", 2 "LightCross", 3 "Sphere"; null for any other value.
    static const char* LookName(int look);

protected:
    ~RWyxMarkerProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
