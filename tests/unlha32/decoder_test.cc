// Packed data spelled out code by code: the corners of each method that real archives reach
// only by chance, and damage. Real archives of every method are decoded in the corpus and
// jlha tests.
#include <gtest/gtest.h>

#include <optional>

#include "bit_writer.h"
#include "unlha32/crc16.h"
#include "unlha32/member_decoder.h"

namespace unlha32::test {
namespace {

std::uint16_t CrcOf(const std::string& text) {
  return Crc16(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

struct Decoded {
  DecodeStatus status;
  std::string output;
};

Decoded Decode(const std::string& method, const std::string& packed, std::uint64_t original,
               std::uint16_t crc, int level = 2, std::uint8_t os = 'M',
               std::optional<std::uint64_t> packed_size = {}) {
  MemorySource source(
      std::span(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size()));
  Member member;
  std::copy(method.begin(), method.end(), member.method.begin());
  member.level = level;
  member.os_id = os;
  member.packed_size = packed_size.value_or(packed.size());
  member.original_size = original;
  member.data_crc = crc;
  Decoded decoded;
  decoded.status = DecodeMember(source, member, [&](std::span<const std::uint8_t> bytes) {
    decoded.output.append(bytes.begin(), bytes.end());
    return true;
  });
  return decoded;
}

std::string Lz5(std::initializer_list<int> bytes) {
  std::string text;
  for (int byte : bytes) text += static_cast<char>(byte);
  return text;
}

TEST(MemberDecoder, DecodesSpelledOutStreams) {
  BitWriter a1000, spaces, abba, zero_block, crowded, bad_code, short_data, lzs, lzs_start;
  SingleSymbolBlock(a1000, 600, 'A', 0);
  SingleSymbolBlock(a1000, 400, 'A', 0);  // a second block with the same codes
  // A match of 256 bytes from 1 back at the start reads the spaces before the text; 65,535
  // such codes would be 16 MiB, but the declared size ends it.
  SingleSymbolBlock(spaces, 65535, 509, 0);
  TwoLetterBlock(abba, 4).Put(0b0110, 4);
  zero_block.Put(0, 16);
  crowded.Put(1, 16).Put(3, 5).Put(1, 3).Put(1, 3).Put(1, 3).Put(0, 2);  // three 1-bit codes
  TwoLetterBlock(bad_code, 2, /*only_a=*/true).Put(0b01, 2);        // code 1 stands for nothing
  TwoLetterBlock(short_data, 65535);                                // and then no data at all
  lzs.Put(1, 1).Put('x', 8).Put(0, 1).Put(2031, 11).Put(4 - 2, 4);  // 'x', then 4 from it
  lzs_start.Put(0, 1).Put(0, 11).Put(17 - 2, 4);  // the ring before the start: spaces
  const std::string bytes_0_1 = std::string(13, '\0') + std::string(5, '\1');

  struct Case {
    const char* what;
    const char* method;
    std::string packed;
    std::string expected;  // the original bytes, whose CRC the header gives
    DecodeStatus status = DecodeStatus::kOk;
  };
  using enum DecodeStatus;
  const Case cases[] = {
      {"codes of no bits, over two blocks", "-lh5-", a1000.bytes(), std::string(1000, 'A')},
      {"the text before the start", "-lh7-", spaces.bytes(), std::string(1000, ' ')},
      {"two one-bit codes", "-lh5-", abba.bytes(), "abba"},
      {"the same under -lh4-", "-lh4-", abba.bytes(), "abba"},
      {"a block of no codes", "-lh5-", zero_block.bytes(), "a", kDamaged},
      {"code lengths of more codes than bits allow", "-lh6-", crowded.bytes(), "a", kDamaged},
      {"a code that stands for nothing", "-lh5-", bad_code.bytes(), "aa", kDamaged},
      {"data far shorter than the original", "-lh5-", short_data.bytes(), std::string(10000, 'a'),
       kDamaged},
      {"-lzs- literal and match", "-lzs-", lzs.bytes(), "xxxxx"},
      {"-lzs- match before the start", "-lzs-", lzs_start.bytes(), std::string(17, ' ')},
      // A flag byte rules eight items, low bit first: a literal 'y' at 4078, then 5 from it.
      {"-lz5- literal and match", "-lz5-", Lz5({0x01, 'y', 0xEE, 0xF2}), "yyyyyy"},
      // The ring starts with thirteen of each byte value.
      {"-lz5- match into the prefilled ring", "-lz5-", Lz5({0x00, 0x00, 0x0F}), bytes_0_1},
      {"stored", "-lh0-", "stored", "stored"},
      {"stored, damaged", "-lz4-", "stored", "storeD", kCrcMismatch},
      {"stored, sizes differ", "-pm0-", "stored", "store", kDamaged},
      {"PMarc's -pm2-", "-pm2-", "x", "x", kUnknownMethod},
      {"an unknown method", "-xyz-", "x", "x", kUnknownMethod},
  };
  for (const Case& c : cases) {
    Decoded decoded = Decode(c.method, c.packed, c.expected.size(), CrcOf(c.expected));
    EXPECT_EQ(decoded.status, c.status) << c.what;
    if (c.status == kOk || c.status == kCrcMismatch) {
      EXPECT_EQ(decoded.output, c.status == kOk ? c.expected : "stored") << c.what;
    }
  }
}

TEST(MemberDecoder, ChecksTheCrcAndTheArchiveEnd) {
  BitWriter abba;
  TwoLetterBlock(abba, 4).Put(0b0110, 4);
  EXPECT_EQ(Decode("-lh5-", abba.bytes(), 4, CrcOf("abba") ^ 1).status, DecodeStatus::kCrcMismatch);
  // Data that runs past the end of the archive is not decoded at all.
  EXPECT_EQ(Decode("-lh5-", abba.bytes(), 4, CrcOf("abba"), 2, 'M', 100).status,
            DecodeStatus::kTruncated);
  // LHARK's -lh7- (level 1, OS id blank) is another method under the same name.
  BitWriter a10;
  SingleSymbolBlock(a10, 10, 'a', 0);
  const std::string ten(10, 'a');
  EXPECT_EQ(Decode("-lh7-", a10.bytes(), 10, CrcOf(ten), 1, ' ').status,
            DecodeStatus::kUnknownMethod);
  EXPECT_EQ(Decode("-lh7-", a10.bytes(), 10, CrcOf(ten), 1, 'M').status, DecodeStatus::kOk);

  // A sink that refuses stops decoding.
  MemorySource source(
      std::span(reinterpret_cast<const std::uint8_t*>(abba.bytes().data()), abba.bytes().size()));
  Member member;
  std::string method = "-lh5-";
  std::copy(method.begin(), method.end(), member.method.begin());
  member.packed_size = abba.bytes().size();
  member.original_size = 4;
  EXPECT_EQ(DecodeMember(source, member, [](std::span<const std::uint8_t>) { return false; }),
            DecodeStatus::kOutputFailed);
}

}  // namespace
}  // namespace unlha32::test
