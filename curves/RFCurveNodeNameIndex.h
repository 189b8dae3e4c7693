#ifndef WYX_CURVES_RFCURVENODENAMEINDEX_H
#define WYX_CURVES_RFCURVENODENAMEINDEX_H

// The children of a curve node with many of them, by name ignoring the case of ASCII letters:
// an object's take tree holds one child per animated property, and finding each property's
// channel among all the others would cost their square. A node asks here only past
// kMinChildren children, so the many small nodes of a scene (three components each) carry
// nothing; the indexes sit in one table beside the nodes, not in them.
//
// An index follows appended children on its own. The node drops it at every other change of
// its children (removal, insertion before the end, clearing), and at a change of a child's
// name record (ShareNameOf, SetProperty); a change of a record that other nodes share, whose
// parents are unknown, makes every index stale (NamesChanged). A child named by its property
// can be renamed behind the node's back, so those children are compared at every lookup.

class RFCurveNode;

class RFCurveNodeNameIndex {
public:
    static constexpr int kMinChildren = 16;

    // The first child of the parent whose name equals the name ignoring case; -1 when none.
    static int Find(const RFCurveNode& parent, const char* name);
    // The parent's index, if it has one, is gone.
    static void Forget(const RFCurveNode& parent);
    // Every index is to be made again at its next lookup.
    static void NamesChanged();
};

#endif
