// Decoder of -lh4- to -lh7- streams, for checking archives (our own and other writers').
#pragma once

#include <cstddef>
#include <cstdint>

#include "unlha32/lzh/lh5_encoder.h"

namespace mv::lzh {

// Supplies compressed bytes; returns how many it put into buf, 0 at the end.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual size_t Get(uint8_t* buf, size_t size) = 0;
};

enum class DecodeStatus { kOk, kCorrupt, kSinkFailed };

// Decodes originalSize bytes coded with a window of 2^windowBits (12..16) into out.
DecodeStatus LhDecode(int windowBits, ByteSource& in, uint64_t originalSize, ByteSink& out);

}  // namespace mv::lzh
