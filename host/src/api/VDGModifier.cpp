#include <vexa/VDGModifier.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/Scene.h"
#include "host/src/script/CommandEngine.h"

#include <vexa/VFnDependencyNode.h>

#include <vector>

namespace vexa_host {

struct Operation {
    enum Kind { kCreate, kDelete, kRename, kConnect, kDisconnect, kAddAttribute, kRemoveAttribute, kCommand };
    Kind kind;
    VObject node;
    VPlug source;
    VPlug destination;
    VObject attribute;
    std::string text;
    std::string previousName;
};

struct ModifierOperations {
    std::vector<Operation> queued;
    std::vector<Operation> done;
};

}  // namespace vexa_host

using namespace vexa_host;

namespace {

VStatus connectPlugs(const VPlug& source, const VPlug& destination, bool connect) {
    if (source.isNull() || destination.isNull()) return VStatus(VStatus::kInvalidParameter, "a plug is null");
    Scene& scene = Scene::instance();
    return connect ? scene.connect(*source.nodeRecord(), *source.path(), *destination.nodeRecord(), *destination.path())
                   : scene.disconnect(*source.nodeRecord(), *source.path(), *destination.nodeRecord(), *destination.path());
}

VStatus carryOut(Operation& operation) {
    switch (operation.kind) {
    case Operation::kCreate: return VStatus();
    case Operation::kDelete: {
        Node* node = liveNodeOf(operation.node);
        if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "not a live node");
        Scene::instance().deleteNode(*node);
        return VStatus();
    }
    case Operation::kRename: {
        Node* node = liveNodeOf(operation.node);
        if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "not a live node");
        operation.previousName = node->name();
        Scene::instance().rename(*node, operation.text);
        return VStatus();
    }
    case Operation::kConnect: return connectPlugs(operation.source, operation.destination, true);
    case Operation::kDisconnect: return connectPlugs(operation.source, operation.destination, false);
    case Operation::kAddAttribute: return VFnDependencyNode(operation.node).addAttribute(operation.attribute);
    case Operation::kRemoveAttribute: return VFnDependencyNode(operation.node).removeAttribute(operation.attribute);
    case Operation::kCommand: {
        CommandResult result;
        return CommandEngine::instance().execute(operation.text, result);
    }
    }
    return VStatus(VStatus::kFailure);
}

VStatus takeBack(const Operation& operation) {
    switch (operation.kind) {
    case Operation::kCreate: {
        Node* node = liveNodeOf(operation.node);
        if (node != nullptr) Scene::instance().deleteNode(*node);
        return VStatus();
    }
    case Operation::kRename: {
        Node* node = liveNodeOf(operation.node);
        if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "not a live node");
        Scene::instance().rename(*node, operation.previousName);
        return VStatus();
    }
    case Operation::kConnect: return connectPlugs(operation.source, operation.destination, false);
    case Operation::kDisconnect: return connectPlugs(operation.source, operation.destination, true);
    case Operation::kAddAttribute: return VFnDependencyNode(operation.node).removeAttribute(operation.attribute);
    case Operation::kRemoveAttribute: return VFnDependencyNode(operation.node).addAttribute(operation.attribute);
    case Operation::kDelete:
    case Operation::kCommand: return VStatus(VStatus::kNotImplemented, "this change cannot be taken back");
    }
    return VStatus(VStatus::kFailure);
}

}  // namespace

VDGModifier::VDGModifier() : operations_(std::make_unique<ModifierOperations>()) {}

VDGModifier::~VDGModifier() = default;

VObject VDGModifier::createNode(const VString& typeName, VStatus* status) {
    VFnDependencyNode creator;
    VObject node = creator.create(typeName, status);
    if (!node.isNull()) operations_->queued.push_back({Operation::kCreate, node, {}, {}, {}, {}, {}});
    return node;
}

VStatus VDGModifier::deleteNode(const VObject& node) {
    if (liveNodeOf(node) == nullptr) return VStatus(VStatus::kInvalidParameter, "not a live node");
    operations_->queued.push_back({Operation::kDelete, node, {}, {}, {}, {}, {}});
    return VStatus();
}

VStatus VDGModifier::renameNode(const VObject& node, const VString& newName) {
    if (liveNodeOf(node) == nullptr) return VStatus(VStatus::kInvalidParameter, "not a live node");
    operations_->queued.push_back({Operation::kRename, node, {}, {}, {}, newName.str(), {}});
    return VStatus();
}

VStatus VDGModifier::connect(const VPlug& source, const VPlug& destination) {
    if (source.isNull() || destination.isNull()) return VStatus(VStatus::kInvalidParameter, "a plug is null");
    operations_->queued.push_back({Operation::kConnect, {}, source, destination, {}, {}, {}});
    return VStatus();
}

VStatus VDGModifier::disconnect(const VPlug& source, const VPlug& destination) {
    if (source.isNull() || destination.isNull()) return VStatus(VStatus::kInvalidParameter, "a plug is null");
    operations_->queued.push_back({Operation::kDisconnect, {}, source, destination, {}, {}, {}});
    return VStatus();
}

VStatus VDGModifier::addAttribute(const VObject& node, const VObject& attribute) {
    if (liveNodeOf(node) == nullptr || !attributeOf(attribute)) return VStatus(VStatus::kInvalidParameter, "not a node and an attribute");
    operations_->queued.push_back({Operation::kAddAttribute, node, {}, {}, attribute, {}, {}});
    return VStatus();
}

VStatus VDGModifier::removeAttribute(const VObject& node, const VObject& attribute) {
    if (liveNodeOf(node) == nullptr || !attributeOf(attribute)) return VStatus(VStatus::kInvalidParameter, "not a node and an attribute");
    operations_->queued.push_back({Operation::kRemoveAttribute, node, {}, {}, attribute, {}, {}});
    return VStatus();
}

VStatus VDGModifier::commandToExecute(const VString& command) {
    operations_->queued.push_back({Operation::kCommand, {}, {}, {}, {}, command.str(), {}});
    return VStatus();
}

VStatus VDGModifier::doIt() {
    std::vector<Operation> queued;
    queued.swap(operations_->queued);
    for (size_t i = 0; i < queued.size(); ++i) {
        VStatus status = carryOut(queued[i]);
        if (!status) {
            // The failed change is dropped; the ones after it stay queued for a later doIt.
            operations_->queued.assign(queued.begin() + static_cast<std::ptrdiff_t>(i) + 1, queued.end());
            return status;
        }
        operations_->done.push_back(queued[i]);
    }
    return VStatus();
}

VStatus VDGModifier::undoIt() {
    VStatus result;
    while (!operations_->done.empty()) {
        VStatus status = takeBack(operations_->done.back());
        if (!status && result) result = status;
        operations_->done.pop_back();
    }
    return result;
}
