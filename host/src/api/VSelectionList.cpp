#include <vexa/VSelectionList.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VStringArray.h>

#include <algorithm>
#include <utility>

using namespace vexa_host;

namespace {

VStatus badIndex() { return VStatus(VStatus::kInvalidParameter, "selection index out of range"); }

}  // namespace

VSelectionList::VSelectionList() : items_(std::make_unique<SelectionItems>()) {}

VSelectionList::~VSelectionList() = default;

VSelectionList::VSelectionList(const VSelectionList& other) : items_(std::make_unique<SelectionItems>(*other.items_)) {}

VSelectionList& VSelectionList::operator=(const VSelectionList& other) {
    if (this != &other) *items_ = *other.items_;
    return *this;
}

VStatus VSelectionList::add(const VString& pattern, bool) {
    std::vector<SelectionItem> found;
    VStatus status = resolveSelection(pattern.str(), found);
    if (!status) return status;
    for (const SelectionItem& item : found) addUnique(items_->list, item);
    return VStatus();
}

VStatus VSelectionList::add(const VObject& object, bool) {
    Node* node = liveNodeOf(object);
    if (node == nullptr || node->isWorld()) return VStatus(VStatus::kInvalidParameter, "not a live node");
    if (node->isDag()) {
        VDagPath path;
        VDagPath::getAPathTo(object, path);
        addUnique(items_->list, dagItem(path));
    } else {
        addUnique(items_->list, nodeItem(object));
    }
    return VStatus();
}

VStatus VSelectionList::add(const VDagPath& path, const VObject& component, bool) {
    if (!path.isValid()) return VStatus(VStatus::kInvalidParameter, "the DAG path is not valid");
    addUnique(items_->list, dagItem(path, component));
    return VStatus();
}

VStatus VSelectionList::add(const VPlug& plug, bool) {
    if (plug.isNull()) return VStatus(VStatus::kInvalidParameter, "the plug is null");
    addUnique(items_->list, plugItem(plug));
    return VStatus();
}

VStatus VSelectionList::merge(const VSelectionList& other, MergeStrategy strategy) {
    for (const SelectionItem& item : other.items_->list) {
        auto same = [&item](const SelectionItem& mine) { return mine.sameAs(item); };
        auto& list = items_->list;
        const bool present = std::any_of(list.begin(), list.end(), same);
        if (strategy == kRemoveFromList || (strategy == kXORWithList && present)) {
            list.erase(std::remove_if(list.begin(), list.end(), same), list.end());
        } else {
            addUnique(list, item);
        }
    }
    return VStatus();
}

VStatus VSelectionList::remove(unsigned index) {
    if (index >= items_->list.size()) return badIndex();
    items_->list.erase(items_->list.begin() + index);
    return VStatus();
}

VStatus VSelectionList::clear() {
    items_->list.clear();
    return VStatus();
}

unsigned VSelectionList::length(VStatus* status) const {
    report(status, VStatus());
    return static_cast<unsigned>(items_->list.size());
}

VStatus VSelectionList::getDependNode(unsigned index, VObject& node) const {
    if (index >= items_->list.size()) return badIndex();
    node = items_->list[index].node;
    return VStatus();
}

VStatus VSelectionList::getDagPath(unsigned index, VDagPath& path, VObject& component) const {
    if (index >= items_->list.size()) return badIndex();
    const SelectionItem& item = items_->list[index];
    if (item.kind != SelectionItem::kDagPath) return VStatus(VStatus::kInvalidParameter, "the item is not a DAG path");
    path = item.path;
    component = item.component;
    return VStatus();
}

VStatus VSelectionList::getDagPath(unsigned index, VDagPath& path) const {
    VObject component;
    return getDagPath(index, path, component);
}

VStatus VSelectionList::getPlug(unsigned index, VPlug& plug) const {
    if (index >= items_->list.size()) return badIndex();
    const SelectionItem& item = items_->list[index];
    if (item.kind != SelectionItem::kPlug) return VStatus(VStatus::kInvalidParameter, "the item is not a plug");
    plug = item.plug;
    return VStatus();
}

bool VSelectionList::hasItem(const VDagPath& path, const VObject& component, VStatus* status) const {
    report(status, VStatus());
    for (const SelectionItem& item : items_->list) {
        if (item.kind != SelectionItem::kDagPath || item.path != path) continue;
        if (component.isNull() || item.sameAs(dagItem(path, component))) return true;
    }
    return false;
}

bool VSelectionList::hasItem(const VObject& node, VStatus* status) const {
    report(status, VStatus());
    return std::any_of(items_->list.begin(), items_->list.end(),
                       [&node](const SelectionItem& item) { return item.kind != SelectionItem::kPlug && item.node == node; });
}

bool VSelectionList::hasItem(const VPlug& plug, VStatus* status) const {
    report(status, VStatus());
    return std::any_of(items_->list.begin(), items_->list.end(),
                       [&plug](const SelectionItem& item) { return item.kind == SelectionItem::kPlug && item.plug == plug; });
}

VStatus VSelectionList::getSelectionStrings(VStringArray& strings) const {
    strings.clear();
    for (const SelectionItem& item : items_->list) {
        for (std::string& text : selectionTexts(item)) strings.append(VString(std::move(text)));
    }
    return VStatus();
}

VStatus VSelectionList::getSelectionStrings(unsigned index, VStringArray& strings) const {
    strings.clear();
    if (index >= items_->list.size()) return badIndex();
    for (std::string& text : selectionTexts(items_->list[index])) strings.append(VString(std::move(text)));
    return VStatus();
}
