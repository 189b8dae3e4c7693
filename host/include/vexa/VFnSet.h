#ifndef VEXA_VFNSET_H
#define VEXA_VFNSET_H

// The function set of object sets: members (DAG paths with or without a component, dependency
// nodes, plugs) and the set's restriction.
//
// Restriction kRenderableOnly (5) marks a shading group (a node that also answers
// kShadingEngine, 450): its members are shapes and their components; a transform given as a
// member stands for the shapes below it (intermediate shapes left out), and anything else is
// refused (kInvalidParameter). Other sets (kNone) take any item.
//
// Components added on a path already in the set merge into that member. A deformer's set
// (its "usedBy" fed by the deformer's "message") also makes the deformer deform the shape of
// each member it gets (VFnGeometryFilter).

#include <vexa/VDagPath.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VexaExport.h>

class VSelectionList;

class VEXA_API VFnSet : public VFnDependencyNode {
public:
    enum Restriction { kNone = 0, kRenderableOnly = 5 };

    VFnSet() = default;
    explicit VFnSet(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kObjectSet; }

    // A new set with the members; kRenderableOnly makes a shading group.
    VObject create(const VSelectionList& members, Restriction restriction = kNone, VStatus* status = nullptr);

    Restriction restriction(VStatus* status = nullptr) const;
    // The members in the order they were added (flatten is accepted; sets hold no sets).
    VStatus getMembers(VSelectionList& members, bool flatten) const;
    VStatus addMember(const VObject& node);
    VStatus addMember(const VDagPath& path, const VObject& component = VObject::kNullObj);
    VStatus addMember(const VPlug& plug);
    // Adds every item of the list; stops at the first one refused.
    VStatus addMembers(const VSelectionList& members);
    VStatus removeMember(const VObject& node);
    VStatus removeMember(const VDagPath& path, const VObject& component = VObject::kNullObj);
    // A member path answers for its components too; a node for its paths.
    bool isMember(const VObject& node, VStatus* status = nullptr) const;
    bool isMember(const VDagPath& path, const VObject& component = VObject::kNullObj, VStatus* status = nullptr) const;
    VStatus clear();
};

#endif
