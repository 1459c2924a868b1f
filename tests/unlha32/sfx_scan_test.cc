#include "unlha32/sfx_scan.h"

#include <gtest/gtest.h>

#include "header_builder.h"

namespace unlha32::test {
namespace {

Bytes Stub(std::size_t size, const std::string& text = "") {
  Bytes stub{'M', 'Z'};
  stub.resize(size - text.size(), 0x90);
  return Join(stub, B(text));
}

const Bytes kArchive = Archive({HeaderBuilder{.level = 1, .name = "real.txt"}.Build()});

TEST(SfxScan, FindsTheFirstHeaderAfterAStub) {
  using enum ArchiveStart::Kind;
  // Method-like text and a fake header whose checksum fails.
  Bytes decoys = Join(Stub(3000, "LHA-SFX -lh5- usage"),
                      Flip(HeaderBuilder{.level = 1, .name = "fake"}.Build(), 1));
  // A PMarc stub starts with a "-pms-" pseudo header that would pass for level 0.
  Bytes pmarc = Join(Bytes{0x10, 0x00, '-', 'p', 'm', 's', '-'}, Bytes(14, 0));
  pmarc.resize(400, 0x20);
  // Found where its data would run past the end of the file, a header is no candidate.
  Bytes cut = Join(Stub(100), HeaderBuilder{.level = 1, .declared_size = 100}.Build());
  struct Case {
    const char* what;
    Bytes bytes;
    ArchiveStart::Kind kind;
    std::uint64_t offset = 0;
  };
  const Case cases[] = {
      {"plain", kArchive, kPlain},
      {"only the end mark", Bytes{0}, kEmpty},
      {"empty file", Bytes{}, kNotArchive},
      {"text", B("just some text, no -lh5- header here at all"), kNotArchive},
      {"stub", Join(Stub(36352), kArchive), kSelfExtracting, 36352},
      // Code after the archive (Atari TOS stubs) does not matter.
      {"code after", Join(Join(Stub(60), kArchive), Stub(500)), kSelfExtracting, 60},
      {"decoys", Join(decoys, kArchive), kSelfExtracting, decoys.size()},
      {"PMarc", Join(pmarc, kArchive), kSelfExtracting, pmarc.size()},
      {"beyond the scan", Join(Stub(kSfxScanLimit + 10), kArchive), kNotArchive},
      {"data leaves the file", cut, kNotArchive},
  };
  for (const Case& c : cases) {
    MemorySource source(c.bytes);
    ArchiveStart start = FindArchiveStart(source);
    EXPECT_EQ(start.kind, c.kind) << c.what;
    EXPECT_EQ(start.offset, c.offset) << c.what;
  }
}

}  // namespace
}  // namespace unlha32::test
