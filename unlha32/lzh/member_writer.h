// Archive pieces other than new members: copies of existing members and the end mark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unlha32/lzh/header.h"
#include "unlha32/lzh/io.h"

namespace mv::lzh {

// What a new member stores about its file.
struct SourceInfo {
  std::string dir;   // stored directory, backslash-separated; empty at the root
  std::string name;  // stored file name
  uint16_t attributes = 0x20;
  uint64_t creation = 0, lastWrite = 0, lastAccess = 0;  // Windows file times
  std::u16string wideDir, wideName;  // the true path where dir and name are not it (NewHeader)
};

struct WriteFailure {
  enum Kind { kNone, kRead, kWrite } kind = kNone;
  int error = 0;  // the platform's code, where there is one
};

// Appends a member of another archive byte for byte.
bool CopyMember(OutputFile& out, InputFile& archive, const MemberEntry& member,
                WriteFailure* failure);

// Appends the byte that ends an archive.
bool AppendEndMark(OutputFile& out, WriteFailure* failure);

}  // namespace mv::lzh
