// Fuzzes the -lh5- writer: any input, under any options, must decode to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tests/native/lzh_test_support.h"
#include "unlha32/lzh/lh5_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mv::lzh;
  if (size < 2) return 0;
  Lh5Options o;
  o.searchDepth = 1 + data[0] % 24;
  o.niceLength = 3 + data[1] * 253 / 255;
  o.passes = 1 + data[0] / 128;
  data += 2;
  size -= 2;
  // Short inputs stretched by repetition reach the segment boundary (the chunk boundary, a
  // megabyte in, is a table of the coder's tests: here it would cost a second an input). A
  // stretched run costs as much as a few dozen plain ones and the corpus soon holds many: only an
  // input whose byte sum is a multiple of 32 is stretched, which almost every mutation changes, so
  // mutants of a stretched input mostly run plain and a million inputs fit in minutes.
  testing::Bytes in(data, data + size);
  unsigned sum = 0;
  for (uint8_t b : in) sum += b;
  if (size >= 2 && in[0] == 0xFF && in[1] == 0xFF && sum % 32 == 0) {
    o.searchDepth = 1 + o.searchDepth % 4;
    o.passes = 1;
    const size_t target = 70000 + size;
    while (in.size() < target)
      in.insert(in.end(), in.begin(), in.begin() + std::min(in.size(), target - in.size()));
  }
  testing::VectorSink sink;
  Lh5Encoder e(sink, o);
  // Split the writes unevenly: the output must not depend on it.
  for (size_t at = 0; at < in.size();) {
    const size_t n = std::min<size_t>(in.size() - at, 1 + (at * 7919) % 5000);
    e.Write(in.data() + at, n);
    at += n;
  }
  if (!e.Finish()) std::abort();
  testing::Bytes out;
  if (testing::DecodeLh5(sink.bytes, in.size(), &out) != DecodeStatus::kOk || out != in)
    std::abort();
  return 0;
}
