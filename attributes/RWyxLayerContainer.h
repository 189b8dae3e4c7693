#ifndef WYX_ATTRIBUTES_RWYXLAYERCONTAINER_H
#define WYX_ATTRIBUTES_RWYXLAYERCONTAINER_H

// The base of meshes, NURBS surfaces, patches and shapes: control points (RVector4, of which
// the geometry uses x, y and z; NURBS keep their weight in w) and an ordered list of layers,
// each with at most one element of every kind.
//
// Layer 0 is the main layer: normals, the mesh's material, texture and UV assignments live
// there; further layers carry extra texture layers. Operations that need a layer or an
// element that is missing make it (and every layer before it), so callers can fill layers in
// any order. Indices given to the look-ups are checked against the arrays they index: a bad
// index answers null or -1, never reads outside an array.
//
// Materials and textures in the elements are not owned (the object factory owns them).
// Ownership: the container owns its layers and control points.

#include "attributes/RWyxLayer.h"
#include "core/RVector4.h"
#include "scene/RWyxNodeAttribute.h"

#include <memory>
#include <vector>

class RWyxEntityContainer;
class RWyxMaterial;
class RWyxObjectFactory;
class RWyxTexture;

class RWyxLayerContainer : public RWyxNodeAttribute {
public:
    // Layer indices at or past this are refused: a layer index read from a file never makes
    // more layers than any geometry has use for.
    static constexpr int kMaxLayerCount = 4096;

    ~RWyxLayerContainer() override;

    // ---- control points ------------------------------------------------------------------------
    // Frees the points and makes count zero-filled ones; false, nothing changed, for a
    // negative count or one that memory cannot hold.
    bool InitControlPoints(int count);
    int GetControlPointsCount() const { return static_cast<int>(controlPoints_.size()); }
    // The point storage; null when there are none. Callers may change points in place.
    RVector4* GetControlPoints() { return controlPoints_.empty() ? nullptr : controlPoints_.data(); }
    const RVector4* GetControlPoints() const { return controlPoints_.empty() ? nullptr : controlPoints_.data(); }
    // Null outside the array.
    RVector4* GetControlPointAt(int index);
    const RVector4* GetControlPointAt(int index) const;
    // False, nothing changed, outside the array.
    bool SetControlPointAt(int index, const RVector4& point);
    // Renumbers the control points: new point i becomes the old point sources[i], and so do
    // the entries of every layer element mapped by control point (elements whose entry count
    // differs from the old point count are left as they were). False, nothing changed, when a
    // source lies outside the old points.
    bool GatherControlPointData(const std::vector<int>& sources);

    // ---- layers ----------------------------------------------------------------------------------
    int GetLayerCount() const { return static_cast<int>(layers_.size()); }
    // Null outside 0 to count - 1.
    RWyxLayer* GetLayer(int index) const;
    // Appends an empty layer; answers its index (-1 at kMaxLayerCount layers).
    int CreateLayer();
    // The layer of that index, making it and every layer before it when missing; null for a
    // negative index or one at or past kMaxLayerCount.
    RWyxLayer* EnsureLayer(int index);
    // The number of layers that hold an element of the kind.
    int GetLayerCountOfKind(int kind) const;
    // The n-th (from 0) layer holding an element of the kind, or its index; null / -1 when none.
    RWyxLayer* GetLayerOfKind(int n, int kind) const;
    int GetLayerIndexOfKind(int n, int kind) const;
    // Replaces the layers by deep copies of the other's (this stays as it is when given itself).
    void CopyLayers(const RWyxLayerContainer& other);

    // ---- normals (layer 0) -------------------------------------------------------------------------
    // Layer 0's normal direct array; null without layer 0, without a normal element, or when it
    // is empty.
    RVector4* GetNormals() const;
    // Makes layer 0 and its normal element when missing; direct reference with zero normals:
    // one per control point mapped by control point, except that a count of 1 or more that
    // differs from the control-point count maps by polygon vertex with count normals.
    // False, nothing changed, for a negative count.
    bool InitNormals(int count);

    // ---- materials and textures ---------------------------------------------------------------
    // Appends the material to the layer's material element (layers and element made when
    // missing, the element index to direct, all same); answers its index. -1 when the
    // material is null, already there, or the layer index is refused.
    int AddMaterial(RWyxMaterial* material, int layer = 0);
    // The index of the material named "Material::" + name in the layer; -1 when none. A name
    // that carries the prefix already is taken as it is.
    int FindMaterial(const char* name, int layer = 0) const;
    // The material at index of the layer's element: the direct entry, or for index reference
    // the index-th material connected to the owner node. Null when there is none.
    virtual RWyxMaterial* GetMaterial(int index, int layer = 0) const;
    // The number of materials the layer uses: its element's direct entries, or for index
    // reference the materials connected to the owner node (0 without an element), so that
    // GetMaterial answers one for every index below it.
    int GetMaterialCount(int layer = 0) const;

    // As the material operations, for the layer's texture element (made with blend mode
    // translucent and alpha 1), except that adding a texture already there answers its index.
    int AddTexture(RWyxTexture* texture, int layer = 0);
    int FindTexture(const char* name, int layer = 0) const;
    virtual RWyxTexture* GetTexture(int index, int layer = 0) const;
    int GetTextureCount(int layer = 0) const;

    // ---- membership -----------------------------------------------------------------------------
    // The entity container that records the geometry (cleared by it); not owned.
    RWyxEntityContainer* GetEntityLink() const { return entity_; }
    void SetEntityLink(RWyxEntityContainer* entity) { entity_ = entity; }

protected:
    explicit RWyxLayerContainer(RWyxObjectFactory* factory);

    // Control points and deep copies of the layers of the other.
    void AssignLayerContainer(const RWyxLayerContainer& other);
    std::vector<RVector4>& ControlPointArray() { return controlPoints_; }
    const std::vector<RVector4>& ControlPointArray() const { return controlPoints_; }

private:
    std::vector<RVector4> controlPoints_;
    std::vector<std::unique_ptr<RWyxLayer>> layers_;
    RWyxEntityContainer* entity_ = nullptr;
};

#endif
