#ifndef VEXA_VFNSKINCLUSTER_H
#define VEXA_VFNSKINCLUSTER_H

// The function set of skin clusters: a deformer that binds one shape to influences (joints).
//
// Influence j is the node whose "worldMatrix[0]" feeds the skin's "matrix[j]"; its bind-time
// inverse world matrix is "bindPreMatrix[j]", the shape's bind-time world matrix
// "geomMatrix". Influence indices are those j (what indexForInfluenceObject answers and the
// weight calls take).
//
// Weights are per point of the shape (mesh vertices; surface CVs numbered u * (CVs in V) + v)
// and influence, 0 unless set. A component picks points (a vertex or CV component of the
// shape); the null object means every point. Arrays follow the component's element order.
//
// Normalising: after new weights are set at a point, the weights of its other influences are
// scaled so that all its weights add up to 1 (left alone when those others add up to 0).

#include <vexa/VDagPathArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnGeometryFilter.h>
#include <vexa/VIntArray.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnSkinCluster : public VFnGeometryFilter {
public:
    VFnSkinCluster() = default;
    explicit VFnSkinCluster(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kSkinClusterFilter; }

    // The influences in index order, and their count.
    unsigned influenceObjects(VDagPathArray& paths, VStatus* status = nullptr) const;
    // kNotFound when the path's node is not an influence.
    unsigned indexForInfluenceObject(const VDagPath& path, VStatus* status = nullptr) const;

    // One influence's weight at each point. kInvalidParameter when the shape is not the skin's
    // shape, the component does not fit it, or the influence index is not an influence.
    VStatus getWeights(const VDagPath& shape, const VObject& components, unsigned influence, VFloatArray& weights) const;
    // Every influence's weight at each point: point by point, influences in index order.
    VStatus getWeights(const VDagPath& shape, const VObject& components, VFloatArray& weights,
                       unsigned& influenceCount) const;
    // Sets one influence's weight at every point of the component.
    VStatus setWeights(const VDagPath& shape, const VObject& components, unsigned influence, float value,
                       bool normalize = true, VFloatArray* oldValues = nullptr);
    // Sets the influences' weights: values holds, point by point, one weight per influence
    // given (kInvalidParameter for another length); oldValues gets the weights they replace.
    VStatus setWeights(const VDagPath& shape, const VObject& components, const VIntArray& influences,
                       const VFloatArray& values, bool normalize = true, VFloatArray* oldValues = nullptr);

private:
    VStatus pointsOf(const VDagPath& shape, const VObject& components, std::vector<int>& points) const;
    VStatus checkInfluence(int influence) const;
};

#endif
