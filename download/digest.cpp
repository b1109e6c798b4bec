#include "download/digest.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/paths.h"

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

std::unique_ptr<platform::Hash> NewDigestHash(DigestKind kind) {
    switch (kind) {
        case DigestKind::kMd5:
            return std::make_unique<platform::Hash>(platform::HashAlgorithm::kMd5);
        case DigestKind::kSha256:
            return std::make_unique<platform::Hash>(platform::HashAlgorithm::kSha256);
        case DigestKind::kNone:
            break;
    }
    return nullptr;
}

namespace {

// Feeds `hash` every byte of the file at `path`; false when it cannot be opened or read.
bool HashFile(platform::Hash* hash, const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(platform::OpenStream(path, "rb"), &std::fclose);
    if (!file) return false;
    std::vector<unsigned char> block(1u << 20);
    for (size_t read; (read = std::fread(block.data(), 1, block.size(), file.get())) > 0;)
        if (!hash->Update(block.data(), read)) return false;
    // A read error is no digest of a shorter file.
    return !std::ferror(file.get());
}

}  // namespace

std::string FileDigest(const std::string& path, DigestKind kind) {
    const std::unique_ptr<platform::Hash> hash = NewDigestHash(kind);
    if (path.empty() || !hash || !HashFile(hash.get(), path)) return {};
    return hash->HexDigest();
}

std::string FileMd5(const std::string& path) {
    return FileDigest(path, DigestKind::kMd5);
}
