#include "core/RString.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <string>

namespace {

bool IsInline(const RString& s) {
    const char* begin = reinterpret_cast<const char*>(&s);
    return s.Buffer() >= begin && s.Buffer() < begin + sizeof(RString);
}

RString Invalid() { return RString(static_cast<const char*>(nullptr)); }

RString Repeated(char c, int count) { return RString(std::string(static_cast<size_t>(count), c).c_str()); }

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
    // Appends that outgrow the inline buffer move to the heap and keep the text.
    RString grown(at62);
    grown += 'b';
    EXPECT_FALSE(IsInline(grown));
    EXPECT_EQ(grown.GetLength(), 63);
    EXPECT_EQ(grown.Buffer()[62], 'b');
    // Moving a heap string hands over its block.
    RString moved(std::move(grown));
    EXPECT_EQ(moved.GetLength(), 63);
    EXPECT_TRUE(grown.IsEmptyText());

    RString many;
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        many += i;
        many += ',';
        expected += std::to_string(i) + ",";
    }
    EXPECT_EQ(std::string(many.Buffer()), expected);
    EXPECT_EQ(many.GetLength(), static_cast<int>(expected.size()));
}

TEST(RString, ConstructionAndNumberTexts) {
    EXPECT_EQ(RString(42), "42");
    EXPECT_EQ(RString(INT_MIN), "-2147483648");
    EXPECT_EQ(RString(1.5), "1.500000");
    EXPECT_EQ(RString(1.25f), "1.250000");
    EXPECT_EQ(RString(-0.5), "-0.500000");
    EXPECT_EQ(RString('z', 3), "zzz");
    EXPECT_TRUE(RString('z', 0).IsEmptyText());
    EXPECT_TRUE(RString('z', 0).IsValid());
    // The largest double in "%f" is more than 300 characters and must fit.
    EXPECT_EQ(RString(DBL_MAX).GetLength(), 309 + 7);
    EXPECT_EQ(RString(-DBL_MAX).GetLength(), 309 + 8);
    // Zero bytes inside a counted construction are kept.
    const RString withZero("a\0b", 3);
    EXPECT_EQ(withZero.GetLength(), 3);
    EXPECT_EQ(withZero.Buffer()[2], 'b');

    RString assigned;
    assigned = 'q';
    EXPECT_EQ(assigned, "q");
    assigned.AssignInt(-12);
    EXPECT_EQ(assigned, "-12");
    assigned.AssignDouble(2.0);
    assigned += 5;
    EXPECT_EQ(assigned, "2.0000005");
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

TEST(RString, Searches) {
    const RString s("hello, world");
    EXPECT_EQ(s.FindChar('o'), 4);
    EXPECT_EQ(s.FindChar('o', 5), 8);
    EXPECT_EQ(s.FindChar('o', 100), -1);
    EXPECT_EQ(s.FindChar('\0'), s.GetLength());
    EXPECT_EQ(s.FindChar('q'), -1);
    EXPECT_EQ(s.FindLastChar('o'), 8);
    EXPECT_EQ(s.FindLastChar('q'), -1);
    EXPECT_EQ(s.FindAnyChar(",w"), 5);
    EXPECT_EQ(s.FindAnyChar(",w", 6), 7);
    EXPECT_EQ(s.FindAnyChar(nullptr), -1);
    EXPECT_EQ(s.FindText("world"), 7);
    EXPECT_EQ(s.FindText("o", 5), 8);
    EXPECT_EQ(s.FindText("xyz"), -1);
    EXPECT_EQ(s.FindText(nullptr), 0);
    EXPECT_EQ(s.FindText("", 3), 3);
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
    EXPECT_EQ(s.CountTokens(","), 2);
    EXPECT_EQ(s.TokenAt(0, ","), "a");
    EXPECT_EQ(s.TokenAt(1, ","), "b");
    EXPECT_TRUE(s.TokenAt(2, ",").IsEmptyText());
    EXPECT_TRUE(s.TokenAt(-1, ",").IsEmptyText());
    const RString words("  alpha\tbeta  gamma ");
    EXPECT_EQ(words.CountTokens(" \t"), 3);
    EXPECT_EQ(words.TokenAt(2, " \t"), "gamma");
    // A null delimiter set makes the whole text one token.
    EXPECT_EQ(s.CountTokens(nullptr), 1);
    EXPECT_EQ(s.TokenAt(0, nullptr), s);
    EXPECT_EQ(RString().CountTokens(","), 0);
    EXPECT_EQ(Invalid().CountTokens(","), 0);
}

TEST(RString, Comparison) {
    const RString s("abc");
    EXPECT_EQ(s.CompareText("abc"), 0);
    EXPECT_EQ(s.CompareText("abd"), -1);
    EXPECT_EQ(s.CompareText("ab"), 1);
    EXPECT_EQ(s.CompareText(nullptr), 1);
    EXPECT_EQ(RString().CompareText(nullptr), 0);
    EXPECT_EQ(RString("\xE9").CompareText("z"), 1);  // bytes compare unsigned: 0xE9 sorts after 'z'
    EXPECT_EQ(s.CompareIgnoringCase("ABC"), 0);
    EXPECT_EQ(s.CompareIgnoringCase("ABD"), -1);
    EXPECT_TRUE(s == "abc");
    EXPECT_TRUE(s != "ABC");
    EXPECT_TRUE(s < RString("abd"));
    EXPECT_FALSE(s < "abc");
}

TEST(RString, RangeCopiesTrimmingAndClearing) {
    const RString s("abcdef");
    EXPECT_EQ(s.Substring(1, 3), "bcd");
    EXPECT_EQ(s.Substring(4, 100), "ef");
    EXPECT_TRUE(s.Substring(6, 5).IsValid());
    EXPECT_TRUE(s.Substring(6, 5).IsEmptyText());
    for (const RString& refused : {s.Substring(7, 5), s.Substring(1, -1), s.Substring(-1, 2), s.SubstringFrom(7),
                                   s.LastChars(-1)}) {
        EXPECT_FALSE(refused.IsValid());
    }
    EXPECT_EQ(s.Substring(2, INT_MAX), "cdef");
    EXPECT_EQ(s.SubstringFrom(4), "ef");
    EXPECT_EQ(s.FirstChars(2), "ab");
    EXPECT_EQ(s.FirstChars(10), "abcdef");
    EXPECT_EQ(s.LastChars(2), "ef");
    EXPECT_EQ(s.LastChars(10), "abcdef");
    EXPECT_EQ(RString("MiXed").ToUpperCase(), "MIXED");
    EXPECT_EQ(RString("MiXed").ToLowerCase(), "mixed");
    EXPECT_EQ(s.Reversed(), "fedcba");

    const RString padded("  a  ");
    EXPECT_EQ(padded.Trimmed(0), "  a");
    EXPECT_EQ(padded.Trimmed(1), "a  ");
    EXPECT_EQ(padded.Trimmed(2), "a");
    EXPECT_EQ(padded.Trimmed(7), "a");
    EXPECT_EQ(RString(" \t\r\n").Trimmed(2), "");

    RString cleared = Repeated('x', 80);
    cleared.Clear();
    EXPECT_TRUE(cleared.IsValid() && cleared.IsEmptyText());
    EXPECT_TRUE(EmptyString().IsValid() && EmptyString().IsEmptyText());
    EXPECT_TRUE(CharInSet('a', "abc"));
    EXPECT_FALSE(CharInSet('\0', "abc"));
    EXPECT_FALSE(CharInSet('a', nullptr));
}
