#ifndef WYX_CORE_RSTRING_H
#define WYX_CORE_RSTRING_H

// The SDK's character string: a byte string with an explicit length, a small inline
// buffer and a distinct invalid state.
//
// The text pointer is always one of four kinds: the shared empty text, the shared invalid
// marker (its text reads as empty), the string's own inline buffer, or a heap block the
// string owns. Texts of up to 62 bytes live inline, so short strings never allocate.
// Failures never throw: they surface as the invalid state, which spreads through copies,
// assignments and concatenations, or as the results the operations document.
// File names held in an RString are UTF-8.
// Copies, moves, destruction, comparison and the state checks of short texts are inline:
// names are copied and compared all through an import, and a call per copy was most of
// their cost. Longer texts and the failure paths go out of line.

#include <cstring>
#include <memory>

class RString {
public:
    static constexpr int kInlineSize = 64;

    RString() noexcept { InitEmpty(); }
    RString(const RString& other);
    RString(RString&& other) noexcept;
    RString(const char* text);               // null gives an invalid string
    RString(const char* bytes, int count);   // exactly count bytes; zero bytes are kept
    explicit RString(int value);             // "%d"
    explicit RString(float value);           // "%f" of the value widened to double
    explicit RString(double value);          // "%f"
    RString(char c, int count);              // c repeated; a negative count is invalid
    ~RString();

    RString& operator=(const RString& other);
    RString& operator=(RString&& other) noexcept;
    RString& operator=(const char* text);
    RString& operator=(char c);
    RString& AssignInt(int value);
    RString& AssignFloat(double value);  // "%f"; also takes a float widened to double
    RString& AssignDouble(double value);

    RString& operator+=(const RString& other);
    RString& operator+=(const char* text);
    RString& operator+=(char c);
    RString& operator+=(int value);

    const char* Buffer() const { return text_; }
    int GetLength() const { return length_; }
    bool IsValid() const { return text_ != invalidText_; }
    bool IsEmptyText() const { return length_ == 0; }

    // The byte at index; past the end, a shared zero byte (reset to 0 on every such call),
    // so reading yields 0 and a write lands harmlessly.
    char& operator[](unsigned index);
    char operator[](unsigned index) const;

    // Searches answer a byte index, or -1 when nothing is found.
    int FindChar(char c, int start = 0) const;
    int FindLastChar(char c) const;
    int FindAnyChar(const char* set, int start = 0) const;
    int FindText(const char* text, int start = 0) const;

    // Replaces the first occurrence of oldText at or after start. False, string unchanged,
    // when there is none, when it lies at index 4096 or beyond, or when the result would
    // not fit 4095 bytes.
    bool ReplaceFirst(const char* oldText, const char* newText, int start = 0);

    // Tokens are maximal runs of bytes that are not in the delimiter set.
    int CountTokens(const char* delimiters) const;
    RString TokenAt(int index, const char* delimiters) const;

    // Unsigned byte comparison, -1, 0 or 1; null counts as the empty text.
    int CompareText(const char* text) const;
    int CompareIgnoringCase(const char* text) const;
    // CompareIgnoringCase of two plain texts, without copying either.
    static int CompareIgnoringCase(const char* left, const char* right);

    // Equality is CompareText's: the texts up to their first zero byte.
    bool operator==(const RString& other) const { return std::strcmp(text_, other.text_) == 0; }
    bool operator==(const char* text) const { return std::strcmp(text_, text != nullptr ? text : emptyText_) == 0; }
    bool operator!=(const RString& other) const { return !(*this == other); }
    bool operator!=(const char* text) const { return !(*this == text); }
    bool operator<(const RString& other) const { return CompareText(other.text_) < 0; }
    bool operator<(const char* text) const { return CompareText(text) < 0; }

    RString Substring(int start, int count) const;
    RString SubstringFrom(int start) const;
    RString FirstChars(int count) const;
    RString LastChars(int count) const;
    RString ToUpperCase() const;
    RString ToLowerCase() const;
    RString Reversed() const;
    // Mode 0 trims the end, mode 1 the start, any other mode both ends.
    RString Trimmed(int mode) const;
    // A copy with every control character (IsControlChar), and with blanksToo every blank,
    // replaced by replacement: a name written into a line-oriented text file then can neither
    // end its line nor (in a format whose words blanks separate) split it.
    RString ControlCharsReplaced(char replacement, bool blanksToo = false) const;
    // A copy with every control character (IsControlChar) written as an escape: \n, \r and \t,
    // any other as \x and two hex digits; a backslash is doubled, so that a name holding the
    // two characters \ and n is not taken for one holding a line break. A name shown in a
    // one-line message then keeps its line and still shows what it holds.
    RString ControlCharsEscaped() const;

    // Back to the empty text, freeing a heap block.
    void Clear();

private:
    using HeapBlock = std::unique_ptr<char[]>;

    // The most bytes the inline buffer holds, besides the terminator.
    static constexpr int kInlineCapacity = kInlineSize - 2;

    // The shared texts: each is one zero byte. Their addresses mark the empty and the
    // invalid state; neither is ever written through a string.
    static char emptyText_[1];
    static char invalidText_[1];

    void InitEmpty() {
        text_ = emptyText_;
        length_ = 0;
        capacity_ = 0;
    }
    bool IsOnHeap() const { return text_ != emptyText_ && text_ != invalidText_ && text_ != inline_; }
    // A valid text that fits the inline buffer.
    bool IsShortText() const { return length_ <= kInlineCapacity && IsValid(); }
    // Takes count bytes into the inline buffer. The bytes may lie in that buffer; a heap
    // block the string holds is the caller's to free.
    void SetInline(const char* bytes, int count) {
        if (count > 0) std::memmove(inline_, bytes, static_cast<size_t>(count));
        inline_[count] = '\0';
        text_ = inline_;
        length_ = count;
        capacity_ = kInlineCapacity;
    }
    // Takes over other's text and leaves other empty; this string holds no heap block.
    void TakeFrom(RString& other) {
        length_ = other.length_;
        capacity_ = other.capacity_;
        if (other.text_ == other.inline_) {
            std::memcpy(inline_, other.inline_, static_cast<size_t>(length_) + 1);
            text_ = inline_;
        } else {
            text_ = other.text_;
        }
        other.InitEmpty();
    }
    void FreeHeapBlock() {
        if (IsOnHeap()) delete[] text_;  // a heap block is owned by its one string
    }
    void CopyLongFrom(const RString& other);
    void MarkInvalid();
    HeapBlock DetachBuffer();
    HeapBlock AllocateBuffer(int count, bool& failed);
    bool AssignBytes(int count, const char* bytes);
    bool AppendBytes(int count, const char* bytes);
    void CopyRange(RString& target, int count, int start) const;
    template <typename Transform>
    RString TransformedCopy(Transform transform) const;

    char* text_;
    int length_;
    int capacity_;
    char inline_[kInlineSize];
};

inline RString::RString(const RString& other) {
    if (other.IsShortText()) {
        SetInline(other.text_, other.length_);
    } else {
        InitEmpty();
        CopyLongFrom(other);
    }
}

inline RString::RString(RString&& other) noexcept { TakeFrom(other); }

inline RString::~RString() { FreeHeapBlock(); }

inline RString& RString::operator=(const RString& other) {
    if (this == &other) return *this;
    if (other.IsShortText() && !IsOnHeap()) {
        SetInline(other.text_, other.length_);
    } else {
        CopyLongFrom(other);
    }
    return *this;
}

inline RString& RString::operator=(RString&& other) noexcept {
    if (this == &other) return *this;
    FreeHeapBlock();
    TakeFrom(other);
    return *this;
}

RString operator+(const RString& left, const RString& right);
RString operator+(const RString& left, const char* right);
RString operator+(const RString& left, char right);
RString operator+(const RString& left, int right);

// True when c belongs to set; false for a null set. The terminating zero is never in a set.
bool CharInSet(char c, const char* set);

// True for the ASCII control characters: the bytes below 0x20 (line breaks, tab, the zero
// byte) and 0x7f. The bytes of UTF-8 sequences are none of them.
inline bool IsControlChar(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

// The process-wide empty string, returned by functions that have no text to give.
const RString& EmptyString();

#endif
