#include "ops/attrib/win32/MaskEdit.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/handles.h"

namespace mv::win {
namespace {

// Posted to itself on focus loss, so the exit handler runs after the focus has moved.
constexpr UINT WM_MV_EXIT = WM_APP + 0x3E1;

// A full-width digit ０..９ from the input method, as a double-byte code.
bool FullWidthDigit(unsigned code, char& digit) {
  if (code < 0x824F || code > 0x8258) return false;
  digit = static_cast<char>('0' + (code - 0x824F));
  return true;
}

}  // namespace

MaskEdit::MaskEdit(LocaleDates locale, std::string_view maskText)
    : locale_(std::move(locale)), mask_(maskText) {}

MaskEdit::~MaskEdit() {
  if (!wnd_) return;
  if (owned_) DestroyWindow(wnd_);
  // A control of the caller's is let go by hook_.
}

bool MaskEdit::Create(HWND parent, int id, int x, int y, int width, int height) {
  if (wnd_) return false;
  const std::string shown = mask_.DisplayText(locale_);
  HWND wnd = CreateWindowExA(
      WS_EX_CLIENTEDGE, "EDIT", shown.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
      x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  if (!wnd || !Attach(wnd)) {
    if (wnd) DestroyWindow(wnd);
    return false;
  }
  owned_ = true;
  return true;
}

bool MaskEdit::Attach(HWND edit) {
  if (wnd_ || !hook_.Attach(edit, [this](UINT msg, WPARAM wp, LPARAM lp) {
        return HandleMessage(msg, wp, lp);
      }))
    return false;
  wnd_ = edit;
  CallOriginal(EM_LIMITTEXT, mask_.Size(), 0);
  Refresh();
  return true;
}

void MaskEdit::SetMask(std::string_view maskText) {
  mask_.SetMask(maskText);
  if (!wnd_) return;
  CallOriginal(EM_LIMITTEXT, mask_.Size(), 0);
  Refresh();
}

std::string MaskEdit::Text() const { return mask_.Text(locale_); }

std::string MaskEdit::ShownText() const {
  if (!wnd_) return {};
  char buf[256] = {};
  CallOriginal(WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

int MaskEdit::WholeTextWidth() const {
  if (!wnd_) return 0;
  ScopedWindowDC dc(wnd_, GetDC(wnd_));
  if (!dc.Get()) return 0;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(wnd_, WM_GETFONT, 0, 0));
  SelectGuard select(dc.Get(), font ? font : GetStockObject(SYSTEM_FONT));
  auto width = [&](const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), text.data(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  int widest = 0;
  for (const DateLayoutInfo& info : DateLayouts()) {
    const DateMask mask(info.mask);
    std::string text = mask.DisplayText(locale_);
    if (text.size() != mask.Size()) continue;  // one byte a position in every layout of the menu
    // Every digit position at its widest: the blank or the font's widest digit.
    char fill = '0';
    for (size_t i = 0; i < mask.Size(); ++i)
      if (mask.KindAt(i) == DateMask::Kind::Digit) {
        fill = text[i];
        break;
      }
    for (char d = '0'; d <= '9'; ++d)
      if (width(std::string(1, d)) > width(std::string(1, fill))) fill = d;
    for (size_t i = 0; i < mask.Size(); ++i)
      if (mask.KindAt(i) == DateMask::Kind::Digit) text[i] = fill;
    widest = std::max(widest, width(text));
  }
  // Around the text: the margins and the control's own insets, the caret, the border.
  RECT window{}, client{}, format{};
  GetWindowRect(wnd_, &window);
  GetClientRect(wnd_, &client);
  CallOriginal(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  const int insets = (client.right - client.left) - (format.right - format.left);
  const int border = (window.right - window.left) - (client.right - client.left);
  return widest + insets + GetSystemMetrics(SM_CXBORDER) + border;
}

void MaskEdit::SetContextMenu(HMENU menu, HWND commandTarget) {
  menu_ = menu;
  commandTarget_ = commandTarget;
}

LRESULT MaskEdit::CallOriginal(UINT msg, WPARAM wp, LPARAM lp) const {
  return hook_.CallNext(msg, wp, lp);
}

LRESULT MaskEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CHAR:
      Char(wp);
      return 0;
    case WM_IME_CHAR: {
      char digit;
      if (FullWidthDigit(static_cast<unsigned>(wp & 0xFFFF), digit))
        Char(static_cast<unsigned char>(digit));
      return 0;
    }
    case WM_KEYDOWN:
      KeyDown(wp, lp);
      return 0;
    case WM_GETTEXT: {
      if (wp == 0 || lp == 0) return 0;
      const std::string text = Text();
      const size_t n = std::min(text.size(), static_cast<size_t>(wp) - 1);
      std::memcpy(reinterpret_cast<char*>(lp), text.data(), n);
      reinterpret_cast<char*>(lp)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(Text().size());
    case WM_SETTEXT: {
      if (refreshing_) break;
      // Text from outside is taken as typed from the first position.
      mask_.ClearRange(0, mask_.Size());
      if (lp) mask_.TypeText(reinterpret_cast<const char*>(lp));
      mask_.SetCaret(0);
      Refresh();
      return TRUE;
    }
    case EM_REPLACESEL:
      SyncCaretFromControl();
      ClearSelection();
      if (lp) mask_.TypeText(reinterpret_cast<const char*>(lp));
      Refresh();
      return 0;
    case WM_PASTE:
      Paste();
      return 0;
    case WM_CUT:
      CopySelection();
      ClearSelection();
      Refresh();
      return 0;
    case WM_COPY:
      CopySelection();
      return 0;
    case WM_CLEAR:
      ClearSelection();
      Refresh();
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      return FALSE;  // nothing to undo: every edit is applied to the layout at once
    case WM_CONTEXTMENU:
      if (!menu_) break;
      ShowContextMenu(lp);
      return 0;
    case WM_KILLFOCUS: {
      LRESULT r = CallOriginal(msg, wp, lp);
      // Only a move to another control of the same window is leaving the field; another program,
      // a minimise or a message box taking the focus is not.
      HWND to = reinterpret_cast<HWND>(wp);
      HWND root = GetAncestor(wnd_, GA_ROOT);
      if (to && to != wnd_ && to != root && GetAncestor(to, GA_ROOT) == root)
        PostMessageA(wnd_, WM_MV_EXIT, 0, 0);
      return r;
    }
    case WM_MV_EXIT:
      if (onExit_) onExit_();
      return 0;
    case WM_NCDESTROY:
      wnd_ = nullptr;  // hook_ lets go once the control has seen this
      break;
    default:
      break;
  }
  return CallOriginal(msg, wp, lp);
}

void MaskEdit::SyncCaretFromControl() {
  DWORD from = 0, to = 0;
  CallOriginal(EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  mask_.SetCaret(from);
}

bool MaskEdit::ClearSelection() {
  DWORD from = 0, to = 0;
  CallOriginal(EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  if (from == to) return false;
  mask_.ClearRange(std::min(from, to), std::max(from, to));
  return true;
}

void MaskEdit::Char(WPARAM ch) {
  switch (ch) {
    case 0x03:  // Ctrl+C
      CopySelection();
      return;
    case 0x16:  // Ctrl+V
      Paste();
      return;
    case 0x18:  // Ctrl+X
      CopySelection();
      ClearSelection();
      Refresh();
      return;
    case '\b':
      SyncCaretFromControl();
      if (!ClearSelection()) mask_.Backspace();
      Refresh();
      return;
    default:
      break;
  }
  if (ch < '0' || ch > '9') {
    if (ch >= 0x20) MessageBeep(MB_OK);  // a character no position takes
    return;
  }
  SyncCaretFromControl();
  ClearSelection();
  if (!mask_.TypeChar(static_cast<char>(ch))) MessageBeep(MB_OK);
  Refresh();
}

void MaskEdit::KeyDown(WPARAM key, LPARAM lp) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  DWORD from = 0, to = 0;
  CallOriginal(EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  switch (key) {
    case VK_DELETE:
      if (shift) {
        CopySelection();
        ClearSelection();
      } else if (!ClearSelection()) {
        mask_.SetCaret(from);
        mask_.Delete();
      }
      Refresh();
      return;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
      if (shift || ctrl) break;  // selecting or word steps: the control's own handling
      // A selection collapses to the side the caret moves to, before the step.
      mask_.SetCaret(key == VK_RIGHT ? std::max(from, to) : std::min(from, to));
      if (from != to && (key == VK_LEFT || key == VK_RIGHT)) {
        Refresh();
        return;
      }
      if (key == VK_LEFT) mask_.Left();
      if (key == VK_RIGHT) mask_.Right();
      if (key == VK_HOME) mask_.Home();
      if (key == VK_END) mask_.End();
      Refresh();
      return;
    default:
      break;
  }
  CallOriginal(WM_KEYDOWN, key, lp);
}

void MaskEdit::Paste() {
  SyncCaretFromControl();
  std::string text;
  if (OpenClipboard(wnd_)) {
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
      if (const char* p = static_cast<const char*>(GlobalLock(data))) {
        text = p;
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
  }
  ClearSelection();
  mask_.TypeText(text);
  Refresh();
}

void MaskEdit::CopySelection() {
  DWORD from = 0, to = 0;
  CallOriginal(EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  if (from == to) return;
  // The read text, not the shown one: untyped positions go out as blanks.
  const std::string text = Text();
  const size_t a = std::min<size_t>(std::min(from, to), text.size());
  const size_t b = std::min<size_t>(std::max(from, to), text.size());
  const std::string part = text.substr(a, b - a);
  if (!OpenClipboard(wnd_)) return;
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, part.size() + 1);
  if (mem) {
    if (char* p = static_cast<char*>(GlobalLock(mem))) {
      std::memcpy(p, part.c_str(), part.size() + 1);
      GlobalUnlock(mem);
      if (!SetClipboardData(CF_TEXT, mem)) GlobalFree(mem);  // the clipboard owns it on success
    } else {
      GlobalFree(mem);
    }
  }
  CloseClipboard();
}

void MaskEdit::ShowContextMenu(LPARAM lp) {
  int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  if (x == -1 && y == -1) {  // the menu key: below the field
    RECT r;
    GetWindowRect(wnd_, &r);
    x = r.left;
    y = r.bottom;
  }
  HWND target = commandTarget_ ? commandTarget_ : GetParent(wnd_);
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, target, nullptr);
}

void MaskEdit::Refresh() {
  if (!wnd_) return;
  const std::string shown = mask_.DisplayText(locale_);
  refreshing_ = true;
  CallOriginal(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  refreshing_ = false;
  const size_t caret = mask_.Caret();
  CallOriginal(EM_SETSEL, caret, caret);
  CallOriginal(EM_SCROLLCARET, 0, 0);
}

}  // namespace mv::win
