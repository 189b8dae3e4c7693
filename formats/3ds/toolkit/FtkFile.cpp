#include "formats/3ds/toolkit/FtkFile.h"

#include "formats/3ds/toolkit/FtkBytes.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "platform/NativeFiles.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

struct FileTable {
    std::vector<std::unique_ptr<FtkFile>> slots;  // empty while there is no table
    int highWater = 0;
    FtkFile* current = nullptr;
    int currentSlot = 0;
    std::uint32_t nextSerial = 1;
};

FileTable& Table() {
    static FileTable table;
    return table;
}

constexpr std::size_t kMaxMemoryFile = std::numeric_limits<std::uint32_t>::max();

void AttachBuffer(FtkFile& file) {
    if (file.buffer == nullptr) {
        file.buffer.reset(new (std::nothrow) char[kFtkBufferSize]);
        file.bufferSize = file.buffer != nullptr ? kFtkBufferSize : 0;
    }
    if (file.buffer != nullptr && file.stream != nullptr) {
        std::setvbuf(file.stream, file.buffer.get(), _IOFBF, kFtkBufferSize);
    }
}

bool OpenStream(FtkFile& file) {
    file.stream = platform::OpenFile(file.name.c_str(), file.mode == kFtkModeRead ? "rb" : "wb");
    if (file.stream == nullptr) {
        FtkSetError(ERR_OPENING_FILE);
        return false;
    }
    AttachBuffer(file);
    return true;
}

// Closes the stream; false when the close failed.
bool CloseStream(FtkFile& file) {
    if (file.stream == nullptr) {
        return true;
    }
    const bool closed = std::fclose(file.stream) == 0;
    file.stream = nullptr;
    return closed;
}

// The mode the text asks for: its first 'r' or 'w'; none when it has neither.
FtkFileMode ModeOf(const char* mode, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (mode[i] == 'r') return kFtkModeRead;
        if (mode[i] == 'w') return kFtkModeWrite;
    }
    return kFtkModeNone;
}

bool ReadRaw(void* destination, std::size_t count) {
    FtkFile* file = Table().current;
    std::size_t got = 0;
    if (file != nullptr && file->inMemory) {
        const std::size_t available =
            file->memoryPosition < file->memory.size() ? file->memory.size() - file->memoryPosition : 0;
        got = std::min(count, available);
        if (got > 0) {
            std::memcpy(destination, file->memory.data() + file->memoryPosition, got);
        }
        file->memoryPosition += got;
    } else if (file != nullptr && file->stream != nullptr && count > 0) {
        got = std::fread(destination, 1, count, file->stream);
    }
    if (got < count) {
        FtkSetError(ERR_READING_FILE);
        return false;
    }
    return true;
}

bool WriteRaw(const void* source, std::size_t count) {
    FtkFile* file = Table().current;
    bool written = false;
    if (file != nullptr && file->mode == kFtkModeWrite && file->inMemory) {
        if (count <= kMaxMemoryFile && file->memoryPosition <= kMaxMemoryFile - count) {
            const std::size_t end = file->memoryPosition + count;
            if (file->memory.size() < end) {
                file->memory.resize(end);
            }
            if (count > 0) {
                std::memcpy(file->memory.data() + file->memoryPosition, source, count);
            }
            file->memoryPosition = end;
            written = true;
        }
    } else if (file != nullptr && file->stream != nullptr && file->mode == kFtkModeWrite) {
        written = count == 0 || std::fwrite(source, 1, count, file->stream) == count;
    }
    if (!written) {
        FtkSetError(ERR_WRITING_FILE);
    }
    return written;
}

void WriteEncoded(const FtkByteWriter& writer) { WriteRaw(writer.View().data(), writer.View().size()); }

// Reads count bytes and decodes them; a short read leaves the bytes zero.
template <std::size_t N>
FtkByteReader ReadFixed(unsigned char (&bytes)[N]) {
    std::memset(bytes, 0, N);
    ReadRaw(bytes, N);
    return FtkByteReader(bytes, N);
}

}  // namespace

FtkFile::~FtkFile() {
    if (stream != nullptr) {
        std::fclose(stream);
    }
}

// ---- the table ----------------------------------------------------------------------------------

void FtkInitFileTable() {
    FileTable& table = Table();
    table.slots.clear();
    table.slots.resize(kFtkMaxFiles);
    table.highWater = 0;
    table.currentSlot = 0;
}

std::unique_ptr<FtkFile> FtkNewFileRecord() {
    std::unique_ptr<FtkFile> file(new (std::nothrow) FtkFile);
    if (file == nullptr) {
        FtkSetError(ERR_NO_MEM);
        return nullptr;
    }
    file->serial = Table().nextSerial++;
    return file;
}

FtkFile* FtkRegisterFile(std::unique_ptr<FtkFile> file) {
    if (file == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    FileTable& table = Table();
    if (table.slots.empty()) {
        FtkInitFileTable();
    }
    int candidate = table.highWater;
    for (int slot = 0; slot < table.highWater; ++slot) {
        if (table.slots[static_cast<std::size_t>(slot)] == nullptr) {
            candidate = slot;
            break;
        }
    }
    if (candidate >= kFtkMaxFiles) {
        FtkSetError(ERR_TOO_MANY_FILES);
        return nullptr;
    }
    file->slot = static_cast<std::uint8_t>(candidate);
    FtkFile* registered = file.get();
    table.slots[static_cast<std::size_t>(candidate)] = std::move(file);
    if (candidate == table.highWater) {
        ++table.highWater;
    }
    return registered;
}

std::unique_ptr<FtkFile> FtkUnregisterFile(FtkFile* file) {
    FileTable& table = Table();
    if (file == nullptr || file->slot >= table.slots.size() || table.slots[file->slot].get() != file) {
        return nullptr;
    }
    std::unique_ptr<FtkFile> record = std::move(table.slots[file->slot]);
    record->slot = kFtkNoSlot;
    if (table.current == file) {
        table.current = nullptr;
    }
    return record;
}

FtkFile* FtkFindFileByName(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    for (const std::unique_ptr<FtkFile>& file : Table().slots) {
        if (file != nullptr && !file->inMemory && file->name == name) {
            return file.get();
        }
    }
    return nullptr;
}

FtkFile* FtkGetFileByIndex(int slot) {
    const FileTable& table = Table();
    return slot >= 0 && slot < table.highWater ? table.slots[static_cast<std::size_t>(slot)].get() : nullptr;
}

bool FtkIsRegisteredFile(const FtkFile* file) {
    for (int slot = 0; file != nullptr && slot < FtkFileTableHighWater(); ++slot) {
        if (FtkGetFileByIndex(slot) == file) return true;
    }
    return false;
}

bool FtkIsValidFileIndex(int slot) { return slot >= 0 && slot < kFtkNoSlot && FtkGetFileByIndex(slot) != nullptr; }

int FtkSelectFile(FtkFile* file) {
    FileTable& table = Table();
    table.current = file;
    table.currentSlot = file != nullptr ? file->slot : 0;
    return table.currentSlot;
}

void FtkSelectFileByIndex(int slot) {
    if (FtkFile* file = FtkGetFileByIndex(slot)) {
        FtkSelectFile(file);
    }
}

FtkFile* FtkCurrentFile() { return Table().current; }

std::FILE* FtkCurrentStream() { return Table().current != nullptr ? Table().current->stream : nullptr; }

int FtkCurrentFileIndex() { return Table().currentSlot; }

int FtkFileTableHighWater() { return Table().highWater; }

std::uint64_t FtkFileSize(FtkFile* file) {
    if (file == nullptr) {
        return 0;
    }
    if (file->inMemory) {
        return file->memory.size();
    }
    if (file->stream == nullptr) {
        return 0;
    }
    const long here = std::ftell(file->stream);
    if (here < 0 || std::fseek(file->stream, 0, SEEK_END) != 0) {
        return 0;
    }
    const long size = std::ftell(file->stream);
    std::fseek(file->stream, here, SEEK_SET);
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

// ---- opening and closing ------------------------------------------------------------------------

bool FtkMoveReaderAside(FtkFile* file) {
    if (file == nullptr || file->stream == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    const long position = std::ftell(file->stream);
    if (!CloseStream(*file)) {
        FtkSetError(ERR_CLOSING_FILE);
        return false;
    }
    // A fresh name in the file's own folder, so that the rename stays on one file system.
    const std::size_t separator = file->name.find_last_of("\\/:");
    const std::string folder = separator == std::string::npos ? std::string(".") : file->name.substr(0, separator + 1);
    const std::string aside = platform::CreateTempFile(folder.c_str(), "ftk");
    if (aside.empty() || !platform::RenameFile(file->name.c_str(), aside.c_str())) {
        if (!aside.empty()) {
            platform::RemoveFile(aside.c_str());
        }
        FtkSetError(ERR_OPENING_FILE);
        return false;
    }
    file->temporary = true;
    file->name = aside;
    file->stream = platform::OpenFile(aside.c_str(), "rb");
    if (file->stream == nullptr) {
        FtkSetError(ERR_OPENING_FILE);
        return false;
    }
    AttachBuffer(*file);
    std::fseek(file->stream, position < 0 ? 0 : position, SEEK_SET);
    return true;
}

FtkFile* FtkOpenFile(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    if (ftkErrorPending) {
        FtkSetError(ERR_INIT_FAILED);
        return nullptr;
    }
    const std::size_t modeLength = FtkStringLength(mode, kFtkMaxModeLength);
    if (FtkShouldStop()) {
        return nullptr;
    }
    const FtkFileMode wanted = ModeOf(mode, modeLength);
    if (wanted == kFtkModeNone) {
        FtkSetError(ERR_INIT_FAILED);
        return nullptr;
    }
    FtkFile* existing = FtkFindFileByName(name);
    if (existing != nullptr && existing->mode == wanted) {
        return existing;
    }
    std::unique_ptr<FtkFile> record = FtkNewFileRecord();
    if (record == nullptr) {
        FtkSetError(ERR_INIT_FAILED);
        return nullptr;
    }
    record->name = name;
    record->mode = wanted;
    FtkFile* file = FtkRegisterFile(std::move(record));
    if (file == nullptr) {
        return nullptr;
    }
    if (existing != nullptr) {
        // The old reader goes on reading the old contents under another name; an old
        // writer is finished first.
        if (existing->mode == kFtkModeRead) {
            FtkMoveReaderAside(existing);
        } else {
            FtkCloseFile(existing);
        }
        if (FtkShouldStop()) {
            FtkUnregisterFile(file);
            return nullptr;
        }
    }
    if (!OpenStream(*file)) {
        FtkUnregisterFile(file);
        return nullptr;
    }
    return file;
}

FtkFile* FtkOpenMemoryFile(const void* data, std::size_t size) {
    if ((data == nullptr && size > 0) || size > kMaxMemoryFile) {
        FtkSetError(ERR_INVALID_ARG);
        return nullptr;
    }
    std::unique_ptr<FtkFile> record = FtkNewFileRecord();
    if (record == nullptr) {
        return nullptr;
    }
    record->inMemory = true;
    record->mode = kFtkModeRead;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    record->memory.assign(bytes, bytes + size);
    return FtkRegisterFile(std::move(record));
}

FtkFile* FtkCreateMemoryFile() {
    std::unique_ptr<FtkFile> record = FtkNewFileRecord();
    if (record == nullptr) {
        return nullptr;
    }
    record->inMemory = true;
    record->mode = kFtkModeWrite;
    return FtkRegisterFile(std::move(record));
}

const std::vector<unsigned char>& FtkMemoryFileContents(const FtkFile* file) {
    static const std::vector<unsigned char> kNone;
    return file != nullptr && file->inMemory ? file->memory : kNone;
}

void FtkCloseFile(FtkFile* file) {
    if (file == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    const bool closed = CloseStream(*file);
    if (file->temporary) {
        platform::RemoveFile(file->name.c_str());
    }
    std::unique_ptr<FtkFile> record = FtkUnregisterFile(file);
    if (record == nullptr && Table().current == file) {
        Table().current = nullptr;
    }
    // An unregistered record belongs to whoever made it; only registered ones are freed here.
    record.reset();
    if (!closed) {
        FtkSetError(ERR_CLOSING_FILE);
    }
}

void FtkCloseAllFiles() {
    FileTable& table = Table();
    // Every file is closed, also after an error: a file left open would outlive the table.
    for (std::unique_ptr<FtkFile>& slot : table.slots) {
        if (slot != nullptr) {
            FtkCloseFile(slot.get());
        }
    }
    table.slots.clear();
    table.highWater = 0;
    table.currentSlot = 0;
    table.current = nullptr;
}

// ---- primitives ---------------------------------------------------------------------------------

std::uint32_t FtkTell() {
    const FtkFile* file = Table().current;
    if (file == nullptr) {
        return 0;
    }
    if (file->inMemory) {
        return static_cast<std::uint32_t>(file->memoryPosition);
    }
    const long position = file->stream != nullptr ? std::ftell(file->stream) : -1;
    return position < 0 ? 0 : static_cast<std::uint32_t>(position);
}

bool FtkSeek(std::uint32_t position) {
    FtkFile* file = Table().current;
    if (file == nullptr) {
        return false;
    }
    if (file->inMemory) {
        file->memoryPosition = position;
        return true;
    }
    return file->stream != nullptr && std::fseek(file->stream, static_cast<long>(position), SEEK_SET) == 0;
}

std::uint8_t FtkReadByte() {
    unsigned char bytes[1];
    return ReadFixed(bytes).Byte();
}

std::uint16_t FtkReadWord() {
    unsigned char bytes[2];
    return ReadFixed(bytes).Word();
}

std::uint32_t FtkReadDword() {
    unsigned char bytes[4];
    return ReadFixed(bytes).Dword();
}

float FtkReadFloat() {
    unsigned char bytes[4];
    return ReadFixed(bytes).Float();
}

bool FtkReadBytes(std::size_t count, void* buffer) {
    if (buffer == nullptr && count > 0) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    return ReadRaw(buffer, count);
}

void FtkWriteByte(std::uint8_t value) { WriteRaw(&value, 1); }

void FtkWriteWord(std::uint16_t value) {
    FtkByteWriter writer;
    writer.Word(value);
    WriteEncoded(writer);
}

void FtkWriteDword(std::uint32_t value) {
    FtkByteWriter writer;
    writer.Dword(value);
    WriteEncoded(writer);
}

void FtkWriteFloat(float value) {
    FtkByteWriter writer;
    writer.Float(value);
    WriteEncoded(writer);
}

void FtkWriteBytes(std::size_t count, const void* buffer) {
    if (buffer == nullptr && count > 0) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    WriteRaw(buffer, count);
}

void FtkWriteString(const char* text) {
    const char* written = text != nullptr ? text : "";
    WriteRaw(written, std::strlen(written) + 1);
}

bool FtkReadString(char* buffer, std::size_t limit) {
    if (buffer == nullptr || limit == 0) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    for (std::size_t i = 0; i < limit; ++i) {
        char c = 0;
        if (!ReadRaw(&c, 1)) {
            return false;
        }
        buffer[i] = c;
        if (c == '\0') {
            return true;
        }
    }
    buffer[limit - 1] = '\0';
    FtkSetError(ERR_READING_FILE);
    return false;
}

bool FtkReadStringAlloc(std::string& out, std::size_t n) {
    std::vector<char> scratch(n + 1);
    if (!FtkReadString(scratch.data(), n + 1)) {
        return false;
    }
    out = scratch.data();
    return true;
}

void FtkWriteFixedString(const char* text, std::size_t width) {
    const char* written = text != nullptr ? text : "";
    const std::size_t length = std::strlen(written);
    if (length >= width) {
        WriteRaw(written, length);
        return;
    }
    std::vector<char> field(width, '\0');
    std::memcpy(field.data(), written, length);
    WriteRaw(field.data(), width);
}

bool FtkReadFixedString(char* buffer, std::size_t width) {
    if (!FtkReadString(buffer, width)) {
        return false;
    }
    const std::size_t used = std::strlen(buffer) + 1;
    std::vector<char> rest(width - used);
    // The rest of the field is read and kept, behind the text's zero.
    if (!rest.empty() && !ReadRaw(rest.data(), rest.size())) {
        return false;
    }
    std::copy(rest.begin(), rest.end(), buffer + used);
    return true;
}

bool FtkReadFixedStringAlloc(std::string& out, std::size_t n) {
    std::vector<char> scratch(n + 1);
    if (!FtkReadFixedString(scratch.data(), n + 1)) {
        return false;
    }
    out = scratch.data();
    return true;
}

bool FtkReadHeader(std::uint32_t& id, std::uint32_t& length) {
    unsigned char bytes[6];
    FtkByteReader reader = ReadFixed(bytes);
    id = reader.Word();
    length = reader.Dword();
    return !FtkShouldStop();
}

void FtkWriteHeader(std::uint32_t id, std::uint32_t length) {
    FtkByteWriter writer;
    writer.Word(static_cast<std::uint16_t>(id));
    writer.Dword(length);
    WriteEncoded(writer);
}

void FtkFinishHeader(std::uint32_t start, std::uint32_t end) {
    FtkSeek(start + 2);
    FtkWriteDword(end - start);
    FtkSeek(end);
}

FtkPoint FtkReadPoint() {
    unsigned char bytes[12];
    return ReadFixed(bytes).Point();
}

void FtkWritePoint(const FtkPoint& point) {
    FtkByteWriter writer;
    writer.Point(point);
    WriteEncoded(writer);
}

FtkTexVert FtkReadTexVert() {
    unsigned char bytes[8];
    return ReadFixed(bytes).TexVert();
}

void FtkWriteTexVert(const FtkTexVert& texVert) {
    FtkByteWriter writer;
    writer.TexVert(texVert);
    WriteEncoded(writer);
}

FtkFace FtkReadFace() {
    unsigned char bytes[8];
    if (!ReadRaw(bytes, sizeof bytes)) {
        return FtkFace();
    }
    return FtkByteReader(bytes, sizeof bytes).Face();
}

void FtkWriteFace(const FtkFace& face) {
    FtkByteWriter writer;
    writer.Face(face);
    WriteEncoded(writer);
}

FtkTrackHeader FtkReadTrackHeader() {
    unsigned char bytes[14];
    if (!ReadRaw(bytes, sizeof bytes)) {
        return FtkTrackHeader();
    }
    return FtkByteReader(bytes, sizeof bytes).TrackHeader();
}

void FtkWriteTrackHeader(const FtkTrackHeader& header) {
    FtkByteWriter writer;
    writer.TrackHeader(header);
    WriteEncoded(writer);
}

FtkKeyHeader FtkReadKeyHeader() {
    unsigned char bytes[26] = {};
    if (!ReadRaw(bytes, 6)) {
        return FtkKeyHeader();
    }
    const std::uint16_t rflags = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
    const std::size_t size = FtkKeyHeaderSize(rflags);
    if (!ReadRaw(bytes + 6, size - 6)) {
        return FtkKeyHeader();
    }
    return FtkByteReader(bytes, size).KeyHeader();
}

void FtkWriteKeyHeader(const FtkKeyHeader& key) {
    FtkByteWriter writer;
    writer.KeyHeader(key);
    WriteEncoded(writer);
}

// The file form is decoded byte by byte (FtkBytes.h), whatever the host's order, so the values
// reaching these are already in host order.
std::uint16_t FtkSwapWord(std::uint16_t value) { return value; }

std::uint32_t FtkSwapDword(std::uint32_t value) { return value; }

std::size_t FtkStringLength(const char* text, std::size_t limit) {
    if (text == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return 0;
    }
    std::size_t length = 0;
    while (text[length] != '\0' && length <= limit) {
        ++length;
    }
    if (length <= limit) {
        return length;
    }
    FtkSetError(ERR_STRING_TOO_LONG);
    return ftkContinueOnError ? length + std::strlen(text + length) : 0;
}

std::string FtkStrDup(const char* text) { return text != nullptr ? std::string(text) : std::string(); }
