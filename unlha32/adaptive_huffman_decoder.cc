// -lh1- (LHarc 1.x): LZSS over a 4 KiB dictionary. Literals and match lengths share one
// adaptive Huffman code of 314 symbols (256 bytes, then lengths 3 to 60) that starts with
// every symbol equally likely and is updated after each symbol it decodes. A match is
// followed by its distance - 1 in 12 bits: the upper six in a fixed code of 3 to 8 bits,
// the lower six as they are.
#include <algorithm>
#include <array>

#include "unlha32/huffman_table.h"
#include "unlha32/method_decoders.h"

namespace unlha32 {
namespace {

constexpr int kSymbols = 256 + 60 - 2;    // bytes, and match lengths 3..60
constexpr int kNodes = 2 * kSymbols - 1;  // leaves and inner nodes
constexpr int kRoot = kNodes - 1;
// When the root's count reaches this, every count is halved, so counts stay small and old
// statistics fade.
constexpr unsigned kMaxCount = 0x8000;
constexpr int kMatchBase = 256 - 3;

// The tree keeps the sibling property: nodes ordered by count, so that after a count goes
// up, swapping the node with the last node of its old count keeps the tree a Huffman tree.
class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (int i = 0; i < kSymbols; ++i) {
      count_[i] = 1;
      child_[i] = i + kNodes;  // a child at kNodes + s is the leaf of symbol s
      parent_[i + kNodes] = i;
    }
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
      count_[j] = count_[i] + count_[i + 1];
      child_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    count_[kNodes] = 0xFFFF;  // stops the search for a node's new place
    parent_[kRoot] = 0;
  }

  // Walks from the root, one bit per level (0 the left child, 1 the right).
  int Decode(BitInput& in) {
    int node = child_[kRoot];
    while (node < kNodes) node = child_[node + in.Bit()];
    int symbol = node - kNodes;
    Update(symbol);
    return symbol;
  }

 private:
  void Update(int symbol) {
    if (count_[kRoot] == kMaxCount) Rebuild();
    int node = parent_[symbol + kNodes];
    do {
      unsigned count = ++count_[node];
      int last = node + 1;
      if (count > count_[last]) {
        while (count > count_[++last]) {
        }
        --last;
        count_[node] = count_[last];
        count_[last] = count;
        int child = child_[node];
        SetParent(child, last);
        int other = child_[last];
        child_[last] = child;
        SetParent(other, node);
        child_[node] = other;
        node = last;
      }
      node = parent_[node];
    } while (node != 0);
  }

  // An inner node's two children sit side by side; a leaf is its own.
  void SetParent(int child, int parent) {
    parent_[child] = parent;
    if (child < kNodes) parent_[child + 1] = parent;
  }

  // Halves every leaf count and builds the tree again from the leaves.
  void Rebuild() {
    int leaves = 0;
    for (int i = 0; i < kNodes; ++i) {
      if (child_[i] >= kNodes) {
        count_[leaves] = (count_[i] + 1) / 2;
        child_[leaves] = child_[i];
        ++leaves;
      }
    }
    for (int i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
      unsigned count = count_[i] + count_[i + 1];
      int place = j;
      while (place > 0 && count < count_[place - 1]) --place;
      std::copy_backward(count_.begin() + place, count_.begin() + j, count_.begin() + j + 1);
      std::copy_backward(child_.begin() + place, child_.begin() + j, child_.begin() + j + 1);
      count_[place] = count;
      child_[place] = i;
    }
    for (int i = 0; i < kNodes; ++i) SetParent(child_[i], i);
  }

  std::array<unsigned, kNodes + 1> count_{};
  std::array<int, kNodes> child_{};  // of an inner node: the left child; right is + 1
  std::array<int, kNodes + kSymbols> parent_{};
};

// The fixed code of a position's upper six bits: 1 code of 3 bits, 3 of 4, 8 of 5, 12 of
// 6, 24 of 7 and 16 of 8, in order of the values they stand for.
HuffmanTable PositionCode() {
  std::array<std::uint8_t, 64> lengths{};
  const std::pair<int, int> runs[] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
  std::size_t i = 0;
  for (auto [count, length] : runs) {
    for (int k = 0; k < count; ++k) lengths[i++] = static_cast<std::uint8_t>(length);
  }
  HuffmanTable table(8);
  table.Build(lengths);
  return table;
}

}  // namespace

bool DecodeAdaptiveHuffman(BitInput& in, OutputWindow& out) {
  static const HuffmanTable kPosition = PositionCode();
  AdaptiveTree tree;
  while (out.remaining() > 0 && !out.failed()) {
    int symbol = tree.Decode(in);
    if (symbol < 256) {
      out.Put(static_cast<std::uint8_t>(symbol));
    } else {
      in.Refill();
      std::uint32_t upper = static_cast<std::uint32_t>(kPosition.Decode(in));
      std::uint32_t distance = (upper << 6 | in.Bits(6)) + 1;
      out.Copy(distance, static_cast<std::uint32_t>(symbol - kMatchBase));
    }
    if (in.overrun()) return false;
  }
  return true;
}

}  // namespace unlha32
