#include "attributes/RWyxGobo.h"

RWyxGobo::RWyxGobo(RWyxObjectFactory* factory, const RString& name)
    : RWyxSceneObject(factory, name), lifetime_(std::make_shared<int>(0)) {}

bool RWyxGobo::SetDrawComponent(int index, int value) {
    if (index < 0 || index >= kDrawComponentCount) return false;
    drawComponents_[index] = value;
    return true;
}

int RWyxGobo::GetDrawComponent(int index) const {
    return index >= 0 && index < kDrawComponentCount ? drawComponents_[index] : 0;
}
