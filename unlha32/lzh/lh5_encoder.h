// -lh5- compressor: LZSS over an 8 KiB window with match lengths 3..256, coded in static
// Huffman blocks: each 128 KiB segment of input is cut into runs, and neighbouring runs share
// a block where that comes out smaller (a block holds at most 65535 codes).
//
// Input is cut into chunks of kChunkSize bytes. Each chunk is coded on its own into a string
// of whole blocks, with the window before it as history its matches may use; the strings are
// joined bit by bit. So chunks can be coded on several threads, and the output depends only
// on the input bytes and the options.
//
// Matches come from binary trees of the window's positions (by their first four bytes) and
// from the nearest three-byte repeat. Each segment is parsed by cost: a shortest-path search
// over literals and every usable match length, priced with the statistics of a greedy parse
// of the same segment. A segment in which a quick probe finds
// hardly any repeats (compressed data) is coded as literals without the search. Hashing and
// word compares assume a little-endian machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace mv::lzh {

inline constexpr size_t kChunkSize = size_t{1} << 20;

// Receives compressed bytes; returns false to stop the encoder.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Put(const uint8_t* data, size_t size) = 0;
};

struct Lh5Options {
  int searchDepth = 16;  // tree nodes visited per position
  int niceLength = 64;   // a match this long is taken; its inner positions are not searched
  int passes = 1;        // cost-based parses per segment; each later one prices with the one before
};

// Bits, highest first; the last byte holds bitCount % 8 of them in its high end.
struct BitString {
  std::vector<uint8_t> bytes;
  uint64_t bitCount = 0;
};

// Codes one chunk. Reusable; keeps its tables between calls.
class ChunkEncoder {
 public:
  explicit ChunkEncoder(const Lh5Options& options = {});
  ~ChunkEncoder();
  ChunkEncoder(const ChunkEncoder&) = delete;
  ChunkEncoder& operator=(const ChunkEncoder&) = delete;

  // Codes size bytes at data (1..kChunkSize of them). The history bytes before data (at
  // most one window) are not coded but may be matched.
  void Encode(const uint8_t* data, size_t history, size_t size, BitString* out);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// Joins bit strings and hands out whole bytes.
class BitJoiner {
 public:
  explicit BitJoiner(ByteSink& sink) : sink_(sink) {}
  bool Add(const BitString& bits);
  // Pads the last byte with zero bits and hands it out.
  bool Finish();
  uint64_t BytesOut() const { return out_; }

 private:
  ByteSink& sink_;
  std::vector<uint8_t> buf_;
  uint32_t pending_ = 0;  // bits not yet in a whole byte, in the low `pendingBits_` positions
  int pendingBits_ = 0;
  uint64_t out_ = 0;
};

// The whole stream through one call sequence, on the calling thread.
class Lh5Encoder {
 public:
  explicit Lh5Encoder(ByteSink& sink, const Lh5Options& options = {});
  ~Lh5Encoder();
  // Both return false once the sink has refused bytes.
  bool Write(const uint8_t* data, size_t size);
  bool Finish();
  uint64_t OutputSize() const { return joiner_.BytesOut(); }

 private:
  bool CodeChunk();

  ChunkEncoder encoder_;
  BitJoiner joiner_;
  std::vector<uint8_t> buf_;  // the history, then the chunk being filled
  size_t history_ = 0;
  BitString bits_;
  bool ok_ = true;
};

}  // namespace mv::lzh
