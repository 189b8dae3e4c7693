#include "host/src/scene/NamedItems.h"

#include "host/src/scene/Handles.h"
#include "host/src/scene/Scene.h"

#include <algorithm>
#include <cstring>

namespace vexa_host {

VStatus itemsNamed(const std::vector<std::string>& words, std::vector<SelectionItem>& items) {
    items.clear();
    if (words.empty()) {
        for (const SelectionItem& item : Scene::instance().activeSelection()) {
            if (item.stillExists()) items.push_back(item);
        }
        return VStatus();
    }
    for (const std::string& word : words) {
        if (VStatus status = resolveSelection(word, items); !status) return status;
    }
    return VStatus();
}

VStatus nodeNamed(const std::string& word, Node*& node) {
    // A plain name that one node carries is that node: commands name their target this way
    // every time (one set edit per polygon), so it skips the selection's items. A word with a
    // NUL inside goes the general way too.
    static PlainNameCache last;
    if (Node* named = plainNamed(word, word.size(), last); named != nullptr && !named->isWorld()) {
        node = named;
        return VStatus();
    }
    std::vector<SelectionItem> items;
    VStatus status = resolveSelection(word, items);
    node = status && items.size() == 1 && items.front().kind != SelectionItem::kPlug ? liveNodeOf(items.front().node) : nullptr;
    if (node != nullptr) return VStatus();
    return status ? VStatus(VStatus::kInvalidParameter, word + " does not name one node") : status;
}

Node* plainNamed(const std::string& text, size_t size, PlainNameCache& cache) {
    const std::uint64_t stamp = Node::structureStamp();
    if (cache.stamp == stamp && cache.name.size() == size && std::char_traits<char>::compare(text.data(), cache.name.data(), size) == 0) {
        return cache.node;
    }
    if (size == 0 || std::strcspn(text.c_str(), ".|*?:") != size) return nullptr;  // a NUL before the end too
    cache.name.assign(text, 0, size);
    const std::vector<Node*>& named = Scene::instance().nodesNamed(cache.name);
    cache.node = named.size() == 1 ? named.front() : nullptr;
    cache.stamp = stamp;
    return cache.node;
}

Node* shapeOfItem(const SelectionItem& item) {
    if (item.kind != SelectionItem::kDagPath) return nullptr;
    VDagPath path = item.path;
    if (!path.isValid() || !path.extendToShape()) return nullptr;
    return liveNodeOf(path.node());
}

constexpr size_t kUsualDepth = 8;  // room for the paths of most scenes without regrowing

// Built straight from the parents (as Scene::firstPath walks them): every command that names
// a DAG node makes one.
VDagPath firstPathOf(const Node& node) { return firstPathOf(node, std::vector<NodePtr>()); }

namespace {

// Visits the node and its first parents upwards, as far as the DAG goes (not the world), while
// the visit answers true; answers whether it went all the way.
template <typename Visit>
bool walkFirstParents(const Node& node, Visit visit) {
    for (Node* current = const_cast<Node*>(&node); current != nullptr && !current->isWorld() && current->isDag();) {
        if (!visit(*current)) return false;
        current = current->parents().empty() ? nullptr : current->parents().front().parent;
    }
    return true;
}

}  // namespace

VDagPath firstPathOf(const Node& node, std::vector<NodePtr>&& storage) {
    std::vector<NodePtr> nodes = std::move(storage);
    nodes.reserve(kUsualDepth);
    walkFirstParents(node, [&nodes](Node& current) {
        nodes.push_back(current.self());
        return true;
    });
    std::reverse(nodes.begin(), nodes.end());
    return VDagPath(std::move(nodes));
}

bool isFirstPathOf(const VDagPath& path, const Node& node) {
    const std::vector<NodePtr>& nodes = path.nodes();
    size_t left = nodes.size();
    return walkFirstParents(node, [&nodes, &left](const Node& current) { return left > 0 && nodes[--left].get() == &current; }) &&
           left == 0;
}

}  // namespace vexa_host
