#include "core/RWyxSceneObject.h"

#include "core/RObject.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

RWyxSceneObject::RWyxSceneObject(void* manager, const RString& name) : names_(name), manager_(manager) {
    names_.SetObserver(this);
}

RWyxSceneObject::~RWyxSceneObject() = default;

std::unique_ptr<RWyxStringList> RWyxSceneObject::GetStringList() const {
    return std::make_unique<RWyxStringList>();
}

// ---- names ------------------------------------------------------------------------------------

void RWyxSceneObject::SetName(const RString& name) { names_.SetCurrent(GetNamePrefix() + name); }

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

void RWyxSceneObject::DeferUserPropertyWrappers(const RObject& source, int count) {
    if (!userProperties_.empty() || deferredCount_ != 0) return;
    wrapperSource_ = &source;
    deferredCount_ = std::clamp(count, 0, source.GetPropertyCount());
}

std::unique_ptr<RWyxUserProperty> RWyxSceneObject::MakeUserPropertyFor(RProperty* property) const {
    return std::make_unique<RWyxUserProperty>(nullptr, property);
}

void RWyxSceneObject::Expand() const {
    if (!IsExpanded()) userProperties_.resize(static_cast<size_t>(deferredCount_));
}

RProperty* RWyxSceneObject::PendingProperty(int index) const {
    if (index < 0 || index >= deferredCount_ || wrapperSource_ == nullptr) return nullptr;
    if (IsExpanded() && userProperties_[static_cast<size_t>(index)] != nullptr) return nullptr;
    return wrapperSource_->GetProperty(index);
}

RWyxUserProperty* RWyxSceneObject::MadeAt(int index) const {
    return index >= 0 && index < static_cast<int>(userProperties_.size()) ? userProperties_[static_cast<size_t>(index)].get()
                                                                          : nullptr;
}

int RWyxSceneObject::PendingIndexOf(const RProperty* property) const {
    if (wrapperSource_ == nullptr) return -1;
    for (int i = 0; i < deferredCount_; ++i) {
        if (wrapperSource_->GetProperty(i) == property && MadeAt(i) == nullptr) return i;
    }
    return -1;
}

int RWyxSceneObject::CountMadeWrapping(const RProperty* property, RWyxUserProperty*& first) const {
    int count = 0;
    const auto range = byProperty_.equal_range(property);
    for (auto entry = range.first; entry != range.second; ++entry) {
        if (!entry->second->IsSameProperty(property)) continue;
        if (count++ == 0) first = entry->second;
    }
    return count;
}

void RWyxSceneObject::Index(RWyxUserProperty& userProperty) const {
    userProperty.indexedUnder_ = userProperty.GetProperty();
    if (userProperty.indexedUnder_ != nullptr) byProperty_.emplace(userProperty.indexedUnder_, &userProperty);
}

void RWyxSceneObject::Unindex(RWyxUserProperty& userProperty) const {
    const auto range = byProperty_.equal_range(std::exchange(userProperty.indexedUnder_, nullptr));
    for (auto entry = range.first; entry != range.second; ++entry) {
        if (entry->second == &userProperty) {
            byProperty_.erase(entry);
            return;
        }
    }
}

void RWyxSceneObject::OnRepointed(RWyxUserProperty& userProperty) const {
    Unindex(userProperty);
    Index(userProperty);
}

RWyxUserProperty* RWyxSceneObject::MakeDeferred(int index) const {
    if (RProperty* property = PendingProperty(index)) {
        Expand();
        std::unique_ptr<RWyxUserProperty> wrapper = MakeUserPropertyFor(property);
        if (wrapper == nullptr) wrapper = RWyxSceneObject::MakeUserPropertyFor(property);
        wrapper->listedIn_ = this;
        Index(*wrapper);
        userProperties_[static_cast<size_t>(index)] = std::move(wrapper);
    }
    return userProperties_[static_cast<size_t>(index)].get();
}

void RWyxSceneObject::MakeAllDeferred() const {
    for (int i = 0; i < deferredCount_; ++i) MakeDeferred(i);
    deferredCount_ = 0;
    wrapperSource_ = nullptr;
}

void RWyxSceneObject::OnWrappedPropertyLeaving(const RProperty* property) {
    if (deferredCount_ == 0 || wrapperSource_ == nullptr) return;
    // Leaving past the deferred entries moves none of them.
    const int index = wrapperSource_->IndexOfProperty(property);
    if (index >= 0 && index < deferredCount_) MakeAllDeferred();
}

void RWyxSceneObject::ForgetWrapperSource() {
    if (deferredCount_ == 0) return;
    // Entries never made wrap nothing anyone has seen: they go.
    if (IsExpanded()) {
        userProperties_.erase(std::remove(userProperties_.begin(), userProperties_.begin() + deferredCount_, nullptr),
                              userProperties_.begin() + deferredCount_);
    }
    deferredCount_ = 0;
    wrapperSource_ = nullptr;
}

int RWyxSceneObject::GetUserPropertyCount() const {
    return IsExpanded() ? static_cast<int>(userProperties_.size()) : deferredCount_;
}

RWyxUserProperty* RWyxSceneObject::GetUserProperty(int index) const {
    if (index < 0 || index >= GetUserPropertyCount()) return nullptr;
    return index < deferredCount_ ? MakeDeferred(index) : MadeAt(index);
}

RWyxUserProperty* RWyxSceneObject::AddUserProperty(std::unique_ptr<RWyxUserProperty> userProperty) {
    RWyxUserProperty* added = userProperty.get();
    if (added == nullptr) return nullptr;
    if (added->listedIn_ != nullptr) {
        // A list owns it already; a second owner would delete it twice.
        static_cast<void>(userProperty.release());
        return added->listedIn_ == this ? added : nullptr;
    }
    Expand();
    added->listedIn_ = this;
    Index(*added);
    userProperties_.push_back(std::move(userProperty));
    OnUserPropertyAdded(*added);
    return added;
}

bool RWyxSceneObject::RemoveUserProperty(RWyxUserProperty* userProperty) {
    const auto isIt = [userProperty](const auto& present) { return present.get() == userProperty; };
    if (userProperty == nullptr || std::none_of(userProperties_.begin(), userProperties_.end(), isIt)) return false;
    // The entries behind it move up: a deferred one would no longer stand at its property's
    // index.
    if (std::find_if(userProperties_.begin(), userProperties_.end(), isIt) - userProperties_.begin() < deferredCount_) {
        MakeAllDeferred();
    }
    OnUserPropertyRemoved(*userProperty);
    // The hook may have changed the list: look the entry up again.
    const auto found = std::find_if(userProperties_.begin(), userProperties_.end(), isIt);
    if (found != userProperties_.end()) {
        Unindex(**found);
        userProperties_.erase(found);
    }
    return true;
}

RWyxUserProperty* RWyxSceneObject::FindUserProperty(const RProperty* property) const {
    if (property == nullptr) return nullptr;
    const int pending = PendingIndexOf(property);
    RWyxUserProperty* made = nullptr;
    const int madeCount = CountMadeWrapping(property, made);
    if (madeCount == 0) return pending >= 0 ? MakeDeferred(pending) : nullptr;
    if (pending < 0 && madeCount == 1) return made;
    // Several entries wrap it: the first in the list wins.
    for (int i = 0; i < GetUserPropertyCount(); ++i) {
        if (PendingProperty(i) == property) return MakeDeferred(i);
        RWyxUserProperty* userProperty = MadeAt(i);
        if (userProperty != nullptr && userProperty->IsSameProperty(property)) return userProperty;
    }
    return nullptr;
}

bool RWyxSceneObject::HasUserPropertyFor(const RProperty* property) const {
    if (property == nullptr) return false;
    // Before any wrapper is made the entries are the source's first properties, all pending:
    // one scan of the source's list answers (every value a reader sets asks).
    if (!IsExpanded()) {
        const int index = wrapperSource_ != nullptr ? wrapperSource_->IndexOfProperty(property) : -1;
        return index >= 0 && index < deferredCount_;
    }
    RWyxUserProperty* made = nullptr;
    return PendingIndexOf(property) >= 0 || CountMadeWrapping(property, made) > 0;
}

RProperty* RWyxSceneObject::GetWrappedProperty(int index) const {
    if (RProperty* pending = PendingProperty(index)) return pending;
    const RWyxUserProperty* made = MadeAt(index);
    return made != nullptr ? made->GetProperty() : nullptr;
}

RWyxUserProperty* RWyxSceneObject::FindUserPropertyByName(const char* name) const {
    if (name == nullptr) return nullptr;
    for (int i = 0; i < GetUserPropertyCount(); ++i) {
        if (const RProperty* pending = PendingProperty(i)) {
            if (RString(pending->GetName()) == name) return MakeDeferred(i);
            continue;
        }
        RWyxUserProperty* userProperty = MadeAt(i);
        if (userProperty != nullptr && RString(userProperty->GetName()) == name) return userProperty;
    }
    return nullptr;
}
