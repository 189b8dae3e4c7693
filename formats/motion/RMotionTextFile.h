#ifndef WYX_FORMATS_MOTION_RMOTIONTEXTFILE_H
#define WYX_FORMATS_MOTION_RMOTIONTEXTFILE_H

// The line reader, tokenizer and printer under every text motion format (BVH, HTR, ASF, AMC,
// BRD and the marker formats). Each format object derives from it and adds its grammar.
//
// Reading: the source is a file opened with mode "r" or a byte span in memory (OpenBytes),
// read in chunks; NextLine hands over one significant line at a time: lines that hold only
// delimiters and lines whose first non-delimiter character is in the comment set are passed
// over (they still count in the line number). The line ends at its line feed, which is
// dropped; a carriage return before it stays and is a delimiter where the format lists it.
// A byte 0 inside a line ends the line's text for the tokenizer.
//
// Limits: a line may grow up to kMaxLineLength characters, the buffer growing in steps
// (10240, 20479, 30718, ...) as long lines arrive and never shrinking while the object
// lives. A longer line ends reading: NextLine answers false, the end flag is set and
// HasReadFailed answers true, so that a parser that stops at the end of the file can tell an
// overlong line from a clean end.
//
// Numbers: ReadInt, ReadDouble, ReadDoublePair and ReadVector accept the decimal forms of
// the C library (sign, digits, point, exponent), independently of the process locale. A
// number beyond the range of its type, NaN and the words for infinity are refused (the
// special words of ReadDouble and ReadDoublePair excepted, which stand for +-HUGE_VAL). A
// failed read leaves the cursor where it was.
//
// Writing: a file opened with mode "w" takes Print output, formatted in the "C" locale and
// buffered. The text goes to a temporary file beside the file, which Close puts in place when
// every byte was written; Abandon (a failed write) drops it and leaves the file as it was.
// Names go into a line as FieldName makes them, so that none ends its line or splits.
//
// Reports: Warning and Error format a numbered text for an optional sink; nothing is delivered
// without the report flag and a sink. They never decide a parse. The last error is kept
// whatever the flag ("line 12: Can't read frame rotation"), so that a reader can say where
// and why a file was refused.

#include "core/RFileStream.h"
#include "core/RString.h"
#include "fileio/RWriteFailure.h"
#include "platform/RFileReplacement.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One entry of a keyword table; a table ends with an entry whose keyword is "".
struct RMotionKeyword {
    const char* keyword;
    int count;  // how often ReadKeyword returned this entry
};

class RMotionTextFile {
public:
    using ReportSink = void (*)(const char* text);

    static constexpr unsigned kInitialCapacity = 10240;
    static constexpr unsigned kCapacityStep = 10239;
    // The longest line read; enough for a frame line of tens of thousands of channels.
    static constexpr unsigned kMaxLineLength = 1u << 20;
    static constexpr int kMaxReportLength = 1023;
    static constexpr int kWordBufferLength = 1023;

    // The delimiter set serves as skip set and word-delimiter set. The sets are not copied:
    // they are the format's static texts.
    RMotionTextFile(const char* formatName, const char* delimiters, const char* comments, bool exact, bool report);
    virtual ~RMotionTextFile();
    RMotionTextFile(const RMotionTextFile&) = delete;
    RMotionTextFile& operator=(const RMotionTextFile&) = delete;

    // ---- opening and closing -----------------------------------------------------------------
    // Opens the file (mode "r" to read, "w" to write) and loads the first significant line.
    // Answers true when the file could NOT be opened (the end flag is then set), false on
    // success.
    bool Open(const char* path, const char* mode);
    // Reads from the bytes (kept by the caller until Close) as from a file opened with "r".
    void OpenBytes(const void* data, std::size_t size);
    // Closes the file; a written file is put in place. Answers true when nothing was open or
    // the written file could not be completed and put in place (it is then dropped).
    bool Close();
    // Closes the file; a written file is dropped, leaving the file as it was.
    void Abandon();
    // Restarts at the first significant line, counting lines from the start again; false when
    // the source cannot go back or holds no significant line.
    bool Rewind();
    bool IsOpen() const { return reading_ || writing_; }
    // The bytes of the source being read (the file's size when it was opened); 0 when none.
    std::int64_t GetSourceSize() const;

    // ---- lines ----------------------------------------------------------------------------------
    // The next significant line; false at the end of the source or after an overlong line.
    bool NextLine();
    bool IsAtEnd() const { return end_; }
    // True when reading ended at a line longer than kMaxLineLength rather than at the end.
    bool HasReadFailed() const { return readFailed_; }
    int GetLineNumber() const { return lineNumber_; }
    unsigned GetBufferCapacity() const { return capacity_; }
    // The current line from the cursor on.
    const char* GetCursor() const { return cursor_; }
    const char* GetLine() const { return buffer_.data(); }

    // ---- tokenizer ---------------------------------------------------------------------------
    // Replaces the skip set only; answers the previous one.
    const char* SetSkipDelimiters(const char* set);
    // The first position at or after the given one that is not in the skip set; null for null.
    const char* SkipDelimiters(const char* position) const {
        if (position == nullptr) {
            return nullptr;
        }
        while (skipTable_[static_cast<unsigned char>(*position)]) {
            ++position;
        }
        return position;
    }
    // The index of the first keyword the text at the cursor begins with (without regard to
    // case); the cursor moves past it and the delimiters after it and the entry is counted.
    // -1 when none matches.
    int ReadKeyword(RMotionKeyword* table);
    int PeekKeyword(const RMotionKeyword* table) const;
    // The same for keywords that are words of their own: a keyword matches only when a
    // word delimiter or the end of the line follows it, so that a name beginning with one
    // ("EndEffector" for "end") is no keyword.
    int ReadWholeKeyword(RMotionKeyword* table);
    int PeekWholeKeyword(const RMotionKeyword* table) const;
    static void ResetKeywordCounts(RMotionKeyword* table);
    bool PeekChar(char& out) const;
    bool GetChar(char& out);
    // Copies up to max characters of the word at the cursor into buffer (max + 1 bytes),
    // then skips delimiters; the rest of a longer word stays at the cursor.
    bool ReadWord(char* buffer, int max);
    bool ReadWord(RString& out);
    // The whole word at the cursor, however long, then skips delimiters.
    bool ReadField(std::string& out);
    bool ReadInt(int& out);
    bool ReadDouble(double& out, double scale);
    // Reads up to count numbers of a row into out, each as ReadDouble with scale 1 reads it,
    // except that a number that is not finite (the words for infinity too) ends the row.
    // Answers how many were read; the cursor stands past the last of them.
    int ReadFiniteDoubles(double* out, int count);
    bool ReadDoublePair(double out[2], double scale);
    bool ReadVector(double out[3], double scale);

    // ---- reports and printing ----------------------------------------------------------------
    void SetWarningSink(ReportSink sink) { warningSink_ = sink; }
    void SetErrorSink(ReportSink sink) { errorSink_ = sink; }
    void Warning(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // "line N: " and the text of the last Error since opening; empty when none.
    const std::string& GetLastErrorText() const { return lastError_; }
    // Two blanks per indent level, then the text. Answers the characters formatted, -1 when
    // the text could not be formatted or no file is open for writing.
    int Print(int indent, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // Hands the buffered output to the file; false when any byte could not be written (now or
    // before).
    bool Flush();
    bool IsWriting() const { return writing_; }
    // Why the output could not be written whole or put in place by Close (none while it
    // could); kept after Close and Abandon until the next Open.
    const RWriteFailure& GetWriteFailure() const { return writeFailure_; }
    // A name as one field of a line: its control characters (and, with blanksSeparate, its
    // blanks) as '_', so that it neither ends the line nor splits into fields; an empty name,
    // which would leave its field out, as "Unnamed".
    static RString FieldName(const RString& name, bool blanksSeparate);
    // Why a name written as one word cannot be read back whole by a reader that keeps at most
    // maxLength characters of it: "is empty" (the word would be missing) or "is longer than
    // <maxLength> characters"; empty when it can. Blanks and control characters are the
    // writers' check (RWyxWriterMotion::CheckNodes).
    static RString WordNameFault(const RString& name, int maxLength);

    const char* GetFormatName() const { return formatName_; }

    // ---- numbers (shared by the format objects) ----------------------------------------------
    // The finite number at the text's start (after white space and an optional '+'); answers
    // the characters used, 0 when none could be read or it lies beyond the doubles.
    static std::size_t ParseDouble(const char* text, double& out);
    static std::size_t ParseInt(const char* text, int& out);

private:
    class Source;

    bool ReadRawLine();
    bool AppendToLine(const char* bytes, std::size_t count);
    void ClearLine();
    bool IsSignificant();
    void MoveCursor(const char* position) { cursor_ = SkipDelimiters(position); }
    void FillSkipTable();
    bool MatchesRestOfLine(const char* word) const;
    int FindKeyword(const RMotionKeyword* table, bool wholeWord) const;
    // Moves the cursor past the entry found (index >= 0) and counts it; answers the index.
    int TakeKeyword(RMotionKeyword* table, int index);
    void Report(ReportSink sink, const char* kind, const char* format, std::va_list args, std::string* kept);

    const char* formatName_;
    const char* skipSet_;
    bool skipTable_[256] = {};  // skipSet_ by byte value, so that skipping needs no search
    const char* wordDelimiters_;
    const char* commentSet_;
    bool exact_;
    bool report_;

    std::unique_ptr<Source> source_;
    platform::RFileReplacement output_;
    std::string outputBuffer_;
    bool writing_ = false;
    bool reading_ = false;
    RWriteFailure writeFailure_;

    int lineNumber_ = 0;
    unsigned capacity_ = kInitialCapacity;
    std::vector<char> buffer_;
    std::size_t lineLength_ = 0;
    const char* cursor_ = nullptr;
    bool end_ = true;
    bool readFailed_ = false;
    ReportSink warningSink_ = nullptr;
    ReportSink errorSink_ = nullptr;
    std::string lastError_;
};

#endif
