#ifndef WYX_ATTRIBUTES_RWYXLIGHT_H
#define WYX_ATTRIBUTES_RWYXLIGHT_H

// The light attribute of a node: a point, infinite or spot light, whether it casts light, and
// its animatable colour, intensity, cone angle and fog, whose channels ("Color", "Intensity",
// "Cone angle", "Fog") it adds to its owner's take nodes. It may project a gobo, which it
// does not own. Made by the object factory and destroyed through it.
//
// The defaults are the default values of the channels in the owner's first take node; a
// detached light keeps and answers its own values. A light type outside 0 to 2, a cone angle
// outside [0, 180] degrees and an intensity, colour or fog that is not a finite number are
// refused, through the setters as through the properties.

#include "attributes/RWyxChannelAttribute.h"
#include "attributes/RWyxLightProperties.h"

#include <memory>

class RWyxGobo;

class RWyxLight : public RWyxChannelAttribute {
public:
    // Light types.
    static constexpr int kPoint = 0;
    static constexpr int kInfinite = 1;
    static constexpr int kSpot = 2;

    // A white point light of intensity 100 casting light, cone angle 45 and fog 50.
    explicit RWyxLight(RWyxObjectFactory* factory);

    int GetAttributeType() const override { return kLight; }
    // "Light"; the type-name list is {"Light"}.
    RString GetTypeName() const override { return RString("Light"); }

    // Type 0 to 2; false, nothing changed, for any other value.
    bool SetLightType(int type);
    int GetLightType() const { return Table().GetInt(RWyxLightProperties::kLightType); }
    void SetCastLight(bool on) { Table().SetBool(RWyxLightProperties::kCastLight, on); }
    bool GetCastLight() const { return Table().GetBool(RWyxLightProperties::kCastLight); }

    // Red, green and blue (w 1 when read). The setters answer false for a refused value.
    bool SetDefaultColor(double red, double green, double blue);
    RVector4 GetDefaultColor() const { return GetChannelDefaultVector(RWyxLightProperties::kColor); }
    bool SetDefaultIntensity(double value) { return SetChannelDefault(RWyxLightProperties::kIntensity, value); }
    double GetDefaultIntensity() const { return GetChannelDefault(RWyxLightProperties::kIntensity); }
    // Degrees.
    bool SetDefaultConeAngle(double degrees) { return SetChannelDefault(RWyxLightProperties::kConeAngle, degrees); }
    double GetDefaultConeAngle() const { return GetChannelDefault(RWyxLightProperties::kConeAngle); }
    bool SetDefaultFog(double value) { return SetChannelDefault(RWyxLightProperties::kFog, value); }
    double GetDefaultFog() const { return GetChannelDefault(RWyxLightProperties::kFog); }

    // Null takes the gobo away.
    void SetGobo(RWyxGobo* gobo);
    // Null when there is none or the gobo has been destroyed since.
    RWyxGobo* GetGobo() const;

    RWyxLightProperties* GetProperties() const { return static_cast<RWyxLightProperties*>(GetPropertiesObject()); }

protected:
    bool AcceptsValue(int row, const RPropertyValue& value) const override;

private:
    RWyxLight(RWyxObjectFactory* factory, RWyxLightProperties* properties);

    RWyxGobo* gobo_ = nullptr;
    std::weak_ptr<const void> goboLifetime_;
};

#endif
