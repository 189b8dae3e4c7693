#ifndef WYX_ATTRIBUTES_RWYXMARKER_H
#define WYX_ATTRIBUTES_RWYXMARKER_H

// The marker attribute of a node: a marker, an optical marker, or an IK or FK effector, with
// its look, size, colour and label flag. The kind decides the node's MultiLayer flag
// (effectors) and MultiTake value (optical markers).
//
// Every marker, whatever its type, adds the channels "Occlusion", "IK Reach Translation" and
// "IK Reach Rotation" to its owner's take nodes: readers make a marker first and set its type
// afterwards, and then look for the channels. Made by the object factory and destroyed
// through it.

#include "attributes/RWyxChannelAttribute.h"
#include "attributes/RWyxMarkerProperties.h"
#include "core/RWyxColor.h"

class RWyxMarker : public RWyxChannelAttribute {
public:
    // Marker types.
    static constexpr int kMarker = 0;
    static constexpr int kOpticalMarker = 1;
    static constexpr int kIKEffector = 2;
    static constexpr int kFKEffector = 3;
    // Looks.
    static constexpr int kLookCube = 0;
    static constexpr int kLookHardCross = 1;
    static constexpr int kLookLightCross = 2;
    static constexpr int kLookSphere = 3;

    explicit RWyxMarker(RWyxObjectFactory* factory);

    int GetAttributeType() const override { return RWyxNodeAttribute::kMarker; }
    // "Marker", "OpticalMarker", "IKEffector" or "FKEffector" by type; the type-name list
    // is {"Marker"}.
    RString GetTypeName() const override;
    std::unique_ptr<RWyxStringList> GetTypeNameList() const override;

    // A marker of type 0 to 3; false, nothing changed, for any other value. An attached
    // marker brings its node's MultiLayer and MultiTake flags up to date.
    bool SetType(int type);
    int GetType() const { return type_; }
    // The rules the node's flags follow: effectors are animated in layers, optical markers
    // carry one take only.
    static bool IsLayeredType(int type) { return type == kIKEffector || type == kFKEffector; }
    static bool IsSingleTakeType(int type) { return type == kOpticalMarker; }

    // Look 0 to 3; false, nothing changed, for any other value.
    bool SetLook(int look);
    int GetLook() const { return Table().GetInt(RWyxMarkerProperties::kLook); }
    void SetSize(double size) { Table().SetNumber(RWyxMarkerProperties::kSize, size); }
    double GetSize() const { return Table().GetNumber(RWyxMarkerProperties::kSize); }
    // Alpha is not kept (1 when read).
    void SetColor(const RWyxColor& color);
    RWyxColor GetColor() const;
    void SetShowLabel(bool show) { Table().SetBool(RWyxMarkerProperties::kShowLabel, show); }
    bool GetShowLabel() const { return Table().GetBool(RWyxMarkerProperties::kShowLabel); }

    // Defaults of the channels in the owner's default take (the properties when detached).
    void SetDefaultOcclusion(double value) { SetChannelDefault(RWyxMarkerProperties::kOcclusion, value); }
    double GetDefaultOcclusion() const { return GetChannelDefault(RWyxMarkerProperties::kOcclusion); }
    void SetIKReachTranslation(double value) { SetChannelDefault(RWyxMarkerProperties::kIKReachTranslation, value); }
    double GetIKReachTranslation() const { return GetChannelDefault(RWyxMarkerProperties::kIKReachTranslation); }
    void SetIKReachRotation(double value) { SetChannelDefault(RWyxMarkerProperties::kIKReachRotation, value); }
    double GetIKReachRotation() const { return GetChannelDefault(RWyxMarkerProperties::kIKReachRotation); }

    RWyxMarkerProperties* GetProperties() const {
        return static_cast<RWyxMarkerProperties*>(GetPropertiesObject());
    }

private:
    RWyxMarker(RWyxObjectFactory* factory, RWyxMarkerProperties* properties);

    int type_ = kMarker;
};

#endif
