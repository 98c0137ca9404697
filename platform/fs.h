// The file-system services the portable logic needs. Win32 implements them in platform/win32;
// the native tests use an in-memory fake (tests/native/fake_fs.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace mv {

// Attribute word bits, as the platform defines them.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrVolume = 0x08;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;
inline constexpr uint32_t kAttrNormal = 0x80;
inline constexpr uint32_t kAttrReparsePoint = 0x400;
// What a failed attribute query returns (INVALID_FILE_ATTRIBUTES).
inline constexpr uint32_t kAttrInvalid = 0xFFFFFFFFu;
// Mask of a search that admits everything: read-only, hidden, system, volume, directory, archive.
inline constexpr uint32_t kMaskAll = 63;

// A name the code page cannot hold (café, 한국어, emoji, 〜) has no ANSI spelling of its own; a
// best-fit or '?' spelling would address another file, or match others as a pattern. The
// directory search reports such an item by its short name, which addresses exactly that item;
// where it has none, by a spelling with kNoNameMark for every character the code page lacks.
// A path holding the mark (or any pattern character) names no single item: the platform refuses
// it, and every operation gives it its own error line.
inline constexpr char kNoNameMark = '?';
// What the platform says of such a path (ERROR_INVALID_NAME).
inline constexpr int kErrorInvalidName = 123;
// What a search reports of a path that is not there (ERROR_FILE_NOT_FOUND).
inline constexpr int kErrorFileNotFound = 2;
// A link not followed: the platform's word for a chain of links it cannot resolve
// (ERROR_CANT_RESOLVE_FILENAME).
inline constexpr int kErrorCantResolve = 1921;

// One item as a directory search reports it.
struct FindItem {
  std::string name;  // long name, never the 8.3 alias, unless the code page cannot hold it
  uint32_t attributes = 0;
  int64_t size = 0;        // full 64-bit size
  uint64_t lastWrite = 0;  // UTC file time, 100 ns units since 1601
};

// True when a search with this attribute mask reports an item with these attributes: hidden,
// system, volume and directory items are only reported when the mask admits them.
inline bool MatchesMask(uint32_t attributes, uint32_t mask) {
  const uint32_t excluded = ~mask & (kAttrHidden | kAttrSystem | kAttrVolume | kAttrDirectory);
  return (attributes & excluded) == 0;
}

// An open file handle; closed by its destructor.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // Sets the last-write time from a packed local DOS date-time; 0 or the platform's error code.
  virtual int SetLastWriteDos(uint32_t dosDateTime) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Every item a search for the pattern reports, in the platform's order ("." and ".." included
  // where the platform reports them). Returns false when the search could not start; a folder
  // pattern that matches nothing (an empty drive root) is a search that ran.
  virtual bool Search(const std::string& pattern,
                      const std::function<void(const FindItem&)>& each) = 0;
  // Why the last Search that returned false could not start: the platform's error code (access
  // denied 5, path not found 3, name too long 206), or 0 when it cannot tell.
  virtual int LastSearchError() const { return 0; }

  // The first item a search for exactly this path reports that matches the mask.
  std::optional<FindItem> FindOne(const std::string& path, uint32_t mask);

  // Size, attributes and last-write time of the item at exactly this path, any attributes; the
  // name is the path's last component. Platforms answer it without a directory search where they
  // can (a search opens and scans the folder: costly once per file of a copy).
  virtual std::optional<FindItem> Lookup(const std::string& path);

  virtual uint32_t GetAttributes(const std::string& path) = 0;  // kAttrInvalid on failure
  virtual int SetAttributes(const std::string& path, uint32_t attributes) = 0;  // 0 or error

  // Opens an existing file for reading and writing with no sharing; null on failure.
  virtual std::unique_ptr<OpenFile> OpenExclusive(const std::string& path) = 0;

  // The local time of a UTC file time packed as a DOS date-time (date high word, time low
  // word); nullopt when it lies outside the packed range.
  virtual std::optional<uint32_t> ToLocalDos(uint64_t fileTime) = 0;

  // An identity of the folder (volume and file index), used to notice folders reached twice
  // through links; nullopt when the platform cannot tell.
  virtual std::optional<uint64_t> FolderIdentity(const std::string& path) = 0;
};

}  // namespace mv
