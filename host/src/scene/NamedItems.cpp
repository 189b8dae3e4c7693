#include "host/src/scene/NamedItems.h"

#include "host/src/scene/Handles.h"
#include "host/src/scene/PathLink.h"
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

VDagPath firstPathOf(const Node& node) { return VDagPath(firstPathLink(node)); }

bool isFirstPathOf(const VDagPath& path, const Node& node) { return samePath(path.tail().get(), firstPathLink(node).get()); }

}  // namespace vexa_host
