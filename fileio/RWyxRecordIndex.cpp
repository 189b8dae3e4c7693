#include "fileio/RWyxRecordIndex.h"

#include "fileio/LittleEndian.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

namespace {

bool IsNullRecord(const unsigned char* bytes) {
    for (std::uint32_t i = 0; i < RWyxRecordIndex::kRecordHeaderSize; ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

void RWyxRecordIndex::Resize(std::size_t count) {
    if (count == 0) {
        entries_.reset();
    } else {
        void* moved = std::realloc(entries_.get(), count * sizeof(RWyxRecord));
        if (moved == nullptr) {
            throw std::bad_alloc();
        }
        static_cast<void>(entries_.release());  // realloc took it over
        entries_.reset(static_cast<RWyxRecord*>(moved));
    }
    capacity_ = count;
    size_ = std::min(size_, count);
}

void RWyxRecordIndex::Clear() {
    entries_.reset();
    size_ = 0;
    capacity_ = 0;
    placing_.clear();
    nextRun_ = 0;
    hiddenTop_.clear();
    pending_.clear();
}

bool RWyxRecordIndex::StartPlacement(std::uint64_t total, std::uint64_t topCount, RWyxLevel& top) {
    if (total >= std::numeric_limits<std::uint32_t>::max() || topCount > total) {
        return false;
    }
    size_ = 0;
    Resize(static_cast<std::size_t>(total));
    std::uninitialized_fill_n(entries_.get(), capacity_, RWyxRecord());
    size_ = capacity_;
    hiddenTop_.clear();
    placing_.assign(1, PlacementLevel{0, static_cast<std::uint32_t>(topCount), false});
    nextRun_ = static_cast<std::uint32_t>(topCount);
    lastHidden_ = true;
    top = RWyxLevel{0, static_cast<std::uint32_t>(topCount)};
    return true;
}

bool RWyxRecordIndex::Place(const RWyxRecord& record, bool hidden) {
    PlacementLevel& level = placing_.back();
    lastHidden_ = hidden || level.hidden;
    if (lastHidden_) {
        if (hidden && placing_.size() == 1) {
            KeepHidden(record);
        }
        return true;
    }
    if (level.next == level.end) {
        return false;
    }
    lastPlaced_ = level.next++;
    At(lastPlaced_) = record;
    return true;
}

void RWyxRecordIndex::KeepHidden(const RWyxRecord& record) {
    if (hiddenTop_.size() < kMaxHiddenKept) {
        hiddenTop_.push_back(record);
    }
}

bool RWyxRecordIndex::OpenBlock(std::uint64_t childCount) {
    if (lastHidden_) {
        placing_.push_back(PlacementLevel{0, 0, true});
        return true;
    }
    if (childCount > size_ - nextRun_) {
        return false;
    }
    RWyxRecord& owner = At(lastPlaced_);
    owner.firstChild = nextRun_;
    owner.childCount = static_cast<std::uint32_t>(childCount);
    placing_.push_back(PlacementLevel{nextRun_, nextRun_ + owner.childCount, false});
    nextRun_ += owner.childCount;
    return true;
}

bool RWyxRecordIndex::CloseBlock() {
    if (placing_.size() < 2 || placing_.back().next != placing_.back().end) {
        return false;
    }
    placing_.pop_back();
    lastHidden_ = true;
    return true;
}

bool RWyxRecordIndex::PlacementComplete() const {
    return placing_.size() == 1 && placing_.back().next == placing_.back().end && nextRun_ == size_;
}

bool RWyxRecordIndex::ParseBinary(const unsigned char* data, std::uint64_t begin, std::uint64_t end,
                                  RWyxLevel& top) {
    hiddenTop_.clear();
    pending_.clear();
    // Room for the records of the section guessed from a typical record's size, at most 32 MiB
    // of entries (a large section of few large records, embedded files, needs few); the index
    // grows as more records come.
    constexpr std::uint64_t kMostReserved = std::uint64_t{1} << 20;
    constexpr std::uint64_t kTypicalRecordBytes = 32;
    const std::uint64_t guess = std::min<std::uint64_t>((end - begin) / kTypicalRecordBytes, kMostReserved);
    if (capacity_ < size_ + guess) {
        Resize(static_cast<std::size_t>(size_ + guess));
    }
    if (!ParseBinaryLevel(data, begin, end, 1, top)) {
        return false;
    }
    // Each block's records are parsed in one go, so that they lie next to each other.
    while (!pending_.empty()) {
        const PendingBlock block = pending_.back();
        pending_.pop_back();
        RWyxLevel run;
        if (!ParseBinaryLevel(data, block.begin, block.end, block.depth, run)) {
            return false;
        }
        At(block.owner).firstChild = run.first;
        At(block.owner).childCount = run.count;
    }
    if (capacity_ > size_) {
        Resize(size_);  // what the guess left over goes back
    }
    return true;
}

bool RWyxRecordIndex::ParseBinaryLevel(const unsigned char* data, std::uint64_t begin, std::uint64_t end,
                                       std::uint32_t depth, RWyxLevel& run) {
    run.first = static_cast<std::uint32_t>(size_);
    std::uint64_t pos = begin;
    while (true) {
        if (end - pos < kRecordHeaderSize) {
            return false;
        }
        const unsigned char* header = data + pos;
        const std::uint64_t length = wyx_le::LoadU32(header);
        if (length == 0) {
            run.count = static_cast<std::uint32_t>(size_ - run.first);
            return IsNullRecord(header) && pos + kRecordHeaderSize == end;
        }
        const std::uint32_t valueCount = wyx_le::LoadU32(header + 4);
        const std::uint32_t valueBytes = wyx_le::LoadU32(header + 8);
        const std::uint8_t nameLength = header[12];
        const std::uint64_t fixed = std::uint64_t{kRecordHeaderSize} + nameLength + valueBytes;
        // Every value takes a type letter and at least one byte.
        if (nameLength == 0 || valueCount > valueBytes / 2 || (valueCount == 0) != (valueBytes == 0) ||
            length < fixed || length > end - pos) {
            return false;
        }
        RWyxRecord record;
        record.valuesOffset = pos + kRecordHeaderSize + nameLength;
        record.nameGap = nameLength;
        record.nameLength = nameLength;
        record.valueBytes = valueBytes;
        record.valueCount = valueCount;
        record.hasBlock = length > fixed;
        if (record.hasBlock && length - fixed < kRecordHeaderSize) {
            return false;
        }
        if (data[pos + kRecordHeaderSize] == '#') {
            if (depth == 1) {
                KeepHidden(record);
            }
        } else {
            if (size_ >= std::numeric_limits<std::uint32_t>::max()) {
                return false;
            }
            if (record.hasBlock) {
                if (depth >= static_cast<std::uint32_t>(kMaxDepth)) {
                    return false;
                }
                pending_.push_back(PendingBlock{static_cast<std::uint32_t>(size_), depth + 1, pos + fixed,
                                                pos + length});
            }
            Append(record);
        }
        pos += length;
    }
}
