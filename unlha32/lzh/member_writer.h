// Writing archive members: new ones from files (-lh5-, or -lh0- when coding does not make
// them smaller), copies of existing ones, and the end mark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unlha32/lzh/header.h"
#include "unlha32/lzh/io.h"
#include "unlha32/lzh/lh5_encoder.h"

namespace mv::lzh {

struct SourceInfo {
  std::string dir;   // stored directory, backslash-separated; empty at the root
  std::string name;  // stored file name
  uint16_t attributes = 0x20;
  uint64_t creation = 0, lastWrite = 0, lastAccess = 0;  // Windows file times
};

struct WriteFailure {
  enum Kind { kNone, kRead, kWrite, kTooLarge } kind = kNone;
  int error = 0;  // the platform's code, where there is one
};

struct MemberSummary {
  uint64_t originalSize = 0;
  uint64_t packedSize = 0;
  bool compressed = false;  // -lh5- rather than -lh0-
};

// Appends a member made from the whole of `in`.
bool AppendMember(OutputFile& out, InputFile& in, const SourceInfo& src, const Lh5Options& options,
                  WriteFailure* failure, MemberSummary* summary = nullptr);

// Appends a member of another archive byte for byte.
bool CopyMember(OutputFile& out, InputFile& archive, const MemberEntry& member, WriteFailure* failure);

// Appends the byte that ends an archive.
bool AppendEndMark(OutputFile& out, WriteFailure* failure);

// An output held in memory.
class MemoryOutput : public OutputFile {
 public:
  int Append(const void* data, size_t size) override;
  int WriteAt(uint64_t offset, const void* data, size_t size) override;
  int Truncate(uint64_t size) override;
  uint64_t Size() const override { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace mv::lzh
