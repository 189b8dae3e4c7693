#ifndef WYX_HOSTEXPORT_SHADINGEXPORTINFO_H
#define WYX_HOSTEXPORT_SHADINGEXPORTINFO_H

// What the export gathers about one shading group of one geometry: the shader, the texture
// layers and textures its "color" feeds, how many polygons use it, and the material index it
// gives. The material and texture export fills it; the mesh export counts its polygons and
// chooses its mappings; ApplyShadingIndices writes its indices into the geometry's elements.
//
// A texture is recorded by an id, layer x 1024 + its index in that layer's texture element,
// or -1 for "no texture" (a shader whose colour has no file texture). Layers and ids are kept
// once each, in the order first recorded.
//
// Also here: the host look-ups the shading export makes (the shading group of a shape, the
// surface shader of a group) and the vertex colours of a mesh.

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>

#include <cstddef>
#include <vector>

class RWyxLayerContainer;
class VFnMesh;

struct ShadingExportInfo {
    static constexpr int kNoTexture = -1;
    static constexpr int kLayerStride = 1024;

    // The mapping of new texture elements, and the one used instead when the record's first
    // texture has a host object and fewer polygons than countLimit use the record.
    int textureMapping = 4;
    int alternativeTextureMapping = 3;
    int materialMapping = 4;
    int countLimit = 0;
    VObject shader;
    // Set once a texture or the no-texture id was recorded.
    bool textured = false;
    std::vector<int> layers;
    // Parallel: the ids, how many polygons use each, and the host texture node of each
    // (null for the no-texture id).
    std::vector<int> textureIds;
    std::vector<int> idCounts;
    std::vector<VObject> components;
    int materialIndex = -1;

    // The mapping a new texture element of this record gets.
    int NewTextureMapping() const;
    // The layer once, and the id once (with its host object); false, nothing recorded, for
    // an index the id cannot hold (kLayerStride or more).
    bool RecordTexture(int layer, int textureIndex, const VObject& component);
    // The no-texture id on layer 0, or one more polygon for it when it is there.
    void RecordNoTexture();
    // One more polygon for every id.
    void CountPolygon();
    // The texture index recorded for the layer: the first id on it; -1 when none.
    int TextureIndexOn(int layer) const;
    // Id `i` becomes the texture of that index on the layer, which joins the list. The old layer
    // stays in the list: where no other id lies on it, TextureIndexOn answers -1 there.
    void MoveId(size_t i, int layer, int textureIndex);
    // The ids of textures on the layer renumbered: texture index j becomes numbers[j].
    void RenumberLayer(int layer, const std::vector<int>& numbers);
};

// Writes the record's material index and (with `textures`) its texture indices into the
// geometry's elements, at `polygon` for elements mapped by polygon: layer 0's material
// element (made when missing, index to direct) gets the record's material mapping; a
// texture element of each of the record's layers (made when missing: index to direct,
// translucent, alpha 1). An element mapped otherwise holds one index.
void ApplyShadingIndices(const ShadingExportInfo& info, RWyxLayerContainer& geometry, bool textures, int polygon);

// The first set holding the path that is a shading group (restriction 5); null when none.
VObject FindShadingGroup(const VDagPath& path);
// The node connected to the group's "surfaceShader" when exactly one is; null otherwise. A
// shader that is not a shading group is its own surface shader.
VObject GetSurfaceShader(const VObject& shadingGroup);
bool IsKind109(const VDagPath& path);

// The mesh's face-vertex colours into a vertex-colour element (the first layer having one,
// else layer 0), one per corner, by polygon vertex; nothing when no corner has a colour.
// False only when the mesh's polygons cannot be walked.
bool ExportVertexColors(RWyxLayerContainer& geometry, const VFnMesh& mesh);

#endif
