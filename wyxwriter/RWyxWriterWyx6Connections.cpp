// The Connections section of the version-6 document: every connection into the properties
// objects (and their properties) reached from the root, as "OO" (object into object) and "OP"
// (object into a property) records.
//
// The walk starts at the root with recursion on. Visiting a properties object writes the
// connections from each of its sources, then from the sources of each of its properties in
// property order; with recursion on it then visits the owner of each source that is a
// properties object: with recursion on below a model; below a generic node or a deformer on
// unless the source is a model, a generic node or a deformer; off below anything else. With
// flag 7 the control-set plugs and then the characters are visited, recursion off.
//
// An object reached along several paths (a material of two models) is visited again only to
// recurse where it had not; each connection is written once.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterProperties.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxControlSetPlugProperties.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxGenericNodeProperties.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPoseProperties.h"
#include "attributes/RWyxPropertyOwner.h"
#include "attributes/RWyxTextureProperties.h"
#include "core/RProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "fileio/RStreamOptionsWyx.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx6.h"
#include "wyxwriter/WyxFields.h"

#include <string>
#include <utility>

using namespace wyx_fields;

namespace {

const char* const kRootName = "Model::Scene";

// The properties objects that belong to an RWyxPropertyOwner.
bool IsOwnedProperties(const RPlug& plug) {
    for (const int classId : {RWyxMaterialProperties::ClassId(), RWyxTextureProperties::ClassId(),
                              RWyxPoseProperties::ClassId(), RWyxCharacterProperties::ClassId(),
                              RWyxGenericNodeProperties::ClassId(), RWyxControlSetPlugProperties::ClassId(),
                              RWyxDeformerProperties::ClassId()}) {
        if (plug.Is(classId)) return true;
    }
    return false;
}

// The scene object a properties object belongs to; null for any other plug.
const RWyxSceneObject* OwnerOf(const RPlug& plug) {
    if (plug.Is(RWyxNodeProperties::ClassId())) {
        return static_cast<const RWyxNodeProperties&>(plug).GetNode();
    }
    if (IsOwnedProperties(plug)) {
        return static_cast<const RWyxOwnedProperties&>(plug).GetOwner();
    }
    return nullptr;
}

bool IsModel(const RPlug& properties) { return properties.Is(RWyxNodeProperties::ClassId()); }

bool IsGenericNodeOrDeformer(const RPlug& properties) {
    return properties.Is(RWyxGenericNodeProperties::ClassId()) || properties.Is(RWyxDeformerProperties::ClassId());
}

// The recursion switch of a source's owner visited from an object with recursion on.
bool RecurseInto(const RPlug& object, const RPlug& source) {
    if (IsModel(object)) return true;
    if (IsGenericNodeOrDeformer(object)) return !IsModel(source) && !IsGenericNodeOrDeformer(source);
    return false;
}

std::string ConnectionKey(const RPlug* source, const RPlug* destination) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(source)) + '>' +
           std::to_string(reinterpret_cast<std::uintptr_t>(destination));
}

}  // namespace

RString RWyxWriterWyx6::FreeRootName(RWyxScene& scene) const {
    RWyxEntityContainer& entity = *scene.GetEntity();
    const RWyxNode* root = scene.GetRootNode();
    auto taken = [&](const RString& name) {
        for (int i = 0; i < entity.GetNodeCount(); ++i) {
            const RWyxNode* node = entity.GetNode(i);
            if (node != root && node->GetName() == name) return true;
        }
        return false;
    };
    RString name(kRootName);
    for (int suffix = 1; taken(name); ++suffix) name = RString(kRootName) + " " + RString(suffix);
    return name;
}

RString RWyxWriterWyx6::ConnectionName(const RPlug& properties) const {
    const RWyxSceneObject* owner = OwnerOf(properties);
    if (owner == nullptr) return RString();
    if (scene_ != nullptr && owner == scene_->GetRootNode()) return rootName_;
    return owner->GetName();
}

void RWyxWriterWyx6::WriteConnectionsSection(RWyxScene& scene) {
    WriteSectionHeading(" Object connections");
    FieldBlock block(File(), "Connections");
    VisitConnections(*scene.GetRootNode()->GetProperties(), true);
    if (Flag(RStreamOptionsWyx::kFlagCharacters)) {
        for (int i = 0; i < scene.GetControlSetPlugCount(); ++i) {
            VisitConnections(*scene.GetControlSetPlug(i)->GetProperties(), false);
        }
        for (int i = 0; i < scene.GetCharacterCount(); ++i) {
            VisitConnections(*scene.GetCharacter(i)->GetProperties(), false);
        }
    }
}

void RWyxWriterWyx6::VisitConnections(RPlug& top, bool recurse) {
    std::vector<std::pair<RPlug*, bool>> stack{{&top, recurse}};
    while (!stack.empty()) {
        auto [properties, on] = stack.back();
        stack.pop_back();
        const auto seen = visited_.find(properties);
        if (seen != visited_.end() && (seen->second || !on)) continue;
        visited_[properties] = on;
        WriteVisit(*properties);
        if (!on) continue;
        for (int i = properties->GetSourceCount() - 1; i >= 0; --i) {
            RPlug* source = properties->GetSource(i);
            if (source != nullptr && OwnerOf(*source) != nullptr) {
                stack.emplace_back(source, RecurseInto(*properties, *source));
            }
        }
    }
}

void RWyxWriterWyx6::WriteVisit(RPlug& properties) {
    for (int i = 0; i < properties.GetSourceCount(); ++i) WriteConnection(properties.GetSource(i), properties);
    if (!properties.Is(RObject::ClassId())) return;
    const RObject& object = static_cast<const RObject&>(properties);
    for (int p = 0; p < object.GetPropertyCount(); ++p) {
        RProperty* property = object.GetProperty(p);
        if (property == nullptr) continue;
        for (int i = 0; i < property->GetSourceCount(); ++i) WriteConnection(property->GetSource(i), *property);
    }
}

void RWyxWriterWyx6::WriteConnection(RPlug* source, RPlug& destination) {
    if (source == nullptr || !source->Is(RWyxPropertyHandler::ClassId())) return;
    const RString sourceName = ConnectionName(*source);
    if (sourceName.IsEmptyText() || !connections_.insert(ConnectionKey(source, &destination)).second) return;
    if (destination.Is(RWyxPropertyHandler::ClassId())) {
        const RString destinationName = ConnectionName(destination);
        if (!destinationName.IsEmptyText()) WriteField(File(), "Connect", "OO", sourceName, destinationName);
        return;
    }
    if (!destination.Is(RProperty::ClassId())) return;
    const RProperty& property = static_cast<const RProperty&>(destination);
    const RObject* owner = property.GetOwnerObject();
    const RString ownerName = owner != nullptr ? ConnectionName(*owner) : RString();
    if (!ownerName.IsEmptyText()) WriteField(File(), "Connect", "OP", sourceName, ownerName, property.GetName());
}
