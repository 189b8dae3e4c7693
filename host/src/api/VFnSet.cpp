#include <vexa/VFnSet.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/shading/SetMembership.h"

#include <vexa/VSelectionList.h>

using namespace vexa_host;

namespace {

SetMembers* membersOf(const VObject& object) {
    Node* node = liveNodeOf(object);
    return node != nullptr ? SetMembers::of(node->payload()) : nullptr;
}

}  // namespace

VFnSet::VFnSet(const VObject& object, VStatus* status) { report(status, VFnSet::setObject(object)); }

VObject VFnSet::create(const VSelectionList& members, Restriction restriction, VStatus* status) {
    if (restriction != kNone && restriction != kRenderableOnly) {
        report(status, VStatus(VStatus::kInvalidParameter, "unknown set restriction"));
        return VObject();
    }
    VStatus result;
    Scene& scene = Scene::instance();
    NodePtr set = scene.createNode(restriction == kRenderableOnly ? "shadingEngine" : "objectSet", std::string(), nullptr, result);
    if (!set) {
        report(status, result);
        return VObject();
    }
    for (const SelectionItem& item : members.items().list) {
        result = addSetMember(*set, item, false);
        if (!result) {
            scene.deleteNode(*set);
            report(status, result);
            return VObject();
        }
    }
    report(status, VStatus());
    object_ = VObject(set);
    return object_;
}

VFnSet::Restriction VFnSet::restriction(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr && setRestriction(*node) == kRenderableOnly ? kRenderableOnly : kNone;
}

VStatus VFnSet::getMembers(VSelectionList& members, bool) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    members.clear();
    for (const SelectionItem& item : membersOf(object_)->items()) members.items().list.push_back(item);
    return VStatus();
}

VStatus VFnSet::addMember(const VObject& node) {
    Node* record = liveNodeOf(node);
    if (record == nullptr || record->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a live node");
    if (record->isDag()) {
        VDagPath path;
        VDagPath::getAPathTo(node, path);
        return addMember(path);
    }
    if (VStatus alive = checkAlive(); !alive) return alive;
    return addSetMember(*liveNodeOf(object_), nodeItem(node), false);
}

VStatus VFnSet::addMember(const VDagPath& path, const VObject& component) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    if (!path.isValid()) return VStatus(VStatus::kInvalidParameter, "the DAG path is not valid");
    return addSetMember(*liveNodeOf(object_), dagItem(path, component), false);
}

VStatus VFnSet::addMember(const VPlug& plug) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    if (plug.isNull()) return VStatus(VStatus::kInvalidParameter, "the plug is null");
    return addSetMember(*liveNodeOf(object_), plugItem(plug), false);
}

VStatus VFnSet::addMembers(const VSelectionList& members) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    for (const SelectionItem& item : members.items().list) {
        if (VStatus status = addSetMember(*liveNodeOf(object_), item, false); !status) return status;
    }
    return VStatus();
}

VStatus VFnSet::removeMember(const VObject& node) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node* record = liveNodeOf(node);
    if (record == nullptr) return VStatus(VStatus::kInvalidParameter, "not a live node");
    if (!record->isDag()) return removeSetMember(*liveNodeOf(object_), nodeItem(node));
    VDagPath path;
    VDagPath::getAPathTo(node, path);
    return removeMember(path);
}

VStatus VFnSet::removeMember(const VDagPath& path, const VObject& component) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    return removeSetMember(*liveNodeOf(object_), dagItem(path, component));
}

bool VFnSet::isMember(const VObject& node, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return false;
    }
    Node* record = liveNodeOf(node);
    if (record == nullptr) {
        report(status, VStatus(VStatus::kInvalidParameter, "not a live node"));
        return false;
    }
    report(status, VStatus());
    return membersOf(object_)->holds(nodeItem(node));
}

bool VFnSet::isMember(const VDagPath& path, const VObject& component, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return false;
    }
    report(status, VStatus());
    return path.isValid() && membersOf(object_)->holds(dagItem(path, component));
}

VStatus VFnSet::clear() {
    if (VStatus alive = checkAlive(); !alive) return alive;
    SetMembers* members = membersOf(object_);
    const std::vector<SelectionItem> held = members->items();
    for (const SelectionItem& item : held) members->remove(item);
    return VStatus();
}
