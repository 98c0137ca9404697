#include "app/Unit1.h"

#include "targets/entry.h"
#include "targets/paths.h"

namespace mv {
namespace {

const char kClassName[] = "TForm1";
const char kTitle[] = "Morvane";

// Status bar panels: right edges of the seven fixed-width panels (60, 60, 100, 75, 60, 100, 50).
const int kPanelRight[7] = {60, 120, 220, 295, 355, 455, 505};

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

HCURSOR g_busyCursor = nullptr;
void BusyCursor(bool on) { SetCursor(on ? g_busyCursor : LoadCursorA(nullptr, IDC_ARROW)); }

std::vector<std::string> ReadDrop(HDROP drop) {
  std::vector<std::string> paths;
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Ask for the length first: a dropped path is read whole, whatever its length.
    UINT len = DragQueryFileA(drop, i, nullptr, 0);
    std::string path(len + 1, '\0');
    UINT got = DragQueryFileA(drop, i, path.data(), len + 1);
    path.resize(got);
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace

bool RegisterMorvaneClasses(HINSTANCE instance) {
  static bool done = false;
  if (done) return true;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                           ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  g_busyCursor = LoadCursorA(nullptr, IDC_WAIT);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &TForm1::WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kClassName;
  done = RegisterClassExA(&wc) != 0;
  return done;
}

TForm1::TForm1(std::vector<std::string> args) : args_(std::move(args)) {
  tree_.SetObserver(&mirror_);
  builder_ = std::make_unique<TreeBuilder>(fs_, tree_, BuildHooks{&PumpMessages, &BusyCursor});
}

TForm1::~TForm1() {
  tree_.SetObserver(nullptr);
  if (wnd_) DestroyWindow(wnd_);
}

bool TForm1::Create(HINSTANCE instance) {
  if (!RegisterMorvaneClasses(instance)) return false;
  wnd_ = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                         CW_USEDEFAULT, 578, 435, nullptr, nullptr, instance, this);
  return wnd_ != nullptr;
}

LRESULT CALLBACK TForm1::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TForm1* self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->wnd_ = wnd;
    SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcA(wnd, msg, wp, lp);
  LRESULT r = self->HandleMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
    self->wnd_ = nullptr;
  }
  return r;
}

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_SHOWWINDOW:
      if (wp && !shown_) {
        shown_ = true;
        PostMessageA(wnd_, WM_MV_FIRSTSHOW, 0, 0);
      }
      break;
    case WM_MV_FIRSTSHOW:
      FormShow();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdButton1) {
        PostMessageA(wnd_, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_DESTROY:
      tree_.Clear();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd_, msg, wp, lp);
}

void TForm1::FormCreate() {
  font_.Reset(CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
  HINSTANCE inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(wnd_, GWLP_HINSTANCE));
  auto child = [&](const char* cls, const char* text, DWORD style, int id, DWORD ex = 0) {
    HWND h = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, wnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return h;
  };
  treeView_ = child(WC_TREEVIEWA, "", WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                    kIdTree, WS_EX_CLIENTEDGE);
  TreeView_SetIndent(treeView_, 19);
  listView_ = child(WC_LISTVIEWA, "", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, kIdList, WS_EX_CLIENTEDGE);
  statusBar_ = child(STATUSCLASSNAMEA, "", 0, kIdStatus);
  SendMessageA(statusBar_, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(kPanelRight));
  SendMessageA(statusBar_, SB_SETTEXTA, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>("ファイル数"));
  SendMessageA(statusBar_, SB_SETTEXTA, 3 | SBT_NOBORDERS, reinterpret_cast<LPARAM>("選択ファイル"));
  SendMessageA(statusBar_, SB_SETTEXTA, 6 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(""));
  child("BUTTON", "コピー", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kIdBitBtn1);
  child("BUTTON", "ＬＨＡ", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kIdBitBtn3);
  child("BUTTON", "変  更", WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kIdBitBtn2);
  child("BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, kIdButton1);

  DragAcceptFiles(wnd_, TRUE);
  tree_.TotalCount = 0;
  tree_.TotalSize = 0;

  SHFILEINFOA info{};
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
  closedFolderIcon_ = info.iIcon;
  SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
  openFolderIcon_ = info.iIcon;
  mirror_.Attach(treeView_);
  mirror_.SetFolderIcons(closedFolderIcon_, openFolderIcon_, small);
  Layout();
}

void TForm1::Layout() {
  RECT rc;
  GetClientRect(wnd_, &rc);
  const int w = rc.right, h = rc.bottom;
  const int statusH = 21, bottomH = 112, treeW = 169, splitW = 4;
  MoveWindow(statusBar_, 0, h - statusH, w, statusH, TRUE);
  const int upperH = std::max(0, h - statusH - bottomH);
  MoveWindow(treeView_, 0, 0, treeW, upperH, TRUE);
  MoveWindow(listView_, treeW + splitW, 0, std::max(0, w - treeW - splitW), upperH, TRUE);
  // The operation controls sit in a 560 x 108 area aligned to the bottom panel's right edge.
  const int innerX = w - 560, innerY = upperH + (bottomH - 108);
  MoveWindow(Control(kIdBitBtn1), innerX + 392, innerY + 48, 75, 25, TRUE);
  MoveWindow(Control(kIdButton1), innerX + 480, innerY + 8, 75, 25, TRUE);
  MoveWindow(Control(kIdBitBtn3), innerX + 480, innerY + 48, 75, 25, TRUE);
  MoveWindow(Control(kIdBitBtn2), innerX + 480, innerY + 80, 75, 25, TRUE);
}

void TForm1::SetPanelText(int panel, const std::string& text, bool right) {
  std::string t = right ? "\t\t" + text : text;
  SendMessageA(statusBar_, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(t.c_str()));
}

void TForm1::ShowTotals() {
  SetPanelText(1, FormatTotal(tree_.TotalCount) + "個", true);
  SetPanelText(2, FormatTotal(tree_.TotalSize) + "ﾊﾞｲﾄ", true);
}

void TForm1::EnableOperations(bool enable) {
  for (int id : {kIdBitBtn1, kIdBitBtn2, kIdBitBtn3}) EnableWindow(Control(id), enable);
}

void TForm1::FormShow() { BuildFromCommandLine(); }

void TForm1::BuildFromCommandLine() {
  if (!args_.empty()) {
    building_ = true;
    BusyCursor(true);
    EnableOperations(true);
    mirror_.BeginUpdate();
    builder_->Build(args_, true);
    mirror_.EndUpdate();
    building_ = false;
    ShowTotals();
  }
  SelectFirstNode();
  RunPendingDrop();
}

void TForm1::SelectFirstNode() {
  mirror_.ExpandAll(true);
  mirror_.Select(tree_.FirstNode());
  SetFocus(treeView_);
}

void TForm1::ApplyDrop(const std::vector<std::string>& paths) {
  building_ = true;
  BusyCursor(true);
  tree_.TotalCount = 0;
  tree_.TotalSize = 0;
  EnableOperations(true);
  SetForegroundWindow(wnd_);
  mirror_.BeginUpdate();
  builder_->Build(paths, false);
  mirror_.EndUpdate();
  building_ = false;
  SelectFirstNode();
  ShowTotals();
}

void TForm1::RunPendingDrop() {
  // A drop that arrived while a build pumped messages is applied after it, never under it.
  while (!pendingDrop_.empty() && !building_) {
    std::vector<std::string> paths = std::move(pendingDrop_);
    pendingDrop_.clear();
    ApplyDrop(paths);
  }
}

bool TForm1::DropFiles(const MSG& msg) {
  if (msg.message != WM_DROPFILES) return false;
  HDROP drop = reinterpret_cast<HDROP>(msg.wParam);
  std::vector<std::string> paths = ReadDrop(drop);
  DragFinish(drop);
  if (paths.empty()) return true;
  pendingDrop_ = std::move(paths);
  RunPendingDrop();
  return true;
}

int RunMessageLoop(TForm1& form) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (form.DropFiles(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace mv
