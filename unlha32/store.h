// What a run of the archiver writes through: the platform's file services (Store) and the
// options of the run. The command layer and the member queue below it both use them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "unlha32/lzh/io.h"
#include "unlha32/lzh/lh5_encoder.h"

namespace mv::lzh {

struct FileStat {
  bool exists = false;
  bool directory = false;
  uint64_t size = 0;
  uint32_t attributes = 0;                               // MS-DOS attribute word
  uint64_t creation = 0, lastWrite = 0, lastAccess = 0;  // Windows file times (UTC)
};

// The platform services of a run. Paths are code-page text; relative ones are relative to the
// current folder. Every call returns 0 or the platform's error code.
class Store {
 public:
  virtual ~Store() = default;
  // A missing file is not an error: it returns 0 with exists == false.
  virtual int Stat(const std::string& path, FileStat* st) = 0;
  virtual int OpenRead(const std::string& path, std::unique_ptr<InputFile>* file) = 0;
  // Creates a new, empty file in the folder (empty: the current folder) under a name no
  // other file has, and tells that name.
  virtual int CreateTemp(const std::string& folder, std::string* path,
                         std::unique_ptr<OutputFile>* file) = 0;
  // Renames from over to, replacing a file that is there.
  virtual int Replace(const std::string& from, const std::string& to) = 0;
  virtual int Remove(const std::string& path) = 0;
  // A short text for an error code.
  virtual std::string Describe(int error) = 0;
  // The item's true name in UTF-16 where the path's last component is a short name standing for
  // a name the code page cannot hold; empty otherwise (the spelling is the name).
  virtual std::u16string LongNameOf(const std::string& /*path*/) { return {}; }
  // Code-page text in UTF-16 (only asked for names in a path that has a long name above).
  virtual std::u16string Utf16Of(const std::string& text) {
    std::u16string out;
    for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
  }
};

// Creates the first of the names ~mvlzhNNNN.tmp in the folder that no file has: create makes a
// new file at the path it is given and returns 0, taken for a name some file has, or an error.
// Returns what the last create returned, taken when all names are used.
int CreateFirstFree(const std::string& folder, std::string* path, int taken,
                    const std::function<int(const std::string& path)>& create);

// Told before each member is written: its stored path, how many members are written already and
// how many there are. Returning false stops the run, which then leaves the folder as it was.
using ProgressFn = std::function<bool(const std::string& member, size_t done, size_t total)>;

struct RunOptions {
  Lh5Options coding;
  int threads = 1;      // members coded at once (1: all on the calling thread)
  ProgressFn progress;  // may be empty; called on the thread that runs the command
};

}  // namespace mv::lzh
