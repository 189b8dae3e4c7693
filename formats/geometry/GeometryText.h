#ifndef WYX_FORMATS_GEOMETRY_GEOMETRYTEXT_H
#define WYX_FORMATS_GEOMETRY_GEOMETRYTEXT_H

// The small text operations the OBJ, MTL and DXF parsers share: words separated by blanks
// and tabs, trimming, and numbers read the way "%d" and "%lf" read them (an optional sign,
// then the number; the rest of the word ignored for an int, refused for a double), without
// locale or a terminating zero. They never read outside the view they are given.

#include <cstdio>
#include <string>
#include <string_view>

// Blank, tab, LF, VT, FF or CR (tab to CR are the codes 9 to 13).
inline bool IsBlank(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t'; }

// The view without blanks at either end.
std::string_view TrimBlanks(std::string_view text);
// The next word of `rest` (leading blanks skipped); `rest` becomes what follows it. Empty at
// the end. Inline: the parsers call it for every number of a file.
inline std::string_view NextWord(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return word;
}

// The whole word as a double ("1", "-2.5e3", "+.5", "inf"); false, out unchanged, for
// anything else, an empty word included.
bool ParseDouble(std::string_view word, double& out);
// A leading integer of the word ("12", "-3", "+4", "7abc" gives 7); false, out unchanged,
// when the word does not begin with one or it does not fit an int.
bool ParseLeadingInt(std::string_view word, int& out);
// The whole word (blanks around it allowed) as an int; false for anything else.
bool ParseInt(std::string_view word, int& out);

// Splits bytes into lines ending in LF, CR or CR LF (the last line may have no end).
class TextLines {
public:
    explicit TextLines(std::string_view bytes) : bytes_(bytes) {}
    // The next line without its end; false at the end of the bytes.
    bool Next(std::string_view& line);
    // The number of lines handed out so far (the last one's, from 1).
    int GetLineNumber() const { return line_; }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
    int line_ = 0;
};

// Closes the stream when one is open and forgets it; true when it closed cleanly or none was
// open.
bool CloseStream(std::FILE*& file);

// Reads the stream from where it stands to its end into bytes; false on a read error.
bool ReadRestOfStream(std::FILE* file, std::string& bytes);

#endif
