#ifndef WYX_FORMATS_GEOMETRY_RWYXREADEROBJ_H
#define WYX_FORMATS_GEOMETRY_RWYXREADEROBJ_H

// Reads an OBJ geometry file with the MTL material libraries it names into a scene: every
// group of faces becomes a node with a mesh, every rational B-spline surface a node with a
// NURBS surface, the materials and their diffuse maps materials and textures of the meshes.
// The file's bytes are parsed first (ObjParser), then checked and turned into the scene
// (ObjSceneBuilder, ObjMeshAssembly).
//
// Libraries: each name of an "mtllib" statement is opened as given, then joined to the OBJ
// file's folder; a name that opens neither way adds "Unable to load material library\n" to
// the message text.
//
// Read fails with error 6 without RStreamOptionsObj; with error 0 ("File is corrupted") when
// the file breaks its format (the parser's reason with its line); with error 7 when the scene
// cannot be built. Options: slot 1 puts every group under a node "<file name>_root".

#include "formats/geometry/RWyxGeometryFileReader.h"

#include <functional>
#include <string>
#include <string_view>

struct MtlLibrary;

class RWyxReaderObj : public RWyxGeometryFileReader {
public:
    // Fills bytes with a library named in the file; false when it cannot be had.
    using LibrarySource = std::function<bool(const std::string& name, std::string& bytes)>;

    explicit RWyxReaderObj(RWyxObjectFactory* factory);

    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

    // Read over bytes already in memory (the open file is not touched). The reference node,
    // when asked for, is named after the open file's path.
    bool ReadBytes(RWyxScene* scene, RStreamOptions* options, std::string_view bytes);
    // Where libraries come from instead of files (null: files, as above).
    void SetLibrarySource(LibrarySource source) { librarySource_ = std::move(source); }

private:
    bool LoadLibrary(const std::string& name, std::string& bytes) const;

    LibrarySource librarySource_;
};

#endif
