// Passwords of RWyxFile. A password keys the main section's encryption: PBKDF2-HMAC-SHA256
// of the password and a random salt gives a master key, and HMAC-SHA256 of the master key
// gives the section's key and a check value that tells a wrong password from a damaged file.
// Neither the password nor anything that opens the file without it is stored, and every key
// made on the way is wiped when it goes, whatever the answer.

#include "fileio/RWyxFile.h"

#include "fileio/LittleEndian.h"
#include "fileio/WyxBinaryLayout.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cstring>

using namespace wyx_layout;

namespace {

bool Derive(const RWyxCipher::Key& master, const char* purpose, unsigned char* out, std::size_t size) {
    unsigned char full[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const bool made = HMAC(EVP_sha256(), master.Bytes(), RWyxCipher::kKeySize,
                           reinterpret_cast<const unsigned char*>(purpose), std::strlen(purpose), full, &length) !=
                          nullptr &&
                      length >= size;
    if (made) {
        std::memcpy(out, full, size);
    }
    OPENSSL_cleanse(full, sizeof full);
    return made;
}

bool DerivePasswordKeys(const char* password, const unsigned char* salt, std::uint32_t iterations,
                        RWyxCipher::Key& key, unsigned char* check) {
    RWyxCipher::Key master;
    return PKCS5_PBKDF2_HMAC(password, static_cast<int>(std::strlen(password)), salt, kSaltSize,
                             static_cast<int>(iterations), EVP_sha256(), RWyxCipher::kKeySize, master.Bytes()) == 1 &&
           Derive(master, "WYX section key", key.Bytes(), RWyxCipher::kKeySize) &&
           Derive(master, "WYX password check", check, kCheckSize);
}

}  // namespace

bool RWyxFile::WritePassword(const char* text) {
    const Section& section = sections_.back();
    unsigned char salt[kSaltSize];
    RWyxCipher::Key key;
    unsigned char check[kCheckSize];
    auto cipher = std::make_unique<RWyxCipher>();
    // A section not encrypted so far gets its nonce now.
    if (!RWyxCipher::RandomBytes(salt, kSaltSize) ||
        !DerivePasswordKeys(text, salt, kPasswordIterations, key, check) ||
        (cipher_ == nullptr && !RWyxCipher::RandomBytes(nonce_, RWyxCipher::kNonceSize)) ||
        !cipher->Start(key.Bytes(), nonce_)) {
        return false;
    }
    // Whatever of the body went out already is encrypted again under the password's key.
    output_.SwitchEncryption(cipher.get(), section.headerOffset + kSectionHeaderSize);
    cipher_ = std::move(cipher);
    // Flags, nonce, iterations and salt are one run of the header; the check another. The
    // section's tag will cover the whole file.
    unsigned char patch[kSectionTagAt - kSectionFlagsAt] = {};
    wyx_le::StoreU32(patch, kFlagPassword | kFlagEncrypted | kFlagWholeFile);
    std::memcpy(patch + (kSectionNonceAt - kSectionFlagsAt), nonce_, sizeof nonce_);
    wyx_le::StoreU32(patch + (kSectionIterationsAt - kSectionFlagsAt), kPasswordIterations);
    std::memcpy(patch + (kSectionSaltAt - kSectionFlagsAt), salt, kSaltSize);
    output_.Patch(section.headerOffset + kSectionFlagsAt, patch, sizeof patch);
    output_.Patch(section.headerOffset + kSectionCheckAt, check, sizeof check);
    return true;
}

int RWyxFile::UnlockSection(const char* password, const unsigned char* sectionHeader, RWyxCipher::Key& key) const {
    const std::uint32_t iterations = wyx_le::LoadU32(sectionHeader + kSectionIterationsAt);
    if (iterations == 0 || iterations > kMaxPasswordIterations) {
        return kErrorCorrupted;
    }
    if (password == nullptr || password[0] == '\0') {
        return kErrorPasswordRequired;
    }
    unsigned char check[kCheckSize];
    if (!DerivePasswordKeys(password, sectionHeader + kSectionSaltAt, iterations, key, check) ||
        CRYPTO_memcmp(check, sectionHeader + kSectionCheckAt, kCheckSize) != 0) {
        return kErrorWrongPassword;  // the key made from the wrong password goes with its holder
    }
    return RError::kNoError;
}
