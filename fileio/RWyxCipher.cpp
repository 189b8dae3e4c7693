#include "fileio/RWyxCipher.h"

#include "fileio/LittleEndian.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <cstring>

namespace {

constexpr unsigned char kBuiltInKey[RWyxCipher::kKeySize] = {
    0x57, 0x59, 0x58, 0x2d, 0x63, 0x6f, 0x6e, 0x74, 0x61, 0x69, 0x6e, 0x65, 0x72, 0x2d, 0x6b, 0x65,
    0x79, 0x9e, 0x37, 0x79, 0xb9, 0x7f, 0x4a, 0x7c, 0x15, 0xf3, 0x9c, 0xc0, 0x60, 0x5c, 0xed, 0xa5};

constexpr std::uint64_t kBlockSize = 64;
// The library takes int lengths: longer runs go in pieces.
constexpr std::size_t kPiece = std::size_t{1} << 30;

// The IV of OpenSSL's ChaCha20: the 32-bit little-endian block counter, then the nonce.
bool StartAtBlock(evp_cipher_ctx_st* context, const unsigned char* key, const unsigned char* nonce,
                  std::uint64_t block) {
    unsigned char iv[16];
    wyx_le::StoreU32(iv, static_cast<std::uint32_t>(block));
    std::memcpy(iv + 4, nonce, RWyxCipher::kNonceSize);
    return EVP_EncryptInit_ex(context, EVP_chacha20(), nullptr, key, iv) == 1;
}

struct CipherContext {
    CipherContext() : context(EVP_CIPHER_CTX_new()) {}
    ~CipherContext() { EVP_CIPHER_CTX_free(context); }
    CipherContext(const CipherContext&) = delete;
    CipherContext& operator=(const CipherContext&) = delete;
    EVP_CIPHER_CTX* context;
};

}  // namespace

void RWyxCipher::ContextDeleter::operator()(evp_cipher_ctx_st* context) const {
    EVP_CIPHER_CTX_free(context);
}

void RWyxCipher::MacDeleter::operator()(evp_mac_ctx_st* context) const {
    EVP_MAC_CTX_free(context);
}

const unsigned char* RWyxCipher::BuiltInKey() {
    return kBuiltInKey;
}

RWyxCipher::RWyxCipher() : context_(EVP_CIPHER_CTX_new()) {}

RWyxCipher::~RWyxCipher() {
    OPENSSL_cleanse(key_, sizeof key_);
}

RWyxCipher::Key::~Key() {
    OPENSSL_cleanse(bytes_, sizeof bytes_);
}

bool RWyxCipher::Start(const unsigned char* key, const unsigned char* nonce) {
    std::memcpy(key_, key, kKeySize);
    std::memcpy(nonce_, nonce, kNonceSize);
    started_ = context_ != nullptr;
    return started_ && Seek(0);
}

bool RWyxCipher::Seek(std::uint64_t offset) {
    // The text starts at block 1; block 0 gives the tag's one-time key.
    const std::uint64_t block = offset / kBlockSize;
    if (!StartAtBlock(context_.get(), key_, nonce_, block + 1)) {
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

bool RWyxCipher::TagBegin() {
    // Poly1305 keyed with the first 32 bytes of keystream block 0.
    Key oneTimeKey;
    int produced = 0;
    CipherContext block;
    const bool keyed = started_ && block.context != nullptr && StartAtBlock(block.context, key_, nonce_, 0) &&
                       EVP_EncryptUpdate(block.context, oneTimeKey.Bytes(), &produced, oneTimeKey.Bytes(), 32) == 1;
    EVP_MAC* poly = keyed ? EVP_MAC_fetch(nullptr, "POLY1305", nullptr) : nullptr;
    mac_.reset(poly != nullptr ? EVP_MAC_CTX_new(poly) : nullptr);
    EVP_MAC_free(poly);
    aadSize_ = 0;
    aadPadded_ = false;
    macedBytes_ = 0;
    return mac_ != nullptr && EVP_MAC_init(mac_.get(), oneTimeKey.Bytes(), 32, nullptr) == 1;
}

bool RWyxCipher::TagAad(const unsigned char* bytes, std::size_t count) {
    aadSize_ += count;
    return mac_ != nullptr && !aadPadded_ && EVP_MAC_update(mac_.get(), bytes, count) == 1;
}

bool RWyxCipher::MacPad(std::uint64_t length) {
    static constexpr unsigned char kZeros[16] = {};
    const std::size_t pad = static_cast<std::size_t>((16 - length % 16) % 16);
    return pad == 0 || EVP_MAC_update(mac_.get(), kZeros, pad) == 1;
}

bool RWyxCipher::EndAad() {
    if (aadPadded_) {
        return true;
    }
    aadPadded_ = true;
    return MacPad(aadSize_);
}

bool RWyxCipher::TagUpdate(const unsigned char* ciphertext, std::size_t count) {
    macedBytes_ += count;
    return mac_ != nullptr && EndAad() && EVP_MAC_update(mac_.get(), ciphertext, count) == 1;
}

bool RWyxCipher::TagFinish(unsigned char* tag) {
    unsigned char lengths[16];
    wyx_le::StoreU64(lengths, aadSize_);
    wyx_le::StoreU64(lengths + 8, macedBytes_);
    std::size_t written = 0;
    const bool done = mac_ != nullptr && EndAad() && MacPad(macedBytes_) &&
                      EVP_MAC_update(mac_.get(), lengths, 16) == 1 &&
                      EVP_MAC_final(mac_.get(), tag, &written, kTagSize) == 1 && written == kTagSize;
    mac_.reset();
    return done;
}

namespace {

// Hands count bytes to the library in int-sized pieces: the additional data when out is
// null, else text decrypted into out.
bool DecryptUpdate(EVP_CIPHER_CTX* context, unsigned char* out, const unsigned char* in, std::uint64_t count) {
    while (count > 0) {
        const std::size_t piece = count < kPiece ? static_cast<std::size_t>(count) : kPiece;
        int produced = 0;
        if (EVP_DecryptUpdate(context, out, &produced, in, static_cast<int>(piece)) != 1) {
            return false;
        }
        in += piece;
        out = out != nullptr ? out + piece : nullptr;
        count -= piece;
    }
    return true;
}

}  // namespace

bool RWyxCipher::Open(const unsigned char* key, const unsigned char* nonce, const Span* aad, std::size_t aadRuns,
                      unsigned char* bytes, std::uint64_t count, const unsigned char* tag) {
    CipherContext sealed;
    if (count > kMaxStreamBytes || sealed.context == nullptr ||
        EVP_DecryptInit_ex(sealed.context, EVP_chacha20_poly1305(), nullptr, key, nonce) != 1) {
        return false;
    }
    for (std::size_t i = 0; i < aadRuns; ++i) {
        if (!DecryptUpdate(sealed.context, nullptr, aad[i].bytes, aad[i].size)) {
            return false;
        }
    }
    if (!DecryptUpdate(sealed.context, bytes, bytes, count)) {
        return false;
    }
    unsigned char expected[kTagSize];
    std::memcpy(expected, tag, kTagSize);
    int produced = 0;
    return EVP_CIPHER_CTX_ctrl(sealed.context, EVP_CTRL_AEAD_SET_TAG, kTagSize, expected) == 1 &&
           EVP_DecryptFinal_ex(sealed.context, expected, &produced) == 1;
}

namespace {

RWyxCipher::RandomSource randomSourceForTesting = nullptr;

}  // namespace

bool RWyxCipher::RandomBytes(unsigned char* bytes, int count) {
    if (randomSourceForTesting != nullptr) return randomSourceForTesting(bytes, count);
    return RAND_bytes(bytes, count) == 1;
}

void RWyxCipher::SetRandomSourceForTesting(RandomSource source) { randomSourceForTesting = source; }
