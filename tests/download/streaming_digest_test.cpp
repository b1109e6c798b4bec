#include "download/streaming_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "download/digest.h"
#include "tests/download/download_test_support.h"

namespace {

using download_test::TempDir;
using download_test::WriteFile;

std::string RandomBytes(size_t size, std::mt19937& random) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Two part files written the way the two part transfers write them: interleaved, in random
// chunks, each reported after it was written, with some bytes already there before the digest
// began. The digest must equal the one of the joined package.
TEST(StreamingDigest, FollowsPartFilesWrittenInterleavedAndEqualsTheJoinedFile) {
    TempDir dir;
    std::mt19937 random(7);
    const std::string package = RandomBytes(3u << 20, random);
    const size_t split = 1234567;
    const std::string parts[2] = {package.substr(0, split), package.substr(split)};
    WriteFile(dir / "package", package);
    const struct {
        size_t before[2];  // bytes of each part file there before the digest began
    } cases[] = {{{0, 0}}, {{1, 0}}, {{split, 17}}, {{500000, parts[1].size()}}};
    for (const DigestKind kind : {DigestKind::kMd5, DigestKind::kSha256}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + " before " +
                         std::to_string(c.before[0]) + "+" + std::to_string(c.before[1]));
            FILE* files[2];
            StreamingDigest digest;
            digest.Restart(kind);
            size_t at[2];
            for (int i = 0; i < 2; ++i) {
                const std::string path = dir / ("part_" + std::to_string(i));
                WriteFile(path, parts[i].substr(0, c.before[i]));
                files[i] = std::fopen(path.c_str(), "ab");
                ASSERT_NE(files[i], nullptr);
                std::setvbuf(files[i], nullptr, _IONBF, 0);
                at[i] = c.before[i];
                digest.AddFile(path, parts[i].size(), at[i]);
            }
            while (at[0] < parts[0].size() || at[1] < parts[1].size()) {
                const int i =
                    at[0] < parts[0].size() && (random() % 2 == 0 || at[1] == parts[1].size()) ? 0
                                                                                               : 1;
                const size_t chunk =
                    std::min<size_t>(random() % 70000 + 1, parts[i].size() - at[i]);
                ASSERT_EQ(std::fwrite(parts[i].data() + at[i], 1, chunk, files[i]), chunk);
                at[i] += chunk;
                digest.Advance(static_cast<size_t>(i), at[i]);
            }
            std::fclose(files[0]);
            std::fclose(files[1]);
            EXPECT_EQ(digest.Result(), FileDigest(dir / "package", kind));
        }
    }
}

TEST(StreamingDigest, GivesNoDigestItCannotComputeAndNeverOneOfBytesItCouldNotReach) {
    TempDir dir;
    WriteFile(dir / "abc", "abc");
    WriteFile(dir / "def", "def");
    StreamingDigest digest;
    // What a restart leaves behind is forgotten.
    digest.Restart(DigestKind::kMd5);
    digest.AddFile(dir / "def", StreamingDigest::kOpenEnded, 3);
    digest.Restart(DigestKind::kMd5);
    digest.AddFile(dir / "abc", StreamingDigest::kOpenEnded, 3);
    EXPECT_EQ(digest.Result(), "900150983cd24fb0d6963f7d28e17f72");  // MD5 of "abc"
    // The second file counts only once the first is complete: a short first file gives the
    // digest of what it holds, which no package digest matches.
    digest.Restart(DigestKind::kMd5);
    digest.AddFile(dir / "abc", 4, 3);
    digest.AddFile(dir / "def", 3, 3);
    EXPECT_EQ(digest.Result(), "900150983cd24fb0d6963f7d28e17f72");

    digest.Restart(DigestKind::kMd5);
    digest.AddFile(dir / "missing", StreamingDigest::kOpenEnded, 0);
    EXPECT_EQ(digest.Result(), "");
    digest.Restart(DigestKind::kMd5);
    digest.AddFile(dir / "abc", StreamingDigest::kOpenEnded, 4);  // more than the file holds
    EXPECT_EQ(digest.Result(), "");
    digest.Restart(DigestKind::kNone);
    digest.AddFile(dir / "abc", StreamingDigest::kOpenEnded, 3);
    EXPECT_EQ(digest.Result(), "");
}

}  // namespace
