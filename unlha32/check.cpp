#include <algorithm>
#include <vector>

#include "unlha32/command.h"
#include "unlha32/lzh/crc16.h"
#include "unlha32/lzh/header.h"
#include "unlha32/lzh/lh_decoder.h"

namespace mv::lzh {
namespace {

// A member's coded bytes, read in pieces.
class RangeSource : public ByteSource {
 public:
  RangeSource(InputFile& in, uint64_t from, uint64_t to) : in_(in), at_(from), to_(to) {}
  size_t Get(uint8_t* buf, size_t size) override {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size, to_ - at_));
    size_t got = 0;
    if (n == 0 || in_.ReadAt(at_, buf, n, &got) != 0) return 0;
    at_ += got;
    return got;
  }

 private:
  InputFile& in_;
  uint64_t at_, to_;
};

class CrcSink : public ByteSink {
 public:
  bool Put(const uint8_t* data, size_t size) override {
    crc = Crc16(crc, data, size);
    count += size;
    return true;
  }
  uint16_t crc = 0;
  uint64_t count = 0;
};

int WindowBits(const std::string& method) {
  if (method == "-lh4-") return 12;
  if (method == "-lh5-") return 13;
  if (method == "-lh6-") return 15;
  if (method == "-lh7-") return 16;
  return 0;
}

bool CheckData(InputFile& in, const MemberEntry& m) {
  if (IsDirectoryMethod(m.method)) return true;
  CrcSink sink;
  if (m.method == "-lh0-") {
    if (m.packedSize != m.originalSize) return false;
    RangeSource src(in, m.dataOffset, m.end);
    std::vector<uint8_t> buf(1 << 16);
    while (size_t n = src.Get(buf.data(), buf.size())) sink.Put(buf.data(), n);
  } else if (const int bits = WindowBits(m.method)) {
    RangeSource src(in, m.dataOffset, m.end);
    if (LhDecode(bits, src, m.originalSize, sink) != DecodeStatus::kOk) return false;
  } else {
    return false;
  }
  return sink.count == m.originalSize && (!m.hasDataCrc || sink.crc == m.dataCrc);
}

}  // namespace

bool CheckArchive(Store& store, const std::string& path, bool checkData) {
  FileStat st;
  if (store.Stat(path, &st) != 0 || !st.exists || st.directory) return false;
  std::unique_ptr<InputFile> in;
  if (store.OpenRead(path, &in) != 0) return false;
  std::vector<MemberEntry> members;
  std::string reason;
  int error = 0;
  if (!ReadArchiveIndex(*in, &members, &reason, &error) || members.empty()) return false;
  if (checkData)
    for (const MemberEntry& m : members)
      if (!CheckData(*in, m)) return false;
  return true;
}

}  // namespace mv::lzh
