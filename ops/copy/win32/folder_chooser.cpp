#include "ops/copy/win32/folder_chooser.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "ops/copy/win32/copy_platform_win32.h"
#include "platform/fs.h"
#include "platform/win32/dpi.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"

namespace mv::win {

namespace {

constexpr int kClientWidth = 360;
constexpr int kClientHeight = 304;

// The chooser works on wide paths: a name typed or picked reaches the folder it names, never a
// best-fit twin (café read through the code page is "cafe", another folder). Only the answer is
// turned into the code page, by the directory search's own rule.
bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the last component begins; 0 without a separator.
size_t NameAt(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\:");
  return cut == std::wstring::npos ? 0 : cut + 1;
}

bool IsRoot(const std::wstring& path) {
  if (path.size() <= 3 && path.size() >= 2 && path[1] == L':') return true;  // "C:\\", "C:"
  if (path.rfind(L"\\\\", 0) == 0) {
    // "\\\\server\\share" and its backslash: the share is the top.
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return true;
    const size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos || share + 1 == path.size();
  }
  return path == L"\\";
}

std::wstring Parent(const std::wstring& path) {
  if (IsRoot(path)) return path;
  std::wstring parent = path.substr(0, NameAt(path));
  // "C:\\x" gives "C:\\"; "C:\\a\\b" gives "C:\\a".
  if (parent.size() > 3 && parent.back() == L'\\' && !IsRoot(parent)) parent.pop_back();
  return parent.empty() ? path : parent;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

std::wstring Trimmed(const std::wstring& text) {
  size_t begin = text.find_first_not_of(L" \t");
  if (begin == std::wstring::npos) return {};
  size_t end = text.find_last_not_of(L" \t");
  return text.substr(begin, end - begin + 1);
}

std::wstring TextW(HWND wnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The folders of a folder by their true names, sorted without regard to case.
std::vector<std::wstring> FoldersOf(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  ScopedFind find(FindFirstFileW(Join(folder, L"*").c_str(), &fd));
  if (!find) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!std::wcscmp(fd.cFileName, L".") || !std::wcscmp(fd.cFileName, L"..")) continue;
    names.emplace_back(fd.cFileName);
  } while (FindNextFileW(find.Get(), &fd));
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

class Chooser {
 public:
  Chooser(std::wstring start, FolderNamer namer)
      : current_(std::move(start)), namer_(std::move(namer)) {}

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
    return Fit(CreateWindowExA(
        0, cls, text, WS_CHILD | WS_VISIBLE | style, scale_(x), scale_(y), scale_(w), scale_(h),
        dlg_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr));
  }
  // The controls that hold names: wide, so a name the code page lacks is shown and read whole.
  HWND MakeW(const wchar_t* cls, DWORD style, int x, int y, int w, int h, int id) {
    return Fit(CreateWindowExW(
        WS_EX_CLIENTEDGE, cls, L"", WS_CHILD | WS_VISIBLE | style, scale_(x), scale_(y), scale_(w),
        scale_(h), dlg_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr));
  }
  HWND Fit(HWND wnd) {
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return wnd;
  }

  void Build() {
    scale_ = ScreenScale();
    font_.Reset(CreateFontA(-scale_(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
    SetWindowTextA(dlg_, kChooserCaption);
    RECT r{0, 0, scale_(kClientWidth), scale_(kClientHeight)};
    AdjustWindowRectEx(&r, GetWindowLongA(dlg_, GWL_STYLE), FALSE,
                       GetWindowLongA(dlg_, GWL_EXSTYLE));
    // Centred on the owner, or on the screen without one.
    RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (HWND owner = GetWindow(dlg_, GW_OWNER)) GetWindowRect(owner, &around);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left =
        std::max(0, static_cast<int>(around.left + (around.right - around.left - width) / 2));
    const int top =
        std::max(0, static_cast<int>(around.top + (around.bottom - around.top - height) / 2));
    SetWindowPos(dlg_, nullptr, left, top, width, height, SWP_NOZORDER);

    Make("STATIC", "フォルダー名:", SS_LEFT, 8, 8, 344, 16, -1);
    name_ = MakeW(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, 8, 26, 344, 22, kIdChooserName);
    SendMessageW(name_, EM_LIMITTEXT, MAX_PATH - 1, 0);
    place_ = Fit(CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS,
        scale_(8), scale_(56), scale_(344), scale_(16), dlg_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdChooserPlace)), nullptr, nullptr));
    folders_ = MakeW(L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 8, 76,
                     344, 160, kIdChooserFolders);
    Make("STATIC", "ドライブ:", SS_LEFT, 8, 247, 60, 16, -1);
    drives_ = Make("COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 72, 244, 120, 200,
                   kIdChooserDrives);
    Make("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 196, 274, 75, 24, IDOK);
    Make("BUTTON", "キャンセル", WS_TABSTOP | BS_PUSHBUTTON, 277, 274, 75, 24, IDCANCEL);

    // Drive roots are plain ASCII ("C:\\"): the code-page call names them exactly.
    char drives[512] = {};
    const DWORD n = GetLogicalDriveStringsA(sizeof drives - 1, drives);
    for (const char* d = drives; n && n < sizeof drives && *d; d += std::strlen(d) + 1)
      SendMessageA(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d));

    if (current_.empty() || !IsFolder(current_)) {
      wchar_t here[MAX_PATH] = {};
      const DWORD len = GetCurrentDirectoryW(MAX_PATH, here);
      current_ = len > 0 && len < MAX_PATH ? std::wstring(here, len) : L"C:\\";
    }
    Enter(current_);
    FocusName();
  }

  void Enter(const std::wstring& folder) {
    current_ = folder;
    SetWindowTextW(place_, current_.c_str());
    SetWindowTextW(name_, current_.c_str());
    SendMessageW(folders_, LB_RESETCONTENT, 0, 0);
    if (!IsRoot(current_)) SendMessageW(folders_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L".."));
    for (const std::wstring& name : FoldersOf(current_))
      SendMessageW(folders_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    // The drive box follows the folder's drive.
    const std::string root = current_.size() >= 2 && current_[1] == L':' && current_[0] < 0x80
                                 ? std::string{static_cast<char>(current_[0]), ':', '\\'}
                                 : "";
    const LRESULT at = root.empty()
                           ? CB_ERR
                           : SendMessageA(drives_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(root.c_str()));
    SendMessageA(drives_, CB_SETCURSEL,
                 at == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(at), 0);
  }

  // The name field takes the focus with its whole text selected, so typing replaces it.
  void FocusName() {
    SetFocus(name_);
    SendMessageA(name_, EM_SETSEL, 0, -1);
  }

  std::wstring Picked() {
    const LRESULT i = SendMessageW(folders_, LB_GETCURSEL, 0, 0);
    if (i == LB_ERR) return {};
    std::wstring name(static_cast<size_t>(SendMessageW(folders_, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    name.resize(static_cast<size_t>(
        SendMessageW(folders_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name.data()))));
    return name == L".." ? Parent(current_) : Join(current_, name);
  }

  void Command(int id, int code) {
    if (id == kIdChooserFolders && code == LBN_SELCHANGE) {
      const std::wstring picked = Picked();
      if (!picked.empty()) SetWindowTextW(name_, picked.c_str());
    } else if (id == kIdChooserFolders && code == LBN_DBLCLK) {
      const std::wstring picked = Picked();
      if (!picked.empty() && IsFolder(picked)) Enter(picked);
    } else if (id == kIdChooserDrives && code == CBN_SELCHANGE) {
      const LRESULT i = SendMessageA(drives_, CB_GETCURSEL, 0, 0);
      char root[8] = {};
      if (i != CB_ERR &&
          SendMessageA(drives_, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof root)) {
        SendMessageA(drives_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(root));
        const std::wstring wide(root, root + std::strlen(root));  // ASCII
        if (IsFolder(wide))
          Enter(wide);
        else
          Enter(current_);  // a drive with no medium: stay where we were
      }
    } else if (id == IDOK && code == BN_CLICKED) {
      Accept();
    } else if (id == IDCANCEL && code == BN_CLICKED) {
      EndDialog(dlg_, IDCANCEL);
    }
  }

  void Accept() {
    const std::wstring path = ResolveTypedFolder(current_, TextW(name_));
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
      if (!CreateFolderPathW(path)) {
        // Report it and stay: a run into a folder that is not there would only log failures.
        MessageBoxW(dlg_, (path + L" を作成できません").c_str(), L"ｴﾗｰ", MB_OK | MB_ICONSTOP);
        FocusName();
        return;
      }
    }
    // The run addresses the folder in the code page: by its names, or by the short name of one
    // the code page lacks. Where there is neither, it is refused here, not reached by another.
    std::string named = namer_(path);
    if (named.empty() || !NamesOneItem(named)) {
      MessageBoxW(dlg_, (path + kChooserCannotName).c_str(), L"ｴﾗｰ", MB_OK | MB_ICONSTOP);
      FocusName();
      return;
    }
    result = std::move(named);
    EndDialog(dlg_, IDOK);
  }

  HWND dlg_ = nullptr;
  HWND name_ = nullptr, place_ = nullptr, folders_ = nullptr, drives_ = nullptr;
  DpiScale scale_;
  ScopedGdi font_;
  std::wstring current_;
  FolderNamer namer_;
};

}  // namespace

std::wstring ResolveTypedFolder(const std::wstring& current, const std::wstring& typed) {
  std::wstring name = Trimmed(typed);
  if (name.empty()) return {};
  const bool drive = name.size() >= 2 && name[1] == L':';
  std::wstring full;
  if (drive) {
    // "D:" and "D:sub" mean the root of D: and below it; the chooser keeps no folder per drive.
    full = name.size() == 2 || name[2] != L'\\' ? name.substr(0, 2) + L"\\" + name.substr(2) : name;
  } else if (name.size() >= 2 && name[0] == L'\\' && name[1] == L'\\') {
    full = name;
  } else if (name[0] == L'\\') {
    full =
        (current.size() >= 2 && current[1] == L':' ? current.substr(0, 2) : std::wstring()) + name;
  } else {
    full = Join(current, name);
  }
  wchar_t normal[MAX_PATH] = {};
  const DWORD n = GetFullPathNameW(full.c_str(), MAX_PATH, normal, nullptr);
  if (n > 0 && n < MAX_PATH) full.assign(normal, n);
  while (full.size() > 1 && full.back() == L'\\' && !IsRoot(full)) full.pop_back();
  return full;
}

std::optional<std::string> ChooseFolderDialog(HWND owner, const std::string& start,
                                              FolderNamer namer) {
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
  Chooser chooser(WideOf(start), namer ? std::move(namer) : FolderNamer(&AnsiPathOf));
  const INT_PTR r = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &tmpl.head, owner,
                                            Chooser::Proc, reinterpret_cast<LPARAM>(&chooser));
  if (r != IDOK) return std::nullopt;
  return chooser.result;
}

}  // namespace mv::win
