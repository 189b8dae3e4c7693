#ifndef WYX_FORMATS_GEOMETRY_ROBJMATERIALRECORD_H
#define WYX_FORMATS_GEOMETRY_ROBJMATERIALRECORD_H

// The OBJ writer's record of a material it wrote to the MTL file: the material, its texture
// (or null) and the name it was written under. The material and texture stay the object
// factory's; the record owns its copy of the name.

#include "core/RString.h"

class RWyxMaterial;
class RWyxTexture;

class RObjMaterialRecord {
public:
    RObjMaterialRecord(const char* name, RWyxMaterial* material, RWyxTexture* texture)
        : material_(material), texture_(texture), name_(name) {}

    RWyxMaterial* GetMaterial() const { return material_; }
    RWyxTexture* GetTexture() const { return texture_; }
    const RString& GetName() const { return name_; }

private:
    RWyxMaterial* material_;
    RWyxTexture* texture_;
    RString name_;
};

#endif
