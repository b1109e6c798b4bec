// The hash and Base64 of platform/hash.h over the system's CNG (bcrypt) and CryptoAPI.
#include <windows.h>
// windows.h first: the two below depend on its types.
#include <bcrypt.h>
#include <wincrypt.h>

#include "platform/hash.h"

namespace platform {
namespace {

// An open algorithm provider per algorithm, kept for the process: opening one is costly.
BCRYPT_ALG_HANDLE Provider(HashAlgorithm algorithm) {
    auto open = [](const wchar_t* name) {
        BCRYPT_ALG_HANDLE handle = nullptr;
        if (BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0) < 0) handle = nullptr;
        return handle;
    };
    static const BCRYPT_ALG_HANDLE md5 = open(BCRYPT_MD5_ALGORITHM);
    static const BCRYPT_ALG_HANDLE sha256 = open(BCRYPT_SHA256_ALGORITHM);
    return algorithm == HashAlgorithm::kMd5 ? md5 : sha256;
}

}  // namespace

struct Hash::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
    ULONG size = 0;  // of the digest, in bytes
    bool ready = false;
    ~State() {
        if (hash != nullptr) BCryptDestroyHash(hash);
    }
};

Hash::Hash(HashAlgorithm algorithm) : m_state(std::make_unique<State>()) {
    const BCRYPT_ALG_HANDLE provider = Provider(algorithm);
    ULONG got = 0;
    m_state->ready =
        provider != nullptr &&
        BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&m_state->size),
                          sizeof m_state->size, &got, 0) >= 0 &&
        BCryptCreateHash(provider, &m_state->hash, nullptr, 0, nullptr, 0, 0) >= 0;
}

Hash::~Hash() = default;

bool Hash::Ready() const {
    return m_state->ready;
}

bool Hash::Update(const void* data, size_t size) {
    // The system takes at most 4 GiB - 1 bytes a call.
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (m_state->ready && size > 0) {
        const ULONG part = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
        if (BCryptHashData(m_state->hash, const_cast<PUCHAR>(bytes), part, 0) < 0)
            m_state->ready = false;
        bytes += part;
        size -= part;
    }
    return m_state->ready;
}

std::string Hash::HexDigest() const {
    if (!m_state->ready) return {};
    // The digest is taken from a duplicate, so that this hash can go on.
    BCRYPT_HASH_HANDLE copy = nullptr;
    if (BCryptDuplicateHash(m_state->hash, &copy, nullptr, 0, 0) < 0) return {};
    unsigned char digest[64];
    const bool finished = m_state->size <= sizeof digest &&
                          BCryptFinishHash(copy, digest, m_state->size, 0) >= 0;
    BCryptDestroyHash(copy);
    if (!finished) return {};
    return HashHex(digest, m_state->size);
}

std::string Base64Encode(std::string_view bytes) {
    if (bytes.empty()) return {};
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    DWORD size = 0;
    if (!CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, nullptr, &size))
        return {};
    std::string out(size, '\0');
    if (!CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, out.data(), &size))
        return {};
    out.resize(size);  // without the terminating zero
    return out;
}

}  // namespace platform
