#include "fileio/RWyxOutputStream.h"

#include "platform/NativeFiles.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

RWyxOutputStream::RWyxOutputStream() = default;

RWyxOutputStream::~RWyxOutputStream() {
    Abandon();
}

bool RWyxOutputStream::Attach(std::FILE* file) {
    Abandon();
    if (file == nullptr || std::setvbuf(file, nullptr, _IONBF, 0) != 0) {
        if (file != nullptr) {
            std::fclose(file);
        }
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

RWyxOutputStream::Failure RWyxOutputStream::Finish() {
    if (file_ == nullptr) {
        return failure_;
    }
    Flush();
    if (failure_ == Failure::kNone && !platform::SyncFile(file_)) {
        Fail();
    }
    if (std::fclose(file_) != 0) {
        Fail();
    }
    file_ = nullptr;
    cipher_ = nullptr;
    return failure_;
}

void RWyxOutputStream::Abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    cipher_ = nullptr;
    used_ = 0;
}
