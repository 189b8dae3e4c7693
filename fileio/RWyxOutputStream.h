#ifndef WYX_FILEIO_RWYXOUTPUTSTREAM_H
#define WYX_FILEIO_RWYXOUTPUTSTREAM_H

// The byte sink of a WYX file being written: a large buffer in front of an unbuffered C file
// (which it does not own), absolute positions, patches of bytes already written (in the
// buffer or on disk), the encryption of one range of the file on its way out, and reading
// back what was written (to compute a tag over it).
//
// The first failure is kept; after it every operation does nothing.

#include "fileio/RWyxCipher.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

class RWyxOutputStream {
public:
    enum class Failure { kNone, kOutOfSpace, kWriteError };

    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    RWyxOutputStream();  // the buffer is made by the first Attach
    ~RWyxOutputStream() = default;
    RWyxOutputStream(const RWyxOutputStream&) = delete;
    RWyxOutputStream& operator=(const RWyxOutputStream&) = delete;

    // Writes to an open file (positioned at its start, open for reading too), which stays
    // its owner's; false when the file cannot be set to unbuffered writing.
    bool Attach(std::FILE* file);

    // The absolute offset of the next byte.
    std::uint64_t Position() const { return flushed_ + used_; }

    void Append(const void* bytes, std::size_t count) {
        if (count <= kBufferSize - used_) {
            std::memcpy(buffer_.get() + used_, bytes, count);
            used_ += count;
        } else {
            AppendLarge(static_cast<const unsigned char*>(bytes), count);
        }
    }
    void AppendByte(unsigned char byte) {
        if (used_ == kBufferSize) {
            Flush();
        }
        buffer_[used_++] = byte;
    }
    // Room for count bytes at the end of the buffer (count at most kBufferSize); the caller
    // fills some of them and then calls Commit with the number used.
    unsigned char* Reserve(std::size_t count) {
        if (count > kBufferSize - used_) {
            Flush();
        }
        return buffer_.get() + used_;
    }
    void Commit(std::size_t count) { used_ += count; }
    // A tag byte followed by N bytes.
    template <std::size_t N>
    void AppendTagged(char tag, const unsigned char (&bytes)[N]) {
        unsigned char* target = Reserve(1 + N);
        target[0] = static_cast<unsigned char>(tag);
        std::memcpy(target + 1, bytes, N);
        Commit(1 + N);
    }

    // Overwrites count bytes at an earlier offset (they must have been appended already).
    void Patch(std::uint64_t offset, const void* bytes, std::size_t count) {
        if (offset >= flushed_) {
            std::memcpy(buffer_.get() + (offset - flushed_), bytes, count);
        } else {
            PatchWritten(offset, static_cast<const unsigned char*>(bytes), count);
        }
    }

    // Bytes from start on are encrypted with cipher until EndEncryption (end offset).
    void BeginEncryption(RWyxCipher* cipher, std::uint64_t start);
    // Encryption from start on with another cipher from now on: bytes already on the disk
    // are read back, decrypted from the old cipher (where it applied) and encrypted anew.
    void SwitchEncryption(RWyxCipher* cipher, std::uint64_t start);
    void EndEncryption();

    // Writes out the buffer and copies count bytes at offset, as they are in the file, into
    // bytes. False (and a failure kept) when they cannot be read.
    bool ReadBack(std::uint64_t offset, unsigned char* bytes, std::size_t count);

    // Writes out everything and lets the file go. Answers the first failure of the stream's
    // life (kNone when all went well).
    Failure Finish();
    // Lets the file go without writing out the buffer.
    void Abandon();
    // The first failure so far (kNone while all went well).
    Failure GetFailure() const { return failure_; }

private:
    void Flush();
    // Patch of bytes of which some have left the buffer already.
    void PatchWritten(std::uint64_t offset, const unsigned char* bytes, std::size_t count);
    void AppendLarge(const unsigned char* bytes, std::size_t count);
    // Writes count bytes found at the file's current offset `offset`, encrypting them (in
    // place) where they fall in the encrypted range.
    void WriteOut(std::uint64_t offset, unsigned char* bytes, std::size_t count);
    void Encrypt(std::uint64_t offset, unsigned char* bytes, std::size_t count);
    bool SeekTo(std::uint64_t offset);
    void Fail();

    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0;  // bytes already handed to the file
    std::FILE* file_ = nullptr;
    RWyxCipher* cipher_ = nullptr;
    std::uint64_t encryptedStart_ = 0;
    std::uint64_t encryptedEnd_ = 0;
    Failure failure_ = Failure::kNone;
};

#endif
