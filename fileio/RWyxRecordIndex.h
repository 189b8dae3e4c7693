#ifndef WYX_FILEIO_RWYXRECORDINDEX_H
#define WYX_FILEIO_RWYXRECORDINDEX_H

// The index of a WYX file's records, built once when the file is opened: one compact entry
// per record (where its name and values lie, how many values, its children), the children
// of every record stored next to each other so that a level is a run of entries. Values are
// not decoded here; the reader decodes them on demand.
//
// The binary form is parsed here; the ASCII parser counts the records first and then
// places each where it belongs (StartPlacement, Place, OpenBlock, CloseBlock), so that the
// index is made at its exact size without copies. Records whose names begin with '#' belong
// to the container: they are checked like any other but kept out of the levels, the
// top-level ones in a list of their own.
//
// An entry takes sizeof(RWyxRecord) bytes, 32: the index of a file takes at most that many
// times its records, about 11 times the smallest ASCII record ("A:" and a line end). The
// binary parser cannot know the count before it has walked the records: it starts from a
// guess of a typical record's size, grows the entries in place where the allocator can
// (realloc: a large block is remapped, not copied) and gives back what is left over once a
// section is parsed, so that the index held while the file is read is the size it needs.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

struct RWyxRecord {
    std::uint64_t valuesOffset = 0;
    std::uint32_t nameGap = 0;     // from the name's first byte to the values
    std::uint32_t valueBytes = 0;  // binary: bytes of the values; ASCII: length of their text
    std::uint32_t valueCount = 0;
    std::uint32_t firstChild = 0;  // index of the first child entry
    std::uint32_t childCount = 0;
    std::uint16_t nameLength = 0;
    bool hasBlock = false;
    bool read = false;  // FieldReadBegin took it during the current visit of its level

    std::uint64_t NameOffset() const { return valuesOffset - nameGap; }
};

// A level: a run of entries.
struct RWyxLevel {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

class RWyxRecordIndex {
public:
    // Deeper nesting is refused by the parsers and by the writer.
    static constexpr int kMaxDepth = 1000;
    // The fixed part of a binary record, and the null record that ends a block.
    static constexpr std::uint32_t kRecordHeaderSize = 13;
    static constexpr std::size_t kMaxHiddenKept = 16;

    void Clear();

    // Placement of counted records. StartPlacement makes room for total entries, the first
    // topCount of them the top level (answered as top). Place puts a record at the next
    // place of the current level (a hidden one in the top-level container list, or nowhere
    // below it); OpenBlock gives the last record placed the next childCount entries as its
    // children and makes them the current level; CloseBlock returns to the enclosing one.
    // Each answers false when the records do not match the counts.
    bool StartPlacement(std::uint64_t total, std::uint64_t topCount, RWyxLevel& top);
    bool Place(const RWyxRecord& record, bool hidden);
    bool OpenBlock(std::uint64_t childCount);
    bool CloseBlock();
    // True when every place was filled.
    bool PlacementComplete() const;

    // Parses the binary records in [begin, end) of data as an outermost level: records, each
    // with an optional block, the whole ended by a null record that ends exactly at end.
    // False for anything that does not fit; the index must then be cleared. The blocks of
    // container records are not looked into (nothing reads them).
    bool ParseBinary(const unsigned char* data, std::uint64_t begin, std::uint64_t end,
                     RWyxLevel& top);

    RWyxRecord& At(std::uint32_t index) { return entries_.get()[index]; }
    const RWyxRecord& At(std::uint32_t index) const { return entries_.get()[index]; }
    // Entries held, and the room they take (entries).
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }

    // The top-level container records of the outermost level parsed or placed last, in file
    // order; the first kMaxHiddenKept of them (the container writes one, "#Header").
    const std::vector<RWyxRecord>& HiddenTopRecords() const { return hiddenTop_; }

private:
    void KeepHidden(const RWyxRecord& record);

    // A block whose records are still to be parsed.
    struct PendingBlock {
        std::uint32_t owner;
        std::uint32_t depth;  // of the block's records
        std::uint64_t begin;
        std::uint64_t end;
    };

    // Appends the records of one level [begin, end) as a run; blocks go to pending_.
    bool ParseBinaryLevel(const unsigned char* data, std::uint64_t begin, std::uint64_t end,
                          std::uint32_t depth, RWyxLevel& run);

    // A level being placed: its next place and its end; hidden levels (below a container
    // record) take no places.
    struct PlacementLevel {
        std::uint32_t next;
        std::uint32_t end;
        bool hidden;
    };

    // The entries' storage: moved by realloc, which the records allow.
    static_assert(std::is_trivially_copyable<RWyxRecord>::value, "entries are moved as bytes");
    struct FreeDeleter {
        void operator()(RWyxRecord* entries) const { std::free(entries); }
    };
    // Room for exactly `count` entries, the first size_ kept (throws std::bad_alloc without
    // memory, as the open that parses expects).
    void Resize(std::size_t count);
    // Inline: it runs once a record.
    void Append(const RWyxRecord& record) {
        if (size_ == capacity_) {
            Resize(2 * capacity_ + kFirstRoom);
        }
        entries_.get()[size_++] = record;
    }
    static constexpr std::size_t kFirstRoom = 64;

    std::unique_ptr<RWyxRecord, FreeDeleter> entries_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::vector<PlacementLevel> placing_;
    std::uint32_t nextRun_ = 0;  // where the next block's children go
    std::uint32_t lastPlaced_ = 0;
    bool lastHidden_ = true;
    std::vector<RWyxRecord> hiddenTop_;
    std::vector<PendingBlock> pending_;
};

#endif
