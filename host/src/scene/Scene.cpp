#include "host/src/scene/Scene.h"

#include "host/src/scene/PathLink.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/SelectionItems.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace vexa_host {

namespace {

constexpr size_t kMaxNumberDigits = 9;

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == ':';
}

// Legal characters only, no namespace and no leading digit: a name that cleaning, splitting
// and prefixing leave as it is.
bool isPlainName(const std::string& name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front()))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return c != ':' && isNameCharacter(c); });
}

// Replaces illegal characters and answers whether the name was absolute (began with ":").
std::string cleanName(const std::string& requested, bool& absolute) {
    std::string clean = requested;
    for (char& c : clean) {
        if (!isNameCharacter(c)) c = '_';
    }
    absolute = !clean.empty() && clean.front() == ':';
    const size_t first = clean.find_first_not_of(':');
    if (first == std::string::npos) return std::string();
    clean.erase(0, first);
    return clean;
}

void splitNamespace(const std::string& name, std::string& nameSpace, std::string& leaf) {
    const size_t colon = name.rfind(':');
    if (colon == std::string::npos) {
        nameSpace.clear();
        leaf = name;
    } else {
        nameSpace = name.substr(0, colon);
        leaf = name.substr(colon + 1);
    }
}

// The name a node of its type takes when none is asked for: "transform1", "locatorShape1".
std::string defaultLeaf(const Node& node) {
    return node.type().name + (node.isDag() && !node.isTransform() ? "Shape1" : "1");
}

std::vector<Node*> parentsOf(const Node& node) {
    std::vector<Node*> parents;
    for (const ParentLink& link : node.parents()) parents.push_back(link.parent);
    return parents;
}

bool suffixMatches(const NodeChain& chain, const std::vector<std::string>& names, bool whole) {
    if (names.size() > chain.size() || (whole && names.size() != chain.size())) return false;
    const size_t offset = chain.size() - names.size();
    for (size_t i = 0; i < names.size(); ++i) {
        if (chain[offset + i]->name() != names[i]) return false;
    }
    return true;
}

// suffixMatches for a path given by its last step.
bool stepsMatch(const PathLink& tail, const std::vector<std::string>& names, bool whole) {
    if (names.size() > tail.length() || (whole && names.size() != tail.length())) return false;
    const PathLink* step = &tail;
    for (auto name = names.rbegin(); name != names.rend(); ++name, step = step->up().get()) {
        if (step->node().name() != *name) return false;
    }
    return true;
}

bool kindsFit(const AttributeDef& a, const AttributeDef& b) {
    if (a.kind != b.kind) return false;
    if (a.kind == AttributeKind::Compound) return a.children.size() == b.children.size();
    if (a.kind == AttributeKind::Data) return a.dataType == b.dataType || a.dataType.empty() || b.dataType.empty();
    return true;
}

void eraseConnection(std::vector<Connection>& list, const Node* other, const PlugPath& local, const PlugPath& remote) {
    auto it = std::find_if(list.begin(), list.end(), [&](const Connection& c) {
        return c.other == other && c.local == local && c.remote == remote;
    });
    if (it != list.end()) list.erase(it);
}

}  // namespace

Scene& Scene::instance() {
    static Scene scene;
    return scene;
}

Scene::Scene() : activeSelection_(std::make_unique<ActiveSelection>()) {
    world_ = std::make_shared<Node>(*NodeTypeRegistry::instance().find("world"), 0);
    world_->name_ = "world";
}

Scene::~Scene() = default;

void Scene::reset() {
    while (world_->childCount() > 0) deleteNode(*world_->child(world_->childCount() - 1));
    while (!nodes_.empty()) deleteNode(*nodes_.rbegin()->second);
    names_.clear();
    spareName_.clear();
    nextNumber_.clear();
    namespaces_.clear();
    currentNamespace_.clear();
    currentTime_ = 0.0;
    ++timeStamp_;
    lastGroupId_ = 0;
    minTime_ = 0.0;
    maxTime_ = 10.0;
    activeSelection_->clear();
    fileInfo_.clear();
    lastBuiltPath_.reset();
}

void Scene::setCurrentTime(double seconds) {
    if (seconds == currentTime_) return;
    currentTime_ = seconds;
    ++timeStamp_;
}

NodePtr Scene::createNode(const std::string& typeName, const std::string& name, Node* dagParent, VStatus& status) {
    const NodeType* type = NodeTypeRegistry::instance().find(typeName);
    if (type == nullptr) {
        status = VStatus(VStatus::kInvalidParameter, "unknown or abstract node type: " + typeName);
        return nullptr;
    }
    return createNode(*type, name, dagParent, status);
}

NodePtr Scene::createNode(const NodeType& nodeType, const std::string& name, Node* dagParent, VStatus& status) {
    const NodeType* type = &nodeType;
    if (type->abstract || type->fnType == VFn::kWorld) {
        status = VStatus(VStatus::kInvalidParameter, "unknown or abstract node type: " + type->name);
        return nullptr;
    }
    Node* parent = nullptr;
    if (type->dag) {
        parent = dagParent != nullptr ? dagParent : world_.get();
        if (!parent->alive() || (!parent->isTransform() && !parent->isWorld())) {
            status = VStatus(VStatus::kInvalidParameter, "the parent cannot have children");
            return nullptr;
        }
        if (!type->transform && parent->isWorld()) {
            NodePtr holder = createNode("transform", type->name + "1", nullptr, status);
            if (!holder) return nullptr;
            parent = holder.get();
        }
    }
    auto node = std::make_shared<Node>(*type, nextId_++);
    indexName(*node, uniqueName(name, *node, NameParents(parent)));
    // Ids only grow: the new node goes last.
    nodes_.emplace_hint(nodes_.end(), node->id(), node);
    if (parent != nullptr) parent->linkChild(node.get(), static_cast<size_t>(-1));
    status = VStatus();
    return node;
}

std::string Scene::rename(Node& node, const std::string& requested) {
    if (node.isWorld() || !node.alive()) return node.name();
    unindexName(node);
    indexName(node, uniqueName(requested, node, NameParents(node.parents())));
    return node.name();
}

void Scene::indexName(Node& node, const std::string& name) {
    Node::noteStructureChange();
    node.name_ = name;
    names_[name].push_back(&node);
}

void Scene::unindexName(Node& node) {
    Node::noteStructureChange();
    auto it = names_.find(node.name_);
    if (it == names_.end()) return;
    std::vector<Node*>& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), &node), list.end());
    if (!list.empty() || it->first == spareName_) return;
    // One emptied name stays as a spare entry: creators make a node under its type's default
    // name and rename it at once, and the next node takes the entry again. Any other emptied
    // name goes, so at most one entry lists no node.
    if (!spareName_.empty()) {
        auto spare = names_.find(spareName_);
        if (spare != names_.end() && spare->second.empty()) names_.erase(spare);
    }
    spareName_ = it->first;
}

const std::vector<Node*>& Scene::nodesNamed(const std::string& name) const {
    static const std::vector<Node*> none;
    auto it = names_.find(name);
    return it == names_.end() ? none : it->second;
}

bool Scene::NameParents::contains(const Node* parent) const {
    if (links_ == nullptr) return one_ != nullptr && one_ == parent;
    return std::any_of(links_->begin(), links_->end(), [parent](const ParentLink& link) { return link.parent == parent; });
}

bool Scene::nameFree(const std::string& name, const Node& node, const NameParents& parents) const {
    for (Node* other : nodesNamed(name)) {
        if (other == &node) continue;
        if (!other->isDag() || !node.isDag()) return false;
        for (const ParentLink& link : other->parents()) {
            if (parents.contains(link.parent)) return false;
        }
    }
    return true;
}

std::string Scene::uniqueName(const std::string& requested, const Node& node, const NameParents& parents) {
    // A plain request made outside any namespace is already legal: when free it is the name.
    if (currentNamespace_.empty() && isPlainName(requested) && nameFree(requested, node, parents)) return requested;
    // A node made without a name outside any namespace (a creator names it at once) takes its
    // type's default name when free, without the cleaning and splitting below.
    if (currentNamespace_.empty() && requested.empty()) {
        std::string wanted = defaultLeaf(node);
        if (isPlainName(wanted) && nameFree(wanted, node, parents)) return wanted;
    }
    bool absolute = false;
    std::string nameSpace;
    std::string leaf;
    splitNamespace(cleanName(requested, absolute), nameSpace, leaf);
    if (!absolute && !currentNamespace_.empty()) {
        nameSpace = nameSpace.empty() ? currentNamespace_ : currentNamespace_ + ":" + nameSpace;
    }
    if (leaf.empty()) leaf = defaultLeaf(node);
    if (std::isdigit(static_cast<unsigned char>(leaf.front()))) leaf = "_" + leaf;
    if (!nameSpace.empty()) addNamespace(nameSpace);
    const std::string prefix = nameSpace.empty() ? std::string() : nameSpace + ":";
    std::string wanted = prefix + leaf;
    if (nameFree(wanted, node, parents)) return wanted;

    size_t digits = 0;
    while (digits < leaf.size() && digits < kMaxNumberDigits &&
           std::isdigit(static_cast<unsigned char>(leaf[leaf.size() - 1 - digits]))) {
        ++digits;
    }
    const std::string base = leaf.substr(0, leaf.size() - digits);
    unsigned number = digits == 0 ? 1u : static_cast<unsigned>(std::stoul(leaf.substr(base.size()))) + 1u;
    unsigned& next = nextNumber_[prefix + base];
    number = std::max(number, next);
    while (!nameFree(prefix + base + std::to_string(number), node, parents)) ++number;
    next = number + 1;
    return prefix + base + std::to_string(number);
}

bool Scene::namespaceExists(const std::string& name) const { return name.empty() || namespaces_.count(name) != 0; }

void Scene::addNamespace(const std::string& name) {
    for (size_t colon = name.find(':'); colon != std::string::npos; colon = name.find(':', colon + 1)) {
        namespaces_.insert(name.substr(0, colon));
    }
    if (!name.empty()) namespaces_.insert(name);
}

bool Scene::removeNamespace(const std::string& name) {
    if (namespaces_.count(name) == 0) return false;
    const std::string prefix = name + ":";
    for (const auto& entry : names_) {
        if (!entry.second.empty() && entry.first.compare(0, prefix.size(), prefix) == 0) return false;
    }
    for (const std::string& other : namespaces_) {
        if (other.compare(0, prefix.size(), prefix) == 0) return false;
    }
    namespaces_.erase(name);
    if (currentNamespace_ == name) currentNamespace_.clear();
    return true;
}

bool Scene::setCurrentNamespace(const std::string& name) {
    const std::string clean = name.empty() || name == ":" ? std::string() : (name.front() == ':' ? name.substr(1) : name);
    if (!namespaceExists(clean)) return false;
    currentNamespace_ = clean;
    return true;
}

VStatus Scene::addChild(Node& parent, Node& child, size_t index, bool keepExistingParents) {
    if (!parent.alive() || !child.alive() || !child.isDag() || child.isWorld()) {
        return VStatus(VStatus::kInvalidParameter, "not a DAG node");
    }
    if (!parent.isTransform() && !parent.isWorld()) return VStatus(VStatus::kInvalidParameter, "the parent cannot have children");
    if (parent.isWorld() && !child.isTransform()) return VStatus(VStatus::kInvalidParameter, "a shape needs a transform above it");
    if (&parent == &child || child.isAncestorOf(&parent)) return VStatus(VStatus::kInvalidParameter, "the link would make a cycle");
    if (child.hasParent(&parent)) {
        if (keepExistingParents) return VStatus(VStatus::kInvalidParameter, "already a child of that parent");
        parent.unlinkChild(&child);
    }
    if (!keepExistingParents) {
        for (Node* old : parentsOf(child)) old->unlinkChild(&child);
    }
    parent.linkChild(&child, index);
    if (!nameFree(child.name(), child, NameParents(child.parents()))) rename(child, child.name());
    return VStatus();
}

VStatus Scene::removeChild(Node& parent, Node& child) {
    if (!child.hasParent(&parent)) return VStatus(VStatus::kInvalidParameter, "not a child of that parent");
    if (child.parents().size() == 1 && !child.isTransform()) {
        return VStatus(VStatus::kInvalidParameter, "a shape needs a transform above it");
    }
    parent.unlinkChild(&child);
    if (child.parents().empty()) {
        world_->linkChild(&child, static_cast<size_t>(-1));
        if (!nameFree(child.name(), child, NameParents(world_.get()))) rename(child, child.name());
    }
    return VStatus();
}

std::vector<NodeChain> Scene::allPaths(const Node& node) {
    std::vector<NodeChain> result;
    if (node.isWorld() || !node.isDag()) return result;
    // Chains grow upwards until they reach the world; the stack takes first parents first, so
    // the paths come out in instance order.
    std::vector<NodeChain> pending{{const_cast<Node*>(&node)}};
    while (!pending.empty()) {
        NodeChain chain = std::move(pending.back());
        pending.pop_back();
        if (chain.back()->isWorld()) {
            chain.pop_back();
            result.emplace_back(chain.rbegin(), chain.rend());
            continue;
        }
        const auto& links = chain.back()->parents();
        for (auto link = links.rbegin(); link != links.rend(); ++link) {
            NodeChain longer = chain;
            longer.push_back(link->parent);
            pending.push_back(std::move(longer));
        }
    }
    return result;
}

namespace {

// The next node up a first path: the first parent, null at the top or past a node off the DAG.
const Node* firstPathStep(const Node* node) {
    if (node == nullptr || node->isWorld() || !node->isDag()) return nullptr;
    return node->parents().empty() ? nullptr : node->parents().front().parent;
}

bool onFirstPath(const Node* node) { return node != nullptr && !node->isWorld() && node->isDag(); }

}  // namespace

NodeChain Scene::firstPath(const Node& node) {
    // One walk up into storage kept for the next call, then copied top down into a chain of
    // its exact size: a deep node's parents are visited once, and no call but the deepest yet
    // grows the storage.
    static thread_local NodeChain upwards;
    upwards.clear();
    for (const Node* current = &node; onFirstPath(current); current = firstPathStep(current)) {
        upwards.push_back(const_cast<Node*>(current));
    }
    return NodeChain(upwards.rbegin(), upwards.rend());
}

std::string Scene::fullPathName(const NodeChain& chain) {
    // Sized first: a deep path is built with one allocation and no temporaries.
    size_t size = chain.size();
    for (const Node* node : chain) size += node->name().size();
    std::string text;
    text.reserve(size);
    for (const Node* node : chain) {
        text += '|';
        text += node->name();
    }
    return text;
}

std::string Scene::partialPathName(const NodeChain& chain) const {
    if (chain.empty()) return std::string();
    std::vector<std::string> names;
    for (const Node* node : chain) names.push_back(node->name());
    std::vector<NodeChain> candidates;
    for (Node* node : nodesNamed(chain.back()->name())) {
        for (NodeChain& path : allPaths(*node)) candidates.push_back(std::move(path));
    }
    for (size_t length = 1; length <= names.size(); ++length) {
        const std::vector<std::string> tail(names.end() - static_cast<std::ptrdiff_t>(length), names.end());
        const auto matches = std::count_if(candidates.begin(), candidates.end(),
                                           [&tail](const NodeChain& path) { return suffixMatches(path, tail, false); });
        if (matches <= 1) {
            std::string text;
            for (const std::string& name : tail) text += (text.empty() ? "" : "|") + name;
            return text;
        }
    }
    return fullPathName(chain);
}

namespace {

constexpr size_t kFewChildren = 4;  // scanned at once: cheaper than looking the name up

// The one child of the parent with the name, looked for in the shorter of the parent's
// children and the nodes of that name. False when two children share the name.
bool onlyChildNamed(const Scene& scene, const Node& parent, const std::string& name, Node*& child) {
    child = nullptr;
    if (parent.childCount() > kFewChildren) {
        const std::vector<Node*>& namesakes = scene.nodesNamed(name);
        if (namesakes.size() <= parent.childCount()) {
            for (Node* node : namesakes) {
                if (!node->hasParent(&parent)) continue;
                if (child != nullptr) return false;
                child = node;
            }
            return true;
        }
    }
    for (size_t i = 0; i < parent.childCount(); ++i) {
        Node* node = parent.child(i);
        if (node->name() != name) continue;
        if (child != nullptr) return false;
        child = node;
    }
    return true;
}

// A whole path ("|a|b") resolved down from the world by child name: the same answer as
// matching every path of every node of the leaf's name, each level looking through a short
// list (a name shared by a node in every camera costs nothing here).
// False when some level holds namesakes under one parent, where the order of the answers is
// that of the nodes of the leaf's name and only the full search gives it.
bool walkDown(const Scene& scene, const Node& world, const std::vector<std::string>& names,
              std::vector<NodeChain>& found) {
    NodeChain chain;
    chain.reserve(names.size());
    const Node* parent = &world;
    for (const std::string& name : names) {
        Node* child = nullptr;
        if (!onlyChildNamed(scene, *parent, name, child)) return false;
        if (child == nullptr) return true;
        chain.push_back(child);
        parent = child;
    }
    found.push_back(std::move(chain));
    return true;
}

}  // namespace

std::vector<NodeChain> Scene::findPaths(const std::string& pathText) const {
    // Commands name one node by its whole path several times in a row (a limit per axis): the
    // last answer stands while no name or parent link has changed.
    if (lastWholePath_.stamp == Node::structureStamp() && lastWholePath_.text == pathText) return lastWholePath_.found;
    std::vector<NodeChain> found;
    const bool whole = !pathText.empty() && pathText.front() == '|';
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(std::count(pathText.begin(), pathText.end(), '|')) + 1);
    size_t begin = 0;
    while (begin <= pathText.size()) {
        const size_t bar = pathText.find('|', begin);
        const std::string name = pathText.substr(begin, bar == std::string::npos ? std::string::npos : bar - begin);
        if (!name.empty()) names.push_back(name);
        if (bar == std::string::npos) break;
        begin = bar + 1;
    }
    if (names.empty()) return found;
    if (whole && walkDown(*this, *world_, names, found)) {
        lastWholePath_ = {pathText, Node::structureStamp(), found};
        return found;
    }
    for (Node* node : nodesNamed(names.back())) {
        if (!node->isDag()) continue;
        // A node on one path only: the names are read off its kept steps, and the chain is made
        // for a match alone (most nodes of a shared name are not the one a path text names).
        const PathTail first = firstPathLink(*node);
        if (first && !first->instanced()) {
            if (first->rooted() && stepsMatch(*first, names, whole)) found.push_back(firstPath(*node));
            continue;
        }
        for (NodeChain& path : allPaths(*node)) {
            if (suffixMatches(path, names, whole)) found.push_back(std::move(path));
        }
    }
    return found;
}

VStatus Scene::connect(Node& source, const PlugPath& sourcePath, Node& destination, const PlugPath& destinationPath) {
    if (!source.alive() || !destination.alive()) return VStatus(VStatus::kInvalidParameter, "a node was deleted");
    if (!sourcePath.indicesResolved() || !destinationPath.indicesResolved() || sourcePath.isArrayPlug() ||
        destinationPath.isArrayPlug()) {
        return VStatus(VStatus::kInvalidParameter, "a plug lacks an element index");
    }
    if (&source == &destination && sourcePath == destinationPath) {
        return VStatus(VStatus::kInvalidParameter, "a plug cannot drive itself");
    }
    const AttributeDef& from = sourcePath.leaf();
    const AttributeDef& to = destinationPath.leaf();
    if (!from.connectable || !to.connectable || !from.readable || !to.writable) {
        return VStatus(VStatus::kFailure, "the attribute is not connectable");
    }
    if (!kindsFit(from, to)) return VStatus(VStatus::kInvalidParameter, "the plugs hold different kinds of value");
    if (isLocked(destination, destinationPath)) return VStatus(VStatus::kFailure, "the destination plug is locked");
    if (destination.incomingOverlaps(destinationPath)) {
        return VStatus(VStatus::kFailure, "the destination plug is already connected");
    }
    destination.addIncoming({&source, destinationPath, sourcePath});
    source.outgoing().push_back({&destination, sourcePath, destinationPath});
    destination.noteConnection(destinationPath);
    source.noteConnection(sourcePath);
    return VStatus();
}

VStatus Scene::disconnect(Node& source, const PlugPath& sourcePath, Node& destination, const PlugPath& destinationPath) {
    if (!destination.eraseIncoming(&source, destinationPath, sourcePath)) {
        return VStatus(VStatus::kNotFound, "the plugs are not connected");
    }
    eraseConnection(source.outgoing(), &destination, sourcePath, destinationPath);
    destination.forgetConnectedIndices();
    source.forgetConnectedIndices();
    return VStatus();
}

VStatus Scene::removeAttribute(Node& node, const AttributeDef& attribute) {
    if (!attribute.dynamic || attribute.parent != nullptr) {
        return VStatus(VStatus::kInvalidParameter, "only a top-level dynamic attribute can be removed");
    }
    std::set<std::string> names;
    std::function<void(const AttributeDef&)> collect = [&](const AttributeDef& a) {
        names.insert(a.longName);
        for (const AttributePtr& child : a.children) collect(*child);
    };
    collect(attribute);
    auto mentions = [&names](const std::string& key) {
        size_t begin = 0;
        while (begin <= key.size()) {
            const size_t dot = key.find('.', begin);
            std::string part = key.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
            part = part.substr(0, part.find('['));
            if (names.count(part) != 0) return true;
            if (dot == std::string::npos) break;
            begin = dot + 1;
        }
        return false;
    };
    auto usesAttribute = [&attribute](const PlugPath& path) {
        return std::any_of(path.steps.begin(), path.steps.end(),
                           [&attribute](const PlugStep& step) { return step.attribute.get() == &attribute; });
    };
    // The node's maps are edited only where it has some: an edit through them makes them.
    if (!std::as_const(node).keyedValues().empty()) {
        Node::ValueMap& values = node.keyedValues();
        for (auto it = values.begin(); it != values.end();) it = mentions(it->first) ? values.erase(it) : std::next(it);
    }
    if (!std::as_const(node).lockedPlugs().empty()) {
        Node::KeySet& locked = node.lockedPlugs();
        for (auto it = locked.begin(); it != locked.end();) it = mentions(*it) ? locked.erase(it) : std::next(it);
    }
    for (const Connection& c : std::vector<Connection>(node.incoming())) {
        if (usesAttribute(c.local)) disconnect(*c.other, c.remote, node, c.local);
    }
    for (const Connection& c : std::vector<Connection>(node.outgoing())) {
        if (usesAttribute(c.local)) disconnect(node, c.local, *c.other, c.remote);
    }
    node.removeDynamicAttribute(&attribute);
    return VStatus();
}

void Scene::setTimeRange(double minTime, double maxTime) {
    minTime_ = minTime;
    maxTime_ = maxTime;
}

void Scene::deleteNode(Node& node) {
    if (node.isWorld() || !node.alive()) return;
    std::vector<NodePtr> keepAlive;  // the deleted nodes live until every link to them is gone
    std::vector<Node*> curves;       // animation curves that drove a deleted node
    std::vector<Node*> pending{&node};
    while (!pending.empty()) {
        Node* current = pending.back();
        pending.pop_back();
        if (!current->alive()) continue;
        for (Node* child : current->children()) {
            if (child->parents().size() > 1) {
                current->unlinkChild(child);
            } else {
                pending.push_back(child);
            }
        }
        deleteOne(*current, keepAlive, curves);
    }
    // Animation curves that drove only deleted nodes go with them.
    for (size_t i = 0; i < curves.size(); ++i) {
        if (curves[i]->alive() && curves[i]->outgoing().empty()) deleteOne(*curves[i], keepAlive, curves);
    }
    activeSelection_->dropGone();
    // Its steps went out of date with the deletion, and they must not keep a deleted node.
    lastBuiltPath_.reset();
}

void Scene::deleteOne(Node& node, std::vector<NodePtr>& keepAlive, std::vector<Node*>& curves) {
    keepAlive.push_back(node.self());
    for (Node* child : node.children()) node.unlinkChild(child);
    for (Node* parent : parentsOf(node)) parent->unlinkChild(&node);
    for (const Connection& c : node.incoming()) {
        eraseConnection(c.other->outgoing(), &node, c.remote, c.local);
        c.other->forgetConnectedIndices();
        if (c.other->hasFn(VFn::kAnimCurve)) curves.push_back(c.other);
    }
    for (const Connection& c : node.outgoing()) {
        c.other->eraseIncoming(&node, c.remote, c.local);
        c.other->forgetConnectedIndices();
    }
    node.clearIncoming();
    node.outgoing().clear();
    node.forgetConnectedIndices();
    unindexName(node);
    node.alive_ = false;
    nodes_.erase(node.id());
}

}  // namespace vexa_host
