#include "unlha32/lzh/lh_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "unlha32/lzh/huffman.h"
#include "unlha32/lzh/lh5_format.h"

namespace mv::lzh {
namespace {

// Bits are consumed highest first. Reading past the end yields zero bits; a stream that needs
// more than two such bytes is corrupt.
class BitReader {
 public:
  explicit BitReader(ByteSource& in) : in_(in), buf_(1 << 16) {}

  uint32_t Peek(int count) {
    Refill(count);
    return static_cast<uint32_t>(acc_ >> (have_ - count)) & ((1u << count) - 1);
  }
  void Skip(int count) {
    Refill(count);
    have_ -= count;
  }
  uint32_t Get(int count) {
    if (count == 0) return 0;
    const uint32_t v = Peek(count);
    have_ -= count;
    return v;
  }
  bool Overrun() const { return padBytes_ * 8 - have_ > 16; }  // consumed past the end

 private:
  void Refill(int count) {
    while (have_ < count) {
      if (next_ == end_) {
        end_ = in_.Get(buf_.data(), buf_.size());
        next_ = 0;
      }
      uint8_t byte = 0;
      if (next_ < end_) {
        byte = buf_[next_++];
      } else {
        ++padBytes_;
      }
      acc_ = (acc_ << 8) | byte;
      have_ += 8;
    }
  }

  ByteSource& in_;
  std::vector<uint8_t> buf_;
  size_t next_ = 0, end_ = 0;
  uint64_t acc_ = 0;
  int have_ = 0;      // valid bits in the low end of acc_
  int padBytes_ = 0;  // zero bytes supplied after the end of the input
};

// Canonical decoding: a 10-bit lookup for short codes, a walk over the lengths for the rest.
class Table {
 public:
  // A table whose every code is one symbol, read with no bits.
  void SetSingle(int symbol) { single_ = symbol; }

  bool Build(const uint8_t* lengths, int n) {
    single_ = -1;
    std::fill(std::begin(count_), std::end(count_), 0u);
    for (int i = 0; i < n; ++i) ++count_[lengths[i]];
    count_[0] = 0;
    uint32_t kraft = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) kraft += count_[len] << (kMaxCodeBits - len);
    if (kraft != (1u << kMaxCodeBits)) return false;  // incomplete or over-full
    uint32_t code = 0, index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
      first_[len] = code;
      index_[len] = index;
      code = (code + count_[len]) << 1;
      index += count_[len];
    }
    uint32_t slot[kMaxCodeBits + 1];
    std::copy(std::begin(index_), std::end(index_), slot);
    for (int i = 0; i < n; ++i)
      if (lengths[i]) sorted_[slot[lengths[i]]++] = static_cast<uint16_t>(i);
    std::fill(std::begin(fast_), std::end(fast_), uint16_t{0});
    std::vector<uint16_t> codes(n);
    BuildCodes(lengths, n, codes.data());
    for (int i = 0; i < n; ++i) {
      const int len = lengths[i];
      if (len == 0 || len > kFastBits) continue;
      const uint32_t startAt = static_cast<uint32_t>(codes[i]) << (kFastBits - len);
      for (uint32_t k = 0; k < (1u << (kFastBits - len)); ++k)
        fast_[startAt + k] = static_cast<uint16_t>((i << 5) | len);
    }
    return true;
  }

  int Decode(BitReader& bits) const {
    if (single_ >= 0) return single_;
    const uint32_t peek = bits.Peek(kMaxCodeBits);
    const uint16_t e = fast_[peek >> (kMaxCodeBits - kFastBits)];
    if (e != 0) {
      bits.Skip(e & 31);
      return e >> 5;
    }
    for (int len = kFastBits + 1; len <= kMaxCodeBits; ++len) {
      const uint32_t code = peek >> (kMaxCodeBits - len);
      if (code - first_[len] < count_[len]) {
        bits.Skip(len);
        return sorted_[index_[len] + (code - first_[len])];
      }
    }
    return -1;  // unreachable for a complete code
  }

 private:
  static constexpr int kFastBits = 10;
  int single_ = -1;
  uint32_t count_[kMaxCodeBits + 1] = {};
  uint32_t first_[kMaxCodeBits + 1] = {};
  uint32_t index_[kMaxCodeBits + 1] = {};
  uint16_t sorted_[kNumC] = {};
  uint16_t fast_[1 << kFastBits] = {};  // symbol << 5 | length; 0 for longer codes
};

class Decoder {
 public:
  Decoder(int windowBits, ByteSource& in, ByteSink& out)
      : bits_(in),
        out_(out),
        numP_(NumP(windowBits)),
        pBits_(PBits(windowBits)),
        ring_(kRing, ' ') {}

  DecodeStatus Run(uint64_t size) {
    uint32_t blockLeft = 0;
    while (size > 0) {
      if (blockLeft == 0) {
        blockLeft = bits_.Get(16);
        if (blockLeft == 0 || !ReadTables()) return DecodeStatus::kCorrupt;
      }
      --blockLeft;
      const int c = c_.Decode(bits_);
      if (c < 0 || bits_.Overrun()) return DecodeStatus::kCorrupt;
      if (c < 256) {
        if (!Put(static_cast<uint8_t>(c))) return DecodeStatus::kSinkFailed;
        --size;
        continue;
      }
      uint32_t len = static_cast<uint32_t>(c) - 256 + kMinMatch;
      int slot = p_.Decode(bits_);
      if (slot < 0) return DecodeStatus::kCorrupt;
      uint32_t p = slot;
      if (slot > 1) p = (1u << (slot - 1)) + bits_.Get(slot - 1);
      uint32_t from = (at_ - p - 1) & kMask;
      len = static_cast<uint32_t>(std::min<uint64_t>(len, size));
      size -= len;
      while (len--) {
        if (!Put(ring_[from])) return DecodeStatus::kSinkFailed;
        from = (from + 1) & kMask;
      }
    }
    return Flush() ? DecodeStatus::kOk : DecodeStatus::kSinkFailed;
  }

 private:
  static constexpr uint32_t kRing = 1u << 16;  // the largest window
  static constexpr uint32_t kMask = kRing - 1;

  // The ring is handed out whenever it fills, and the rest at the end.
  bool Put(uint8_t byte) {
    ring_[at_++] = byte;
    if (at_ < kRing) return true;
    at_ = 0;
    return out_.Put(ring_.data(), kRing);
  }
  bool Flush() { return at_ == 0 || out_.Put(ring_.data(), at_); }

  // Lengths of the T or P table: 3 bits each, 7 and more as a run of ones ended by a zero.
  bool ReadSmall(Table& table, int numSymbols, int countBits, int special) {
    const int n = static_cast<int>(bits_.Get(countBits));
    if (n == 0) {
      const int only = static_cast<int>(bits_.Get(countBits));
      if (only >= numSymbols) return false;
      table.SetSingle(only);
      return true;
    }
    if (n > numSymbols) return false;
    uint8_t len[kNumT] = {};
    int i = 0;
    while (i < n) {
      int k = static_cast<int>(bits_.Get(3));
      if (k == 7) {
        while (bits_.Get(1) == 1)
          if (++k > kMaxCodeBits) return false;
      }
      len[i++] = static_cast<uint8_t>(k);
      if (i == special) {
        int zeros = static_cast<int>(bits_.Get(2));
        while (zeros-- > 0 && i < numSymbols) len[i++] = 0;
      }
    }
    return table.Build(len, numSymbols);
  }

  bool ReadC() {
    const int n = static_cast<int>(bits_.Get(kCBits));
    if (n == 0) {
      const int only = static_cast<int>(bits_.Get(kCBits));
      if (only >= kNumC) return false;
      c_.SetSingle(only);
      return true;
    }
    if (n > kNumC) return false;
    uint8_t len[kNumC] = {};
    int i = 0;
    while (i < n) {
      const int t = t_.Decode(bits_);
      if (t < 0) return false;
      if (t > 2) {
        len[i++] = static_cast<uint8_t>(t - 2);
        continue;
      }
      const int run = t == 0   ? 1
                      : t == 1 ? static_cast<int>(bits_.Get(4)) + 3
                               : static_cast<int>(bits_.Get(kCBits)) + 20;
      if (i + run > kNumC) return false;
      i += run;  // len[] is already zero
    }
    return c_.Build(len, kNumC);
  }

  bool ReadTables() {
    return ReadSmall(t_, kNumT, kTBits, kTSpecial) && ReadC() && ReadSmall(p_, numP_, pBits_, -1) &&
           !bits_.Overrun();
  }

  BitReader bits_;
  ByteSink& out_;
  const int numP_;
  const int pBits_;
  Table t_, c_, p_;
  std::vector<uint8_t> ring_;  // the window; bytes before the start read as blanks
  uint32_t at_ = 0;            // where the next byte goes; ring_[0, at_) is not yet handed out
};

}  // namespace

DecodeStatus LhDecode(int windowBits, ByteSource& in, uint64_t originalSize, ByteSink& out) {
  if (windowBits < 12 || windowBits > 16) return DecodeStatus::kCorrupt;
  Decoder d(windowBits, in, out);
  return d.Run(originalSize);
}

}  // namespace mv::lzh
