#ifndef WYX_FORMATS_3DS_WRITER3DSMATERIAL_H
#define WYX_FORMATS_3DS_WRITER3DSMATERIAL_H

// The material output of the 3DS writer: one toolkit material per (material, texture A,
// texture B) combination of a mesh's faces, its colours and factors from the scene material,
// its texture map from A and second texture map from B, each texture's image copied beside
// the output file once the file is in place. Only textures mapped by UV and of standard use
// count; a texture file name too long for the file (12 characters) is replaced by "Tex" and
// the texture's index, with a warning in the writer's message text. A texture placed by
// values no float of the file holds refuses the write (RWyxWriter3ds).

#include "formats/3ds/toolkit/FtkMaterial.h"

#include <memory>

class RWyxMesh;
class RWyxWriter3ds;

// An index equal to the mesh's texture count, or naming no texture, means none. The record's
// name is the writer's (RWyxWriter3ds::PlainMaterialName for a record without textures, else
// "<mesh counter>.Mat<material>Tex<texture>" or "...T<A>T<B>" through ClaimMaterialName), so
// that no two records of the file are read as one material. Null when the write was refused
// for a texture's placement.
std::unique_ptr<FtkMaterial> BuildMaterial3ds(RWyxWriter3ds& writer, const RWyxMesh& mesh, int material,
                                              int textureA, int textureB);

// Copies the texture file into the output file's folder unless a file of that name is there,
// putting the copy in place once the file was read to its end; false, with a warning in the
// writer's message text and nothing put in place, when it cannot be read or written whole.
// The file is opened through the writer (RWyxWriter3ds::OpenTextureFile).
bool CopyTextureFile(RWyxWriter3ds& writer, const char* path);

#endif
