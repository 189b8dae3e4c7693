#ifndef VEXA_VFNGEOMETRYFILTER_H
#define VEXA_VFNGEOMETRYFILTER_H

// The function set of deformers (skin clusters, blend shapes, clusters, wraps): the shapes they
// deform and the history around them.
//
// A deformer deforms geometries by index: it takes geometry i through "input[i].inputGeometry"
// (with "input[i].groupId" fed by a groupId node) and gives it through "outputGeometry[i]" on
// to the shape (directly or through further history). The input of a shape's first deformer
// comes from the shape's original: an intermediate shape under the same transform named
// "<shape>Orig" (see host/src/GeometryHistory.h). Deformers pass the geometry through as it
// is; the envelope is kept for the caller.
//
// Indices below are the geometry indices; the arrays answer in ascending index order.

#include <vexa/VDagPath.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VexaExport.h>

class VObjectArray;

class VEXA_API VFnGeometryFilter : public VFnDependencyNode {
public:
    VFnGeometryFilter() = default;
    explicit VFnGeometryFilter(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kGeometryFilter; }

    // The shapes at the start of each input's history (for a first deformer: the originals).
    VStatus getInputGeometry(VObjectArray& shapes) const;
    // The shapes each output reaches.
    VStatus getOutputGeometry(VObjectArray& shapes) const;
    VObject inputShapeAtIndex(unsigned index, VStatus* status = nullptr) const;
    // kNotFound when the deformer does not deform the shape.
    unsigned indexForOutputShape(const VObject& shape, VStatus* status = nullptr) const;
    VStatus getPathAtIndex(unsigned index, VDagPath& path) const;
    unsigned numOutputConnections(VStatus* status = nullptr) const;
    // The value the groupId node gives input[index].groupId.
    unsigned groupIdAtIndex(unsigned index, VStatus* status = nullptr) const;
    // The set of the deformer's members.
    VObject deformerSet(VStatus* status = nullptr) const;
    float envelope(VStatus* status = nullptr) const;
    VStatus setEnvelope(float envelope);

protected:
    // The live node of a shape the deformer deforms at the index, with a status saying why not.
    VStatus shapeAt(unsigned index, bool output, VObject& shape) const;
};

#endif
