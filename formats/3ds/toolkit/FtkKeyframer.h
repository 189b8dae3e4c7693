#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKKEYFRAMER_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKKEYFRAMER_H

// The keyframer section of a 3DS database (0xB000 under the top chunk): its header, node
// headers and key tracks in file form, the chunk functions that build nodes, and the
// numbering of keyframer nodes around loading and saving.
//
// File form after the chunk header (little-endian):
//   0xB00A keyframer header: revision (16-bit), name (at most 512 characters and its zero),
//          animation length (32-bit frames)
//   0xB010 node header: name (at most 10 characters and its zero), flags 1, flags 2, parent
//          node id (16-bit each; 0xFFFF for none)
//   0xB030 node id (16-bit)
//   0xB020 to 0xB029 tracks: flags (16-bit), two reserved 32-bit words, key count (32-bit),
//          then per key a key header (FtkTypes.h) and the value: position, scale and colour
//          3 floats, rotation 4 (angle, axis x, y, z), field of view, roll, hotspot and falloff
//          1, morph an object name (at most 10 characters and its zero), hide nothing.
//   0x80F0 (in memory only, under a node header): the parent node's name.
//
// In memory a node's parent is known by name (0x80F0); the numbers are made from the names
// before each save (FtkBeforeSaveNodes) and turned back into names after each load
// (FtkAfterLoadNodes). A parent link that names the node itself or closes a cycle is dropped
// with a warning, and the node stays at the top level. A parent name finds a node with an
// instance name as "name.instance" (split at its first '.') before a node named so whole, and
// a name holding a '.' ("Box.001") finds its node.

#include "formats/3ds/toolkit/FtkChunk.h"
#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstdint>
#include <string>
#include <vector>

struct FtkDatabase;
struct FtkStringList;

constexpr std::uint16_t kFtkNoParent = 0xFFFF;
constexpr std::size_t kFtkNodeNameLength = 10;
// The node tags that take part in numbering, in the order of the fix-up after loading.
constexpr std::uint32_t kFtkNodeTags[] = {0xB004, 0xB002, 0xB003, 0xB005, 0xB006, 0xB007};
constexpr std::uint32_t kFtkAmbientNode = 0xB001;

struct FtkKeyframerHeader {
    std::uint16_t revision = 0;
    std::string name;
    std::uint32_t animationLength = 30;
};

struct FtkNodeHeader {
    std::string name;
    std::uint16_t flags1 = 0;
    std::uint16_t flags2 = 0;
    std::uint16_t parentIndex = kFtkNoParent;
};

// Rotation key value: angle, then the axis.
struct FtkRotKey {
    float angle = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Morph key value: an object name in a 13-byte slot.
struct FtkMorphName {
    char name[13] = {};
};

// Hide tracks have keys only.
struct FtkNoValue {};

// One track of a motion record: count, flags, key headers and one value per key.
template <typename Value>
struct FtkTrackGroup {
    std::uint32_t keyCount = 0;
    std::uint16_t flags = 0;
    std::vector<FtkKeyHeader> keys;
    std::vector<Value> values;
};

// The node records of the last load or save.
struct FtkNodeRecord {
    std::uint16_t id = 0;
    std::uint32_t tag = 0;
    std::string name;
    bool hasInstance = false;
    std::string instance;
    std::uint16_t parentId = kFtkNoParent;
};

// ---- records in file form -----------------------------------------------------------------------
// False (data untouched) when the chunk is null or its data does not hold the record.
bool FtkGetKeyframerHeader(FtkChunk* chunk, FtkKeyframerHeader& header);
void FtkSetKeyframerHeader(FtkChunk* chunk, const FtkKeyframerHeader& header);
bool FtkGetNodeHeader(FtkChunk* chunk, FtkNodeHeader& header);
void FtkSetNodeHeader(FtkChunk* chunk, const FtkNodeHeader& header);
// Reads a track chunk into the group. The key count is bounded by the chunk's bytes before
// anything is allocated; a track that does not hold its keys records ERR_INVALID_CHUNK. A
// morph name of 10 characters without its zero takes the 11th byte as its end.
template <typename Value>
bool FtkGetTrack(FtkChunk* chunk, FtkTrackGroup<Value>& track);
// The track's data in file form: count keys with their values.
template <typename Value>
void FtkSetTrack(FtkChunk* chunk, const FtkTrackGroup<Value>& track);
// Whether the group holds its keyCount keys (and values, but for hide tracks).
template <typename Value>
bool FtkTrackIsGiven(const FtkTrackGroup<Value>& track);

// ---- keyframer chunk functions ------------------------------------------------------------------
// 0xB000 among the top chunk's children, or a new one added ordered.
FtkChunk* FtkFindOrAddKeyframerData(FtkDatabase* database);
// A node id chunk 0xB030 holding 0xFFFF.
FtkChunk* FtkAddNodeId(FtkChunk* node);
// A node header (parent id 0xFFFF) and, when a parent name is given, its 0x80F0 child.
FtkChunk* FtkAddNodeHeader(const char* name, std::uint16_t flags1, std::uint16_t flags2, const char* parentName,
                           FtkChunk* node);
FtkChunk* FtkAddParentName(FtkChunk* header, const char* name);
// A track chunk of the id when the count is not 0 and the group holds it; ERR_INVALID_DATA
// when the count exceeds the keys or values given.
template <typename Value>
FtkChunk* FtkAddTrack(std::uint32_t id, const FtkTrackGroup<Value>& track, FtkChunk* node);
// The tracks the puts add: position 0xB020, colour 0xB025, roll 0xB024.
inline FtkChunk* FtkAddPositionTrack(const FtkTrackGroup<FtkPoint>& track, FtkChunk* node) {
    return FtkAddTrack(0xB020, track, node);
}
inline FtkChunk* FtkAddColorTrack(const FtkTrackGroup<FtkColor>& track, FtkChunk* node) {
    return FtkAddTrack(0xB025, track, node);
}
inline FtkChunk* FtkAddRollTrack(const FtkTrackGroup<float>& track, FtkChunk* node) {
    return FtkAddTrack(0xB024, track, node);
}
// A camera target (0xB004) or spot target (0xB006) node with id, header and position track.
FtkChunk* FtkAddTargetNode(const char* targetParentName, const FtkTrackGroup<FtkPoint>& positions, const char* name,
                           std::uint16_t flags1, std::uint16_t flags2, bool cameraTarget, FtkChunk* keyframer);
// The first node of the tag under 0xB000 whose header names it.
FtkChunk* FtkFindNodeChunk(FtkDatabase* database, const char* name, std::uint32_t tag);
// The text of the first 0x80F0 below the node; empty when it has none.
std::string FtkGetParentName(FtkChunk* node);
// Node-list entries of the tag, and copies of their names.
std::uint32_t FtkNodeCount(FtkDatabase* database, std::uint32_t tag);
void FtkNodeNames(FtkDatabase* database, std::uint32_t tag, std::unique_ptr<FtkStringList>& names);

// ---- numbering around loading and saving --------------------------------------------------------
void FtkAfterLoadNodes(FtkDatabase* database);
void FtkBeforeSaveNodes(FtkDatabase* database);
const std::vector<FtkNodeRecord>& FtkNodeRecords();

#endif
