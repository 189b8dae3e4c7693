#include "core/RWyxSceneObject.h"

#include <algorithm>
#include <cstring>

namespace {

const char* PrefixOfTypeId(int typeId) {
    switch (typeId) {
        case 1:
            return "Model::";
        case 2:
            return "Texture::";
        case 3:
            return "Material::";
        case 4:
        case 5:
            return "Video::";
        case 6:
        case 8:
            return "Constraint::";
        case 7:
            return "MarkerSet::";
        case 9:
        case 11:
            return "Pose::";
        case 12:
            return "ControlSetPlug::";
        default:
            return "";
    }
}

}  // namespace

RWyxSceneObject::RWyxSceneObject(void* manager, const RString& name) : names_(name), manager_(manager) {}

RWyxSceneObject::~RWyxSceneObject() = default;

std::unique_ptr<RWyxStringList> RWyxSceneObject::GetStringList() const {
    return std::make_unique<RWyxStringList>();
}

// ---- names ------------------------------------------------------------------------------------

void RWyxSceneObject::SetName(const RString& name) {
    OnNameChanging();
    names_.SetCurrent(GetNamePrefix() + name);
}

RString RWyxSceneObject::GetNamePrefix() const {
    return RString(PrefixOfTypeId(GetTypeId()));
}

RString RWyxSceneObject::GetNameWithoutPrefix() const {
    const RString& name = GetName();
    // An object without a prefix has none to strip: only the "::" rule applies.
    const char* prefix = PrefixOfTypeId(GetTypeId());
    const int prefixLength = static_cast<int>(std::strlen(prefix));
    if (prefixLength > 0 && std::strncmp(name.Buffer(), prefix, static_cast<size_t>(prefixLength)) == 0) {
        return name.SubstringFrom(prefixLength);
    }
    const int separator = name.FindText("::");
    return separator >= 0 ? name.SubstringFrom(separator + 2) : name;
}

RString RWyxSceneObject::GetTextAfterColon(const RString& text) {
    const int colon = text.FindChar(':');
    return colon >= 0 ? text.SubstringFrom(colon + 1) : text;
}

// ---- user properties ---------------------------------------------------------------------------

RWyxUserProperty* RWyxSceneObject::GetUserProperty(int index) const {
    return index >= 0 && index < GetUserPropertyCount() ? userProperties_[static_cast<size_t>(index)].get()
                                                         : nullptr;
}

RWyxUserProperty* RWyxSceneObject::AddUserProperty(std::unique_ptr<RWyxUserProperty> userProperty) {
    RWyxUserProperty* added = userProperty.get();
    if (added == nullptr) return nullptr;
    if (added->listedIn_ != nullptr) {
        // A list owns it already; a second owner would delete it twice.
        static_cast<void>(userProperty.release());
        return added->listedIn_ == this ? added : nullptr;
    }
    added->listedIn_ = this;
    userProperties_.push_back(std::move(userProperty));
    OnUserPropertyAdded(*added);
    return added;
}

bool RWyxSceneObject::RemoveUserProperty(RWyxUserProperty* userProperty) {
    const auto isIt = [userProperty](const auto& present) { return present.get() == userProperty; };
    if (userProperty == nullptr || std::none_of(userProperties_.begin(), userProperties_.end(), isIt)) return false;
    OnUserPropertyRemoved(*userProperty);
    // The hook may have changed the list: look the entry up again.
    const auto found = std::find_if(userProperties_.begin(), userProperties_.end(), isIt);
    if (found != userProperties_.end()) userProperties_.erase(found);
    return true;
}

RWyxUserProperty* RWyxSceneObject::FindUserProperty(const RProperty* property) const {
    if (property == nullptr) return nullptr;
    for (const auto& userProperty : userProperties_) {
        if (userProperty->IsSameProperty(property)) return userProperty.get();
    }
    return nullptr;
}

RWyxUserProperty* RWyxSceneObject::FindUserPropertyByName(const char* name) const {
    if (name == nullptr) return nullptr;
    for (const auto& userProperty : userProperties_) {
        if (RString(userProperty->GetName()) == name) return userProperty.get();
    }
    return nullptr;
}
