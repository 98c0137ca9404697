// The archiver's platform services over the Win32 file API. Paths arrive as code-page text; the
// calls are the wide ones, and an existing file named by its short name is replaced under its own
// long name.
#pragma once

#include "unlha32/store.h"

namespace mv::lzh {

class Win32Store : public Store {
 public:
  int Stat(const std::string& path, FileStat* st) override;
  int OpenRead(const std::string& path, std::unique_ptr<InputFile>* file) override;
  int CreateTemp(const std::string& folder, std::string* path,
                 std::unique_ptr<OutputFile>* file) override;
  int Replace(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;
  std::string Describe(int error) override;
  std::u16string LongNameOf(const std::string& path) override;
  std::u16string Utf16Of(const std::string& text) override;
};

}  // namespace mv::lzh
