#include "tests/fileio/PasswordKeys.h"

#include "fileio/LittleEndian.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>
#include <memory>

namespace {

// The main section's header follows the 16-byte file header; its fields.
constexpr std::size_t kHeaderAt = 16;
constexpr std::size_t kHeaderSize = 88;
constexpr std::size_t kFlagsAt = kHeaderAt + 12;
constexpr std::size_t kNonceAt = kHeaderAt + 16;
constexpr std::size_t kIterationsAt = kHeaderAt + 28;
constexpr std::size_t kSaltAt = kHeaderAt + 32;
constexpr std::size_t kTagAt = kHeaderAt + 48;
constexpr std::size_t kCheckAt = kHeaderAt + 64;
constexpr std::size_t kLengthAt = kHeaderAt + 80;
constexpr std::size_t kBodyAt = kHeaderAt + kHeaderSize;
constexpr std::uint32_t kWholeFileFlag = 4;

using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

template <std::size_t N>
void Hmac(const std::array<unsigned char, 32>& master, const char* purpose, std::array<unsigned char, N>& out) {
    unsigned char full[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), master.data(), static_cast<int>(master.size()), reinterpret_cast<const unsigned char*>(purpose),
         std::strlen(purpose), full, &length);
    std::memcpy(out.data(), full, N);
}

// ChaCha20 from block 1 on (block 0 keys the tag), in place.
void ApplyKeystream(const std::array<unsigned char, 32>& key, const unsigned char* nonce, unsigned char* bytes,
                    std::size_t count) {
    unsigned char iv[16] = {1, 0, 0, 0};
    std::memcpy(iv + 4, nonce, 12);
    Context context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int produced = 0;
    EVP_EncryptInit_ex(context.get(), EVP_chacha20(), nullptr, key.data(), iv);
    EVP_EncryptUpdate(context.get(), bytes, &produced, bytes, static_cast<int>(count));
}

}  // namespace

PasswordKeys DerivePasswordKeys(const std::string& password, const unsigned char* salt, std::uint32_t iterations) {
    std::array<unsigned char, 32> master{};
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, 16, static_cast<int>(iterations),
                      EVP_sha256(), static_cast<int>(master.size()), master.data());
    PasswordKeys keys;
    Hmac(master, "WYX section key", keys.key);
    Hmac(master, "WYX password check", keys.check);
    return keys;
}

std::uint32_t IterationsOf(const std::string& bytes) {
    return wyx_le::LoadU32(reinterpret_cast<const unsigned char*>(bytes.data()) + kIterationsAt);
}

std::string Resealed(const std::string& bytes, const std::string& password, std::uint32_t iterations, TagCover cover) {
    std::string sealed = bytes;
    auto* file = reinterpret_cast<unsigned char*>(sealed.data());
    const std::size_t length = static_cast<std::size_t>(wyx_le::LoadU64(file + kLengthAt));
    const std::size_t bodyEnd = kBodyAt + length;
    const PasswordKeys old = DerivePasswordKeys(password, file + kSaltAt, IterationsOf(bytes));
    ApplyKeystream(old.key, file + kNonceAt, file + kBodyAt, length);

    const PasswordKeys fresh =
        iterations == IterationsOf(bytes) ? old : DerivePasswordKeys(password, file + kSaltAt, iterations);
    const std::uint32_t flags = wyx_le::LoadU32(file + kFlagsAt) & ~kWholeFileFlag;
    wyx_le::StoreU32(file + kFlagsAt, cover == TagCover::kWholeFile ? flags | kWholeFileFlag : flags);
    wyx_le::StoreU32(file + kIterationsAt, iterations);
    std::memcpy(file + kCheckAt, fresh.check.data(), fresh.check.size());
    std::memset(file + kTagAt, 0, 16);

    Context context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    int produced = 0;
    EVP_EncryptInit_ex(context.get(), EVP_chacha20_poly1305(), nullptr, fresh.key.data(), file + kNonceAt);
    EVP_EncryptUpdate(context.get(), nullptr, &produced, file, static_cast<int>(kBodyAt));
    if (cover == TagCover::kWholeFile) {
        EVP_EncryptUpdate(context.get(), nullptr, &produced, file + bodyEnd, static_cast<int>(sealed.size() - bodyEnd));
    }
    EVP_EncryptUpdate(context.get(), file + kBodyAt, &produced, file + kBodyAt, static_cast<int>(length));
    EVP_EncryptFinal_ex(context.get(), file + kBodyAt, &produced);
    EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_GET_TAG, 16, file + kTagAt);
    return sealed;
}
