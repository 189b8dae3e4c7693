#include "fileio/RWyxCipher.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstring>

namespace {

// The container's own key. It is part of the program, not a secret: the encrypted form keeps
// content from casual reading, nothing more.
constexpr unsigned char kKey[32] = {
    0x57, 0x59, 0x58, 0x2d, 0x63, 0x6f, 0x6e, 0x74, 0x61, 0x69, 0x6e, 0x65, 0x72, 0x2d, 0x6b, 0x65,
    0x79, 0x9e, 0x37, 0x79, 0xb9, 0x7f, 0x4a, 0x7c, 0x15, 0xf3, 0x9c, 0xc0, 0x60, 0x5c, 0xed, 0xa5};

constexpr std::uint64_t kBlockSize = 64;

}  // namespace

void RWyxCipher::ContextDeleter::operator()(evp_cipher_ctx_st* context) const {
    EVP_CIPHER_CTX_free(context);
}

RWyxCipher::RWyxCipher() : context_(EVP_CIPHER_CTX_new()) {}

RWyxCipher::~RWyxCipher() = default;

bool RWyxCipher::Start(const unsigned char* nonce) {
    std::memcpy(nonce_, nonce, kNonceSize);
    started_ = context_ != nullptr;
    return started_ && Seek(0);
}

bool RWyxCipher::Seek(std::uint64_t offset) {
    // The IV is the 32-bit little-endian block counter followed by the nonce.
    const std::uint64_t block = offset / kBlockSize;
    unsigned char iv[16];
    for (int i = 0; i < 4; ++i) {
        iv[i] = static_cast<unsigned char>(block >> (8 * i));
    }
    std::memcpy(iv + 4, nonce_, kNonceSize);
    if (EVP_EncryptInit_ex(context_.get(), EVP_chacha20(), nullptr, kKey, iv) != 1) {
        return false;
    }
    position_ = block * kBlockSize;
    unsigned char skipped[kBlockSize] = {};
    const int skip = static_cast<int>(offset - position_);
    int produced = 0;
    if (skip > 0 && EVP_EncryptUpdate(context_.get(), skipped, &produced, skipped, skip) != 1) {
        return false;
    }
    position_ = offset;
    return true;
}

bool RWyxCipher::Apply(std::uint64_t offset, unsigned char* bytes, std::size_t count) {
    if (!started_ || offset > kMaxStreamBytes || count > kMaxStreamBytes - offset) {
        return false;
    }
    if (offset != position_ && !Seek(offset)) {
        return false;
    }
    // The library takes int lengths: go in pieces.
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    while (count > 0) {
        const std::size_t piece = count < kPiece ? count : kPiece;
        int produced = 0;
        if (EVP_EncryptUpdate(context_.get(), bytes, &produced, bytes, static_cast<int>(piece)) != 1) {
            position_ = kMaxStreamBytes + 1;  // unknown state: the next call seeks afresh
            return false;
        }
        bytes += piece;
        count -= piece;
        position_ += piece;
    }
    return true;
}

bool RWyxCipher::RandomBytes(unsigned char* bytes, int count) {
    return RAND_bytes(bytes, count) == 1;
}
