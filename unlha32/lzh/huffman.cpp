#include "unlha32/lzh/huffman.h"

#include <algorithm>
#include <cassert>

namespace mv::lzh {

int BuildLengths(const uint32_t* freq, size_t n, int maxBits, uint8_t* lengths) {
  assert(n <= kMaxHuffmanSymbols);
  std::fill(lengths, lengths + n, uint8_t{0});
  // Used symbols, most frequent first (ties: lower symbol first), as one sortable key each.
  uint64_t keys[kMaxHuffmanSymbols];
  size_t m = 0;
  for (size_t i = 0; i < n; ++i)
    if (freq[i] != 0) keys[m++] = (static_cast<uint64_t>(~freq[i]) << 32) | i;
  if (m < 2) return m == 0 ? 0 : static_cast<int>(keys[0] & 0xFFFFFFFF);
  std::sort(keys, keys + m);
  auto symbol = [&](size_t k) { return static_cast<uint32_t>(keys[k] & 0xFFFFFFFF); };

  // Two-queue Huffman over the leaves by ascending weight: leaves come from the back of
  // `keys`, merged nodes from a FIFO whose weights never decrease.
  uint64_t weight[2 * kMaxHuffmanSymbols];
  uint32_t parent[2 * kMaxHuffmanSymbols];
  for (size_t i = 0; i < m; ++i) weight[i] = freq[symbol(m - 1 - i)];
  size_t leaf = 0, node = m, next = m;
  auto take = [&]() -> size_t {
    if (leaf < m && (node >= next || weight[leaf] <= weight[node])) return leaf++;
    return node++;
  };
  for (size_t k = 0; k + 1 < m; ++k) {
    const size_t a = take(), b = take();
    weight[next] = weight[a] + weight[b];
    parent[a] = parent[b] = static_cast<uint32_t>(next);
    ++next;
  }
  // Depth of each leaf; count leaves per depth, deeper ones clamped to maxBits for now.
  uint32_t depth[2 * kMaxHuffmanSymbols];
  uint32_t count[kMaxCodeBits + 1] = {};
  depth[next - 1] = 0;
  for (size_t i = next - 1; i-- > 0;) depth[i] = depth[parent[i]] + 1;
  for (size_t i = 0; i < m; ++i) ++count[std::min<uint32_t>(depth[i], maxBits)];

  // Clamping made the code over-full; move leaves down until the Kraft sum is exactly one.
  uint64_t kraft = 0;
  for (int len = 1; len <= maxBits; ++len)
    kraft += static_cast<uint64_t>(count[len]) << (maxBits - len);
  const uint64_t full = uint64_t{1} << maxBits;
  while (kraft > full) {
    // Take a leaf from the deepest level and hang it, with a leaf from a shallower level, one
    // step deeper: the shallower leaf becomes an inner node with two children.
    --count[maxBits];
    for (int len = maxBits - 1; len > 0; --len) {
      if (count[len] != 0) {
        --count[len];
        count[len + 1] += 2;
        break;
      }
    }
    --kraft;
  }
  // Shortest codes to the most frequent symbols.
  size_t s = 0;
  for (int len = 1; len <= maxBits; ++len)
    for (uint32_t k = 0; k < count[len]; ++k) lengths[symbol(s++)] = static_cast<uint8_t>(len);
  return -1;
}

void BuildCodes(const uint8_t* lengths, size_t n, uint16_t* codes) {
  uint32_t count[kMaxCodeBits + 2] = {};
  for (size_t i = 0; i < n; ++i) ++count[lengths[i]];
  count[0] = 0;
  uint32_t next[kMaxCodeBits + 2] = {};
  uint32_t code = 0;
  for (int len = 1; len <= kMaxCodeBits; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  for (size_t i = 0; i < n; ++i)
    codes[i] = lengths[i] ? static_cast<uint16_t>(next[lengths[i]]++) : 0;
}

}  // namespace mv::lzh
