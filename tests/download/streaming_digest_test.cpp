#include "download/streaming_digest.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "download/digest.h"
#include "tests/download/download_test_support.h"

namespace {

using download_test::TempDir;
using download_test::WriteFile;

// Feeds `content` after its first `prefix` bytes (already in the file) in random chunks and
// compares with the digest of the whole file read at once.
TEST(StreamingDigest, EqualsTheFileDigestWithAndWithoutAPrefixWrittenBefore) {
    TempDir dir;
    std::mt19937 random(7);
    std::string content(3u << 20, '\0');
    for (char& c : content)
        c = static_cast<char>(random());
    const std::string path = dir / "package";
    WriteFile(path, content);
    for (const DigestKind kind : {DigestKind::kMd5, DigestKind::kSha256}) {
        for (const size_t prefix : {size_t{0}, size_t{1}, size_t{1234567}, content.size()}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + " prefix " +
                         std::to_string(prefix));
            StreamingDigest digest;
            digest.Restart(kind, path, prefix);
            size_t at = prefix;
            while (at < content.size()) {
                const size_t chunk = std::min<size_t>(random() % 70000 + 1, content.size() - at);
                digest.Feed(content.data() + at, chunk);
                at += chunk;
            }
            EXPECT_EQ(digest.Length(), content.size());
            EXPECT_EQ(digest.Result(), FileDigest(path, kind));
        }
    }
}

TEST(StreamingDigest, RestartForgetsWhatWasFedAndAMissingPrefixGivesNoDigest) {
    TempDir dir;
    WriteFile(dir / "abc", "abc");
    StreamingDigest digest;
    digest.Restart(DigestKind::kMd5, dir / "abc", 0);
    digest.Feed("xyz", 3);
    digest.Restart(DigestKind::kMd5, dir / "abc", 0);
    digest.Feed("abc", 3);
    EXPECT_EQ(digest.Result(), "900150983cd24fb0d6963f7d28e17f72");

    digest.Restart(DigestKind::kMd5, dir / "missing", 10);  // bytes that cannot be read back
    digest.Feed("abc", 3);
    EXPECT_EQ(digest.Result(), "");
    digest.Restart(DigestKind::kMd5, dir / "abc", 4);  // more than the file holds
    EXPECT_EQ(digest.Result(), "");
    digest.Restart(DigestKind::kNone, dir / "abc", 3);
    digest.Feed("abc", 3);
    EXPECT_EQ(digest.Result(), "");
}

}  // namespace
