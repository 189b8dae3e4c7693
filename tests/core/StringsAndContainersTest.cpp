#include "core/RDynamicArray.h"
#include "core/REventHandlerList.h"
#include "core/RIntMap.h"
#include "core/RNamePair.h"
#include "core/RNamedEventSubscription.h"
#include "core/ROwnedObjectSlots.h"
#include "core/RPoolAllocator.h"
#include "core/RSparseArray.h"
#include "core/RString.h"
#include "core/RStringMap.h"
#include "core/RUniqueNameList.h"
#include "core/RWyxStringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

bool IsInline(const RString& s) {
    const char* begin = reinterpret_cast<const char*>(&s);
    return s.Buffer() >= begin && s.Buffer() < begin + sizeof(RString);
}

RString Invalid() { return RString(static_cast<const char*>(nullptr)); }

RString Repeated(char c, int count) { return RString(std::string(static_cast<size_t>(count), c).c_str()); }

using Texts = std::pair<RString, const char*>;
using Numbers = std::pair<int, int>;

void ExpectTexts(std::initializer_list<Texts> cases) {
    for (const auto& [got, expected] : cases) EXPECT_EQ(std::string(got.Buffer()), expected);
}

void ExpectNumbers(std::initializer_list<Numbers> cases) {
    int row = 0;
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected) << "row " << row++;
}

using Ints = std::vector<int>;
using Bools = std::vector<bool>;

Ints Contents(const RDynamicArray& array) { return Ints(array.DataAs<int>(), array.DataAs<int>() + array.GetCount()); }

void AppendInts(RDynamicArray& array, std::initializer_list<int> values) {
    for (int value : values) array.Append(&value);
}

RString Joined(const RWyxStringList& list) {
    RString text;
    list.GetText(text);
    return text;
}

// Records its releases; the table is expected to have emptied the slot first.
class Probe : public RReleasableObject {
public:
    Probe(Ints& log, int id, const ROwnedObjectSlots* table = nullptr, int slot = -1)
        : log_(log), id_(id), table_(table), slot_(slot) {}
    void Release(int mode) override {
        log_.push_back(id_ * 10 + mode);
        EXPECT_TRUE(table_ == nullptr || table_->Get(slot_) == nullptr) << "released before the slot was emptied";
    }
private:
    Ints& log_;
    int id_;
    const ROwnedObjectSlots* table_;
    int slot_;
};

// Malloc-backed hooks that count their calls and can be told to fail.
class CountingHooks : public RAllocatorHooks {
public:
    void* Allocate(std::size_t size) override {
        if (failing) return nullptr;
        ++allocations;
        return std::malloc(size);
    }
    void* Reallocate(void* block, std::size_t size) override { return failing ? nullptr : std::realloc(block, size); }
    void Free(void* block) override {
        ++frees;
        std::free(block);
    }
    int allocations = 0;
    int frees = 0;
    bool failing = false;
};

using Sizes = std::vector<std::size_t>;

// Allocations and frees the hooks saw, and the blocks the pool counts.
Sizes Counts(const CountingHooks& hooks, const RPoolAllocator& pool) {
    return {std::size_t(hooks.allocations), std::size_t(hooks.frees), pool.GetBlockCount()};
}

bool IsAligned(const void* pointer, std::uintptr_t alignment) {
    return reinterpret_cast<std::uintptr_t>(pointer) % alignment == 0;
}

RSparseArray SetOf(std::initializer_list<int> integers) {
    RSparseArray set;
    for (int n : integers) EXPECT_TRUE(set.SetBit(n)) << n;
    return set;
}

using Log = std::vector<int>;

// A handler target: records its id when called and then runs an optional action.
struct Target {
    Log* log;
    int id;
    std::function<void(REventRecord&)> action;
};

void Handle(void* object, int eventType, REventRecord& record, void* userData) {
    auto* target = static_cast<Target*>(object);
    target->log->push_back(target->id);
    EXPECT_EQ(eventType, 77);
    EXPECT_EQ(userData, target);
    if (target->action) target->action(record);
}

void Other(void*, int, REventRecord&, void*) {}

void AddTargets(REventHandlerList& list, std::initializer_list<Target*> targets) {
    for (Target* target : targets) ASSERT_EQ(list.Add(target, Handle, target), 0);
}

void Dispatch(REventHandlerList& list) {
    REventRecord record;
    EXPECT_EQ(list.Dispatch(77, record), 0);
}

}  // namespace

TEST(RString, InvalidStateSpreadsThroughCopiesAssignmentsAndConcatenation) {
    const RString invalid = Invalid();
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_STREQ(invalid.Buffer(), "");
    EXPECT_TRUE(invalid.IsEmptyText());
    RString assigned("text");
    assigned = invalid;
    const RString made[] = {RString(invalid), assigned, RString("a") + invalid, invalid + "a",
                            RString("a") + static_cast<const char*>(nullptr), invalid + 'x', invalid + 7,
                            RString(nullptr, 3), RString("abc", -1), RString('x', -1), invalid.Trimmed(2),
                            invalid.ToUpperCase()};
    for (const RString& each : made) EXPECT_FALSE(each.IsValid()) << &each - made;
    RString appended("abc");
    appended += static_cast<const char*>(nullptr);
    EXPECT_FALSE(appended.IsValid());
    appended += "more";  // appending to an invalid string leaves it invalid and unchanged
    EXPECT_FALSE(appended.IsValid());
    EXPECT_EQ(appended.GetLength(), 0);
    EXPECT_TRUE(invalid == Invalid());  // two invalid strings compare their (empty) texts
    assigned = "back";                  // reassigning a valid text makes it valid again
    EXPECT_TRUE(assigned.IsValid());
    EXPECT_EQ(assigned, "back");
}

TEST(RString, ShortTextsStayInlineLongTextsGoToTheHeapAndKeepEveryAppend) {
    const RString at62 = Repeated('a', 62);
    const RString at63 = Repeated('a', 63);
    EXPECT_TRUE(IsInline(at62));
    EXPECT_FALSE(IsInline(at63));
    EXPECT_EQ(at63.GetLength(), 63);
    RString grown(at62);  // outgrowing the inline buffer moves to the heap and keeps the text
    grown += 'b';
    EXPECT_FALSE(IsInline(grown));
    EXPECT_EQ(grown.GetLength(), 63);
    EXPECT_EQ(grown.Buffer()[62], 'b');
    RString moved(std::move(grown));  // moving a heap string hands over its block
    EXPECT_EQ(moved.GetLength(), 63);
    EXPECT_TRUE(grown.IsEmptyText());
    RString many;
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        (many += i) += ',';
        expected += std::to_string(i) + ",";
    }
    EXPECT_EQ(std::string(many.Buffer()), expected);
    EXPECT_EQ(many.GetLength(), static_cast<int>(expected.size()));
}

TEST(RString, ConstructionAndNumberTexts) {
    RString assigned;
    assigned = 'q';
    EXPECT_EQ(assigned, "q");
    ExpectTexts({{RString(42), "42"}, {RString(INT_MIN), "-2147483648"}, {RString(1.5), "1.500000"},
                 {RString(1.25f), "1.250000"}, {RString(-0.5), "-0.500000"}, {RString('z', 3), "zzz"},
                 {RString(assigned.AssignInt(-12)), "-12"}, {assigned.AssignDouble(2.0) + 5, "2.0000005"}});
    EXPECT_TRUE(RString('z', 0).IsEmptyText() && RString('z', 0).IsValid());
    // The largest double in "%f" is more than 300 characters and must fit.
    EXPECT_EQ(RString(DBL_MAX).GetLength(), 309 + 7);
    EXPECT_EQ(RString(-DBL_MAX).GetLength(), 309 + 8);
    const RString withZero("a\0b", 3);  // zero bytes inside a counted construction are kept
    EXPECT_EQ(withZero.GetLength(), 3);
    EXPECT_EQ(withZero.Buffer()[2], 'b');
}

TEST(RString, SelfAssignmentSelfAppendAndIndexingPastTheEnd) {
    RString s("abc");
    s += s;
    EXPECT_EQ(s, "abcabc");
    const RString& alias = s;
    s = alias;
    EXPECT_EQ(s, "abcabc");
    RString longText = Repeated('x', 100);
    longText += longText;
    EXPECT_EQ(longText.GetLength(), 200);
    longText = longText.Substring(150, 10);
    EXPECT_EQ(longText, "xxxxxxxxxx");
    RString ab("ab");
    char& past = ab[2];
    EXPECT_EQ(past, '\0');
    EXPECT_NE(&past, ab.Buffer() + 2);  // not the string's own terminator
    past = 'x';                         // lands harmlessly
    EXPECT_EQ(ab, "ab");
    EXPECT_EQ(ab[100], '\0');
    ab[0] = 'c';
    EXPECT_EQ(ab, "cb");
}

TEST(RString, SearchesAndComparisons) {
    const RString s("hello, world");
    ExpectNumbers({{s.FindChar('o'), 4}, {s.FindChar('o', 5), 8}, {s.FindChar('o', 100), -1},
                   {s.FindChar('\0'), s.GetLength()}, {s.FindChar('q'), -1}, {s.FindLastChar('o'), 8},
                   {s.FindLastChar('h'), 0}, {s.FindLastChar('q'), -1}, {s.FindAnyChar(",w"), 5},
                   {s.FindAnyChar(",w", 6), 7}, {s.FindAnyChar(nullptr), -1}, {s.FindText("world"), 7},
                   {s.FindText("o", 5), 8}, {s.FindText("xyz"), -1}, {s.FindText(nullptr), 0},
                   {s.FindText("", 3), 3}});
    const RString abc("abc");
    ExpectNumbers({{abc.CompareText("abc"), 0}, {abc.CompareText("abd"), -1}, {abc.CompareText("ab"), 1},
                   {abc.CompareText(nullptr), 1}, {RString().CompareText(nullptr), 0},
                   {RString("\xE9").CompareText("z"), 1},  // bytes compare unsigned: 0xE9 sorts after 'z'
                   {abc.CompareIgnoringCase("ABC"), 0}, {abc.CompareIgnoringCase("ABD"), -1}});
    // Letters compare in upper case, other bytes as they are, unsigned; null is the empty text.
    ExpectNumbers({{RString::CompareIgnoringCase("aBc", "AbC"), 0}, {RString::CompareIgnoringCase("b", "A"), 1},
                   {RString::CompareIgnoringCase("_", "a"), 1}, {RString::CompareIgnoringCase("ab", "AB C"), -1},
                   {RString::CompareIgnoringCase("\xE9", "Z"), 1}, {RString::CompareIgnoringCase(nullptr, ""), 0},
                   {RString::CompareIgnoringCase("x", nullptr), 1}, {abc.CompareIgnoringCase(nullptr), 1}});
    EXPECT_EQ((Bools{abc == "abc", abc != "ABC", abc < RString("abd"), abc < "abc"}), (Bools{true, true, true, false}));
}

TEST(RString, ReplaceFirstWithinTheWorkBufferLimits) {
    RString s("a b c");
    while (s.ReplaceFirst(" ", "_")) {
    }
    EXPECT_EQ(s, "a_b_c");
    RString t("one two one");
    EXPECT_TRUE(t.ReplaceFirst("one", "three", 1));
    EXPECT_EQ(t, "one two three");
    // A pattern that is absent or empty never matches, so loops until false end.
    for (const char* pattern : {"four", "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(t.ReplaceFirst(pattern, "x"));
    }
    EXPECT_FALSE(t.ReplaceFirst("one", nullptr));
    EXPECT_EQ(t, "one two three");
    // An occurrence at index 4096 is out of reach; at 4095 it is replaced, as long as the
    // result fits 4095 bytes.
    RString far(RString(Repeated('a', 4096)) + "b");
    EXPECT_FALSE(far.ReplaceFirst("b", "c"));
    EXPECT_EQ(far.Buffer()[4096], 'b');
    RString edge(Repeated('a', 4095) + "b");
    EXPECT_FALSE(edge.ReplaceFirst("b", "cc"));  // 4097 bytes would not fit
    EXPECT_EQ(edge.GetLength(), 4096);
    RString fits(Repeated('a', 4094) + "b");
    EXPECT_TRUE(fits.ReplaceFirst("b", "c"));
    EXPECT_EQ(fits.Buffer()[4094], 'c');
    EXPECT_FALSE(fits.ReplaceFirst("c", "cc"));
    EXPECT_EQ(fits.GetLength(), 4095);
}

TEST(RString, Tokens) {
    const RString s(",,a,,b,");
    const RString words("  alpha\tbeta  gamma ");
    ExpectNumbers({{s.CountTokens(","), 2}, {words.CountTokens(" \t"), 3}, {s.CountTokens(nullptr), 1},
                   {RString().CountTokens(","), 0}, {Invalid().CountTokens(","), 0}});
    ExpectTexts({{s.TokenAt(0, ","), "a"}, {s.TokenAt(1, ","), "b"}, {s.TokenAt(2, ","), ""},
                 {s.TokenAt(-1, ","), ""}, {words.TokenAt(2, " \t"), "gamma"},
                 {s.TokenAt(0, nullptr), ",,a,,b,"}});  // a null delimiter set makes one token
}

TEST(RString, RangeCopiesTrimmingAndClearing) {
    const RString s("abcdef");
    const RString padded("  a  ");
    ExpectTexts({{s.Substring(1, 3), "bcd"}, {s.Substring(4, 100), "ef"}, {s.Substring(2, INT_MAX), "cdef"},
                 {s.SubstringFrom(4), "ef"}, {s.FirstChars(2), "ab"}, {s.FirstChars(10), "abcdef"},
                 {s.LastChars(2), "ef"}, {s.LastChars(10), "abcdef"}, {RString("MiXed").ToUpperCase(), "MIXED"},
                 {RString("MiXed").ToLowerCase(), "mixed"}, {s.Reversed(), "fedcba"}, {padded.Trimmed(0), "  a"},
                 {padded.Trimmed(1), "a  "}, {padded.Trimmed(2), "a"}, {padded.Trimmed(7), "a"},
                 {RString(" \t\r\n").Trimmed(2), ""},
                 {RString("a\nb\r\tc\x01\x1f\x7f \xc3\xa9~").ControlCharsReplaced('_'), "a_b__c___ \xc3\xa9~"},
                 {RString("a\0b", 3).ControlCharsReplaced('.'), "a.b"},
                 {RString(" a b\t").ControlCharsReplaced('_', true), "_a_b_"},
                 // A backslash is doubled: the two characters \ and n do not read as a line break.
                 {RString("a\nb\r\tc\x01\x1f\x7f \\n\xc3\xa9\\").ControlCharsEscaped(),
                  "a\\nb\\r\\tc\\x01\\x1f\\x7f \\\\n\xc3\xa9\\\\"},
                 {RString("a\0b", 3).ControlCharsEscaped(), "a\\x00b"}});
    EXPECT_TRUE(s.Substring(6, 5).IsValid());
    EXPECT_TRUE(s.Substring(6, 5).IsEmptyText());
    for (const RString& refused : {s.Substring(7, 5), s.Substring(1, -1), s.Substring(-1, 2), s.SubstringFrom(7),
                                   s.LastChars(-1)}) {
        EXPECT_FALSE(refused.IsValid());
    }
    RString cleared = Repeated('x', 80);
    cleared.Clear();
    EXPECT_TRUE(cleared.IsValid() && cleared.IsEmptyText());
    EXPECT_TRUE(EmptyString().IsValid() && EmptyString().IsEmptyText());
    EXPECT_EQ((Bools{CharInSet('a', "abc"), CharInSet('\0', "abc"), CharInSet('a', nullptr)}),
              (Bools{true, false, false}));
}

TEST(RString, CopiesAreIndependentAndKeepEveryByte) {
    const std::string longBytes = std::string(50, 'x') + '\0' + std::string(49, 'y');
    for (const RString& original : {RString("a\0b", 3), RString(longBytes.data(), 100)}) {
        RString copied(original);
        RString assigned("old");
        assigned = original;
        RString overHeap = Repeated('h', 80);  // a copy into a string that holds a heap block
        overHeap = original;
        for (RString* copy : {&copied, &assigned, &overHeap}) {
            EXPECT_EQ(copy->GetLength(), original.GetLength());
            EXPECT_EQ(std::memcmp(copy->Buffer(), original.Buffer(), static_cast<size_t>(original.GetLength()) + 1), 0);
            (*copy)[0] = 'Q';  // a write to a copy leaves the original as it was
            EXPECT_EQ(original.Buffer()[0], original.GetLength() == 3 ? 'a' : 'x');
        }
        EXPECT_EQ(IsInline(copied), original.GetLength() == 3);
    }
    RString heap = Repeated('h', 80);
    heap = Invalid();  // the invalid state replaces a heap text too
    EXPECT_FALSE(heap.IsValid());
    RString inlineText("abcdef");
    inlineText = inlineText.Buffer() + 2;  // texts taken from the string itself
    heap = Repeated('h', 70) + "tail";
    heap = heap.Buffer() + 70;
    EXPECT_EQ((Bools{inlineText == "cdef", heap == "tail", IsInline(heap)}), (Bools{true, true, true}));
    RString appended;  // appending to the empty text stays inline while the text fits
    appended += "ab";
    EXPECT_TRUE(IsInline(appended));
    appended += Repeated('c', 60).Buffer();
    EXPECT_TRUE(IsInline(appended));
    appended += 'd';
    EXPECT_EQ((Ints{IsInline(appended), appended.GetLength(), appended[62]}), (Ints{false, 63, 'd'}));
}

TEST(RString, MovesLeaveTheSourceValidAndEmpty) {
    for (const RString& original : {RString("abc"), Repeated('m', 90), Invalid(), RString()}) {
        RString source(original);
        RString moved(std::move(source));
        RString target = Repeated('t', 70);
        RString second(original);
        target = std::move(second);
        for (const RString* from : {&source, &second}) EXPECT_TRUE(from->IsValid() && from->IsEmptyText());
        source = "reused";  // the moved-to strings do not share the source's buffer
        second = "reused";
        for (const RString* to : {&moved, &target}) {
            EXPECT_EQ(to->IsValid(), original.IsValid());
            EXPECT_EQ(*to, original);
            EXPECT_EQ(to->GetLength(), original.GetLength());
        }
    }
    for (RString kept : {RString("abc"), Repeated('k', 90)}) {
        const RString expected(kept);
        RString& alias = kept;
        kept = std::move(alias);  // moving a string onto itself keeps it
        kept = static_cast<const RString&>(alias);
        EXPECT_EQ(kept, expected);
    }
}

TEST(RString, EqualityTakesNullAsTheEmptyTextAndStopsAtAZeroByte) {
    const char* const null = nullptr;
    const RString abc("abc");
    EXPECT_EQ((Bools{RString() == null, abc == null, abc != null, Invalid() == "", abc != RString("abc"),
                     RString("a\0b", 3) == RString("a\0c", 3), RString("a\0b", 3) == RString("a"),
                     RString("a\0b", 3) == "a", abc == RString("abd")}),
              (Bools{true, false, true, true, false, true, true, true, false}));
}

TEST(RDynamicArray, InsertClampsToCountShiftsTheTailAndRemoveClosesTheGap) {
    RDynamicArray ones(0, sizeof(int));  // block size 0 behaves as 1: one block at a time
    AppendInts(ones, {1, 2, 3});
    EXPECT_EQ((Ints{ones.GetBlockSize(), ones.GetBlockCount(), ones.GetCapacity()}), (Ints{1, 3, 3}));
    RDynamicArray array(4, sizeof(int));
    AppendInts(array, {1, 2, 3});
    const int value = 9;
    EXPECT_EQ((Ints{array.InsertAt(100, &value), array.InsertAt(1, &value)}), (Ints{3, 1}));
    EXPECT_EQ(Contents(array), (Ints{1, 9, 2, 3, 9}));
    EXPECT_EQ(array.GetBlockCount(), 2);
    EXPECT_EQ((Ints{array.InsertAt(-1, &value), array.InsertAt(0, nullptr), array.At<int>(0)}), (Ints{-1, 0, 0}));
    // Out of range nothing is removed; the count left is answered.
    EXPECT_EQ((Ints{array.RemoveAt(6), array.RemoveAt(-1), array.RemoveAt(0), array.RemoveAt(2)}), (Ints{6, 6, 5, 4}));
    EXPECT_EQ(Contents(array), (Ints{1, 9, 3, 9}));
}

TEST(RDynamicArray, InsertingOneOfItsOwnElementsSurvivesGrowthAndShift) {
    RDynamicArray array(1, sizeof(int));
    AppendInts(array, {1, 2, 3});
    // Full array: the insertion reallocates, then shifts the element's own slot.
    EXPECT_EQ(array.InsertAt(0, &array.At<int>(0)), 0);
    EXPECT_EQ(array.InsertAt(1, &array.At<int>(3)), 1);
    EXPECT_EQ(Contents(array), (Ints{1, 3, 1, 2, 3}));
}

TEST(RDynamicArray, GrowingZeroFillsAndShrinkingToZeroKeepsOneBlock) {
    RDynamicArray array(4, sizeof(int));
    AppendInts(array, {7, 7, 7});
    ASSERT_TRUE(array.Resize(1));
    EXPECT_EQ(array.GetBlockCount(), 1);
    ASSERT_TRUE(array.Resize(6));
    EXPECT_EQ(array.GetBlockCount(), 2);
    EXPECT_EQ(Contents(array), (Ints{7, 0, 0, 0, 0, 0}));
    EXPECT_EQ((Ints{array.AppendZeroed(0), array.AppendZeroed(3), array.GetBlockCount(), array.AppendZeroed(-1)}),
              (Ints{0, 3, 3, -1}));
    EXPECT_EQ(Contents(array), (Ints{7, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (int i = 0; i < 9; ++i) array.At<int>(i) = 5;
    ASSERT_TRUE(array.SetCount(2));
    ASSERT_TRUE(array.SetCount(10));  // the slots given up and taken again read as zero
    EXPECT_EQ(Contents(array), (Ints{5, 5, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(array.SetCount(-2));
    EXPECT_FALSE(array.Resize(-2));
    EXPECT_EQ(array.GetCount(), 10);
    ASSERT_TRUE(array.Resize(0));
    EXPECT_EQ((Ints{array.GetCount(), array.GetBlockCount()}), (Ints{0, 1}));
    array.Clear();
    EXPECT_EQ(array.GetBlockCount(), 0);
    EXPECT_EQ(array.Data(), nullptr);
}

TEST(RDynamicArray, CopyPointersTakesTheOtherBlockSizeAndElements) {
    int a = 1;
    int b = 2;
    RDynamicArray source(3, sizeof(void*));
    void* pointers[] = {&a, &b, &b};
    source.Append(&pointers[0]);
    source.Append(&pointers[1]);
    RDynamicArray copy(16, sizeof(void*));
    copy.Append(&pointers[2]);
    ASSERT_TRUE(copy.CopyPointers(source));
    EXPECT_EQ(copy.GetBlockSize(), 3);
    ASSERT_EQ(copy.GetCount(), 2);
    EXPECT_EQ(copy.At<void*>(0), &a);
    EXPECT_EQ(copy.At<void*>(1), &b);
    RDynamicArray ints(4, sizeof(int));
    EXPECT_FALSE(copy.CopyPointers(ints));
    EXPECT_EQ(copy.GetCount(), 2);
}

TEST(RIntMap, PositionsFollowUnsignedKeyOrderAddsAfterLookupsResortAndDuplicatesFindTheFirst) {
    RIntMap map(2);
    std::uintptr_t key = 7;
    EXPECT_EQ(map.ValueAt(0, &key), 0);
    EXPECT_EQ(key, 0u);
    const std::uintptr_t high = UINTPTR_MAX - 1;
    map.Add(high, 1);
    map.Add(0x10, 2);
    EXPECT_EQ(map.Lookup(high), 1);
    map.Add(std::uintptr_t{1} << 40, 3);  // added after a lookup sorted the map
    int index = -2;
    EXPECT_EQ(map.Lookup(0x10, &index), 2);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(map.ValueAt(1, &key), 3);
    EXPECT_EQ(key, std::uintptr_t{1} << 40);
    EXPECT_EQ(map.Lookup(3, &index), 0);
    EXPECT_EQ(index, -1);
    EXPECT_EQ((std::vector<std::intptr_t>{map.ValueAt(2), map.ValueAt(-1), map.ValueAt(3)}),
              (std::vector<std::intptr_t>{1, 0, 0}));
    EXPECT_EQ(map.Add(0x10, 4), 0);
    EXPECT_EQ(map.Add(0x10, 5), 0);
    EXPECT_EQ(map.GetCount(), 5);
    EXPECT_EQ(map.Lookup(0x10), 2);
    map.Clear();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_EQ(map.Lookup(0x10), 0);
}

TEST(RStringMap, KeyOrderAndLookupsFoldCaseUnlessCaseSensitive) {
    RStringMap map(2);
    char key[] = "b";
    EXPECT_EQ(map.Add(key, 1), 1);
    std::strcpy(key, "x");  // the map keeps its own copy
    // '_' lies between 'Z' and 'a'.
    EXPECT_EQ((Ints{map.Add("a_", 2), map.Add("AZ", 3), map.Add("C", 4), map.Add(nullptr, 5)}), (Ints{2, 3, 4, -1}));
    const char* first = nullptr;
    EXPECT_EQ(map.ValueAt(0, &first), 2);  // a_, AZ, b, C
    EXPECT_STREQ(first, "a_");
    using Values = std::vector<std::intptr_t>;
    EXPECT_EQ((Values{map.ValueAt(2), map.Lookup("B"), map.Lookup("c"), map.Lookup(nullptr)}), (Values{1, 1, 4, 0}));
    map.SetCaseSensitive(true);  // AZ, C, a_, b as bytes
    EXPECT_EQ((Values{map.ValueAt(1), map.ValueAt(3), map.Lookup("B"), map.Lookup("b")}), (Values{4, 1, 0, 1}));
}

TEST(RStringMap, RemoveAndValueSlots) {
    RStringMap map(2);
    map.Add("one", 1);
    map.Add("two", 2);
    map.Add("three", 3);
    EXPECT_EQ((Bools{map.Remove("THREE"), map.Remove("three"), map.RemoveAt(2)}), (Bools{true, false, false}));
    EXPECT_EQ(map.GetCount(), 2);
    std::intptr_t* slot = map.ValueSlotAt(1);  // one, two
    ASSERT_NE(slot, nullptr);
    *slot = 22;
    EXPECT_EQ(map.Lookup("two"), 22);
    EXPECT_EQ(map.ValueSlotAt(2), nullptr);
    EXPECT_TRUE(map.RemoveAt(0));
    EXPECT_EQ(map.Lookup("one"), 0);
    map.Clear();
    EXPECT_EQ(map.GetCount(), 0);
}

// Adds between lookups go to their place in key order: after their equal keys (case
// folded), before and after other keys, also after a removal and a change of case rule.
TEST(RStringMap, AddsAfterLookupsKeepKeyOrderAndEqualKeysInAddOrder) {
    RStringMap map(2);
    map.Add("m", 1);
    EXPECT_EQ(map.Lookup("M"), 1);  // sorted from here on
    map.Add("M", 2);
    map.Add("a", 3);
    map.Add("z", 4);
    map.Add("m", 5);
    using Values = std::vector<std::intptr_t>;
    const auto values = [&map] {
        Values all;
        for (int i = 0; i < map.GetCount(); ++i) all.push_back(map.ValueAt(i));
        return all;
    };
    EXPECT_EQ(values(), (Values{3, 1, 2, 5, 4}));
    int index = -1;
    EXPECT_EQ(map.Lookup("m", &index), 1);  // the first added of the namesakes
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(map.Remove("m"));
    map.Add("b", 6);
    EXPECT_EQ(values(), (Values{3, 6, 2, 5, 4}));
    map.SetCaseSensitive(true);  // M, a, b, m, z as bytes
    EXPECT_EQ(values(), (Values{2, 3, 6, 5, 4}));
    map.Add("N", 7);
    map.Add("M", 8);
    EXPECT_EQ(values(), (Values{2, 8, 7, 3, 6, 5, 4}));
    EXPECT_EQ(map.Lookup("M"), 2);
}

// Adds in any order, lookups and removals between them: the map's order is always that of a
// stable sort of everything added (keys ignoring case, namesakes in the order added).
TEST(RStringMap, ManyAddsLookupsAndRemovalsKeepTheOrderOfAStableSort) {
    struct Entry {
        std::string folded;
        std::intptr_t value;
    };
    std::vector<Entry> added;  // in add order
    RStringMap map(8);
    const auto sortedValues = [&added] {
        std::vector<Entry> sorted = added;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.folded < b.folded; });
        std::vector<std::intptr_t> values;
        for (const Entry& entry : sorted) values.push_back(entry.value);
        return values;
    };
    const auto mapValues = [&map] {
        std::vector<std::intptr_t> values;
        for (int i = 0; i < map.GetCount(); ++i) values.push_back(map.ValueAt(i));
        return values;
    };
    std::srand(7);
    for (std::intptr_t step = 1; step <= 3000; ++step) {
        const int pick = std::rand() % 40;
        std::string key = "key" + std::to_string(pick);
        if (std::rand() % 2 == 0) key[0] = 'K';
        std::string folded = "KEY" + std::to_string(pick);
        const int action = std::rand() % 10;
        if (action < 6) {
            ASSERT_GT(map.Add(key.c_str(), step), 0);
            added.push_back({folded, step});
        } else if (action < 8) {
            const auto first = std::find_if(added.begin(), added.end(), [&](const Entry& e) { return e.folded == folded; });
            EXPECT_EQ(map.Lookup(key.c_str()), first != added.end() ? first->value : 0) << step;
        } else if (action < 9) {
            const auto first = std::find_if(added.begin(), added.end(), [&](const Entry& e) { return e.folded == folded; });
            EXPECT_EQ(map.Remove(key.c_str()), first != added.end()) << step;
            if (first != added.end()) added.erase(first);
        } else {
            ASSERT_EQ(mapValues(), sortedValues()) << step;
        }
    }
    EXPECT_EQ(mapValues(), sortedValues());
}

TEST(RWyxStringList, SetTextSplitsAtEveryTildeButDropsAnEmptyLastPiece) {
    RWyxStringList list;
    ASSERT_TRUE(list.SetText("a~~b~"));
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetItem(1)->text, "");
    EXPECT_EQ(list.GetItem(2)->value, 0);
    EXPECT_EQ(Joined(list), "a~~b");
    ASSERT_TRUE(list.SetText("~x"));
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetItem(0)->text, "");
    ASSERT_TRUE(list.SetText(""));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(RWyxStringList, EditsByIndexAndGetTextAppends) {
    RWyxStringList list(2);
    EXPECT_EQ((Ints{list.InsertAt(5, "a", 1), list.InsertAt(5, "c", 3), list.InsertAt(1, "b", 2),
                    list.InsertAt(-1, "z", 0)}),
              (Ints{0, 1, 1, -1}));
    RString text("pre:");
    EXPECT_EQ(list.GetText(text), 3);
    EXPECT_EQ(text, "pre:a~b~c");
    EXPECT_EQ(list.GetItem(1)->value, 2);
    EXPECT_EQ((Bools{list.SetAt(2, "C"), list.SetAt(3, "D"), list.RemoveAt(0), list.RemoveAt(2)}),
              (Bools{true, false, true, false}));
    EXPECT_EQ(Joined(list), "b~C");
    EXPECT_EQ(list.GetItem(2), nullptr);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(RUniqueNameList, NumbersRepeatedNamesCaseSensitivelyWithoutListingMadeNames) {
    RUniqueNameList list;
    RNamePair names[] = {RNamePair("n"), RNamePair("n"), RNamePair("N"), RNamePair("n"), RNamePair("n1")};
    const bool renamed[] = {false, true, false, true, false};
    const char* const expected[] = {"n", "n1", "N", "n2", "n1"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.MakeUnique(names[i]), renamed[i]) << i;
        EXPECT_EQ(names[i].GetCurrent(), expected[i]) << i;
    }
    EXPECT_EQ(names[3].GetInitial(), "n");  // the initial name stays
    EXPECT_EQ(list.GetCount(), 3);
    names[3].SetBoth("m");
    EXPECT_EQ(names[3].GetInitial() + names[3].GetCurrent(), "mm");
    std::unique_ptr<RNameUniquifier> fresh = list.Create();  // an empty list
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->MakeUnique(names[0]));
    list.Clear();
    EXPECT_FALSE(list.MakeUnique(names[1]));
    EXPECT_EQ(names[1].GetCurrent(), "n1");
}

// The name made for a pair holding text, every byte of it; true in renamed when it was renamed.
static std::string Made(RUniqueNameList& list, const RString& text, bool* renamed = nullptr) {
    RNamePair pair(text);
    const bool result = list.MakeUnique(pair);
    if (renamed != nullptr) *renamed = result;
    const RString& made = pair.GetCurrent();
    return std::string(made.Buffer(), static_cast<size_t>(made.GetLength()));
}

TEST(RUniqueNameList, MatchesTextsUpToTheirFirstZeroByteAndKeepsTheFirstSpelling) {
    RUniqueNameList list;
    bool renamed = true;
    EXPECT_EQ(Made(list, RString("a\0x", 3), &renamed), std::string("a\0x", 3));
    EXPECT_FALSE(renamed);
    // Same text before the zero byte: numbered after the first spelling, all its bytes.
    EXPECT_EQ(Made(list, RString("a\0y", 3), &renamed), std::string("a\0x1", 4));
    EXPECT_TRUE(renamed);
    EXPECT_EQ(Made(list, RString("a")), std::string("a\0x2", 4));
    // An empty and an invalid name are one text; the first one met is numbered.
    EXPECT_EQ(Made(list, RString("")), "");
    EXPECT_EQ(Made(list, Invalid()), "1");
    EXPECT_EQ(Made(list, RString("A")), "A");  // case counts
    EXPECT_EQ(list.GetCount(), 3);
}

TEST(RUniqueNameList, CountsEachOfManyNamesOnItsOwnAndForgetsThemOnClear) {
    RUniqueNameList list;
    const std::string longName(300, 'q');  // beyond the inline buffer
    for (int i = 0; i < 300; ++i) EXPECT_EQ(Made(list, RString(("g" + std::to_string(i)).c_str())), "g" + std::to_string(i));
    EXPECT_EQ(Made(list, RString(longName.c_str())), longName);
    EXPECT_EQ(Made(list, RString("g7")), "g71");
    EXPECT_EQ(Made(list, RString("g7")), "g72");
    EXPECT_EQ(Made(list, RString("g71")), "g711");  // g71 was listed by its own first use
    EXPECT_EQ(Made(list, RString("g299")), "g2991");
    EXPECT_EQ(Made(list, RString(longName.c_str())), longName + "1");
    EXPECT_EQ(list.GetCount(), 301);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(Made(list, RString("g7")), "g7");  // counters start again
    EXPECT_EQ(Made(list, RString("g7")), "g71");
    EXPECT_EQ(Made(list, RString(longName.c_str())), longName);
}

TEST(ROwnedObjectSlots, ReleasesOnlyOwnedObjectsOnReplacementOrDestruction) {
    Ints log;
    auto slots = std::make_unique<ROwnedObjectSlots>();
    Probe owned(log, 1, slots.get(), 0);
    Probe borrowed(log, 2);
    Probe first(log, 3);
    Probe second(log, 4);
    EXPECT_EQ((Bools{slots->Set(0, &owned, true), slots->Set(6, &borrowed, false), slots->Set(7, &owned, true),
                     slots->IsOwned(0), slots->IsOwned(6)}),
              (Bools{true, true, false, true, false}));
    EXPECT_EQ(slots->Get(6), &borrowed);
    EXPECT_EQ(slots->Get(-1), nullptr);
    slots->Set(3, &first, true);
    slots->Set(3, &first, true);  // the same object stays
    EXPECT_TRUE(log.empty());
    slots->Set(3, &second, true);
    EXPECT_EQ(log, (Ints{30}));
    slots->Set(5, &first, true);
    slots->Set(5, nullptr, true);
    EXPECT_FALSE(slots->IsOwned(5));
    slots.reset();
    EXPECT_EQ(log, (Ints{30, 30, 10, 40}));
}

TEST(RPoolAllocator, LargestBlocksGoToTheHooksSmallOnesArePooledPerSizeClassAndHooks) {
    CountingHooks hooks;
    CountingHooks others;
    RPoolAllocator pool(256, 2, 0, 0);
    void* large = pool.Allocate(hooks, 256);
    ASSERT_NE(large, nullptr);
    EXPECT_GE(RPoolAllocator::UsableSize(large), 256u);
    EXPECT_EQ(Counts(hooks, pool), (Sizes{1, 0, 1}));
    pool.Free(hooks, large);  // a block of the largest size goes straight back
    EXPECT_EQ(Counts(hooks, pool), (Sizes{1, 1, 0}));
    EXPECT_EQ(pool.GetBytesHeld(), 0u);

    void* first = pool.Allocate(hooks, 20);
    const std::size_t firstBlock = pool.GetBytesHeld();
    pool.Free(hooks, first);
    void* second = pool.Allocate(hooks, 18);  // the same size class
    EXPECT_EQ(second, first);
    void* other = pool.Allocate(hooks, 100);  // another class
    EXPECT_NE(other, first);
    EXPECT_EQ(Counts(hooks, pool), (Sizes{3, 1, 2}));
    pool.Free(hooks, other);
    void* foreign = pool.Allocate(others, 100);  // pooled blocks serve only the hooks they came from
    EXPECT_EQ(others.allocations, 1);
    pool.Free(others, foreign);
    pool.Clear();  // the pooled blocks go, the one in use stays counted
    EXPECT_EQ(Counts(hooks, pool), (Sizes{3, 2, 1}));
    EXPECT_EQ(others.frees, 1);
    EXPECT_EQ(pool.GetBytesHeld(), firstBlock);
    pool.Free(hooks, second);
    EXPECT_EQ(pool.GetBlockCount(), 1u);  // pooled again
    pool.Clear();
    EXPECT_EQ(Counts(hooks, pool), (Sizes{3, 3, 0}));
    EXPECT_EQ(pool.GetBytesHeld(), 0u);
}

TEST(RPoolAllocator, OverTheCapFreedBlocksGoBackToTheHooks) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 64);
    void* a = pool.Allocate(hooks, 30);
    void* b = pool.Allocate(hooks, 30);
    const std::size_t blockSize = pool.GetBytesHeld() / 2;
    ASSERT_GT(2 * blockSize, 64u);
    ASSERT_LE(blockSize, 64u);
    pool.Free(hooks, a);  // held exceeds the cap
    EXPECT_EQ(hooks.frees, 1);
    EXPECT_EQ(pool.GetBytesHeld(), blockSize);
    pool.Free(hooks, b);  // held within the cap: pooled
    EXPECT_EQ(Counts(hooks, pool), (Sizes{2, 1, 1}));
}

TEST(RPoolAllocator, UserPointersAreAlignedAndUnsoundArgumentsClamped) {
    CountingHooks hooks;
    RPoolAllocator plain(4096, 2, 0, 0);
    RPoolAllocator wide(4096, 2, 6, 0);
    for (std::size_t size : {0u, 1u, 3u, 7u, 13u, 64u, 100u, 5000u}) {
        void* p = plain.Allocate(hooks, size);
        void* q = wide.Allocate(hooks, size);
        EXPECT_TRUE(IsAligned(p, 8)) << size;
        EXPECT_TRUE(IsAligned(q, 64)) << size;
        ASSERT_GE(RPoolAllocator::UsableSize(q), size);
        std::memset(q, 0xAB, size);
        plain.Free(hooks, p);
        wide.Free(hooks, q);
    }
    const RPoolAllocator huge(SIZE_MAX, 40, 12, 0);
    EXPECT_EQ((Sizes{std::size_t(huge.GetShift()), std::size_t(huge.GetAlignBits()), huge.GetLargestSize()}),
              (Sizes{RPoolAllocator::kMaxShift, RPoolAllocator::kMaxAlignBits, UINT32_MAX}));
    RPoolAllocator negative(256, -3, -1, 0);
    EXPECT_EQ(negative.GetShift(), 0);
    EXPECT_EQ(negative.GetAlignBits(), RPoolAllocator::kMinAlignBits);
    const int before = hooks.allocations;
    EXPECT_EQ(negative.Allocate(hooks, SIZE_MAX), nullptr);
    EXPECT_EQ(negative.Allocate(hooks, UINT32_MAX), nullptr);
    EXPECT_EQ(hooks.allocations, before);
}

TEST(RPoolAllocator, ReallocateKeepsTheContentsAndFailureKeepsTheOldBlock) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 0);
    auto* bytes = static_cast<unsigned char*>(pool.Reallocate(hooks, nullptr, 16));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(i + 1);
    auto* grown = static_cast<unsigned char*>(pool.Reallocate(hooks, bytes, 1000));
    ASSERT_NE(grown, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(grown[i], i + 1);
    auto* shrunk = static_cast<unsigned char*>(pool.Reallocate(hooks, grown, 4));
    ASSERT_NE(shrunk, nullptr);
    EXPECT_EQ(shrunk[3], 4);
    hooks.failing = true;
    EXPECT_EQ(pool.Reallocate(hooks, shrunk, 5000), nullptr);
    EXPECT_EQ(shrunk[0], 1);
    EXPECT_EQ(shrunk[3], 4);
    hooks.failing = false;
    pool.Free(hooks, shrunk);
}

TEST(RPoolAllocator, RegistryHoldsTheDefaultPoolAndCreatedPools) {
    if (GetDefaultPool() != nullptr) {
        GTEST_SKIP() << "the registry belongs to an initialized SDK";
    }
    EXPECT_EQ(CreatePool(512, 2, 0, 0), nullptr);
    ASSERT_TRUE(CreatePoolRegistry());
    RPoolAllocator* defaultPool = GetDefaultPool();
    ASSERT_NE(defaultPool, nullptr);
    EXPECT_EQ((Sizes{defaultPool->GetLargestSize(), std::size_t(defaultPool->GetShift()), defaultPool->GetCap()}),
              (Sizes{0x20000, 2, 0}));
    EXPECT_TRUE(CreatePoolRegistry());
    EXPECT_EQ(GetDefaultPool(), defaultPool);
    RPoolAllocator* pool = CreatePool(512, 3, 0, 1024);
    ASSERT_NE(pool, nullptr);
    void* block = pool->Allocate(DefaultAllocatorHooks(), 40);
    pool->Free(DefaultAllocatorHooks(), block);  // pooled: released by the registry's teardown
    DestroyPoolRegistry();
    EXPECT_EQ(GetDefaultPool(), nullptr);
    EXPECT_EQ(CreatePool(512, 2, 0, 0), nullptr);
}

TEST(RSparseArray, SetsTestsAndClearsAcrossPagesAndRefusesNegatives) {
    const std::initializer_list<int> integers = {0, 31, 32, 33, 1000, 40000, 5000000, INT_MAX};
    RSparseArray set = SetOf(integers);
    for (int n : integers) EXPECT_TRUE(set.TestBit(n)) << n;
    for (int n : {30, 999, INT_MAX - 1, -1}) EXPECT_FALSE(set.TestBit(n)) << n;
    EXPECT_EQ(set.HighestSet(), INT_MAX);
    // Clearing a bit never set succeeds too.
    EXPECT_EQ((Bools{set.ClearBit(INT_MAX), set.ClearBit(32), set.ClearBit(12345), set.TestBit(32), set.TestBit(33)}),
              (Bools{true, true, true, false, true}));
    EXPECT_EQ(set.HighestSet(), 5000000);
    RSparseArray empty;
    EXPECT_EQ((Bools{empty.SetBit(-1), empty.ClearBit(-1), empty.IsEmpty()}), (Bools{false, false, true}));
    int index = 0;
    EXPECT_FALSE(empty.Search(index, -5));
    EXPECT_EQ(index, -1);
}

TEST(RSparseArray, MatchesAReferenceSetUnderRandomEdits) {
    RSparseArray set;
    std::set<int> reference;
    unsigned seed = 12345;
    for (int step = 0; step < 20000; ++step) {
        seed = seed * 1103515245u + 12345u;
        const int n = static_cast<int>((seed >> 8) % 6000);
        if ((seed >> 4) % 3 == 0) {
            set.ClearBit(n);
            reference.erase(n);
        } else {
            set.SetBit(n);
            reference.insert(n);
        }
    }
    for (int n = 0; n < 6100; ++n) ASSERT_EQ(set.TestBit(n), reference.count(n) == 1) << n;
    EXPECT_EQ(set.HighestSet(), *reference.rbegin());
}

TEST(RSparseArray, CopiesAreIndependentAndUnionAddsTheOtherSetsBits) {
    RSparseArray original;
    for (int n = 0; n < 200; n += 3) original.SetBit(n);
    RSparseArray copy(original);
    RSparseArray assigned;
    assigned = original;
    copy.SetBit(1);
    copy.ClearBit(3);
    assigned.SetBit(100000);
    EXPECT_EQ((std::vector<bool>{original.TestBit(1), original.TestBit(3), original.TestBit(100000)}),
              (std::vector<bool>{false, true, false}));
    EXPECT_EQ((std::vector<bool>{copy.TestBit(1), copy.TestBit(3), copy.TestBit(100000)}),
              (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(assigned.TestBit(3));
    original = RSparseArray();
    EXPECT_TRUE(original.IsEmpty());
    EXPECT_TRUE(copy.TestBit(6) && assigned.TestBit(6));
    RSparseArray left = SetOf({1, 5000});
    const RSparseArray right = SetOf({2, 5001, 70000});
    const RSparseArray before(left);
    ASSERT_TRUE(left.Union(right));
    for (int n : {1, 2, 5000, 5001, 70000}) EXPECT_TRUE(left.TestBit(n)) << n;
    EXPECT_FALSE(before.TestBit(2) || right.TestBit(1));
    ASSERT_TRUE(left.Union(left));
    EXPECT_EQ(left.HighestSet(), 70000);
}

TEST(RSparseArray, SearchTable) {
    struct Case {
        std::vector<int> bits;
        int start;
        std::optional<int> end;
        std::optional<bool> wanted;
        int expected;
    };
    std::vector<int> fullPage;  // the first page, every bit set; then without bit 5
    for (int n = 0; n < 32; ++n) fullPage.push_back(n);
    std::vector<int> firstPage = fullPage;
    firstPage.erase(firstPage.begin() + 5);
    const Case cases[] = {
        // Clear bits: no page at all, or past the last page, there is none.
        {{}, 0, std::nullopt, false, -1},
        {fullPage, 0, std::nullopt, false, -1},
        {fullPage, 0, std::nullopt, std::nullopt, 0},
        {firstPage, 0, std::nullopt, false, 5},
        {firstPage, 6, std::nullopt, false, -1},
        // A start before the first page is clear; no wanted value counts as clear.
        {{1000}, 10, std::nullopt, false, 10},
        {{1000}, 10, std::nullopt, std::nullopt, 10},
        {{1000}, 10, std::nullopt, true, 1000},
        {{1000}, 1000, std::nullopt, false, 1001},
        {{1000}, 1001, std::nullopt, true, -1},
        // Set bits are found page by page, and never at or past the end.
        {{70, 90000, 5}, 0, std::nullopt, true, 5},
        {{70, 90000, 5}, 6, std::nullopt, true, 70},
        {{70, 90000, 5}, 71, std::nullopt, true, 90000},
        {{70, 90000, 5}, 90001, std::nullopt, true, -1},
        {{70, 90000, 5}, 6, 70, true, -1},
        {{70, 90000, 5}, 6, 71, true, 70},
        {{70, 90000, 5}, 71, 90000, true, -1},
        {{70, 90000, 5}, 70, 71, false, -1},
        {{70, 90000, 5}, 64, 66, false, 64},
        {{70, 90000, 5}, 5, 5, false, -1},
    };
    for (const Case& c : cases) {
        RSparseArray set;
        for (int n : c.bits) set.SetBit(n);
        int index = 7;
        const bool found = set.Search(index, c.start, c.end, c.wanted);
        EXPECT_EQ(index, c.expected) << "start " << c.start << " case " << &c - cases;
        EXPECT_EQ(found, index >= 0);
    }
}

TEST(REventHandlerList, CallsHandlersFromTheOldestRemovesByObjectAndMethodAndAHandledRecordStops) {
    Log log;
    Target a{&log, 1, {}}, b{&log, 2, {}}, c{&log, 3, {}};
    REventHandlerList list;
    AddTargets(list, {&a, &b, &c});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2, 3}));
    EXPECT_EQ(list.Add(&a, nullptr, nullptr), -1);
    EXPECT_EQ(list.Remove(&a, Other), 1);
    EXPECT_EQ(list.Remove(&a, Handle), 0);
    EXPECT_EQ(list.Remove(&a, Handle), 1);
    log.clear();
    Dispatch(list);
    EXPECT_EQ(log, (Log{2, 3}));
    b.action = [](REventRecord& record) { record.handled = true; };
    log.clear();
    Dispatch(list);
    EXPECT_EQ(log, (Log{2}));
}

TEST(REventHandlerList, HandlersAddedOrRemovedDuringADispatch) {
    Log log;
    REventHandlerList list;
    Target late{&log, 9, {}};
    Target a{&log, 1, [&](REventRecord&) { AddTargets(list, {&late}); }};  // waits for the next dispatch
    Target b{&log, 2, {}};
    AddTargets(list, {&a, &b});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2}));
    list.Remove(&a, Handle);
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 2, 2, 9}));
    log.clear();
    REventHandlerList removing;
    Target d{&log, 4, {}};
    Target itself{&log, 3, [&](REventRecord&) { removing.Remove(&itself, Handle); }};
    Target first{&log, 1, [&](REventRecord&) { removing.Remove(&d, Handle); }};  // one not yet run
    Target last{&log, 5, {}};
    AddTargets(removing, {&first, &itself, &d, &last});
    Dispatch(removing);
    EXPECT_EQ(log, (Log{1, 3, 5}));
    EXPECT_EQ(removing.GetCount(), 2);
}

TEST(REventHandlerList, ClearingOrDestroyingTheListInsideAHandlerEndsTheDispatch) {
    Log log;
    auto list = std::make_unique<REventHandlerList>();
    Target a{&log, 1, [&](REventRecord&) { list.reset(); }};
    Target b{&log, 2, {}};
    AddTargets(*list, {&a, &b});
    Dispatch(*list);
    EXPECT_EQ(log, (Log{1}));
    EXPECT_EQ(list, nullptr);
    REventHandlerList cleared;
    Target c{&log, 3, [&](REventRecord&) { cleared.Clear(); }};
    AddTargets(cleared, {&c, &b});
    Dispatch(cleared);
    EXPECT_EQ(log, (Log{1, 3}));
    EXPECT_EQ(cleared.GetCount(), 0);
}

TEST(REventHandlerList, NestedDispatchesKeepTheirOwnCursors) {
    Log log;
    REventHandlerList list;
    int depth = 0;
    Target a{&log, 1, [&](REventRecord&) {
                 if (depth++ == 0) Dispatch(list);
             }};
    Target b{&log, 2, {}};
    AddTargets(list, {&a, &b});
    Dispatch(list);
    EXPECT_EQ(log, (Log{1, 1, 2, 2}));
}

TEST(RNamedEventSubscription, ListsLiveAsLongAsTheirSubscriptionsEvenEndingInsideADispatch) {
    Log log;
    Target a{&log, 1, {}};
    Target b{&log, 2, {}};
    {
        RNamedEventSubscription first("SceneChanged", &a, Handle, &a);
        ASSERT_TRUE(first.IsRegistered());
        {
            RNamedEventSubscription second("scenechanged", &b, Handle, &b);
            REventHandlerList* list = FindNamedHandlerList("SCENECHANGED");
            ASSERT_NE(list, nullptr);
            EXPECT_EQ(list->GetCount(), 2);
            Dispatch(*list);
            EXPECT_EQ(log, (Log{1, 2}));
        }
        ASSERT_NE(FindNamedHandlerList("SceneChanged"), nullptr);
        EXPECT_EQ(FindNamedHandlerList("SceneChanged")->GetCount(), 1);
    }
    EXPECT_EQ(FindNamedHandlerList("SceneChanged"), nullptr);
    RNamedEventSubscription refused(nullptr, &a, Handle);
    EXPECT_FALSE(refused.IsRegistered());
    std::unique_ptr<RNamedEventSubscription> subscription;
    Target closing{&log, 3, [&](REventRecord&) { subscription.reset(); }};
    subscription = std::make_unique<RNamedEventSubscription>("Closing", &closing, Handle, &closing);
    Dispatch(*FindNamedHandlerList("Closing"));
    EXPECT_EQ(log, (Log{1, 2, 3}));
    EXPECT_EQ(FindNamedHandlerList("Closing"), nullptr);
}
