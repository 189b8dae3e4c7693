#include "formats/3ds/toolkit/FtkChunk.h"

#include "formats/3ds/toolkit/FtkErrors.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

namespace {

struct OrderEntry {
    std::uint32_t id;
    int order;
};

// Ordered insertion puts a chunk before the first sibling of lower order; ids not listed are 0.
constexpr OrderEntry kOrder[] = {
    {0x0000, 35}, {0x2D2D, 34}, {0x2D3D, 33}, {0x4D4D, 32}, {0x0002, 31}, {0x3D3D, 30}, {0xB000, 29},
    {0x0011, 28}, {0x0012, 27}, {0x3D3E, 26}, {0xAFFF, 25}, {0xB00A, 24}, {0x0100, 23}, {0x7001, 22},
    {0x1400, 21}, {0x1420, 20}, {0x1450, 19}, {0x1460, 18}, {0x1500, 17}, {0x2100, 16}, {0x1200, 15},
    {0x1100, 14}, {0x1300, 13}, {0x1101, 12}, {0x1201, 12}, {0x1301, 12}, {0x2200, 11}, {0x2302, 10},
    {0x2300, 9},  {0x3000, 8},  {0x4000, 7},  {0xB008, 6},  {0xB009, 5},  {0xB002, 4},  {0xB003, 4},
    {0xB004, 4},  {0xB006, 4},  {0xB007, 4},  {0xB001, 3},  {0x4100, 2},  {0x4600, 2},  {0x4700, 2},
    {0x4010, 1},
};

// What precedes the sub-chunks of an id.
enum class OwnData { Container, String, NodeHeader, KeyframerHeader, FaceList, Fixed, All };

struct OwnDataEntry {
    std::uint32_t id;
    OwnData kind;
    std::uint32_t size;  // Fixed: the bytes; String: the most characters
    const char* what = nullptr;  // what a leading string names, for the refusal of a long one
};

constexpr OwnDataEntry kOwnData[] = {
    // pure containers
    {0x4D4D, OwnData::Container, 0}, {0xC23D, OwnData::Container, 0}, {0x3D3D, OwnData::Container, 0},
    {0x3DAA, OwnData::Container, 0}, {0x3DFF, OwnData::Container, 0}, {0x2D2D, OwnData::Container, 0},
    {0x2D3D, OwnData::Container, 0}, {0x8000, OwnData::Container, 0}, {0x8001, OwnData::Container, 0},
    {0x1200, OwnData::Container, 0}, {0x2100, OwnData::Container, 0}, {0x3000, OwnData::Container, 0},
    {0x4100, OwnData::Container, 0}, {0xAFFF, OwnData::Container, 0}, {0xA010, OwnData::Container, 0},
    {0xA020, OwnData::Container, 0}, {0xA030, OwnData::Container, 0}, {0xA040, OwnData::Container, 0},
    {0xA041, OwnData::Container, 0}, {0xA042, OwnData::Container, 0}, {0xA050, OwnData::Container, 0},
    {0xA052, OwnData::Container, 0}, {0xA053, OwnData::Container, 0}, {0xA084, OwnData::Container, 0},
    {0xA200, OwnData::Container, 0}, {0xA204, OwnData::Container, 0}, {0xA210, OwnData::Container, 0},
    {0xA220, OwnData::Container, 0}, {0xA230, OwnData::Container, 0}, {0xA33A, OwnData::Container, 0},
    {0xA33C, OwnData::Container, 0}, {0xA33D, OwnData::Container, 0}, {0xA33E, OwnData::Container, 0},
    {0xA340, OwnData::Container, 0}, {0xA342, OwnData::Container, 0}, {0xA344, OwnData::Container, 0},
    {0xA346, OwnData::Container, 0}, {0xA348, OwnData::Container, 0}, {0xA34A, OwnData::Container, 0},
    {0xA34C, OwnData::Container, 0}, {0xB000, OwnData::Container, 0}, {0xB001, OwnData::Container, 0},
    {0xB002, OwnData::Container, 0}, {0xB003, OwnData::Container, 0}, {0xB004, OwnData::Container, 0},
    {0xB005, OwnData::Container, 0}, {0xB006, OwnData::Container, 0}, {0xB007, OwnData::Container, 0},
    // a leading string
    {0x4000, OwnData::String, 10, "object name"}, {0x3080, OwnData::String, 10, "viewport camera name"},
    {0xB011, OwnData::String, 10, "instance name"}, {0x1100, OwnData::String, 12, "background bitmap name"},
    {0xA300, OwnData::String, 12, "map file name"}, {0x4181, OwnData::String, 12, "procedure name"},
    {0xA000, OwnData::String, 16, "material name"},
    {0xB010, OwnData::NodeHeader, 10, "keyframer node name"},
    {0xB00A, OwnData::KeyframerHeader, 512, "keyframer header name"},
    {0x4120, OwnData::FaceList, 0},
    // fixed sizes
    {0x0030, OwnData::Fixed, 2}, {0x1420, OwnData::Fixed, 2}, {0x1430, OwnData::Fixed, 2},
    {0xB030, OwnData::Fixed, 2}, {0x0011, OwnData::Fixed, 3}, {0x0002, OwnData::Fixed, 4},
    {0x0031, OwnData::Fixed, 4}, {0x0100, OwnData::Fixed, 4}, {0x1300, OwnData::Fixed, 4},
    {0x1400, OwnData::Fixed, 4}, {0x1410, OwnData::Fixed, 4}, {0x3D3E, OwnData::Fixed, 4},
    {0xB009, OwnData::Fixed, 4}, {0xB015, OwnData::Fixed, 4}, {0xD000, OwnData::Fixed, 4},
    {0xB008, OwnData::Fixed, 8}, {0x4641, OwnData::Fixed, 10}, {0x0010, OwnData::Fixed, 12},
    {0x1500, OwnData::Fixed, 12}, {0x4600, OwnData::Fixed, 12}, {0xA310, OwnData::Fixed, 12},
    {0xB013, OwnData::Fixed, 12}, {0x7001, OwnData::Fixed, 14}, {0x2200, OwnData::Fixed, 16},
    {0x2300, OwnData::Fixed, 16}, {0x2302, OwnData::Fixed, 16}, {0x3010, OwnData::Fixed, 16},
    {0x3020, OwnData::Fixed, 16}, {0x3030, OwnData::Fixed, 16}, {0x3040, OwnData::Fixed, 16},
    {0x3050, OwnData::Fixed, 16}, {0x3060, OwnData::Fixed, 16}, {0x4610, OwnData::Fixed, 20},
    {0xB014, OwnData::Fixed, 24}, {0x3070, OwnData::Fixed, 28}, {0x4700, OwnData::Fixed, 32},
    {0x4160, OwnData::Fixed, 48},
};

// The table's entries in id order, sorted once: every chunk of a file is looked up, twice.
const std::vector<const OwnDataEntry*>& OwnDataById() {
    static const std::vector<const OwnDataEntry*> sorted = [] {
        std::vector<const OwnDataEntry*> entries;
        for (const OwnDataEntry& entry : kOwnData) {
            entries.push_back(&entry);
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const OwnDataEntry* a, const OwnDataEntry* b) { return a->id < b->id; });
        return entries;
    }();
    return sorted;
}

const OwnDataEntry* FindOwnData(std::uint32_t id) {
    const std::vector<const OwnDataEntry*>& sorted = OwnDataById();
    const auto found = std::lower_bound(sorted.begin(), sorted.end(), id,
                                        [](const OwnDataEntry* entry, std::uint32_t wanted) { return entry->id < wanted; });
    return found != sorted.end() && (*found)->id == id ? *found : nullptr;
}

// How many children an ordered insert must walk before its parent starts remembering.
constexpr std::size_t kWalkWorthRemembering = 8;

// The order of every 16-bit id, filled once from the table (the first entry of an id wins).
const std::array<std::int8_t, 0x10000>& OrderById() {
    static const std::array<std::int8_t, 0x10000> table = [] {
        std::array<std::int8_t, 0x10000> orders{};
        for (auto entry = std::rbegin(kOrder); entry != std::rend(kOrder); ++entry) {
            orders[entry->id] = static_cast<std::int8_t>(entry->order);
        }
        return orders;
    }();
    return table;
}

// Where an ordered insert of the order may start walking. Every child up to a remembered
// chunk has at least that chunk's order (an insert only ever goes before a chunk of lower
// order, and ids keep their order), so the walk from the first child would pass it: start
// behind the remembered chunk of the lowest order not below the new one.
std::unique_ptr<FtkChunk>* OrderedStart(FtkChunk* parent, int order) {
    const FtkOrderHint* best = nullptr;
    if (parent->orderHints != nullptr) {
        for (const FtkOrderHint& hint : *parent->orderHints) {
            if (hint.order >= order && (best == nullptr || hint.order < best->order)) {
                best = &hint;
            }
        }
    }
    return best != nullptr ? &best->chunk->next : &parent->children;
}

void RememberOrdered(FtkChunk* parent, int order, FtkChunk* child) {
    if (parent->orderHints == nullptr) {
        parent->orderHints = std::make_unique<std::vector<FtkOrderHint>>();
    }
    for (FtkOrderHint& hint : *parent->orderHints) {
        if (hint.order == order) {
            hint.chunk = child;
            return;
        }
    }
    parent->orderHints->push_back(FtkOrderHint{order, child});
}

bool IsSourceOpen(const FtkChunk* chunk) {
    if (chunk->sourceSlot == kFtkNoSlot) {
        return false;
    }
    const FtkFile* file = FtkGetFileByIndex(chunk->sourceSlot);
    return file != nullptr && file->serial == chunk->sourceSerial && file->mode == kFtkModeRead;
}

}  // namespace

FtkChunk::~FtkChunk() {
    std::unique_ptr<FtkChunk> sibling = std::move(next);
    while (sibling != nullptr) {
        sibling = std::move(sibling->next);
    }
}

// ---- nodes --------------------------------------------------------------------------------------

std::unique_ptr<FtkChunk> FtkNewChunk() {
    std::unique_ptr<FtkChunk> chunk(new (std::nothrow) FtkChunk);
    if (chunk == nullptr) {
        FtkSetError(ERR_NO_MEM);
    }
    return chunk;
}

std::unique_ptr<FtkChunk> FtkNewChunkWithId(std::uint32_t id) {
    std::unique_ptr<FtkChunk> chunk = FtkNewChunk();
    if (chunk != nullptr) {
        chunk->id = id;
    }
    return chunk;
}

void FtkReleaseChunk(std::unique_ptr<FtkChunk>& chunk) { chunk.reset(); }

void FtkClearChunk(FtkChunk* chunk) {
    if (chunk == nullptr) {
        return;
    }
    chunk->children.reset();
    chunk->orderHints.reset();
    chunk->data.reset();
    chunk->id = 0;
    chunk->length = 0;
    chunk->position = 0;
    chunk->sourceSlot = kFtkNoSlot;
    chunk->destinationSlot = kFtkNoSlot;
    chunk->sourceSerial = 0;
    chunk->dataSize = 0;
}

FtkChunk* FtkFindChunk(FtkChunk* chunk, std::uint32_t id) {
    if (chunk == nullptr) {
        return nullptr;
    }
    if (chunk->id == id) {
        return chunk;
    }
    for (FtkChunk* child = chunk->children.get(); child != nullptr; child = child->next.get()) {
        if (FtkChunk* found = FtkFindChunk(child, id)) {
            return found;
        }
    }
    return nullptr;
}

FtkChunk* FtkFindNextChunk(FtkChunk* chunk, std::uint32_t id) {
    for (; chunk != nullptr; chunk = chunk->next.get()) {
        if (chunk->id == id) {
            return chunk;
        }
    }
    return nullptr;
}

FtkChunk* FtkFindChild(FtkChunk* parent, std::uint32_t id) {
    return parent != nullptr ? FtkFindNextChunk(parent->children.get(), id) : nullptr;
}

FtkChunk* FtkAddChildLast(FtkChunk* parent, std::unique_ptr<FtkChunk> child) {
    if (parent == nullptr || child == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    std::unique_ptr<FtkChunk>* link = &parent->children;
    while (*link != nullptr) {
        link = &(*link)->next;
    }
    *link = std::move(child);
    return link->get();
}

int FtkChunkOrder(std::uint32_t id) { return id < 0x10000 ? OrderById()[id] : 0; }

FtkChunk* FtkAddChildOrdered(FtkChunk* parent, std::unique_ptr<FtkChunk> child) {
    if (parent == nullptr || child == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    const int order = FtkChunkOrder(child->id);
    std::unique_ptr<FtkChunk>* link = OrderedStart(parent, order);
    std::size_t steps = 0;
    while (*link != nullptr && FtkChunkOrder((*link)->id) >= order) {
        link = &(*link)->next;
        ++steps;
    }
    child->next = std::move(*link);
    *link = std::move(child);
    // A parent of few children is walked quickly: remembering starts with a long walk.
    if (parent->orderHints != nullptr || steps >= kWalkWorthRemembering) {
        RememberOrdered(parent, order, link->get());
    }
    return link->get();
}

FtkChunk* FtkReplaceOrAddChild(FtkChunk* parent, std::uint32_t id) {
    if (parent == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    if (FtkChunk* existing = FtkFindChild(parent, id)) {
        FtkClearChunk(existing);
        existing->id = id;
        return existing;
    }
    return FtkAddChunk(id, parent);
}

FtkChunk* FtkAddChunk(std::uint32_t id, FtkChunk* parent) {
    std::unique_ptr<FtkChunk> chunk = FtkNewChunkWithId(id);
    return chunk != nullptr ? FtkAddChildOrdered(parent, std::move(chunk)) : nullptr;
}

std::unique_ptr<FtkChunk> FtkCopyChunk(FtkChunk* source) {
    if (source == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    std::unique_ptr<FtkChunk> copy = FtkNewChunkWithId(source->id);
    if (copy == nullptr) {
        return nullptr;
    }
    copy->length = source->length;
    copy->position = source->position;
    copy->sourceSlot = source->sourceSlot;
    copy->destinationSlot = source->destinationSlot;
    copy->sourceSerial = source->sourceSerial;
    copy->dataSize = source->dataSize;
    if (source->data != nullptr) {
        copy->data = FtkIsReloadable(source) ? std::move(source->data)
                                             : std::make_unique<FtkChunkData>(*source->data);
    }
    std::unique_ptr<FtkChunk>* link = &copy->children;
    for (FtkChunk* child = source->children.get(); child != nullptr; child = child->next.get()) {
        *link = FtkCopyChunk(child);
        if (*link == nullptr) {
            return copy;
        }
        link = &(*link)->next;
    }
    return copy;
}

// ---- data ---------------------------------------------------------------------------------------

void FtkAllocChunkData(FtkChunk* chunk) {
    if (chunk == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    chunk->data = std::make_unique<FtkChunkData>();
}

std::unique_ptr<FtkChunk> FtkNewChunkData(std::uint32_t id) {
    std::unique_ptr<FtkChunk> chunk = FtkNewChunkWithId(id);
    if (chunk != nullptr) {
        FtkAllocChunkData(chunk.get());
    }
    return chunk;
}

bool FtkIsReloadable(const FtkChunk* chunk) { return chunk != nullptr && IsSourceOpen(chunk); }

FtkChunkData* FtkReadChunkData(FtkChunk* chunk) {
    if (chunk == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    if (chunk->data != nullptr || chunk->sourceSlot == kFtkNoSlot || chunk->id == kFtkParentNameChunk) {
        return chunk->data.get();
    }
    if (chunk->dataSize == 0) {
        return nullptr;
    }
    if (!IsSourceOpen(chunk)) {
        FtkSetError(ERR_READING_FILE);  // the file the chunk came from is gone
        return nullptr;
    }
    auto data = std::make_unique<FtkChunkData>();
    data->bytes.resize(chunk->dataSize);
    FtkSelectFileByIndex(chunk->sourceSlot);
    if (!FtkSeek(chunk->position + kFtkHeaderSize) || !FtkReadBytes(data->bytes.size(), data->bytes.data())) {
        if (!ftkErrorPending) {
            FtkSetError(ERR_READING_FILE);
        }
        return nullptr;
    }
    chunk->data = std::move(data);
    return chunk->data.get();
}

FtkByteReader FtkChunkReader(FtkChunk* chunk) {
    const FtkChunkData* data = chunk != nullptr ? FtkReadChunkData(chunk) : nullptr;
    return data != nullptr ? FtkByteReader(data->bytes) : FtkByteReader(nullptr, 0);
}

void FtkSetChunkData(FtkChunk* chunk, std::vector<unsigned char> bytes) {
    if (chunk == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    FtkAllocChunkData(chunk);
    chunk->data->bytes = std::move(bytes);
}

void FtkWriteChunkData(FtkChunk* chunk) {
    if (chunk != nullptr && chunk->data != nullptr) {
        FtkWriteBytes(chunk->data->bytes.size(), chunk->data->bytes.data());
    }
}

void FtkReleaseChunkData(FtkChunk* chunk) {
    if (chunk != nullptr) {
        chunk->data.reset();
    }
}

void FtkReleaseChunkDataIfReloadable(FtkChunk* chunk) {
    if (FtkIsReloadable(chunk)) {
        chunk->data.reset();
    }
}

// ---- file form ----------------------------------------------------------------------------------

std::uint32_t FtkOwnDataProbe(std::uint32_t id, std::uint32_t bodySize) {
    const OwnDataEntry* entry = FindOwnData(id);
    std::uint32_t wanted = 0;
    if (entry != nullptr) {
        switch (entry->kind) {
            case OwnData::String:
            case OwnData::NodeHeader: wanted = entry->size + 1; break;
            case OwnData::KeyframerHeader: wanted = 2 + entry->size + 1; break;
            case OwnData::FaceList: wanted = 2; break;
            default: break;
        }
    }
    return wanted < bodySize ? wanted : bodySize;
}

bool FtkOwnDataSize(std::uint32_t id, FtkByteReader probe, std::uint32_t bodySize, std::uint32_t& size) {
    const OwnDataEntry* entry = FindOwnData(id);
    std::uint64_t own = bodySize;
    if (entry != nullptr) {
        switch (entry->kind) {
            case OwnData::Container: own = 0; break;
            case OwnData::Fixed: own = entry->size; break;
            case OwnData::String: own = probe.String(entry->size).size() + 1; break;
            case OwnData::NodeHeader: own = probe.String(entry->size).size() + 1 + 6; break;
            case OwnData::KeyframerHeader:
                probe.Word();
                own = 2 + probe.String(entry->size).size() + 1 + 4;
                break;
            case OwnData::FaceList: own = 2 + 8 * static_cast<std::uint64_t>(probe.Word()); break;
            case OwnData::All: break;
        }
    }
    if (!probe.Ok() || own > bodySize) {
        return false;
    }
    size = static_cast<std::uint32_t>(own);
    return true;
}

bool FtkRefuseLongLeadingName(const FtkChunk* chunk, std::uint32_t bodySize) {
    // How far past its limit a name is looked for; a string without a zero this far is damage.
    constexpr std::uint32_t kLongestLooked = 1024;
    const OwnDataEntry* entry = chunk != nullptr ? FindOwnData(chunk->id) : nullptr;
    if (entry == nullptr || entry->what == nullptr) {
        return false;
    }
    const std::uint32_t skipped = entry->kind == OwnData::KeyframerHeader ? 2 : 0;  // the revision
    if (bodySize <= skipped) {
        return false;
    }
    std::vector<unsigned char> bytes(std::min(bodySize - skipped, entry->size + 1 + kLongestLooked));
    return FtkSeek(chunk->position + kFtkHeaderSize + skipped) && FtkReadBytes(bytes.size(), bytes.data()) &&
           FtkRefuseLongName(bytes.data(), bytes.size(), entry->size, entry->what);
}

bool FtkWriteChunk(FtkChunk* chunk, FtkFile* file) {
    if (chunk == nullptr || file == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    if (chunk->id == 0 || chunk->id == kFtkParentNameChunk) {
        return true;
    }
    FtkSelectFile(file);
    chunk->destinationSlot = file->slot;
    const std::uint32_t start = FtkTell();
    FtkReadChunkData(chunk);  // may read from the chunk's source file
    if (FtkShouldStop()) {
        return false;
    }
    FtkSelectFile(file);
    FtkSeek(start);
    FtkWriteHeader(chunk->id, chunk->length);
    FtkWriteChunkData(chunk);
    if (FtkShouldStop()) {
        return false;
    }
    for (FtkChunk* child = chunk->children.get(); child != nullptr; child = child->next.get()) {
        if (!FtkWriteChunk(child, file)) {
            return false;
        }
        FtkSelectFile(file);
    }
    const std::uint32_t end = FtkTell();
    if (end - start != chunk->length) {
        FtkFinishHeader(start, end);
        chunk->length = end - start;
    }
    FtkReleaseChunkDataIfReloadable(chunk);
    return !FtkShouldStop();
}
