#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKDATABASE_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKDATABASE_H

// The database of the 3DS toolkit: a chunk tree with its kind, loaded from and saved to a
// toolkit file, with three name lists (named objects, materials, keyframer nodes) rebuilt
// on first use after a change; a put that adds an object or material at the end of its list
// appends it instead.
//
// Loading reads headers and positions only; chunk data is read when first asked for, so the
// file a database was loaded from stays open while data may be read from it. Damaged
// structure stops the load with ERR_INVALID_CHUNK: a length below 6, a sub-chunk running
// past its parent, own data larger than the chunk, nesting deeper than kFtkMaxChunkDepth, or
// a chunk running past the end of the file (ERR_READING_FILE). Every failure then records
// ERR_READING_DATABASE and ERR_CREATING_DATABASE; the tree read so far stays in the
// database for release. Each chunk is at least 6 bytes, so the tree never has more nodes
// than the file has bytes / 6.
//
// Saving stamps the version chunks (mesh files: file version 3 in 0x0002; mesh and project
// files: mesh version 3 in 0x3D3E, keyframer revision 5 in 0xB00A), numbers the keyframer
// nodes, and writes the tree, patching every length that changed.

#include "formats/3ds/toolkit/FtkChunk.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

constexpr int kFtkMaxChunkDepth = 64;

enum FtkDatabaseKind : int {
    kFtkNoDatabase = 0,
    kFtkMeshFile = 1,      // top chunk 0x4D4D
    kFtkProjectFile = 2,   // 0xC23D
    kFtkMaterialFile = 3,  // 0x3DAA
};

struct FtkNameEntry {
    std::string name;
    bool hasName = false;
    FtkChunk* chunk = nullptr;  // not owned
};

struct FtkNameList {
    std::vector<FtkNameEntry> entries;
};

struct FtkStringList {
    std::vector<std::string> items;
};

struct FtkDatabase {
    std::unique_ptr<FtkChunk> topchunk;
    bool objectListDirty = true;
    bool materialListDirty = true;
    bool nodeListDirty = true;
    std::unique_ptr<FtkNameList> objectList;
    std::unique_ptr<FtkNameList> materialList;
    std::unique_ptr<FtkNameList> nodeList;
    // Indexes made with the lists, so that reading every entity stays linear: named objects
    // by kind (FtkNamedObject.h), keyframer nodes by tag, and by tag and name.
    bool objectKindsStale = true;
    std::vector<std::vector<FtkChunk*>> objectsByKind;
    std::unordered_map<std::uint32_t, std::vector<FtkChunk*>> nodesByTag;
    std::unordered_map<std::string, FtkChunk*> nodesByName;
    // The first named object and the first material entry of each name, made with their lists
    // and kept with them, so that a put finds its namesake without a walk.
    std::unordered_map<std::string, FtkChunk*> objectsByName;
    std::unordered_map<std::string, FtkChunk*> materialsByName;
};

void FtkInitDatabase(std::unique_ptr<FtkDatabase>& database);
void FtkReleaseDatabase(std::unique_ptr<FtkDatabase>& database);
// A top chunk of the kind's id (0 for a kind outside 1 to 3) and the version chunks.
void FtkCreateDatabase(FtkDatabase* database, int kind);
int FtkGetDatabaseKind(const FtkDatabase* database);
// The top chunk id of a kind; 0 for none.
std::uint32_t FtkKindTopId(int kind);
void FtkLoadDatabase(FtkFile* file, FtkDatabase* database);
void FtkSaveDatabase(FtkFile* file, FtkDatabase* database);
// Stamps the version chunks of mesh and project files with version index 0 to 3.
void FtkStampVersions(FtkDatabase* database, int versionIndex);

// Checks for the functions that take a mesh or project file (and, with allowMaterials, a
// material library): ERR_INVALID_ARG, ERR_INVALID_DATABASE, ERR_WRONG_DATABASE. True when fine.
bool FtkCheckDatabase(const FtkDatabase* database, bool allowMaterials);
// The mesh data chunk 0x3D3D (found depth-first, or added ordered under the top chunk).
FtkChunk* FtkFindOrAddMeshData(FtkDatabase* database);

// ---- name lists ---------------------------------------------------------------------------------
void FtkUpdateObjectList(FtkDatabase* database);
FtkChunk* FtkFindNamedObject(FtkDatabase* database, const char* name);
void FtkMarkObjectListDirty(FtkDatabase* database);
// After a put added a new named object: appends it to the list when the list is up to date and
// the object lies right behind the list's last entry (what a rebuild would give), else marks
// the list dirty. Either way the objects by kind are made again when next asked for.
void FtkNoteObjectAdded(FtkDatabase* database, FtkChunk* object);
// After a put emptied and refilled a named object in place: its list entry stays, its kind may not.
void FtkNoteObjectRefilled(FtkDatabase* database);
void FtkUpdateMaterialList(FtkDatabase* database);
FtkChunk* FtkFindMaterial(FtkDatabase* database, const char* name);
// Null for an index at or past the count.
FtkChunk* FtkMaterialByIndex(FtkDatabase* database, std::uint32_t index);
void FtkMarkMaterialListDirty(FtkDatabase* database);
// After a put added a new material entry with its name chunk: appended or marked dirty, as for
// named objects. A null name chunk marks the list dirty.
void FtkNoteMaterialAdded(FtkDatabase* database, FtkChunk* entry, FtkChunk* nameChunk);
void FtkUpdateNodeList(FtkDatabase* database);
// The first node of that tag and name (an object node's name may be "name.instance").
FtkChunk* FtkFindNode(FtkDatabase* database, const char* name, std::uint32_t tag);
// The index-th node of that tag, counting only nodes of that tag.
FtkChunk* FtkNodeByIndex(FtkDatabase* database, std::uint32_t index, std::uint32_t tag);
void FtkMarkNodeListDirty(FtkDatabase* database);

void FtkInitNameList(std::unique_ptr<FtkNameList>& list, std::uint32_t count);
void FtkReleaseNameList(std::unique_ptr<FtkNameList>& list);
// count empty items.
void FtkInitStringList(std::unique_ptr<FtkStringList>& list, std::uint32_t count);
void FtkAddString(FtkStringList* list, const char* text);
void FtkReleaseStringList(std::unique_ptr<FtkStringList>& list);

// The text of a chunk whose data is a string (up to its zero).
std::string FtkChunkString(FtkChunk* chunk);
// Makes the chunk's data the text and its zero.
void FtkSetChunkString(FtkChunk* chunk, const std::string& text);

#endif
