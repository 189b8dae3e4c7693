#ifndef WYX_FORMATS_GEOMETRY_OBJSCENEBUILDER_H
#define WYX_FORMATS_GEOMETRY_OBJSCENEBUILDER_H

// The second step of reading an OBJ file: checks the parsed document and builds the scene.
//
//   - every material the file uses ("usemtl") becomes a material, filled from the first
//     library that defines it ("Ka", "Kd", "Ks", "illum", "Ns", "d" and "Tr" as opacity, with
//     "d" the one taken when both are given; "map_Kd" gives it a texture named like it);
//   - every rational B-spline surface whose sizes agree (control vertices = U count x V count,
//     each count the knots less the order and at least the order, knots finite and not
//     decreasing) becomes a node with a NURBS surface under the scene's root; surfaces of
//     another basis are dropped silently, ones whose sizes disagree with a warning;
//   - every group, in name order ignoring case, becomes a node with its mesh (ObjMeshAssembly)
//     under the reference node "<file>_root" or the scene's root; names are made unique.
//
// Warnings (a material no library defines) go to the message text given.

#include "core/RString.h"
#include "core/RUniqueNameList.h"

#include <string>
#include <vector>

class RWyxMaterial;
class RWyxNode;
class RWyxObjectFactory;
class RWyxScene;
class RWyxTexture;
struct MtlLibrary;
struct ObjDocument;
struct ObjSurface;

class ObjSceneBuilder {
public:
    // The message text stays the caller's; warnings are appended to it.
    ObjSceneBuilder(RWyxObjectFactory& factory, RString& messages) : factory_(factory), messages_(messages) {}

    // referenceName: the reference node's name, or null for none. False, with the reason on
    // GetError(), when a node or a mesh cannot be made; what was made stays in the factory.
    bool Build(ObjDocument& document, const std::vector<MtlLibrary>& libraries, RWyxScene& scene,
               const char* referenceName);

    const std::string& GetError() const { return error_; }
    int GetWarningCount() const { return warningCount_; }

private:
    void MakeMaterials(const ObjDocument& document, const std::vector<MtlLibrary>& libraries);
    bool MakeSurface(const ObjDocument& document, const ObjSurface& surface, RWyxNode& root);
    RWyxNode* MakeNode(const std::string& name);
    void Warn(const RString& text);

    RWyxObjectFactory& factory_;
    RString& messages_;
    std::string error_;
    int warningCount_ = 0;
    RUniqueNameList names_;
    std::vector<RWyxMaterial*> materials_;
    std::vector<RWyxTexture*> textures_;
    bool textured_ = false;
};

#endif
