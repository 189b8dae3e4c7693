#include <vexa/VDagPath.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PathLink.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/TransformNode.h"

#include <vexa/VDagPathArray.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using namespace vexa_host;

namespace {

NodeChain toChain(const PathLink* tail) {
    NodeChain chain(tail != nullptr ? tail->length() : 0);
    for (size_t place = chain.size(); tail != nullptr; tail = tail->up().get()) chain[--place] = &tail->node();
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

// "|a|b|c", sized first: a deep path is built with one allocation.
std::string fullPathNameOf(const PathLink* tail) {
    static thread_local std::vector<const std::string*> names;
    names.clear();
    size_t size = 0;
    for (const PathLink* step = tail; step != nullptr; step = step->up().get()) {
        names.push_back(&step->node().name());
        size += 1 + names.back()->size();
    }
    std::string text;
    text.reserve(size);
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        text += '|';
        text += **name;
    }
    return text;
}

// How many names from the end of the path name it alone, found from the kept first paths of the
// nodes named as its last: one more than the second longest run of names that one of their paths
// shares with the end of this one (this path shares all of it when it is a node's path). 0 when
// such a node lies on several paths: the full search decides then.
size_t namesNeeded(const PathLink& tail) {
    const std::vector<Node*>& namesakes = Scene::instance().nodesNamed(tail.node().name());
    size_t paths = 0;
    size_t longest = 0;
    size_t second = 0;
    for (Node* namesake : namesakes) {
        const PathTail first = firstPathLink(*namesake);
        if (!first) continue;
        if (first->instanced()) return 0;
        if (!first->rooted()) continue;  // on no path from the world
        ++paths;
        if (namesakes.size() == 1) break;
        size_t shared = 0;
        for (const PathLink *mine = &tail, *theirs = first.get(); mine != nullptr && theirs != nullptr;
             mine = mine->up().get(), theirs = theirs->up().get()) {
            if (mine == theirs) {
                shared += mine->length();
                break;
            }
            if (mine->node().name() != theirs->node().name()) break;
            ++shared;
        }
        second = std::max(second, std::min(shared, longest));
        longest = std::max(longest, shared);
    }
    return paths < 2 ? 1 : second + 1;
}

// The last `count` names of the path, joined by '|'.
std::string lastNames(const PathLink& tail, size_t count) {
    std::vector<const std::string*> names;
    for (const PathLink* step = &tail; step != nullptr && names.size() < count; step = step->up().get()) {
        names.push_back(&step->node().name());
    }
    std::string text;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!text.empty()) text += '|';
        text += **name;
    }
    return text;
}

}  // namespace

VDagPath::VDagPath(const std::vector<NodePtr>& nodes) {
    NodeChain chain;
    chain.reserve(nodes.size());
    for (const NodePtr& node : nodes) chain.push_back(node.get());
    tail_ = pathOfNodes(chain);
}

std::vector<NodePtr> VDagPath::nodes() const {
    std::vector<NodePtr> nodes(tail_ ? tail_->length() : 0);
    size_t place = nodes.size();
    for (const PathLink* step = tail_.get(); step != nullptr; step = step->up().get()) nodes[--place] = step->nodePtr();
    return nodes;
}

bool VDagPath::operator==(const VDagPath& other) const { return samePath(tail_.get(), other.tail_.get()); }

VStatus VDagPath::getAPathTo(const VObject& object, VDagPath& path) {
    Node* node = liveNodeOf(object);
    if (node == nullptr || !node->isDag() || node->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a DAG node");
    path = VDagPath(firstPathLink(*node));
    return VStatus();
}

VStatus VDagPath::getAllPathsTo(const VObject& object, VDagPathArray& paths) {
    paths.clear();
    Node* node = liveNodeOf(object);
    if (node == nullptr || !node->isDag() || node->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a DAG node");
    for (const NodeChain& chain : Scene::allPaths(*node)) paths.append(VDagPath(pathOfNodes(chain)));
    return VStatus();
}

// Set edits ask it of each member they look at: the status is made only when asked for.
bool VDagPath::isValid(VStatus* status) const {
    const bool valid = pathStillLinked(tail_, Scene::instance().world());
    if (status != nullptr) *status = valid ? VStatus() : invalidPath();
    return valid;
}

unsigned VDagPath::length(VStatus* status) const {
    report(status, VStatus());
    return tail_ ? static_cast<unsigned>(tail_->length()) : 0u;
}

// No status is made unless asked for: a set edit asks every item it names for its node.
VObject VDagPath::node(VStatus* status) const {
    if (status != nullptr) *status = tail_ ? VStatus() : invalidPath();
    return tail_ ? VObject(tail_->nodePtr()) : VObject();
}

VObject VDagPath::transform(VStatus* status) const {
    for (const PathLink* step = tail_.get(); step != nullptr; step = step->up().get()) {
        if (step->node().isTransform()) {
            report(status, VStatus());
            return VObject(step->nodePtr());
        }
    }
    report(status, invalidPath());
    return VObject();
}

VFn::Type VDagPath::apiType(VStatus* status) const {
    report(status, tail_ ? VStatus() : invalidPath());
    return tail_ ? tail_->node().apiType() : VFn::kInvalid;
}

bool VDagPath::hasFn(VFn::Type type, VStatus* status) const {
    if (!tail_) {
        report(status, invalidPath());
        return false;
    }
    report(status, VStatus());
    const Node& node = tail_->node();
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
    const Node* parent = tail_ ? &tail_->node() : &Scene::instance().world();
    if (node == nullptr || !node->hasParent(parent)) {
        return VStatus(VStatus::kInvalidParameter, "not a child of the path's node");
    }
    tail_ = childStep(tail_, *node);
    return VStatus();
}

VStatus VDagPath::pop(unsigned count) {
    if (count > length()) return VStatus(VStatus::kInvalidParameter, "the path is shorter than that");
    PathTail above = tail_;
    for (unsigned i = 0; i < count; ++i) above = above->up();
    tail_ = std::move(above);
    return VStatus();
}

unsigned VDagPath::childCount(VStatus* status) const {
    report(status, VStatus());
    return static_cast<unsigned>(tail_ ? tail_->node().childCount() : Scene::instance().world().childCount());
}

VObject VDagPath::child(unsigned index, VStatus* status) const {
    const Node& parent = tail_ ? tail_->node() : Scene::instance().world();
    Node* node = parent.child(index);
    report(status, node != nullptr ? VStatus() : VStatus(VStatus::kInvalidParameter, "child index out of range"));
    return node != nullptr ? VObject(node->self()) : VObject();
}

VStatus VDagPath::extendToShape() {
    if (!tail_) return invalidPath();
    if (!tail_->node().isTransform()) return VStatus();
    std::vector<Node*> shapes = shapesBelow(tail_->node());
    // The intermediate shapes of a deformed shape's history do not count.
    shapes.erase(std::remove_if(shapes.begin(), shapes.end(),
                                [](const Node* shape) { return readNumber(*shape, "intermediateObject") != 0.0; }),
                 shapes.end());
    if (shapes.size() != 1) {
        return VStatus(VStatus::kInvalidParameter, shapes.empty() ? "the transform holds no shape" : "the transform holds several shapes");
    }
    tail_ = childStep(tail_, *shapes.front());
    return VStatus();
}

VStatus VDagPath::extendToShapeDirectlyBelow(unsigned index) {
    if (!tail_) return invalidPath();
    const std::vector<Node*> shapes = shapesBelow(tail_->node());
    if (index >= shapes.size()) return VStatus(VStatus::kInvalidParameter, "shape index out of range");
    tail_ = childStep(tail_, *shapes[index]);
    return VStatus();
}

VStatus VDagPath::numberOfShapesDirectlyBelow(unsigned& count) const {
    if (!tail_) return invalidPath();
    count = static_cast<unsigned>(shapesBelow(tail_->node()).size());
    return VStatus();
}

VString VDagPath::fullPathName(VStatus* status) const {
    report(status, tail_ ? VStatus() : invalidPath());
    return VString(fullPathNameOf(tail_.get()));
}

VString VDagPath::partialPathName(VStatus* status) const {
    report(status, tail_ ? VStatus() : invalidPath());
    if (!tail_) return VString();
    const size_t needed = namesNeeded(*tail_);
    if (needed == 0) return VString(Scene::instance().partialPathName(toChain(tail_.get())));
    return VString(needed > tail_->length() ? fullPathNameOf(tail_.get()) : lastNames(*tail_, needed));
}

bool VDagPath::isInstanced(VStatus* status) const {
    report(status, VStatus());
    if (tail_ && tail_->node().keptFirstPath() == tail_) return tail_->instanced();
    for (const PathLink* step = tail_.get(); step != nullptr; step = step->up().get()) {
        if (step->node().parents().size() > 1) return true;
    }
    return false;
}

unsigned VDagPath::instanceNumber(VStatus* status) const {
    if (!tail_) {
        report(status, invalidPath());
        return 0;
    }
    // A node on one path only: its kept first path, linked to the world.
    if (tail_->node().keptFirstPath() == tail_ && !tail_->instanced() && tail_->rooted()) {
        report(status, VStatus());
        return 0;
    }
    const NodeChain mine = toChain(tail_.get());
    const std::vector<NodeChain> all = Scene::allPaths(tail_->node());
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
    report(status, tail_ ? VStatus() : invalidPath());
    return vexa_host::inclusiveMatrix(toChain(tail_.get()));
}

VMatrix VDagPath::exclusiveMatrix(VStatus* status) const {
    report(status, tail_ ? VStatus() : invalidPath());
    return vexa_host::inclusiveMatrix(toChain(tail_ ? tail_->up().get() : nullptr));
}

VMatrix VDagPath::inclusiveMatrixInverse(VStatus* status) const { return inclusiveMatrix(status).inverse(); }
