#include "download/digest.h"

#include <gtest/gtest.h>

#include "tests/download/download_test_support.h"

namespace {

using download_test::TempDir;
using download_test::WriteFile;

TEST(Md5FromUrl, TakesTheSegmentBetweenTheLastTwoSlashesAsWritten) {
    const struct {
        const char* url;
        const char* expected;
    } cases[] = {
        {"http://h/software/0123456789abcdef0123456789abcdef/Collivo.exe",
         "0123456789abcdef0123456789abcdef"},
        {"http://h/0123456789ABCDEF0123456789ABCDEF/Collivo.exe",
         "0123456789ABCDEF0123456789ABCDEF"},  // no case change
        // A query is not removed: a "/" inside it counts like any other.
        {"http://h/d/Collivo.exe?from=a/b", "Collivo.exe?from=a"},
        {"http://h/abc/", "abc"},
        {"a//b", ""},
        {"http://host:8080/Collivo.exe", "host:8080"},
        {"/Collivo.exe", ""},  // one slash
        {"one/slash", ""},
        {"no-slash", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(Md5FromUrl(c.url), c.expected);
    }
}

TEST(ExpectedDigestFromUrl, ThirtyTwoCharactersAreMd5AndSixtyFourHexDigitsSha256) {
    const std::string md5 = "0123456789abcdef0123456789abcdef";
    const std::string sha = md5 + md5;
    const struct {
        std::string segment;
        DigestKind kind;
        std::string hex;
    } cases[] = {
        {md5, DigestKind::kMd5, md5},
        {"0123456789ABCDEF0123456789ABCDEF", DigestKind::kMd5,
         "0123456789ABCDEF0123456789ABCDEF"},                            // as written
        {std::string(32, 'z'), DigestKind::kMd5, std::string(32, 'z')},  // any 32 characters
        {sha, DigestKind::kSha256, sha},
        {"0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF", DigestKind::kSha256,
         sha},                                                // compared in lower case
        {std::string(63, 'a') + "g", DigestKind::kNone, ""},  // not hexadecimal
        {sha + "0", DigestKind::kNone, ""},
        {md5 + "0", DigestKind::kNone, ""},
        {"package", DigestKind::kNone, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.segment);
        const ExpectedDigest expected = ExpectedDigestFromUrl("http://h/" + c.segment + "/C.exe");
        EXPECT_EQ(expected.kind, c.kind);
        EXPECT_EQ(expected.hex, c.hex);
    }
}

TEST(FileDigest, GivesTheSha256TestValuesAndNothingForNoKind) {
    TempDir dir;
    const struct {
        std::string content;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digest);
        WriteFile(dir / "file", c.content);
        EXPECT_EQ(FileDigest(dir / "file", DigestKind::kSha256), c.digest);
        EXPECT_EQ(FileDigest(dir / "file", DigestKind::kNone), "");
    }
}

TEST(FileMd5, GivesTheRfc1321TestValues) {
    const struct {
        std::string content;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Many 1 KiB blocks and a short last one: a million "a" characters.
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.digest);
        WriteFile(dir / "file", c.content);
        EXPECT_EQ(FileMd5(dir / "file"), c.digest);
    }
}

TEST(FileMd5, IsEmptyWhenThereIsNoFileToRead) {
    TempDir dir;
    EXPECT_EQ(FileMd5(""), "");
    EXPECT_EQ(FileMd5(dir / "missing"), "");
    EXPECT_EQ(FileMd5(dir.Path()), "");  // a folder opens but reads nothing
}

}  // namespace
