// LZH member headers: writing level 2, reading levels 0, 1 and 2.
//
// A level-2 header is 26 fixed bytes (size, method, sizes, Unix time, level, data CRC, OS)
// followed by extended records, each a type byte, its data and the size of the next record.
// We write: 0x00 header CRC, 0x01 file name, 0x02 directory (0xFF after each component),
// 0x40 MS-DOS attributes (left out for a plain archive file, 0x20), 0x41 Windows creation,
// last-write and last-access times. A path with other than ASCII bytes gets 0x46, code page
// 932, before 0x01 (a reader that converts names refuses bytes of an unknown code page). A
// member whose code-page path is not its true one (a short name standing for a name the code
// page cannot hold) also gets its true path in UTF-16: 0x44 file name and 0x45 directory (0xFFFF
// after each component) after 0x02. Readers that know them take the last name record of the
// chain, so the UTF-16 ones win there; the others skip them and show the code-page names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "unlha32/lzh/io.h"

namespace mv::lzh {

inline constexpr char kSeparator = '\\';
// Longest directory or file name we write or accept in one record.
inline constexpr size_t kMaxNameBytes = 1024;

struct NewHeader {
  char method[6] = "-lh0-";
  uint32_t packedSize = 0;
  uint32_t originalSize = 0;
  uint16_t dataCrc = 0;
  std::string dir;   // components separated by backslashes, no trailing one; empty at the root
  std::string name;  // the file name alone
  uint16_t attributes = 0x20;
  // Windows file times (100 ns since 1601, UTC).
  uint64_t creation = 0, lastWrite = 0, lastAccess = 0;
  // The true path in UTF-16 where dir and name are not it; empty name: they are. Components
  // separated by backslashes, as in dir.
  std::u16string wideDir, wideName;
};

inline constexpr uint32_t kCodePage = 932;

// The complete header with its CRC. Its size never has a low byte of 0 (a reader would take
// that byte for the end of the archive), and it does not depend on the sizes or the CRC.
std::vector<uint8_t> BuildLevel2Header(const NewHeader& h);

// Seconds since 1970 of a Windows file time, clamped to 32 bits.
uint32_t UnixTimeOf(uint64_t fileTime);

struct MemberEntry {
  uint64_t offset = 0;      // where the header starts
  uint64_t dataOffset = 0;  // where the coded data starts
  uint64_t end = 0;         // where the next header starts
  uint64_t packedSize = 0;  // coded data alone
  uint64_t originalSize = 0;
  std::string method;
  int level = 0;
  uint16_t dataCrc = 0;
  bool hasDataCrc = true;   // level 0 headers may lack it
  std::string path;         // directory and name joined with backslashes
  std::u16string widePath;  // the same from the UTF-16 records, empty without them
  uint32_t codePage = 0;    // from the code-page record, 0 without it
  uint16_t attributes = 0x20;
  uint32_t time = 0;  // Unix time (level 2) or MS-DOS date-time (levels 0 and 1)
  bool headerCrcPresent = false;
  bool headerCrcOk = true;
};

// Lists the members of an archive. Fails with a reason on anything that is not a sound
// archive of levels 0 to 2; an empty file is an archive without members.
bool ReadArchiveIndex(InputFile& in, std::vector<MemberEntry>* members, std::string* reason,
                      int* error);

// True for "-lhd-", a directory entry without data.
bool IsDirectoryMethod(const std::string& method);

// Splits a stored path on real backslashes (a trail byte 0x5C never separates).
std::vector<std::string> SplitStoredPath(const std::string& path);

// Case-insensitive comparison of stored paths (ASCII letters; double-byte characters intact).
bool SamePath(const std::string& a, const std::string& b);

// Stored names are in code page 932 whatever the system's (CodePage::Cp932 of platform/text.h).
inline constexpr CodePage kNamePage = CodePage::Cp932;

}  // namespace mv::lzh
