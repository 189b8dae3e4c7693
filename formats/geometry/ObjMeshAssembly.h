#ifndef WYX_FORMATS_GEOMETRY_OBJMESHASSEMBLY_H
#define WYX_FORMATS_GEOMETRY_OBJMESHASSEMBLY_H

// Turns one group of an OBJ document into a mesh.
//
// Missing normals are made first: in smoothing group 0 a face without normals gets its flat
// face normal on every corner; in any other smoothing group a position with a corner that has
// no normal gets, for those corners, the unit sum of the normals of all its corners in that
// smoothing group (a corner without one adding its face's normal). Normals made are appended
// to the document's normals.
//
// Then every distinct (position, texture coordinate, normal) of the group's corners becomes
// one control point (found through a hash map, so the work grows with the corner count), with
// its normal mapped by control point. Texture coordinates map by polygon vertex: every corner
// keeps its own, and a corner without one has none, so faces with and without them mix in one
// mesh. Faces are visited by smoothing group in ascending number, in file order within one.
//
// Materials map by polygon when the file named a material library, else one for all; textures
// map by polygon when a face's material has one, with a texture "_empty_" (alpha 0) first when
// some faces have none.

#include <vector>

class RWyxMaterial;
class RWyxMesh;
class RWyxObjectFactory;
class RWyxTexture;
struct ObjDocument;
struct ObjGroup;

class ObjMeshAssembly {
public:
    // materials[i] and textures[i] belong to the document's material name i (texture null
    // when that material has no map). All stay the caller's (the factory's).
    ObjMeshAssembly(RWyxObjectFactory& factory, ObjDocument& document, const std::vector<RWyxMaterial*>& materials,
                    const std::vector<RWyxTexture*>& textures);

    // A new mesh made by the factory; null for a group without faces or when the factory
    // makes none.
    RWyxMesh* Assemble(ObjGroup& group);

    // The missing normals of the group, as above.
    static void ComputeMissingNormals(ObjDocument& document, ObjGroup& group);

private:
    struct Layout;

    // Face indices by smoothing group, then file order.
    static std::vector<int> FaceOrder(const ObjGroup& group);
    void CollectControlPoints(const ObjGroup& group, const std::vector<int>& order, Layout& layout) const;
    void FillLayer(RWyxMesh& mesh, const ObjGroup& group, Layout& layout) const;
    void AddPolygons(RWyxMesh& mesh, const ObjGroup& group, const std::vector<int>& order, const Layout& layout) const;
    RWyxMaterial* MaterialOf(int material) const;
    RWyxTexture* TextureOf(int material) const;

    RWyxObjectFactory& factory_;
    ObjDocument& document_;
    const std::vector<RWyxMaterial*>& materials_;
    const std::vector<RWyxTexture*>& textures_;
};

#endif
