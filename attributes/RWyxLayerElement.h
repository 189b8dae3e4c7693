#ifndef WYX_ATTRIBUTES_RWYXLAYERELEMENT_H
#define WYX_ATTRIBUTES_RWYXLAYERELEMENT_H

// One kind of per-geometry data in a layer (normals, materials, textures, polygon groups, UVs,
// vertex colours): a direct array of values, an index array of ints, and two modes that say
// how both map onto the geometry.
//
// The mapping mode says what one entry belongs to (a control point, a polygon vertex, a
// polygon, or the whole geometry); the reference mode says whether the entries are the
// direct values themselves (direct), indices into something outside the element (index), or
// indices into the direct array (index to direct). Indices come from files and callers, so
// every read through them is checked: ResolveDirectIndex answers -1 instead of a position
// outside the direct array.
//
// The typed direct arrays live in RWyxTypedLayerElement; this base holds what every kind
// shares and the operations that rearrange entries without knowing their type (the merge and
// unweld of control points use them).

#include <cstddef>
#include <memory>
#include <vector>

class RWyxLayerElement {
public:
    // Kinds, in the order a layer lists them.
    static constexpr int kNormal = 1;
    static constexpr int kMaterial = 2;
    static constexpr int kTexture = 3;
    static constexpr int kPolygonGroup = 4;
    static constexpr int kUV = 5;
    static constexpr int kVertexColor = 6;
    static constexpr int kFirstKind = kNormal;
    static constexpr int kLastKind = kVertexColor;

    // Mapping modes.
    static constexpr int kNoMapping = 0;
    static constexpr int kByControlPoint = 1;
    static constexpr int kByPolygonVertex = 2;
    static constexpr int kByPolygon = 3;
    static constexpr int kAllSame = 4;

    // Reference modes.
    static constexpr int kDirect = 0;
    static constexpr int kIndex = 1;
    static constexpr int kIndexToDirect = 2;

    RWyxLayerElement& operator=(const RWyxLayerElement&) = delete;
    virtual ~RWyxLayerElement() = default;

    virtual int GetKind() const = 0;
    // A deep copy of the same kind (object pointers are copied, not the objects).
    virtual std::unique_ptr<RWyxLayerElement> Clone() const = 0;

    // Modes are kept as given; the writers name unknown values themselves.
    int GetMappingMode() const { return mappingMode_; }
    void SetMappingMode(int mode) { mappingMode_ = mode; }
    int GetReferenceMode() const { return referenceMode_; }
    void SetReferenceMode(int mode) { referenceMode_ = mode; }

    // ---- index array ---------------------------------------------------------------------------
    int GetIndexCount() const { return static_cast<int>(indices_.size()); }
    // The index storage; null when empty. Callers may change values in place.
    int* GetIndices() { return indices_.empty() ? nullptr : indices_.data(); }
    const int* GetIndices() const { return indices_.empty() ? nullptr : indices_.data(); }
    // The value at position; -1 for a position outside the array.
    int GetIndexAt(int position) const;
    // False, nothing changed, for a position outside the array.
    bool SetIndexAt(int position, int value);
    // Answers the new position.
    int AddIndex(int value);
    // Makes position hold value: positions missing before it are filled with `gap`.
    // False, nothing changed, for a negative position or when memory runs out.
    bool StoreIndexAt(int position, int value, int gap);
    // Truncates or grows to count entries (new ones `fill`); false, nothing changed, for a
    // negative count or when memory runs out.
    bool SetIndexCount(int count, int fill = 0);
    void ClearIndices() { indices_.clear(); }
    std::vector<int>& IndexArray() { return indices_; }
    const std::vector<int>& IndexArray() const { return indices_; }

    // ---- direct array, untyped --------------------------------------------------------------------
    virtual int GetDirectCount() const = 0;
    // New entries hold the kind's default value; false, nothing changed, for a negative count
    // or when memory runs out.
    virtual bool SetDirectCount(int count) = 0;
    virtual void ClearDirect() = 0;

    // Where the entry at `position` of the mapping lives in the direct array: the position
    // itself for direct reference, the index there for index to direct. -1 when the position
    // or the index it holds lies outside its array, and for index reference (whose indices
    // point outside the element).
    int ResolveDirectIndex(int position) const;

    // Rebuilds the direct (index) array so that entry i is the former entry sources[i]; false,
    // nothing changed, when a source lies outside the array.
    virtual bool GatherDirect(const std::vector<int>& sources) = 0;
    bool GatherIndices(const std::vector<int>& sources);

    // The number of entries that follow the mapping: the index array for index and index to
    // direct reference, else the direct array.
    int GetMappedCount() const;
    // Rearranges the entries that follow the mapping (see GetMappedCount) by GatherDirect or
    // GatherIndices.
    bool GatherMapped(const std::vector<int>& sources);

protected:
    RWyxLayerElement() = default;
    RWyxLayerElement(const RWyxLayerElement&) = default;

private:
    bool ResizeIndices(std::size_t count, int fill);

    int mappingMode_ = kNoMapping;
    int referenceMode_ = kDirect;
    std::vector<int> indices_;
};

#endif
