#include "attributes/RWyxTexture.h"

#include "attributes/RWyxTextureProperties.h"
#include "core/RVector4.h"
#include "scene/RWyxObjectFactory.h"

using Row = RWyxTextureProperties::Row;

RWyxTexture::RWyxTexture(RWyxObjectFactory* factory, const RString& name) : RWyxPropertyOwner(factory, name) {
    AdoptProperties(RWyxTextureProperties::Create(this));
}

RWyxTextureProperties* RWyxTexture::GetProperties() const {
    return static_cast<RWyxTextureProperties*>(GetOwnedProperties());
}

void RWyxTexture::SetFileName(const RString& name) {
    if (name != fileName_) relativeFileName_ = RString();
    fileName_ = name;
}

int RWyxTexture::GetCropping(int index) const {
    return index >= 0 && index < kCroppingCount ? cropping_[index] : 0;
}

bool RWyxTexture::SetCropping(int index, int value) {
    if (index < 0 || index >= kCroppingCount) return false;
    cropping_[index] = value;
    return true;
}

// ---- placement ----------------------------------------------------------------------------------

double RWyxTexture::Component(int row, int index) const {
    const RVector4 value = GetProperties()->GetTable().GetVector(row);
    return *value.Component(index);
}

// One write of the whole vector, so that the curves hear of the change once.
void RWyxTexture::SetComponents(int row, const double* values, int count) {
    RWyxPropertyTable& table = GetProperties()->GetTable();
    RVector4 value = table.GetVector(row);
    for (int i = 0; i < count; ++i) *value.Component(i) = values[i];
    table.SetVector(row, value);
}

double RWyxTexture::GetTranslationU() const { return Component(Row::kTranslation, 0); }
double RWyxTexture::GetTranslationV() const { return Component(Row::kTranslation, 1); }

void RWyxTexture::SetTranslationUV(double u, double v) {
    const double values[] = {u, v};
    SetComponents(Row::kTranslation, values, 2);
}

double RWyxTexture::GetRotationU() const { return Component(Row::kRotation, 0); }
double RWyxTexture::GetRotationV() const { return Component(Row::kRotation, 1); }
double RWyxTexture::GetRotationW() const { return Component(Row::kRotation, 2); }

void RWyxTexture::SetRotationUVW(double u, double v, double w) {
    const double values[] = {u, v, w};
    SetComponents(Row::kRotation, values, 3);
}

double RWyxTexture::GetScalingU() const { return Component(Row::kScaling, 0); }
double RWyxTexture::GetScalingV() const { return Component(Row::kScaling, 1); }

void RWyxTexture::SetScalingUV(double u, double v) {
    const double values[] = {u, v};
    SetComponents(Row::kScaling, values, 2);
}

// ---- use and modes ------------------------------------------------------------------------------

double RWyxTexture::GetDefaultAlpha() const { return GetProperties()->GetTable().GetNumber(Row::kAlpha); }
void RWyxTexture::SetDefaultAlpha(double alpha) { GetProperties()->GetTable().SetNumber(Row::kAlpha, alpha); }
int RWyxTexture::GetTextureUse() const { return GetProperties()->GetTable().GetInt(Row::kTextureUse); }
void RWyxTexture::SetTextureUse(int use) { GetProperties()->GetTable().SetInt(Row::kTextureUse, use); }
int RWyxTexture::GetMappingType() const { return GetProperties()->GetTable().GetInt(Row::kMappingType); }
void RWyxTexture::SetMappingType(int type) { GetProperties()->GetTable().SetInt(Row::kMappingType, type); }

int RWyxTexture::GetPlanarMappingNormal() const {
    return GetProperties()->GetTable().GetInt(Row::kPlanarMappingNormal);
}

void RWyxTexture::SetPlanarMappingNormal(int normal) {
    GetProperties()->GetTable().SetInt(Row::kPlanarMappingNormal, normal);
}

bool RWyxTexture::GetSwapUV() const { return GetProperties()->GetTable().GetBool(Row::kSwapUV); }
void RWyxTexture::SetSwapUV(bool swap) { GetProperties()->GetTable().SetBool(Row::kSwapUV, swap); }
int RWyxTexture::GetMaterialMode() const { return GetProperties()->GetTable().GetInt(Row::kMaterialMode); }
void RWyxTexture::SetMaterialMode(int mode) { GetProperties()->GetTable().SetInt(Row::kMaterialMode, mode); }
int RWyxTexture::GetWrapModeU() const { return GetProperties()->GetTable().GetInt(Row::kWrapModeU); }
int RWyxTexture::GetWrapModeV() const { return GetProperties()->GetTable().GetInt(Row::kWrapModeV); }

void RWyxTexture::SetWrapMode(int u, int v) {
    GetProperties()->GetTable().SetInt(Row::kWrapModeU, u);
    GetProperties()->GetTable().SetInt(Row::kWrapModeV, v);
}

int RWyxTexture::GetBlendMode() const { return GetProperties()->GetTable().GetInt(Row::kBlendMode); }
void RWyxTexture::SetBlendMode(int mode) { GetProperties()->GetTable().SetInt(Row::kBlendMode, mode); }

void RWyxTexture::OnNameChanging() {
    if (GetFactory() != nullptr) GetFactory()->OnTextureNameChanging(this);
}
