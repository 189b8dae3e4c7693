#ifndef WYX_FORMATS_GEOMETRY_RWYXREADERDXF_H
#define WYX_FORMATS_GEOMETRY_RWYXREADERDXF_H

// Reads the polygon geometry of an ASCII DXF file into a scene: polyface meshes, 3-D
// polylines, 3DFACE and LINE entities and block references (INSERT), as meshes on nodes
// grouped by layer, by entity or by block (option slot 6), with one material per DXF colour
// used. The file's bytes are parsed first (DxfParser), then turned into the scene
// (DxfSceneBuilder). Options: slot 1 puts everything under a node "<file name>_root", slot 4
// welds coincident points of LINEs and 3DFACEs.
//
// Read fails with error 3 without an open file, error 6 without RStreamOptionsDxf, error 0
// ("File is corrupted") when the file breaks the pair structure before its entities are read
// whole (the parser's reason with its line), and error 7 when the scene cannot be built.

#include "formats/geometry/RWyxGeometryFileReader.h"

#include <cstddef>
#include <string_view>

class RWyxReaderDxf : public RWyxGeometryFileReader {
public:
    // INSERTs may copy this many points and corners per byte of the file, plus kInsertAllowance.
    static constexpr std::size_t kInsertBudgetPerByte = 4;
    static constexpr std::size_t kInsertAllowance = 1000000;

    explicit RWyxReaderDxf(RWyxObjectFactory* factory);

    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

    // Read over bytes already in memory (the open file is not touched). The reference node,
    // when asked for, is named after the open file's path.
    bool ReadBytes(RWyxScene* scene, RStreamOptions* options, std::string_view bytes);
};

#endif
