#include "download/digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

std::string Md5FromUrl(const std::string& url) {
    if (url.empty()) return {};
    const size_t p1 = url.rfind('/');
    if (p1 == std::string::npos) return {};
    const std::string head = url.substr(0, p1);
    const size_t p2 = head.rfind('/');
    if (p2 == std::string::npos) return {};
    return head.substr(p2 + 1);
}

ExpectedDigest ExpectedDigestFromUrl(const std::string& url) {
    std::string segment = Md5FromUrl(url);
    if (segment.size() == 32) return {DigestKind::kMd5, segment};
    const bool hex = std::all_of(segment.begin(), segment.end(),
                                 [](unsigned char c) { return std::isxdigit(c) != 0; });
    if (segment.size() == 64 && hex) {
        std::transform(segment.begin(), segment.end(), segment.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return {DigestKind::kSha256, segment};
    }
    return {};
}

std::string FileDigest(const std::string& path, DigestKind kind) {
    const EVP_MD* method = kind == DigestKind::kMd5      ? EVP_md5()
                           : kind == DigestKind::kSha256 ? EVP_sha256()
                                                         : nullptr;
    if (path.empty() || method == nullptr) return {};
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return {};

    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), method, nullptr) != 1) return {};
    unsigned char block[1024];
    for (;;) {
        const size_t read = std::fread(block, 1, sizeof block, file.get());
        if (read == 0) break;
        if (EVP_DigestUpdate(context.get(), block, read) != 1) return {};
    }
    if (std::ferror(file.get())) return {};  // a read error is no digest of a shorter file
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1 ||
        length != static_cast<unsigned int>(EVP_MD_get_size(method)))
        return {};

    std::string text;
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
    }
    return text;
}

std::string FileMd5(const std::string& path) {
    return FileDigest(path, DigestKind::kMd5);
}
