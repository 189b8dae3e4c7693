#ifndef WYX_FORMATS_GEOMETRY_RWYXWRITEROBJ_H
#define WYX_FORMATS_GEOMETRY_RWYXWRITEROBJ_H

// Writes every polygon mesh of a scene into one OBJ file, in world space, and the materials
// into an MTL library beside it (the output's name with the extension "mtl"); texture files
// are copied next to the output. NURBS surfaces and patches become meshes first, and with
// Force Triangulation every mesh becomes triangles (converted in the scene itself); with
// Evaluate Link/Shape deformations the points are written as the shapes and links move them
// in the current take (computed aside: the scene's points stay as they are).
//
// Per mesh node: "g <name>", its points as "v", its texture coordinates as "vt" (the UV array,
// or one per polygon corner when textures map by polygon, (v, u) for a texture that swaps
// them), its normals as "vn" in the mesh's own mapping (one per control point when they map
// by control point, else one per polygon corner; unit length, zero stays zero), "usemtl"
// where the (material, texture) pair changes, and "f" with v, v/vt, v//vn or v/vt/vn per
// corner; a corner without a texture coordinate or normal leaves that part out. Numbers of
// "v", "vt" and "vn" lines run over the whole file.
//
// MTL entries: "newmtl", "map_Kd" (a texture of standard use), "Ka", "Kd", "Ks", "illum 2",
// "Ns" (shininess x 100) and "d" (the opacity).
//
// Names are written as one statement holds them: control characters (line breaks, tabs, ...)
// and a backslash that would end the line (which the reader takes for a continuation) become
// '_'; so does every blank of a material name, since "usemtl" and "newmtl" take one word. A
// texture is copied under the file name its "map_Kd" line gives.
//
// Write fails with error 4 without RStreamOptionsObj, with error 5 for a scene without a root
// node, and when the file or its MTL file could not be written whole with error 3 ("Out of
// disk space") for a full disk or quota, error 5 for any other reason, the text naming the
// file and the reason (RWyxWriter::FailWriteWhole). It refuses a mesh with a point (in world
// space) or a normal that is NaN or infinite with error 5 (RWyxGeometryFileWriter::
// RefuseNonFinite): one such coordinate would spoil the whole point through the transform, and
// a normal is written scaled to unit length, so the file would hold other numbers. Texture
// coordinates are written as they are ("nan", "inf"), which the reader reads back. The OBJ and
// MTL files go to temporary files that FileClose puts in place (RWyxGeometryFileWriter), and
// textures are copied by FileClose once both are in place; a write or a put in place of either
// file that fails is a failed export, and a refused, failed or unclosed write copies nothing. Conversions
// that fail, texture files that cannot be copied (a copy goes in place whole or not at all)
// and an MTL file that cannot be made are warnings in the message text.

#include "core/RMatrix.h"
#include "core/RUniqueNameList.h"
#include "core/RVector4.h"
#include "formats/geometry/RObjMaterialRecord.h"
#include "formats/geometry/RWyxGeometryFileWriter.h"

#include <cstdio>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class GeometryTextWriter;
class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxTexture;

class RWyxWriterObj : public RWyxGeometryFileWriter {
public:
    explicit RWyxWriterObj(RWyxObjectFactory* factory, RWyxIO* owner = nullptr);
    ~RWyxWriterObj() override;

    RStreamOptionsPtr GetWriteOptions() override;

    // The MTL path of an output path: its extension (after the last '.' of the file name)
    // replaced by "mtl", or ".mtl" appended when it has none. Folders are left as they are.
    static RString MaterialLibraryPath(const char* outputPath);

    // Puts the files in place, then copies the textures of the write beside them.
    bool FileClose() override;

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;

private:
    struct MeshCorners;

    bool OpenMaterialLibrary(GeometryTextWriter& out);
    void CloseMaterialLibrary();
    // False when the mesh was refused (its points or normals are not finite).
    bool WriteMesh(RWyxNode& node, RWyxMesh& mesh, GeometryTextWriter& out);
    bool WritePoints(RWyxNode& node, RWyxMesh& mesh, GeometryTextWriter& out, std::vector<RVector4>& normals);
    void WriteTextureCoordinates(RWyxMesh& mesh, GeometryTextWriter& out, MeshCorners& corners);
    bool WriteNormals(RWyxNode& node, RWyxMesh& mesh, const std::vector<RVector4>& deformed, GeometryTextWriter& out,
                      MeshCorners& corners);
    void WriteFaces(RWyxMesh& mesh, GeometryTextWriter& out, const MeshCorners& corners);
    // The index of the pair's record, written to the MTL file when new.
    std::size_t Record(RWyxMaterial* material, RWyxTexture* texture);
    void WriteMaterialEntry(const RObjMaterialRecord& record);
    void CopyTexture(const RString& source, const RString& fileName);

    bool forceTriangulation_ = false;
    bool evaluateDeformations_ = true;
    bool materialsNeeded_ = false;
    int vertexNumber_ = 1;
    int uvNumber_ = 1;
    int normalNumber_ = 1;
    RString outputPath_;
    std::unique_ptr<GeometryTextWriter> mtl_;
    RWyxMaterial* defaultMaterial_ = nullptr;
    std::vector<RObjMaterialRecord> records_;
    // The textures of the last write (source, file name beside the output), copied by FileClose.
    std::vector<std::pair<RString, RString>> textureCopies_;
    std::map<std::pair<const void*, const void*>, std::size_t> recordIndex_;
    RUniqueNameList materialNames_;
};

#endif
