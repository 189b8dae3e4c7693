#include "plugin/VexaNode.h"

#include <new>
#include <utility>

namespace {

// The room of a node's first attribute names.
constexpr int kAttributeNameRoom = 20;

}  // namespace

VexaNode::VexaNode(RWyxObjectFactory* factory, const RString& name) : RWyxNode(factory, name) {
    SetOffsetTranslation(0.0, 0.0, 0.0);
    SetOffsetRotation(0.0, 0.0, 0.0);
    SetOffsetScaling(1.0, 1.0, 1.0);
}

VexaNode::~VexaNode() {
    if (!attributeNames_) return;
    for (int i = 0; i < attributeNames_->GetCount(); ++i) delete reinterpret_cast<RString*>(attributeNames_->ValueAt(i));
    attributeNames_->Clear();
}

void VexaNode::SetDagPath(const VDagPath* path) {
    dagPathBound_ = path != nullptr;
    if (path != nullptr) {
        dagPath_ = *path;  // into the path's room, without a copy between
    } else {
        dagPath_ = VDagPath();
    }
}

void VexaNode::SetDagPath(VDagPath&& path) {
    dagPathBound_ = true;
    dagPath_ = std::move(path);
}

void VexaNode::SetObject(const VObject* object) {
    objectBound_ = object != nullptr;
    object_ = object != nullptr ? *object : VObject();
}

void VexaNode::SetOffsetTranslation(double x, double y, double z) {
    offsetTranslation_[0] = x;
    offsetTranslation_[1] = y;
    offsetTranslation_[2] = z;
}

void VexaNode::SetOffsetRotation(double x, double y, double z) {
    offsetRotation_[0] = x;
    offsetRotation_[1] = y;
    offsetRotation_[2] = z;
}

void VexaNode::SetOffsetScaling(double x, double y, double z) {
    offsetScaling_[0] = x;
    offsetScaling_[1] = y;
    offsetScaling_[2] = z;
}

void VexaNode::SetNurbsNonUniform(int direction, bool flag) {
    if (direction == 0 || direction == 1) nurbsNonUniform_[direction] = flag;
}

bool VexaNode::IsNurbsNonUniform(int direction) const {
    return (direction == 0 || direction == 1) && nurbsNonUniform_[direction];
}

void VexaNode::SetNamespace(const RString& name, bool starts) {
    if (namespace_) {
        *namespace_ = name;
    } else {
        namespace_ = std::make_unique<RString>(name);
    }
    namespaceStart_ = starts;
}

void VexaNode::GetNamespace(RString& name, bool& starts) const {
    name = namespace_ ? *namespace_ : RString("");
    starts = namespaceStart_;
}

void VexaNode::AddAttributeName(const char* propertyName, const RString& attributeName) {
    if (propertyName == nullptr) return;
    if (!attributeNames_) attributeNames_ = std::make_unique<RStringMap>(kAttributeNameRoom);
    if (attributeNames_->Lookup(propertyName) != 0) return;
    RString* copy = new (std::nothrow) RString(attributeName);
    if (copy != nullptr && attributeNames_->Add(propertyName, reinterpret_cast<std::intptr_t>(copy)) < 0) delete copy;
}

const RString* VexaNode::FindAttributeName(const char* propertyName) const {
    return attributeNames_ ? reinterpret_cast<const RString*>(attributeNames_->Lookup(propertyName)) : nullptr;
}

int VexaNode::GetPivotStateOf(int set) const {
    int state = 0;
    return GetPivotState(set, state);
}
