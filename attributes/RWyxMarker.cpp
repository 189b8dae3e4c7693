#include "attributes/RWyxMarker.h"

#include "scene/RWyxNode.h"

RWyxMarker::RWyxMarker(RWyxObjectFactory* factory)
    : RWyxMarker(factory, CreatePlugObject<RWyxMarkerProperties>(nullptr)) {}

RWyxMarker::RWyxMarker(RWyxObjectFactory* factory, RWyxMarkerProperties* properties)
    : RWyxChannelAttribute(factory, properties, properties->GetTable()) {}

RString RWyxMarker::GetTypeName() const {
    static const char* const kNames[] = {"Marker", "OpticalMarker", "IKEffector", "FKEffector"};
    return RString(kNames[type_]);
}

std::unique_ptr<RWyxStringList> RWyxMarker::GetTypeNameList() const {
    auto list = std::make_unique<RWyxStringList>();
    list->SetText("Marker");
    return list;
}

bool RWyxMarker::SetType(int type) {
    if (type < kMarker || type > kFKEffector) return false;
    type_ = type;
    // The node set its flags when the marker was attached, from the type it had then.
    if (RWyxNode* node = GetNode()) {
        node->SetMultiLayer(IsLayeredType(type_));
        node->SetMultiTake(IsSingleTakeType(type_) ? 0 : 1);
    }
    return true;
}

bool RWyxMarker::SetLook(int look) {
    if (look < kLookCube || look > kLookSphere) return false;
    return Table().SetInt(RWyxMarkerProperties::kLook, look);
}

void RWyxMarker::SetColor(const RWyxColor& color) {
    Table().SetVector(RWyxMarkerProperties::kColor, RVector4(color.GetRed(), color.GetGreen(), color.GetBlue(), 1.0));
}

RWyxColor RWyxMarker::GetColor() const {
    const RVector4 color = Table().GetVector(RWyxMarkerProperties::kColor);
    return RWyxColor(color.x, color.y, color.z, 1.0);
}
