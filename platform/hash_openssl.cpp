// The hash and Base64 of platform/hash.h over OpenSSL's libcrypto.
#include <openssl/evp.h>

#include "platform/hash.h"

namespace platform {

struct Hash::State {
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context{EVP_MD_CTX_new(), &EVP_MD_CTX_free};
    bool ready = false;
};

Hash::Hash(HashAlgorithm algorithm) : m_state(std::make_unique<State>()) {
    const EVP_MD* method = algorithm == HashAlgorithm::kMd5 ? EVP_md5() : EVP_sha256();
    m_state->ready =
        m_state->context && EVP_DigestInit_ex(m_state->context.get(), method, nullptr) == 1;
}

Hash::~Hash() = default;

bool Hash::Ready() const {
    return m_state->ready;
}

bool Hash::Update(const void* data, size_t size) {
    if (m_state->ready && EVP_DigestUpdate(m_state->context.get(), data, size) != 1)
        m_state->ready = false;
    return m_state->ready;
}

std::string Hash::HexDigest() const {
    if (!m_state->ready) return {};
    // The digest is taken from a copy, so that this hash can go on.
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> copy(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), m_state->context.get()) != 1 ||
        EVP_DigestFinal_ex(copy.get(), digest, &size) != 1)
        return {};
    return HashHex(digest, size);
}

std::string Base64Encode(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    // EVP_EncodeBlock writes one unbroken line and a terminating zero.
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

}  // namespace platform
