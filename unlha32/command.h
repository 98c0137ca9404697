// The archiver's command text ("a [-switches] "archive" "base\" @list"), its list file, the
// names members are stored under, and the run that writes the archive.
//
// The archive is written to a temporary file in its own folder and renamed over the old one at
// the end, so a failed run leaves the folder as it was. An existing archive is added to:
// members of the same name are replaced in place, the rest are copied unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "unlha32/lzh/io.h"
#include "unlha32/lzh/lh5_encoder.h"

namespace mv::lzh {

// Result codes of a run; 0 is success.
enum ResultCode : int {
  kResultOk = 0,
  kResultBadCommand = 0x8001,    // syntax error or a command other than "a"
  kResultListFile = 0x8002,      // the list file cannot be read
  kResultNoFiles = 0x8003,       // nothing to add
  kResultMissingFile = 0x8004,   // a named file does not exist or is a folder
  kResultReadError = 0x8005,     // a file to add cannot be read
  kResultBadArchive = 0x8006,    // the existing archive cannot be read or is not sound
  kResultWriteError = 0x8007,    // the new archive cannot be written
  kResultBadName = 0x8008,       // a name that cannot be stored
  kResultTooLarge = 0x8009,      // a file of 4 GiB or more
  kResultBusy = 0x800A,          // another run is under way
  kResultCancelled = 0x800B,     // the caller's progress report asked to stop
};

struct FileStat {
  bool exists = false;
  bool directory = false;
  uint64_t size = 0;
  uint32_t attributes = 0;  // MS-DOS attribute word
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

struct Command {
  std::string archive;
  std::string baseFolder;            // ends with a separator, or empty
  std::string listFile;              // empty: none
  std::vector<std::string> files;    // names given on the command line itself
  bool storePaths = true;            // -x0 stores file names alone
  bool storeAttributes = true;       // -a0 stores every file as a plain archive file
};

// Parses a command text. Unknown switches are ignored; the only command is "a".
bool ParseCommand(std::string_view text, Command* command, std::string* reason);

// The names of a list file: one a line, optionally in double quotes; blank lines are skipped.
std::vector<std::string> ParseListFile(std::string_view contents);

struct StoredName {
  std::string source;  // the path to read
  std::string dir;     // stored directory (backslash-separated), empty at the root
  std::string name;    // stored file name
};

// Where a listed name is read from and what it is stored as. A relative name keeps its
// folders below the base; an absolute one, or one that climbs above the base with "..", is
// stored by its file name alone. Fails for names that cannot be stored.
bool ResolveName(const std::string& listed, const std::string& baseFolder, bool storePaths,
                 StoredName* out, std::string* reason);

// Told before each member is written: its stored path, how many members are written already and
// how many there are. Returning false stops the run, which then leaves the folder as it was.
using ProgressFn = std::function<bool(const std::string& member, size_t done, size_t total)>;

struct RunOptions {
  Lh5Options coding;
  int threads = 1;  // members coded at once (1: all on the calling thread)
  ProgressFn progress;  // may be empty; called on the thread that runs the command
};

struct RunResult {
  int code = kResultOk;
  std::string message;  // one line
  int added = 0;        // members written from files
};

RunResult RunCommand(Store& store, std::string_view text, const RunOptions& options = {});

// A system's error text as part of a one-line reason: line breaks become blanks, and the
// closing full stop ('.' or "。") and blanks go.
std::string OneLineReason(std::string_view text);

// Whether path is a sound archive (levels 0 to 2). With checkData, every member's data is
// also decoded and its CRC compared; a member of a method we cannot decode fails the check.
bool CheckArchive(Store& store, const std::string& path, bool checkData);

}  // namespace mv::lzh
