// Writes the members of a new archive in order, coding the chunks of new files on worker
// threads while the calling thread reads files and writes what is done.
#pragma once

#include <string>
#include <vector>

#include "unlha32/lzh/header.h"
#include "unlha32/lzh/member_writer.h"
#include "unlha32/store.h"

namespace mv::lzh {

struct MemberPlan {
  enum Kind { kCopy, kNew } kind;
  size_t index;  // into the old archive's members (kCopy) or the new sources (kNew)
};

struct NewSource {
  std::string path;  // where to read it
  SourceInfo info;   // what to store
};

struct QueueFailure {
  enum Kind { kNone, kOpen, kRead, kWrite, kOldArchive, kTooLarge, kCancelled } kind = kNone;
  int error = 0;
  std::string path;  // the file concerned, for kOpen, kRead and kTooLarge
};

bool WritePlan(Store& store, const std::vector<MemberPlan>& plan,
               const std::vector<NewSource>& sources, const std::vector<MemberEntry>& members,
               InputFile* oldArchive, OutputFile& out, const RunOptions& options,
               QueueFailure* failure);

}  // namespace mv::lzh
