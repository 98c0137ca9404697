#include "wine_support.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ops/copy/win32/folder_chooser.h"

namespace mv::testing {

TempFolder::TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static unsigned counter = 0;
  for (;;) {
    path_ = std::string(base) + "mvtest" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + path_);
  }
}

TempFolder::~TempFolder() {
  // Wide: a best-fit listing of names such as café would remove their twins instead.
  std::wstring wide(path_.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, path_.c_str(),
                                                      static_cast<int>(path_.size()), wide.data(),
                                                      static_cast<int>(wide.size()))));
  RemoveTreeW(wide);
}

void WriteFile(const std::string& path, const std::string& contents, DWORD attributes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + path);
  DWORD written = 0;
  ::WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  CloseHandle(h);
  if (attributes) SetFileAttributesA(path.c_str(), attributes);
}

void MakeFolder(const std::string& path, DWORD attributes) {
  CreateDirectoryA(path.c_str(), nullptr);
  if (attributes) SetFileAttributesA(path.c_str(), attributes | FILE_ATTRIBUTE_DIRECTORY);
}

void MakeTree(const std::string& root, const std::vector<std::string>& items) {
  for (const std::string& item : items) {
    const size_t eq = item.find('=');  // below the trail bytes: never half of a character
    if (eq == std::string::npos)
      MakeFolder(root + "\\" + item);
    else
      WriteFile(root + "\\" + item.substr(0, eq), item.substr(eq + 1));
  }
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(full);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(full.c_str());
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

void RemoveTreeW(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  if (HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd); find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      // A link to a folder is removed, not entered: it may lead back up (a loop) or out.
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTreeW(full);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(full.c_str());
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

std::string StatusText(HWND statusBar, int panel) {
  // SB_GETTEXTLENGTH counts characters, not bytes: use a generous buffer instead.
  char buf[1024] = {};
  SendMessageA(statusBar, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(buf));
  std::string s = buf;
  while (!s.empty() && s[0] == '\t') s.erase(0, 1);
  return s;
}

std::string WindowText(HWND wnd) {
  char buf[1024] = {};
  GetWindowTextA(wnd, buf, sizeof buf);
  return buf;
}

bool SeenBox::Has(int id) const {
  return std::find(buttons.begin(), buttons.end(), id) != buttons.end();
}

void Press(const SeenBox& box, int id) {
  PostMessageA(box.wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.wnd, id)));
}

namespace {
constexpr int kSaveNameField = 0x47C;

HWND NameField(const SeenBox& box) {
  return GetDlgItem(box.wnd, box.kind == SeenBox::kSave ? kSaveNameField : win::kIdChooserName);
}

BOOL CALLBACK FindIcon(HWND child, LPARAM lp) {
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(child))
    return TRUE;
  *reinterpret_cast<HICON*>(lp) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  return FALSE;
}

SeenBox Look(HWND wnd) {
  SeenBox box;
  box.wnd = wnd;
  box.owner = GetWindow(wnd, GW_OWNER);
  box.caption = WindowText(wnd);
  box.kind = GetDlgItem(wnd, kSaveNameField)       ? SeenBox::kSave
             : box.caption == win::kChooserCaption ? SeenBox::kChooser
                                                   : SeenBox::kMessage;
  if (box.kind == SeenBox::kMessage) {
    HWND text = GetDlgItem(wnd, 0xFFFF);
    box.text = WindowText(text);
    wchar_t wide[1024] = {};
    GetWindowTextW(text, wide, 1024);
    box.wideText = wide;
  }
  EnumChildWindows(wnd, &FindIcon, reinterpret_cast<LPARAM>(&box.icon));
  for (int id = IDOK; id <= IDCONTINUE; ++id) {
    HWND button = GetDlgItem(wnd, id);
    if (!button) continue;
    box.buttons.push_back(id);
    if ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) box.defaultId = id;
  }
  return box;
}

BoxWatcher* g_watcher = nullptr;  // the newest alive
}  // namespace

void TypeName(const SeenBox& box, const std::string& name) {
  SetWindowTextA(NameField(box), name.c_str());
}
void TypeName(const SeenBox& box, const std::wstring& name) {
  SetWindowTextW(NameField(box), name.c_str());
}

BoxWatcher::BoxWatcher(Handler h) : handler(std::move(h)), previous_(g_watcher) {
  g_watcher = this;
  timer_ = SetTimer(nullptr, 0, 30, &BoxWatcher::Tick);
}

BoxWatcher::BoxWatcher() : BoxWatcher(PressFirst({IDOK, IDYES})) {}

BoxWatcher::~BoxWatcher() {
  KillTimer(nullptr, timer_);
  g_watcher = previous_;
}

void CALLBACK BoxWatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  BoxWatcher* self = g_watcher;
  if (!self) return;
  auto& taken = self->taken_;
  taken.erase(std::remove_if(taken.begin(), taken.end(), [](HWND w) { return !IsWindow(w); }),
              taken.end());
  if (self->onTick) self->onTick();
  EnumThreadWindows(GetCurrentThreadId(), &BoxWatcher::Offer, reinterpret_cast<LPARAM>(self));
}

BOOL CALLBACK BoxWatcher::Offer(HWND wnd, LPARAM lp) {
  auto* self = reinterpret_cast<BoxWatcher*>(lp);
  char cls[32] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(wnd)) return TRUE;
  if (std::find(self->taken_.begin(), self->taken_.end(), wnd) != self->taken_.end()) return TRUE;
  SeenBox box = Look(wnd);
  if (self->handler && self->handler(box)) {
    self->taken_.push_back(wnd);
    self->seen.push_back(std::move(box));
  }
  return TRUE;
}

std::vector<SeenBox> BoxWatcher::Messages() const {
  std::vector<SeenBox> out;
  for (const SeenBox& b : seen)
    if (b.kind == SeenBox::kMessage) out.push_back(b);
  return out;
}

std::vector<std::string> BoxWatcher::Lines() const {
  std::vector<std::string> out;
  for (const SeenBox& b : Messages()) out.push_back(b.Line());
  return out;
}

BoxWatcher::Handler PressFirst(std::vector<int> ids) {
  return [ids = std::move(ids)](const SeenBox& box) {
    for (int id : ids)
      if (box.Has(id)) return Press(box, id), true;
    return true;
  };
}

BoxWatcher::Handler PressInTurn(std::vector<int> ids) {
  return [ids = std::move(ids), n = size_t{0}](const SeenBox& box) mutable {
    Press(box, ids[std::min(n++, ids.size() - 1)]);
    return true;
  };
}

bool TypedAnswers::operator()(const SeenBox& box) {
  if (box.kind == SeenBox::kChooser) {
    TypeName(box, chooserFolder);
    Press(box, IDOK);
  } else if (box.kind == SeenBox::kSave) {
    if (nextSave_ < saveNames.size())
      TypeName(box, saveNames[nextSave_++]);
    else if (nextWide_ < wideSaveNames.size())
      TypeName(box, wideSaveNames[nextWide_++]);
    else
      return Press(box, IDCANCEL), true;
    Press(box, IDOK);
  } else {
    for (int id : {yesNo, IDOK, IDABORT})
      if (box.Has(id)) return Press(box, id), true;
  }
  return true;
}

void SaveScreenshot(const std::string& unixPath) {
  if (!GetEnvironmentVariableA("MV_SCREENSHOTS", nullptr, 0)) return;
  const std::string winPath = "Z:" + unixPath;
  DeleteFileA(winPath.c_str());
  // Wine starts a Unix program by its path but does not wait for it: the file's arrival, at a
  // size that holds still, tells when the screen has been taken.
  std::string cmd = "/usr/bin/import -window root " + unixPath;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  DWORD last = 0;
  PumpUntil(
      [&] {
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExA(winPath.c_str(), GetFileExInfoStandard, &a)) return false;
        bool done = a.nFileSizeLow != 0 && a.nFileSizeLow == last;
        last = a.nFileSizeLow;
        return done;
      },
      10000);
}

void PostDrop(HWND wnd, const std::vector<std::string>& paths) {
  size_t bytes = sizeof(DROPFILES) + 1;
  for (const auto& p : paths) bytes += p.size() + 1;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = FALSE;
  char* out = reinterpret_cast<char*>(df) + sizeof(DROPFILES);
  for (const auto& p : paths) {
    std::memcpy(out, p.data(), p.size());
    out += p.size() + 1;
  }
  GlobalUnlock(mem);
  PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
}

}  // namespace mv::testing
