#include "fileio/RWyxRecordIndex.h"

#include "fileio/LittleEndian.h"

#include <algorithm>
#include <limits>

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

void RWyxRecordIndex::Clear() {
    entries_.clear();
    levels_.clear();
    depth_ = 0;
    hiddenTop_.clear();
    pending_.clear();
}

void RWyxRecordIndex::OpenLevel() {
    if (depth_ == levels_.size()) {
        levels_.emplace_back();
    }
    levels_[depth_++].clear();
}

void RWyxRecordIndex::Add(const RWyxRecord& record, bool hidden) {
    levels_[depth_ - 1].push_back(PendingRecord{record, hidden});
}

bool RWyxRecordIndex::CloseLevel(RWyxLevel& outermost) {
    std::vector<PendingRecord>& level = levels_[--depth_];
    if (depth_ == 0) {
        hiddenTop_.clear();
    }
    RWyxLevel run;
    run.first = static_cast<std::uint32_t>(entries_.size());
    for (const PendingRecord& pending : level) {
        if (!pending.hidden) {
            if (entries_.size() >= std::numeric_limits<std::uint32_t>::max()) {
                return false;
            }
            entries_.push_back(pending.record);
        } else if (depth_ == 0) {
            hiddenTop_.push_back(pending.record);
        }
    }
    run.count = static_cast<std::uint32_t>(entries_.size() - run.first);
    level.clear();
    if (depth_ == 0) {
        outermost = run;
    } else {
        RWyxRecord& parent = levels_[depth_ - 1].back().record;
        parent.firstChild = run.first;
        parent.childCount = run.count;
    }
    return true;
}

bool RWyxRecordIndex::ParseBinary(const unsigned char* data, std::uint64_t begin, std::uint64_t end,
                                  RWyxLevel& top) {
    hiddenTop_.clear();
    pending_.clear();
    // Room for records of about 32 bytes, fewer than the section can hold (a record takes at
    // least 14). Capped at 32 MiB of entries, so that a large section of few large records
    // (embedded files) does not reserve much; beyond the cap the index grows as records come.
    constexpr std::uint64_t kMostReserved = std::uint64_t{1} << 20;
    const std::uint64_t guess = std::min<std::uint64_t>((end - begin) / 32, kMostReserved);
    if (entries_.capacity() < entries_.size() + guess) {
        entries_.reserve(static_cast<std::size_t>(entries_.size() + guess));
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
        entries_[block.owner].firstChild = run.first;
        entries_[block.owner].childCount = run.count;
    }
    return true;
}

bool RWyxRecordIndex::ParseBinaryLevel(const unsigned char* data, std::uint64_t begin, std::uint64_t end,
                                       std::uint32_t depth, RWyxLevel& run) {
    run.first = static_cast<std::uint32_t>(entries_.size());
    std::uint64_t pos = begin;
    while (true) {
        if (end - pos < kRecordHeaderSize) {
            return false;
        }
        const unsigned char* header = data + pos;
        const std::uint64_t length = wyx_le::LoadU32(header);
        if (length == 0) {
            run.count = static_cast<std::uint32_t>(entries_.size() - run.first);
            return IsNullRecord(header) && pos + kRecordHeaderSize == end;
        }
        const std::uint32_t valueCount = wyx_le::LoadU32(header + 4);
        const std::uint32_t valueBytes = wyx_le::LoadU32(header + 8);
        const std::uint8_t nameLength = header[12];
        const std::uint64_t fixed = std::uint64_t{kRecordHeaderSize} + nameLength + valueBytes;
        if (nameLength == 0 || valueCount > valueBytes || length < fixed || length > end - pos) {
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
                hiddenTop_.push_back(record);
            }
        } else {
            if (entries_.size() >= std::numeric_limits<std::uint32_t>::max()) {
                return false;
            }
            if (record.hasBlock) {
                if (depth >= static_cast<std::uint32_t>(kMaxDepth)) {
                    return false;
                }
                pending_.push_back(PendingBlock{static_cast<std::uint32_t>(entries_.size()), depth + 1,
                                                pos + fixed, pos + length});
            }
            entries_.push_back(record);
        }
        pos += length;
    }
}
