#include "host/src/scene/SelectionItems.h"

#include "host/src/scene/NamedItems.h"
#include "host/src/scene/Node.h"
#include "host/src/scene/PathLink.h"
#include "host/src/scene/Scene.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>

namespace vexa_host {

namespace {

std::vector<ComponentParser>& componentParsers() {
    static std::vector<ComponentParser> parsers;
    return parsers;
}

// '*' matches any run of characters (none too), '?' any one. On a mismatch the match goes back
// to the last star and lets it take one character more: a later star never needs an earlier one
// to take back what it took, so the cost stays within pattern times text length however many
// stars there are (trying every split, as a recursive match does, grows exponentially).
bool globMatch(const char* pattern, const char* text) {
    const char* star = nullptr;
    const char* starText = nullptr;
    while (*text != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            starText = text;
        } else if (*pattern != '\0' && (*pattern == '?' || *pattern == *text)) {
            ++pattern;
            ++text;
        } else if (star != nullptr) {
            pattern = star + 1;
            text = ++starText;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

VDagPath pathOf(const NodeChain& chain) { return VDagPath(pathOfNodes(chain)); }

SelectionItem itemForNode(Node& node) {
    return node.isDag() ? dagItem(firstPathOf(node)) : nodeItem(VObject(node.self()));
}

// The objects a node text names: a path text, a glob pattern, or a plain name.
VStatus resolveNodes(const std::string& text, std::vector<SelectionItem>& items) {
    Scene& scene = Scene::instance();
    if (text.find('|') != std::string::npos) {
        for (const NodeChain& chain : scene.findPaths(text)) items.push_back(dagItem(pathOf(chain)));
        return items.empty() ? VStatus(VStatus::kNotFound, "no object matches " + text) : VStatus();
    }
    const bool rooted = text.front() == ':';
    const std::string stripped = rooted ? text.substr(1) : std::string();
    const std::string& name = rooted ? stripped : text;
    if (std::any_of(name.begin(), name.end(), [](char c) { return c == '*' || c == '?'; })) {
        for (const auto& entry : scene.nodes()) {
            if (globMatch(name.c_str(), entry.second->name().c_str())) items.push_back(itemForNode(*entry.second));
        }
        return items.empty() ? VStatus(VStatus::kNotFound, "no object matches " + text) : VStatus();
    }
    const std::vector<Node*>& named = scene.nodesNamed(name);
    if (named.empty()) return VStatus(VStatus::kNotFound, "no object matches " + text);
    if (named.size() > 1) return VStatus(VStatus::kInvalidParameter, "more than one object matches " + text);
    items.push_back(itemForNode(*named.front()));
    return VStatus();
}

// Whether the type has an attribute of the name. A set edit asks it of one shape's type and
// one component's letters for every polygon it names, so the last answer is kept: a type's
// attributes are fixed once it is made, and the registry keeps its types for the process's life.
bool typeHasAttribute(const NodeType& type, const char* name, size_t size) {
    static const NodeType* lastType = nullptr;
    static std::string lastName;
    static bool lastAnswer = false;
    if (&type != lastType || lastName.size() != size || std::char_traits<char>::compare(lastName.data(), name, size) != 0) {
        lastName.assign(name, size);
        lastAnswer = type.byName.count(lastName) != 0;
        lastType = &type;
    }
    return lastAnswer;
}

// Whether the text from `from` on may name a plug of the node: its first attribute name is one
// of the node's. A component text ("f[3]") names none, so it is not read as a plug at all.
bool mayNamePlug(const Node& node, const std::string& text, size_t from = 0) {
    size_t end = from;
    while (end < text.size() && text[end] != '.' && text[end] != '[') ++end;
    if (end == from) return false;
    if (node.dynamicAttributes().empty()) return typeHasAttribute(node.type(), text.data() + from, end - from);
    return node.findAttribute(text.substr(from, end - from)) != nullptr;
}

// The plug or component that the text after an owner's dot names, added to the items. The
// owner is its node and, for a DAG node, the path it was found at (taken: not used again).
VStatus resolveMember(Node* node, bool dag, VDagPath&& ownerPath, const std::string& rest, std::vector<SelectionItem>& items) {
    if (mayNamePlug(*node, rest)) {
        PlugPath path;
        if (parsePlugPath(*node, rest, path)) {
            items.push_back(plugItem(VPlug(node->self(), std::make_shared<PlugPath>(path))));
            return VStatus();
        }
    }
    if (dag) {
        VDagPath shape = std::move(ownerPath);
        if (node->isTransform()) shape.extendToShape();
        for (const ComponentParser& parser : componentParsers()) {
            VObject component;
            const VStatus parsed = parser(shape, rest, component);
            if (parsed) {
                items.push_back(dagItem(std::move(shape), std::move(component)));
                return VStatus();
            }
            // A parser that knows the text but not its indices says why.
            if (parsed.statusCode() != VStatus::kNotFound) return parsed;
        }
    }
    return VStatus(VStatus::kNotFound, "no attribute or component " + rest);
}

// The one DAG node that the plain name before the dot names, as resolveNodes would find it:
// set edits name a shape's polygons this way ("shape.f[3]"), one command per run, so such a
// text skips the list of candidates that paths and patterns need. Null sends the text the
// general way (no dot, a path, a pattern, a name of none or of several nodes).
Node* plainDagOwner(const std::string& pattern, size_t dot) {
    static PlainNameCache last;
    if (dot == std::string::npos) return nullptr;
    Node* const owner = plainNamed(pattern, dot, last);
    return owner != nullptr && owner->isDag() ? owner : nullptr;
}

}  // namespace

void addComponentParser(ComponentParser parser) { componentParsers().push_back(std::move(parser)); }

Node* plainComponentOwner(const std::string& text, size_t& dot) {
    dot = text.find('.');
    Node* const owner = plainDagOwner(text, dot);
    return owner != nullptr && !mayNamePlug(*owner, text, dot + 1) ? owner : nullptr;
}

bool SelectionItem::sameAs(const SelectionItem& other) const {
    if (kind != other.kind) return false;
    switch (kind) {
    case kNode: return node == other.node;
    case kPlug: return plug == other.plug;
    case kDagPath: break;
    }
    if (path != other.path || component.isNull() != other.component.isNull()) return false;
    if (component == other.component) return true;
    const auto* mine = componentOf(component);
    const auto* theirs = componentOf(other.component);
    return mine != nullptr && theirs != nullptr && mine->sameAs(*theirs);
}

bool SelectionItem::stillExists() const {
    switch (kind) {
    case kNode: {
        const Node* record = node.isNull() ? nullptr : node.record()->asNode();
        return record != nullptr && record->alive();
    }
    case kPlug: return !plug.isNull() && plug.nodeRecord()->alive();
    case kDagPath: return path.isValid();
    }
    return false;
}

SelectionItem dagItem(VDagPath path, VObject component) {
    SelectionItem item;
    item.kind = SelectionItem::kDagPath;
    item.node = path.node();
    item.path = std::move(path);
    item.component = std::move(component);
    return item;
}

SelectionItem nodeItem(const VObject& node) {
    SelectionItem item;
    item.kind = SelectionItem::kNode;
    item.node = node;
    return item;
}

SelectionItem plugItem(const VPlug& plug) {
    SelectionItem item;
    item.kind = SelectionItem::kPlug;
    item.plug = plug;
    item.node = plug.node();
    return item;
}

bool mergeComponent(SelectionItem& held, const SelectionItem& item) {
    if (item.kind != SelectionItem::kDagPath || held.kind != SelectionItem::kDagPath || item.component.isNull() ||
        held.component.isNull() || held.path != item.path) {
        return false;
    }
    const auto* added = componentOf(item.component);
    ComponentRecord* mine = held.component.isNull() ? nullptr : held.component.record()->asComponent();
    if (added == nullptr || mine == nullptr) return false;
    if (held.component.record().use_count() == 1 && mine->absorb(*added)) return true;
    std::shared_ptr<ComponentRecord> merged = mine->mergedWith(*added);
    if (merged == nullptr) return false;
    held.component = VObject(merged);
    return true;
}

void ActiveSelection::clear() {
    items_.clear();
    perNode_.clear();
}

bool ActiveSelection::holds(const SelectionItem& item) const {
    return holdsNodeOf(item) &&
           std::any_of(items_.begin(), items_.end(), [&item](const SelectionItem& other) { return other.sameAs(item); });
}

void ActiveSelection::add(const SelectionItem& item) {
    const size_t before = items_.size();
    if (holdsNodeOf(item)) {
        addUnique(items_, item);
    } else {
        items_.push_back(item);
    }
    if (items_.size() > before) ++perNode_[nodeOf(item)];
}

void ActiveSelection::remove(const SelectionItem& item) {
    if (!holdsNodeOf(item)) return;
    const auto kept = std::remove_if(items_.begin(), items_.end(), [&item](const SelectionItem& other) { return other.sameAs(item); });
    const size_t removed = static_cast<size_t>(items_.end() - kept);
    items_.erase(kept, items_.end());
    size_t& count = perNode_[nodeOf(item)];
    count -= removed;
    if (count == 0) perNode_.erase(nodeOf(item));
}

void ActiveSelection::dropGone() {
    items_.erase(std::remove_if(items_.begin(), items_.end(), [](const SelectionItem& item) { return !item.stillExists(); }),
                 items_.end());
    perNode_.clear();
    for (const SelectionItem& item : items_) ++perNode_[nodeOf(item)];
}

bool addUnique(std::vector<SelectionItem>& list, const SelectionItem& item) {
    if (std::any_of(list.begin(), list.end(), [&item](const SelectionItem& other) { return other.sameAs(item); })) {
        return false;
    }
    for (SelectionItem& held : list) {
        if (mergeComponent(held, item)) return true;
    }
    list.push_back(item);
    return true;
}

VStatus resolveSelection(const std::string& pattern, std::vector<SelectionItem>& items) {
    if (pattern.empty()) return VStatus(VStatus::kInvalidParameter, "empty selection text");
    const size_t dot = pattern.find('.');
    if (Node* owner = plainDagOwner(pattern, dot)) {
        return resolveMember(owner, true, firstPathOf(*owner), pattern.substr(dot + 1), items);
    }
    std::vector<SelectionItem> nodes;
    if (VStatus status = resolveNodes(pattern.substr(0, dot), nodes); !status) return status;
    if (dot == std::string::npos) {
        items.insert(items.end(), std::make_move_iterator(nodes.begin()), std::make_move_iterator(nodes.end()));
        return VStatus();
    }
    const std::string rest = pattern.substr(dot + 1);
    for (SelectionItem& owner : nodes) {
        auto* node = static_cast<Node*>(owner.node.record().get());
        const bool dag = owner.kind == SelectionItem::kDagPath;
        if (VStatus status = resolveMember(node, dag, std::move(owner.path), rest, items); !status) return status;
    }
    return VStatus();
}

std::vector<std::string> selectionTexts(const SelectionItem& item) {
    const auto* component = componentOf(item.component);
    if (item.kind != SelectionItem::kDagPath || component == nullptr) return {selectionText(item)};
    std::string head = item.path.partialPathName().asChar();
    head += '.';
    return component->textsAfter(head);
}

std::string selectionText(const SelectionItem& item) {
    switch (item.kind) {
    case SelectionItem::kNode: {
        const auto* node = dynamic_cast<const Node*>(item.node.record().get());
        return node != nullptr ? node->name() : std::string();
    }
    case SelectionItem::kPlug: return item.plug.info().asChar();
    case SelectionItem::kDagPath: break;
    }
    std::string text = item.path.partialPathName().asChar();
    const auto* component = componentOf(item.component);
    if (component == nullptr) return text;
    std::string joined;
    for (const std::string& run : component->texts()) joined += (joined.empty() ? "" : " ") + text + "." + run;
    return joined;
}

}  // namespace vexa_host
