#include "platform/win32/fs_win32.h"

#include "platform/text.h"
#include "platform/win32/handles.h"

namespace mv::win {
namespace {

uint64_t ToU64(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FindItem ToItem(const WIN32_FIND_DATAA& fd) {
  FindItem item;
  item.name = fd.cFileName;
  item.attributes = fd.dwFileAttributes;
  item.size = static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
  item.lastWrite = ToU64(fd.ftLastWriteTime);
  return item;
}

class Win32OpenFile : public OpenFile {
 public:
  explicit Win32OpenFile(ScopedFile file) : file_(std::move(file)) {}
  int SetLastWriteDos(uint32_t dos) override {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF), &local)) {
      DWORD err = GetLastError();
      return err ? static_cast<int>(err) : ERROR_INVALID_PARAMETER;  // Wine leaves 0 for a zero date
    }
    if (!LocalFileTimeToFileTime(&local, &utc)) return static_cast<int>(GetLastError());
    if (!SetFileTime(file_.Get(), nullptr, nullptr, &utc)) return static_cast<int>(GetLastError());
    return 0;
  }

 private:
  ScopedFile file_;
};

}  // namespace

bool Win32FileSystem::Search(const std::string& pattern, const std::function<void(const FindItem&)>& each) {
  WIN32_FIND_DATAA fd;
  ScopedFind find(FindFirstFileA(pattern.c_str(), &fd));
  if (!find) return false;
  do {
    each(ToItem(fd));
  } while (FindNextFileA(find.Get(), &fd));
  return true;
}

std::optional<FindItem> Win32FileSystem::Lookup(const std::string& path) {
  // A pattern names no single item: only a search can answer for it.
  if (path.find_first_of("*?") != std::string::npos) return FindOne(path, kMaskAll);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FindItem item;
  // Forward over the text: a trail byte 0x5C is no separator.
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
    else if (path[i] == '\\' || path[i] == ':') start = i + 1;
  }
  item.name = path.substr(start);
  item.attributes = data.dwFileAttributes;
  item.size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  item.lastWrite = ToU64(data.ftLastWriteTime);
  return item;
}

uint32_t Win32FileSystem::GetAttributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

int Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  if (SetFileAttributesA(path.c_str(), attributes)) return 0;
  DWORD err = GetLastError();
  return err ? static_cast<int>(err) : -1;
}

std::unique_ptr<OpenFile> Win32FileSystem::OpenExclusive(const std::string& path) {
  ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32OpenFile>(std::move(file));
}

std::optional<uint32_t> Win32FileSystem::ToLocalDos(uint64_t fileTime) {
  FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}, local;
  WORD date = 0, time = 0;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return std::nullopt;
  // Some implementations pack a year past 2107 with its high bits lost (2110 as 1982).
  if (st.wYear < 1980 || st.wYear > 2107) return std::nullopt;
  if (!FileTimeToDosDateTime(&local, &date, &time)) return std::nullopt;
  return (static_cast<uint32_t>(date) << 16) | time;
}

std::optional<uint64_t> Win32FileSystem::FolderIdentity(const std::string& path) {
  ScopedFile dir(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!dir) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(dir.Get(), &info)) return std::nullopt;
  return FolderIdentityOf(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
}

std::optional<uint64_t> FolderIdentityOf(uint32_t volumeSerial, uint32_t indexHigh, uint32_t indexLow) {
  // Some volumes report index 0 for every folder: that tells nothing, and taken as an identity
  // it would stop every scan below the first level.
  if (indexHigh == 0 && indexLow == 0) return std::nullopt;
  // Volume serial in the top bits, file index below: unique enough to notice a repeat.
  return (static_cast<uint64_t>(volumeSerial) << 40) ^ ((static_cast<uint64_t>(indexHigh) << 32) | indexLow);
}

}  // namespace mv::win
