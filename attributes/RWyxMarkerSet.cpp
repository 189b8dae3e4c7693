#include "attributes/RWyxMarkerSet.h"

#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"

RPlugRef RWyxMarkerSet::ReferTo(const RWyxNode* node) {
    return RPlugRef(node != nullptr ? node->GetProperties() : nullptr);
}

int RWyxMarkerSet::AddMarker(const RWyxMarkerSetEntry& entry, RWyxNode* node) {
    entries_.push_back({entry, ReferTo(node)});
    return GetMarkerCount() - 1;
}

const RWyxMarkerSetEntry* RWyxMarkerSet::GetMarker(int index) const {
    return IsMarkerIndex(index) ? &entries_[static_cast<size_t>(index)].values : nullptr;
}

RWyxNode* RWyxMarkerSet::GetMarkerNode(int index) const {
    if (!IsMarkerIndex(index)) return nullptr;
    RPlug* plug = entries_[static_cast<size_t>(index)].node.Get();
    if (plug == nullptr || !plug->Is(RWyxNodeProperties::ClassId())) return nullptr;
    return static_cast<RWyxNodeProperties*>(plug)->GetNode();
}

bool RWyxMarkerSet::SetMarker(int index, const RWyxMarkerSetEntry& entry, RWyxNode* node) {
    if (!IsMarkerIndex(index)) return false;
    entries_[static_cast<size_t>(index)] = {entry, ReferTo(node)};
    return true;
}

bool RWyxMarkerSet::RemoveMarker(int index) {
    if (!IsMarkerIndex(index)) return false;
    entries_.erase(entries_.begin() + index);
    return true;
}
