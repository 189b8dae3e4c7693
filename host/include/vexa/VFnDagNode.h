#ifndef VEXA_VFNDAGNODE_H
#define VEXA_VFNDAGNODE_H

// The function set of DAG nodes: parents, children, instances and paths.
//
// Made from a DAG path, it remembers the path (getPath, fullPathName and the world-space
// queries of the derived sets use it); made from a node object, it uses the node's first path.
//
// create() makes a node of a DAG type under a parent (the null object: the world). A shape
// (a DAG type that is not a transform) needs a transform above it: when the parent is null a
// new "transform" is made for it first. create() answers the node of the requested type.
// Only transform-kind nodes have children.

#include <vexa/VDagPath.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VMatrix.h>
#include <vexa/VexaExport.h>

class VDagPathArray;

class VEXA_API VFnDagNode : public VFnDependencyNode {
public:
    static constexpr unsigned kNextPos = 0xffffffffu;

    VFnDagNode() = default;
    explicit VFnDagNode(const VObject& object, VStatus* status = nullptr);
    explicit VFnDagNode(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kDagNode; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    VObject create(const VString& typeName, const VObject& parent = VObject::kNullObj, VStatus* status = nullptr);
    VObject create(const VString& typeName, const VString& name, const VObject& parent = VObject::kNullObj,
                   VStatus* status = nullptr);

    unsigned parentCount(VStatus* status = nullptr) const;
    VObject parent(unsigned index, VStatus* status = nullptr) const;  // the world is the null object
    unsigned childCount(VStatus* status = nullptr) const;
    VObject child(unsigned index, VStatus* status = nullptr) const;
    bool hasParent(const VObject& node, VStatus* status = nullptr) const;
    bool hasChild(const VObject& node, VStatus* status = nullptr) const;
    bool isChildOf(const VObject& node, VStatus* status = nullptr) const;
    bool isParentOf(const VObject& node, VStatus* status = nullptr) const;

    // Makes child a child of this node at the given index. Without keepExistingParents the
    // child leaves its other parents (a move); with it, the child gains a parent (an instance).
    // kInvalidParameter when this node is not a transform or the link would make a cycle.
    VStatus addChild(VObject& child, unsigned index = kNextPos, bool keepExistingParents = false);
    // Unlinks child; a child left without parents goes under the world.
    VStatus removeChild(VObject& child);

    VStatus getPath(VDagPath& path) const;
    VStatus getAllPaths(VDagPathArray& paths) const;
    VDagPath dagPath(VStatus* status = nullptr) const;
    VString fullPathName(VStatus* status = nullptr) const;
    VString partialPathName(VStatus* status = nullptr) const;
    bool isInstanced(bool indirect = true, VStatus* status = nullptr) const;
    unsigned instanceCount(bool total, VStatus* status = nullptr) const;
    // The node's local matrix (identity for shapes).
    VMatrix transformationMatrix(VStatus* status = nullptr) const;
    bool isIntermediateObject(VStatus* status = nullptr) const;

protected:
    VDagPath path_;
    bool hasPath_ = false;
};

#endif
