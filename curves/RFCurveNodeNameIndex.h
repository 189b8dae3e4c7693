#ifndef WYX_CURVES_RFCURVENODENAMEINDEX_H
#define WYX_CURVES_RFCURVENODENAMEINDEX_H

// The children of a curve node with many of them, by name ignoring the case of ASCII letters:
// an object's take tree holds one child per animated property, and finding each property's
// channel among all the others would cost their square. A node asks here only past
// kMinChildren children, so the many small nodes of a scene (three components each) carry
// nothing; the indexes sit in one table beside the nodes, not in them.
//
// Besides its children's own names, an index keeps the names and data types of the nodes
// below each child, for a search of the whole tree (FindInTree) that must find a node
// below an earlier child before a later child of that name.
//
// An index follows appended children on its own, and a removed child when told (Removing),
// unless that child was the first of a name or data type another child shares. The node
// drops it at every other change of its children (insertion before the end, clearing), and at a change of a child's
// name record (ShareNameOf, SetProperty); a change of a record that other nodes share, whose
// parents are unknown, makes every index stale (NamesChanged). A change deeper down drops it
// too (SubtreeChanged), unless it is below a child appended since the last lookup. A child
// named by its property can be renamed behind the node's back, so those children are
// compared at every lookup; a tree search of a node with such a node further down, or with
// a node below that does not hear of its own children's changes, is not indexed.

class RDataType;
class RFCurveNode;

class RFCurveNodeNameIndex {
public:
    static constexpr int kMinChildren = 16;
    // FindInTree's answer when the index cannot tell: the caller searches child by child.
    static constexpr int kNotIndexed = -2;

    // The first child of the parent whose name equals the name ignoring case; -1 when none.
    static int Find(const RFCurveNode& parent, const char* name);
    // The first child that matches (by name ignoring case, or by data type when one is
    // given) or that has a matching node below it; -1 when none, or kNotIndexed.
    static int FindInTree(const RFCurveNode& parent, const char* name, const RDataType* dataType);
    // The parent's index, if it has one, is gone.
    static void Forget(const RFCurveNode& parent);
    // The child at the index is about to be removed: the parent's index follows, or is gone
    // (false; false too when it has none).
    static bool Removing(const RFCurveNode& parent, int index);
    // The children or names below the parent's child changed.
    static void SubtreeChanged(const RFCurveNode& parent, const RFCurveNode& child);
    // Every index is to be made again at its next lookup.
    static void NamesChanged();
};

#endif
