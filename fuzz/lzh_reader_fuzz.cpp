// Fuzzes the reading of existing archives (any writer's, any damage): the index, and decoding
// of each member's data.
#include <cstddef>
#include <cstdint>

#include "tests/native/lzh_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mv::lzh;
  const testing::Bytes archive(data, data + size);
  testing::MemoryInput in(archive);
  std::vector<MemberEntry> members;
  std::string reason;
  int error = 0;
  if (!ReadArchiveIndex(in, &members, &reason, &error)) return 0;
  for (const MemberEntry& m : members) {
    if (m.end > size || m.dataOffset > m.end) __builtin_trap();
    if (m.originalSize > (1u << 20)) continue;  // keep the fuzzer's memory small
    const int bits = m.method == "-lh4-"   ? 12
                     : m.method == "-lh5-" ? 13
                     : m.method == "-lh6-" ? 15
                     : m.method == "-lh7-" ? 16
                                           : 0;
    if (bits == 0) continue;
    testing::SpanSource src(data + m.dataOffset, static_cast<size_t>(m.end - m.dataOffset));
    testing::VectorSink out;
    if (LhDecode(bits, src, m.originalSize, out) == DecodeStatus::kOk &&
        out.bytes.size() != m.originalSize)
      __builtin_trap();
  }
  return 0;
}
