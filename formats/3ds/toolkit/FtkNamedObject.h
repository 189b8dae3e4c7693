#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKNAMEDOBJECT_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKNAMEDOBJECT_H

// What the entity functions share: finding named objects (0x4000 chunks whose name is their
// data and whose kind chunk says what they are) by kind and index, and the frame of every
// put, which reuses an entity of the same name in its place and keeps its extended data
// (0x8000).

#include "formats/3ds/toolkit/FtkChunk.h"

#include <cstdint>
#include <memory>

struct FtkDatabase;

enum class FtkObjectKind { Mesh, Camera, OmniLight, SpotLight };

// The kind chunk of a named object (0x4100, 0x4600 or 0x4700), or null.
FtkChunk* FtkObjectKindChunk(FtkChunk* object);
bool FtkIsObjectOfKind(FtkChunk* object, FtkObjectKind kind);
std::uint32_t FtkCountObjects(FtkDatabase* database, FtkObjectKind kind);
// The index-th named object of the kind, in named-object order; null past the last.
FtkChunk* FtkObjectByIndex(FtkDatabase* database, FtkObjectKind kind, std::uint32_t index);
// The same for a get: null also when the database is not a mesh or project file (recorded).
FtkChunk* FtkObjectToGet(FtkDatabase* database, FtkObjectKind kind, std::uint32_t index);

// An entity chunk ready to be filled by a put, and the extended data it had.
struct FtkPutFrame {
    FtkChunk* entity = nullptr;
    std::unique_ptr<FtkChunk> extendedData;
};

// The 0x4000 chunk of that name under 0x3D3D, emptied when it exists, else added; its data is
// the name. Null (and a recorded code) on failure.
FtkPutFrame FtkBeginObjectPut(FtkDatabase* database, const char* name);
// The 0xAFFF entry of that name (under 0x3D3D, or the top chunk of a material library),
// emptied when it exists, else added; null on failure.
FtkPutFrame FtkBeginMaterialPut(FtkDatabase* database, const char* name);
// Hangs the extended data kept by the frame under the chunk.
void FtkEndPut(FtkPutFrame& frame, FtkChunk* holder);

#endif
