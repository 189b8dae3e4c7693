#include "core/RFileStream.h"

#include "core/FilePaths.h"
#include "platform/NativeFiles.h"
#include "platform/SystemServices.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// The C runtime modes of OpenWithMode, by mode number.
const char* const kModeTexts[] = {"r", "w", "w+", "a"};

}  // namespace

RFileStream::~RFileStream() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool RFileStream::Open(const char* name, const char* mode) {
    Close();
    if (name == nullptr || mode == nullptr) {
        return false;
    }
    OpenFileUtf8(file_, name, mode);
    fileName_ = name;
    return file_ != nullptr;
}

bool RFileStream::OpenWithMode(const char* name, int mode, bool text) {
    if (mode < kModeRead || mode > kModeAppend) {
        return false;
    }
    RString fullMode(kModeTexts[mode]);
    fullMode += text ? 't' : 'b';
    return Open(name, fullMode.Buffer());
}

void RFileStream::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

int RFileStream::Read(void* buffer, int count) {
    if (file_ == nullptr || buffer == nullptr || count <= 0) {
        return 0;
    }
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(count), file_));
}

char* RFileStream::Gets(char* buffer, int size) {
    if (file_ == nullptr || buffer == nullptr || size <= 0) {
        return nullptr;
    }
    return std::fgets(buffer, size, file_);
}

void RFileStream::DecodeRead(unsigned char* bytes, int count, bool complete, bool swap, void* value) {
    if (!complete) {
        std::fill(bytes, bytes + count, 0);
    } else if (swap) {
        std::reverse(bytes, bytes + count);
    }
    std::memcpy(value, bytes, static_cast<std::size_t>(count));
}

std::int32_t RFileStream::ReadInt32(std::int32_t& value, bool swap) {
    unsigned char bytes[4];
    DecodeRead(bytes, 4, Read(bytes, 4) == 4, swap, &value);
    return value;
}

std::int16_t RFileStream::ReadInt16(std::int16_t& value, bool swap) {
    unsigned char bytes[2];
    DecodeRead(bytes, 2, Read(bytes, 2) == 2, swap, &value);
    return value;
}

std::uint8_t RFileStream::ReadByte(std::uint8_t& value) {
    unsigned char byte = 0;
    DecodeRead(&byte, 1, Read(&byte, 1) == 1, false, &value);
    return value;
}

std::uint32_t RFileStream::ReadInt32(std::uint32_t& value, bool swap) {
    std::int32_t read = 0;
    ReadInt32(read, swap);
    value = static_cast<std::uint32_t>(read);
    return value;
}

std::uint16_t RFileStream::ReadInt16(std::uint16_t& value, bool swap) {
    std::int16_t read = 0;
    ReadInt16(read, swap);
    value = static_cast<std::uint16_t>(read);
    return value;
}

char RFileStream::ReadByte(char& value) {
    std::uint8_t read = 0;
    ReadByte(read);
    value = static_cast<char>(read);
    return value;
}

int RFileStream::Write(const void* buffer, int count) {
    if (file_ == nullptr || buffer == nullptr || count <= 0) {
        return 0;
    }
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), file_));
}

long RFileStream::Seek(int origin, long offset) {
    if (file_ == nullptr) {
        return 0;
    }
    int whence = SEEK_SET;
    if (origin == kFromCurrent) {
        whence = SEEK_CUR;
    } else if (origin == kFromEnd) {
        whence = SEEK_END;
    } else if (origin != kFromStart) {
        return -1;
    }
    return std::fseek(file_, offset, whence);
}

long RFileStream::Tell() { return file_ != nullptr ? std::ftell(file_) : 0; }

int RFileStream::SeekTo(long offset) { return file_ != nullptr ? std::fseek(file_, offset, SEEK_SET) : 0; }

bool RFileStream::IsOpen() const { return file_ != nullptr; }

const RString& RFileStream::GetFileName() const { return fileName_; }

bool RFileStream::HasError() { return file_ != nullptr && std::ferror(file_) != 0; }

void RFileStream::ClearError() {
    if (file_ != nullptr) {
        std::clearerr(file_);
    }
}

bool RFileStream::IsEof() { return file_ != nullptr && std::feof(file_) != 0; }

int RFileStream::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = WriteFormatted(format, args);
    va_end(args);
    return written;
}

int RFileStream::WriteFormatted(const char* format, std::va_list args) {
    if (!IsOpen() || format == nullptr) {
        return 0;
    }
    char buffer[kPrintfBufferSize];
    va_list again;
    va_copy(again, args);
    const int length = platform::FormatText(buffer, sizeof(buffer), format, args);
    int written = -1;
    if (length >= 0 && length < kPrintfBufferSize) {
        written = Write(buffer, length);
    } else if (length >= kPrintfBufferSize) {
        // Too long for the buffer: format again into one that fits, rather than cut the text.
        const std::size_t size = static_cast<std::size_t>(length) + 1;
        std::unique_ptr<char[]> large(new (std::nothrow) char[size]);
        if (large != nullptr && platform::FormatText(large.get(), size, format, again) == length) {
            written = Write(large.get(), length);
        }
    }
    va_end(again);
    return written;
}

int RFileStream::Truncate(long size) { return file_ != nullptr ? platform::TruncateFile(file_, size) : -1; }
