#include "ops/copy/win32/copy_platform_win32.h"

#include <vector>

#include "ops/copy/win32/folder_chooser.h"
#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "targets/paths.h"

namespace mv::win {

namespace {
int g_busy = 0;
}

bool BusyCursorShown() { return g_busy > 0; }

void SetBusyCursor(bool on) {
  g_busy = on ? 1 : 0;
  SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW));
}

namespace {

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WithoutTrailingSeparator(std::string path) {
  // A root ("C:\\", "\\") keeps its backslash; a trail byte 0x5C is no separator.
  while (EndsWithBackslash(path) && PathParent(path) != path) path.pop_back();
  return path;
}

// A destination split where its renamed tail begins: the code-page text kept as it is (up to
// and including a separator) and the tail's components as the file system names them.
struct Renamed {
  std::string kept;
  std::vector<std::wstring> tail;
};

std::optional<Renamed> RenamedTail(const std::string& from, const std::string& to) {
  if (!MayBeShortName(to)) return std::nullopt;  // the common case, at no cost
  Renamed out;
  bool renamed = false;
  size_t toEnd = to.size(), fromEnd = from.size();
  size_t keep = to.size();
  while (toEnd > 0 && fromEnd > 0) {
    const std::string_view t(to.data(), toEnd), f(from.data(), fromEnd);
    const size_t ts = AfterLastSeparator(t), fs = AfterLastSeparator(f);
    const std::string_view name = t.substr(ts);
    if (name.empty() || name != f.substr(fs)) break;
    std::wstring wide = WideOf(std::string(name));
    if (MayBeShortName(name)) {
      if (std::optional<std::wstring> longName = LongNameOutsideCodePage(std::string(f))) {
        wide = std::move(*longName);
        renamed = true;
      }
    }
    out.tail.insert(out.tail.begin(), std::move(wide));
    keep = ts;
    // Up to the parent, over a backslash only: a drive's colon ends the shared part.
    if (ts == 0 || fs == 0 || to[ts - 1] != '\\' || from[fs - 1] != '\\') break;
    toEnd = ts - 1;
    fromEnd = fs - 1;
  }
  if (!renamed) return std::nullopt;
  out.kept = to.substr(0, keep);
  return out;
}

std::wstring Join(const Renamed& r) {
  std::wstring path = WideOf(r.kept);
  for (size_t i = 0; i < r.tail.size(); ++i) {
    if (i > 0) path += L'\\';
    path += r.tail[i];
  }
  return path;
}

bool IsFolderW(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderPathW(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr) || IsFolderW(path)) return true;
  const size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut < 3) return false;  // a root is there or not at all
  const std::wstring parent = path.substr(0, cut);
  if (!IsFolderW(parent) && !CreateFolderPathW(parent)) return false;
  return CreateDirectoryW(path.c_str(), nullptr) || IsFolderW(path);
}

}  // namespace

std::optional<std::wstring> TrueDestination(const std::string& from, const std::string& to) {
  std::optional<Renamed> renamed = RenamedTail(from, to);
  if (!renamed) return std::nullopt;
  return Join(*renamed);
}

bool CreateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  const std::string folder = WithoutTrailingSeparator(path);
  // Mirroring a tree, the parent is almost always there: one call then does it.
  if (CreateDirectoryA(folder.c_str(), nullptr)) return true;
  if (IsFolder(folder)) return true;
  const std::string parent = PathParent(folder);
  if (!parent.empty() && parent != folder && !IsFolder(parent) && !CreateFolderPath(parent)) return false;
  if (CreateDirectoryA(folder.c_str(), nullptr)) return true;
  return IsFolder(folder);  // made meanwhile by someone else
}

Win32CopyPlatform::Win32CopyPlatform(HWND owner, FileSystem& files) : owner_(owner), files_(files) {}

bool Win32CopyPlatform::DuplicateFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (std::optional<std::wstring> named = TrueDestination(from, to))
    return CopyFileW(WideOf(from).c_str(), named->c_str(), failIfExists) != FALSE;
  return CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
}

void Win32CopyPlatform::CreateFolders(const std::string& path) { CreateFolderPath(path); }

void Win32CopyPlatform::CreateFolderFor(const std::string& source, const std::string& at) {
  if (std::optional<std::wstring> named = TrueDestination(source, at)) {
    CreateFolderPathW(*named);
    return;
  }
  CreateFolders(at);
}

std::string Win32CopyPlatform::Addressed(const std::string& source, const std::string& at) {
  std::optional<Renamed> renamed = RenamedTail(source, at);
  if (!renamed) return at;
  // Each renamed component by the spelling the destination's file system gives it.
  std::string path = renamed->kept;
  std::wstring wide = WideOf(renamed->kept);
  for (size_t i = 0; i < renamed->tail.size(); ++i) {
    if (i > 0) {
      path += '\\';
      wide += L'\\';
    }
    wide += renamed->tail[i];
    WIN32_FIND_DATAW fd;
    ScopedFind find(FindFirstFileW(wide.c_str(), &fd));
    if (!find) return at;  // not there (yet)
    // Without a short name at the destination it is marked: every operation on it then ends
    // in its own error line rather than reaching it by another name or passing it over.
    std::string name;
    AnsiNameOf(fd, name);
    path += name;
  }
  return path;
}

std::optional<int64_t> Win32CopyPlatform::FreeBytes(const std::string& folder) {
  // The volume is asked through the nearest folder that exists: a destination folder not made
  // yet is no reason to call the volume full.
  std::string at = folder;
  for (;;) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (GetDiskFreeSpaceExA(at.c_str(), &available, &total, &free)) {
      // Beyond what the signed figure holds there is room for any file.
      if (available.QuadPart > static_cast<ULONGLONG>(INT64_MAX)) return INT64_MAX;
      return static_cast<int64_t>(available.QuadPart);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND && error != ERROR_DIRECTORY) return std::nullopt;
    const std::string parent = PathParent(WithoutTrailingSeparator(at));
    if (parent.empty() || parent == WithoutTrailingSeparator(at)) return std::nullopt;
    at = EndsWithBackslash(parent) ? parent : parent + "\\";
  }
}

std::optional<std::string> Win32CopyPlatform::ChooseFolder() {
  if (chooser_) return chooser_();
  return ChooseFolderDialog(owner_);
}

void Win32CopyPlatform::PumpMessages() {
  // Each look at the queue is a round trip to the window system; on a run of small files a look
  // every few milliseconds keeps Cancel, the timer and painting as prompt at a fraction of the cost.
  constexpr DWORD kPumpEveryMs = 8;
  const DWORD now = GetTickCount();
  if (pumped_ && now - lastPump_ < kPumpEveryMs) return;
  pumped_ = true;
  lastPump_ = now;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the main loop, which ends the program.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (hook_ && hook_(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Win32CopyPlatform::BusyCursor(bool on) { SetBusyCursor(on); }

std::string Win32CopyPlatform::UpperCase(std::string text) { return mv::UpperCase(text); }

bool Win32CopyPlatform::SameText(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

std::string Win32CopyPlatform::SpelledOnDisk(const std::string& folder) {
  // A pattern would be answered by whatever it matches.
  if (folder.empty() || !NamesOneItem(folder)) return folder;
  const std::string parent = PathParent(folder);
  if (parent.empty() || parent == folder) return folder;  // a root ("E:", "E:\\", a share) as given
  const std::string name = PathName(folder);
  if (name.empty() || name == "." || name == "..") return folder;
  std::string spelled = SpelledOnDisk(WithoutTrailingSeparator(parent));
  if (!EndsWithBackslash(spelled)) spelled += '\\';
  WIN32_FIND_DATAA fd;
  win::ScopedFind find(FindFirstFileA(folder.c_str(), &fd));
  return spelled + (find ? fd.cFileName : name);
}

}  // namespace mv::win
