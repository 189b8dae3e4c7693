#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKMESHAPI_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKMESHAPI_H

// Triangle meshes of a 3DS database: named objects (0x4000) whose kind chunk is 0x4100.
//
// Mesh children: 0x4110 vertices (16-bit count, points), 0x4111 vertex flags (count, 16-bit
// values), 0x4140 texture vertices (count, u/v pairs), 0x4170 mapping (16-bit type, tile x
// and y, centre, scale, 12 matrix floats, plane width and height, cylinder height), 0x4160
// local frame (12 floats), 0x4165 palette colour (byte), 0x4181 procedure name, 0x4182
// procedure data (bytes), 0x4120 faces (count, four 16-bit words each) with its children
// 0x4130 material group (name, count, face numbers), 0x4150 smoothing groups (one 32-bit
// mask per face) and 0x4190 box map (six names). Object flags are children of the 0x4000
// chunk: 0x4010 hidden, 0x4011 visible in lofter, 0x4012 no cast shadows, 0x4013 matte,
// 0x4014 fast, 0x4015 use procedure, 0x4016 frozen, 0x4017 no receive shadows.
// Every count is checked against its chunk's bytes before anything is allocated for it; a
// chunk that does not hold what its count says records ERR_INVALID_CHUNK.

#include "formats/3ds/toolkit/FtkMeshObject.h"

#include <cstdint>
#include <memory>

struct FtkDatabase;

std::uint32_t FtkMeshCount(FtkDatabase* database);
// False (record untouched) when there is no such mesh, false with a recorded code when the
// mesh is damaged.
bool FtkGetMeshByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkMeshObject>& mesh);
// Adds the named object, or replaces the one of that name in its place. A count larger than
// its array records ERR_INVALID_DATA.
void FtkPutMeshObject(FtkDatabase* database, const FtkMeshObject* mesh);

#endif
