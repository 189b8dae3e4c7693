// The password verifier of RWyxFile: a salted PBKDF2-HMAC-SHA256 of the password, kept in
// the section header. The password itself is never stored.

#include "fileio/RWyxFile.h"

#include "fileio/LittleEndian.h"
#include "fileio/WyxBinaryLayout.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstring>

using namespace wyx_layout;

namespace {

constexpr std::uint32_t kIterations = 100000;
// Files asking for more work than this are refused rather than keeping the reader busy.
constexpr std::uint32_t kMaxIterations = 2000000;

bool DeriveVerifier(const char* password, const unsigned char* salt, std::uint32_t iterations,
                    unsigned char* verifier) {
    return PKCS5_PBKDF2_HMAC(password, static_cast<int>(std::strlen(password)), salt, kSaltSize,
                             static_cast<int>(iterations), EVP_sha256(), kVerifierSize, verifier) == 1;
}

}  // namespace

bool RWyxFile::WritePasswordVerifier(const char* text) {
    const Section& section = sections_.back();
    unsigned char salt[kSaltSize];
    unsigned char verifier[kVerifierSize];
    if (!RWyxCipher::RandomBytes(salt, kSaltSize) || !DeriveVerifier(text, salt, kIterations, verifier)) {
        return false;
    }
    // Flags, nonce, iterations, salt and verifier are one run of the header.
    unsigned char patch[kSectionVerifierAt + kVerifierSize - kSectionFlagsAt] = {};
    const bool encryptedSection = encrypted_ && section.kind == kMainSection;
    wyx_le::StoreU32(patch, kFlagPassword | (encryptedSection ? kFlagEncrypted : 0));
    if (encryptedSection) {
        std::memcpy(patch + (kSectionNonceAt - kSectionFlagsAt), nonce_, sizeof nonce_);
    }
    wyx_le::StoreU32(patch + (kSectionIterationsAt - kSectionFlagsAt), kIterations);
    std::memcpy(patch + (kSectionSaltAt - kSectionFlagsAt), salt, kSaltSize);
    std::memcpy(patch + (kSectionVerifierAt - kSectionFlagsAt), verifier, kVerifierSize);
    output_.Patch(section.headerOffset + kSectionFlagsAt, patch, sizeof patch);
    return true;
}

int RWyxFile::CheckPassword(const char* password, const unsigned char* sectionHeader) const {
    const std::uint32_t iterations = wyx_le::LoadU32(sectionHeader + kSectionIterationsAt);
    if (iterations == 0 || iterations > kMaxIterations) {
        return kErrorCorrupted;
    }
    if (password == nullptr || password[0] == '\0') {
        return kErrorPasswordRequired;
    }
    unsigned char verifier[kVerifierSize];
    if (!DeriveVerifier(password, sectionHeader + kSectionSaltAt, iterations, verifier) ||
        CRYPTO_memcmp(verifier, sectionHeader + kSectionVerifierAt, kVerifierSize) != 0) {
        return kErrorWrongPassword;
    }
    return RError::kNoError;
}
