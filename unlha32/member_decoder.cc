#include "unlha32/member_decoder.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "unlha32/bit_input.h"
#include "unlha32/crc16.h"
#include "unlha32/method_decoders.h"

namespace unlha32 {
namespace {

enum class Kind { kStored, kStaticHuffman, kAdaptiveHuffman, kLzs, kLz5 };

struct Method {
  std::string_view id;
  Kind kind;
  int dictionary_bits;
};

constexpr Method kMethods[] = {
    {"-lh0-", Kind::kStored, 0},         {"-lz4-", Kind::kStored, 0},
    {"-pm0-", Kind::kStored, 0},         {"-lh1-", Kind::kAdaptiveHuffman, 12},
    {"-lh4-", Kind::kStaticHuffman, 12}, {"-lh5-", Kind::kStaticHuffman, 13},
    {"-lh6-", Kind::kStaticHuffman, 15}, {"-lh7-", Kind::kStaticHuffman, 16},
    {"-lhx-", Kind::kStaticHuffman, 19}, {"-lzs-", Kind::kLzs, 11},
    {"-lz5-", Kind::kLz5, 12},
};

// A ring may grow to this size even for a small dictionary, so that a long member reaches
// the sink in pieces worth a write.
constexpr int kRingBits = 16;
constexpr std::size_t kStoredChunk = 64 * 1024;

// LHARK writes its own method under the name -lh7-, in level 1 headers with the OS id of a
// blank; decoding it as -lh7- would only end in a CRC error.
bool IsLharkMethod(const Member& member) {
  return member.method_text() == "-lh7-" && member.level == 1 && member.os_id == ' ';
}

const Method* MethodOf(const Member& member) {
  if (IsLharkMethod(member)) return nullptr;
  for (const Method& method : kMethods) {
    if (method.id == member.method_text()) return &method;
  }
  return nullptr;
}

DecodeStatus CopyStored(ArchiveSource& source, const Member& member, OutputSink sink) {
  if (member.packed_size != member.original_size) return DecodeStatus::kDamaged;
  std::vector<std::uint8_t> chunk;
  std::uint16_t crc = 0;
  for (std::uint64_t done = 0; done < member.packed_size;) {
    chunk.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(kStoredChunk, member.packed_size - done)));
    if (!source.Read(member.data_offset + done, chunk)) return DecodeStatus::kReadError;
    crc = Crc16(chunk, crc);
    if (!sink(chunk)) return DecodeStatus::kOutputFailed;
    done += chunk.size();
  }
  return crc == member.data_crc ? DecodeStatus::kOk : DecodeStatus::kCrcMismatch;
}

bool Run(const Method& method, BitInput& in, OutputWindow& out) {
  switch (method.kind) {
    case Kind::kStaticHuffman:
      return DecodeStaticHuffman(in, out, method.dictionary_bits);
    case Kind::kAdaptiveHuffman:
      return DecodeAdaptiveHuffman(in, out);
    case Kind::kLzs:
      return DecodeLzs(in, out);
    case Kind::kLz5:
      return DecodeLz5(in, out);
    case Kind::kStored:
      break;
  }
  return false;
}

}  // namespace

bool CanDecode(const Member& member) { return member.IsDirectory() || MethodOf(member) != nullptr; }

DecodeStatus DecodeMember(ArchiveSource& source, const Member& member, OutputSink sink) {
  if (member.IsDirectory()) return DecodeStatus::kOk;
  const Method* method = MethodOf(member);
  if (method == nullptr) return DecodeStatus::kUnknownMethod;
  if (member.data_end() > source.size()) return DecodeStatus::kTruncated;
  if (method->kind == Kind::kStored) return CopyStored(source, member, sink);

  BitInput in(source, member.data_offset, member.packed_size);
  OutputWindow out(std::max(method->dictionary_bits, kRingBits), member.original_size, sink);
  bool decoded = Run(*method, in, out);
  if (in.read_error()) return DecodeStatus::kReadError;
  if (!decoded) return DecodeStatus::kDamaged;
  std::uint16_t crc = out.Finish();
  if (out.failed()) return DecodeStatus::kOutputFailed;
  return crc == member.data_crc ? DecodeStatus::kOk : DecodeStatus::kCrcMismatch;
}

}  // namespace unlha32
