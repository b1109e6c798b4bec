// The package digest: the expected one, taken from the download URL, and the one of a file.
// Pure functions, safe on any thread.
#pragma once

#include <memory>
#include <string>

#include "platform/hash.h"

// The path segment between the last two "/" of `url`, exactly as written (no query removed,
// no case changed), or empty when `url` has fewer than two "/".
std::string Md5FromUrl(const std::string& url);

enum class DigestKind { kNone, kMd5, kSha256 };

struct ExpectedDigest {
    DigestKind kind = DigestKind::kNone;
    std::string hex;  // what a file's digest must equal
};

// What the URL says the package's digest is. A segment (Md5FromUrl) of 32 characters is an MD5,
// compared as written; one of 64 hexadecimal digits is a SHA-256, compared in lower case;
// anything else gives kNone: the URL carries no digest.
ExpectedDigest ExpectedDigestFromUrl(const std::string& url);

// The file's digest of `kind` in lower-case hexadecimal (32 characters for MD5, 64 for
// SHA-256), or empty when the file (an ANSI path) can't be read or `kind` is kNone.
std::string FileDigest(const std::string& path, DigestKind kind);
std::string FileMd5(const std::string& path);

// The hash the file digest and the streamed one compute for `kind`; null for kNone.
std::unique_ptr<platform::Hash> NewDigestHash(DigestKind kind);
