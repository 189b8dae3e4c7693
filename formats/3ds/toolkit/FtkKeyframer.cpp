#include "formats/3ds/toolkit/FtkKeyframer.h"

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"

#include <cstring>
#include <numeric>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::size_t kKeyframerNameLength = 512;
constexpr std::size_t kMorphNameLength = 10;
static_assert(kMorphNameLength < sizeof(FtkMorphName::name), "a morph name and its zero fit the field");

std::vector<FtkNodeRecord>& Records() {
    static std::vector<FtkNodeRecord> records;
    return records;
}

bool IsNodeTag(std::uint32_t id) {
    for (std::uint32_t tag : kFtkNodeTags) {
        if (tag == id) {
            return true;
        }
    }
    return false;
}

// ---- key values ---------------------------------------------------------------------------------

template <typename Value>
constexpr std::size_t kValueSize = 0;
template <>
constexpr std::size_t kValueSize<FtkPoint> = 12;
template <>
constexpr std::size_t kValueSize<FtkColor> = 12;
template <>
constexpr std::size_t kValueSize<float> = 4;
template <>
constexpr std::size_t kValueSize<FtkRotKey> = 16;
template <>
constexpr std::size_t kValueSize<FtkMorphName> = 1;  // at least the name's zero

void ReadValue(FtkByteReader& reader, FtkPoint& value) { value = reader.Point(); }
void ReadValue(FtkByteReader& reader, FtkColor& value) { value = reader.ColorFloats(); }
void ReadValue(FtkByteReader& reader, float& value) { value = reader.Float(); }

void ReadValue(FtkByteReader& reader, FtkRotKey& value) {
    value.angle = reader.Float();
    value.x = reader.Float();
    value.y = reader.Float();
    value.z = reader.Float();
}

// A name of at most 10 characters and its zero; a name that fills the 10 bytes and goes on
// takes its 11th byte as its end, so the next key is read from where it begins.
void ReadValue(FtkByteReader& reader, FtkMorphName& value) {
    // Straight into the (larger, zeroed) field: its bytes past the 10th stay 0.
    value = FtkMorphName();
    for (std::size_t length = 0; length <= kMorphNameLength; ++length) {
        const std::uint8_t byte = reader.Byte();
        if (!reader.Ok() || byte == 0) {
            break;
        }
        if (length < kMorphNameLength) {
            value.name[length] = static_cast<char>(byte);
        }
    }
}

void WriteValue(FtkByteWriter& writer, const FtkPoint& value) { writer.Point(value); }
void WriteValue(FtkByteWriter& writer, const FtkColor& value) { writer.ColorFloats(value); }
void WriteValue(FtkByteWriter& writer, float value) { writer.Float(value); }

void WriteValue(FtkByteWriter& writer, const FtkRotKey& value) {
    writer.Float(value.angle);
    writer.Float(value.x);
    writer.Float(value.y);
    writer.Float(value.z);
}

void WriteValue(FtkByteWriter& writer, const FtkMorphName& value) {
    writer.String(std::string(value.name, strnlen(value.name, kMorphNameLength)));
}

template <typename Value>
constexpr bool kHasValues = !std::is_same<Value, FtkNoValue>::value;

void SetNodeId(FtkChunk* idChunk, std::uint16_t id) {
    FtkByteWriter writer;
    writer.Word(id);
    FtkSetChunkData(idChunk, writer.Take());
}

// ---- cycles among parent links ------------------------------------------------------------------

// Parent links between records, kept only while they leave a forest: a link to the record
// itself or one that would close a cycle is dropped with a warning.
class ParentForest {
public:
    explicit ParentForest(std::size_t count) : root_(count) { std::iota(root_.begin(), root_.end(), 0); }

    bool Link(std::size_t child, std::size_t parent) {
        if (Find(parent) == child) {
            return false;
        }
        root_[child] = Find(parent);
        return true;
    }

private:
    std::size_t Find(std::size_t index) {
        std::size_t root = index;
        while (root_[root] != root) {
            root = root_[root];
        }
        while (root_[index] != root) {
            index = std::exchange(root_[index], root);
        }
        return root;
    }

    std::vector<std::size_t> root_;
};

std::string RecordName(const FtkNodeRecord& record) {
    return record.hasInstance ? record.name + "." + record.instance : record.name;
}

// For each record, the index of its parent record; -1 for none.
std::vector<long> ResolveParents(const std::vector<FtkNodeRecord>& records,
                                 const std::unordered_map<std::uint16_t, std::size_t>& byId) {
    std::vector<long> parents(records.size(), -1);
    ParentForest forest(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto found = byId.find(records[i].parentId);
        if (records[i].parentId == kFtkNoParent || found == byId.end()) {
            continue;
        }
        const std::size_t parent = found->second;
        if (parent == i) {
            FtkAddWarning("Keyframer node \"" + RecordName(records[i]) +
                          "\" names itself as its parent; it is kept at the top level");
        } else if (!forest.Link(i, parent)) {
            FtkAddWarning("Keyframer node \"" + RecordName(records[i]) + "\" would close a cycle through \"" +
                          RecordName(records[parent]) + "\"; it is kept at the top level");
        } else {
            parents[i] = static_cast<long>(parent);
        }
    }
    return parents;
}

void StoreParentName(FtkChunk* header, const std::string& name) {
    if (FtkChunk* existing = FtkFindChild(header, kFtkParentNameChunk)) {
        FtkSetChunkString(existing, name);
    } else {
        FtkAddParentName(header, name.c_str());
    }
}

// Which records a parent name finds before others: a name.instance pair split at the first
// '.' of the parent name (the writer's dummies), then a pair whose name holds a '.' itself,
// then a record without instance name by its whole name, whatever '.' it holds.
int LookupRank(const FtkNodeRecord& record) {
    if (!record.hasInstance) return 2;
    return record.name.find('.') == std::string::npos ? 0 : 1;
}

// The records by the names a parent name gives: "name" for a record without instance name,
// "name.instance" for one with both; the first record of the first rank wins. An empty name
// matches no node.
std::unordered_map<std::string, std::size_t> RecordsByName(const std::vector<FtkNodeRecord>& records) {
    std::unordered_map<std::string, std::size_t> byName;
    for (int rank = 0; rank <= 2; ++rank) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (!records[i].name.empty() && LookupRank(records[i]) == rank) {
                byName.emplace(RecordName(records[i]), i);
            }
        }
    }
    return byName;
}

}  // namespace

// ---- records in file form -----------------------------------------------------------------------

bool FtkGetKeyframerHeader(FtkChunk* chunk, FtkKeyframerHeader& header) {
    if (chunk == nullptr) {
        return false;
    }
    FtkByteReader reader = FtkChunkReader(chunk);
    FtkKeyframerHeader read;
    read.revision = reader.Word();
    read.name = reader.String(kKeyframerNameLength);
    read.animationLength = reader.Dword();
    if (!reader.Ok()) {
        return false;
    }
    header = std::move(read);
    return true;
}

void FtkSetKeyframerHeader(FtkChunk* chunk, const FtkKeyframerHeader& header) {
    FtkByteWriter writer;
    writer.Word(header.revision);
    writer.String(header.name.substr(0, kKeyframerNameLength));
    writer.Dword(header.animationLength);
    FtkSetChunkData(chunk, writer.Take());
}

bool FtkGetNodeHeader(FtkChunk* chunk, FtkNodeHeader& header) {
    if (chunk == nullptr) {
        return false;
    }
    FtkByteReader reader = FtkChunkReader(chunk);
    FtkNodeHeader read;
    read.name = reader.String(kFtkNodeNameLength);
    read.flags1 = reader.Word();
    read.flags2 = reader.Word();
    read.parentIndex = reader.Word();
    if (!reader.Ok()) {
        return false;
    }
    header = std::move(read);
    return true;
}

void FtkSetNodeHeader(FtkChunk* chunk, const FtkNodeHeader& header) {
    FtkByteWriter writer;
    writer.String(header.name.substr(0, kFtkNodeNameLength));
    writer.Word(header.flags1);
    writer.Word(header.flags2);
    writer.Word(header.parentIndex);
    FtkSetChunkData(chunk, writer.Take());
}

template <typename Value>
bool FtkGetTrack(FtkChunk* chunk, FtkTrackGroup<Value>& track) {
    FtkByteReader reader = FtkChunkReader(chunk);
    const FtkTrackHeader header = reader.TrackHeader();
    if (!reader.Ok() || !reader.Fits(header.keyCount, 6 + kValueSize<Value>)) {
        FtkSetError(ERR_INVALID_CHUNK);
        return false;
    }
    FtkTrackGroup<Value> read;
    read.flags = header.flags;
    read.keyCount = header.keyCount;
    read.keys.resize(header.keyCount);
    read.values.resize(kHasValues<Value> ? header.keyCount : 0);
    for (std::uint32_t i = 0; i < header.keyCount && reader.Ok(); ++i) {
        read.keys[i] = reader.KeyHeader();
        if constexpr (kHasValues<Value>) {
            ReadValue(reader, read.values[i]);
        }
    }
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
        return false;
    }
    track = std::move(read);
    return true;
}

template <typename Value>
void FtkSetTrack(FtkChunk* chunk, const FtkTrackGroup<Value>& track) {
    FtkTrackHeader header;
    header.flags = track.flags;
    header.keyCount = track.keyCount;
    FtkByteWriter writer;
    writer.TrackHeader(header);
    for (std::uint32_t i = 0; i < track.keyCount; ++i) {
        writer.KeyHeader(track.keys[i]);
        if constexpr (kHasValues<Value>) {
            WriteValue(writer, track.values[i]);
        }
    }
    FtkSetChunkData(chunk, writer.Take());
}

template <typename Value>
bool FtkTrackIsGiven(const FtkTrackGroup<Value>& track) {
    return track.keyCount > 0 && track.keys.size() >= track.keyCount &&
           (!kHasValues<Value> || track.values.size() >= track.keyCount);
}

template <typename Value>
FtkChunk* FtkAddTrack(std::uint32_t id, const FtkTrackGroup<Value>& track, FtkChunk* node) {
    if (track.keyCount == 0 || track.keys.empty() || (kHasValues<Value> && track.values.empty())) {
        return nullptr;  // no track
    }
    if (!FtkTrackIsGiven(track)) {
        FtkSetError(ERR_INVALID_DATA);
        return nullptr;
    }
    FtkChunk* chunk = FtkAddChunk(id, node);
    if (chunk != nullptr) {
        FtkSetTrack(chunk, track);
    }
    return chunk;
}

#define FTK_TRACK_FUNCTIONS(Value)                                                              \
    template bool FtkGetTrack<Value>(FtkChunk*, FtkTrackGroup<Value>&);                         \
    template void FtkSetTrack<Value>(FtkChunk*, const FtkTrackGroup<Value>&);                   \
    template bool FtkTrackIsGiven<Value>(const FtkTrackGroup<Value>&);                          \
    template FtkChunk* FtkAddTrack<Value>(std::uint32_t, const FtkTrackGroup<Value>&, FtkChunk*);
FTK_TRACK_FUNCTIONS(FtkPoint)
FTK_TRACK_FUNCTIONS(FtkColor)
FTK_TRACK_FUNCTIONS(float)
FTK_TRACK_FUNCTIONS(FtkRotKey)
FTK_TRACK_FUNCTIONS(FtkMorphName)
FTK_TRACK_FUNCTIONS(FtkNoValue)
#undef FTK_TRACK_FUNCTIONS

// ---- keyframer chunk functions ------------------------------------------------------------------

FtkChunk* FtkFindOrAddKeyframerData(FtkDatabase* database) {
    FtkChunk* top = database->topchunk.get();
    FtkChunk* keyframer = FtkFindChild(top, 0xB000);
    return keyframer != nullptr ? keyframer : FtkAddChunk(0xB000, top);
}

FtkChunk* FtkAddNodeId(FtkChunk* node) {
    FtkChunk* chunk = FtkAddChunk(0xB030, node);
    if (chunk != nullptr) {
        SetNodeId(chunk, kFtkNoParent);
    }
    return chunk;
}

FtkChunk* FtkAddParentName(FtkChunk* header, const char* name) {
    FtkChunk* chunk = FtkAddChunk(kFtkParentNameChunk, header);
    if (chunk != nullptr) {
        FtkSetChunkString(chunk, FtkStrDup(name));
    }
    return chunk;
}

FtkChunk* FtkAddNodeHeader(const char* name, std::uint16_t flags1, std::uint16_t flags2, const char* parentName,
                           FtkChunk* node) {
    FtkChunk* chunk = FtkAddChunk(0xB010, node);
    if (chunk == nullptr) {
        return nullptr;
    }
    FtkNodeHeader header;
    header.name = FtkStrDup(name);
    header.flags1 = flags1;
    header.flags2 = flags2;
    FtkSetNodeHeader(chunk, header);
    if (parentName != nullptr) {
        FtkAddParentName(chunk, parentName);
    }
    return chunk;
}

FtkChunk* FtkAddTargetNode(const char* targetParentName, const FtkTrackGroup<FtkPoint>& positions, const char* name,
                           std::uint16_t flags1, std::uint16_t flags2, bool cameraTarget, FtkChunk* keyframer) {
    FtkChunk* node = FtkAddChunk(cameraTarget ? 0xB004 : 0xB006, keyframer);
    if (node == nullptr) {
        return nullptr;
    }
    FtkAddNodeId(node);
    FtkAddNodeHeader(name, flags1, flags2, targetParentName, node);
    FtkAddPositionTrack(positions, node);
    return node;
}

FtkChunk* FtkFindNodeChunk(FtkDatabase* database, const char* name, std::uint32_t tag) {
    if (database == nullptr || name == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    if (tag != 0xB002) {
        return FtkFindNode(database, name, tag);  // names without instance: the node list's index
    }
    FtkChunk* keyframer = FtkFindChunk(database->topchunk.get(), 0xB000);
    for (FtkChunk* node = FtkFindChunk(keyframer, tag); node != nullptr; node = FtkFindNextChunk(node->next.get(), tag)) {
        FtkChunk* headerChunk = FtkFindChild(node, 0xB010);
        FtkNodeHeader header;
        if (FtkGetNodeHeader(headerChunk, header) && header.name == name) {
            return node;
        }
        FtkReleaseChunkDataIfReloadable(headerChunk);
    }
    return nullptr;
}

std::string FtkGetParentName(FtkChunk* node) {
    FtkChunk* parent = FtkFindChunk(node, kFtkParentNameChunk);
    return parent != nullptr ? FtkChunkString(parent) : std::string();
}

std::uint32_t FtkNodeCount(FtkDatabase* database, std::uint32_t tag) {
    FtkUpdateNodeList(database);
    if (database == nullptr) {
        return 0;
    }
    const auto found = database->nodesByTag.find(tag);
    return found != database->nodesByTag.end() ? static_cast<std::uint32_t>(found->second.size()) : 0;
}

void FtkNodeNames(FtkDatabase* database, std::uint32_t tag, std::unique_ptr<FtkStringList>& names) {
    FtkInitStringList(names, 0);
    FtkUpdateNodeList(database);
    if (names == nullptr || database == nullptr || database->nodeList == nullptr) {
        return;
    }
    for (const FtkNameEntry& entry : database->nodeList->entries) {
        if (entry.chunk != nullptr && entry.chunk->id == tag) {
            FtkAddString(names.get(), entry.name.c_str());
        }
    }
}

// ---- numbering around loading and saving --------------------------------------------------------

const std::vector<FtkNodeRecord>& FtkNodeRecords() { return Records(); }

void FtkAfterLoadNodes(FtkDatabase* database) {
    std::vector<FtkNodeRecord>& records = Records();
    records.clear();
    FtkChunk* keyframer = database != nullptr ? FtkFindChunk(database->topchunk.get(), 0xB000) : nullptr;
    if (keyframer == nullptr) {
        return;
    }
    bool unnumbered = false;
    for (FtkChunk* node = keyframer->children.get(); node != nullptr; node = node->next.get()) {
        FtkNodeHeader header;
        // A node without its header takes no part: it has no name to be found by.
        if (!IsNodeTag(node->id) || !FtkGetNodeHeader(FtkFindChild(node, 0xB010), header)) {
            continue;
        }
        FtkNodeRecord record;
        FtkByteReader idReader = FtkChunkReader(FtkFindChild(node, 0xB030));
        record.id = idReader.Word();
        record.id = idReader.Ok() ? record.id : kFtkNoParent;  // no node id chunk, or an empty one
        record.tag = node->id;
        record.name = header.name;
        FtkChunk* instance = node->id == 0xB002 ? FtkFindChild(node, 0xB011) : nullptr;
        if (instance != nullptr) {
            record.instance = FtkChunkString(instance);
            record.hasInstance = !record.instance.empty();
        }
        record.parentId = header.parentIndex;
        unnumbered = unnumbered || record.id == kFtkNoParent;
        records.push_back(std::move(record));
    }
    if (unnumbered) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i].id = static_cast<std::uint16_t>(i < kFtkNoParent ? i : kFtkNoParent);
        }
    }
    std::unordered_map<std::uint16_t, std::size_t> byId;
    for (std::size_t i = 0; i < records.size(); ++i) {
        byId.emplace(records[i].id, i);
    }
    const std::vector<long> parents = ResolveParents(records, byId);
    for (std::uint32_t tag : kFtkNodeTags) {
        for (FtkChunk* node = FtkFindChunk(keyframer, tag); node != nullptr;
             node = FtkFindNextChunk(node->next.get(), tag)) {
            FtkChunk* header = FtkFindChild(node, 0xB010);
            FtkChunk* idChunk = FtkFindChild(node, 0xB030);
            if (header == nullptr || idChunk == nullptr) {
                continue;
            }
            FtkByteReader idReader = FtkChunkReader(idChunk);
            const auto found = byId.find(idReader.Word());
            if (!idReader.Ok() || found == byId.end() || parents[found->second] < 0) {
                continue;
            }
            StoreParentName(header, RecordName(records[static_cast<std::size_t>(parents[found->second])]));
        }
    }
}

void FtkBeforeSaveNodes(FtkDatabase* database) {
    std::vector<FtkNodeRecord>& records = Records();
    records.clear();
    FtkChunk* keyframer = database != nullptr ? FtkFindChunk(database->topchunk.get(), 0xB000) : nullptr;
    if (keyframer == nullptr) {
        return;
    }
    std::vector<FtkChunk*> recordNodes;
    std::uint32_t counter = 0;
    for (FtkChunk* node = keyframer->children.get(); node != nullptr; node = node->next.get()) {
        FtkChunk* idChunk = FtkFindChild(node, 0xB030);
        if (node->id == kFtkAmbientNode) {
            if (idChunk != nullptr) {
                SetNodeId(idChunk, kFtkNoParent);
            }
            continue;
        }
        if (!IsNodeTag(node->id)) {
            continue;
        }
        FtkNodeRecord record;
        record.id = static_cast<std::uint16_t>(counter < kFtkNoParent ? counter : kFtkNoParent);
        ++counter;
        if (idChunk != nullptr) {
            SetNodeId(idChunk, record.id);
        }
        record.tag = node->id;
        FtkNodeHeader header;
        if (FtkGetNodeHeader(FtkFindChild(node, 0xB010), header)) {
            record.name = header.name;
        }
        FtkChunk* instance = node->id == 0xB002 ? FtkFindChild(node, 0xB011) : nullptr;
        if (instance != nullptr) {
            record.instance = FtkChunkString(instance);
            record.hasInstance = !record.instance.empty();
        }
        records.push_back(std::move(record));
        recordNodes.push_back(node);
    }
    const std::unordered_map<std::string, std::size_t> byName = RecordsByName(records);
    for (std::size_t i = 0; i < recordNodes.size(); ++i) {
        FtkChunk* headerChunk = FtkFindChild(recordNodes[i], 0xB010);
        FtkNodeHeader header;
        if (!FtkGetNodeHeader(headerChunk, header)) {
            continue;
        }
        FtkChunk* parentName = FtkFindChild(headerChunk, kFtkParentNameChunk);
        const auto found = parentName != nullptr ? byName.find(FtkChunkString(parentName)) : byName.end();
        const long parent = found != byName.end() ? static_cast<long>(found->second) : -1;
        // A node is never written as its own parent.
        records[i].parentId = parent >= 0 && static_cast<std::size_t>(parent) != i
                                  ? records[static_cast<std::size_t>(parent)].id
                                  : kFtkNoParent;
        header.parentIndex = records[i].parentId;
        FtkSetNodeHeader(headerChunk, header);
    }
}
