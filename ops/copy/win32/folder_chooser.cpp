#include "ops/copy/win32/folder_chooser.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ops/copy/win32/copy_platform_win32.h"
#include "platform/win32/dpi.h"
#include "platform/win32/handles.h"
#include "targets/paths.h"

namespace mv::win {

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 304;

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRoot(const std::string& path) { return PathParent(path) == path; }

std::string Join(const std::string& folder, const std::string& name) {
  return EndsWithBackslash(folder) ? folder + name : folder + "\\" + name;
}

std::string Trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

std::string Text(HWND wnd) {
  std::string text(GetWindowTextLengthA(wnd) * 2 + 2, '\0');
  text.resize(GetWindowTextA(wnd, text.data(), static_cast<int>(text.size())));
  return text;
}

std::vector<std::string> FoldersOf(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  ScopedFind find(FindFirstFileA(Join(folder, "*").c_str(), &fd));
  if (!find) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
    names.emplace_back(fd.cFileName);
  } while (FindNextFileA(find.Get(), &fd));
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  return names;
}

class Chooser {
 public:
  explicit Chooser(std::string start) : current_(std::move(start)) {}

  static INT_PTR CALLBACK Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrA(dlg, DWLP_USER, lp);
    auto* self = reinterpret_cast<Chooser*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (!self) return FALSE;
    switch (msg) {
      case WM_INITDIALOG:
        self->dlg_ = dlg;
        self->Build();
        return FALSE;  // the focus was set by Build
      case WM_COMMAND:
        self->Command(LOWORD(wp), HIWORD(wp));
        return TRUE;
      case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      default:
        return FALSE;
    }
  }

  std::optional<std::string> result;

 private:
  // Places are the layout's, at 96 DPI.
  HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND wnd = CreateWindowExA(std::strcmp(cls, "EDIT") == 0 || std::strcmp(cls, "LISTBOX") == 0 ? WS_EX_CLIENTEDGE : 0,
                               cls, text, WS_CHILD | WS_VISIBLE | style, scale_(x), scale_(y), scale_(w), scale_(h), dlg_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return wnd;
  }

  void Build() {
    scale_ = ScreenScale();
    font_.Reset(CreateFontA(-scale_(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
    SetWindowTextA(dlg_, kChooserCaption);
    RECT r{0, 0, scale_(kClientWidth), scale_(kClientHeight)};
    AdjustWindowRectEx(&r, GetWindowLongA(dlg_, GWL_STYLE), FALSE, GetWindowLongA(dlg_, GWL_EXSTYLE));
    // Centred on the owner, or on the screen without one.
    RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (HWND owner = GetWindow(dlg_, GW_OWNER)) GetWindowRect(owner, &around);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = std::max(0, static_cast<int>(around.left + (around.right - around.left - width) / 2));
    const int top = std::max(0, static_cast<int>(around.top + (around.bottom - around.top - height) / 2));
    SetWindowPos(dlg_, nullptr, left, top, width, height, SWP_NOZORDER);

    Make("STATIC", "フォルダー名:", SS_LEFT, 8, 8, 344, 16, -1);
    name_ = Make("EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 8, 26, 344, 22, kIdChooserName);
    SendMessageA(name_, EM_LIMITTEXT, MAX_PATH - 1, 0);
    place_ = Make("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 8, 56, 344, 16, kIdChooserPlace);
    folders_ = Make("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 8, 76, 344, 160,
                    kIdChooserFolders);
    Make("STATIC", "ドライブ:", SS_LEFT, 8, 247, 60, 16, -1);
    drives_ = Make("COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 72, 244, 120, 200, kIdChooserDrives);
    Make("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 196, 274, 75, 24, IDOK);
    Make("BUTTON", "キャンセル", WS_TABSTOP | BS_PUSHBUTTON, 277, 274, 75, 24, IDCANCEL);

    char drives[512] = {};
    const DWORD n = GetLogicalDriveStringsA(sizeof drives - 1, drives);
    for (const char* d = drives; n && n < sizeof drives && *d; d += std::strlen(d) + 1)
      SendMessageA(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d));

    if (current_.empty() || !IsFolder(current_)) {
      char here[MAX_PATH] = {};
      const DWORD len = GetCurrentDirectoryA(MAX_PATH, here);
      current_ = len > 0 && len < MAX_PATH ? std::string(here, len) : "C:\\";
    }
    Enter(current_);
    FocusName();
  }

  void Enter(const std::string& folder) {
    current_ = folder;
    SetWindowTextA(place_, current_.c_str());
    SetWindowTextA(name_, current_.c_str());
    SendMessageA(folders_, LB_RESETCONTENT, 0, 0);
    if (!IsRoot(current_)) SendMessageA(folders_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(".."));
    for (const std::string& name : FoldersOf(current_))
      SendMessageA(folders_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    // The drive box follows the folder's drive.
    const std::string root = current_.size() >= 2 && current_[1] == ':' ? current_.substr(0, 2) + "\\" : "";
    const LRESULT at = root.empty() ? CB_ERR
                                    : SendMessageA(drives_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(root.c_str()));
    SendMessageA(drives_, CB_SETCURSEL, at == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(at), 0);
  }

  // The name field takes the focus with its whole text selected, so typing replaces it.
  void FocusName() {
    SetFocus(name_);
    SendMessageA(name_, EM_SETSEL, 0, -1);
  }

  std::string Picked() {
    const LRESULT i = SendMessageA(folders_, LB_GETCURSEL, 0, 0);
    if (i == LB_ERR) return {};
    std::string name(static_cast<size_t>(SendMessageA(folders_, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    name.resize(static_cast<size_t>(SendMessageA(folders_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name.data()))));
    return name == ".." ? PathParent(current_) : Join(current_, name);
  }

  void Command(int id, int code) {
    if (id == kIdChooserFolders && code == LBN_SELCHANGE) {
      const std::string picked = Picked();
      if (!picked.empty()) SetWindowTextA(name_, picked.c_str());
    } else if (id == kIdChooserFolders && code == LBN_DBLCLK) {
      const std::string picked = Picked();
      if (!picked.empty() && IsFolder(picked)) Enter(picked);
    } else if (id == kIdChooserDrives && code == CBN_SELCHANGE) {
      const LRESULT i = SendMessageA(drives_, CB_GETCURSEL, 0, 0);
      char root[8] = {};
      if (i != CB_ERR && SendMessageA(drives_, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof root)) {
        SendMessageA(drives_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(root));
        if (IsFolder(root)) Enter(root);
        else Enter(current_);  // a drive with no medium: stay where we were
      }
    } else if (id == IDOK && code == BN_CLICKED) {
      Accept();
    } else if (id == IDCANCEL && code == BN_CLICKED) {
      EndDialog(dlg_, IDCANCEL);
    }
  }

  void Accept() {
    const std::string path = ResolveTypedFolder(current_, Text(name_));
    if (path.empty()) {
      MessageBeep(MB_ICONEXCLAMATION);
      FocusName();
      return;
    }
    if (!IsFolder(path)) {
      if (MessageBoxA(dlg_, kChooserAskCreate, "確認", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        FocusName();
        return;
      }
      if (!CreateFolderPath(path)) {
        // Report it and stay: a run into a folder that is not there would only log failures.
        MessageBoxA(dlg_, (path + " を作成できません").c_str(), "ｴﾗｰ", MB_OK | MB_ICONSTOP);
        FocusName();
        return;
      }
    }
    result = path;
    EndDialog(dlg_, IDOK);
  }

  HWND dlg_ = nullptr;
  HWND name_ = nullptr, place_ = nullptr, folders_ = nullptr, drives_ = nullptr;
  DpiScale scale_;
  ScopedGdi font_;
  std::string current_;
};

}  // namespace

std::string ResolveTypedFolder(const std::string& current, const std::string& typed) {
  std::string name = Trimmed(typed);
  if (name.empty()) return {};
  const bool drive = name.size() >= 2 && name[1] == ':' && !IsLeadByte(static_cast<unsigned char>(name[0]));
  std::string full;
  if (drive) {
    // "D:" and "D:sub" mean the root of D: and below it; the chooser keeps no folder per drive.
    full = name.size() == 2 || name[2] != '\\' ? name.substr(0, 2) + "\\" + name.substr(2) : name;
  } else if (name.size() >= 2 && name[0] == '\\' && name[1] == '\\') {
    full = name;
  } else if (name[0] == '\\') {
    full = (current.size() >= 2 && current[1] == ':' ? current.substr(0, 2) : std::string()) + name;
  } else {
    full = Join(current, name);
  }
  char normal[MAX_PATH] = {};
  const DWORD n = GetFullPathNameA(full.c_str(), MAX_PATH, normal, nullptr);
  if (n > 0 && n < MAX_PATH) full.assign(normal, n);
  while (EndsWithBackslash(full) && PathParent(full) != full) full.pop_back();
  return full;
}

std::optional<std::string> ChooseFolderDialog(HWND owner, const std::string& start) {
  // An empty template: the dialog manager gives the frame, keyboard and modal loop; the controls
  // are made in WM_INITDIALOG with the ANSI functions.
  struct alignas(4) Template {
    DLGTEMPLATE head;
    WORD menu, windowClass, title;
  } tmpl{};
  tmpl.head.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  tmpl.head.cdit = 0;
  tmpl.head.cx = 240;
  tmpl.head.cy = 200;
  Chooser chooser(start);
  const INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &tmpl.head, owner, Chooser::Proc,
                                            reinterpret_cast<LPARAM>(&chooser));
  if (r != IDOK) return std::nullopt;
  return chooser.result;
}

}  // namespace mv::win
