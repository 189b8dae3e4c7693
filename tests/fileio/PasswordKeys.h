#ifndef WYX_TESTS_FILEIO_PASSWORDKEYS_H
#define WYX_TESTS_FILEIO_PASSWORDKEYS_H

// The keys of a password-protected WYX file, made here apart from the container with the
// library's primitives: PBKDF2-HMAC-SHA256 of the password and the salt gives a master key,
// HMAC-SHA256 of it with "WYX section key" and "WYX password check" the section's key and the
// check value; the main body is sealed with ChaCha20-Poly1305. The tests use them to know the
// key a password makes, and to seal a file written by the container again under another
// iteration count: with one iteration, a file can be opened a thousand times in a test.

#include <array>
#include <cstdint>
#include <string>

struct PasswordKeys {
    std::array<unsigned char, 32> key{};
    std::array<unsigned char, 16> check{};
};

PasswordKeys DerivePasswordKeys(const std::string& password, const unsigned char* salt, std::uint32_t iterations);

// How the main section's tag covers the file: the headers only (as files were protected
// before), or every byte outside the main body (flag 4).
enum class TagCover { kHeaders, kWholeFile };

// The bytes of a protected file (main section first) sealed again under the same password
// with iterations and the given cover; salt and nonce are kept.
std::string Resealed(const std::string& bytes, const std::string& password, std::uint32_t iterations,
                     TagCover cover = TagCover::kWholeFile);

// The iteration count recorded in a protected file's main section.
std::uint32_t IterationsOf(const std::string& bytes);

#endif
