#include "core/RMemoryStream.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// a + b, or a - b, held to the range of long.
long SaturatingAdd(long a, long b) {
    long sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? (b > 0 ? LONG_MAX : LONG_MIN) : sum;
}

long SaturatingSubtract(long a, long b) {
    long difference = 0;
    return __builtin_sub_overflow(a, b, &difference) ? (b < 0 ? LONG_MAX : LONG_MIN) : difference;
}

}  // namespace

bool RMemoryStream::Open(const char*, const char*) { return false; }

bool RMemoryStream::OpenWithMode(const char*, int, bool) { return false; }

void RMemoryStream::Close() {
    buffer_ = nullptr;
    size_ = 0;
    position_ = 0;
}

long RMemoryStream::Available(long count) const {
    return buffer_ == nullptr || count <= 0 ? 0 : std::min(count, size_ - position_);
}

int RMemoryStream::Read(void* buffer, int count) {
    if (buffer == nullptr) {
        return 0;
    }
    const long copied = Available(count);
    if (copied > 0) {
        std::memcpy(buffer, buffer_ + position_, static_cast<std::size_t>(copied));
        position_ += copied;
    }
    return static_cast<int>(copied);
}

char* RMemoryStream::Gets(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return nullptr;
    }
    buffer[0] = '\0';
    const long room = Available(size - 1);
    long copied = 0;
    while (copied < room) {
        const unsigned char byte = buffer_[position_ + copied];
        buffer[copied++] = static_cast<char>(byte);
        if (byte == '\n') {
            break;
        }
    }
    buffer[copied] = '\0';
    position_ += copied;
    return copied > 0 ? buffer : nullptr;
}

std::int32_t RMemoryStream::ReadInt32(std::int32_t& value, bool swap) {
    unsigned char bytes[4];
    DecodeRead(bytes, 4, Available(4) == 4 && Read(bytes, 4) == 4, swap, &value);
    return value;
}

std::int16_t RMemoryStream::ReadInt16(std::int16_t& value, bool swap) {
    unsigned char bytes[2];
    DecodeRead(bytes, 2, Available(2) == 2 && Read(bytes, 2) == 2, swap, &value);
    return value;
}

std::uint8_t RMemoryStream::ReadByte(std::uint8_t& value) {
    unsigned char byte = 0;
    DecodeRead(&byte, 1, Read(&byte, 1) == 1, false, &value);
    return value;
}

int RMemoryStream::Write(const void* buffer, int count) {
    if (buffer == nullptr) {
        return 0;
    }
    const long copied = Available(count);
    if (copied > 0) {
        std::memmove(buffer_ + position_, buffer, static_cast<std::size_t>(copied));
        position_ += copied;
    }
    return static_cast<int>(copied);
}

long RMemoryStream::Seek(int origin, long offset) {
    long target = 0;
    if (origin == kFromStart) {
        target = offset;
    } else if (origin == kFromCurrent) {
        target = SaturatingAdd(position_, offset);
    } else if (origin == kFromEnd) {
        target = SaturatingSubtract(size_, offset);
    }
    position_ = std::clamp(target, 0L, size_);
    return position_;
}

long RMemoryStream::Tell() { return position_; }

int RMemoryStream::SeekTo(long offset) {
    if (buffer_ == nullptr || offset < 0 || offset > size_) {
        return -1;
    }
    position_ = offset;
    return 0;
}

bool RMemoryStream::IsOpen() const { return buffer_ != nullptr; }

bool RMemoryStream::HasError() { return false; }

void RMemoryStream::ClearError() {}

bool RMemoryStream::IsEof() { return buffer_ == nullptr || position_ >= size_; }

bool RMemoryStream::SetBuffer(void* buffer, long size) {
    if (buffer == nullptr || size < 0) {
        return false;
    }
    buffer_ = static_cast<unsigned char*>(buffer);
    size_ = size;
    position_ = 0;
    return true;
}
