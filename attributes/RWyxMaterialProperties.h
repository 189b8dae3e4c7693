#ifndef WYX_ATTRIBUTES_RWYXMATERIALPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXMATERIALPROPERTIES_H

// The properties object of a material: its seven animatable values, one row each, in the
// order the writers list animated material channels. Every row has a channel of its name in
// the material's take nodes. "Shininess" holds the stored shininess, the accessor's value
// times 128 (the Phong exponent); "Opacity" 1 is opaque. The colours have w = 1.
//
// A node that uses the material has this object as a source of its properties object; the
// material is this object's owner.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxMaterial;

class RWyxMaterialProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxMaterialProperties)

public:
    enum Row { kEmissive, kAmbient, kDiffuse, kSpecular, kOpacity, kReflectivity, kShininess, kRowCount };
    // name, data type, default, flags:
    //   "Emissive"      Color  (0, 0, 0)        animatable
    //   "Ambient"       Color  (0.2, 0.2, 0.2)  animatable
    //   "Diffuse"       Color  (0.8, 0.8, 0.8)  animatable
    //   "Specular"      Color  (0, 0, 0)        animatable
    //   "Opacity"       Number 1                animatable
    //   "Reflectivity"  Number 0                animatable
    //   "Shininess"     Number 0 (stored, 0 to 128)  animatable
    static const RWyxPropertyRow kRows[kRowCount];

    // Makes the rows' properties with their defaults; `material` is the owner (null for an
    // object used on its own).
    explicit RWyxMaterialProperties(RWyxMaterial* material);
    // A new object on the heap; it ends through Destroy().
    static RWyxMaterialProperties* Create(RWyxMaterial* material);

    // The owning material; null once it is gone or for an object used on its own.
    RWyxMaterial* GetMaterial() const;

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxMaterialProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
