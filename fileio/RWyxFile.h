#ifndef WYX_FILEIO_RWYXFILE_H
#define WYX_FILEIO_RWYXFILE_H

// The WYX container file: named fields holding typed values, each field with an optional
// block of child fields, in one of three forms (binary, ASCII, encrypted binary).
//
// Design note
// -----------
// Binary layout (little-endian throughout):
//   file header, 16 bytes: magic 89 57 59 58 0D 0A 1A 0A, u32 file version, u8 form
//     (0 binary, 1 encrypted), 3 zero bytes.
//   sections, one after the other; the first is the main section, an optional second one the
//   extension section (binary forms only; it holds the Summary). Section header, 88 bytes:
//     "SECT", u32 kind (0 main, 1 extension), u32 section version, u32 flags (1 encrypted,
//     2 password protected, 4 tag over the whole file; the main section only), 12-byte
//     nonce, u32 password iterations,
//     16-byte password salt, 16-byte tag, 16-byte password check value, u64 body length;
//     fields a section does not use are zero. Then the body: records, ended by a null record.
//   footer, 24 bytes: u32 section count, u32 zero, u64 offset of the footer itself, magic
//     0A 57 59 58 45 4E 44 0A. A file that does not end in a footer pointing at itself is
//     truncated.
//   record: 13-byte header (u32 record length counted from the record's first byte, u32
//     value count, u32 value bytes, u8 name length), the name, the values, and when the
//     length is larger than that, a block of child records ended by the 13-byte null record
//     (all zero). An empty block is the null record alone; no block is nothing at all.
//   value: a type letter and its bytes: "D" double (8), "F" float (4, widened on reading),
//     "I" int32 (4), "L" int64 (8), "C" character (1), "S" string (u32 length, bytes),
//     "R" raw bytes (u32 length, bytes; embedded file content, copied in 512 KB pieces).
//   Records whose names begin with '#' belong to the container (the creation stamp and
//   creator, "#Header") and are hidden from the field API. A record (with its block) is at
//   most 4 GiB; blocks nest at most 999 deep, in both forms.
//
// ASCII form: a first line ";WYX ASCII <version>", then one field per line as
//   `Name: v1,v2,...` indented with one tab per block level, " {" at the end of a field's
//   line opening its block and "}" on a line of its own closing it; comments as "; text"
//   lines (';' starts a comment only at the start of a line); numbers as "%.15g" / "%d" text
//   made independently of the locale (a number beyond the doubles, as "%.15g" makes of the
//   largest one, reads as the largest double or zero, with its sign); strings quoted
//   with their quotes and backslashes escaped; a character bare, or quoted when it would
//   clash with the syntax; and a last line ";WYX END", so that a truncated file is
//   detected. The ASCII form has no extension section, no password and no raw values.
//
// Encryption: the main section's body is sealed with ChaCha20-Poly1305 (RFC 8439, OpenSSL's
//   libcrypto) under a random nonce kept in its header, in the encrypted form and whenever
//   the file has a password. The tag covers the file header, the section header (its tag
//   field zero: flags, nonce, salt, iterations, check value, body length) and the encrypted
//   body, so that no bit of them changes unnoticed; the reader authenticates and decrypts
//   the body before it looks at any record. The writer applies the keystream as bytes leave
//   its buffer (lengths are patched in place) and computes the tag from the encrypted body
//   read back from the file: at the end of the section, or with a password at Close, since
//   the tag of a protected file (flag 4) also covers, as additional data after the
//   headers, every byte that follows the body: the extension section, which stays plain,
//   and the footer. Files protected before flag 4 have their extension section uncovered
//   and still open. Without a password the extension section is not covered and the key is
//   built into the container: the encrypted form keeps content from casual reading and
//   finds damage, but does not keep it from anyone holding this library.
//
// Password: keys the main section. PBKDF2-HMAC-SHA256 of the password and a random 16-byte
//   salt (the iteration count kept in the header: 600,000 written, at most 2,000,000 read, so
//   that files written with 100,000 still open) gives a master key; HMAC-SHA256 of it gives
//   the section's key and a 16-byte check value kept in the header. The password is never
//   stored, nor anything that opens the file without it; keys are wiped after use, a wrong
//   password's too.
//   Opening a protected file without a password (or with an empty one) fails with
//   "Password required" before anything is derived; a password whose check value differs
//   with "Wrong password"; a body that does not authenticate as damaged ("File is
//   corrupted"). A password flag on any other section makes the file corrupt, and clearing
//   it leaves a body that is neither readable nor authentic. A password set after some of
//   the body left the write buffer has that part read back and encrypted again under it.
//
// Reading: the whole file is read into memory once (not mapped, so that another program
//   truncating the file cannot fault this one), from disk or from a caller's buffer
//   (OpenFromMemory copies it); every record header is checked against what encloses it and
//   against the file size (a record's value count fits its value bytes, at least two bytes
//   a value, none only when there are no bytes) and indexed into a compact tree in which
//   the children of a record lie next to each other; values are decoded on demand, each
//   read checked against its record's bounds, the last one against where the record's
//   values end. The index takes 32 bytes a record: the ASCII form is parsed twice (counting,
//   then placing each record), so that it is made at its exact size, at most about 11
//   times the file for its smallest records; the binary form grows it from a guess and
//   gives back what is left over, so that it too is held at its size. FieldReadBegin(name)
//   takes the next field of that name not taken yet during the current visit of the level
//   (names may repeat; a later one may be taken before an earlier one); entering a block
//   starts a new visit of it.
//
// Errors are sticky: the first failure (disk full, short write, corrupt input, misuse of
//   the field writer) is kept until the next Create or Open, reported by GetLastErrorID and
//   GetLastErrorString, and makes Close answer false. A failed write to the disk is kept by
//   the writing call during which it happened (the buffer goes out when it is full, so that
//   is some calls after the value concerned). Once a write has failed nothing more is
//   written. Answers that are not failures (no such field, an extension section refused in
//   the ASCII form) leave the error alone.
//
// Writing goes through platform::RFileReplacement: a temporary file beside the target (the
//   file its symbolic links lead to; without a name where the file system allows, so that a
//   killed writer leaves nothing), worked on through the descriptor it was created with,
//   which only a successful Close puts in place (synced, with the target's permissions and
//   owner, then the folder synced; a target with several hard links is overwritten in place
//   so that all its names see the new content, its old content copied aside first and put
//   back when the overwrite fails). A target this process may not open for writing is
//   refused at Create. A write that fails, is abandoned (Abandon) or is let go without Close
//   (destruction, another Create or Open) leaves the target as it was and removes the
//   temporary file; writers call Abandon on failures of their own. A failed Close reports
//   error 7 for a full disk, else 8; when the old content of a file overwritten in place
//   could not be put back, the text names the file beside it that holds it.

#include "core/RError.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "core/RWyxTimeStamp.h"
#include "fileio/RWyxAsciiTokenizer.h"
#include "fileio/LittleEndian.h"
#include "fileio/RWyxCipher.h"
#include "fileio/RWyxOutputStream.h"
#include "fileio/RWyxRecordIndex.h"
#include "platform/RFileReplacement.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// What a file records about itself besides its fields.
struct RWyxFileHeaderInfo {
    int fileVersion = 0;
    RWyxTimeStamp creationTimeStamp;  // all zero: not recorded
    RString creator;                  // empty: not recorded
};

class RWyxFile {
public:
    // Sections.
    static constexpr int kMainSection = 0;
    static constexpr int kExtensionSection = 1;

    // Error codes.
    static constexpr int kErrorCorrupted = 0;
    static constexpr int kErrorVersionTooNew = 1;
    static constexpr int kErrorVersionTooOld = 2;
    static constexpr int kErrorNotOpened = 3;
    static constexpr int kErrorNotCreated = 4;
    static constexpr int kErrorWrongPassword = 5;
    static constexpr int kErrorPasswordRequired = 6;
    static constexpr int kErrorOutOfDiskSpace = 7;
    static constexpr int kErrorWrite = 8;
    static constexpr int kErrorRead = 9;
    static constexpr int kErrorField = 10;

    // File versions this container writes and reads; from kTickTimeVersion on, times are
    // stored as 64-bit tick counts, before it as seconds.
    static constexpr int kMaxFileVersion = 6999;
    static constexpr int kTickTimeVersion = 2001;
    // Field names are 1 to this many bytes.
    static constexpr int kMaxNameLength = 255;
    // Iterations of the password's key derivation written into new files, and the most a
    // file may ask of the reader (older files were written with 100,000).
    static constexpr std::uint32_t kPasswordIterations = 600000;
    static constexpr std::uint32_t kMaxPasswordIterations = 2000000;
    // Embedded file content is copied in pieces of this size.
    static constexpr std::size_t kContentPieceSize = 512 * 1024;
    // Files from this size on (a large page's) have the memory that holds their bytes start on
    // a large page's boundary and backed in one call, by large pages where the system has
    // them, before the bytes are copied in.
    static constexpr std::uint64_t kLargeFileBytes = std::uint64_t{2} << 20;

    RWyxFile();
    // Releases the file; a write not completed by Close is abandoned (see Abandon).
    ~RWyxFile();
    RWyxFile(const RWyxFile&) = delete;
    RWyxFile& operator=(const RWyxFile&) = delete;

    // ---- Creating, opening, closing ----

    // Starts writing name (made absolute against the current folder) in the binary form
    // (encrypted when asked) or the ASCII form, with the header info's file version (1 to
    // kMaxFileVersion). The main section is open afterwards. A file still being written is
    // abandoned first, one being read released. False with error 4 "File not created" when
    // the file cannot be made: no name, a version out of range, a folder, a file this process
    // may not open for writing or anything but a regular file, a folder it may not create a
    // file in; the error's text names the file as given and, when a call of the system
    // failed, its reason ('File not created: "out/x.wyx": Permission denied'). A symbolic
    // link is followed: the file it names is written.
    bool Create(const char* name, bool binary, bool encrypted, const RWyxFileHeaderInfo& headerInfo);
    // Reads name in whichever form it has; the main section is current afterwards. False
    // with error 3 when it cannot be read, 0 when it is not a sound WYX file, 1 when its
    // version is newer than this container knows, 6 / 5 when it is protected and password is
    // missing or empty / wrong. After a failure nothing of the file is kept (header info,
    // form) but the error and the name. A file still being written is abandoned first.
    bool Open(const char* name, const char* password = nullptr);
    // Reads a WYX file held in memory (size bytes at data), as Open reads one from disk and
    // with the same checks and errors (3 when data is null). The bytes are copied: the
    // caller's buffer may go as soon as this returns. The file has no name or folder.
    bool OpenFromMemory(const void* data, std::size_t size, const char* password = nullptr);
    // Writing: closes open fields, blocks and sections, writes the end of the file, makes
    // sure every byte reached the disk and puts the file in place; only this replaces a
    // file. Reading: releases the file. False when the file was not open (error 3) or any
    // error was kept (a failed write is then abandoned).
    [[nodiscard]] bool Close();
    // Writing: drops everything written; the target is left as it was and the temporary
    // file removed. For a writer that stops on a failure of its own. Nothing otherwise.
    void Abandon();

    bool IsOpen() const { return mode_ != Mode::kClosed; }
    bool IsWriting() const { return mode_ == Mode::kWriting; }
    bool IsBinary() const { return binary_; }
    bool IsEncrypted() const { return encrypted_; }
    int GetFileVersion() const { return headerInfo_.fileVersion; }
    const RWyxFileHeaderInfo& GetHeaderInfo() const { return headerInfo_; }
    // The absolute name given to Create or Open; empty before.
    const RString& GetFileName() const { return fileName_; }

    // The kept error: -1 when there is none.
    int GetLastErrorID() const { return error_.GetLastErrorCode(); }
    const char* GetLastErrorString() const { return error_.GetLastErrorString(); }

    // ---- Paths; the answer is held by the file object until its next path call ----

    // A relative path joined to the file's folder (empty before Create or Open, so the path
    // comes back below the top: '\' and the path); any other path normalised.
    const char* GetFullPath(const char* path);
    // The path seen from the file's folder (from the top while there is none).
    const char* GetRelativePath(const char* path);

    // ---- Sections ----

    // Writing: ends the open section (closing its open fields and blocks). False when none
    // is open.
    bool ProjectCloseSection();
    // Writing: starts the extension section. False for the ASCII form, when one was written
    // already, and while a section is open unless closeOpenSection is set (the open section
    // is then closed first).
    bool ProjectCreateExtensionSection(bool closeOpenSection);
    // Reading: makes a section current, starting a new visit of its top level. False when
    // the file has no such section.
    bool ProjectOpenSection(int section);
    // The version recorded for a section; 0 when there is no such section.
    int GetSectionVersion(int section) const;
    // The current section's version; 0 when no section is current.
    int GetCurrentSectionVersion() const;
    // Writing, binary forms: protects the main section with the password: its whole body,
    // what was written before the call too, is sealed under a key made from the password
    // (the first call with a non-empty text counts). False, changing nothing, for the ASCII
    // form, for an empty text, when the main section already has a password, and unless
    // the main section is the open one.
    bool SetPassword(const char* text);
    // Reading: whether the main section is protected by a password.
    bool IsPasswordProtected() const;

    // ---- Field writer ----
    // Misuse sets error 10 with its text; every call does nothing once an error is kept.

    // Opens a field at the current level. Names are 1 to 255 bytes without control
    // characters, ':', '"', '{' or '}', beginning with neither '#' nor ';' (a comment in
    // the ASCII form; elsewhere in a name ';' is an ordinary character), and neither
    // beginning nor ending with a blank.
    void FieldWriteBegin(const char* name);
    // Closes the open field (its block, when it has one, must be closed).
    void FieldWriteEnd();
    // Opens the block of the open field; its values are complete then.
    void FieldWriteBlockBegin();
    // Closes the block whose fields are all closed.
    void FieldWriteBlockEnd();
    void FieldWriteDouble(double value);
    void FieldWriteFloat(float value);
    void FieldWriteInt(std::int32_t value);
    void FieldWriteLong(std::int64_t value);
    void FieldWriteChar(char value);
    // A null text is refused with error 10.
    void FieldWriteString(const char* text);
    void FieldWriteString(const RString& text);
    // Seconds as a double below version 2001, else the 64-bit tick count.
    void FieldWriteTime(RTime time);
    void FieldWriteTimeSpan(RTime start, RTime stop);
    // A comment line; ASCII form only (binary forms ignore comments). Each line of text
    // becomes its own comment line.
    void FieldWriteComment(const char* text);
    // Binary forms: appends the bytes of the file at path (or, when that cannot be opened,
    // at alternativePath, a relative one taken from this file's folder) as one raw value of
    // the open field. A file already embedded in this WYX file is not copied again (the
    // field then gets no value). False when neither file opens, for the ASCII form, and on
    // any error.
    bool FieldWriteFileContent(const char* path, const char* alternativePath);

    // ---- Field reader ----

    // Makes the next field of that name not yet taken at the current level current, with
    // its values rewound. False when none is left.
    bool FieldReadBegin(const char* name);
    // Leaves the current field.
    void FieldReadEnd();
    // Enters the block of the current field. False when there is no current field or it
    // has no block.
    bool FieldReadBlockBegin();
    // Leaves the block; the field that holds it is current again.
    void FieldReadBlockEnd();

    // The fields of the current level in file order: their count and names; making the
    // field at an index current (as FieldReadBegin does).
    int FieldGetCount() const;
    RString FieldGetName(int index) const;
    // As FieldGetName, without a copy: valid until the file closes.
    std::string_view FieldGetNameView(int index) const;
    bool FieldReadBeginAt(int index);
    // The current field's name; empty when none is current.
    RString FieldGetCurrentName() const;

    // The next value of the current field, converted. Numbers convert to each other (a
    // double to an integer truncates toward zero and saturates); texts (and every ASCII
    // value) are read as numbers where they read as such. Default answers (0, empty) when
    // no value is left or it does not convert; the value is passed all the same.
    double FieldReadDouble();
    std::int32_t FieldReadInt();
    std::int64_t FieldReadLong();
    // A "C" value, or the first character of a text.
    char FieldReadChar();
    // The next value as FieldReadDouble and FieldReadInt give it; false, the value passed all
    // the same, when it is not a number (its type, as FieldReadValueType gives it, is not "D",
    // "F", "I" or "L"). A binary "D" or "I" value is taken straight from the file's bytes.
    bool FieldReadNumber(double& value);
    bool FieldReadIntNumber(std::int32_t& value);
    // A text, or a number's text.
    RString FieldReadString();
    // As FieldReadString, without a copy: the text stays valid until the next value is read
    // or looked at, or the file closes.
    std::string_view FieldReadStringView();
    // A tick count or seconds: "L" is always ticks, "D" and "F" always seconds; any other
    // value (an "I" or a text, binary or ASCII alike) is ticks from version 2001 on and
    // seconds before.
    RTime FieldReadTime();
    // A raw value: a view of its bytes, valid until Close. False, and nothing passed, when
    // the next value is not raw.
    bool FieldReadRaw(const char*& bytes, std::uint32_t& size);
    // Passes the next value; false when none is left.
    bool FieldReadSkipValue();
    // The next `count` values of the current field in one step, when every one of them is a
    // sound binary text ("S") or, for the doubles, a binary "D": views valid until the file
    // closes, or the numbers. False, nothing passed and the array's content meaningless,
    // otherwise: the general reads then take or reject each value as before.
    bool FieldReadBinaryTexts(std::string_view* texts, int count);
    bool FieldReadBinaryDoubles(double* values, int count);
    // The first value of the current level's field at that index when it is a sound binary
    // text, looked at without making the field current: a view valid until the file closes.
    // False otherwise (the field is then read the general way).
    bool FieldPeekFirstText(int index, std::string_view& text) const;
    // The index of the first of the current level's fields named `name`, from index `from` on,
    // whose first value FieldPeekFirstText gives as `text` (the value may go on after a zero
    // byte: it reads as its C text does), with `matched` set; or of the first such field whose
    // first value it cannot give, with `matched` cleared (the caller reads it the general way).
    // -1 when neither is left.
    int FieldFindFirstText(std::string_view name, std::string_view text, int from, bool& matched) const;
    // As FieldFindFirstText, looking backwards: the last such field before index `before`. For
    // a probe whose record tends to lie at the end of its block.
    int FieldFindLastText(std::string_view name, std::string_view text, int before, bool& matched) const;
    // The name of the current level's field at that index, and its values as a binary file
    // holds them (each a type letter and its bytes) with their count: views valid until the
    // file closes, looked at without making the field current. False in an ASCII file or for
    // an index out of range. Inline: a reader of property blocks looks at every record so.
    bool FieldPeekBinary(int index, std::string_view& name, std::string_view& values, std::uint32_t& count) const;
    // Every field of the current level at once, as FieldPeekBinary gives each: the level's
    // index entries (`count` of them, null for none) and the file's bytes their offsets point
    // into, valid until the file closes. False in an ASCII file or without a level. For a
    // reader that looks at each record of a block in turn, checking the level once.
    bool FieldPeekBinaryLevel(const RWyxRecord*& records, std::uint32_t& count, const char*& bytes) const;
    // Binary values as FieldPeekBinary gives them when they are exactly `count` doubles
    // ("D"), or one integer ("I"); false, the output meaningless, otherwise.
    // Inline: a reader of property blocks decodes a value of nearly every record so.
    static bool DecodeBinaryDoubles(std::string_view values, double* numbers, int count) {
        constexpr std::size_t kSize = 9;  // the type letter and eight bytes
        if (count <= 0 || values.size() != kSize * static_cast<std::size_t>(count)) {
            return false;
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
        for (int i = 0; i < count; ++i, bytes += kSize) {
            if (bytes[0] != 'D') {
                return false;
            }
            numbers[i] = wyx_le::BitsToDouble(wyx_le::LoadU64(bytes + 1));
        }
        return true;
    }
    static bool DecodeBinaryInt(std::string_view values, std::int32_t& number) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
        if (values.size() != 5 || bytes[0] != 'I') {
            return false;
        }
        number = static_cast<std::int32_t>(wyx_le::LoadU32(bytes + 1));
        return true;
    }
    // Whether a text value reads as `text` (which holds no zero byte) in its C form: it ends,
    // or has a zero byte, where `text` ends.
    static bool ReadsAsText(std::string_view value, std::string_view text) {
        const std::size_t length = text.size();
        const bool endsThere = value.size() == length || (value.size() > length && value[length] == '\0');
        return endsThere && value.compare(0, length, text) == 0;
    }

    // Open the field, read one value, leave it; the default when the field is missing or
    // has no value.
    std::int32_t FieldReadIntByName(const char* name, std::int32_t defaultValue);
    RString FieldReadStringByName(const char* name, const char* defaultValue);
    // As FieldReadStringView: the empty view when the field is missing or has no value.
    std::string_view FieldReadStringViewByName(const char* name);
    char FieldReadCharByName(const char* name, char defaultValue);

    // The type letter of the next value; "S" when no field is current, 0 when no value is
    // left. ASCII values are classed by their text: quoted "S", integers "I" or "L", other
    // numbers "D", one other character "C", the rest "S".
    char FieldReadValueType();
    // The number of values of the current field not read yet.
    int FieldReadValuesLeft() const;

private:
    enum class Mode { kClosed, kWriting, kReading };
    enum class Phase { kValues, kBlockOpen, kBlockClosed };

    // A field being written.
    struct WriteFrame {
        std::uint64_t recordStart = 0;
        std::uint64_t valuesStart = 0;
        std::uint64_t valueCount = 0;
        std::uint64_t valueBytes = 0;  // binary: known once the values are complete
        Phase phase = Phase::kValues;
    };

    // A section as written or read.
    struct Section {
        int kind = kMainSection;
        int version = 0;
        std::uint64_t headerOffset = 0;  // binary forms
        std::uint64_t bodyLength = 0;    // writing: known once the section ended
        bool passwordProtected = false;
        bool sealed = false;  // reading: encrypted and authenticated
        RWyxLevel top;  // reading
    };

    // Where the next value of a field lies.
    struct Cursor {
        std::uint64_t offset = 0;
        std::uint32_t index = 0;
    };

    // A name looked up at a level: its fields before `next` are all taken.
    struct NameHint {
        std::string_view name;
        std::uint32_t next = 0;
    };

    // One level being read. The entries its visit marked read lie in [markedFrom, markedEnd).
    struct ReadLevel {
        RWyxLevel run;
        std::uint32_t current = kNoField;
        Cursor cursor;
        NameHint hints[4];
        int nextHint = 0;
        std::uint32_t markedFrom = kNoField;
        std::uint32_t markedEnd = 0;
    };

    // A decoded value.
    struct Value {
        char type = 0;
        double real = 0.0;
        std::int64_t integer = 0;
        std::string_view bytes;  // "S", "R", and every ASCII value's text
        bool asciiQuoted = false;
    };

    static constexpr std::uint32_t kNoField = 0xffffffffu;

    // Common (RWyxFile.cpp).
    void ResetState();
    // Abandons a write, releases a read.
    void LeaveOpenFile();
    // Everything about the file but the kept error and its name.
    void ForgetFile();
    // Open and OpenFromMemory after the name is set: load fills data_, then it is parsed.
    template <typename Load>
    bool OpenWith(const char* password, Load load);
    bool ParseBytes(const char* password);
    // data_ of that size (dataSize_), prepared for the copy when it is large; false without
    // memory.
    bool AllocateBytes(std::uint64_t size);
    bool CopyBytes(const void* data, std::size_t size);
    // Keeps a failure of the output stream as the error.
    void NoteOutputFailure();
    // Keeps the failure of putting the written file in place as the error.
    void NoteCommitFailure();
    void Fail(int code, const char* text = nullptr);
    // Error 4, naming the file (see Create).
    void FailCreate(const char* name, int reason);
    void FailField(const char* text) { Fail(kErrorField, text); }
    bool CanWrite();
    bool CanWriteValue();
    bool ReportValueMisuse();
    // Appends one value of the open field: writeBinary or writeAscii does the form's part.
    template <typename WriteBinary, typename WriteAscii>
    void WriteValue(WriteBinary writeBinary, WriteAscii writeAscii);
    WriteFrame* OpenFrame();
    void CloseOpenFields();
    void CloseSectionIfOpen();
    bool IsValidFieldName(const char* name) const;
    void BeginRecord(std::string_view name);
    bool StartSection(int kind);
    void WriteHeaderRecord();
    ReadLevel& Level() { return readLevels_.back(); }
    const ReadLevel& Level() const { return readLevels_.back(); }
    const RWyxRecord* CurrentRecord() const;
    std::string_view RecordName(const RWyxRecord& record) const;
    void StartVisit(const RWyxLevel& run);
    // Ends the innermost visit: the records it marked read are unmarked for the next one.
    void EndVisit();
    void MakeCurrent(std::uint32_t entry);
    bool NextValue(const RWyxRecord& record, Cursor& cursor, Value& value);
    bool NextCurrentValue(Value& value);
    // The next value of the current field when it is a sound binary value of a fixed size (a
    // number or a character): its type letter, then its bytes. Null otherwise. The common
    // case of the readers made quick; anything else takes the general road (NextValue).
    const unsigned char* PeekFixedValue() const;
    // The same, with the offset where the value ends.
    const unsigned char* NextFixedValue(std::uint64_t& next) const;
    // The bytes of that value when it has that type, passed; null, nothing passed, otherwise.
    const unsigned char* TakeFixedValue(char type);
    // The text of the next value when it is a sound binary "S" value, passed; false, nothing
    // passed, otherwise (the general road then reads or rejects it).
    bool TakeBinaryText(std::string_view& text);
    // Where the next binary value of the current field starts, with the end of the field's
    // values; null when the file is not binary, no field is current or no value is left.
    const unsigned char* NextBinaryValueStart(std::uint64_t& end) const;
    // Whether a binary value ending at `next` ends where the record lets it.
    bool EndsInPlace(std::uint64_t next, std::uint64_t end) const;
    // The next `count` values of the current field passed together when each is a sound
    // binary value that take accepts: take(start, room, i) reads the i-th value, starting there
    // with room bytes left in the field, and answers the bytes it takes, type letter included,
    // or 0 to refuse it. False, nothing passed, when any is refused or does not end in place
    // (what take stored for the values read then means nothing).
    template <typename Take>
    bool TakeBinaryRun(int count, Take take);
    // The "#Header" record among the hidden top-level records, when there is one.
    void ReadHeaderInfo();
    void ReadHeaderRecord(const RWyxRecord& record);
    // Opens the field, reads one value with read, leaves it.
    template <typename T, typename Read>
    T ReadOneValueByName(const char* name, T defaultValue, Read read);
    bool ReadFileBytes(const char* name);
    void ReleaseReading();

    // Binary form (RWyxFileBinary.cpp).
    void WriteBinaryFileHeader();
    bool WriteBinarySectionHeader(const Section& section);
    void EndBinarySection(Section& section);
    void WriteBinaryFooter();
    void BeginBinaryRecord(std::string_view name);
    void EndBinaryValues(WriteFrame& frame);
    void EndBinaryRecord(const WriteFrame& frame);
    void AppendBinaryNullRecord();
    void AppendBinaryBytesValue(char type, const char* bytes, std::size_t count);
    bool ParseBinaryFile(const char* password);
    bool ReadBinarySectionHeader(std::uint32_t index, std::uint64_t at, std::uint64_t footerOffset,
                                 Section& section, std::uint64_t& bodyLength) const;
    // Authenticates and decrypts a sealed section's body in place.
    bool UnsealSection(const Section& section, std::uint64_t bodyLength, const char* password);
    void SealSection(const Section& section, std::uint64_t bodyLength);
    template <typename Add>
    bool TagFileBytes(std::uint64_t offset, std::uint64_t count, std::vector<unsigned char>& piece, Add add);
    bool NextBinaryValue(const RWyxRecord& record, Cursor& cursor, Value& value) const;
    // A binary record's first value when it is a sound text (FieldPeekFirstText).
    bool PeekBinaryFirstText(const RWyxRecord& record, std::string_view& text) const;
    // Whether FieldFindFirstText stops at the record, with `matched` set as it tells.
    bool IsTextCandidate(const RWyxRecord& record, std::string_view name, std::string_view text, bool& matched) const;

    // ASCII form (RWyxFileAscii.cpp).
    void WriteAsciiIndent(std::size_t depth);
    void BeginAsciiRecord(std::string_view name);
    void AppendAsciiSeparator();
    void AppendAsciiDouble(double value);
    void AppendAsciiInteger(std::int64_t value);
    void AppendAsciiQuoted(std::string_view text);
    void AppendAsciiChar(char value);
    void WriteAsciiComment(const char* text);
    bool ParseAsciiFile();
    template <typename Sink>
    bool ScanAsciiRecords(std::uint64_t start, Sink& sink) const;
    bool ScanAsciiRecord(RWyxAsciiTokenizer& scan, RWyxRecord& record) const;
    bool NextAsciiValue(const RWyxRecord& record, Cursor& cursor, Value& value);

    // Password (RWyxFilePassword.cpp).
    bool WritePassword(const char* text);
    // The key of a protected section's body, or the error the password earns.
    int UnlockSection(const char* password, const unsigned char* sectionHeader, RWyxCipher::Key& key) const;

    // Embedded file content (RWyxFileContent.cpp).
    bool CopyFileAsRawValue(std::FILE* source);

    Mode mode_ = Mode::kClosed;
    bool binary_ = false;
    bool encrypted_ = false;
    RWyxFileHeaderInfo headerInfo_;
    RString fileName_;
    RString folder_;
    RString pathAnswer_;
    RError error_;

    // Writing.
    platform::RFileReplacement replacement_;
    RWyxOutputStream output_;
    std::unique_ptr<RWyxCipher> cipher_;  // of the main section, while it is encrypted
    unsigned char nonce_[RWyxCipher::kNonceSize] = {};
    std::vector<WriteFrame> frames_;
    std::vector<Section> sections_;  // also filled when reading
    bool sectionOpen_ = false;
    bool sealPending_ = false;  // the protected main section, sealed once the file is complete
    std::set<std::string> embeddedFiles_;

    // Reading.
    struct FreeDeleter {
        void operator()(char* bytes) const;
    };
    std::unique_ptr<char, FreeDeleter> data_;  // the whole file, main section decrypted
    std::uint64_t dataSize_ = 0;
    RWyxRecordIndex index_;
    std::vector<ReadLevel> readLevels_;
    int currentSection_ = -1;
    std::string scratch_;
    char numberText_[32] = {};  // FieldReadStringView's text of a number
};

inline bool RWyxFile::FieldPeekBinary(int index, std::string_view& name, std::string_view& values,
                                      std::uint32_t& count) const {
    const RWyxRecord* records = nullptr;
    std::uint32_t levelCount = 0;
    const char* bytes = nullptr;
    if (!FieldPeekBinaryLevel(records, levelCount, bytes) || index < 0 || static_cast<std::uint32_t>(index) >= levelCount) {
        return false;
    }
    const RWyxRecord& record = records[index];
    name = std::string_view(bytes + record.NameOffset(), record.nameLength);
    values = std::string_view(bytes + record.valuesOffset, record.valueBytes);
    count = record.valueCount;
    return true;
}

inline bool RWyxFile::FieldPeekBinaryLevel(const RWyxRecord*& records, std::uint32_t& count,
                                           const char*& bytes) const {
    if (!binary_ || readLevels_.empty()) {
        return false;
    }
    count = Level().run.count;
    records = count > 0 ? &index_.At(Level().run.first) : nullptr;
    bytes = data_.get();
    return true;
}

#endif
