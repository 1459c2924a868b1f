#pragma once

// Writes LZH headers byte by byte with correct checksums and CRCs, so that each test says
// only what it changes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "unlha32/archive_reader.h"
#include "unlha32/archive_source.h"
#include "unlha32/crc16.h"
#include "unlha32/header_parser.h"
#include "unlha32/member.h"

namespace unlha32::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline void Put(Bytes& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void Set(Bytes& out, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Ext {
  std::uint8_t id;
  Bytes data;
};

struct HeaderBuilder {
  int level = 2;
  std::string method = "-lh5-";
  std::string data = "data";            // packed bytes, written after the header
  std::optional<std::uint32_t> packed;  // default: data.size()
  std::uint32_t original = 10;
  std::uint32_t stamp = 0x56F0A8E8;  // 2023-07-16 21:07:16 as MS-DOS words
  std::uint8_t attribute = 0x20;
  std::string name = "file.txt";  // level 0/1 base name; 0x01 in levels 2/3
  std::uint16_t data_crc = 0x1234;
  std::uint8_t os = 'M';
  std::vector<Ext> exts;   // written in this order
  bool header_crc = true;  // add extended header 0x00 (levels 1-3)
  Bytes level0_extension;  // level 0 extension area
  // Overrides for malformed headers; the checksum and CRC still match what is written.
  std::optional<std::uint32_t> declared_size;  // level 2/3 header size, level 1 skip size
  std::optional<std::uint8_t> name_length;     // level 0/1
  std::optional<std::uint8_t> hs;              // level 0/1

  Bytes Build() const;
};

inline Bytes HeaderBuilder::Build() const {
  Bytes h;
  std::uint32_t packed_size = packed.value_or(static_cast<std::uint32_t>(data.size()));
  std::vector<Ext> chain = exts;
  if (level >= 2) chain.insert(chain.begin(), Ext{0x01, B(name)});
  std::optional<std::size_t> crc_index;
  if (header_crc && level >= 1) {
    crc_index = chain.size();
    chain.push_back(Ext{0x00, Bytes{0, 0}});
  }
  const int width = level == 3 ? 4 : 2;
  auto ext_size = [&](const Ext& e) { return 1 + e.data.size() + width; };
  std::uint64_t ext_total = 0;
  for (const Ext& e : chain) ext_total += ext_size(e);

  auto put_common = [&](std::uint32_t size_field) {
    for (char c : method) h.push_back(static_cast<std::uint8_t>(c));
    Put(h, size_field, 4);
    Put(h, original, 4);
    Put(h, stamp, 4);
    h.push_back(attribute);
    h.push_back(static_cast<std::uint8_t>(level));
  };
  std::size_t crc_at = 0;
  auto put_chain = [&] {
    for (std::size_t i = 0; i < chain.size(); ++i) {
      if (crc_index && i == *crc_index) crc_at = h.size() + 1;
      h.push_back(chain[i].id);
      h.insert(h.end(), chain[i].data.begin(), chain[i].data.end());
      Put(h, i + 1 < chain.size() ? ext_size(chain[i + 1]) : 0, width);
    }
  };
  std::uint32_t first = chain.empty() ? 0 : static_cast<std::uint32_t>(ext_size(chain[0]));

  if (level <= 1) {
    std::uint8_t n = name_length.value_or(static_cast<std::uint8_t>(name.size()));
    std::size_t base = level == 0 ? 24 + name.size() + level0_extension.size() : 27 + name.size();
    h.push_back(hs.value_or(static_cast<std::uint8_t>(base - 2)));
    h.push_back(0);  // checksum, below
    put_common(level == 0
                   ? packed_size
                   : declared_size.value_or(static_cast<std::uint32_t>(packed_size + ext_total)));
    h.push_back(n);
    for (char c : name) h.push_back(static_cast<std::uint8_t>(c));
    Put(h, data_crc, 2);
    if (level == 0) {
      h.insert(h.end(), level0_extension.begin(), level0_extension.end());
    } else {
      h.push_back(os);
      Put(h, first, 2);
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 2; i < base && i < h.size(); ++i)
      sum = static_cast<std::uint8_t>(sum + h[i]);
    h[1] = sum;
    if (level == 1) put_chain();
  } else if (level == 2) {
    Put(h, 0, 2);
    put_common(packed_size);
    Put(h, data_crc, 2);
    h.push_back(os);
    Put(h, first, 2);
    put_chain();
    if ((h.size() & 0xFF) == 0) h.push_back(0);  // as writers do: never a 0x00 low byte
    Set(h, 0, declared_size.value_or(static_cast<std::uint32_t>(h.size())), 2);
  } else {
    Put(h, 4, 2);
    put_common(packed_size);
    Put(h, data_crc, 2);
    h.push_back(os);
    Put(h, 0, 4);
    Put(h, first, 4);
    put_chain();
    Set(h, 24, declared_size.value_or(static_cast<std::uint32_t>(h.size())), 4);
  }
  if (crc_at != 0) Set(h, crc_at, Crc16(h), 2);
  h.insert(h.end(), data.begin(), data.end());
  return h;
}

// Recomputes the checksum of a level 0/1 base header after a test changed it.
inline void Rechecksum(Bytes& h) {
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < static_cast<std::size_t>(h[0]) + 2u; ++i) {
    sum = static_cast<std::uint8_t>(sum + h[i]);
  }
  h[1] = sum;
}

// Members one after another, then the end mark.
inline Bytes Archive(const std::vector<Bytes>& members, bool end_mark = true) {
  Bytes out;
  for (const Bytes& m : members) out.insert(out.end(), m.begin(), m.end());
  if (end_mark) out.push_back(0);
  return out;
}

struct Listing {
  std::vector<Member> members;
  HeaderStatus end = HeaderStatus::kOk;
};

inline Listing ListBytes(const Bytes& bytes, bool recovery = false) {
  MemorySource source(bytes);
  ArchiveReader reader(source, {.recovery = recovery});
  Listing listing;
  Member member;
  while ((listing.end = reader.Next(&member)) == HeaderStatus::kOk) {
    listing.members.push_back(member);
  }
  return listing;
}

inline HeaderStatus ReadOne(const Bytes& bytes, Member* member) {
  MemorySource source(bytes);
  return ReadHeader(source, 0, member);
}

}  // namespace unlha32::test
