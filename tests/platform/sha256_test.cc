#include "platform/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(platform::Sha256& hash) { return platform::HexDigest(hash.Finish()); }

// The digests of FIPS 180-2's examples, from whichever library the platform has, however
// the bytes are split into parts.
TEST(Sha256Test, GivesTheStandardDigestsWhateverTheParts) {
  platform::Sha256 hash;
  EXPECT_EQ(Hex(hash), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  hash.Add("abc", 3);
  EXPECT_EQ(Hex(hash), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  for (std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{55}, text.size()}) {
    hash.Add(text.data(), split);
    hash.Add(text.data() + split, text.size() - split);
    EXPECT_EQ(Hex(hash), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1")
        << split;
  }
  // A copy tried again starts over.
  hash.Add("garbage", 7);
  hash.Reset();
  hash.Add("abc", 3);
  EXPECT_EQ(Hex(hash), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
