#include <vexa/VFnDagNode.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/TransformNode.h"

#include <vexa/VDagPathArray.h>

using namespace vexa_host;

VFnDagNode::VFnDagNode(const VObject& object, VStatus* status) { report(status, VFnDagNode::setObject(object)); }

VFnDagNode::VFnDagNode(const VDagPath& path, VStatus* status) { report(status, VFnDagNode::setObject(path)); }

VStatus VFnDagNode::setObject(const VObject& object) {
    hasPath_ = false;
    path_ = VDagPath();
    return VFnDependencyNode::setObject(object);
}

VStatus VFnDagNode::setObject(const VDagPath& path) {
    if (!path.isValid()) {
        object_ = VObject();
        hasPath_ = false;
        return VStatus(VStatus::kInvalidParameter, "the DAG path is not valid");
    }
    VStatus status = setObject(path.node());
    if (status) {
        path_ = path;
        hasPath_ = true;
    }
    return status;
}

VObject VFnDagNode::create(const VString& typeName, const VObject& parent, VStatus* status) {
    return create(typeName, VString(), parent, status);
}

VObject VFnDagNode::create(const VString& typeName, const VString& name, const VObject& parent, VStatus* status) {
    Node* parentNode = nullptr;
    if (!parent.isNull()) {
        parentNode = liveNodeOf(parent);
        if (parentNode == nullptr) {
            report(status, VStatus(VStatus::kInvalidParameter, "the parent is not a live node"));
            return VObject();
        }
    }
    const NodeType* type = NodeTypeRegistry::instance().find(typeName.str());
    if (type == nullptr || !type->dag) {
        report(status, VStatus(VStatus::kInvalidParameter, "not a DAG node type: " + typeName));
        return VObject();
    }
    VStatus result;
    NodePtr node = Scene::instance().createNode(*type, name.str(), parentNode, result);
    report(status, result);
    if (!node) return VObject();
    setObject(VObject(node));
    return object_;
}

unsigned VFnDagNode::parentCount(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? static_cast<unsigned>(node->parents().size()) : 0u;
}

VObject VFnDagNode::parent(unsigned index, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    if (node == nullptr || index >= node->parents().size()) {
        report(status, node == nullptr ? checkAlive() : VStatus(VStatus::kInvalidParameter, "parent index out of range"));
        return VObject();
    }
    report(status, VStatus());
    Node* parent = node->parents()[index].parent;
    return parent->isWorld() ? VObject() : VObject(parent->self());
}

unsigned VFnDagNode::childCount(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? static_cast<unsigned>(node->childCount()) : 0u;
}

VObject VFnDagNode::child(unsigned index, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    Node* child = node != nullptr ? node->child(index) : nullptr;
    report(status, child != nullptr ? VStatus() : VStatus(VStatus::kInvalidParameter, "child index out of range"));
    return child != nullptr ? VObject(child->self()) : VObject();
}

bool VFnDagNode::hasParent(const VObject& node, VStatus* status) const {
    report(status, checkAlive());
    Node* self = liveNodeOf(object_);
    Node* other = node.isNull() ? &Scene::instance().world() : nodeOf(node);
    return self != nullptr && other != nullptr && self->hasParent(other);
}

bool VFnDagNode::hasChild(const VObject& node, VStatus* status) const {
    report(status, checkAlive());
    Node* self = liveNodeOf(object_);
    Node* other = nodeOf(node);
    return self != nullptr && other != nullptr && other->hasParent(self);
}

bool VFnDagNode::isChildOf(const VObject& node, VStatus* status) const { return hasParent(node, status); }

bool VFnDagNode::isParentOf(const VObject& node, VStatus* status) const { return hasChild(node, status); }

VStatus VFnDagNode::addChild(VObject& child, unsigned index, bool keepExistingParents) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node* node = liveNodeOf(child);
    if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "the child is not a live node");
    return Scene::instance().addChild(*liveNodeOf(object_), *node, index == kNextPos ? static_cast<size_t>(-1) : index,
                                      keepExistingParents);
}

VStatus VFnDagNode::removeChild(VObject& child) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node* node = liveNodeOf(child);
    if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "the child is not a live node");
    return Scene::instance().removeChild(*liveNodeOf(object_), *node);
}

VStatus VFnDagNode::getPath(VDagPath& path) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    if (hasPath_) {
        path = path_;
        return VStatus();
    }
    return VDagPath::getAPathTo(object_, path);
}

VStatus VFnDagNode::getAllPaths(VDagPathArray& paths) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    return VDagPath::getAllPathsTo(object_, paths);
}

VDagPath VFnDagNode::dagPath(VStatus* status) const {
    VDagPath path;
    report(status, getPath(path));
    return path;
}

VString VFnDagNode::fullPathName(VStatus* status) const { return dagPath(status).fullPathName(); }

VString VFnDagNode::partialPathName(VStatus* status) const { return dagPath(status).partialPathName(); }

bool VFnDagNode::isInstanced(bool indirect, VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    if (node == nullptr) return false;
    return indirect ? Scene::allPaths(*node).size() > 1 : node->parents().size() > 1;
}

unsigned VFnDagNode::instanceCount(bool total, VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    if (node == nullptr) return 0;
    return static_cast<unsigned>(total ? Scene::allPaths(*node).size() : node->parents().size());
}

VMatrix VFnDagNode::transformationMatrix(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? localMatrix(*node) : VMatrix();
}

bool VFnDagNode::isIntermediateObject(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr && readNumber(*node, "intermediateObject") != 0.0;
}
