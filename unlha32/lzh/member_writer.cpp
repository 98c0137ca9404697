#include "unlha32/lzh/member_writer.h"

#include <algorithm>
#include <cstring>

namespace mv::lzh {
namespace {

constexpr size_t kChunk = 256 * 1024;

bool Fail(WriteFailure* f, WriteFailure::Kind kind, int error) {
  f->kind = kind;
  f->error = error;
  return false;
}

}  // namespace

bool CopyMember(OutputFile& out, InputFile& archive, const MemberEntry& member,
                WriteFailure* failure) {
  *failure = {};
  std::vector<uint8_t> buf(kChunk);
  for (uint64_t at = member.offset; at < member.end;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), member.end - at));
    int error = 0;
    if (!ReadExactly(archive, at, buf.data(), n, &error))
      return Fail(failure, WriteFailure::kRead, error);
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

}  // namespace mv::lzh
