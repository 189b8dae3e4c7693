// The binary record index: entries as the records lie, children next to each other, and the
// index held at the size its records need whatever the guess it started from.

#include "fileio/LittleEndian.h"
#include "fileio/RWyxRecordIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A binary record: header, name, one "I" value per entry of `values`, then its block (the
// records given, ended by a null record) when `children` is not null.
std::string Record(const std::string& name, const std::vector<std::int32_t>& values,
                   const std::string* children = nullptr) {
    std::string valueBytes;
    for (const std::int32_t value : values) {
        unsigned char number[4];
        wyx_le::StoreU32(number, static_cast<std::uint32_t>(value));
        valueBytes += 'I';
        valueBytes.append(reinterpret_cast<const char*>(number), 4);
    }
    const std::string block =
        children != nullptr ? *children + std::string(RWyxRecordIndex::kRecordHeaderSize, '\0') : std::string();
    unsigned char header[RWyxRecordIndex::kRecordHeaderSize] = {};
    wyx_le::StoreU32(header, static_cast<std::uint32_t>(sizeof header + name.size() + valueBytes.size() + block.size()));
    wyx_le::StoreU32(header + 4, static_cast<std::uint32_t>(values.size()));
    wyx_le::StoreU32(header + 8, static_cast<std::uint32_t>(valueBytes.size()));
    header[12] = static_cast<unsigned char>(name.size());
    return std::string(reinterpret_cast<const char*>(header), sizeof header) + name + valueBytes + block;
}

// An outermost level: the records, then the null record.
std::string Level(const std::string& records) {
    return records + std::string(RWyxRecordIndex::kRecordHeaderSize, '\0');
}

bool Parse(RWyxRecordIndex& index, const std::string& bytes, std::uint64_t begin, RWyxLevel& top) {
    return index.ParseBinary(reinterpret_cast<const unsigned char*>(bytes.data()), begin, bytes.size(), top);
}

std::string NameOf(const RWyxRecordIndex& index, const std::string& bytes, std::uint32_t entry) {
    const RWyxRecord& record = index.At(entry);
    return bytes.substr(static_cast<std::size_t>(record.NameOffset()), record.nameLength);
}

}  // namespace

// Records of 14 bytes, far more than the guess from the section's size, make the index grow;
// records of a large value make it guess far more than they need. Either way the entries are
// those of the file, and the index holds no more room than its entries.
TEST(RWyxRecordIndexTest, EntriesFollowTheFileAndTheIndexIsHeldAtItsSize) {
    std::string small;
    for (int i = 0; i < 5000; ++i) small += Record(std::string(1, static_cast<char>('a' + i % 26)), {});
    const std::string children = Record("Kid", {7}) + Record("Kin", {8, 9});
    const std::string smallFile = Level(small + Record("Parent", {1}, &children));

    RWyxRecordIndex index;
    RWyxLevel top;
    ASSERT_TRUE(Parse(index, smallFile, 0, top));
    EXPECT_EQ(0u, top.first);
    ASSERT_EQ(5001u, top.count);
    EXPECT_EQ(5003u, index.Size());
    EXPECT_EQ(index.Size(), index.Capacity());
    EXPECT_EQ("a", NameOf(index, smallFile, 0));
    EXPECT_EQ("z", NameOf(index, smallFile, 25));
    EXPECT_EQ("h", NameOf(index, smallFile, 4999));
    const RWyxRecord parent = index.At(5000);
    EXPECT_EQ("Parent", NameOf(index, smallFile, 5000));
    EXPECT_TRUE(parent.hasBlock);
    ASSERT_EQ(2u, parent.childCount);
    EXPECT_EQ("Kid", NameOf(index, smallFile, parent.firstChild));
    EXPECT_EQ("Kin", NameOf(index, smallFile, parent.firstChild + 1));
    EXPECT_EQ(2u, index.At(parent.firstChild + 1).valueCount);
    EXPECT_EQ(10u, index.At(parent.firstChild + 1).valueBytes);

    // A second section appends its records after the first one's, again without spare room.
    const std::string large = Level(Record("Big", std::vector<std::int32_t>(20000, 3)));
    const std::string both = smallFile + large;
    RWyxLevel second;
    ASSERT_TRUE(Parse(index, both, smallFile.size(), second));
    EXPECT_EQ(5003u, second.first);
    EXPECT_EQ(1u, second.count);
    EXPECT_EQ(5004u, index.Size());
    EXPECT_EQ(index.Size(), index.Capacity());
    EXPECT_EQ("Big", NameOf(index, both, 5003));
    EXPECT_EQ("Kin", NameOf(index, both, parent.firstChild + 1));

    RWyxRecordIndex alone;
    ASSERT_TRUE(Parse(alone, large, 0, top));
    EXPECT_EQ(1u, alone.Size());
    EXPECT_EQ(1u, alone.Capacity());
    EXPECT_EQ(20000u, alone.At(0).valueCount);
}

// Damage is refused after the index has grown as it does for a sound file.
TEST(RWyxRecordIndexTest, ADamagedLevelIsRefusedAfterGrowing) {
    std::string records;
    for (int i = 0; i < 3000; ++i) records += Record("r", {i});
    RWyxRecordIndex index;
    RWyxLevel top;
    const std::string sound = Level(records);
    EXPECT_FALSE(Parse(index, sound.substr(0, sound.size() - 1), 0, top));
    index.Clear();
    EXPECT_EQ(0u, index.Capacity());
    EXPECT_FALSE(Parse(index, records + "x" + std::string(RWyxRecordIndex::kRecordHeaderSize, '\0'), 0, top));
    index.Clear();
    ASSERT_TRUE(Parse(index, sound, 0, top));
    EXPECT_EQ(3000u, top.count);
    EXPECT_EQ(2999u * 19u + 14u, index.At(2999).valuesOffset);
}
