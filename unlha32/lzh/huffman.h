// Length-limited Huffman code lengths and their canonical codes, as -lh5- blocks use them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv::lzh {

inline constexpr int kMaxCodeBits = 16;
inline constexpr size_t kMaxHuffmanSymbols = 512;

// Code lengths for n (at most kMaxHuffmanSymbols) symbols from their frequencies, none longer
// than maxBits. Symbols of
// frequency 0 get length 0. With fewer than two used symbols every length is 0 and the return
// value is the only used symbol (or 0 when none is used); otherwise it is -1. The lengths of
// two or more symbols always form a complete code, which the readers insist on.
int BuildLengths(const uint32_t* freq, size_t n, int maxBits, uint8_t* lengths);

// Canonical codes: shorter codes first, and within one length in symbol order.
void BuildCodes(const uint8_t* lengths, size_t n, uint16_t* codes);

}  // namespace mv::lzh
