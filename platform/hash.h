// Message digests (MD5, SHA-256) and Base64 from the system's cryptography: OpenSSL's
// libcrypto on Linux, CNG and CryptoAPI on Windows. A Hash is used by one thread at a time;
// Base64Encode is safe on any thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class HashAlgorithm { kMd5, kSha256 };

class Hash {
public:
    explicit Hash(HashAlgorithm algorithm);
    ~Hash();
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    // False when the system could not set the hash up, or an update failed: no digest then.
    bool Ready() const;
    // Adds bytes to the digest; false (and the hash no longer ready) when the system fails.
    bool Update(const void* data, size_t size);
    // The digest of every byte added so far in lower-case hexadecimal (32 characters for MD5,
    // 64 for SHA-256); the hash takes more bytes afterwards. Empty when it is not ready.
    std::string HexDigest() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Lower-case hexadecimal of a finished digest (both system forms use it).
std::string HashHex(const unsigned char* digest, size_t size);

// Standard Base64 with "=" padding, on one line.
std::string Base64Encode(std::string_view bytes);

}  // namespace platform
