#ifndef VEXA_HOST_SELECTIONITEMS_H
#define VEXA_HOST_SELECTIONITEMS_H

// The items of a selection list: a dependency node, a DAG path with an optional component, or
// a plug.

#include "host/src/scene/ObjectRecord.h"

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VPlug.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexa_host {

class Node;

// A part of a shape (faces, vertices, CVs) as a selection item carries it.
class VEXA_API ComponentRecord : public ObjectRecord {
public:
    // The component as written after the shape's name ("f[0:5]").
    virtual std::string text() const = 0;
    virtual bool sameAs(const ComponentRecord& other) const = 0;
    // The texts of its runs of elements, one each ("f[0:2]", "f[5]"); one text by default.
    virtual std::vector<std::string> texts() const { return {text()}; }
    // The same texts, each after the head ("grid.f[0:2]" after "grid."); components of many
    // runs build each text whole.
    virtual std::vector<std::string> textsAfter(const std::string& head) const {
        std::vector<std::string> result = texts();
        for (std::string& text : result) text.insert(0, head);
        return result;
    }
    // A component holding the elements of both, or null when the two do not merge (other
    // kinds of element). A selection list merges components added on one path.
    virtual std::shared_ptr<ComponentRecord> mergedWith(const ComponentRecord&) const { return nullptr; }
    // Takes the other's elements into this component itself, as mergedWith would hold them;
    // false, nothing changed, when it cannot (then mergedWith makes a new one). Lets a list
    // that alone holds a component grow it by the added elements, not copy it each time.
    virtual bool absorb(const ComponentRecord&) { return false; }

    const ComponentRecord* asComponent() const override { return this; }
    ComponentRecord* asComponent() override { return this; }
};

// The component an object stands for; null for an empty object or any other kind.
inline const ComponentRecord* componentOf(const VObject& object) {
    return object.isNull() ? nullptr : object.record()->asComponent();
}

// Reads a component text ("f[0:5]") of the shape at the end of the path; node types that know
// components install one. Answers kNotFound when the text is not a component of that shape.
using ComponentParser = std::function<VStatus(const VDagPath& shape, const std::string& text, VObject& component)>;
VEXA_API void addComponentParser(ComponentParser parser);

struct VEXA_API SelectionItem {
    enum Kind { kNode, kDagPath, kPlug };
    Kind kind = kNode;
    VObject node;
    VDagPath path;
    VObject component;
    VPlug plug;

    bool sameAs(const SelectionItem& other) const;
    bool stillExists() const;
};

struct SelectionItems {
    std::vector<SelectionItem> list;
};

// The scene's active selection: its items in order, and how many of them each node holds (as
// itself, at a DAG path or by a plug). Two items are alike only on one node, and a component
// merges only into one on the same path, so an item of a node the selection holds nothing of
// is known to be new at once: a script that toggles joints in one by one walks no list.
class VEXA_API ActiveSelection {
public:
    const std::vector<SelectionItem>& items() const { return items_; }
    std::vector<SelectionItem>::const_iterator begin() const { return items_.begin(); }
    std::vector<SelectionItem>::const_iterator end() const { return items_.end(); }
    void clear();
    // Whether an item alike (SelectionItem::sameAs) is held.
    bool holds(const SelectionItem& item) const;
    // As addUnique.
    void add(const SelectionItem& item);
    // Takes out every item alike.
    void remove(const SelectionItem& item);
    // Takes out the items that no longer exist.
    void dropGone();

private:
    static const ObjectRecord* nodeOf(const SelectionItem& item) { return item.node.record().get(); }
    // Whether the selection holds any item of the node of this one.
    bool holdsNodeOf(const SelectionItem& item) const { return perNode_.count(nodeOf(item)) > 0; }

    std::vector<SelectionItem> items_;
    std::unordered_map<const ObjectRecord*, size_t> perNode_;  // no entry for a count of 0
};

// The items a selection text names (see VSelectionList::add): kNotFound when none,
// kInvalidParameter for a plain name that several DAG nodes carry or a malformed text.
VEXA_API VStatus resolveSelection(const std::string& pattern, std::vector<SelectionItem>& items);
// The DAG node that a text "<plain name>.<rest>" names when rest is no plug of it: the node
// resolveSelection reads rest as a component of (at the node's first path, or at its shape's
// for a transform). Null for any other text; dot is where the rest begins, less one.
VEXA_API Node* plainComponentOwner(const std::string& text, size_t& dot);
// The text getSelectionStrings gives for an item; a component of several runs gives one text
// per run (selectionTexts), joined by blanks here.
VEXA_API std::string selectionText(const SelectionItem& item);
VEXA_API std::vector<std::string> selectionTexts(const SelectionItem& item);
// Adds unless the list already holds the same item; a component on a path that the list holds
// with a component of the same kind is merged into that item. Answers whether the list grew
// or changed.
VEXA_API bool addUnique(std::vector<SelectionItem>& list, const SelectionItem& item);
// Merges the item's component into held when both are components of one kind on one path:
// in place when held alone refers to its component, else held gets a merged copy (so that a
// handle given out earlier keeps what it saw). Answers whether it merged.
VEXA_API bool mergeComponent(SelectionItem& held, const SelectionItem& item);
VEXA_API SelectionItem dagItem(VDagPath path, VObject component = VObject());
VEXA_API SelectionItem nodeItem(const VObject& node);
VEXA_API SelectionItem plugItem(const VPlug& plug);

}  // namespace vexa_host

#endif
