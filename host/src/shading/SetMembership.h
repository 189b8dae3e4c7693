#ifndef VEXA_HOST_SETMEMBERSHIP_H
#define VEXA_HOST_SETMEMBERSHIP_H

// Changing the members of object sets, with the rules of the kinds of set (VFnSet.h):
// shading groups take shapes and their components only, a transform standing for the shapes
// below it; a deformer's set puts each new member's shape into the deformer's history.
//
// Forcing an item into a shading group first takes it out of every other shading group: a
// shape, and each of its polygons, is shaded by one group. Forcing polygons (or vertices) in
// leaves a group that held the whole shape, or other elements of it, with the rest.

#include "host/src/scene/Node.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vexa_host {

// 5 (renderable) for a shading group, 0 for other sets.
VEXA_API int setRestriction(const Node& set);
// checkedAt: the structure stamp (Node::structureStamp) at which the caller found the item
// alive, 0 for none; while the stamp stays there, the item's path is not walked again.
VEXA_API VStatus addSetMember(Node& set, const SelectionItem& item, bool force, std::uint64_t checkedAt = 0);
// The edit of one set-edit command whose item text names a run of a mesh shape's elements by
// the shape's plain name ("shape.f[3]", as an import forces polygons one run at a time), done
// where the shading group holds the shape already and the run touches no other group: the
// group's component on the shape grows in place. Answers whether it was done; false, with
// nothing changed, for every other edit, which addSetMember then makes with the text's item.
VEXA_API bool addRunToGroup(Node& set, const std::string& itemText, bool force);
// kNotFound when the item is not a member.
VEXA_API VStatus removeSetMember(Node& set, const SelectionItem& item);
// The items a shading group would hold for an item: a transform path gives its shapes.
VEXA_API VStatus renderableItems(const SelectionItem& item, std::vector<SelectionItem>& items);

}  // namespace vexa_host

#endif
