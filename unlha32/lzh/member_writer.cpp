#include "unlha32/lzh/member_writer.h"

#include <algorithm>
#include <cstring>

#include "unlha32/lzh/crc16.h"

namespace mv::lzh {
namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr uint64_t kMaxMemberSize = 0xFFFFFFFFull;  // the level-2 size fields hold 32 bits

// Passes coded bytes on to the output, and stops the coder once they outgrow `limit`.
class OutputSink : public ByteSink {
 public:
  OutputSink(OutputFile& out, uint64_t limit) : out_(out), limit_(limit) {}
  bool Put(const uint8_t* data, size_t size) override {
    written_ += size;
    if (written_ >= limit_) {
      tooBig_ = true;
      return false;
    }
    error_ = out_.Append(data, size);
    return error_ == 0;
  }
  bool TooBig() const { return tooBig_; }
  int Error() const { return error_; }

 private:
  OutputFile& out_;
  const uint64_t limit_;
  uint64_t written_ = 0;
  bool tooBig_ = false;
  int error_ = 0;
};

bool Fail(WriteFailure* f, WriteFailure::Kind kind, int error) {
  f->kind = kind;
  f->error = error;
  return false;
}

// Copies `in` raw after the header; returns the byte count and CRC through the pointers.
bool StoreRaw(OutputFile& out, InputFile& in, std::vector<uint8_t>& buf, uint64_t* size,
              uint16_t* crc, WriteFailure* failure) {
  uint64_t at = 0;
  *crc = 0;
  for (;;) {
    size_t got = 0;
    if (int e = in.ReadAt(at, buf.data(), buf.size(), &got); e != 0) return Fail(failure, WriteFailure::kRead, e);
    if (got == 0) break;
    at += got;
    if (at > kMaxMemberSize) return Fail(failure, WriteFailure::kTooLarge, 0);
    *crc = Crc16(*crc, buf.data(), got);
    if (int e = out.Append(buf.data(), got); e != 0) return Fail(failure, WriteFailure::kWrite, e);
  }
  *size = at;
  return true;
}

}  // namespace

bool AppendMember(OutputFile& out, InputFile& in, const SourceInfo& src, const Lh5Options& options,
                  WriteFailure* failure, MemberSummary* summary) {
  *failure = {};
  const uint64_t expected = in.Size();
  if (expected > kMaxMemberSize) return Fail(failure, WriteFailure::kTooLarge, 0);

  NewHeader h;
  h.dir = src.dir;
  h.name = src.name;
  h.attributes = src.attributes;
  h.creation = src.creation;
  h.lastWrite = src.lastWrite;
  h.lastAccess = src.lastAccess;
  std::vector<uint8_t> header = BuildLevel2Header(h);
  const uint64_t headerAt = out.Size();
  if (int e = out.Append(header.data(), header.size()); e != 0) return Fail(failure, WriteFailure::kWrite, e);
  const uint64_t dataAt = out.Size();

  std::vector<uint8_t> buf(kChunk);
  uint64_t size = 0;
  uint16_t crc = 0;
  bool coded = false;
  if (expected > 0) {
    // Coding stops as soon as its output is no smaller than the file.
    OutputSink sink(out, expected);
    Lh5Encoder encoder(sink, options);
    bool going = true;
    for (;;) {
      size_t got = 0;
      if (int e = in.ReadAt(size, buf.data(), buf.size(), &got); e != 0) return Fail(failure, WriteFailure::kRead, e);
      if (got == 0) break;
      size += got;
      if (size > kMaxMemberSize) return Fail(failure, WriteFailure::kTooLarge, 0);
      crc = Crc16(crc, buf.data(), got);
      if (!encoder.Write(buf.data(), got)) {
        going = false;
        break;
      }
    }
    if (going) going = encoder.Finish();
    if (sink.Error() != 0) return Fail(failure, WriteFailure::kWrite, sink.Error());
    coded = going && !sink.TooBig() && encoder.OutputSize() < size;
  }
  uint64_t packed = out.Size() - dataAt;
  if (!coded) {
    if (int e = out.Truncate(dataAt); e != 0) return Fail(failure, WriteFailure::kWrite, e);
    if (!StoreRaw(out, in, buf, &size, &crc, failure)) return false;
    packed = size;
  }
  std::memcpy(h.method, coded ? "-lh5-" : "-lh0-", 5);
  h.packedSize = static_cast<uint32_t>(packed);
  h.originalSize = static_cast<uint32_t>(size);
  h.dataCrc = crc;
  header = BuildLevel2Header(h);
  if (int e = out.WriteAt(headerAt, header.data(), header.size()); e != 0) return Fail(failure, WriteFailure::kWrite, e);
  if (summary) *summary = {size, packed, coded};
  return true;
}

bool CopyMember(OutputFile& out, InputFile& archive, const MemberEntry& member, WriteFailure* failure) {
  *failure = {};
  std::vector<uint8_t> buf(kChunk);
  for (uint64_t at = member.offset; at < member.end;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), member.end - at));
    int error = 0;
    if (!ReadExactly(archive, at, buf.data(), n, &error)) return Fail(failure, WriteFailure::kRead, error);
    if (int e = out.Append(buf.data(), n); e != 0) return Fail(failure, WriteFailure::kWrite, e);
    at += n;
  }
  return true;
}

bool AppendEndMark(OutputFile& out, WriteFailure* failure) {
  *failure = {};
  const uint8_t zero = 0;
  if (int e = out.Append(&zero, 1); e != 0) return Fail(failure, WriteFailure::kWrite, e);
  return true;
}

int MemoryOutput::Append(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
  return 0;
}

int MemoryOutput::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (offset + size > bytes_.size()) return 1;
  std::memcpy(bytes_.data() + offset, data, size);
  return 0;
}

int MemoryOutput::Truncate(uint64_t size) {
  if (size < bytes_.size()) bytes_.resize(size);
  return 0;
}

}  // namespace mv::lzh
