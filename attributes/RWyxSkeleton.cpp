#include "attributes/RWyxSkeleton.h"

RWyxSkeleton::RWyxSkeleton(RWyxObjectFactory* factory)
    : RWyxSkeleton(factory, CreatePlugObject<RWyxSkeletonProperties>(nullptr)) {}

RWyxSkeleton::RWyxSkeleton(RWyxObjectFactory* factory, RWyxSkeletonProperties* properties)
    : RWyxChannelAttribute(factory, properties, properties->GetTable()) {}

RString RWyxSkeleton::GetTypeName() const {
    if (IsRoot()) return RString("Root");
    return RString(type_ == kLimb ? "Limb" : "LimbNode");
}

std::unique_ptr<RWyxStringList> RWyxSkeleton::GetTypeNameList() const {
    auto list = std::make_unique<RWyxStringList>();
    list->SetText(IsRoot() ? "Null~Skeleton~Root" : "Skeleton");
    return list;
}

bool RWyxSkeleton::SetSkeletonType(int type) {
    if (type < kRoot || type > kEffectorRoot) return false;
    type_ = type;
    return true;
}

void RWyxSkeleton::SetColor(const RWyxColor& color) {
    Table().SetVector(RWyxSkeletonProperties::kColor,
                      RVector4(color.GetRed(), color.GetGreen(), color.GetBlue(), 1.0));
}

RWyxColor RWyxSkeleton::GetColor() const {
    const RVector4 color = Table().GetVector(RWyxSkeletonProperties::kColor);
    return RWyxColor(color.x, color.y, color.z, 1.0);
}
