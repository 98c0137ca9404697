#include "browse/win32/list_view.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "platform/text.h"
#include "platform/win32/dpi.h"
#include "platform/win32/fs_win32.h"

namespace mv::win {
namespace {

struct Column {
  const char* title;
  int width;
};
const Column kColumns[] = {{"FileName", 100}, {"Size", 80}, {"Date Time", 120}, {"R", 20},
                           {"A", 20},         {"S", 20},    {"H", 20}};

DWORD StyleBits(ViewStyle style) {
  switch (style) {
    case ViewStyle::Icon:
      return LVS_ICON;
    case ViewStyle::SmallIcon:
      return LVS_SMALLICON;
    case ViewStyle::List:
      return LVS_LIST;
    case ViewStyle::Report:
      break;
  }
  return LVS_REPORT;
}

bool DosToSystemTime(uint32_t dos, SYSTEMTIME& st) {
  const uint32_t date = dos >> 16, time = dos & 0xFFFF;
  st = SYSTEMTIME{};
  st.wYear = static_cast<WORD>(1980 + (date >> 9));
  st.wMonth = static_cast<WORD>((date >> 5) & 15);
  st.wDay = static_cast<WORD>(date & 31);
  st.wHour = static_cast<WORD>(time >> 11);
  st.wMinute = static_cast<WORD>((time >> 5) & 63);
  st.wSecond = static_cast<WORD>((time & 31) * 2);
  return st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1;
}

std::string DateText(const SYSTEMTIME& st) {
  char buf[128] = {};
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf))
    return {};
  return buf;
}

std::string TimeText(const SYSTEMTIME& st) {
  char buf[128] = {};
  if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf)) return {};
  return buf;
}

// The sides of the two image lists' images: the system's icons, which grow with the display's
// density, go in without being redrawn.
int SmallIconSide() { return GetSystemMetrics(SM_CXSMICON); }
int LargeIconSide() { return GetSystemMetrics(SM_CXICON); }

// The icon's bitmaps go in as they are when they fit (a copy, no drawing); the icon otherwise.
int AddIcon(HIMAGELIST list, const Win32ShellIcon& icon, int side) {
  if (const SharedIcon* shared = icon.Shared();
      shared && shared->color && shared->width == side && shared->height == side) {
    const int i = ImageList_Add(list, static_cast<HBITMAP>(shared->color.Get()),
                                static_cast<HBITMAP>(shared->mask.Get()));
    if (i >= 0) return i;
  }
  return ImageList_AddIcon(list, icon.Get());
}

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.pop_back();  // the terminator MultiByteToWideChar counted
  return wide;
}

// The shell folder of a file-system folder; null when the shell cannot bind it.
IShellFolder* BindFolder(const std::string& folder) {
  ScopedShellFolder desktop;
  {
    IShellFolder* d = nullptr;
    if (FAILED(SHGetDesktopFolder(&d))) return nullptr;
    desktop.Reset(d);
  }
  std::wstring wide = Wide(folder);
  if (wide.empty()) return nullptr;
  LPITEMIDLIST raw = nullptr;
  if (FAILED(
          desktop.Get()->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &raw, nullptr)))
    return nullptr;
  ScopedPidl pidl(raw);
  IShellFolder* bound = nullptr;
  if (FAILED(desktop.Get()->BindToObject(pidl.Get(), nullptr, IID_IShellFolder,
                                         reinterpret_cast<void**>(&bound))))
    return nullptr;
  return bound;
}

}  // namespace

ListView1::~ListView1() { Detach(); }

bool ListView1::Create(HWND parent, int id) {
  HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                                  LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                              0, 0, 100, 100, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
  if (!list) return false;
  Attach(list);
  return true;
}

void ListView1::Attach(HWND list) {
  Detach();
  list_ = list;
  LONG_PTR style = GetWindowLongPtrA(list_, GWL_STYLE);
  style &= ~static_cast<LONG_PTR>(LVS_TYPEMASK | LVS_SINGLESEL | LVS_EDITLABELS |
                                  LVS_SORTASCENDING | LVS_SORTDESCENDING);
  // The image lists are ours (freed by our destructor), so the control must not destroy them.
  // LVS_OWNERDATA stays as the list was made: the control takes it only at creation.
  style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
  SetWindowLongPtrA(list_, GWL_STYLE, style);

  const DpiScale scale = ScreenScale();
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    col.fmt = LVCFMT_LEFT;
    col.cx = scale(kColumns[i].width);
    col.pszText = const_cast<char*>(kColumns[i].title);
    col.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
  }
  MakeImageLists(0, 16);

  hook_.Attach(list_,
               [this](UINT msg, WPARAM wp, LPARAM lp) { return HandleMessage(msg, wp, lp); });
  // The control asked its parent at creation, before the parent knew it: ask again.
  SendMessageA(list_, WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(GetParent(list_)), NF_REQUERY);
}

// New, empty image lists with room for capacity images that grow by grow at a time, handed to
// the control before the old ones go.
void ListView1::MakeImageLists(int capacity, int grow) {
  const UINT flags = ILC_COLOR32 | ILC_MASK;
  ScopedImageList small(ImageList_Create(SmallIconSide(), SmallIconSide(), flags, capacity, grow));
  ScopedImageList large(ImageList_Create(LargeIconSide(), LargeIconSide(), flags, capacity, grow));
  sharedImages_.clear();
  SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large.Get()));
  small_ = std::move(small);
  large_ = std::move(large);
}

void ListView1::Detach() {
  if (hook_.Handle()) {
    // The image lists are ours: the control lets go of them first.
    hook_.CallNext(LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    hook_.CallNext(LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
    hook_.Detach();
  }
  list_ = nullptr;
}

LRESULT ListView1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // Whatever one message makes the control change (a click over a range, Shift+End, a select
  // all from outside) reaches the status bar once, when the control has handled the message.
  struct Changes {
    Browser* b;
    explicit Changes(Browser* b) : b(b) {
      if (b) b->BeginChanges();
    }
    ~Changes() {
      if (b) b->EndChanges();
    }
    Changes(const Changes&) = delete;
    Changes& operator=(const Changes&) = delete;
  } changes(msg == WM_NCDESTROY || msg == WM_DESTROY ? nullptr : browser_);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      if (browser_ && browser_->ListView1MouseDown()) SetCapture(list_);
      LRESULT r = hook_.CallNext(msg, wp, lp);
      AfterInput((wp & MK_SHIFT) != 0);
      return r;
    }
    case WM_KEYDOWN:
    case WM_CHAR: {
      const bool shift = GetKeyState(VK_SHIFT) < 0;  // as the control reads it
      LRESULT r = hook_.CallNext(msg, wp, lp);
      AfterInput(shift);
      return r;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const bool held = GetCapture() == list_;
      LRESULT r = hook_.CallNext(msg, wp, lp);
      AfterInput(false);
      if (browser_ && browser_->ListView1MouseUp(held)) ReleaseCapture();
      return r;
    }
    case WM_KEYUP: {
      LRESULT r = hook_.CallNext(msg, wp, lp);
      if (browser_) browser_->ListView1KeyUp();
      return r;
    }
    case WM_NCDESTROY:
      hook_.CallNext(LVM_SETIMAGELIST, LVSIL_SMALL, 0);
      hook_.CallNext(LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
      list_ = nullptr;
      break;  // hook_ lets go once the control has seen this
  }
  return hook_.CallNext(msg, wp, lp);
}

// A list of owner data keeps the selection itself and tells of a Shift range (click or key) in
// pieces whose order is its own: under Wine every row unnamed, then the range, and a row that
// stays selected across them only as gaining the focus. After such input, or whenever the
// control's count of selected rows is not the browser's, the browser reads the selection again
// (one pass over the selected rows).
void ListView1::AfterInput(bool range) {
  if (!browser_) return;
  if (range || SelectedCount() != browser_->SelectedRowCount()) browser_->ListView1ChangeAll();
}

void ListView1::SetViewStyle(ViewStyle style) {
  LONG_PTR bits = GetWindowLongPtrA(list_, GWL_STYLE);
  bits = (bits & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | StyleBits(style);
  SetWindowLongPtrA(list_, GWL_STYLE, bits);
  InvalidateRect(list_, nullptr, TRUE);
}

ViewStyle ListView1::GetViewStyle() const {
  switch (GetWindowLongPtrA(list_, GWL_STYLE) & LVS_TYPEMASK) {
    case LVS_ICON:
      return ViewStyle::Icon;
    case LVS_SMALLICON:
      return ViewStyle::SmallIcon;
    case LVS_LIST:
      return ViewStyle::List;
  }
  return ViewStyle::Report;
}

size_t ListView1::RowCount() const {
  LRESULT n = SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

void ListView1::DeleteAll() { SendMessageA(list_, LVM_DELETEALLITEMS, 0, 0); }

void ListView1::ClearImages() {
  ImageList_RemoveAll(small_.Get());
  ImageList_RemoveAll(large_.Get());
  sharedImages_.clear();
}

void ListView1::ReserveRows(size_t rows) {
  // Rows mostly share a few icons, but a folder of programs may bring one each: lists that grew
  // 16 images at a time would copy both bitmaps over on every step, which makes such a fill
  // quadratic. Empty lists are made anew, small, growing in steps of a sixteenth of the folder.
  if (ImageList_GetImageCount(small_.Get()) == 0 && ImageList_GetImageCount(large_.Get()) == 0)
    MakeImageLists(static_cast<int>(std::min<size_t>(rows, 16)),
                   static_cast<int>(std::clamp<size_t>(rows / 16, 16, 4096)));
}

int ListView1::AddImages(const ShellIcon* small, const ShellIcon* large) {
  auto* s = dynamic_cast<const Win32ShellIcon*>(small);
  auto* l = dynamic_cast<const Win32ShellIcon*>(large);
  if (!s || !l || !s->Get() || !l->Get()) return -1;
  const bool shared = s->Shared() && l->Shared();
  const std::pair key{s->Shared(), l->Shared()};
  if (shared) {
    if (auto it = sharedImages_.find(key); it != sharedImages_.end()) return it->second;
  }
  int si = AddIcon(small_.Get(), *s, SmallIconSide());
  if (si < 0) return -1;
  int li = AddIcon(large_.Get(), *l, LargeIconSide());
  if (li < 0) {
    ImageList_Remove(small_.Get(), si);  // keep both lists the same length
    return -1;
  }
  if (shared) sharedImages_.emplace(key, li);
  return li;
}

void ListView1::AppendRows(size_t count) {
  // The control holds no rows, only their number.
  const size_t rows = std::min<size_t>(RowCount() + count, INT_MAX);
  SendMessageA(list_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
}

std::string ListView1::Cell(size_t row, int column) const {
  if (browser_) return browser_->RowText(row, column);
  char buf[1024] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return buf;
}

bool ListView1::IsSelected(size_t row) const {
  return (SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void ListView1::SetSelected(size_t row, bool selected) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void ListView1::SelectAll() {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

size_t ListView1::SelectedCount() const {
  const LRESULT n = SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

std::vector<size_t> ListView1::SelectedRows() const {
  std::vector<size_t> rows;
  rows.reserve(SelectedCount());
  LRESULT i = -1;
  while ((i = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED)) >= 0)
    rows.push_back(static_cast<size_t>(i));
  return rows;
}

void ListView1::DeleteRow(size_t row) { SendMessageA(list_, LVM_DELETEITEM, row, 0); }

std::optional<size_t> ListView1::FirstSelected() const {
  LRESULT i = SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  if (i < 0) return std::nullopt;
  return static_cast<size_t>(i);
}

void ListView1::SuspendRedraw() {
  if (redrawDepth_++ == 0) SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

void ListView1::ResumeRedraw() {
  if (redrawDepth_ > 0 && --redrawDepth_ == 0) {
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
  }
}

ShellWin32::Known ShellWin32::LookUp(const std::string& path) {
  Known known;
  known.path = path;
  if (!NamesOneItem(path)) return known;
  const std::string name = PathName(path), folder = PathParent(path);
  if (name.empty() || folder.empty() || folder == path) return known;  // a root: asked whole
  if (folder != folderPath_) {
    folder_.Reset(BindFolder(folder));
    folderPath_ = folder;
    parsed_ = 0;
    listed_.clear();
  }
  if (!folder_) return known;
  std::wstring wide = Wide(name);
  if (wide.empty()) return known;
  ScopedPidl child(ChildOf(wide));
  if (!child) return known;  // vanished, or a name the folder does not take: asked whole
  STRRET text{};
  wchar_t display[MAX_PATH] = {};  // the size SHFILEINFO gives the name
  if (FAILED(folder_.Get()->GetDisplayNameOf(child.Get(), SHGDN_NORMAL, &text)) ||
      FAILED(StrRetToBufW(&text, child.Get(), display, MAX_PATH)))
    return known;
  const int image = SHMapPIDLToSystemImageListIndex(folder_.Get(), child.Get(), nullptr);
  if (image < 0) return known;
  Name(known, path, display);
  known.image = image;
  return known;
}

void ShellWin32::Name(Known& known, const std::string& path, const std::wstring& display) {
  if (std::optional<std::string> exact = ExactAnsi(display)) {
    known.displayName = std::move(*exact);
    known.wideName.clear();
  } else {
    // Never a best-fit spelling: the row keeps the name the tree has for it.
    known.displayName = PathName(path);
    known.wideName = display;
  }
}

LPITEMIDLIST ShellWin32::ChildOf(const std::wstring& name) {
  // Rows are asked for as they are drawn: a screenful is parsed name by name, and only a reader
  // going through many more rows (a program reading the list, a scroll through it) has the
  // whole folder listed, which for a big folder costs time and memory for every item in it.
  constexpr int kParsedBeforeListing = 128;
  if (parsed_ == kParsedBeforeListing) {
    ++parsed_;
    IEnumIDList* raw = nullptr;
    if (folder_.Get()->EnumObjects(
            nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &raw) == S_OK &&
        raw) {
      ScopedShellEnum items(raw);
      LPITEMIDLIST item = nullptr;
      ULONG got = 0;
      while (items.Get()->Next(1, &item, &got) == S_OK && got == 1) {
        ScopedPidl owned(item);
        WIN32_FIND_DATAW data{};
        if (SUCCEEDED(SHGetDataFromIDListW(folder_.Get(), owned.Get(), SHGDFIL_FINDDATA, &data,
                                           sizeof data)))
          listed_.try_emplace(data.cFileName, std::move(owned));
      }
    }
  }
  if (auto it = listed_.find(name); it != listed_.end()) {
    // Handed over and forgotten: a row asks once (its two sizes share the answer), the rows'
    // own data can take the room, and a name asked for again is parsed.
    LPITEMIDLIST item = it->second.Release();
    listed_.erase(it);
    return item;
  }
  if (parsed_ < kParsedBeforeListing) ++parsed_;
  std::wstring text = name;
  LPITEMIDLIST raw = nullptr;
  if (FAILED(
          folder_.Get()->ParseDisplayName(nullptr, nullptr, text.data(), nullptr, &raw, nullptr)))
    return nullptr;
  return raw;
}

namespace {
bool HasFace(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return false;
  ScopedGdi color(info.hbmColor), mask(info.hbmMask);
  return color || mask;
}
}  // namespace

const SharedIcon* ShellWin32::SystemIcon(int image, bool smallIcon) {
  auto& cache = smallIcon ? smallIcons_ : largeIcons_;
  if (auto it = cache.find(image); it != cache.end()) return &it->second;
  if (!systemLarge_ && !Shell_GetImageLists(&systemLarge_, &systemSmall_)) return nullptr;
  HIMAGELIST list = smallIcon ? systemSmall_ : systemLarge_;
  SharedIcon shared;
  shared.icon.Reset(list ? ImageList_GetIcon(list, image, ILD_NORMAL) : nullptr);
  if (!shared.icon) return nullptr;
  ICONINFO info{};
  if (GetIconInfo(shared.icon.Get(), &info)) {
    shared.color.Reset(info.hbmColor);
    shared.mask.Reset(info.hbmMask);
    BITMAP bm{};
    if (shared.color && GetObjectA(shared.color.Get(), sizeof bm, &bm)) {
      shared.width = bm.bmWidth;
      shared.height = bm.bmHeight;
    }
  }
  return &cache.emplace(image, std::move(shared)).first->second;
}

void ShellWin32::EndBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return;
  folder_.Reset();
  folderPath_.clear();
  parsed_ = 0;
  listed_.clear();
  last_.reset();
  largeIcons_.clear();
  smallIcons_.clear();
}

ShellInfo ShellWin32::Describe(const std::string& path, bool smallIcon) {
  if (batchDepth_ > 0) {
    if (!last_ || last_->path != path) last_ = LookUp(path);
    if (last_->image >= 0) {
      // An icon of the system's list that has no face now (seen under Wine shortly after a
      // prefix is made) is not handed out: the shell is asked for the file's own below.
      if (const SharedIcon* icon = SystemIcon(last_->image, smallIcon);
          icon && HasFace(icon->icon.Get())) {
        ShellInfo result;
        result.found = true;
        result.displayName = last_->displayName;
        result.wideName = last_->wideName;
        result.icon = std::make_unique<Win32ShellIcon>(*icon);
        return result;
      }
    }
  }
  ShellInfo result;
  if (!NamesOneItem(path)) return result;  // a marked name would be taken for a pattern
  SHFILEINFOW info{};
  const UINT flags = SHGFI_ICON | SHGFI_DISPLAYNAME | (smallIcon ? SHGFI_SMALLICON : 0);
  const DWORD_PTR ok = SHGetFileInfoW(WideOf(path).c_str(), 0, &info, sizeof info, flags);
  Win32ShellIcon icon(info.hIcon);  // owned at once, whatever the outcome
  if (!ok) return result;
  result.found = true;
  Known known;
  Name(known, path, info.szDisplayName);
  result.displayName = std::move(known.displayName);
  result.wideName = std::move(known.wideName);
  result.icon = std::make_unique<Win32ShellIcon>(std::move(icon));
  return result;
}

void ShellWin32::Open(const std::string& path) {
  ShellExecuteA(owner_, "OPEN", path.c_str(), "", "", SW_SHOW);
}

std::string DateFormatWin32::ShortDate(uint32_t dos) {
  SYSTEMTIME st;
  return DosToSystemTime(dos, st) ? DateText(st) : std::string();
}

std::string DateFormatWin32::LongTime(uint32_t dos) {
  SYSTEMTIME st;
  return DosToSystemTime(dos, st) ? TimeText(st) : std::string();
}

std::string DateFormatWin32::FileTimeText(uint64_t fileTime) {
  FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}, local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  std::string date = DateText(st), time = TimeText(st);
  return time.empty() ? date : date + " " + time;
}

bool AnswerNotifyFormat(const ListView1& list, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_NOTIFYFORMAT || lp != NF_QUERY || !list.Handle() ||
      reinterpret_cast<HWND>(wp) != list.Handle())
    return false;
  result = NFR_UNICODE;
  return true;
}

namespace {
// Typing in the list: the row whose caption begins with the letters typed, from the row the
// control names on. Rows not yet shown are matched by their own names, not asked of the shell.
LRESULT FindItem(const Browser& browser, NMHDR& header) {
  std::string prefix;
  int start = 0;
  UINT flags = 0;
  if (header.code == LVN_ODFINDITEMW) {
    const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
    flags = find.lvfi.flags;
    start = find.iStart;
    if (find.lvfi.psz) {
      // Letters the code page cannot hold begin no caption the browser has.
      std::optional<std::string> text = ExactAnsi(find.lvfi.psz);
      if (!text) return -1;
      prefix = std::move(*text);
    }
  } else {
    const auto& find = reinterpret_cast<const NMLVFINDITEMA&>(header);
    flags = find.lvfi.flags;
    start = find.iStart;
    if (find.lvfi.psz) prefix = find.lvfi.psz;
  }
  if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || prefix.empty()) return -1;
  const std::optional<size_t> row =
      browser.FindRow(prefix, static_cast<size_t>(std::max(start, 0)), (flags & LVFI_WRAP) != 0,
                      (flags & LVFI_PARTIAL) != 0);
  return row ? static_cast<LRESULT>(*row) : -1;
}

bool AnswerDisplayInfo(Browser& browser, const ListView1& list, NMHDR& header) {
  if (!list.Handle() || header.hwndFrom != list.Handle()) return false;
  if (header.code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
    const size_t row = static_cast<size_t>(item.iItem);
    if (item.mask & LVIF_IMAGE) {
      const int image = browser.RowImage(row);
      item.iImage = image >= 0 ? image : I_IMAGENONE;
    }
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      std::wstring text = item.iSubItem == 0 ? browser.RowShown(row) : std::wstring();
      if (text.empty()) text = Wide(browser.RowText(row, item.iSubItem));
      const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
      std::copy_n(text.data(), n, item.pszText);
      item.pszText[n] = L'\0';
    }
    return true;
  }
  if (header.code == LVN_GETDISPINFOA) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(header).item;
    const size_t row = static_cast<size_t>(item.iItem);
    if (item.mask & LVIF_IMAGE) {
      const int image = browser.RowImage(row);
      item.iImage = image >= 0 ? image : I_IMAGENONE;
    }
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      const std::string text = browser.RowText(row, item.iSubItem);
      const size_t n = WholeCharsWithin(text, static_cast<size_t>(item.cchTextMax - 1));
      std::copy_n(text.data(), n, item.pszText);
      item.pszText[n] = '\0';
    }
    return true;
  }
  return false;
}
}  // namespace

bool RouteBrowseNotify(Browser& browser, const ListView1& list, const TreeViewMirror& mirror,
                       NMHDR& header, LRESULT& result) {
  result = 0;
  if (AnswerDisplayInfo(browser, list, header)) return true;
  if (list.Handle() && header.hwndFrom == list.Handle()) {
    switch (header.code) {
      case LVN_ODSTATECHANGED: {
        const auto& range = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        if (((range.uOldState ^ range.uNewState) & LVIS_SELECTED) && range.iFrom >= 0 &&
            range.iTo >= range.iFrom)
          browser.ListView1ChangeRange(static_cast<size_t>(range.iFrom),
                                       static_cast<size_t>(range.iTo),
                                       (range.uNewState & LVIS_SELECTED) != 0);
        return true;
      }
      case LVN_ODFINDITEMW:
      case LVN_ODFINDITEMA:
        result = FindItem(browser, header);
        return true;
      case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!(change.uChanged & LVIF_STATE)) return true;
        if (change.iItem < 0)
          browser.ListView1ChangeAll();  // every row at once, unnamed
        else if (((change.uOldState ^ change.uNewState) | change.uNewState) & LVIS_SELECTED)
          // A row said to be selected is taken as that whatever its old state is said to be:
          // the control may have selected it silently in between.
          browser.ListView1Change(static_cast<size_t>(change.iItem),
                                  (change.uNewState & LVIS_SELECTED) != 0);
        return true;
      }
      case NM_CLICK:
        browser.ListView1Click();
        return true;
      case NM_DBLCLK:
        browser.ListView1DblClick();
        return true;
      case LVN_KEYDOWN:
        browser.ListView1KeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
        return true;
    }
    return false;
  }
  if (mirror.Handle() && header.hwndFrom == mirror.Handle() &&
      (header.code == TVN_SELCHANGEDA || header.code == TVN_SELCHANGEDW)) {
    browser.DirTreeViewChange(
        mirror.NodeOf(reinterpret_cast<const NMTREEVIEWA&>(header).itemNew.hItem));
    return true;
  }
  return false;
}

}  // namespace mv::win
