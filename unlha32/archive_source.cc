#include "unlha32/archive_source.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace unlha32 {

bool MemorySource::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
  return true;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& utf8_path) {
  std::filesystem::path path(std::u8string(utf8_path.begin(), utf8_path.end()));
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  std::uint64_t size = std::filesystem::file_size(path, error);
  if (error) return nullptr;
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return nullptr;
  return std::unique_ptr<FileSource>(new FileSource(std::move(stream), size));
}

FileSource::FileSource(std::ifstream stream, std::uint64_t size)
    : stream_(std::move(stream)), size_(size) {}

bool FileSource::LoadBlock(std::uint64_t offset) {
  const bool follows = !block_.empty() && offset == block_offset_ + block_.size();
  if (!follows) {
    sequential_ = platform::PartSizer(kBlockSize, kBlockSize, kLargestBlock, kTarget, kNoticeable);
  }
  std::size_t length =
      static_cast<std::size_t>(std::min<std::uint64_t>(sequential_.part(), size_ - offset));
  block_.resize(length);
  const auto started = std::chrono::steady_clock::now();
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(offset));
  stream_.read(reinterpret_cast<char*>(block_.data()), static_cast<std::streamsize>(length));
  if (static_cast<std::size_t>(stream_.gcount()) != length) {
    block_.clear();
    return false;
  }
  sequential_.Took(length, std::chrono::steady_clock::now() - started);
  block_offset_ = offset;
  return true;
}

bool FileSource::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > size_ || out.size() > size_ - offset) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    std::uint64_t at = offset + done;
    bool cached = at >= block_offset_ && at < block_offset_ + block_.size();
    if (!cached && !LoadBlock(at)) return false;
    std::size_t from = static_cast<std::size_t>(at - block_offset_);
    std::size_t count = std::min(out.size() - done, block_.size() - from);
    std::memcpy(out.data() + done, block_.data() + from, count);
    done += count;
  }
  return true;
}

}  // namespace unlha32
