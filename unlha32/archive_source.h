#pragma once

#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/part_size.h"

namespace unlha32 {

// Random access to the bytes of one archive. The reader never asks for more than the
// header it is looking at, so listing a large archive touches only its headers.
class ArchiveSource {
 public:
  virtual ~ArchiveSource() = default;

  // Total length of the archive in bytes.
  virtual std::uint64_t size() const = 0;

  // Fills `out` with the bytes at `offset`. Returns false when the range is not wholly
  // inside the archive or the read fails; `out` is then unspecified.
  virtual bool Read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// An archive held in memory (tests and the fuzzer).
class MemorySource : public ArchiveSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// An archive file. Reads go through one cached block, so the headers of many small
// members that share a block cost one read between them. Blocks read one after the other
// (a member's data being decoded) grow with the throughput measured (PartSizer), so that a
// medium with a fixed cost per read is read in few calls; a seek starts small again.
class FileSource : public ArchiveSource {
 public:
  // Opens `utf8_path`; returns null when it cannot be opened or is not a regular file.
  static std::unique_ptr<FileSource> Open(const std::string& utf8_path);

  std::uint64_t size() const override { return size_; }
  bool Read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;
  static constexpr std::size_t kLargestBlock = 8 << 20;
  static constexpr auto kNoticeable = std::chrono::milliseconds(20);
  static constexpr auto kTarget = std::chrono::milliseconds(400);

  FileSource(std::ifstream stream, std::uint64_t size);
  bool LoadBlock(std::uint64_t offset);

  std::ifstream stream_;
  std::uint64_t size_ = 0;
  std::uint64_t block_offset_ = 0;
  std::vector<std::uint8_t> block_;
  platform::PartSizer sequential_{kBlockSize, kBlockSize, kLargestBlock, kTarget, kNoticeable};
};

}  // namespace unlha32
