// The parts of RWyxNode that need the attribute kinds and characters: typed access to the
// attribute, the flags its kind decides, and the clearing of character slots.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkeleton.h"
#include "scene/RWyxNode.h"

#include <utility>

RWyxNull* RWyxNode::GetNull() const { return static_cast<RWyxNull*>(AttributeOfType(RWyxNodeAttribute::kNull)); }

RWyxMarker* RWyxNode::GetMarker() const {
    return static_cast<RWyxMarker*>(AttributeOfType(RWyxNodeAttribute::kMarker));
}

RWyxSkeleton* RWyxNode::GetSkeleton() const {
    return static_cast<RWyxSkeleton*>(AttributeOfType(RWyxNodeAttribute::kSkeleton));
}

RWyxGeometry* RWyxNode::GetGeometry() const {
    if (attribute_ == nullptr) return nullptr;
    const int type = attribute_->GetAttributeType();
    const bool isGeometry =
        type == RWyxNodeAttribute::kMesh || type == RWyxNodeAttribute::kNurb || type == RWyxNodeAttribute::kPatch;
    return isGeometry ? static_cast<RWyxGeometry*>(attribute_) : nullptr;
}

RWyxMesh* RWyxNode::GetMesh() const { return static_cast<RWyxMesh*>(AttributeOfType(RWyxNodeAttribute::kMesh)); }

RWyxNurb* RWyxNode::GetNurb() const { return static_cast<RWyxNurb*>(AttributeOfType(RWyxNodeAttribute::kNurb)); }

RWyxPatch* RWyxNode::GetPatch() const { return static_cast<RWyxPatch*>(AttributeOfType(RWyxNodeAttribute::kPatch)); }

RWyxCamera* RWyxNode::GetCamera() const {
    return static_cast<RWyxCamera*>(AttributeOfType(RWyxNodeAttribute::kCamera));
}

RWyxCameraSwitcher* RWyxNode::GetCameraSwitcher() const {
    return static_cast<RWyxCameraSwitcher*>(AttributeOfType(RWyxNodeAttribute::kCameraSwitcher));
}

RWyxLight* RWyxNode::GetLight() const { return static_cast<RWyxLight*>(AttributeOfType(RWyxNodeAttribute::kLight)); }

RWyxOptical* RWyxNode::GetOptical() const {
    return static_cast<RWyxOptical*>(AttributeOfType(RWyxNodeAttribute::kOptical));
}

// Effectors are animated in layers; lights, cameras and optical markers carry one take only.
void RWyxNode::UpdateAttributeFlags() {
    const RWyxMarker* marker = GetMarker();
    const int markerType = marker != nullptr ? marker->GetType() : -1;
    multiLayer_ = RWyxMarker::IsLayeredType(markerType);
    const bool singleTake = GetLight() != nullptr || GetCamera() != nullptr || RWyxMarker::IsSingleTakeType(markerType);
    multiTake_ = singleTake ? 0 : 1;
}

// The links go first, so that a character asked to clear its slot finds nothing to change here.
void RWyxNode::ReleaseCharacterSlots() {
    const std::vector<CharacterLink> links = std::move(characterLinks_);
    characterLinks_.clear();
    for (const CharacterLink& link : links) {
        if (link.character != nullptr) link.character->ReleaseNodeSlot(link.kind, link.index, link.subIndex, this);
    }
}
