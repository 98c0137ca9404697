#include "unlha32/lzh/crc16.h"

#include <array>

namespace mv::lzh {
namespace {

// Four tables, so the loop can fold four bytes per step (slicing).
using Tables = std::array<std::array<uint16_t, 256>, 4>;

constexpr Tables MakeTables() {
  Tables t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001u : c >> 1;
    t[0][i] = static_cast<uint16_t>(c);
  }
  for (unsigned i = 0; i < 256; ++i) {
    for (int s = 1; s < 4; ++s) {
      const uint16_t prev = t[s - 1][i];
      t[s][i] = static_cast<uint16_t>((prev >> 8) ^ t[0][prev & 0xFF]);
    }
  }
  return t;
}

constexpr Tables kTables = MakeTables();

}  // namespace

uint16_t Crc16(uint16_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = crc;
  while (size >= 4) {
    c ^= static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
    c = kTables[3][c & 0xFF] ^ kTables[2][(c >> 8) & 0xFF] ^ kTables[1][p[2]] ^ kTables[0][p[3]];
    p += 4;
    size -= 4;
  }
  while (size--) c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
  return static_cast<uint16_t>(c);
}

}  // namespace mv::lzh
