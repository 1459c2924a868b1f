#pragma once

#include "unlha32/bit_input.h"
#include "unlha32/output_window.h"

namespace unlha32 {

// The decoders of the compressed methods. Each one decodes until `out` holds the member's
// whole original length, or stops early when the sink fails (out.failed()). Each returns
// false when the packed data is damaged: a code that stands for nothing, code lengths no
// code can have, or reading well past the end of the packed data. A true result says
// nothing about the data being right; the CRC decides that.

// -lh4- to -lh7- (and UNLHA32's -lhx-): LZSS with static Huffman codes sent block by block,
// for a dictionary of 2^`dictionary_bits` bytes (12 to 16, 19 for -lhx-).
bool DecodeStaticHuffman(BitInput& in, OutputWindow& out, int dictionary_bits);

// -lh1-: LZSS over a 4 KiB dictionary, literals and lengths in an adaptive Huffman code,
// the upper six bits of each position in a fixed code.
bool DecodeAdaptiveHuffman(BitInput& in, OutputWindow& out);

// LArc's -lzs- (2 KiB dictionary, bit flags) and -lz5- (4 KiB, flag bytes).
bool DecodeLzs(BitInput& in, OutputWindow& out);
bool DecodeLz5(BitInput& in, OutputWindow& out);

}  // namespace unlha32
