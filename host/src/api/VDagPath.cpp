#include <vexa/VDagPath.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/TransformNode.h"

#include <vexa/VDagPathArray.h>

#include <algorithm>

using namespace vexa_host;

namespace {

VDagPath toPath(const NodeChain& chain) {
    std::vector<NodePtr> nodes;
    nodes.reserve(chain.size());
    for (Node* node : chain) nodes.push_back(node->self());
    return VDagPath(std::move(nodes));
}

NodeChain toChain(const std::vector<NodePtr>& nodes) {
    NodeChain chain;
    chain.reserve(nodes.size());
    for (const NodePtr& node : nodes) chain.push_back(node.get());
    return chain;
}

VStatus invalidPath() { return VStatus(VStatus::kInvalidParameter, "the DAG path is not valid"); }

std::vector<Node*> shapesBelow(const Node& node) {
    std::vector<Node*> shapes;
    for (Node* child : node.children()) {
        if (!child->isTransform()) shapes.push_back(child);
    }
    return shapes;
}

}  // namespace

VStatus VDagPath::getAPathTo(const VObject& object, VDagPath& path) {
    Node* node = liveNodeOf(object);
    if (node == nullptr || !node->isDag() || node->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a DAG node");
    path = toPath(Scene::firstPath(*node));
    return VStatus();
}

VStatus VDagPath::getAllPathsTo(const VObject& object, VDagPathArray& paths) {
    paths.clear();
    Node* node = liveNodeOf(object);
    if (node == nullptr || !node->isDag() || node->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a DAG node");
    for (const NodeChain& chain : Scene::allPaths(*node)) paths.append(toPath(chain));
    return VStatus();
}

// Set edits ask it of each member they look at: the status is made only when asked for.
bool VDagPath::isValid(VStatus* status) const {
    bool valid = !nodes_.empty();
    for (size_t i = 0; valid && i < nodes_.size(); ++i) {
        const Node& node = *nodes_[i];
        const Node* parent = i == 0 ? &Scene::instance().world() : nodes_[i - 1].get();
        valid = node.alive() && node.hasParent(parent);
    }
    if (status != nullptr) *status = valid ? VStatus() : invalidPath();
    return valid;
}

unsigned VDagPath::length(VStatus* status) const {
    report(status, VStatus());
    return static_cast<unsigned>(nodes_.size());
}

// No status is made unless asked for: a set edit asks every item it names for its node.
VObject VDagPath::node(VStatus* status) const {
    if (status != nullptr) *status = nodes_.empty() ? invalidPath() : VStatus();
    return nodes_.empty() ? VObject() : VObject(nodes_.back());
}

VObject VDagPath::transform(VStatus* status) const {
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it) {
        if ((*it)->isTransform()) {
            report(status, VStatus());
            return VObject(*it);
        }
    }
    report(status, invalidPath());
    return VObject();
}

VFn::Type VDagPath::apiType(VStatus* status) const {
    report(status, nodes_.empty() ? invalidPath() : VStatus());
    return nodes_.empty() ? VFn::kInvalid : nodes_.back()->apiType();
}

bool VDagPath::hasFn(VFn::Type type, VStatus* status) const {
    if (nodes_.empty()) {
        report(status, invalidPath());
        return false;
    }
    report(status, VStatus());
    const Node& node = *nodes_.back();
    if (type == VFn::kInvalid) return false;
    if (node.hasFn(type)) return true;
    if (!node.isTransform()) return false;
    // A transform also answers for the shapes it holds.
    for (Node* shape : shapesBelow(node)) {
        if (shape->hasFn(type)) return true;
    }
    return false;
}

VStatus VDagPath::push(const VObject& child) {
    Node* node = liveNodeOf(child);
    const Node* parent = nodes_.empty() ? &Scene::instance().world() : nodes_.back().get();
    if (node == nullptr || !node->hasParent(parent)) {
        return VStatus(VStatus::kInvalidParameter, "not a child of the path's node");
    }
    nodes_.push_back(node->self());
    return VStatus();
}

VStatus VDagPath::pop(unsigned count) {
    if (count > nodes_.size()) return VStatus(VStatus::kInvalidParameter, "the path is shorter than that");
    nodes_.resize(nodes_.size() - count);
    return VStatus();
}

unsigned VDagPath::childCount(VStatus* status) const {
    report(status, VStatus());
    return nodes_.empty() ? static_cast<unsigned>(Scene::instance().world().childCount())
                          : static_cast<unsigned>(nodes_.back()->childCount());
}

VObject VDagPath::child(unsigned index, VStatus* status) const {
    const Node& parent = nodes_.empty() ? Scene::instance().world() : *nodes_.back();
    Node* node = parent.child(index);
    report(status, node != nullptr ? VStatus() : VStatus(VStatus::kInvalidParameter, "child index out of range"));
    return node != nullptr ? VObject(node->self()) : VObject();
}

VStatus VDagPath::extendToShape() {
    if (nodes_.empty()) return invalidPath();
    if (!nodes_.back()->isTransform()) return VStatus();
    std::vector<Node*> shapes = shapesBelow(*nodes_.back());
    // The intermediate shapes of a deformed shape's history do not count.
    shapes.erase(std::remove_if(shapes.begin(), shapes.end(),
                                [](const Node* shape) { return readNumber(*shape, "intermediateObject") != 0.0; }),
                 shapes.end());
    if (shapes.size() != 1) {
        return VStatus(VStatus::kInvalidParameter, shapes.empty() ? "the transform holds no shape" : "the transform holds several shapes");
    }
    nodes_.push_back(shapes.front()->self());
    return VStatus();
}

VStatus VDagPath::extendToShapeDirectlyBelow(unsigned index) {
    if (nodes_.empty()) return invalidPath();
    const std::vector<Node*> shapes = shapesBelow(*nodes_.back());
    if (index >= shapes.size()) return VStatus(VStatus::kInvalidParameter, "shape index out of range");
    nodes_.push_back(shapes[index]->self());
    return VStatus();
}

VStatus VDagPath::numberOfShapesDirectlyBelow(unsigned& count) const {
    if (nodes_.empty()) return invalidPath();
    count = static_cast<unsigned>(shapesBelow(*nodes_.back()).size());
    return VStatus();
}

VString VDagPath::fullPathName(VStatus* status) const {
    report(status, nodes_.empty() ? invalidPath() : VStatus());
    return VString(Scene::fullPathName(toChain(nodes_)));
}

VString VDagPath::partialPathName(VStatus* status) const {
    report(status, nodes_.empty() ? invalidPath() : VStatus());
    return VString(Scene::instance().partialPathName(toChain(nodes_)));
}

bool VDagPath::isInstanced(VStatus* status) const {
    report(status, VStatus());
    for (const NodePtr& node : nodes_) {
        if (node->parents().size() > 1) return true;
    }
    return false;
}

unsigned VDagPath::instanceNumber(VStatus* status) const {
    if (nodes_.empty()) {
        report(status, invalidPath());
        return 0;
    }
    const NodeChain mine = toChain(nodes_);
    const std::vector<NodeChain> all = Scene::allPaths(*nodes_.back());
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == mine) {
            report(status, VStatus());
            return static_cast<unsigned>(i);
        }
    }
    report(status, invalidPath());
    return 0;
}

VMatrix VDagPath::inclusiveMatrix(VStatus* status) const {
    report(status, nodes_.empty() ? invalidPath() : VStatus());
    return vexa_host::inclusiveMatrix(toChain(nodes_));
}

VMatrix VDagPath::exclusiveMatrix(VStatus* status) const {
    report(status, nodes_.empty() ? invalidPath() : VStatus());
    NodeChain chain = toChain(nodes_);
    if (!chain.empty()) chain.pop_back();
    return vexa_host::inclusiveMatrix(chain);
}

VMatrix VDagPath::inclusiveMatrixInverse(VStatus* status) const { return inclusiveMatrix(status).inverse(); }
