#ifndef WYX_CORE_RMEMORYSTREAM_H
#define WYX_CORE_RMEMORYSTREAM_H

// A stream over a block of memory that belongs to the caller.
//
// Reads and writes stay inside the block whatever the arguments: the position always lies
// between 0 and the size, and the block never grows. The stream is open while a block is
// attached; it has no file, so Open and OpenWithMode fail and Truncate answers -1.

#include "core/RFileStream.h"

class RMemoryStream : public RFileStream {
public:
    RMemoryStream() = default;
    ~RMemoryStream() override = default;

    using RFileStream::ReadByte;
    using RFileStream::ReadInt16;
    using RFileStream::ReadInt32;

    bool Open(const char* name, const char* mode) override;
    bool OpenWithMode(const char* name, int mode, bool text) override;
    // Forgets the block (the memory stays the caller's).
    void Close() override;

    // Copies min(count, bytes left) bytes.
    int Read(void* buffer, int count) override;
    // Copies up to size - 1 bytes, stopping after a line feed, and terminates; null when
    // nothing is left (or size is below 2).
    char* Gets(char* buffer, int size) override;
    // Read all of their bytes or nothing: with fewer left, 0 and the position stays.
    std::int32_t ReadInt32(std::int32_t& value, bool swap) override;
    std::int16_t ReadInt16(std::int16_t& value, bool swap) override;
    std::uint8_t ReadByte(std::uint8_t& value) override;
    // Copies min(count, room left) bytes.
    int Write(const void* buffer, int count) override;
    // The target is offset from the start (origin 0), from the position (1), or size - offset
    // (2); a target before the start is 0, one past the size is the size. Any other origin
    // moves to 0. Answers the new position.
    long Seek(int origin, long offset) override;
    long Tell() override;
    // Moves only when 0 <= offset <= size; 0 when it moved, -1 otherwise.
    int SeekTo(long offset) override;
    bool IsOpen() const override;
    bool HasError() override;
    void ClearError() override;
    // No block, or the position at the size.
    bool IsEof() override;

    // Attaches a block of size bytes at position 0; false for a null block or a negative size.
    virtual bool SetBuffer(void* buffer, long size);

    long GetSize() const { return size_; }

private:
    // The bytes left to read from the position, at most count.
    long Available(long count) const;

    unsigned char* buffer_ = nullptr;
    long size_ = 0;
    long position_ = 0;
};

#endif
