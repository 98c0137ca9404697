// Most-significant-bit-first bit packing into a byte vector, as the -lh5- stream stores codes.
#pragma once

#include <cstdint>
#include <vector>

namespace mv::lzh {

class BitWriter {
 public:
  static constexpr bool kCounting = false;
  // Appends the low `count` bits of value, highest first; count is 0..32.
  void Put(uint32_t value, int count) {
    if (count == 0) return;
    acc_ = (acc_ << count) | (value & (count == 32 ? 0xFFFFFFFFu : ((1u << count) - 1)));
    bits_ += count;
    while (bits_ >= 8) {
      bits_ -= 8;
      out_.push_back(static_cast<uint8_t>(acc_ >> bits_));
    }
  }
  // Pads the last byte with zero bits.
  void Align() {
    if (bits_ > 0) Put(0, 8 - bits_);
  }
  // Whole bytes written so far; the partial byte stays behind.
  std::vector<uint8_t>& Bytes() { return out_; }
  uint64_t BitCount() const { return static_cast<uint64_t>(out_.size()) * 8 + bits_; }
  // Moves everything written, the partial byte included (in its high bits), into bytes, and
  // starts afresh.
  uint64_t Take(std::vector<uint8_t>* bytes) {
    const uint64_t count = BitCount();
    if (bits_ > 0) out_.push_back(static_cast<uint8_t>(acc_ << (8 - bits_)));
    bytes->swap(out_);
    out_.clear();
    bits_ = 0;
    return count;
  }

 private:
  uint64_t acc_ = 0;  // pending bits in the low `bits_` positions (higher bits are stale)
  int bits_ = 0;      // 0..7 between calls
  std::vector<uint8_t> out_;
};

}  // namespace mv::lzh
