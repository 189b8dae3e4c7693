// Passwords of RWyxFile. A password keys the main section's encryption: PBKDF2-HMAC-SHA256
// of the password and a random salt gives a master key, and HMAC-SHA256 of the master key
// gives the section's key and a check value that tells a wrong password from a damaged file.
// Neither the password nor anything that opens the file without it is stored.

#include "fileio/RWyxFile.h"

#include "fileio/LittleEndian.h"
#include "fileio/WyxBinaryLayout.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>

using namespace wyx_layout;

namespace {

constexpr std::uint32_t kIterations = 100000;
// Files asking for more work than this are refused rather than keeping the reader busy.
constexpr std::uint32_t kMaxIterations = 2000000;

bool Derive(const unsigned char* master, const char* purpose, unsigned char* out, std::size_t size) {
    unsigned char full[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const bool made = HMAC(EVP_sha256(), master, RWyxCipher::kKeySize, reinterpret_cast<const unsigned char*>(purpose),
                           std::strlen(purpose), full, &length) != nullptr &&
                      length >= size;
    if (made) {
        std::memcpy(out, full, size);
    }
    OPENSSL_cleanse(full, sizeof full);
    return made;
}

bool DerivePasswordKeys(const char* password, const unsigned char* salt, std::uint32_t iterations,
                        unsigned char* key, unsigned char* check) {
    unsigned char master[RWyxCipher::kKeySize];
    const bool made = PKCS5_PBKDF2_HMAC(password, static_cast<int>(std::strlen(password)), salt, kSaltSize,
                                        static_cast<int>(iterations), EVP_sha256(), sizeof master, master) == 1 &&
                      Derive(master, "WYX section key", key, RWyxCipher::kKeySize) &&
                      Derive(master, "WYX password check", check, kCheckSize);
    OPENSSL_cleanse(master, sizeof master);
    return made;
}

}  // namespace

bool RWyxFile::WritePassword(const char* text) {
    const Section& section = sections_.back();
    unsigned char salt[kSaltSize];
    unsigned char key[RWyxCipher::kKeySize];
    unsigned char check[kCheckSize];
    auto cipher = std::make_unique<RWyxCipher>();
    // A section not encrypted so far gets its nonce now.
    const bool made = RWyxCipher::RandomBytes(salt, kSaltSize) &&
                      DerivePasswordKeys(text, salt, kIterations, key, check) &&
                      (cipher_ != nullptr || RWyxCipher::RandomBytes(nonce_, RWyxCipher::kNonceSize)) &&
                      cipher->Start(key, nonce_);
    OPENSSL_cleanse(key, sizeof key);
    if (!made) {
        return false;
    }
    // Whatever of the body went out already is encrypted again under the password's key.
    output_.SwitchEncryption(cipher.get(), section.headerOffset + kSectionHeaderSize);
    cipher_ = std::move(cipher);
    // Flags, nonce, iterations and salt are one run of the header; the check another.
    unsigned char patch[kSectionTagAt - kSectionFlagsAt] = {};
    wyx_le::StoreU32(patch, kFlagPassword | kFlagEncrypted);
    std::memcpy(patch + (kSectionNonceAt - kSectionFlagsAt), nonce_, sizeof nonce_);
    wyx_le::StoreU32(patch + (kSectionIterationsAt - kSectionFlagsAt), kIterations);
    std::memcpy(patch + (kSectionSaltAt - kSectionFlagsAt), salt, kSaltSize);
    output_.Patch(section.headerOffset + kSectionFlagsAt, patch, sizeof patch);
    output_.Patch(section.headerOffset + kSectionCheckAt, check, sizeof check);
    return true;
}

int RWyxFile::UnlockSection(const char* password, const unsigned char* sectionHeader, unsigned char* key) const {
    const std::uint32_t iterations = wyx_le::LoadU32(sectionHeader + kSectionIterationsAt);
    if (iterations == 0 || iterations > kMaxIterations) {
        return kErrorCorrupted;
    }
    if (password == nullptr || password[0] == '\0') {
        return kErrorPasswordRequired;
    }
    unsigned char check[kCheckSize];
    if (!DerivePasswordKeys(password, sectionHeader + kSectionSaltAt, iterations, key, check) ||
        CRYPTO_memcmp(check, sectionHeader + kSectionCheckAt, kCheckSize) != 0) {
        return kErrorWrongPassword;
    }
    return RError::kNoError;
}
