#include "core/RString.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <new>
#include <string_view>

namespace {

// Where out-of-range indexing lands; per thread so that harmless writes never race.
thread_local char gOutOfRangeByte = 0;

// ReplaceFirst builds its result in a work area of this size (terminator included).
constexpr int kReplaceWorkSize = 4096;

// Large enough for "%f" of any double: 309 integer digits, sign, point and 6 decimals.
constexpr int kNumberTextSize = 400;

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of a C string as an int; -1 when it does not fit.
int TextLength(const char* text) {
    const size_t length = std::strlen(text);
    return length > static_cast<size_t>(INT_MAX - 1) ? -1 : static_cast<int>(length);
}

// Number texts, independent of the process locale.
struct NumberText {
    char text[kNumberTextSize];
    int length;
};

NumberText FormatInt(int value) {
    NumberText result{};
    const auto end = std::to_chars(result.text, result.text + kNumberTextSize, value).ptr;
    result.length = static_cast<int>(end - result.text);
    return result;
}

NumberText FormatFixed(double value) {
    NumberText result{};
    const auto end =
        std::to_chars(result.text, result.text + kNumberTextSize, value, std::chars_format::fixed, 6).ptr;
    result.length = static_cast<int>(end - result.text);
    return result;
}

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

bool CharInSet(char c, const char* set) {
    return set != nullptr && c != '\0' && std::strchr(set, c) != nullptr;
}

char RString::emptyText_[1] = {0};
char RString::invalidText_[1] = {0};

const RString& EmptyString() {
    static const RString empty;
    return empty;
}

// ---- storage -------------------------------------------------------------------------

RString::HeapBlock RString::DetachBuffer() {
    HeapBlock block(IsOnHeap() ? text_ : nullptr);
    InitEmpty();
    return block;
}

void RString::MarkInvalid() {
    DetachBuffer();
    text_ = invalidText_;
}

void RString::Clear() { DetachBuffer(); }

// Makes room for count bytes, inline when they fit. The previous heap block is handed
// back, not freed, so that callers may still copy from it.
RString::HeapBlock RString::AllocateBuffer(int count, bool& failed) {
    HeapBlock previous = DetachBuffer();
    failed = false;
    if (count < 0 || count == INT_MAX) {
        text_ = invalidText_;
        failed = true;
        return previous;
    }
    if (count + 1 < kInlineSize) {
        text_ = inline_;
        capacity_ = kInlineCapacity;
    } else {
        text_ = new (std::nothrow) char[static_cast<size_t>(count) + 1];
        if (text_ == nullptr) {
            text_ = invalidText_;
            failed = true;
            return previous;
        }
        capacity_ = count;
    }
    length_ = count;
    text_[count] = '\0';
    return previous;
}

// The bytes may lie inside this string: a short text is moved into the inline buffer, a
// long one copied to a fresh block, and the old block is released only after the copy.
bool RString::AssignBytes(int count, const char* bytes) {
    if (count < 0) {
        MarkInvalid();
        return false;
    }
    if (count <= kInlineCapacity) {
        const HeapBlock previous(IsOnHeap() ? text_ : nullptr);
        SetInline(bytes, count);
        return true;
    }
    bool failed = false;
    const HeapBlock previous = AllocateBuffer(count, failed);
    if (failed) return false;
    std::memcpy(text_, bytes, static_cast<size_t>(count));
    return true;
}

// Appends in place when there is room; otherwise grows to at least twice the old capacity
// so that repeated appends stay linear.
bool RString::AppendBytes(int count, const char* bytes) {
    if (!IsValid() || count < 0) return false;
    if (count == 0) return true;
    if (count > INT_MAX - 1 - length_) {
        MarkInvalid();
        return false;
    }
    // The shared empty text has no room: a short result goes to the inline buffer, not the heap.
    if (text_ == emptyText_ && count <= kInlineCapacity) SetInline(text_, 0);
    if (capacity_ >= length_ + count) {
        std::memmove(text_ + length_, bytes, static_cast<size_t>(count));
        length_ += count;
        text_[length_] = '\0';
        return true;
    }
    const int oldLength = length_;
    const long long doubled = 2LL * capacity_;
    const int room = static_cast<int>(doubled < INT_MAX - 1 ? (doubled > length_ + count ? doubled : length_ + count)
                                                               : length_ + count);
    char* grown = new (std::nothrow) char[static_cast<size_t>(room) + 1];
    if (grown == nullptr) {
        MarkInvalid();
        return false;
    }
    std::memcpy(grown, text_, static_cast<size_t>(oldLength));
    std::memcpy(grown + oldLength, bytes, static_cast<size_t>(count));
    DetachBuffer();
    text_ = grown;
    length_ = oldLength + count;
    capacity_ = room;
    text_[length_] = '\0';
    return true;
}

void RString::CopyRange(RString& target, int count, int start) const {
    if (!IsValid() || count < 0 || start < 0 || start > length_) {
        target.MarkInvalid();
        return;
    }
    if (count > length_ - start) count = length_ - start;
    target.AssignBytes(count, text_ + start);
}

// ---- construction and assignment ------------------------------------------------------

RString::RString(const char* text) {
    InitEmpty();
    *this = text;
}

RString::RString(const char* bytes, int count) {
    InitEmpty();
    if (bytes == nullptr || count < 0) {
        MarkInvalid();
    } else {
        AssignBytes(count, bytes);
    }
}

RString::RString(int value) {
    InitEmpty();
    AssignInt(value);
}

RString::RString(float value) {
    InitEmpty();
    AssignFloat(value);
}

RString::RString(double value) {
    InitEmpty();
    AssignDouble(value);
}

RString::RString(char c, int count) {
    InitEmpty();
    bool failed = false;
    AllocateBuffer(count, failed);
    if (!failed && count > 0) std::memset(text_, c, static_cast<size_t>(count));
}

// The copies that the inline paths leave: long texts, and copies into a string that holds
// a heap block, which it frees.
void RString::CopyLongFrom(const RString& other) {
    if (other.IsValid()) {
        AssignBytes(other.length_, other.text_);
    } else {
        MarkInvalid();
    }
}

RString& RString::operator=(const char* text) {
    const int length = text == nullptr ? -1 : TextLength(text);
    if (length < 0) {
        MarkInvalid();
    } else {
        AssignBytes(length, text);
    }
    return *this;
}

RString& RString::operator=(char c) {
    AssignBytes(1, &c);
    return *this;
}

RString& RString::AssignInt(int value) {
    const NumberText number = FormatInt(value);
    AssignBytes(number.length, number.text);
    return *this;
}

RString& RString::AssignFloat(double value) { return AssignDouble(value); }

RString& RString::AssignDouble(double value) {
    const NumberText number = FormatFixed(value);
    AssignBytes(number.length, number.text);
    return *this;
}

// ---- concatenation ----------------------------------------------------------------------

RString& RString::operator+=(const RString& other) {
    if (!other.IsValid()) {
        MarkInvalid();
    } else if (this == &other) {
        const RString copy(other);
        AppendBytes(copy.length_, copy.text_);
    } else {
        AppendBytes(other.length_, other.text_);
    }
    return *this;
}

RString& RString::operator+=(const char* text) {
    const int length = text == nullptr ? -1 : TextLength(text);
    if (length < 0) {
        MarkInvalid();
    } else {
        AppendBytes(length, text);
    }
    return *this;
}

RString& RString::operator+=(char c) {
    AppendBytes(1, &c);
    return *this;
}

RString& RString::operator+=(int value) {
    const NumberText number = FormatInt(value);
    AppendBytes(number.length, number.text);
    return *this;
}

RString operator+(const RString& left, const RString& right) {
    RString result(left);
    result += right;
    return result;
}

RString operator+(const RString& left, const char* right) {
    RString result(left);
    result += right;
    return result;
}

RString operator+(const RString& left, char right) {
    RString result(left);
    result += right;
    return result;
}

RString operator+(const RString& left, int right) {
    RString result(left);
    result += right;
    return result;
}

// ---- access and search ------------------------------------------------------------------

char& RString::operator[](unsigned index) {
    if (index < static_cast<unsigned>(length_)) return text_[index];
    gOutOfRangeByte = '\0';
    return gOutOfRangeByte;
}

char RString::operator[](unsigned index) const {
    return index < static_cast<unsigned>(length_) ? text_[index] : '\0';
}

int RString::FindChar(char c, int start) const {
    if (start < 0) start = 0;
    if (start > length_) start = length_;
    const void* found = std::memchr(text_ + start, c, static_cast<size_t>(length_ - start));
    if (found != nullptr) return static_cast<int>(static_cast<const char*>(found) - text_);
    return c == '\0' ? length_ : -1;
}

int RString::FindLastChar(char c) const {
    for (int i = length_ - 1; i >= 0; --i) {
        if (text_[i] == c) return i;
    }
    return -1;
}

int RString::FindAnyChar(const char* set, int start) const {
    if (set == nullptr) return -1;
    if (start < 0) start = 0;
    for (int i = start; i < length_; ++i) {
        if (CharInSet(text_[i], set)) return i;
    }
    return -1;
}

int RString::FindText(const char* text, int start) const {
    if (text == nullptr) return 0;
    if (start < 0) start = 0;
    if (start > length_) start = length_;
    const std::string_view haystack(text_, static_cast<size_t>(length_));
    const size_t found = haystack.find(text, static_cast<size_t>(start));
    return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

bool RString::ReplaceFirst(const char* oldText, const char* newText, int start) {
    // An empty pattern would "replace" forever for callers that loop until false.
    if (oldText == nullptr || newText == nullptr || *oldText == '\0') return false;
    const int position = FindText(oldText, start);
    if (position < 0 || position >= kReplaceWorkSize) return false;
    const long long oldLength = static_cast<long long>(std::strlen(oldText));
    const long long newLength = static_cast<long long>(std::strlen(newText));
    const long long resultLength = length_ - oldLength + newLength;
    if (resultLength > kReplaceWorkSize - 1) return false;

    char work[kReplaceWorkSize];
    const int tailStart = position + static_cast<int>(oldLength);
    std::memcpy(work, text_, static_cast<size_t>(position));
    std::memcpy(work + position, newText, static_cast<size_t>(newLength));
    std::memcpy(work + position + newLength, text_ + tailStart, static_cast<size_t>(length_ - tailStart));
    return AssignBytes(static_cast<int>(resultLength), work);
}

// ---- tokens -----------------------------------------------------------------------------

int RString::CountTokens(const char* delimiters) const {
    int count = 0;
    bool inToken = false;
    for (int i = 0; i < length_; ++i) {
        const bool delimiter = CharInSet(text_[i], delimiters);
        if (!delimiter && !inToken) ++count;
        inToken = !delimiter;
    }
    return count;
}

RString RString::TokenAt(int index, const char* delimiters) const {
    int count = 0;
    int i = 0;
    while (i < length_) {
        while (i < length_ && CharInSet(text_[i], delimiters)) ++i;
        if (i == length_) break;
        const int tokenStart = i;
        while (i < length_ && !CharInSet(text_[i], delimiters)) ++i;
        if (count == index) return RString(text_ + tokenStart, i - tokenStart);
        ++count;
    }
    return RString();
}

// ---- comparison -------------------------------------------------------------------------

int RString::CompareText(const char* text) const {
    return Sign(std::strcmp(text_, text != nullptr ? text : emptyText_));
}

int RString::CompareIgnoringCase(const char* text) const { return CompareIgnoringCase(text_, text); }

// As CompareText on both texts in upper case, compared in place: lookups by name call it often.
int RString::CompareIgnoringCase(const char* left, const char* right) {
    const unsigned char* mine = reinterpret_cast<const unsigned char*>(left != nullptr ? left : emptyText_);
    const unsigned char* theirs = reinterpret_cast<const unsigned char*>(right != nullptr ? right : emptyText_);
    for (;; ++mine, ++theirs) {
        const int upperLeft = static_cast<unsigned char>(AsciiUpper(static_cast<char>(*mine)));
        const int upperRight = static_cast<unsigned char>(AsciiUpper(static_cast<char>(*theirs)));
        if (upperLeft != upperRight || upperLeft == 0) return Sign(upperLeft - upperRight);
    }
}

// ---- copies -----------------------------------------------------------------------------

RString RString::Substring(int start, int count) const {
    RString result;
    CopyRange(result, count, start);
    return result;
}

RString RString::SubstringFrom(int start) const {
    RString result;
    CopyRange(result, start < 0 ? -1 : length_ - start, start);
    return result;
}

RString RString::FirstChars(int count) const {
    RString result;
    CopyRange(result, count, 0);
    return result;
}

RString RString::LastChars(int count) const {
    RString result;
    if (count > length_) count = length_;
    CopyRange(result, count, count < 0 ? -1 : length_ - count);
    return result;
}

template <typename Transform>
RString RString::TransformedCopy(Transform transform) const {
    RString result;
    CopyRange(result, length_, 0);
    for (int i = 0; i < result.length_; ++i) result.text_[i] = transform(result.text_[i]);
    return result;
}

RString RString::ToUpperCase() const { return TransformedCopy(AsciiUpper); }

RString RString::ToLowerCase() const { return TransformedCopy(AsciiLower); }

RString RString::ControlCharsReplaced(char replacement, bool blanksToo) const {
    return TransformedCopy([replacement, blanksToo](char c) {
        return IsControlChar(c) || (blanksToo && c == ' ') ? replacement : c;
    });
}

RString RString::ControlCharsEscaped() const {
    static const char kHexDigits[] = "0123456789abcdef";
    RString result;
    for (int i = 0; i < length_; ++i) {
        const char c = text_[i];
        if (c == '\\') {
            result += "\\\\";
        } else if (!IsControlChar(c)) {
            result += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            result += '\\';
            result += c == '\n' ? 'n' : c == '\r' ? 'r' : 't';
        } else {
            const auto byte = static_cast<unsigned char>(c);
            result += "\\x";
            result += kHexDigits[byte >> 4];
            result += kHexDigits[byte & 0xf];
        }
    }
    return result;
}

RString RString::Reversed() const {
    RString result;
    CopyRange(result, length_, 0);
    for (int i = 0, j = result.length_ - 1; i < j; ++i, --j) {
        const char swapped = result.text_[i];
        result.text_[i] = result.text_[j];
        result.text_[j] = swapped;
    }
    return result;
}

RString RString::Trimmed(int mode) const {
    int first = 0;
    int last = length_;
    if (mode != 0) {
        while (first < last && IsAsciiSpace(text_[first])) ++first;
    }
    if (mode != 1) {
        while (last > first && IsAsciiSpace(text_[last - 1])) --last;
    }
    RString result;
    CopyRange(result, last - first, first);
    return result;
}
