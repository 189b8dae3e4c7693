#include "formats/3ds/toolkit/FtkDatabase.h"

#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkKeyframer.h"
#include "formats/3ds/toolkit/FtkRecord.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::uint32_t kExtraDataEntry = 0x8001;
constexpr std::uint32_t kFirstExtraDataChild = 0x8002;
constexpr std::uint32_t kLastExtraDataChild = 0x800F;
constexpr std::uint32_t kKeyframerRevisions[] = {1, 2, 5, 6};

bool IsLoadableTop(std::uint32_t id) { return id == 0x4D4D || id == 0xC23D || id == 0x3DAA; }

// Builds the tree below the top chunk from the file, headers and positions only.
class TreeLoader {
public:
    explicit TreeLoader(FtkFile* file) : file_(file) {}

    bool ReadChildren(FtkChunk* chunk, int depth, bool extraData) {
        if (depth > kFtkMaxChunkDepth) {
            return Fail(ERR_INVALID_CHUNK);
        }
        FtkSelectFile(file_);
        const std::uint32_t body = chunk->length - kFtkHeaderSize;
        if (!SkipOwnData(chunk, body)) {
            return false;
        }
        const bool extraRule = extraData || chunk->id == kExtraDataEntry;
        std::uint64_t position = static_cast<std::uint64_t>(chunk->position) + kFtkHeaderSize + chunk->dataSize;
        std::unique_ptr<FtkChunk>* tail = &chunk->children;  // appending stays linear in the children
        const std::uint64_t end = static_cast<std::uint64_t>(chunk->position) + chunk->length;
        while (position < end) {
            if (end - position < kFtkHeaderSize) {
                if (extraRule) {
                    return true;  // the entry's tail is not a chunk and is dropped
                }
                return Fail(ERR_INVALID_CHUNK);
            }
            FtkSelectFile(file_);
            FtkSeek(static_cast<std::uint32_t>(position));
            std::uint32_t id = 0;
            std::uint32_t length = 0;
            if (!FtkReadHeader(id, length)) {
                return false;
            }
            const bool fits = length >= kFtkHeaderSize && position + length <= end;
            if (extraRule) {
                if (id < kFirstExtraDataChild || id > kLastExtraDataChild) {
                    return true;  // another id ends the entry
                }
                if (!fits) {
                    position += kFtkHeaderSize;  // dropped; go on behind its header
                    continue;
                }
            } else if (!fits) {
                return Fail(ERR_INVALID_CHUNK);
            }
            FtkChunk* child = Append(tail, id, length, position);
            if (child == nullptr || !ReadChildren(child, depth + 1, extraRule)) {
                return false;
            }
            position += length;
        }
        return true;
    }

private:
    static bool Fail(int code) {
        FtkSetError(code);
        return false;
    }

    bool SkipOwnData(FtkChunk* chunk, std::uint32_t body) {
        const std::uint32_t probeSize = FtkOwnDataProbe(chunk->id, body);
        std::vector<unsigned char> probe(probeSize);
        if (probeSize > 0 &&
            (!FtkSeek(chunk->position + kFtkHeaderSize) || !FtkReadBytes(probe.size(), probe.data()))) {
            return false;
        }
        std::uint32_t own = 0;
        if (!FtkOwnDataSize(chunk->id, FtkByteReader(probe), body, own)) {
            // A name too long for the format is told as such, not as damage.
            return FtkRefuseLongLeadingName(chunk, body) ? false : Fail(ERR_INVALID_CHUNK);
        }
        chunk->dataSize = own;
        return true;
    }

    // Puts a new child at the tail link and moves the tail behind it.
    FtkChunk* Append(std::unique_ptr<FtkChunk>*& tail, std::uint32_t id, std::uint32_t length, std::uint64_t position) {
        *tail = FtkNewChunkWithId(id);
        FtkChunk* child = tail->get();
        if (child == nullptr) {
            return nullptr;
        }
        child->length = length;
        child->position = static_cast<std::uint32_t>(position);
        child->sourceSlot = file_->slot;
        child->sourceSerial = file_->serial;
        tail = &child->next;
        return child;
    }

    FtkFile* file_;
};

void CollectNamedChunks(FtkChunk* first, std::uint32_t id, FtkNameList& list, bool materials) {
    for (FtkChunk* chunk = first; chunk != nullptr; chunk = FtkFindNextChunk(chunk->next.get(), id)) {
        FtkNameEntry entry;
        if (materials) {
            // An entry without its name chunk cannot be named or referred to: it is left out.
            FtkChunk* name = FtkFindChunk(chunk, 0xA000);
            if (name == nullptr) {
                continue;
            }
            entry.name = FtkChunkString(name);
        } else {
            entry.name = FtkChunkString(chunk);
        }
        entry.hasName = true;
        entry.chunk = chunk;
        list.entries.push_back(std::move(entry));
    }
}

// A list's name index: the first entry of each name.
void IndexNames(const FtkNameList& list, std::unordered_map<std::string, FtkChunk*>& byName) {
    byName.clear();
    for (const FtkNameEntry& entry : list.entries) {
        byName.emplace(entry.name, entry.chunk);  // the first one wins
    }
}

// Appends a chunk just added by a put, when that is what a rebuild of the up-to-date list
// would give: it lies right behind the last entry, in the same sibling chain, and no entry of
// its id follows it (the last entry had none behind it). False when the list must be rebuilt.
bool AppendBehindLast(bool dirty, FtkNameList* list, std::unordered_map<std::string, FtkChunk*>& byName,
                      FtkChunk* chunk, std::string name) {
    if (dirty || list == nullptr || list->entries.empty() || list->entries.back().chunk->next.get() != chunk) {
        return false;
    }
    byName.emplace(name, chunk);
    FtkNameEntry entry;
    entry.name = std::move(name);
    entry.hasName = true;
    entry.chunk = chunk;
    list->entries.push_back(std::move(entry));
    return true;
}

// The first entry of the name in an up-to-date list's index, or null.
FtkChunk* FindIndexed(const std::unordered_map<std::string, FtkChunk*>& byName, const char* name) {
    const auto found = byName.find(name);
    return found != byName.end() ? found->second : nullptr;
}

std::string NodeKey(std::uint32_t tag, const std::string& name) { return std::to_string(tag) + ":" + name; }

FtkNameList* Rebuilt(std::unique_ptr<FtkNameList>& list) {
    if (list == nullptr) {
        list = std::make_unique<FtkNameList>();
    }
    list->entries.clear();
    return list.get();
}

}  // namespace

// ---- the database -------------------------------------------------------------------------------

void FtkInitDatabase(std::unique_ptr<FtkDatabase>& database) {
    FtkResetRecord(database);
}

void FtkReleaseDatabase(std::unique_ptr<FtkDatabase>& database) { database.reset(); }

std::uint32_t FtkKindTopId(int kind) {
    switch (kind) {
        case kFtkMeshFile: return 0x4D4D;
        case kFtkProjectFile: return 0xC23D;
        case kFtkMaterialFile: return 0x3DAA;
        default: return 0;
    }
}

int FtkGetDatabaseKind(const FtkDatabase* database) {
    if (database == nullptr || database->topchunk == nullptr) {
        return kFtkNoDatabase;
    }
    for (int kind = kFtkMeshFile; kind <= kFtkMaterialFile; ++kind) {
        if (database->topchunk->id == FtkKindTopId(kind)) {
            return kind;
        }
    }
    return kFtkNoDatabase;
}

void FtkCreateDatabase(FtkDatabase* database, int kind) {
    if (database == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    database->topchunk = FtkNewChunkWithId(FtkKindTopId(kind));
    if (database->topchunk == nullptr) {
        FtkSetError(ERR_CREATING_DATABASE);
        return;
    }
    FtkStampVersions(database, 2);
}

bool FtkCheckDatabase(const FtkDatabase* database, bool allowMaterials) {
    if (database == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    if (database->topchunk == nullptr) {
        FtkSetError(ERR_INVALID_DATABASE);
        return false;
    }
    const int kind = FtkGetDatabaseKind(database);
    if (kind == kFtkMeshFile || kind == kFtkProjectFile || (allowMaterials && kind == kFtkMaterialFile)) {
        return true;
    }
    FtkSetError(ERR_WRONG_DATABASE);
    return false;
}

FtkChunk* FtkFindOrAddMeshData(FtkDatabase* database) {
    FtkChunk* top = database->topchunk.get();
    FtkChunk* meshData = FtkFindChunk(top, 0x3D3D);
    return meshData != nullptr ? meshData : FtkAddChunk(0x3D3D, top);
}

void FtkStampVersions(FtkDatabase* database, int versionIndex) {
    const int kind = FtkGetDatabaseKind(database);
    if ((kind != kFtkMeshFile && kind != kFtkProjectFile) || versionIndex < 0 || versionIndex > 3) {
        return;
    }
    const std::uint32_t version = static_cast<std::uint32_t>(versionIndex) + 1;
    FtkByteWriter versionBytes;
    versionBytes.Dword(version);
    if (kind == kFtkMeshFile) {
        FtkSetChunkData(FtkReplaceOrAddChild(database->topchunk.get(), 0x0002), versionBytes.View());
    }
    FtkSetChunkData(FtkReplaceOrAddChild(FtkFindOrAddMeshData(database), 0x3D3E), versionBytes.View());

    FtkChunk* keyframer = FtkFindOrAddKeyframerData(database);
    FtkChunk* header = FtkFindChunk(keyframer, 0xB00A);
    FtkKeyframerHeader record;
    if (header == nullptr) {
        header = FtkAddChunk(0xB00A, keyframer);
    } else {
        FtkGetKeyframerHeader(header, record);
    }
    record.revision = static_cast<std::uint16_t>(kKeyframerRevisions[versionIndex]);
    FtkSetKeyframerHeader(header, record);
}

void FtkLoadDatabase(FtkFile* file, FtkDatabase* database) {
    if (file == nullptr || database == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if (file->mode != kFtkModeRead) {
        return;
    }
    database->topchunk = FtkNewChunk();
    if (database->topchunk == nullptr) {
        FtkSetError(ERR_CREATING_DATABASE);
        return;
    }
    database->objectListDirty = database->materialListDirty = database->nodeListDirty = true;
    FtkChunk* top = database->topchunk.get();
    top->sourceSlot = file->slot;
    top->sourceSerial = file->serial;
    const std::uint64_t fileSize = FtkFileSize(file);
    FtkSelectFile(file);
    FtkSeek(0);
    bool loaded = FtkReadHeader(top->id, top->length);
    if (loaded && IsLoadableTop(top->id)) {
        if (top->length < kFtkHeaderSize) {
            FtkSetError(ERR_INVALID_CHUNK);
            loaded = false;
        } else if (top->length > fileSize) {
            FtkSetError(ERR_READING_FILE);  // the file ends inside its top chunk
            loaded = false;
        } else {
            loaded = TreeLoader(file).ReadChildren(top, 0, false);
        }
        if (loaded) {
            FtkAfterLoadNodes(database);
            loaded = !FtkShouldStop();
        }
    }
    if (!loaded) {
        FtkSetError(ERR_READING_DATABASE);
        FtkSetError(ERR_CREATING_DATABASE);
    }
}

void FtkSaveDatabase(FtkFile* file, FtkDatabase* database) {
    if (file == nullptr || database == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    FtkStampVersions(database, 2);
    if (file->mode != kFtkModeWrite) {
        return;
    }
    if (database->topchunk == nullptr) {
        FtkSetError(ERR_INVALID_DATABASE);
        FtkSetError(ERR_WRITING_DATABASE);
        return;
    }
    FtkBeforeSaveNodes(database);
    FtkSelectFile(file);
    FtkSeek(0);
    if (FtkShouldStop() || !FtkWriteChunk(database->topchunk.get(), file)) {
        FtkSetError(ERR_WRITING_DATABASE);
    }
}

// ---- name lists ---------------------------------------------------------------------------------

void FtkMarkObjectListDirty(FtkDatabase* database) {
    if (database != nullptr) database->objectListDirty = true;
}

void FtkMarkMaterialListDirty(FtkDatabase* database) {
    if (database != nullptr) database->materialListDirty = true;
}

void FtkMarkNodeListDirty(FtkDatabase* database) {
    if (database != nullptr) database->nodeListDirty = true;
}

void FtkUpdateObjectList(FtkDatabase* database) {
    if (database == nullptr || !database->objectListDirty) {
        return;
    }
    database->objectListDirty = false;
    database->objectKindsStale = true;
    FtkNameList* list = Rebuilt(database->objectList);
    FtkChunk* meshData = FtkFindChunk(database->topchunk.get(), 0x3D3D);
    CollectNamedChunks(FtkFindChunk(meshData, 0x4000), 0x4000, *list, false);
    IndexNames(*list, database->objectsByName);
}

void FtkUpdateMaterialList(FtkDatabase* database) {
    if (database == nullptr || !database->materialListDirty) {
        return;
    }
    database->materialListDirty = false;
    FtkNameList* list = Rebuilt(database->materialList);
    FtkChunk* top = database->topchunk.get();
    FtkChunk* parent = FtkFindChunk(top, 0x3D3D);
    if (parent == nullptr) {
        parent = FtkFindChunk(top, 0x3DAA);
    }
    CollectNamedChunks(FtkFindChunk(parent, 0xAFFF), 0xAFFF, *list, true);
    IndexNames(*list, database->materialsByName);
}

void FtkNoteObjectAdded(FtkDatabase* database, FtkChunk* object) {
    if (database == nullptr) {
        return;
    }
    database->objectKindsStale = true;
    if (!AppendBehindLast(database->objectListDirty, database->objectList.get(), database->objectsByName, object,
                          FtkChunkString(object))) {
        database->objectListDirty = true;
    }
}

void FtkNoteObjectRefilled(FtkDatabase* database) {
    if (database != nullptr) database->objectKindsStale = true;
}

void FtkNoteMaterialAdded(FtkDatabase* database, FtkChunk* entry, FtkChunk* nameChunk) {
    if (database == nullptr) {
        return;
    }
    if (nameChunk == nullptr || !AppendBehindLast(database->materialListDirty, database->materialList.get(),
                                                  database->materialsByName, entry, FtkChunkString(nameChunk))) {
        database->materialListDirty = true;
    }
}

void FtkUpdateNodeList(FtkDatabase* database) {
    if (database == nullptr || !database->nodeListDirty) {
        return;
    }
    database->nodeListDirty = false;
    database->nodesByTag.clear();
    database->nodesByName.clear();
    FtkNameList* list = Rebuilt(database->nodeList);
    FtkChunk* keyframer = FtkFindChunk(database->topchunk.get(), 0xB000);
    for (FtkChunk* node = keyframer != nullptr ? keyframer->children.get() : nullptr; node != nullptr;
         node = node->next.get()) {
        if (node->id < 0xB001 || node->id > 0xB007) {
            continue;
        }
        FtkNameEntry entry;
        FtkNodeHeader header;
        if (FtkGetNodeHeader(FtkFindChild(node, 0xB010), header)) {
            entry.name = header.name;
            FtkChunk* instance = node->id == 0xB002 ? FtkFindChild(node, 0xB011) : nullptr;
            if (instance != nullptr) {
                entry.name += "." + FtkChunkString(instance);
            }
            entry.hasName = true;
            entry.chunk = node;
            database->nodesByTag[node->id].push_back(node);
            database->nodesByName.emplace(NodeKey(node->id, entry.name), node);  // the first one wins
        }
        list->entries.push_back(std::move(entry));
    }
}

FtkChunk* FtkFindNamedObject(FtkDatabase* database, const char* name) {
    FtkUpdateObjectList(database);
    if (database == nullptr || name == nullptr || database->objectList == nullptr) {
        return nullptr;
    }
    return FindIndexed(database->objectsByName, name);
}

FtkChunk* FtkFindMaterial(FtkDatabase* database, const char* name) {
    if (!FtkCheckDatabase(database, true) || name == nullptr) {
        return nullptr;
    }
    FtkUpdateMaterialList(database);
    return FindIndexed(database->materialsByName, name);
}

FtkChunk* FtkMaterialByIndex(FtkDatabase* database, std::uint32_t index) {
    if (!FtkCheckDatabase(database, true)) {
        return nullptr;
    }
    FtkUpdateMaterialList(database);
    const std::vector<FtkNameEntry>& entries = database->materialList->entries;
    return index < entries.size() ? entries[index].chunk : nullptr;
}

FtkChunk* FtkFindNode(FtkDatabase* database, const char* name, std::uint32_t tag) {
    FtkUpdateNodeList(database);
    if (database == nullptr || name == nullptr) {
        return nullptr;
    }
    const auto found = database->nodesByName.find(NodeKey(tag, name));
    return found != database->nodesByName.end() ? found->second : nullptr;
}

FtkChunk* FtkNodeByIndex(FtkDatabase* database, std::uint32_t index, std::uint32_t tag) {
    FtkUpdateNodeList(database);
    if (database == nullptr) {
        return nullptr;
    }
    const auto found = database->nodesByTag.find(tag);
    return found != database->nodesByTag.end() && index < found->second.size() ? found->second[index] : nullptr;
}

void FtkInitNameList(std::unique_ptr<FtkNameList>& list, std::uint32_t count) {
    if (FtkAllocateRecord(list)) {
        list->entries.assign(count, FtkNameEntry());
    }
}

void FtkReleaseNameList(std::unique_ptr<FtkNameList>& list) { list.reset(); }

void FtkInitStringList(std::unique_ptr<FtkStringList>& list, std::uint32_t count) {
    if (FtkAllocateRecord(list)) {
        list->items.assign(count, std::string());
    }
}

void FtkAddString(FtkStringList* list, const char* text) {
    if (list == nullptr || text == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    list->items.emplace_back(text);
}

void FtkReleaseStringList(std::unique_ptr<FtkStringList>& list) { list.reset(); }

std::string FtkChunkString(FtkChunk* chunk) { return FtkChunkReader(chunk).RestAsString(); }

void FtkSetChunkString(FtkChunk* chunk, const std::string& text) {
    FtkByteWriter writer;
    writer.String(text);
    FtkSetChunkData(chunk, writer.Take());
}
