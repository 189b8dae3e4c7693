#include "fileio/RWyxOutputStream.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

RWyxOutputStream::RWyxOutputStream() = default;

bool RWyxOutputStream::Attach(std::FILE* file) {
    Abandon();
    if (file == nullptr || std::setvbuf(file, nullptr, _IONBF, 0) != 0) {
        return false;
    }
    if (buffer_ == nullptr) {
        buffer_ = std::make_unique<unsigned char[]>(kBufferSize);
    }
    file_ = file;
    used_ = 0;
    flushed_ = 0;
    cipher_ = nullptr;
    encryptedStart_ = encryptedEnd_ = 0;
    failure_ = Failure::kNone;
    return true;
}

void RWyxOutputStream::Fail() {
    if (failure_ == Failure::kNone) {
        failure_ = (errno == ENOSPC || errno == EDQUOT) ? Failure::kOutOfSpace : Failure::kWriteError;
    }
}

void RWyxOutputStream::Encrypt(std::uint64_t offset, unsigned char* bytes, std::size_t count) {
    if (cipher_ == nullptr) {
        return;
    }
    const std::uint64_t from = std::max(offset, encryptedStart_);
    const std::uint64_t to = std::min(offset + count, encryptedEnd_);
    if (from < to && !cipher_->Apply(from - encryptedStart_, bytes + (from - offset), to - from)) {
        errno = 0;
        Fail();
    }
}

void RWyxOutputStream::WriteOut(std::uint64_t offset, unsigned char* bytes, std::size_t count) {
    Encrypt(offset, bytes, count);
    if (failure_ == Failure::kNone && count > 0 && std::fwrite(bytes, 1, count, file_) != count) {
        Fail();
    }
}

void RWyxOutputStream::Flush() {
    if (file_ != nullptr && failure_ == Failure::kNone) {
        WriteOut(flushed_, buffer_.get(), used_);
    }
    flushed_ += used_;
    used_ = 0;
}

void RWyxOutputStream::AppendLarge(const unsigned char* bytes, std::size_t count) {
    while (count > 0) {
        if (used_ == kBufferSize) {
            Flush();
        }
        const std::size_t piece = std::min(count, kBufferSize - used_);
        std::memcpy(buffer_.get() + used_, bytes, piece);
        used_ += piece;
        bytes += piece;
        count -= piece;
    }
}

bool RWyxOutputStream::SeekTo(std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max()) ||
        std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
        Fail();
        return false;
    }
    return true;
}

void RWyxOutputStream::PatchWritten(std::uint64_t offset, const unsigned char* bytes, std::size_t count) {
    // The part still in the buffer is patched there, in plain form.
    if (offset + count > flushed_) {
        const std::size_t onDisk = static_cast<std::size_t>(flushed_ - offset);
        std::memcpy(buffer_.get(), bytes + onDisk, count - onDisk);
        count = onDisk;
    }
    if (file_ == nullptr || failure_ != Failure::kNone) {
        return;
    }
    // The part already on disk is rewritten in place, then writing goes on at the end.
    std::vector<unsigned char> copy(bytes, bytes + count);
    if (SeekTo(offset)) {
        WriteOut(offset, copy.data(), count);
        SeekTo(flushed_);
    }
}

void RWyxOutputStream::BeginEncryption(RWyxCipher* cipher, std::uint64_t start) {
    cipher_ = cipher;
    encryptedStart_ = start;
    encryptedEnd_ = std::numeric_limits<std::uint64_t>::max();
}

void RWyxOutputStream::EndEncryption() {
    encryptedEnd_ = Position();
}

void RWyxOutputStream::SwitchEncryption(RWyxCipher* cipher, std::uint64_t start) {
    std::vector<unsigned char> piece(kBufferSize);
    for (std::uint64_t offset = start; offset < flushed_ && failure_ == Failure::kNone;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, flushed_ - offset));
        if (!ReadBack(offset, piece.data(), count)) {
            return;
        }
        Encrypt(offset, piece.data(), count);  // undoes the old cipher where it applied
        RWyxCipher* const oldCipher = cipher_;
        const std::uint64_t oldStart = encryptedStart_;
        const std::uint64_t oldEnd = encryptedEnd_;
        BeginEncryption(cipher, start);
        if (SeekTo(offset)) {
            WriteOut(offset, piece.data(), count);
        }
        cipher_ = oldCipher;
        encryptedStart_ = oldStart;
        encryptedEnd_ = oldEnd;
        offset += count;
    }
    if (file_ != nullptr && failure_ == Failure::kNone) {
        SeekTo(flushed_);
    }
    BeginEncryption(cipher, start);
}

bool RWyxOutputStream::ReadBack(std::uint64_t offset, unsigned char* bytes, std::size_t count) {
    Flush();
    if (file_ == nullptr || failure_ != Failure::kNone || offset + count > flushed_) {
        return false;
    }
    const bool read = SeekTo(offset) && std::fread(bytes, 1, count, file_) == count;
    if (!read) {
        Fail();
    }
    return SeekTo(flushed_) && read;
}

RWyxOutputStream::Failure RWyxOutputStream::Finish() {
    if (file_ == nullptr) {
        return failure_;
    }
    Flush();
    if (failure_ == Failure::kNone && std::fflush(file_) != 0) {
        Fail();
    }
    file_ = nullptr;
    cipher_ = nullptr;
    return failure_;
}

void RWyxOutputStream::Abandon() {
    file_ = nullptr;
    cipher_ = nullptr;
    used_ = 0;
}
