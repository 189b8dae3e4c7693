#ifndef WYX_FILEIO_RWYXASCIITOKENIZER_H
#define WYX_FILEIO_RWYXASCIITOKENIZER_H

// Scans the text of an ASCII WYX file: blanks, line ends, field names and values. A value is
// either quoted ("...", in which a backslash takes the next character literally, and which
// may run over line ends) or bare (a run up to ',', '{', '}', '"' or the line end, without
// its trailing blanks). Values are separated by ','.
//
// The tokenizer works on a range of the text and never reads outside it.

#include <cstdint>
#include <string>
#include <string_view>

class RWyxAsciiTokenizer {
public:
    struct Token {
        std::uint64_t offset = 0;  // of the first character; for a quoted value, of the quote
        std::uint64_t length = 0;  // quotes included
        bool quoted = false;
        bool escaped = false;  // a quoted value holding a backslash
    };

    enum class Scan { kValue, kNone, kBad };

    RWyxAsciiTokenizer(const char* text, std::uint64_t position, std::uint64_t end)
        : text_(text), pos_(position), end_(end) {}

    std::uint64_t Position() const { return pos_; }
    bool AtEnd() const { return pos_ >= end_; }
    char Peek() const { return text_[pos_]; }
    void Advance() { ++pos_; }

    // Spaces, tabs and carriage returns.
    void SkipBlanks();
    // At a line feed or at the end.
    bool AtLineEnd() const { return pos_ >= end_ || text_[pos_] == '\n'; }
    // Past the next line feed (or to the end).
    void SkipLine();
    // True when only blanks and line ends are left.
    bool OnlyBlankLinesLeft();
    // True when the text at the position begins with prefix; the position moves past it.
    bool Consume(std::string_view prefix);

    // A field name ending with ':' on this line, without surrounding blanks; the position
    // moves past the ':'. False when the line ends first or the name is empty.
    bool ReadName(std::uint64_t& offset, std::uint64_t& length);

    // The next value, after blanks. kNone when blanks, then a line end, '{' or the end of
    // the range come first. After a value, blanks and one ',' are passed; a ',' must be
    // followed by another value (kBad otherwise, as for an unclosed quote or a stray
    // character).
    Scan NextValue(Token& token);

    // A quoted token's text without its quotes and escapes, or a bare token's text.
    static std::string_view TokenText(const char* text, const Token& token, std::string& scratch);

private:
    Scan ScanQuoted(Token& token);
    Scan ScanBare(Token& token);
    Scan PassSeparator();

    const char* text_;
    std::uint64_t pos_;
    std::uint64_t end_;
};

#endif
