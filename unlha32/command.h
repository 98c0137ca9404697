// The archiver's command text ("a [-switches] "archive" "base\" @list"), its list file, the
// names members are stored under, and the run that writes the archive.
//
// The archive is written to a temporary file in its own folder and renamed over the old one at
// the end, so a failed run leaves the folder as it was. An existing archive is added to:
// members of the same name are replaced in place, the rest are copied unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "unlha32/store.h"

namespace mv::lzh {

// Result codes of a run; 0 is success.
enum ResultCode : int {
  kResultOk = 0,
  kResultBadCommand = 0x8001,   // syntax error or a command other than "a"
  kResultListFile = 0x8002,     // the list file cannot be read
  kResultNoFiles = 0x8003,      // nothing to add
  kResultMissingFile = 0x8004,  // a named file does not exist or is a folder
  kResultReadError = 0x8005,    // a file to add cannot be read
  kResultBadArchive = 0x8006,   // the existing archive cannot be read or is not sound
  kResultWriteError = 0x8007,   // the new archive cannot be written
  kResultBadName = 0x8008,      // a name that cannot be stored
  kResultTooLarge = 0x8009,     // a file of 4 GiB or more
  kResultBusy = 0x800A,         // another run is under way
  kResultCancelled = 0x800B,    // the caller's progress report asked to stop
};

struct Command {
  std::string archive;
  std::string baseFolder;          // ends with a separator, or empty
  std::string listFile;            // empty: none
  std::vector<std::string> files;  // names given on the command line itself
  bool storePaths = true;          // -x0 stores file names alone
  bool storeAttributes = true;     // -a0 stores every file as a plain archive file
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
