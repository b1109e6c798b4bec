#include "platform/hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::HashAlgorithm;

// The digest so far can be taken at any point, and the hash goes on from there.
TEST(Hash, DigestsOfWhatWasAddedSoFar) {
    struct Case {
        HashAlgorithm algorithm;
        std::vector<std::string> pieces;
        std::vector<std::string> digests;  // after nothing, then after each piece
    } cases[] = {
        {HashAlgorithm::kMd5,
         {"a", "bc"},
         {"d41d8cd98f00b204e9800998ecf8427e", "0cc175b9c0f1b6a831c399e269772661",
          "900150983cd24fb0d6963f7d28e17f72"}},
        {HashAlgorithm::kSha256,
         {"a", "bc"},
         {"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
          "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb",
          "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}},
        // A million "a" in uneven pieces (the long test value of both).
        {HashAlgorithm::kSha256,
         {std::string(1, 'a'), std::string(65535, 'a'), std::string(934464, 'a')},
         {"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
          "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb", "",
          "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}},
        {HashAlgorithm::kMd5,
         {std::string(1000000, 'a')},
         {"d41d8cd98f00b204e9800998ecf8427e", "7707d6ae4e027c70eea2a935c2296f21"}},
    };
    for (const auto& c : cases) {
        platform::Hash hash(c.algorithm);
        ASSERT_TRUE(hash.Ready());
        EXPECT_EQ(hash.HexDigest(), c.digests[0]);
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(hash.Update(c.pieces[i].data(), c.pieces[i].size()));
            if (!c.digests[i + 1].empty()) {
                EXPECT_EQ(hash.HexDigest(), c.digests[i + 1]);
            }
        }
    }
}

TEST(Base64Encode, UsesTheStandardAlphabetWithPadding) {
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {std::string("\xfb\xff\xbf", 3), "+/+/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        EXPECT_EQ(platform::Base64Encode(c.in), c.out);
    }
    // Long input stays on one line.
    const std::string encoded = platform::Base64Encode(std::string(100, 'a'));
    EXPECT_EQ(encoded.size(), 136u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
}

}  // namespace
