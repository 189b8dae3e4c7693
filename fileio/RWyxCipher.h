#ifndef WYX_FILEIO_RWYXCIPHER_H
#define WYX_FILEIO_RWYXCIPHER_H

// The keystream of the encrypted form: ChaCha20 (OpenSSL's libcrypto) under the container's
// built-in key and a per-file nonce. The keystream can be applied at any byte offset, so
// bytes already written can be patched and bytes anywhere can be read.

#include <cstddef>
#include <cstdint>
#include <memory>

struct evp_cipher_ctx_st;

class RWyxCipher {
public:
    static constexpr int kNonceSize = 12;
    // The 32-bit block counter covers this many bytes; a longer stream is refused.
    static constexpr std::uint64_t kMaxStreamBytes = (std::uint64_t{1} << 32) * 64;

    RWyxCipher();
    ~RWyxCipher();
    RWyxCipher(const RWyxCipher&) = delete;
    RWyxCipher& operator=(const RWyxCipher&) = delete;

    // Starts a stream under nonce (kNonceSize bytes). False when the library refuses.
    bool Start(const unsigned char* nonce);
    // XORs count bytes in place with the keystream from stream offset on. Encryption and
    // decryption are the same operation. False when not started, past kMaxStreamBytes, or
    // when the library fails.
    bool Apply(std::uint64_t offset, unsigned char* bytes, std::size_t count);

    // Fills bytes with random bytes from the library's generator; false when it fails.
    static bool RandomBytes(unsigned char* bytes, int count);

private:
    bool Seek(std::uint64_t offset);

    struct ContextDeleter {
        void operator()(evp_cipher_ctx_st* context) const;
    };

    std::unique_ptr<evp_cipher_ctx_st, ContextDeleter> context_;
    unsigned char nonce_[kNonceSize] = {};
    bool started_ = false;
    std::uint64_t position_ = 0;  // the stream offset the library's state stands at
};

#endif
