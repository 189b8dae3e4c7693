#include "attributes/RWyxOptical.h"

std::unique_ptr<RWyxStringList> RWyxOptical::GetTypeNameList() const {
    auto list = std::make_unique<RWyxStringList>();
    list->SetText("Marker");
    return list;
}
