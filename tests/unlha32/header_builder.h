#pragma once

// Writes LZH headers byte by byte with correct checksums and CRCs, so that each test says
// only what it changes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "unlha32/archive_source.h"
#include "unlha32/crc16.h"
#include "unlha32/header_parser.h"
#include "unlha32/member.h"

namespace unlha32::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline void Put(Bytes& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void Set(Bytes& out, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline Bytes Flip(Bytes bytes, std::size_t at) {
  bytes[at] ^= 1;
  return bytes;
}

// The data of extended header 0x42.
inline Bytes LargeSizes(std::uint64_t packed, std::uint64_t original) {
  Bytes data;
  Put(data, packed, 8);
  Put(data, original, 8);
  return data;
}

struct Ext {
  std::uint8_t id;
  Bytes data;
};

struct HeaderBuilder {
  int level = 2;
  std::string method = "-lh5-";
  std::string data = "data";  // packed bytes, written after the header
  std::uint32_t original = 10;
  std::uint32_t stamp = 0x56F0A8E8;  // 2023-07-16 21:07:16 as MS-DOS words
  std::uint8_t attribute = 0x20;
  std::string name = "file.txt";  // level 0/1 base name; 0x01 in levels 2/3
  std::uint16_t data_crc = 0x1234;
  std::uint8_t os = 'M';
  std::vector<Ext> exts;   // written in this order
  bool header_crc = true;  // add extended header 0x00 last (levels 1-3)
  Bytes level0_extension;  // level 0 extension area
  // Overrides for malformed headers; the checksum and CRC still match what is written.
  std::optional<std::uint32_t> declared_size;  // level 2/3 header size, level 1 skip size
  std::optional<std::uint32_t> first_size;     // of the first extended header
  std::optional<std::uint8_t> name_length;     // level 0/1

  Bytes Build() const;
};

inline Bytes HeaderBuilder::Build() const {
  std::vector<Ext> chain = exts;
  if (level >= 2) chain.insert(chain.begin(), Ext{0x01, B(name)});
  if (header_crc && level >= 1) chain.push_back(Ext{0x00, Bytes{0, 0}});
  const int width = level == 3 ? 4 : 2;
  auto ext_size = [&](std::size_t i) -> std::uint64_t {
    return i < chain.size() ? 1 + chain[i].data.size() + width : 0;
  };
  // The level 1 skip size covers the extended headers too.
  std::uint64_t packed = data.size();
  for (std::size_t i = 0; level == 1 && i < chain.size(); ++i) packed += ext_size(i);
  if (level == 1) packed = declared_size.value_or(packed);
  const std::size_t base =
      level == 0 ? 24 + name.size() + level0_extension.size() : 27 + name.size();
  Bytes h;
  if (level <= 1) h = {static_cast<std::uint8_t>(base - 2), 0};  // checksum below
  if (level >= 2) Put(h, level == 2 ? 0 : 4, 2);  // level 2: the header size, set below
  h.insert(h.end(), method.begin(), method.end());
  Put(h, packed, 4);
  Put(h, original, 4);
  Put(h, stamp, 4);
  h.insert(h.end(), {attribute, static_cast<std::uint8_t>(level)});
  if (level <= 1) {
    h.push_back(name_length.value_or(static_cast<std::uint8_t>(name.size())));
    h.insert(h.end(), name.begin(), name.end());
  }
  Put(h, data_crc, 2);
  h.insert(h.end(), level0_extension.begin(), level0_extension.end());
  if (level >= 1) h.push_back(os);
  if (level == 3) Put(h, 0, 4);  // the header size, set below
  if (level >= 1) Put(h, first_size.value_or(ext_size(0)), width);
  for (std::size_t i = 2; level <= 1 && i < base && i < h.size(); ++i) h[1] += h[i];
  std::size_t crc_at = 0;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    h.push_back(chain[i].id);
    if (header_crc && i + 1 == chain.size()) crc_at = h.size();
    h.insert(h.end(), chain[i].data.begin(), chain[i].data.end());
    Put(h, ext_size(i + 1), width);
  }
  // As writers do: never a 0x00 low byte, which would read as the end mark.
  if (level == 2 && (h.size() & 0xFF) == 0) h.push_back(0);
  if (level >= 2) Set(h, level == 2 ? 0 : 24, declared_size.value_or(h.size()), width);
  if (crc_at != 0) Set(h, crc_at, Crc16(h), 2);
  return Join(h, B(data));
}

// Members one after another, then the end mark.
inline Bytes Archive(const std::vector<Bytes>& members) {
  Bytes out;
  for (const Bytes& m : members) out.insert(out.end(), m.begin(), m.end());
  out.push_back(0);
  return out;
}

inline HeaderStatus ReadOne(const Bytes& bytes, Member* member) {
  MemorySource source(bytes);
  return ReadHeader(source, 0, member);
}

}  // namespace unlha32::test
