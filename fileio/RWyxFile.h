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
//     2 password protected; the main section only), 12-byte nonce, u32 password iterations,
//     16-byte password salt, 32-byte password verifier, u64 body length; then the body:
//     records, ended by a null record.
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
// Encryption: the main section's body passes through ChaCha20 (OpenSSL's libcrypto) under a
//   key built into the container and a random nonce kept in the section header. The
//   keystream can be taken at any offset, so the writer patches lengths in place and the
//   reader decrypts the body once. No key exists in the interfaces: this keeps content from
//   casual reading only, not from anyone holding this library.
//
// Password: never stored reversibly. The main section's header keeps a random 16-byte
//   salt, an iteration count and PBKDF2-HMAC-SHA256 of the password (32 bytes); a password
//   flag on any other section makes the file corrupt. Opening a protected file without the
//   password fails with "Password required", with a wrong one with "Wrong password". The
//   password gates this reader only; it does not key the encryption.
//
// Reading: the whole file is read into memory once (not mapped, so that another program
//   truncating the file cannot fault this one); every record header is checked against
//   what encloses it and against the file size and indexed into a compact tree in which the
//   children of a record lie next to each other; values are decoded on demand, each read
//   checked against its record's bounds. FieldReadBegin(name) takes the next field of that
//   name not taken yet during the current visit of the level (names may repeat; a later one
//   may be taken before an earlier one); entering a block starts a new visit of it.
//
// Errors are sticky: the first failure (disk full, short write, corrupt input, misuse of
//   the field writer) is kept until the next Create or Open, reported by GetLastErrorID and
//   GetLastErrorString, and makes Close answer false. A failed write to the disk is kept by
//   the writing call during which it happened (the buffer goes out when it is full, so that
//   is some calls after the value concerned). Once a write has failed nothing more is
//   written and the file is not put in place. Answers that are not failures (no such
//   field, an extension section refused in the ASCII form) leave the error alone. Writing
//   goes to a temporary file beside the target, which Close flushes, syncs to the disk and
//   renames over the target, so a failed write never damages an existing file.

#include "core/RError.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "core/RWyxTimeStamp.h"
#include "fileio/RWyxCipher.h"
#include "fileio/RWyxOutputStream.h"
#include "fileio/RWyxRecordIndex.h"

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
    // Embedded file content is copied in pieces of this size.
    static constexpr std::size_t kContentPieceSize = 512 * 1024;

    RWyxFile();
    // Closes the file (a file being written is completed and put in place).
    ~RWyxFile();
    RWyxFile(const RWyxFile&) = delete;
    RWyxFile& operator=(const RWyxFile&) = delete;

    // ---- Creating, opening, closing ----

    // Starts writing name (made absolute against the current folder) in the binary form
    // (encrypted when asked) or the ASCII form, with the header info's file version (1 to
    // kMaxFileVersion). The main section is open afterwards. A file still open is closed
    // first. False with error 4 "File not created" when the file cannot be made (also when
    // name is a folder).
    bool Create(const char* name, bool binary, bool encrypted, const RWyxFileHeaderInfo& headerInfo);
    // Reads name in whichever form it has; the main section is current afterwards. False
    // with error 3 when it cannot be read, 0 when it is not a sound WYX file, 1 when its
    // version is newer than this container knows, 6 / 5 when it is protected and password is
    // missing / wrong. After a failure nothing of the file is kept (header info, form) but
    // the error and the name.
    bool Open(const char* name, const char* password = nullptr);
    // Writing: closes open fields, blocks and sections, writes the end of the file, makes
    // sure every byte reached the disk and puts the file in place. Reading: releases the
    // file. False when the file was not open (error 3) or any error was kept.
    bool Close();

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
    // Writing, binary forms: protects the main section with the password (the first call
    // with a non-empty text counts). False, changing nothing, for the ASCII form, for an
    // empty text, when the main section already has a password, and unless the main
    // section is the open one.
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
    // A text, or a number's text.
    RString FieldReadString();
    // A tick count or seconds: "L" is always ticks, "D" and "F" always seconds; any other
    // value (an "I" or a text, binary or ASCII alike) is ticks from version 2001 on and
    // seconds before.
    RTime FieldReadTime();
    // A raw value: a view of its bytes, valid until Close. False, and nothing passed, when
    // the next value is not raw.
    bool FieldReadRaw(const char*& bytes, std::uint32_t& size);
    // Passes the next value; false when none is left.
    bool FieldReadSkipValue();

    // Open the field, read one value, leave it; the default when the field is missing or
    // has no value.
    std::int32_t FieldReadIntByName(const char* name, std::int32_t defaultValue);
    RString FieldReadStringByName(const char* name, const char* defaultValue);
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
        bool passwordProtected = false;
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

    // One level being read.
    struct ReadLevel {
        RWyxLevel run;
        std::uint32_t current = kNoField;
        Cursor cursor;
        NameHint hints[4];
        int nextHint = 0;
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
    // Everything about the file but the kept error and its name.
    void ForgetFile();
    bool ReadAndParse(const char* password);
    // Keeps a failure of the output stream as the error.
    void NoteOutputFailure();
    void Fail(int code, const char* text = nullptr);
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
    void MakeCurrent(std::uint32_t entry);
    bool NextValue(const RWyxRecord& record, Cursor& cursor, Value& value);
    bool NextCurrentValue(Value& value);
    const unsigned char* TakeFixedValue(char type, std::size_t size);
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
    bool NextBinaryValue(const RWyxRecord& record, Cursor& cursor, Value& value) const;

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
    bool NextAsciiValue(const RWyxRecord& record, Cursor& cursor, Value& value);

    // Password (RWyxFilePassword.cpp).
    bool WritePasswordVerifier(const char* text);
    int CheckPassword(const char* password, const unsigned char* sectionHeader) const;

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
    RString tempName_;
    RWyxOutputStream output_;
    RWyxCipher cipher_;
    unsigned char nonce_[RWyxCipher::kNonceSize] = {};
    std::vector<WriteFrame> frames_;
    std::vector<Section> sections_;  // also filled when reading
    bool sectionOpen_ = false;
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
};

#endif
