#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKCHUNK_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKCHUNK_H

// The chunk tree of the 3DS toolkit.
//
// File form (little-endian): a chunk is a 6-byte header (id, 16-bit; length, 32-bit: the
// whole chunk, header and sub-chunks included) and a body: the chunk's own data, then its
// sub-chunks up to the end given by the length. How many bytes of own data come before the
// sub-chunks is fixed per id (FtkOwnDataSize); an id the toolkit does not know is all data.
//
// In memory a chunk is a node with its first child and its next sibling. Its data record is
// the own data in file form (FtkChunkData): read from the chunk's source file when first
// asked for, decoded by the entity functions with FtkByteReader and made by them with
// FtkByteWriter, so any chunk, known or not, is written back byte for byte. The source of a
// loaded chunk is the file slot it came from together with that file's serial number; when
// the file is gone the data can no longer be read (ERR_READING_FILE).

#include "formats/3ds/toolkit/FtkBytes.h"
#include "formats/3ds/toolkit/FtkFile.h"

#include <cstdint>
#include <memory>
#include <vector>

constexpr std::uint32_t kFtkHeaderSize = 6;
// In-memory chunk holding a keyframer node's parent name; never written.
constexpr std::uint32_t kFtkParentNameChunk = 0x80F0;

struct FtkChunkData {
    std::vector<unsigned char> bytes;
};

struct FtkChunk;

// Where the last ordered insert of an order went under a parent (FtkAddChildOrdered).
struct FtkOrderHint {
    int order = 0;
    FtkChunk* chunk = nullptr;  // a child of the parent, not owned
};

struct FtkChunk {
    FtkChunk() = default;
    FtkChunk(const FtkChunk&) = delete;
    FtkChunk& operator=(const FtkChunk&) = delete;
    // Frees the sibling chain one node at a time, so that a long chain needs no deep stack.
    ~FtkChunk();

    std::uint32_t id = 0;
    std::uint32_t length = 0;    // as read or last written; 0 for a chunk made in memory
    std::uint32_t position = 0;  // of its header in its source file
    std::unique_ptr<FtkChunkData> data;
    std::unique_ptr<FtkChunk> next;
    std::unique_ptr<FtkChunk> children;
    std::uint8_t sourceSlot = 255;
    std::uint8_t destinationSlot = 255;
    std::uint32_t sourceSerial = 0;  // serial of the file in sourceSlot when the chunk was read
    std::uint32_t dataSize = 0;      // own data bytes in the source file
    // The child last inserted ordered, per order, so that the next ordered insert starts there
    // instead of at the first child; dropped with the children.
    std::unique_ptr<std::vector<FtkOrderHint>> orderHints;
};

// ---- nodes --------------------------------------------------------------------------------------
std::unique_ptr<FtkChunk> FtkNewChunk();
std::unique_ptr<FtkChunk> FtkNewChunkWithId(std::uint32_t id);
// Frees the node, its data, its children and its following siblings.
void FtkReleaseChunk(std::unique_ptr<FtkChunk>& chunk);
// Frees children and data; id, length and position 0, slots 255. The node keeps its place.
void FtkClearChunk(FtkChunk* chunk);
// Depth-first, pre-order: the node itself, then each child's subtree. Null when not found.
FtkChunk* FtkFindChunk(FtkChunk* chunk, std::uint32_t id);
// The first node with the id along the sibling chain from the node (itself included).
FtkChunk* FtkFindNextChunk(FtkChunk* chunk, std::uint32_t id);
// The first direct child with the id.
FtkChunk* FtkFindChild(FtkChunk* parent, std::uint32_t id);
// Appends at the end of the child chain; answers the child.
FtkChunk* FtkAddChildLast(FtkChunk* parent, std::unique_ptr<FtkChunk> child);
// Inserts before the first child of lower order (FtkChunkOrder), else last; ERR_INVALID_ARG
// for a null parent or child.
FtkChunk* FtkAddChildOrdered(FtkChunk* parent, std::unique_ptr<FtkChunk> child);
// Clears the first direct child with the id and answers it, or adds a new one ordered.
FtkChunk* FtkReplaceOrAddChild(FtkChunk* parent, std::uint32_t id);
// A new chunk with the id inserted ordered under the parent.
FtkChunk* FtkAddChunk(std::uint32_t id, FtkChunk* parent);
// Deep copy. The copy takes id, length, position and slots; a source whose data can be read
// again hands its data over, any other source's data is copied.
std::unique_ptr<FtkChunk> FtkCopyChunk(FtkChunk* source);
// The order value of ordered insertion.
int FtkChunkOrder(std::uint32_t id);

// ---- data ---------------------------------------------------------------------------------------
// Gives the node an empty data record.
void FtkAllocChunkData(FtkChunk* chunk);
// A new node with the id and an empty data record.
std::unique_ptr<FtkChunk> FtkNewChunkData(std::uint32_t id);
// The node's data, read from its source when not in memory. Null for a chunk without own
// data, for a chunk made in memory without a record, and on a failed read (ERR_READING_FILE).
FtkChunkData* FtkReadChunkData(FtkChunk* chunk);
// A reader over the node's data (empty when it has none or the node is null).
FtkByteReader FtkChunkReader(FtkChunk* chunk);
// Replaces the node's data record with these bytes.
void FtkSetChunkData(FtkChunk* chunk, std::vector<unsigned char> bytes);
// Writes the data record in file form on the current file (nothing without a record).
void FtkWriteChunkData(FtkChunk* chunk);
void FtkReleaseChunkData(FtkChunk* chunk);
// Frees the data only when it can be read again from its source file.
void FtkReleaseChunkDataIfReloadable(FtkChunk* chunk);
// Whether the node's source file is still open.
bool FtkIsReloadable(const FtkChunk* chunk);

// ---- file form ----------------------------------------------------------------------------------
// How many bytes of a chunk's body FtkOwnDataSize must see: the leading string or count of
// the ids that start with one, 0 for the others; at most the body.
std::uint32_t FtkOwnDataProbe(std::uint32_t id, std::uint32_t bodySize);
// How much own data precedes the sub-chunks. `probe` holds the first FtkOwnDataProbe bytes
// of the body; `bodySize` is length - 6. False when the own data does not fit the body or
// a leading string has no zero within its limit (a damaged chunk).
bool FtkOwnDataSize(std::uint32_t id, FtkByteReader probe, std::uint32_t bodySize, std::uint32_t& size);
// For a chunk whose own data failed FtkOwnDataSize, read from the current file: when its
// leading name ends only past its limit, refuses it as a name too long (FtkRefuseLongName)
// and answers true; false for damage of another kind.
bool FtkRefuseLongLeadingName(const FtkChunk* chunk, std::uint32_t bodySize);
// Writes the chunk and its subtree on the file; ids 0 and 0x80F0 are left out with their
// subtrees. The stored length is patched when it differs from what was written.
bool FtkWriteChunk(FtkChunk* chunk, FtkFile* file);

#endif
