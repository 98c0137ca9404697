#include "wine_support.h"

#include <cstring>
#include <stdexcept>

namespace mv::testing {

TempFolder::TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  static unsigned counter = 0;
  for (;;) {
    path_ = std::string(base) + "mvtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + path_);
  }
}

TempFolder::~TempFolder() {
  // Wide: a best-fit listing of names such as café would remove their twins instead.
  std::wstring wide(path_.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_ACP, 0, path_.c_str(), static_cast<int>(path_.size()), wide.data(), static_cast<int>(wide.size()))));
  RemoveTreeW(wide);
}

void WriteFile(const std::string& path, const std::string& contents, DWORD attributes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
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
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
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

namespace {
BoxAnswerer* g_answerer = nullptr;
std::vector<HWND> g_answered;
BOOL CALLBACK AnswerBox(HWND box, LPARAM);
}  // namespace

BoxAnswerer::BoxAnswerer(std::vector<int> buttons) : buttons_(std::move(buttons)) {
  g_answerer = this;
  g_answered.clear();
  timer_ = SetTimer(nullptr, 0, 30, &BoxAnswerer::Tick);
}

BoxAnswerer::~BoxAnswerer() {
  KillTimer(nullptr, timer_);
  g_answerer = nullptr;
}

void CALLBACK BoxAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &AnswerBox, 0); }

namespace {
BOOL CALLBACK AnswerBox(HWND box, LPARAM) {
  char cls[32] = {};
  GetClassNameA(box, cls, sizeof cls);
  if (!g_answerer || std::string(cls) != "#32770" || !IsWindowVisible(box)) return TRUE;
  for (HWND done : g_answered)
    if (done == box) return TRUE;
  g_answered.push_back(box);
  g_answerer->boxes.push_back(WindowText(box) + "|" + WindowText(GetDlgItem(box, 0xFFFF)));
  g_answerer->owners.push_back(GetWindow(box, GW_OWNER));
  for (int id : g_answerer->Buttons()) {
    if (HWND b = GetDlgItem(box, id)) {
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
      break;
    }
  }
  return TRUE;
}
}  // namespace

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
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
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
