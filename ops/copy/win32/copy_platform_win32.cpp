#include "ops/copy/win32/copy_platform_win32.h"

#include <vector>

#include "ops/common/win32/busy_cursor.h"
#include "ops/copy/win32/folder_chooser.h"
#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"

namespace mv::win {
namespace {

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
    const size_t ts = NameStart(t), fs = NameStart(f);
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

// Where a wide path's last component begins; 0 when it has no separator.
size_t WideNameStart(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\:");
  return cut == std::wstring::npos ? 0 : cut + 1;
}

// The mirror of one source: `text` reaches it at its wide path; every other path goes to the
// file system the engine searches with.
class MirrorFileSystem : public FileSystem {
 public:
  explicit MirrorFileSystem(FileSystem& base) : base_(base) {}
  void Aim(const std::string& text, std::wstring wide) {
    text_ = text;
    wide_ = std::move(wide);
  }

  bool Search(const std::string& pattern,
              const std::function<void(const FindItem&)>& each) override {
    return base_.Search(pattern, each);
  }
  std::optional<FindItem> Lookup(const std::string& path) override {
    if (path != text_) return base_.Lookup(path);
    return LookupAt(wide_, std::string(path.substr(NameStart(path))));
  }
  uint32_t GetAttributes(const std::string& path) override {
    return path == text_ ? AttributesAt(wide_) : base_.GetAttributes(path);
  }
  int SetAttributes(const std::string& path, uint32_t attributes) override {
    return path == text_ ? SetAttributesAt(wide_, attributes)
                         : base_.SetAttributes(path, attributes);
  }
  std::unique_ptr<OpenFile> OpenExclusive(const std::string& path) override {
    return path == text_ ? OpenExclusiveAt(wide_) : base_.OpenExclusive(path);
  }
  std::optional<uint32_t> ToLocalDos(uint64_t fileTime) override {
    return base_.ToLocalDos(fileTime);
  }
  std::optional<uint64_t> FolderIdentity(const std::string& path) override {
    return base_.FolderIdentity(path);
  }

 private:
  FileSystem& base_;
  std::string text_;
  std::wstring wide_;
};

}  // namespace

bool CreateFolderPathW(const std::wstring& given) {
  std::wstring path = given;
  // A root ("C:\\") keeps its backslash.
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (path.empty()) return false;
  // Mirroring a tree, the parent is almost always there: one call then does it.
  if (CreateDirectoryW(path.c_str(), nullptr) || IsFolderW(path)) return true;
  const size_t cut = WideNameStart(path);
  if (cut < 4) return false;  // a root is there or not at all
  const std::wstring parent = path.substr(0, cut - 1);
  if (!IsFolderW(parent) && !CreateFolderPathW(parent)) return false;
  return CreateDirectoryW(path.c_str(), nullptr) ||
         IsFolderW(path);  // or made meanwhile by someone else
}

std::optional<std::wstring> TrueDestination(const std::string& from, const std::string& to) {
  std::optional<Renamed> renamed = RenamedTail(from, to);
  if (!renamed) return std::nullopt;
  return Join(*renamed);
}

bool CreateFolderPath(const std::string& path) {
  if (path.empty()) return false;
  return CreateFolderPathW(WideOf(WithoutTrailingSeparator(path)));
}

Win32CopyPlatform::Win32CopyPlatform(HWND owner, FileSystem& files)
    : owner_(owner), files_(files), mirror_(std::make_unique<MirrorFileSystem>(files)) {}

Win32CopyPlatform::~Win32CopyPlatform() = default;

std::wstring Win32CopyPlatform::TruePath(const std::string& source, const std::string& at) {
  if (std::optional<std::wstring> named = TrueDestination(source, at)) return *named;
  return WideOf(at);
}

bool Win32CopyPlatform::DuplicateFile(const std::string& from, const std::string& to,
                                      bool failIfExists) {
  return CopyFileW(WideOf(from).c_str(), TruePath(from, to).c_str(), failIfExists) != FALSE;
}

bool Win32CopyPlatform::CreateFolders(const std::string& path) { return CreateFolderPath(path); }

bool Win32CopyPlatform::CreateFolderFor(const std::string& source, const std::string& at) {
  if (std::optional<std::wstring> named = TrueDestination(source, at))
    return CreateFolderPathW(*named);
  return CreateFolders(at);
}

FileSystem& Win32CopyPlatform::MirrorFiles(const std::string& source, const std::string& at,
                                           const std::string& text) {
  // Always the wide path the copy is made at: the destination's own short name may be missing
  // (volumes without 8.3 names) or, for the source's short name, belong to another file.
  auto& mirror = static_cast<MirrorFileSystem&>(*mirror_);
  mirror.Aim(text, TruePath(source, at));
  return mirror;
}

size_t Win32CopyPlatform::PathUnits(const std::string& source, const std::string& at) {
  return TruePath(source, at).size();
}

std::optional<int64_t> Win32CopyPlatform::FreeBytes(const std::string& folder) {
  // The volume is asked through the nearest folder that exists: a destination folder not made
  // yet is no reason to call the volume full.
  std::string at = folder;
  for (;;) {
    ULARGE_INTEGER available{}, total{}, free{};
    if (GetDiskFreeSpaceExW(WideOf(at).c_str(), &available, &total, &free)) {
      // Beyond what the signed figure holds there is room for any file.
      if (available.QuadPart > static_cast<ULONGLONG>(INT64_MAX)) return INT64_MAX;
      return static_cast<int64_t>(available.QuadPart);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND && error != ERROR_DIRECTORY)
      return std::nullopt;
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
  // every few milliseconds keeps Cancel, the timer and painting as prompt at a fraction of the
  // cost.
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

bool Win32CopyPlatform::SameText(std::string_view a, std::string_view b) {
  return EqualsNoCase(a, b);
}

std::string Win32CopyPlatform::SpelledOnDisk(const std::string& folder) {
  // A pattern would be answered by whatever it matches.
  if (folder.empty() || !NamesOneItem(folder)) return folder;
  const std::string parent = PathParent(folder);
  if (parent.empty() || parent == folder) return folder;  // a root ("E:", "E:\\", a share) as given
  const std::string name = PathName(folder);
  if (name.empty() || name == "." || name == "..") return folder;
  std::string spelled = SpelledOnDisk(WithoutTrailingSeparator(parent));
  if (!EndsWithBackslash(spelled)) spelled += '\\';
  // Asked wide: the code-page search reports a name it cannot hold best-fit (café as "cafe"),
  // which is another folder. Its own long name where the code page holds it, else its short name.
  WIN32_FIND_DATAW fd;
  win::ScopedFind find(FindFirstFileW(WideOf(folder).c_str(), &fd));
  std::string onDisk;
  if (!find || AnsiNameOf(fd, onDisk) == AnsiName::None) onDisk = name;
  return spelled + onDisk;
}

}  // namespace mv::win
