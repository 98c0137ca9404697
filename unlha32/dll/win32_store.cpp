#include "unlha32/dll/win32_store.h"

#include <cstdio>
#include <optional>

#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"
#include "unlha32/command.h"

namespace mv::lzh {
namespace {

uint64_t FromFileTime(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

std::wstring Wide(const std::string& path) { return mv::win::WideOf(path); }

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

// Reads and writes give their offset each time (OVERLAPPED on a synchronous handle), so the
// file position never matters.
class Win32Input : public InputFile {
 public:
  Win32Input(win::ScopedFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
  int ReadAt(uint64_t offset, void* buf, size_t size, size_t* got) override {
    *got = 0;
    OVERLAPPED o = At(offset);
    DWORD n = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!ReadFile(file_.Get(), buf, want, &n, &o)) {
      const DWORD e = GetLastError();
      return e == ERROR_HANDLE_EOF ? 0 : static_cast<int>(e);
    }
    *got = n;
    return 0;
  }
  uint64_t Size() const override { return size_; }

 private:
  win::ScopedFile file_;
  uint64_t size_;
};

class Win32Output : public PositionedOutput {
 public:
  explicit Win32Output(win::ScopedFile file) : file_(std::move(file)) {}
  int WriteAt(uint64_t offset, const void* data, size_t size) override {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
      OVERLAPPED o = At(offset);
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      if (!WriteFile(file_.Get(), p, want, &n, &o)) return static_cast<int>(GetLastError());
      if (n == 0) return ERROR_DISK_FULL;
      p += n;
      offset += n;
      size -= n;
    }
    return 0;
  }
  int Close() override {
    const HANDLE h = file_.Release();
    return CloseHandle(h) ? 0 : static_cast<int>(GetLastError());
  }

 protected:
  int Cut(uint64_t size) override {
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file_.Get(), li, nullptr, FILE_BEGIN) && SetEndOfFile(file_.Get())
               ? 0
               : static_cast<int>(GetLastError());
  }

 private:
  win::ScopedFile file_;
};

}  // namespace

int Win32Store::Stat(const std::string& path, FileStat* st) {
  *st = FileStat{};
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD e = GetLastError();
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND || e == ERROR_INVALID_NAME ||
        e == ERROR_BAD_NETPATH || e == ERROR_BAD_PATHNAME)
      return 0;
    return static_cast<int>(e);
  }
  st->exists = true;
  st->directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  st->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  st->attributes = data.dwFileAttributes;
  st->creation = FromFileTime(data.ftCreationTime);
  st->lastWrite = FromFileTime(data.ftLastWriteTime);
  st->lastAccess = FromFileTime(data.ftLastAccessTime);
  return 0;
}

int Win32Store::OpenRead(const std::string& path, std::unique_ptr<InputFile>* file) {
  win::ScopedFile f(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!f) return static_cast<int>(GetLastError());
  LARGE_INTEGER size;
  if (!GetFileSizeEx(f.Get(), &size)) return static_cast<int>(GetLastError());
  *file = std::make_unique<Win32Input>(std::move(f), static_cast<uint64_t>(size.QuadPart));
  return 0;
}

int Win32Store::CreateTemp(const std::string& folder, std::string* path,
                           std::unique_ptr<OutputFile>* file) {
  return CreateFirstFree(folder, path, ERROR_FILE_EXISTS, [&](const std::string& candidate) {
    win::ScopedFile f(CreateFileW(Wide(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) {
      const DWORD e = GetLastError();
      return static_cast<int>(e == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : e);
    }
    *file = std::make_unique<Win32Output>(std::move(f));
    return 0;
  });
}

int Win32Store::Replace(const std::string& from, const std::string& to) {
  // Over an existing archive named by its short name, the new one takes the old one's long name.
  const std::wstring target = mv::win::OwnLongPath(to).value_or(Wide(to));
  return MoveFileExW(Wide(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)
             ? 0
             : static_cast<int>(GetLastError());
}

int Win32Store::Remove(const std::string& path) {
  if (DeleteFileW(Wide(path).c_str())) return 0;
  const DWORD e = GetLastError();
  return e == ERROR_FILE_NOT_FOUND ? 0 : static_cast<int>(e);
}

std::u16string Win32Store::LongNameOf(const std::string& path) {
  const std::optional<std::wstring> name = mv::win::LongNameOutsideCodePage(path);
  return name ? std::u16string(name->begin(), name->end()) : std::u16string();
}

std::u16string Win32Store::Utf16Of(const std::string& text) {
  const std::wstring wide = Wide(text);
  return std::u16string(wide.begin(), wide.end());
}

std::string Win32Store::Describe(int error) {
  char buf[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(error), 0, buf, sizeof buf, nullptr);
  const std::string text = OneLineReason(std::string_view(buf, n));
  char code[32];
  std::snprintf(code, sizeof code, "%sエラー %d", text.empty() ? "" : ", ", error);
  return text + code;
}

}  // namespace mv::lzh
