#include "unlha32/sfx_scan.h"

#include <gtest/gtest.h>

#include "header_builder.h"
#include "unlha32/check_archive.h"

namespace unlha32::test {
namespace {

Bytes Stub(std::size_t size, const std::string& text = "") {
  Bytes stub{'M', 'Z'};
  stub.resize(size - text.size(), 0x90);
  stub.insert(stub.end(), text.begin(), text.end());
  return stub;
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

ArchiveStart Find(const Bytes& bytes) {
  MemorySource source(bytes);
  return FindArchiveStart(source);
}

const Bytes kArchive = Archive({HeaderBuilder{.level = 1, .name = "real.txt"}.Build()});

TEST(SfxScan, PlainEmptyAndNonArchives) {
  EXPECT_EQ(Find(kArchive).kind, ArchiveStart::Kind::kPlain);
  EXPECT_EQ(Find(Bytes{0}).kind, ArchiveStart::Kind::kEmpty);
  EXPECT_EQ(Find(Bytes{}).kind, ArchiveStart::Kind::kNotArchive);
  EXPECT_EQ(Find(B("just some text, no -lh5- header here at all")).kind,
            ArchiveStart::Kind::kNotArchive);
}

TEST(SfxScan, FindsTheArchiveAfterAStub) {
  ArchiveStart start = Find(Join(Stub(36352), kArchive));
  EXPECT_EQ(start.kind, ArchiveStart::Kind::kSelfExtracting);
  EXPECT_EQ(start.offset, 36352u);
  // Code after the archive (Atari TOS stubs) does not matter.
  EXPECT_EQ(Find(Join(Join(Stub(60), kArchive), Stub(500))).offset, 60u);
}

TEST(SfxScan, StepsOverDecoys) {
  // Method-like text and a fake header whose checksum fails.
  Bytes fake = HeaderBuilder{.level = 1, .name = "fake"}.Build();
  fake[1] ^= 1;
  Bytes stub = Join(Stub(3000, "LHA-SFX -lh5- usage"), fake);
  EXPECT_EQ(Find(Join(stub, kArchive)).offset, stub.size());
  // PMarc stubs start with a "-pms-" pseudo header.
  Bytes pmarc = Join(Bytes{0x10, 0x00, '-', 'p', 'm', 's', '-'}, Bytes(400, 0x20));
  EXPECT_EQ(Find(Join(pmarc, kArchive)).offset, pmarc.size());
  // Amiga LhASFX embeds a valid usage-text archive before the real one.
  Bytes usage = Archive({HeaderBuilder{.level = 0, .name = "usage"}.Build()});
  Bytes amiga = Join(Join(Stub(2000, "LhASFX V1.2,"), usage), Stub(500));
  EXPECT_EQ(Find(Join(amiga, kArchive)).offset, amiga.size());
}

TEST(SfxScan, TheScanIsBounded) {
  EXPECT_EQ(Find(Join(Stub(kSfxScanLimit + 10), kArchive)).kind, ArchiveStart::Kind::kNotArchive);
}

TEST(SfxScan, AHeaderWhoseDataLeavesTheFileIsNoCandidate) {
  Bytes cut = Join(Stub(100), HeaderBuilder{.level = 1, .data = "0123456789"}.Build());
  cut.resize(cut.size() - 5);
  EXPECT_EQ(Find(cut).kind, ArchiveStart::Kind::kNotArchive);
}

CheckResult Check(const Bytes& bytes, std::int32_t mode) {
  MemorySource source(bytes);
  return CheckArchive(source, mode);
}

TEST(CheckModes, RapidLooksAtThreeHeadersBasicAtAll) {
  Bytes good = HeaderBuilder{.level = 1, .data = "abc"}.Build();
  Bytes bad = good;
  bad[1] ^= 1;
  Bytes bytes = Archive({good, good, good, bad});
  EXPECT_TRUE(Check(bytes, kCheckRapid).usable);
  EXPECT_FALSE(Check(bytes, kCheckBasic).usable);
  EXPECT_FALSE(Check(bytes, kCheckRapid | kCheckAll).usable);
  EXPECT_EQ(Check(bytes, kCheckBasic).problem, HeaderStatus::kBadChecksum);
}

TEST(CheckModes, RecoveryStepsOverDamagedHeaders) {
  Bytes good = HeaderBuilder{.level = 2, .data = "abc"}.Build();
  Bytes bad = good;
  bad[10] ^= 1;
  Bytes bytes = Archive({good, bad, good});
  EXPECT_FALSE(Check(bytes, kCheckBasic).usable);
  EXPECT_TRUE(Check(bytes, kCheckBasic | kCheckRecovery).usable);
  EXPECT_TRUE(Check(bytes, 4).usable);  // the caller's default
}

TEST(CheckModes, TruncationIsNeverUsable) {
  Bytes bytes = Archive({HeaderBuilder{.level = 1, .data = "0123456789"}.Build()}, false);
  bytes.resize(bytes.size() - 1);
  for (std::int32_t mode : {0, 1, 2, 4, 4 | 16 | 32}) {
    EXPECT_FALSE(Check(bytes, mode).usable) << mode;
  }
}

TEST(CheckModes, FullCrcVerifiesStoredData) {
  HeaderBuilder stored{
      .level = 2, .method = "-lh0-", .data = "hello", .original = 5, .data_crc = 0x34D2};
  Bytes bytes = Archive({stored.Build()});
  EXPECT_TRUE(Check(bytes, kCheckFullCrc).usable);
  bytes[bytes.size() - 2] ^= 1;
  EXPECT_TRUE(Check(bytes, kCheckBasic).usable);
  CheckResult full = Check(bytes, kCheckFullCrc);
  EXPECT_FALSE(full.usable);
  EXPECT_TRUE(full.data_crc_mismatch);
}

TEST(CheckModes, OnlyDataWhereAHeaderShouldBeNeedsEndData) {
  // After the end mark the archive is over; a trailer of another system does not spoil it.
  EXPECT_TRUE(Check(Join(kArchive, B("trailing garbage")), kCheckRapid | kCheckRecovery).usable);
  EXPECT_TRUE(Check(Join(kArchive, Bytes(100, 0x1A)), kCheckBasic).usable);
  Bytes no_mark = kArchive;
  no_mark.pop_back();
  EXPECT_FALSE(Check(Join(no_mark, B("garbage!")), kCheckBasic).usable);
  EXPECT_TRUE(Check(Join(no_mark, B("garbage!")), kCheckBasic | kCheckEndData).usable);
}

TEST(CheckModes, SelfExtractingIsReported) {
  CheckResult result = Check(Join(Stub(1636), kArchive), kCheckBasic | kCheckSfx);
  EXPECT_TRUE(result.usable);
  EXPECT_TRUE(result.self_extracting);
}

}  // namespace
}  // namespace unlha32::test
