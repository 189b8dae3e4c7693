#ifndef VEXA_VSELECTIONLIST_H
#define VEXA_VSELECTIONLIST_H

// A list of scene items: dependency nodes, DAG paths (with an optional component) and plugs.
//
// add(pattern) understands:
//   "ball", "ns:ball"        a node by name ("*" and "?" match any text and any one character;
//                            a pattern adds every match, a plain name that fits several DAG
//                            nodes is ambiguous: kInvalidParameter)
//   "|group|ball", "group|ball"  a DAG path by full or partial path name
//   "ball.translateX", "blend.weight[2]", "node.input[0].groupId"   a plug
//   "mesh.f[0:5]", "surface.cv[0:3][2]"   a component, for node types that know components
// Nothing found is kNotFound; a component text with indices outside the shape is
// kInvalidParameter. An item already in the list is not added twice, and a component added on
// a path that the list holds with a component of the same kind joins that item.
//
// Components: "vtx[...]" (mesh vertices) and "f[...]" (mesh polygons) take one index, "cv[...][...]"
// (surface CVs, U first) two; an index is a number, a range "a:b" or "*" (all).
//
// getSelectionStrings gives nodes by name, DAG paths by partial path name, plugs as
// VPlug::info, components as "<path>.<component>", one string per run of elements
// ("mesh.f[0:2]", "mesh.f[5]").

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VPlug.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

#include <memory>

class VStringArray;

namespace vexa_host {
struct SelectionItems;
}

class VEXA_API VSelectionList {
public:
    enum MergeStrategy { kMergeNormal = 0, kXORWithList = 1, kRemoveFromList = 2 };

    VSelectionList();
    ~VSelectionList();
    VSelectionList(const VSelectionList& other);
    VSelectionList& operator=(const VSelectionList& other);

    VStatus add(const VString& pattern, bool searchChildNamespaces = false);
    VStatus add(const VObject& object, bool mergeWithExisting = false);
    VStatus add(const VDagPath& path, const VObject& component = VObject::kNullObj, bool mergeWithExisting = false);
    VStatus add(const VPlug& plug, bool mergeWithExisting = true);
    VStatus merge(const VSelectionList& other, MergeStrategy strategy = kMergeNormal);
    VStatus remove(unsigned index);
    VStatus clear();

    unsigned length(VStatus* status = nullptr) const;
    bool isEmpty(VStatus* status = nullptr) const { return length(status) == 0; }
    VStatus getDependNode(unsigned index, VObject& node) const;
    // kInvalidParameter for an item that is not a DAG path.
    VStatus getDagPath(unsigned index, VDagPath& path, VObject& component) const;
    VStatus getDagPath(unsigned index, VDagPath& path) const;
    // kInvalidParameter for an item that is not a plug.
    VStatus getPlug(unsigned index, VPlug& plug) const;

    // True when the item is in the list: the same DAG path (and component, when one is given),
    // the same node, or the same plug.
    bool hasItem(const VDagPath& path, const VObject& component = VObject::kNullObj, VStatus* status = nullptr) const;
    bool hasItem(const VObject& node, VStatus* status = nullptr) const;
    bool hasItem(const VPlug& plug, VStatus* status = nullptr) const;

    VStatus getSelectionStrings(VStringArray& strings) const;
    VStatus getSelectionStrings(unsigned index, VStringArray& strings) const;

    // Host side only.
    const vexa_host::SelectionItems& items() const { return *items_; }
    vexa_host::SelectionItems& items() { return *items_; }

private:
    std::unique_ptr<vexa_host::SelectionItems> items_;
};

#endif
