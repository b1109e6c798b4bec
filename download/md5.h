// The package digest: the expected one, taken from the download URL, and the one of a file.
// Pure functions, safe on any thread.
#pragma once

#include <string>

// The path segment between the last two "/" of `url`, exactly as written (no query removed,
// no case changed), or empty when `url` has fewer than two "/".
std::string Md5FromUrl(const std::string& url);

// 32 lower-case hexadecimal characters, or empty when the file (an ANSI path) can't be read.
std::string FileMd5(const std::string& path);
