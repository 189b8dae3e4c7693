#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKFILE_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKFILE_H

// The file layer of the 3DS toolkit: the table of open files with its current file, and the
// primitives that read and write bytes, words, floats, strings, chunk headers and small
// records on the current file (little-endian throughout).
//
// A file is a disk file opened by name with the C runtime's buffered streams ("rb", "wb"),
// or a block of bytes in memory: FtkOpenMemoryFile reads a copy of the caller's bytes and
// FtkCreateMemoryFile collects what is written. Everything above this layer (the chunk
// reader, the database, the entity functions) works the same on either, so the chunk
// reader runs on a byte span and the path-taking open is a thin wrapper.
//
// Failures are recorded codes (FtkErrors.h): every read that gets fewer bytes than asked
// records ERR_READING_FILE and answers 0 (the destination keeps what was read); every
// failed write records ERR_WRITING_FILE. The table holds 252 files; its records belong to
// it from FtkOpenFile to FtkCloseFile. Each record carries a serial number of its own, so
// that data of a file once held in a slot is never read from a later file in that slot.

#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

constexpr int kFtkMaxFiles = 252;
constexpr std::uint8_t kFtkNoSlot = 255;
constexpr std::uint32_t kFtkBufferSize = 8192;
// The longest mode text looked at.
constexpr std::size_t kFtkMaxModeLength = 30;

enum FtkFileMode : std::uint8_t { kFtkModeNone = 0, kFtkModeRead = 1, kFtkModeWrite = 2 };

struct FtkFile {
    FtkFile() = default;
    FtkFile(const FtkFile&) = delete;
    FtkFile& operator=(const FtkFile&) = delete;
    // Closes a stream still open (without reporting).
    ~FtkFile();

    std::FILE* stream = nullptr;  // disk files; null when not open
    bool inMemory = false;        // memory files use `memory` instead
    std::vector<unsigned char> memory;
    std::size_t memoryPosition = 0;
    std::string name;             // the name it was opened under; empty for memory files
    std::uint8_t mode = kFtkModeNone;
    std::uint8_t slot = kFtkNoSlot;
    std::unique_ptr<char[]> buffer;  // the stream's buffer
    std::uint32_t bufferSize = 0;
    bool temporary = false;  // deleted by name when closed
    std::uint32_t serial = 0;
};

// ---- the table of open files ------------------------------------------------------------------
// Opens name for reading (a mode text whose first 'r' or 'w' is an 'r') or writing. A name
// already open in the same mode answers that record; a name open for reading is moved aside
// before it is opened for writing; a name open for writing is closed before it is opened for
// reading. Null on failure: ERR_INVALID_ARG (null name or mode), ERR_INIT_FAILED (an error
// already pending, or neither 'r' nor 'w'), ERR_STRING_TOO_LONG (a mode of more than 30
// characters), ERR_TOO_MANY_FILES, ERR_OPENING_FILE.
FtkFile* FtkOpenFile(const char* name, const char* mode);
// A file for reading over a copy of size bytes (at most 4 GiB); null on failure.
FtkFile* FtkOpenMemoryFile(const void* data, std::size_t size);
// A file for writing that collects its bytes in memory.
FtkFile* FtkCreateMemoryFile();
// The bytes of a memory file (empty for a disk file or null).
const std::vector<unsigned char>& FtkMemoryFileContents(const FtkFile* file);
// Closes the stream (deleting a temporary file), unregisters and frees the record;
// ERR_CLOSING_FILE when the stream's close fails.
void FtkCloseFile(FtkFile* file);
// Closes every open file in slot order and frees the table.
void FtkCloseAllFiles();
// Makes the table (252 empty slots); high-water mark and current slot 0.
void FtkInitFileTable();
// Puts the record in the first free slot (making the table on first use) and answers it;
// ERR_TOO_MANY_FILES (the record is freed) when all 252 slots are taken.
FtkFile* FtkRegisterFile(std::unique_ptr<FtkFile> file);
// Empties the record's slot when it holds the record, and hands the record back.
std::unique_ptr<FtkFile> FtkUnregisterFile(FtkFile* file);
// The first registered file of that name (case-sensitive), or null.
FtkFile* FtkFindFileByName(const char* name);
// Whether the table holds the record, told without reading it: a record freed by a close of
// every file is not read.
bool FtkIsRegisteredFile(const FtkFile* file);
// The file of the slot; null at or above the high-water mark.
FtkFile* FtkGetFileByIndex(int slot);
bool FtkIsValidFileIndex(int slot);
// Makes the file current; answers its slot.
int FtkSelectFile(FtkFile* file);
// Makes the file of the slot current; a slot above the high-water mark changes nothing.
void FtkSelectFileByIndex(int slot);
FtkFile* FtkCurrentFile();
std::FILE* FtkCurrentStream();
int FtkCurrentFileIndex();
// The size of the file in bytes (0 for null or a stream whose size cannot be told).
std::uint64_t FtkFileSize(FtkFile* file);
// Slots ever used since the table was made.
int FtkFileTableHighWater();
// A new unregistered record with the defaults (slot 255) and a serial of its own.
std::unique_ptr<FtkFile> FtkNewFileRecord();
// Renames a file open for reading to a temporary name in its folder and reopens it there
// at the same position; it is deleted when closed.
bool FtkMoveReaderAside(FtkFile* file);

// ---- primitives on the current file ----------------------------------------------------------
std::uint32_t FtkTell();
bool FtkSeek(std::uint32_t position);
std::uint8_t FtkReadByte();
std::uint16_t FtkReadWord();
std::uint32_t FtkReadDword();
float FtkReadFloat();
// Reads count bytes into buffer; false (and ERR_READING_FILE) when fewer were there.
bool FtkReadBytes(std::size_t count, void* buffer);
void FtkWriteByte(std::uint8_t value);
void FtkWriteWord(std::uint16_t value);
void FtkWriteDword(std::uint32_t value);
void FtkWriteFloat(float value);
void FtkWriteBytes(std::size_t count, const void* buffer);
// The text and its zero.
void FtkWriteString(const char* text);
// Bytes up to and including the first zero, at most limit of them, into buffer (which holds
// limit bytes); ERR_READING_FILE when no zero comes within limit bytes.
bool FtkReadString(char* buffer, std::size_t limit);
// As FtkReadString with limit n + 1, into a string.
bool FtkReadStringAlloc(std::string& out, std::size_t n);
// A field of width bytes: the text, then zeros; a text of width or more bytes is written whole.
void FtkWriteFixedString(const char* text, std::size_t width);
// The text up to its zero (at most width bytes), then the rest of the width-byte field.
bool FtkReadFixedString(char* buffer, std::size_t width);
bool FtkReadFixedStringAlloc(std::string& out, std::size_t n);
// Chunk header: id (16-bit) then length (32-bit).
bool FtkReadHeader(std::uint32_t& id, std::uint32_t& length);
void FtkWriteHeader(std::uint32_t id, std::uint32_t length);
// Writes end - start as the length of the chunk header at start and returns to end.
void FtkFinishHeader(std::uint32_t start, std::uint32_t end);
FtkPoint FtkReadPoint();
void FtkWritePoint(const FtkPoint& point);
FtkTexVert FtkReadTexVert();
void FtkWriteTexVert(const FtkTexVert& texVert);
FtkFace FtkReadFace();
void FtkWriteFace(const FtkFace& face);
FtkTrackHeader FtkReadTrackHeader();
void FtkWriteTrackHeader(const FtkTrackHeader& header);
FtkKeyHeader FtkReadKeyHeader();
void FtkWriteKeyHeader(const FtkKeyHeader& key);

// File order and host order; plain copies on a little-endian host.
std::uint16_t FtkSwapWord(std::uint16_t value);
std::uint32_t FtkSwapDword(std::uint32_t value);

// The length of a text of at most limit characters; a longer text records ERR_STRING_TOO_LONG
// and gives 0 (its length when ftkContinueOnError is set); null records ERR_INVALID_ARG.
std::size_t FtkStringLength(const char* text, std::size_t limit);
// A copy of the text (null as empty).
std::string FtkStrDup(const char* text);

#endif
