#ifndef VEXA_HOST_MESHITERATION_H
#define VEXA_HOST_MESHITERATION_H

// The state the mesh iterators share: the mesh they walk (the geometry as it was when the walk
// began, so edits through other function sets do not move it), the indices to visit (every
// polygon or vertex, or a component's elements in its order) and the position.

#include "host/src/api/ShapeTarget.h"

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>

#include <memory>
#include <vector>

namespace vexa_host {

class MeshIteration {
public:
    enum Kind { kPolygons, kVertices };

    // kInvalidParameter for an object that is not a mesh, a component of another kind, or a
    // component element that the mesh does not have.
    VStatus start(const VObject& mesh, Kind kind);
    VStatus start(const VDagPath& path, const VObject& component, Kind kind);

    bool started() const { return mesh_ != nullptr; }
    bool isDone() const { return position_ >= indices_.size(); }
    void next() { if (!isDone()) ++position_; }
    void reset() { position_ = 0; }
    int count() const { return static_cast<int>(indices_.size()); }
    int index() const { return isDone() ? -1 : indices_[position_]; }
    // Jumps to an index of the whole mesh (the walk then covers the whole mesh).
    VStatus setIndex(int index, int& previous);
    // Fails when the walk has no current element.
    VStatus current() const;

    const MeshData& mesh() const { return *mesh_; }
    const ShapeTarget& target() const { return target_; }
    // Runs an edit of the walked geometry and walks on over the result: in place while the walk
    // and the target's store alone hold it (ShapeTarget::soleMesh), else on a copy that is
    // stored when the edit succeeds. A refused edit changes nothing.
    template <typename Edit>
    VStatus edit(Edit change) {
        if (MeshData* sole = target_.soleMesh(mesh_)) return change(*sole);
        auto copy = std::make_shared<MeshData>(*mesh_);
        if (VStatus status = change(*copy); !status) return status;
        return write(std::move(copy));
    }

private:
    // Stores edited geometry and walks on over it.
    VStatus write(MeshDataPtr data);
    VStatus begin(const VObject& component, Kind kind);

    ShapeTarget target_;
    MeshDataPtr mesh_;
    Kind kind_ = kPolygons;
    std::vector<int> indices_;
    size_t position_ = 0;
};

}  // namespace vexa_host

#endif
