#ifndef VEXA_VDAGPATH_H
#define VEXA_VDAGPATH_H

// One road from the world down to a DAG node. A node with several parents (an instance) has
// several paths; its instance number is the index of the path among all paths to the node
// (getAllPathsTo, parents taken in order, first parents first).
//
// Names: the full path name is "|a|b|c"; the partial path name is the shortest tail of it
// ("c", "b|c", ...) that names no other path in the scene.
//
// hasFn() answers for the node of the path and, when that node is a transform, also for the
// shapes directly below it (a transform holding a mesh answers 287), which lets a walk over
// transforms ask what each one holds. apiType() is the node's own type.

#include <vexa/VFn.h>
#include <vexa/VMatrix.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

#include <memory>
#include <vector>

class VDagPathArray;

namespace vexa_host {
class Node;
class PathLink;
}

class VEXA_API VDagPath {
public:
    VDagPath() = default;

    static VStatus getAPathTo(const VObject& node, VDagPath& path);
    static VStatus getAllPathsTo(const VObject& node, VDagPathArray& paths);

    // A path whose nodes all still exist and are still linked parent to child.
    bool isValid(VStatus* status = nullptr) const;
    unsigned length(VStatus* status = nullptr) const;
    VObject node(VStatus* status = nullptr) const;
    // The last transform-kind node of the path (the parent of a shape path).
    VObject transform(VStatus* status = nullptr) const;
    VFn::Type apiType(VStatus* status = nullptr) const;
    bool hasFn(VFn::Type type, VStatus* status = nullptr) const;

    VStatus push(const VObject& child);  // child must be a child of the current node
    VStatus pop(unsigned count = 1);
    unsigned childCount(VStatus* status = nullptr) const;
    VObject child(unsigned index, VStatus* status = nullptr) const;
    // Goes down to the single shape below a transform path; a shape path stays as it is.
    // Intermediate shapes (the originals of deformed shapes) are passed over. Fails
    // (kInvalidParameter) when the transform holds no other shape or more than one.
    VStatus extendToShape();
    VStatus extendToShapeDirectlyBelow(unsigned index);
    VStatus numberOfShapesDirectlyBelow(unsigned& count) const;

    VString fullPathName(VStatus* status = nullptr) const;
    VString partialPathName(VStatus* status = nullptr) const;
    bool isInstanced(VStatus* status = nullptr) const;
    unsigned instanceNumber(VStatus* status = nullptr) const;

    // Products of the nodes' local matrices, the node's own first (row vectors).
    VMatrix inclusiveMatrix(VStatus* status = nullptr) const;
    VMatrix exclusiveMatrix(VStatus* status = nullptr) const;
    VMatrix inclusiveMatrixInverse(VStatus* status = nullptr) const;

    bool operator==(const VDagPath& other) const;
    bool operator!=(const VDagPath& other) const { return !(*this == other); }

    // Host side only: the path's last step, which holds the steps above it (PathLink.h).
    explicit VDagPath(std::shared_ptr<const vexa_host::PathLink> tail) : tail_(std::move(tail)) {}
    const std::shared_ptr<const vexa_host::PathLink>& tail() const { return tail_; }
    // Host side only: the path made of the nodes, from the top (a child of the world) down.
    explicit VDagPath(const std::vector<std::shared_ptr<vexa_host::Node>>& nodes);
    // Host side only: a copy of the nodes, from the top down.
    std::vector<std::shared_ptr<vexa_host::Node>> nodes() const;

private:
    // Shared with every path that runs through the same steps: a copy costs no step.
    std::shared_ptr<const vexa_host::PathLink> tail_;
};

#endif
