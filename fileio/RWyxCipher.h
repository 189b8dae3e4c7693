#ifndef WYX_FILEIO_RWYXCIPHER_H
#define WYX_FILEIO_RWYXCIPHER_H

// The authenticated encryption of a WYX section: ChaCha20-Poly1305 (RFC 8439, OpenSSL's
// libcrypto). The writer applies the cipher's keystream at any byte offset, so bytes already
// written can be patched, and computes the tag from the finished ciphertext at the end; the
// reader decrypts and checks a whole section in one call with the library's own AEAD.

#include <cstddef>
#include <cstdint>
#include <memory>

struct evp_cipher_ctx_st;
struct evp_mac_ctx_st;

class RWyxCipher {
public:
    static constexpr int kKeySize = 32;
    static constexpr int kNonceSize = 12;
    static constexpr int kTagSize = 16;
    // The 32-bit block counter (block 0 keys the tag) covers this many bytes of text.
    static constexpr std::uint64_t kMaxStreamBytes = ((std::uint64_t{1} << 32) - 1) * 64;

    // The key of the encrypted form without a password. It is part of the program, not a
    // secret: that form keeps content from casual reading and finds damage, nothing more.
    static const unsigned char* BuiltInKey();

    RWyxCipher();
    ~RWyxCipher();
    RWyxCipher(const RWyxCipher&) = delete;
    RWyxCipher& operator=(const RWyxCipher&) = delete;

    // Starts a stream under key (kKeySize bytes) and nonce (kNonceSize). False when the
    // library refuses.
    bool Start(const unsigned char* key, const unsigned char* nonce);
    // XORs count bytes in place with the keystream of the text from offset on. Encryption
    // and decryption are the same operation. False when not started, past kMaxStreamBytes,
    // or when the library fails.
    bool Apply(std::uint64_t offset, unsigned char* bytes, std::size_t count);

    // A run of bytes that the tag covers without encrypting them.
    struct Span {
        const unsigned char* bytes = nullptr;
        std::uint64_t size = 0;
    };

    // A key or what a key is made from, wiped when it goes, on every path.
    class Key {
    public:
        Key() = default;
        ~Key();
        Key(const Key&) = delete;
        Key& operator=(const Key&) = delete;
        unsigned char* Bytes() { return bytes_; }
        const unsigned char* Bytes() const { return bytes_; }

    private:
        unsigned char bytes_[kKeySize] = {};
    };

    // The tag of the additional data (TagAad, any number of runs, all before the first
    // ciphertext) and the ciphertext given to TagUpdate, in order.
    bool TagBegin();
    bool TagAad(const unsigned char* bytes, std::size_t count);
    bool TagUpdate(const unsigned char* ciphertext, std::size_t count);
    bool TagFinish(unsigned char* tag);

    // Decrypts count bytes in place and checks them and the additional data (the runs of aad,
    // in order) against tag. False when they are not what was sealed under key and nonce
    // (the bytes are then not to be used).
    static bool Open(const unsigned char* key, const unsigned char* nonce, const Span* aad, std::size_t aadRuns,
                     unsigned char* bytes, std::uint64_t count, const unsigned char* tag);

    // Fills bytes with random bytes from the library's generator; false when it fails.
    static bool RandomBytes(unsigned char* bytes, int count);
    // Tests that compare whole files byte for byte: RandomBytes answers from the source given
    // (nonces and salts become what it makes) until null restores the generator. A file
    // written so is as secret as its source: never for files that are kept.
    using RandomSource = bool (*)(unsigned char* bytes, int count);
    static void SetRandomSourceForTesting(RandomSource source);

private:
    bool Seek(std::uint64_t offset);
    bool MacPad(std::uint64_t length);
    bool EndAad();

    struct ContextDeleter {
        void operator()(evp_cipher_ctx_st* context) const;
    };
    struct MacDeleter {
        void operator()(evp_mac_ctx_st* context) const;
    };

    std::unique_ptr<evp_cipher_ctx_st, ContextDeleter> context_;
    std::unique_ptr<evp_mac_ctx_st, MacDeleter> mac_;
    unsigned char key_[kKeySize] = {};
    unsigned char nonce_[kNonceSize] = {};
    bool started_ = false;
    std::uint64_t position_ = 0;  // the text offset the library's state stands at
    std::uint64_t aadSize_ = 0;
    bool aadPadded_ = false;  // the additional data is complete
    std::uint64_t macedBytes_ = 0;
};

#endif
