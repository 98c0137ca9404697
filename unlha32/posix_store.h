// The archiver's platform services on POSIX, for the native tests and the benchmark. Paths
// may use backslashes: real ones (not trail bytes) become slashes.
#pragma once

#include "unlha32/store.h"

namespace mv::lzh {

class PosixStore : public Store {
 public:
  int Stat(const std::string& path, FileStat* st) override;
  int OpenRead(const std::string& path, std::unique_ptr<InputFile>* file) override;
  int CreateTemp(const std::string& folder, std::string* path,
                 std::unique_ptr<OutputFile>* file) override;
  int Replace(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  std::string Describe(int error) override;
};

// The POSIX form of a path with backslashes.
std::string ToPosixPath(const std::string& path);

}  // namespace mv::lzh
