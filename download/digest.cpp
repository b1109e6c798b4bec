#include "download/digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

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

const EVP_MD* DigestMethod(DigestKind kind) {
    switch (kind) {
        case DigestKind::kMd5:
            return EVP_md5();
        case DigestKind::kSha256:
            return EVP_sha256();
        case DigestKind::kNone:
            break;
    }
    return nullptr;
}

bool HashFile(EVP_MD_CTX* context, const std::string& path, uint64_t bytes) {
    const bool whole = bytes == kWholeFile;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    std::vector<unsigned char> block(1u << 20);
    while (bytes > 0) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(bytes, block.size()));
        const size_t read = std::fread(block.data(), 1, wanted, file.get());
        if (read == 0) break;
        if (EVP_DigestUpdate(context, block.data(), read) != 1) return false;
        bytes -= read;
    }
    // A read error is no digest of a shorter file; a file shorter than asked is none either.
    return !std::ferror(file.get()) && (whole || bytes == 0);
}

std::string DigestHex(const unsigned char* digest, size_t size) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kHex[digest[i] >> 4]);
        text.push_back(kHex[digest[i] & 0xF]);
    }
    return text;
}

std::string FileDigest(const std::string& path, DigestKind kind) {
    const EVP_MD* method = DigestMethod(kind);
    if (path.empty() || method == nullptr) return {};
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), method, nullptr) != 1 ||
        !HashFile(context.get(), path))
        return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1 ||
        length != static_cast<unsigned int>(EVP_MD_get_size(method)))
        return {};
    return DigestHex(digest, length);
}

std::string FileMd5(const std::string& path) {
    return FileDigest(path, DigestKind::kMd5);
}
