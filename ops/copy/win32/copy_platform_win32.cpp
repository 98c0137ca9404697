#include "ops/copy/win32/copy_platform_win32.h"

#include "ops/copy/win32/folder_chooser.h"
#include "platform/text.h"
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

}  // namespace

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
  return CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
}

void Win32CopyPlatform::CreateFolders(const std::string& path) { CreateFolderPath(path); }

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
  if (folder.empty() || folder.find_first_of("*?") != std::string::npos) return folder;
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
