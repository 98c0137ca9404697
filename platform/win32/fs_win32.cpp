#include "platform/win32/fs_win32.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"

namespace mv::win {
namespace {

uint64_t ToU64(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FindItem ToItem(const WIN32_FIND_DATAW& fd) {
  FindItem item;
  AnsiNameOf(fd, item.name);
  item.attributes = fd.dwFileAttributes;
  item.size =
      static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
  item.lastWrite = ToU64(fd.ftLastWriteTime);
  return item;
}

class Win32OpenFile : public OpenFile {
 public:
  explicit Win32OpenFile(ScopedFile file) : file_(std::move(file)) {}
  int SetLastWriteDos(uint32_t dos) override {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF),
                               &local)) {
      DWORD err = GetLastError();
      return err ? static_cast<int>(err)
                 : ERROR_INVALID_PARAMETER;  // Wine leaves 0 for a zero date
    }
    if (!LocalFileTimeToFileTime(&local, &utc)) return static_cast<int>(GetLastError());
    if (!SetFileTime(file_.Get(), nullptr, nullptr, &utc)) return static_cast<int>(GetLastError());
    return 0;
  }

 private:
  ScopedFile file_;
};

}  // namespace

std::wstring WideOf(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::optional<std::string> ExactAnsi(const std::wstring& text) {
  if (text.empty()) return std::string();
  // Most names are plain ASCII, which the code page holds as it is: no conversion to ask for (a
  // tree of a hundred thousand names would otherwise make four calls per name).
  if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
    return std::string(text.begin(), text.end());
  const int len = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), len, nullptr, 0,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), len, ansi.data(), n, nullptr,
                      &usedDefault);
  // Some characters pass without the default and still come back as others (〜 as ～).
  if (usedDefault || WideOf(ansi) != text) return std::nullopt;
  return ansi;
}

AnsiName AnsiNameOf(const WIN32_FIND_DATAW& fd, std::string& name) {
  const std::wstring full(fd.cFileName);
  if (std::optional<std::string> exact = ExactAnsi(full)) {
    name = std::move(*exact);
    return AnsiName::Exact;
  }
  if (std::optional<std::string> alias = ExactAnsi(fd.cAlternateFileName);
      alias && !alias->empty()) {
    name = std::move(*alias);
    return AnsiName::Short;
  }
  // Nothing addresses it in the code page: every character it lacks becomes the mark, a
  // surrogate pair one mark.
  name.clear();
  for (size_t i = 0; i < full.size(); ++i) {
    size_t n = (full[i] >= 0xD800 && full[i] <= 0xDBFF && i + 1 < full.size()) ? 2 : 1;
    std::optional<std::string> one = ExactAnsi(full.substr(i, n));
    name += one ? *one : std::string(1, kNoNameMark);
    i += n - 1;
  }
  if (NamesOneItem(name)) name += kNoNameMark;  // each character fits, the whole does not
  return AnsiName::None;
}

bool MayBeShortName(std::string_view name) {
  for (size_t i = 0, step; i < name.size(); i += step) {
    step = CharSize(name, i);
    if (step == 1 && name[i] == '~') return true;
  }
  return false;
}

std::optional<std::wstring> LongNameOutsideCodePage(const std::string& path) {
  if (!MayBeShortName(std::string(path.substr(NameStart(path)))) || !NamesOneItem(path))
    return std::nullopt;
  WIN32_FIND_DATAW fd;
  ScopedFind find(FindFirstFileW(WideOf(path).c_str(), &fd));
  if (!find) return std::nullopt;
  std::string name;
  if (AnsiNameOf(fd, name) != AnsiName::Short ||
      !EqualsNoCase(name, std::string(path.substr(NameStart(path)))))
    return std::nullopt;
  return std::wstring(fd.cFileName);
}

std::string AnsiPathOf(const std::wstring& path) {
  if (std::optional<std::string> exact = ExactAnsi(path)) return *exact;
  std::string out;
  size_t start = 0;
  for (;;) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring component = path.substr(start, end - start);
    if (std::optional<std::string> exact = ExactAnsi(component)) {
      out += *exact;
    } else {
      WIN32_FIND_DATAW fd{};
      ScopedFind find;
      if (component.find_first_of(L"*?") == std::wstring::npos)
        find.Reset(FindFirstFileW(path.substr(0, end).c_str(), &fd));
      if (!find) {
        // Not there: marked, from the name as given.
        fd = WIN32_FIND_DATAW{};
        component.copy(fd.cFileName, std::min<size_t>(component.size(), MAX_PATH - 1));
      }
      std::string name;
      AnsiNameOf(fd, name);
      out += name;
    }
    if (end == path.size()) return out;
    out += '\\';
    start = end + 1;
  }
}

// A wide path the plain form cannot take (MAX_PATH units or more) in the form that passes the
// limit; "" where there is none (a relative path).
static std::wstring BeyondLimitForm(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?' && path[2] != L'.')
    return L"\\\\?\\UNC" + path.substr(1);
  return {};
}

bool Win32FileSystem::Search(const std::string& pattern,
                             const std::function<void(const FindItem&)>& each) {
  lastSearchError_ = 0;
  auto fail = [&](DWORD code) {
    lastSearchError_ = static_cast<int>(code ? code : ERROR_FILE_NOT_FOUND);
    SetLastError(code);
    return false;
  };
  // Only the last component may be a pattern, and only the whole folder's: a mark anywhere
  // else would match other items.
  const std::string last = pattern.substr(NameStart(pattern));
  const bool wholeFolder = last == "*.*" || last == "*";
  if (!NamesOneItem(std::string_view(pattern).substr(0, NameStart(pattern))) ||
      (!NamesOneItem(last) && !wholeFolder))
    return fail(ERROR_INVALID_NAME);
  std::wstring wide = WideOf(pattern);
  if (wholeFolder && wide.size() >= MAX_PATH) {
    // A folder the file functions reach, whose pattern passes the limit by its "\*.*": listed
    // through the form without the limit. A folder beyond the limit itself is refused, as every
    // other call refuses it, so a loop the platform cannot tell still ends there.
    std::wstring beyond = BeyondLimitForm(wide);
    if (wide.size() - last.size() - 1 >= MAX_PATH || beyond.empty())
      return fail(ERROR_FILENAME_EXCED_RANGE);
    wide = std::move(beyond);
  }
  WIN32_FIND_DATAW fd;
  ScopedFind find(FindFirstFileW(wide.c_str(), &fd));
  if (!find) {
    const DWORD code = GetLastError();
    // A folder that holds nothing, not even "." and ".." (an empty drive root), was listed.
    if (wholeFolder && code == ERROR_FILE_NOT_FOUND) return true;
    return fail(code);
  }
  do {
    each(ToItem(fd));
  } while (FindNextFileW(find.Get(), &fd));
  return true;
}

// The calls take the path's wide form: the code-page text only ever holds exact names and short
// names, which convert one to one, and the system counts its limits in these UTF-16 units.
std::optional<FindItem> Win32FileSystem::Lookup(const std::string& path) {
  if (!NamesOneItem(path)) return std::nullopt;
  return LookupAt(WideOf(path),
                  std::string(path.substr(NameStart(path))));  // a trail byte 0x5C is no separator
}

uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
  if (!NamesOneItem(path)) return kAttrInvalid;
  return AttributesAt(WideOf(path));
}

int Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  if (!NamesOneItem(path)) return kErrorInvalidName;
  return SetAttributesAt(WideOf(path), attributes);
}

std::unique_ptr<OpenFile> Win32FileSystem::OpenExclusive(const std::string& path) {
  if (!NamesOneItem(path)) return nullptr;
  return OpenExclusiveAt(WideOf(path));
}

std::optional<FindItem> LookupAt(const std::wstring& path, std::string name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    return std::nullopt;
  FindItem item;
  item.name = std::move(name);
  item.attributes = data.dwFileAttributes;
  item.size =
      static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  item.lastWrite = ToU64(data.ftLastWriteTime);
  return item;
}

uint32_t AttributesAt(const std::wstring& path) {
  if (path.empty()) return kAttrInvalid;
  return GetFileAttributesW(path.c_str());
}

int SetAttributesAt(const std::wstring& path, uint32_t attributes) {
  if (path.empty()) return ERROR_INVALID_NAME;
  if (SetFileAttributesW(path.c_str(), attributes)) return 0;
  DWORD err = GetLastError();
  return err ? static_cast<int>(err) : -1;
}

std::unique_ptr<OpenFile> OpenExclusiveAt(const std::wstring& path) {
  if (path.empty()) return nullptr;
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32OpenFile>(std::move(file));
}

std::optional<uint32_t> Win32FileSystem::ToLocalDos(uint64_t fileTime) {
  FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}, local;
  WORD date = 0, time = 0;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st))
    return std::nullopt;
  // Some implementations pack a year past 2107 with its high bits lost (2110 as 1982).
  if (st.wYear < 1980 || st.wYear > 2107) return std::nullopt;
  if (!FileTimeToDosDateTime(&local, &date, &time)) return std::nullopt;
  return (static_cast<uint32_t>(date) << 16) | time;
}

std::optional<uint64_t> Win32FileSystem::FolderIdentity(const std::string& path) {
  if (!NamesOneItem(path)) return std::nullopt;
  ScopedFile dir(CreateFileW(WideOf(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!dir) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(dir.Get(), &info)) return std::nullopt;
  return FolderIdentityOf(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
}

std::optional<uint64_t> FolderIdentityOf(uint32_t volumeSerial, uint32_t indexHigh,
                                         uint32_t indexLow) {
  // Some volumes report index 0 for every folder: that tells nothing, and taken as an identity
  // it would stop every scan below the first level.
  if (indexHigh == 0 && indexLow == 0) return std::nullopt;
  // Volume serial in the top bits, file index below: unique enough to notice a repeat.
  return (static_cast<uint64_t>(volumeSerial) << 40) ^
         ((static_cast<uint64_t>(indexHigh) << 32) | indexLow);
}

std::string ExecutablePath() {
  // A path longer than the buffer comes back cut with the buffer full: grow and ask again.
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return AnsiPathOf(std::wstring(buf.data(), n));
    if (buf.size() >= 32768) return {};
    buf.resize(buf.size() * 2);
  }
}

std::optional<std::wstring> OwnLongPath(const std::string& path) {
  const std::string last = path.substr(NameStart(path));
  if (!MayBeShortName(last) || !NamesOneItem(path)) return std::nullopt;
  WIN32_FIND_DATAW fd;
  const std::wstring wide = WideOf(path), lastWide = WideOf(last);
  ScopedFind find(FindFirstFileW(wide.c_str(), &fd));
  if (!find || lstrcmpiW(fd.cAlternateFileName, lastWide.c_str()) != 0 ||
      lstrcmpiW(fd.cFileName, lastWide.c_str()) == 0)
    return std::nullopt;
  return wide.substr(0, wide.size() - lastWide.size()) + fd.cFileName;
}

bool HoldsShortName(const std::string& path, size_t from) {
  size_t start = from;
  for (size_t i = from, step; i <= path.size(); i += step) {
    step = i < path.size() ? CharSize(path, i) : 1;
    if (i < path.size() && (step == 2 || path[i] != '\\')) continue;
    if (i > start && MayBeShortName(std::string_view(path).substr(start, i - start)) &&
        LongNameOutsideCodePage(path.substr(0, i)))
      return true;
    start = i + 1;
  }
  return false;
}

std::string Utf8Of(const std::wstring& text) {
  if (text.empty()) return {};
  const int len = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), len, out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring WideOfUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int len = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), len, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), len, out.data(), n);
  return out;
}

}  // namespace mv::win
