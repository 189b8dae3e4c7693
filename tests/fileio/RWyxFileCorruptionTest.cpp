// Truncated, flipped and randomly damaged files of each form: every one is either read
// (values checked against their records) or refused with a clear error, never a crash, an
// overread or a hang. Runs under the sanitizers in CI.

#include "fileio/RWyxFile.h"
#include "tests/fileio/SystemCallCounter.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

class CorruptionTest : public ::testing::TestWithParam<WyxForm> {
protected:
    void SetUp() override {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, source_, GetParam()));
        WriteSampleContent(file);
        ASSERT_TRUE(file.Close());
        valid_ = ScratchFolder::ReadFile(source_);
        ASSERT_FALSE(valid_.empty());
    }

    // Opens the damaged bytes; when they open, reads everything. Answers whether they opened.
    bool Try(const std::string& bytes) {
        scratch_.WriteFile("damaged.wyx", bytes);
        RWyxFile file;
        if (!file.Open(damaged_.c_str())) {
            const int error = file.GetLastErrorID();
            EXPECT_TRUE(error == RWyxFile::kErrorCorrupted || error == RWyxFile::kErrorVersionTooNew ||
                        error == RWyxFile::kErrorPasswordRequired)
                << error;
            EXPECT_FALSE(file.IsOpen());
            return false;
        }
        WalkFile(file);
        (void)file.Close();
        return true;
    }

    ScratchFolder scratch_;
    std::string source_ = scratch_.Join("valid.wyx");
    std::string damaged_ = scratch_.Join("damaged.wyx");
    std::string valid_;
};

TEST_P(CorruptionTest, EveryTruncationIsDetected) {
    ASSERT_TRUE(Try(valid_));
    // An ASCII file that lost only its last line end is still whole.
    const std::size_t whole = GetParam() == WyxForm::kAscii ? valid_.size() - 1 : valid_.size();
    for (std::size_t length = 0; length < whole; ++length) {
        ASSERT_FALSE(Try(valid_.substr(0, length))) << "length " << length;
    }
}

TEST_P(CorruptionTest, ByteFlipsAreReadSafelyOrRefused) {
    // In the encrypted form nothing damaged before the extension section goes unnoticed.
    const std::size_t sealedEnd = GetParam() == WyxForm::kEncrypted ? valid_.rfind("SECT") : 0;
    int refused = 0;
    for (std::size_t at = 0; at < valid_.size(); ++at) {
        for (const unsigned char mask : {0x01, 0x80, 0xff}) {
            std::string bytes = valid_;
            bytes[at] = static_cast<char>(bytes[at] ^ mask);
            const bool opened = Try(bytes);
            ASSERT_FALSE(opened && at < sealedEnd) << "byte " << at;
            refused += opened ? 0 : 1;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_P(CorruptionTest, RandomDamageIsReadSafelyOrRefused) {
    std::mt19937 generator(1234);
    for (int round = 0; round < 1500; ++round) {
        std::string bytes = valid_;
        const int hits = 1 + static_cast<int>(generator() % 6);
        for (int i = 0; i < hits; ++i) {
            bytes[generator() % bytes.size()] = static_cast<char>(generator());
        }
        if (round % 3 == 0) {
            bytes.insert(generator() % bytes.size(), std::string(1 + generator() % 20, static_cast<char>(generator())));
        }
        Try(bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, CorruptionTest,
                         ::testing::Values(WyxForm::kBinary, WyxForm::kAscii, WyxForm::kEncrypted),
                         [](const ::testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

// The bytes of a binary file whose one field "A" holds the values `write` gives; empty when
// it cannot be written.
std::string BinaryFieldA(const std::function<void(RWyxFile&)>& write) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("hostile.wyx");
    RWyxFile file;
    if (!CreateInForm(file, path, WyxForm::kBinary)) return std::string();
    file.FieldWriteBegin("A");
    write(file);
    file.FieldWriteEnd();
    return file.Close() ? ScratchFolder::ReadFile(path) : std::string();
}

// The little-endian value written over the four bytes at `at`.
void Overwrite32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

// Hand-made hostile headers: lengths and counts that point outside what encloses them.
TEST(RWyxFileHostileTest, RecordHeadersBeyondTheirBoundsAreRefused) {
    const std::string valid = BinaryFieldA([](RWyxFile& file) {
        file.FieldWriteInt(1);
        file.FieldWriteInt(2);
    });
    ASSERT_FALSE(valid.empty());
    RWyxFile file;
    const std::size_t record = 16 + 88;  // the first record follows the file and section headers
    struct Patch {
        std::size_t at;
        std::uint32_t value;
    };
    const Patch patches[] = {
        {record, 0xffffffffu},      // record length past the section
        {record, 12},               // shorter than its own header
        {record + 4, 6},            // more values than their bytes can hold
        {record + 8, 0xfffffff0u},  // value bytes past the record
        {16 + 80, 0xffffffffu},     // section body past the footer
        {16 + 4, 1},                // the first section is not the main one
    };
    for (const Patch& patch : patches) {
        std::string bytes = valid;
        Overwrite32(bytes, patch.at, patch.value);
        EXPECT_FALSE(file.OpenFromMemory(bytes.data(), bytes.size())) << patch.at;
        EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    }
    // Value counts that fit the bytes but not the values are found when reading: more
    // values than there are, fewer (the last one read must end where the values end).
    for (const std::uint32_t count : {3u, 1u}) {
        std::string bytes = valid;
        bytes[record + 4] = static_cast<char>(count);
        RWyxFile file;
        ASSERT_TRUE(file.OpenFromMemory(bytes.data(), bytes.size()));
        ASSERT_TRUE(file.FieldReadBegin("A"));
        for (std::int32_t expected = 1; expected < static_cast<std::int32_t>(count); ++expected) {
            EXPECT_EQ(expected, file.FieldReadInt());
            EXPECT_EQ(-1, file.GetLastErrorID());
        }
        EXPECT_EQ(0, file.FieldReadInt()) << count;
        EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID()) << count;
        EXPECT_EQ(0, file.FieldReadValuesLeft());
        EXPECT_FALSE(file.Close());
    }
    // No values in value bytes, or values in none: refused at once.
    for (const std::size_t at : {record + 4, record + 8}) {
        std::string bytes = valid;
        bytes[at] = 0;
        EXPECT_FALSE(file.OpenFromMemory(bytes.data(), bytes.size())) << at;
    }
}

// Texts are read in place: one whose length runs past its record, or that is not the last
// value yet ends where the values end, is refused as the other values are.
TEST(RWyxFileHostileTest, TextsBeyondTheirRecordAreRefused) {
    const std::string valid = BinaryFieldA([](RWyxFile& file) {
        file.FieldWriteString("ab");
        file.FieldWriteString("cd");
    });
    ASSERT_FALSE(valid.empty());
    const std::size_t record = 16 + 88;
    const std::size_t firstLength = record + 13 + 1 + 1;  // header, name "A", type letter
    struct Patch {
        std::size_t at;
        std::uint32_t value;
        const char* firstText;  // what the first read gives
    };
    const Patch patches[] = {
        {firstLength, 2, "ab"},    // as written
        {firstLength, 100, ""},    // the first text runs past the record
        {record + 4, 1, ""},       // one value said, two there: the first must end the values
    };
    for (const Patch& patch : patches) {
        std::string bytes = valid;
        Overwrite32(bytes, patch.at, patch.value);
        RWyxFile file;
        ASSERT_TRUE(file.OpenFromMemory(bytes.data(), bytes.size())) << patch.at << " " << patch.value;
        ASSERT_TRUE(file.FieldReadBegin("A"));
        EXPECT_EQ(patch.firstText, file.FieldReadStringView()) << patch.value;
        const bool sound = std::string(patch.firstText) == "ab";
        EXPECT_EQ(sound ? -1 : RWyxFile::kErrorCorrupted, file.GetLastErrorID()) << patch.value;
        EXPECT_EQ(sound ? "cd" : "", std::string(file.FieldReadString().Buffer())) << patch.value;
        EXPECT_EQ(0, file.FieldReadValuesLeft());
    }
}

// Runs of texts or doubles are taken whole or not at all: a value of another kind, one that
// runs past the record, a run longer than the values left, or a last value that does not end
// the record's values leaves the cursor where it was, so that the general reads that follow
// see and judge every value as before. A field's first text is looked at in place the same way.
TEST(RWyxFileHostileTest, RunsOfValuesAreTakenWholeOrNotAtAll) {
    const std::string valid = BinaryFieldA([](RWyxFile& file) {
        file.FieldWriteString("ab");
        file.FieldWriteString("cd");
        file.FieldWriteDouble(1.5);
        file.FieldWriteDouble(-2.0);
    });
    ASSERT_FALSE(valid.empty());
    const std::size_t record = 16 + 88;
    const std::size_t firstLength = record + 13 + 1 + 1;
    RWyxFile file;
    ASSERT_TRUE(file.OpenFromMemory(valid.data(), valid.size()));
    std::string_view peeked;
    ASSERT_TRUE(file.FieldPeekFirstText(0, peeked));
    EXPECT_EQ(peeked, "ab");
    EXPECT_FALSE(file.FieldPeekFirstText(1, peeked));
    EXPECT_EQ(file.FieldReadValuesLeft(), 0);  // looked at, not made current
    ASSERT_TRUE(file.FieldReadBegin("A"));
    std::string_view texts[4];
    double numbers[4] = {};
    EXPECT_FALSE(file.FieldReadBinaryTexts(texts, 3));    // the third is a double
    EXPECT_FALSE(file.FieldReadBinaryDoubles(numbers, 1));  // a text comes first
    EXPECT_FALSE(file.FieldReadBinaryTexts(texts, 0));
    EXPECT_EQ(file.FieldReadValuesLeft(), 4);
    ASSERT_TRUE(file.FieldReadBinaryTexts(texts, 2));
    EXPECT_EQ(texts[0], "ab");
    EXPECT_EQ(texts[1], "cd");
    EXPECT_FALSE(file.FieldReadBinaryDoubles(numbers, 3));  // two are left
    ASSERT_TRUE(file.FieldReadBinaryDoubles(numbers, 2));
    EXPECT_EQ(numbers[0], 1.5);
    EXPECT_EQ(numbers[1], -2.0);
    EXPECT_EQ(file.FieldReadValuesLeft(), 0);
    EXPECT_FALSE(file.FieldReadBinaryDoubles(numbers, 1));
    EXPECT_EQ(file.GetLastErrorID(), -1);

    // The first text past its record; then two values said where four are: the second text
    // must end the values.
    for (const auto& [at, value] : {std::pair<std::size_t, std::uint32_t>{firstLength, 100}, {record + 4, 2}}) {
        std::string bytes = valid;
        Overwrite32(bytes, at, value);
        RWyxFile damaged;
        ASSERT_TRUE(damaged.OpenFromMemory(bytes.data(), bytes.size())) << at;
        EXPECT_EQ(damaged.FieldPeekFirstText(0, peeked), at != firstLength) << at;
        bool matched = at == firstLength;
        EXPECT_EQ(damaged.FieldFindFirstText("A", "ab", 0, matched), 0) << at;
        EXPECT_EQ(matched, at != firstLength) << at;
        ASSERT_TRUE(damaged.FieldReadBegin("A"));
        EXPECT_FALSE(damaged.FieldReadBinaryTexts(texts, 2)) << at;
        EXPECT_EQ(damaged.GetLastErrorID(), -1);
        EXPECT_EQ(damaged.FieldReadValuesLeft(), static_cast<int>(at == firstLength ? 4 : value));
        // The general read judges the value as before.
        EXPECT_EQ(std::string(damaged.FieldReadString().Buffer()), at == firstLength ? "" : "ab") << at;
        EXPECT_EQ(std::string(damaged.FieldReadString().Buffer()), "") << at;
        EXPECT_EQ(damaged.GetLastErrorID(), RWyxFile::kErrorCorrupted) << at;
    }

    // The ASCII form has no values in place.
    ScratchFolder scratch;
    const std::string path = scratch.Join("ascii.wyx");
    RWyxFile ascii;
    ASSERT_TRUE(CreateInForm(ascii, path, WyxForm::kAscii));
    ascii.FieldWriteBegin("A");
    ascii.FieldWriteString("ab");
    ascii.FieldWriteDouble(1.5);
    ascii.FieldWriteEnd();
    ASSERT_TRUE(ascii.Close());
    ASSERT_TRUE(ascii.Open(path.c_str()));
    EXPECT_FALSE(ascii.FieldPeekFirstText(0, peeked));
    ASSERT_TRUE(ascii.FieldReadBegin("A"));
    EXPECT_FALSE(ascii.FieldReadBinaryTexts(texts, 1));
    EXPECT_EQ(std::string(ascii.FieldReadString().Buffer()), "ab");
    EXPECT_FALSE(ascii.FieldReadBinaryDoubles(numbers, 1));
    EXPECT_EQ(ascii.FieldReadDouble(), 1.5);
}

// A level is searched for a field's first text in one pass: fields of another name, texts that
// only begin the wanted one or begin with it are passed; a first value that is no sound binary
// text (a number, any ASCII value) stops the search unmatched, for the caller to read.
TEST(RWyxFileHostileTest, AFieldsFirstTextIsFoundInPlaceOrLeftToTheGeneralRead) {
    ScratchFolder scratch;
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
        const std::string path = scratch.Join(form == WyxForm::kAscii ? "ascii.wyx" : "binary.wyx");
        RWyxFile written;
        ASSERT_TRUE(CreateInForm(written, path, form));
        const auto field = [&written](const char* name, const std::function<void()>& values) {
            written.FieldWriteBegin(name);
            values();
            written.FieldWriteEnd();
        };
        field("P", [&] { written.FieldWriteString("Sizes"); });
        field("C", [&] { written.FieldWriteString("Size"); });
        field("P", [&] { written.FieldWriteString("Siz"); });
        field("P", [&] { written.FieldWriteDouble(1.5); });
        field("P", [&] { written.FieldWriteString(RString("Size\0tail", 9)); });
        field("P", [&] { written.FieldWriteString("Size"); });
        ASSERT_TRUE(written.Close());
        RWyxFile file;
        ASSERT_TRUE(file.Open(path.c_str()));
        bool matched = true;
        if (form == WyxForm::kAscii) {
            EXPECT_EQ(file.FieldFindFirstText("P", "Size", 0, matched), 0);
            EXPECT_FALSE(matched);
            EXPECT_EQ(file.FieldFindFirstText("P", "Size", 1, matched), 2);
            continue;
        }
        EXPECT_EQ(file.FieldFindFirstText("P", "Size", 0, matched), 3);
        EXPECT_FALSE(matched);
        EXPECT_EQ(file.FieldFindFirstText("P", "Size", 4, matched), 4);
        EXPECT_TRUE(matched);
        EXPECT_EQ(file.FieldFindFirstText("P", "Size", 5, matched), 5);
        EXPECT_TRUE(matched);
        EXPECT_EQ(file.FieldFindFirstText("P", "Size", 6, matched), -1);
        EXPECT_FALSE(matched);
        EXPECT_EQ(file.FieldFindFirstText("C", "Siz", -4, matched), -1);
        EXPECT_EQ(file.FieldReadValuesLeft(), 0);  // nothing made current
    }
}

// The backward search stops at the same fields as the forward one, the last first, and never
// looks at or past the index it is given.
TEST(RWyxFileHostileTest, AFieldsFirstTextIsFoundFromTheEnd) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("binary.wyx");
    RWyxFile written;
    ASSERT_TRUE(CreateInForm(written, path, WyxForm::kBinary));
    const auto field = [&written](const char* name, const std::function<void()>& values) {
        written.FieldWriteBegin(name);
        values();
        written.FieldWriteEnd();
    };
    field("P", [&] { written.FieldWriteString("Size"); });
    field("P", [&] { written.FieldWriteDouble(1.5); });
    field("P", [&] { written.FieldWriteString(RString("Size\0tail", 9)); });
    field("C", [&] { written.FieldWriteString("Size"); });
    field("P", [&] { written.FieldWriteString("Sizes"); });
    ASSERT_TRUE(written.Close());
    RWyxFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    struct Search {
        const char* name;
        const char* text;
        int before;
        int found;
        bool matched;
    };
    const Search searches[] = {{"P", "Size", 99, 2, true}, {"P", "Size", 2, 1, false}, {"P", "Size", 1, 0, true},
                               {"P", "Size", 0, -1, false}, {"C", "Size", 3, -1, false}, {"C", "Size", 4, 3, true},
                               {"P", "Sizes", -2, -1, false}};
    for (const Search& search : searches) {
        bool matched = !search.matched;
        EXPECT_EQ(file.FieldFindLastText(search.name, search.text, search.before, matched), search.found)
            << search.name << " " << search.before;
        EXPECT_EQ(matched, search.matched) << search.name << " " << search.before;
    }
    EXPECT_EQ(file.FieldReadValuesLeft(), 0);  // nothing made current
}

// Text after the ASCII form's last line, and hostile shapes of both forms: the index of a
// file takes a small multiple of its size, whatever its records look like.
TEST(RWyxFileHostileTest, TheIndexStaysASmallMultipleOfTheFile) {
    RWyxFile file;
    const std::string trailing = ";WYX ASCII 6000\nA: 1\n;WYX END\nB: 2\n";
    EXPECT_FALSE(file.OpenFromMemory(trailing.data(), trailing.size()));
    EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());

    auto repeat = [](const std::string& piece, int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += piece;
        return text;
    };
    constexpr int kCount = 100000;
    const std::string ascii[] = {
        repeat("A:\n", kCount),
        "A: {\n" + repeat("B:\n", kCount) + "}\n",
        repeat("A: {\n", 998) + repeat("}\n", 998) + repeat("A: {\n}\n", kCount / 2),
        repeat("#A:\n", kCount),
    };
    for (const std::string& body : ascii) {
        const std::string text = ";WYX ASCII 6000\n" + body + ";WYX END\n";
        const std::uint64_t before = CountedSystemCalls().allocatedBytes;
        ASSERT_TRUE(file.OpenFromMemory(text.data(), text.size())) << body.substr(0, 20);
        EXPECT_LE(CountedSystemCalls().allocatedBytes - before, 12 * text.size()) << body.substr(0, 20);
    }
    RWyxFile writer;
    ScratchFolder scratch;
    ASSERT_TRUE(CreateInForm(writer, scratch.Join("tiny.wyx"), WyxForm::kBinary));
    for (int i = 0; i < kCount; ++i) {
        writer.FieldWriteBegin("A");
        writer.FieldWriteEnd();
    }
    ASSERT_TRUE(writer.Close());
    const std::string binary = ScratchFolder::ReadFile(scratch.Join("tiny.wyx"));
    const std::uint64_t before = CountedSystemCalls().allocatedBytes;
    ASSERT_TRUE(file.OpenFromMemory(binary.data(), binary.size()));
    EXPECT_LE(CountedSystemCalls().allocatedBytes - before, 4 * binary.size());
}

void AppendU32(std::string& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
}

void AppendU64(std::string& bytes, std::uint64_t value) {
    AppendU32(bytes, static_cast<std::uint32_t>(value));
    AppendU32(bytes, static_cast<std::uint32_t>(value >> 32));
}

// A binary file (version 6000, no encryption) of the given section bodies; the footer claims
// `claimed` sections (their number when negative).
std::string BinaryFile(const std::vector<std::string>& bodies, int claimed = -1) {
    std::string file("\x89WYX\r\n\x1a\n", 8);
    AppendU32(file, 6000);
    AppendU32(file, 0);
    for (std::size_t kind = 0; kind < bodies.size(); ++kind) {
        file += "SECT";
        AppendU32(file, static_cast<std::uint32_t>(kind));
        AppendU32(file, 6000);
        file.append(88 - 12 - 8, '\0');  // flags to the check value: unused
        AppendU64(file, bodies[kind].size());
        file += bodies[kind];
    }
    AppendU32(file, static_cast<std::uint32_t>(claimed < 0 ? bodies.size() : static_cast<std::size_t>(claimed)));
    AppendU32(file, 0);
    AppendU64(file, file.size() - 8);
    file += "\nWYXEND\n";
    return file;
}

// Records "N" nested `blocks` deep, each holding the next in its block, the last one's block
// empty; a section body.
std::string NestedRecords(int blocks) {
    std::string body;
    for (int i = 0; i < blocks; ++i) {
        AppendU32(body, static_cast<std::uint32_t>(27 * (blocks - i)));  // header, name, null records
        AppendU32(body, 0);
        AppendU32(body, 0);
        body += '\x01';
        body += 'N';
    }
    body.append(13 * static_cast<std::size_t>(blocks + 1), '\0');
    return body;
}

std::string NestedAscii(int blocks) {
    std::string text = ";WYX ASCII 6000\n";
    for (int i = 0; i < blocks; ++i) text += std::string(static_cast<std::size_t>(i), '\t') + "N: {\n";
    for (int i = blocks - 1; i >= 0; --i) text += std::string(static_cast<std::size_t>(i), '\t') + "}\n";
    return text + ";WYX END\n";
}

// Blocks nest as deep as the writer may write them, and not one level deeper, in both forms.
TEST(RWyxFileHostileTest, BlocksNestedPastTheLimitAreRefused) {
    constexpr int kDeepest = RWyxRecordIndex::kMaxDepth - 1;  // blocks; records lie one level deeper
    for (const bool binary : {true, false}) {
        SCOPED_TRACE(binary ? "binary" : "ascii");
        for (const int blocks : {kDeepest, kDeepest + 1}) {
            const std::string bytes = binary ? BinaryFile({NestedRecords(blocks)}) : NestedAscii(blocks);
            RWyxFile file;
            if (blocks > kDeepest) {
                EXPECT_FALSE(file.OpenFromMemory(bytes.data(), bytes.size()));
                EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
                continue;
            }
            ASSERT_TRUE(file.OpenFromMemory(bytes.data(), bytes.size())) << file.GetLastErrorString();
            int entered = 0;
            while (file.FieldReadBegin("N") && file.FieldReadBlockBegin()) ++entered;
            EXPECT_EQ(entered, blocks);
        }
    }
}

// Sections as the footer counts them: more than the file holds (the last would lie in the
// footer), more than the format has (a third one, well formed), as many as there are.
TEST(RWyxFileHostileTest, FootersClaimingOtherSectionsAreRefused) {
    const std::string body = NestedRecords(1);
    const struct {
        const char* label;
        std::string file;
        bool opens;
    } cases[] = {
        {"one section", BinaryFile({body}), true},
        {"two sections", BinaryFile({body, body}), true},
        {"two claimed, one there", BinaryFile({body}, 2), false},
        {"three claimed, two there", BinaryFile({body, body}, 3), false},
        {"three there", BinaryFile({body, body, body}), false},
        {"one claimed, two there", BinaryFile({body, body}, 1), false},
        {"none claimed", BinaryFile({body}, 0), false},
    };
    for (const auto& c : cases) {
        RWyxFile file;
        EXPECT_EQ(c.opens, file.OpenFromMemory(c.file.data(), c.file.size())) << c.label;
        EXPECT_EQ(c.opens ? -1 : RWyxFile::kErrorCorrupted, file.GetLastErrorID()) << c.label;
    }
}

}  // namespace
