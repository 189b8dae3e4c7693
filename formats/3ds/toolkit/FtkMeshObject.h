#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKMESHOBJECT_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKMESHOBJECT_H

// The triangle-mesh record of the 3DS toolkit and the storage of its arrays.
//
// A mesh owns up to seven arrays, each with the count field that sizes it; a mask of bits
// names them (kFtkMesh...). FtkAllocMeshArrays brings the arrays of the mask to their counts:
// a count of 0 frees the array, a larger count keeps the first elements and initialises
// the new ones as a fresh array is (vertices, texture vertices, smoothing groups, procedure
// data and vertex flags zero, faces {0, 1, 2, 0}, material groups empty). Failures are
// recorded codes (FtkErrors.h).

#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

enum FtkMeshArrayBit : std::uint32_t {
    kFtkMeshVertices = 1,       // vertexCount points
    kFtkMeshTexVerts = 2,       // texVertCount u, v pairs
    kFtkMeshFaces = 4,          // faceCount faces
    kFtkMeshMaterials = 8,      // materialCount material groups
    kFtkMeshSmoothGroups = 16,  // faceCount masks
    kFtkMeshProcData = 32,      // procDataSize bytes
    kFtkMeshVertexFlags = 64,   // vertexCount flags
    kFtkMeshAllArrays = 127,
};

// The texture mapping of a mesh.
struct FtkMapInfo {
    std::uint16_t mapType = 0;
    float tileX = 1.0f;
    float tileY = 1.0f;
    FtkPoint centre;
    float scale = 1.0f;
    float matrix[12] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    float planeWidth = 1.0f;
    float planeHeight = 1.0f;
    float cylinderHeight = 1.0f;
};

// The faces of a mesh that take one material.
struct FtkMaterialGroup {
    char name[17] = {};
    std::uint16_t faceCount = 0;
    std::vector<std::uint16_t> faceIndices;
};

struct FtkMeshObject {
    char name[11] = {};
    std::uint8_t hidden = 0;
    std::uint8_t visibleInLofter = 0;
    std::uint8_t matte = 0;
    std::uint8_t noCastShadows = 0;
    std::uint8_t fast = 0;
    std::uint8_t noReceiveShadows = 0;
    std::uint8_t frozen = 0;
    std::uint16_t vertexCount = 0;
    std::vector<FtkPoint> vertices;
    std::uint16_t vertexFlagCount = 0;
    std::vector<std::uint16_t> vertexFlags;
    std::uint16_t texVertCount = 0;
    std::vector<FtkTexVert> texVerts;
    std::uint8_t useMapInfo = 0;
    FtkMapInfo mapInfo;
    // Three axis rows (X, Y, Z), then the origin.
    float localMatrix[12] = {};
    std::uint16_t faceCount = 0;
    std::vector<FtkFace> faces;
    std::vector<std::uint32_t> smoothGroups;
    std::uint8_t useBoxMap = 0;
    char boxMap[6][17] = {};
    std::uint8_t meshColour = 0;
    std::uint16_t materialCount = 0;
    std::vector<FtkMaterialGroup> materials;
    std::uint8_t useProc = 0;
    std::uint32_t procDataSize = 0;
    char procName[13] = {};
    std::vector<std::uint8_t> procData;
};

// Makes the record when null, resets every field with the two counts, allocates vertices and
// faces, and by the mask texture vertices (bit 2, as many as vertices), vertex flags (bit 64)
// and smoothing groups (bit 16).
void FtkInitMeshObject(std::unique_ptr<FtkMeshObject>& mesh, std::uint16_t vertexCount, std::uint16_t faceCount,
                       std::uint32_t mask);
void FtkAllocMeshArrays(FtkMeshObject* mesh, std::uint32_t mask);
// Frees the arrays of the mask (material groups with their face lists).
void FtkReleaseMeshArrays(FtkMeshObject* mesh, std::uint32_t mask);
void FtkReleaseMeshObject(std::unique_ptr<FtkMeshObject>& mesh);
// A zeroed face list of faceCount entries for the group. ERR_INVALID_ARG for a null mesh or
// a count of 0, ERR_INVALID_DATA for a mesh without faces or a group past materialCount.
void FtkAllocMaterialGroupFaces(FtkMeshObject* mesh, std::uint16_t group, std::uint16_t faceCount);

#endif
