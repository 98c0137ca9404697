#include "app/Unit1.h"

#include <cstring>
#include <optional>

#include "app/settings/profile_win32.h"
#include "platform/win32/dpi.h"
#include "platform/win32/fs_win32.h"
#include "targets/entry.h"
#include "targets/paths.h"

namespace mv {
namespace {

const char kClassName[] = "TForm1";
const char kTitle[] = "Morvane";

// Status bar panels: right edges of the seven fixed-width panels (60, 60, 100, 75, 60, 100, 50).
const int kPanelRight[7] = {60, 120, 220, 295, 355, 455, 505};

// Processes pending messages as the main loop does, the application's drop hook first.
void PumpMessages(TForm1& form) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (form.PreTranslate(msg)) continue;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The control of a main window that last took the focus, kept as a property of that window so
// the focus can go back there when the window is active again (after a message box, another
// program, a minimise).
const char kFocusProp[] = "MvLastFocus";

LRESULT CALLBACK FocusHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_SETFOCUS) {
    HWND to = reinterpret_cast<HWND>(wp);
    HWND root = to ? GetAncestor(to, GA_ROOT) : nullptr;
    char cls[16] = {};
    if (root && root != to && GetClassNameA(root, cls, sizeof cls) && lstrcmpA(cls, kClassName) == 0)
      SetPropA(root, kFocusProp, to);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

void InstallFocusHook() {
  static thread_local win::ScopedHook focus;
  if (!focus) focus.Reset(SetWindowsHookExA(WH_CBT, &FocusHook, nullptr, GetCurrentThreadId()));
}

HCURSOR g_busyCursor = nullptr;
void BusyCursor(bool on) { SetCursor(on ? g_busyCursor : LoadCursorA(nullptr, IDC_ARROW)); }

std::vector<std::string> ReadDrop(HDROP drop) {
  std::vector<std::string> paths;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    // Ask for the length first: a dropped path is read whole, whatever its length. Read wide,
    // so a name the code page cannot hold arrives by its short name, not a best-fit spelling.
    UINT len = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(len + 1, L'\0');
    UINT got = DragQueryFileW(drop, i, path.data(), len + 1);
    path.resize(got);
    paths.push_back(win::AnsiPathOf(path));
  }
  return paths;
}

}  // namespace

std::vector<std::string> ArgumentPaths(const wchar_t* commandLine) {
  std::vector<std::string> args;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine, &argc);
  if (!argv) return args;
  for (int i = 1; i < argc; ++i) {
    // Relative paths are made absolute so every target has a real base folder.
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(argv[i], MAX_PATH, full, nullptr);
    args.push_back(win::AnsiPathOf(n > 0 && n < MAX_PATH ? std::wstring(full, n) : std::wstring(argv[i])));
  }
  LocalFree(argv);
  return args;
}

bool RegisterMorvaneClasses(HINSTANCE instance) {
  static bool done = false;
  if (done) return true;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                           ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  g_busyCursor = LoadCursorA(nullptr, IDC_WAIT);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &win::Window::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kClassName;
  done = RegisterClassExA(&wc) != 0;
  return done;
}

TForm1::TForm1(std::vector<std::string> args, std::string settingsPath, const lha::win::ArchiverLibrary* archiver)
    : args_(std::move(args)),
      settingsPath_(settingsPath.empty() ? win::SettingsFilePath() : std::move(settingsPath)),
      archiver_(archiver) {
  if (!archiver_) {
    ownArchiver_ = std::make_unique<lha::win::ArchiverLibrary>();  // substitutes only
    archiver_ = ownArchiver_.get();
  }
  tree_.SetObserver(&mirror_);
  builder_ = std::make_unique<TreeBuilder>(fs_, tree_, BuildHooks{[this] { PumpMessages(*this); }, &BusyCursor});
}

TForm1::~TForm1() {
  tree_.SetObserver(nullptr);
  if (wnd_) DestroyWindow(wnd_);
}

bool TForm1::Create(HINSTANCE instance) {
  if (!RegisterMorvaneClasses(instance)) return false;
  InstallFocusHook();
  ui::InstallEditSelectAll();
  scale_ = win::ScreenScale();
  return MakeWindow(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, scale_(578),
                    scale_(435), nullptr, nullptr, instance) != nullptr;
}

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  ++handlerDepth_;
  const LRESULT r = OnMessage(msg, wp, lp);
  --handlerDepth_;
  if (msg != WM_NCDESTROY && handlerDepth_ == 0 && !pendingDrop_.empty() && wnd_) {
    // A drop held back while a handler ran its own modal loop (a box) is built now that the
    // handler has returned.
    RunPendingDrop();
  }
  return r;
}

LRESULT TForm1::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
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
      for (ui::RadioGroup* g : {&rGroup_, &aGroup_, &sGroup_, &hGroup_, &radioGroup1_})
        if (g->Owns(LOWORD(wp))) g->SyncTabStop();
      Command(LOWORD(wp));
      return 0;
    case WM_ACTIVATE:
      // Activation gives the focus back to the control that had it, not to the window itself.
      if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) {
        RestoreFocus();
        return 0;
      }
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_QUERYENDSESSION:
      // The session ends as a close does: the settings are stored now. A value that cannot be
      // written has been shown, and the session end is refused as the close would be.
      return FormCloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
      if (!wp) {
        closing_ = false;  // the session goes on, and so does the window
      } else if (OperationRunning()) {
        if (copyEngine_ && copyEngine_->Running()) copyEngine_->Cancel();
      } else {
        DestroyWindow(wnd_);
      }
      return 0;
    case WM_NOTIFYFORMAT: {
      LRESULT format = 0;
      if (win::AnswerNotifyFormat(list1_, msg, wp, lp, format)) return format;
      break;
    }
    case WM_NOTIFY: {
      NMHDR& hdr = *reinterpret_cast<NMHDR*>(lp);
      if (hdr.hwndFrom == listView_ && hdr.code == LVN_KEYDOWN &&
          ListKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey))
        return 0;  // a shortcut of the list's menu
      if (win::RouteBrowseNotify(browser_, list1_, mirror_, hdr)) return 0;
      break;
    }
    case WM_CONTEXTMENU:
      ContextMenu(reinterpret_cast<HWND>(wp), lp);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Captions of labels, group boxes and check boxes on the face colour, not black.
      SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (dis->hwndItem == statusBar_) {
        DrawPanel(*dis);
        return TRUE;
      }
      for (const ui::BitBtn* b : {&bitBtn1_, &bitBtn2_, &bitBtn3_})
        if (dis->hwndItem == b->Handle()) b->Draw(*dis);
      return TRUE;
    }
    case WM_DROPFILES: {
      // Dispatched here by a modal loop that is not ours (a box without an owner): handled as
      // the main loop's hook handles it.
      MSG m{wnd_, msg, wp, lp, 0, {}};
      DropFiles(m);
      return 0;
    }
    case WM_CLOSE:
      if (OperationRunning()) {
        // Closing under a running copy would pull the window from under it: stop the run first.
        closeAfterRun_ = true;
        if (copyEngine_ && copyEngine_->Running()) copyEngine_->Cancel();
        return 0;
      }
      if (FormCloseQuery()) DestroyWindow(wnd_);
      return 0;
    case WM_SETCURSOR:
      if (win::BusyCursorShown()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      RemovePropA(wnd_, kFocusProp);
      tree_.Clear();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd_, msg, wp, lp);
}

void TForm1::FormCreate() {
  font_.Reset(CreateFontA(-scale_(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
  CreateControls();
  CreateMenus();

  DragAcceptFiles(wnd_, TRUE);
  tree_.TotalCount = 0;
  tree_.TotalSize = 0;

  // The system's folder icons, asked by attributes alone: no file is named, so the code-page
  // call is as good as the wide one.
  SHFILEINFOA info{};
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
      "", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
  closedFolderIcon_ = info.iIcon;
  SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
  openFolderIcon_ = info.iIcon;
  mirror_.Attach(treeView_);
  mirror_.SetFolderIcons(closedFolderIcon_, openFolderIcon_, small);
  ApplySettings();
  Layout();
  lha_ = std::make_unique<lha::win::LhaCommands>(*archiver_, wnd_, errors_, kTitle, [this] { ShowErrorWindow(); });
}

void TForm1::ShowErrorWindow() {
  if (form3_) form3_->Show();
}

void TForm1::ReportBuildFailures() {
  // What the build could not reach is told at once, as a run tells its failures: the error list
  // holds those lines and the error window comes up. A build that reached everything leaves the
  // list of the last run as it was.
  const std::vector<std::string>& lines = builder_->FailureLines();
  if (lines.empty()) return;
  errors_.Clear();
  for (const std::string& line : lines) errors_.Append(line);
  ShowErrorWindow();
}

void TForm1::ApplySettings() {
  RECT wr;
  GetWindowRect(wnd_, &wr);
  Settings current;
  current.formWidth = wr.right - wr.left;
  current.formHeight = wr.bottom - wr.top;
  RECT tr;
  GetWindowRect(treeView_, &tr);
  current.treeWidth = tr.right - tr.left;
  current.dpi = scale_.Dpi();
  const Settings s = ReadSettings(win::Win32ProfileStore(settingsPath_), current);

  // A stored label that names no layout is shown as it is, with the first layout's mask.
  dateMenu_.Restore(s.ageLabel, ageEdit_, Control(kIdAgeLabel));

  // The marks come back resolved: at most one is set, and it decides the style.
  const bool marks[4] = {s.icon, s.list, s.report, s.smallIcon};
  for (UINT i = 0; i < 4; ++i) {
    popupMenu1_.Check(kCmdIcon + i, marks[i]);
    if (marks[i]) SetViewStyle(kCmdIcon + i);
  }
  SetWindowPos(wnd_, nullptr, 0, 0, s.formWidth, s.formHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(treeView_, nullptr, 0, 0, s.treeWidth, std::max<int>(0, tr.bottom - tr.top),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const bool checked = SendMessageA(subChek_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (s.subDirChecked != checked) {
    SendMessageA(subChek_, BM_SETCHECK, s.subDirChecked ? BST_CHECKED : BST_UNCHECKED, 0);
    browser_.SubChekClick(s.subDirChecked);
  }
}

Settings TForm1::CurrentSettings() const {
  Settings s;
  char label[1024] = {};
  GetWindowTextA(GetDlgItem(wnd_, kIdAgeLabel), label, sizeof label);
  s.ageLabel = label;
  s.icon = popupMenu1_.Checked(kCmdIcon);
  s.list = popupMenu1_.Checked(kCmdList);
  s.report = popupMenu1_.Checked(kCmdReport);
  s.smallIcon = popupMenu1_.Checked(kCmdSmallIcon);
  s.subDirChecked = SendMessageA(subChek_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  RECT wr, tr;
  GetWindowRect(wnd_, &wr);
  GetWindowRect(treeView_, &tr);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  // Minimised or maximised, the size to come back to is the restored one, not the icon's or
  // the screen's.
  if ((IsIconic(wnd_) || IsZoomed(wnd_)) && GetWindowPlacement(wnd_, &wp)) wr = wp.rcNormalPosition;
  s.formWidth = wr.right - wr.left;
  s.formHeight = wr.bottom - wr.top;
  s.treeWidth = tr.right - tr.left;
  s.dpi = scale_.Dpi();
  return s;
}

bool TForm1::FormCloseQuery() {
  win::Win32ProfileStore store(settingsPath_);
  std::optional<std::string> error = WriteSettings(store, CurrentSettings());
  closing_ = true;
  if (error) {
    win::ShowErrorBox(wnd_, *error);
    return false;  // stays open; the next close tries again
  }
  return true;
}

HWND TForm1::Control(int id) const {
  if (id == kIdSubChek) return subChek_;
  return GetDlgItem(wnd_, id);
}

ui::RadioGroup& TForm1::Group(int firstId) {
  switch (firstId) {
    case kIdRGroup: return rGroup_;
    case kIdAGroup: return aGroup_;
    case kIdSGroup: return sGroup_;
    case kIdHGroup: return hGroup_;
    default: return radioGroup1_;
  }
}

void TForm1::CreateControls() {
  HFONT font = static_cast<HFONT>(font_.Get());
  using ui::CreateChild;
  treeView_ = CreateChild(wnd_, WC_TREEVIEWA, "",
                          WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, kIdTree, 0,
                          0, scale_(169), 100, font, WS_EX_CLIENTEDGE);
  TreeView_SetIndent(treeView_, scale_(19));
  listView_ = CreateChild(wnd_, WC_LISTVIEWA, "", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                          kIdList, scale_(173), 0, 100, 100, font, WS_EX_CLIENTEDGE);
  // DragPanel1 between tree and list moves the tree's right edge; the list follows.
  dragPanel1_.SetBevelOuter(Bevel::None);
  dragPanel1_.SetAlign(Align::Left);
  dragPanel1_.Create(wnd_, scale_(169), 0, scale_(4), 100);
  dragPanel1_.SetReSizeCtrl(treeView_);
  dragPanel1_.OnEndDrag = [this](TDragPanel&, int32_t, int32_t) { Layout(); };
  list1_.Attach(listView_);  // columns, image lists and the mouse-capture rules
  list1_.Connect(&browser_);
  shell_.SetOwner(wnd_);

  // The bottom panel's controls, in tab order; Layout() places them.
  const std::vector<std::string> keep = {"不変", "設定", "解除"};
  CreateChild(wnd_, "BUTTON", "Attribute", BS_GROUPBOX, kIdGroupBox1, 0, 0, 279, 75, font);
  rGroup_.Create(wnd_, "ReadOnly", keep, kIdRGroup, 0, 0, 65, 57, font, 0);
  aGroup_.Create(wnd_, "Archive", keep, kIdAGroup, 0, 0, 65, 57, font, 0);
  sGroup_.Create(wnd_, "System", keep, kIdSGroup, 0, 0, 65, 57, font, 0);
  hGroup_.Create(wnd_, "Hidden", keep, kIdHGroup, 0, 0, 65, 57, font, 0);
  radioGroup1_.Create(wnd_, "同名ファイル", {"全て上書き", "新しいﾌｧｲﾙ", "コピーしない"}, kIdRadioGroup1, 0, 0, 185, 73,
                      font, 1);
  // WS_GROUP: the radio group before it ends here.
  HWND check = CreateChild(wnd_, "BUTTON", "属性を無視", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, kIdCheckBox1, 0, 0,
                           81, 17, font);
  SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  bitBtn1_.Create(wnd_, "コピー", ui::Glyph::Copy, kIdBitBtn1, 0, 0, 75, 25, font, scale_);
  CreateChild(wnd_, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, kIdButton1, 0, 0, 75, 25, font);
  bitBtn3_.Create(wnd_, "ＬＨＡ", ui::Glyph::Archive, kIdBitBtn3, 0, 0, 75, 25, font, scale_);
  bitBtn2_.Create(wnd_, "変  更", ui::Glyph::Change, kIdBitBtn2, 0, 0, 75, 25, font, scale_);
  EnableOperations(false);
  CreateChild(wnd_, "STATIC", "更新日付", SS_LEFT, kIdLabel1, 0, 0, 52, 14, font);
  HWND age = CreateChild(wnd_, "EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kIdAgeEdit, 0, 0, 137, 20, font,
                         WS_EX_CLIENTEDGE);
  ageEdit_.Attach(age);
  ageEdit_.SetContextMenu(popupMenu3_.Handle(), wnd_);
  ageEdit_.SetOnExit([this] { win::CheckDateField(wnd_, ageEdit_.Text(), locale_); });
  CreateChild(wnd_, "STATIC", "(yyyy/mm/dd hh:mm:ss)", SS_LEFT, kIdAgeLabel, 0, 0, 140, 14, font);

  // 21 pixels high as laid out, not the height the control would pick from its font.
  statusBar_ = CreateChild(wnd_, STATUSCLASSNAMEA, "", CCS_NORESIZE | CCS_NOPARENTALIGN, kIdStatus, 0, 0, 10,
                           scale_(21), font);
  int panelRight[7];
  for (int i = 0; i < 7; ++i) panelRight[i] = scale_(kPanelRight[i]);
  SendMessageA(statusBar_, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(panelRight));
  SetPanelText(0, "ファイル数", false);
  SetPanelText(3, "選択ファイル", false);
  SetPanelText(6, "", false);
  // "SubDir" lives inside panel 6; the status bar passes its clicks on to this window.
  subChek_ = CreateChild(statusBar_, "BUTTON", "SubDir", BS_AUTOCHECKBOX, kIdSubChek, scale_(460), scale_(3),
                         scale_(60), scale_(16), font);
  statusHook_.Attach(statusBar_, [this](UINT msg, WPARAM wp, LPARAM lp) { return StatusBarMessage(msg, wp, lp); });
}

LRESULT TForm1::StatusBarMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND) return SendMessageA(wnd_, msg, wp, lp);
  // The panels are drawn by the window, so the control itself holds no text; it still answers
  // with each panel's text, as readers of other programs' controls (and screen readers) expect.
  if ((msg == SB_GETTEXTA || msg == SB_GETTEXTLENGTHA) && LOWORD(wp) < 7) {
    const std::string& text = panels_[LOWORD(wp)].text;
    if (msg == SB_GETTEXTA && lp) std::memcpy(reinterpret_cast<char*>(lp), text.c_str(), text.size() + 1);
    return MAKELRESULT(text.size(), 0);
  }
  if ((msg == SB_GETTEXTW || msg == SB_GETTEXTLENGTHW) && LOWORD(wp) < 7) {
    const std::wstring text = win::WideOf(panels_[LOWORD(wp)].text);
    if (msg == SB_GETTEXTW && lp) std::memcpy(reinterpret_cast<wchar_t*>(lp), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return MAKELRESULT(text.size(), 0);
  }
  return statusHook_.CallNext(msg, wp, lp);
}

void TForm1::CreateMenus() {
  HMENU k1 = CreatePopupMenu();
  AppendMenuA(k1, MF_STRING, kCmdIcon, "ICON");
  AppendMenuA(k1, MF_STRING, kCmdList, "LIST");
  AppendMenuA(k1, MF_STRING | MF_CHECKED, kCmdReport, "REPORT");
  AppendMenuA(k1, MF_STRING, kCmdSmallIcon, "SMALL ICON");
  popupMenu1_.AddSubmenu("表示形式", k1);
  popupMenu1_.Add(kCmdUpFolder, "１つ上のフォルダーへ", "Ctrl+U");
  popupMenu1_.AddSeparator();
  popupMenu1_.Add(kCmdSelectAll, "全て選択", "Ctrl+A");
  popupMenu1_.AddSeparator();
  popupMenu1_.Add(kCmdDelete1, "対象から削除", "Shift+Del");
  popupMenu1_.Add(kCmdChenge1, "属性変更", "Ctrl+H");
  popupMenu1_.Add(kCmdCopy1, "コピー", "Ctrl+C");
  popupMenu1_.Add(kCmdLha1, "Lha圧縮", "Ctrl+L");
  popupMenu1_.AddSeparator();
  popupMenu1_.Add(kCmdErrList1, "ERR LIST");
  popupMenu1_.Add(kCmdAbout1, "バージョン情報");
  shortcuts_ = {{kCmdUpFolder, 'U', true, false}, {kCmdSelectAll, 'A', true, false},
                {kCmdDelete1, VK_DELETE, false, true}, {kCmdChenge1, 'H', true, false},
                {kCmdCopy1, 'C', true, false},      {kCmdLha1, 'L', true, false}};

  popupMenu2_.Add(kCmdDelete2, "対象から削除");
  popupMenu2_.AddSeparator();
  popupMenu2_.Add(kCmdFullExpand1, "FullExpand");
  popupMenu2_.Add(kCmdFullCollapse1, "FullCollapse");

  popupMenu3_.Add(kCmdYearYYYY, "yyyy/mm/dd hh:mm:ss");
  popupMenu3_.Add(kCmdYearYY, "yy/mm/dd hh:mm:ss");
  popupMenu3_.Add(kCmdMonthYYYY, "mm/dd/yyyy hh:mm:ss");
  popupMenu3_.Add(kCmdMonthYY, "mm/dd/yy hh:mm:ss");
}

void TForm1::Command(UINT id) {
  // Nothing starts while a build or a copy run pumps messages; Cancel of the progress dialog is
  // the dialog's own. The close button defers like the close box.
  if (OperationRunning() && id != kIdButton1 && id != kIdSubChek && !(id >= kCmdIcon && id <= kCmdSmallIcon)) return;
  if (auto layout = dateMenu_.LayoutOf(id)) {
    dateMenu_.Choose(*layout, ageEdit_, Control(kIdAgeLabel));
    Layout();
    return;
  }
  switch (id) {
    case kIdBitBtn2: BitBtn2Click(); break;
    case kIdBitBtn1: if (copyEngine_) BitBtn1Click(); break;
    case kIdBitBtn3: lha_->BitBtn3Click(tree_); break;
    case kCmdLha1: lha_->Lha1Click(mirror_.Selected(), lha::win::SelectedRowsOf(listView_)); break;
    case kCmdCopy1: if (copyEngine_) copy1Click(); break;
    case kCmdChenge1: Chenge1Click(); break;
    case kCmdErrList1:
      if (form3_) form3_->Show();
      break;
    case kIdButton1:
      PostMessageA(wnd_, WM_CLOSE, 0, 0);
      break;
    case kIdSubChek:
      browser_.SubChekClick(SendMessageA(subChek_, BM_GETCHECK, 0, 0) == BST_CHECKED);
      break;
    case kCmdIcon:
    case kCmdList:
    case kCmdReport:
    case kCmdSmallIcon:
      SetViewStyle(id);
      break;
    case kCmdUpFolder: browser_.upfolderClick(); break;
    case kCmdSelectAll: browser_.selectAll1Click(); break;
    case kCmdDelete1: browser_.Delete1Click(); break;
    case kCmdDelete2: browser_.delete2Click(); break;
    case kCmdFullExpand1: browser_.FullExpand1Click(); break;
    case kCmdFullCollapse1: browser_.FullCollapse1Click(); break;
    case kCmdAbout1:
      ShellAboutA(wnd_, "Morvane Ver 0.97", "属性・日付の変更、コピー、LZH 書庫",
                  reinterpret_cast<HICON>(GetClassLongPtrA(wnd_, GCLP_HICON)));
      break;
    default:
      break;  // the remaining commands arrive with their operations
  }
}

AttribChoices TForm1::PanelChoices() const {
  AttribChoices c;
  c.readOnly = rGroup_.ItemIndex();
  c.archive = aGroup_.ItemIndex();
  c.system = sGroup_.ItemIndex();
  c.hidden = hGroup_.ItemIndex();
  c.dateText = ageEdit_.Text();
  return c;
}

bool TForm1::OperationRunning() const { return building_ || (copyEngine_ && copyEngine_->Running()); }

bool TForm1::CreateForm2(HINSTANCE instance) {
  form2_ = std::make_unique<TForm2>(wnd_, [this] {
    if (copyEngine_) copyEngine_->Cancel();
  });
  if (!form2_->Create(instance)) return false;
  copyPlatform_ = std::make_unique<win::Win32CopyPlatform>(wnd_, fs_);
  copyPlatform_->SetMessageHook([this](const MSG& m) { return PreTranslate(m); });
  CopyHooks hooks;
  hooks.choices = [this] {
    CopyChoices c;
    int item = radioGroup1_.ItemIndex();
    c.policy = static_cast<ExistingPolicy>(item >= 0 && item <= 2 ? item : 1);
    c.resetAttributes = SendMessageA(Control(kIdCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return c;
  };
  hooks.changeFileAttr = [this](const std::string& path, FileSystem& at) { changer_.ChangeFileAttr(path, at); };
  hooks.clearErrors = [this] { errors_.Clear(); };
  hooks.appendError = [this](const std::string& line) { errors_.Append(line); };
  hooks.errorCount = [this] { return errors_.Count(); };
  hooks.showErrors = [this] {
    if (form3_) form3_->Show();
  };
  copyEngine_ = std::make_unique<CopyEngine>(*copyPlatform_, *form2_, std::move(hooks));
  return true;
}

void TForm1::BitBtn1Click() {
  win::RunReportingDateErrors(wnd_, [&] { copyEngine_->BitBtn1Click(tree_); });
  AfterOperation();
}

void TForm1::copy1Click() {
  std::vector<FileRow> rows;
  for (size_t i = 0; i < list1_.RowCount(); ++i) rows.push_back(FileRow{list1_.IsSelected(i), list1_.Cell(i, 0)});
  Node* selected = mirror_.Selected();
  win::RunReportingDateErrors(wnd_, [&] { copyEngine_->copy1Click(selected, rows); });
  AfterOperation();
}

void TForm1::AfterOperation() {
  // What arrived while the run pumped messages: a drop is applied now, a close goes through.
  RunPendingDrop();
  // The first build of the run, whether from the command line or a drop, sets it once.
  if (lha_ && !builder_->FirstBaseFolder().empty()) lha_->SetInitialFolder(builder_->FirstBaseFolder());
  if (closeAfterRun_) {
    closeAfterRun_ = false;
    PostMessageA(wnd_, WM_CLOSE, 0, 0);
  }
}

bool TForm1::CreateForm3(HINSTANCE instance) {
  form3_ = std::make_unique<TForm3>(errors_);
  return form3_->Create(instance);
}

void TForm1::BitBtn2Click() {
  win::Win32AttribRunUi ui(wnd_, [this] { browser_.FillFileList(); }, [this] { if (form3_) form3_->Show(); });
  win::RunReportingDateErrors(wnd_, [&] { RunChangeAll(changer_, errors_, tree_, ui); });
}

void TForm1::Chenge1Click() {
  std::vector<size_t> rows;
  for (size_t i = 0; i < list1_.RowCount(); ++i)
    if (list1_.IsSelected(i)) rows.push_back(i);
  win::Win32AttribRunUi ui(wnd_, [this] { browser_.FillFileList(); }, [this] { if (form3_) form3_->Show(); });
  win::RunReportingDateErrors(wnd_, [&] {
    RunChangeSelected(changer_, errors_, mirror_.Selected(), rows, ui);
  });
}

void TForm1::SetViewStyle(UINT command) {
  static const ViewStyle styles[] = {ViewStyle::Icon, ViewStyle::List, ViewStyle::Report, ViewStyle::SmallIcon};
  list1_.SetViewStyle(styles[command - kCmdIcon]);
  for (UINT c = kCmdIcon; c <= kCmdSmallIcon; ++c) popupMenu1_.Check(c, c == command);
}

bool TForm1::ListKeyDown(UINT vk) {
  UINT command = ui::MatchShortcut(popupMenu1_.Handle(), shortcuts_, vk, GetKeyState(VK_CONTROL) < 0,
                                   GetKeyState(VK_SHIFT) < 0);
  if (!command) return false;
  Command(command);
  return true;
}

void TForm1::ContextMenu(HWND from, LPARAM lp) {
  POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  if (pt.x == -1 && pt.y == -1) {  // from the keyboard: at the control's corner
    RECT rc;
    GetWindowRect(from, &rc);
    pt = {rc.left + 8, rc.top + 8};
  }
  if (from == listView_) {
    ListMenuState st = browser_.PopupMenu1Popup();
    popupMenu1_.Enable(kCmdDelete1, st.remove);
    popupMenu1_.Enable(kCmdLha1, st.lha);
    popupMenu1_.Enable(kCmdCopy1, st.copy);
    popupMenu1_.Enable(kCmdChenge1, st.change);
    popupMenu1_.Enable(kCmdSelectAll, st.selectAll);
    popupMenu1_.Enable(kCmdUpFolder, st.upFolder);
    popupMenu1_.Popup(wnd_, pt);
  } else if (from == treeView_) {
    TreeMenuState st = browser_.PopupMenu2Popup();
    popupMenu2_.Enable(kCmdDelete2, st.remove);
    popupMenu2_.Enable(kCmdFullExpand1, st.fullExpand);
    popupMenu2_.Enable(kCmdFullCollapse1, st.fullCollapse);
    popupMenu2_.Popup(wnd_, pt);
  }
}

void TForm1::SetBusy(bool busy) { BusyCursor(busy); }

void TForm1::Layout() {
  RECT rc;
  GetClientRect(wnd_, &rc);
  const int w = rc.right, h = rc.bottom;
  const int statusH = scale_(21), bottomH = scale_(112), splitW = scale_(4);
  RECT tr;
  GetWindowRect(treeView_, &tr);
  const int treeW = tr.right - tr.left;  // the splitter and the settings change it
  MoveWindow(statusBar_, 0, h - statusH, w, statusH, TRUE);
  const int upperH = std::max(0, h - statusH - bottomH);
  MoveWindow(treeView_, 0, 0, treeW, upperH, TRUE);
  if (dragPanel1_.Handle()) MoveWindow(dragPanel1_.Handle(), treeW, 0, splitW, upperH, TRUE);
  MoveWindow(listView_, treeW + splitW, 0, std::max(0, w - treeW - splitW), upperH, TRUE);
  // The operation controls sit in a 560 x 108 area aligned to the bottom panel's right edge,
  // inside its raised bevel.
  const int x0 = w - scale_(2 + 560), y0 = upperH + scale_(2);
  // Places and sizes in the layout's pixels; a label's width is its text's, already on screen.
  auto at = [&](HWND c, int x, int y, int cw, int ch) {
    MoveWindow(c, x0 + scale_(x), y0 + scale_(y), cw, ch, TRUE);
  };
  auto place = [&](HWND c, int x, int y, int cw, int ch) { at(c, x, y, scale_(cw), scale_(ch)); };
  place(Control(kIdGroupBox1), 3, 6, 279, 75);
  const int groupX[4] = {5, 72, 140, 207};
  ui::RadioGroup* groups[4] = {&rGroup_, &aGroup_, &sGroup_, &hGroup_};
  for (int g = 0; g < 4; ++g) {
    place(groups[g]->Box(), 3 + groupX[g], 6 + 15, 65, 57);
    for (int i = 0; i < 3; ++i) place(groups[g]->Item(i), 3 + groupX[g] + 6, 6 + 15 + 13 + i * 14, 56, 14);
  }
  place(radioGroup1_.Box(), 288, 7, 185, 73);
  for (int i = 0; i < 3; ++i) place(radioGroup1_.Item(i), 288 + 8, 7 + 16 + i * 18, 88, 16);
  place(Control(kIdCheckBox1), 384, 24, 81, 17);
  place(bitBtn1_.Handle(), 392, 48, 75, 25);
  place(Control(kIdButton1), 480, 8, 75, 25);
  place(bitBtn3_.Handle(), 480, 48, 75, 25);
  place(bitBtn2_.Handle(), 480, 80, 75, 25);
  at(Control(kIdLabel1), 16, 88, LabelWidth(Control(kIdLabel1)), scale_(14));
  // The date field no narrower than its whole text needs in the font, the layout label after it.
  const int ageWidth = std::max(scale_(137), ageEdit_.WholeTextWidth());
  at(Control(kIdAgeEdit), 74, 84, ageWidth, scale_(20));
  const int ageLabelX = std::max(scale_(220), scale_(74) + ageWidth + scale_(9));
  MoveWindow(Control(kIdAgeLabel), x0 + ageLabelX, y0 + scale_(88), LabelWidth(Control(kIdAgeLabel)), scale_(14), TRUE);
}

int TForm1::LabelWidth(HWND label) const {
  // The labels size themselves to their text, whatever a stored layout label says.
  char text[1024] = {};
  const int n = GetWindowTextA(label, text, sizeof text);
  win::ScopedWindowDC dc(label, GetDC(label));
  win::SelectGuard font(dc.Get(), font_.Get());
  SIZE size{};
  GetTextExtentPoint32A(dc.Get(), text, n, &size);
  return size.cx + scale_(2);
}

void TForm1::SetPanelText(int panel, const std::string& text, bool right) {
  if (panel < 0 || panel >= 7) return;
  // The panels draw their own text: the control's right alignment runs a few pixels past the
  // panel's edge, where the next panel cuts it off.
  panels_[panel] = {text, right};
  const WPARAM flags = SBT_OWNERDRAW | (right ? 0 : SBT_NOBORDERS);
  SendMessageA(statusBar_, SB_SETTEXTA, panel | flags, static_cast<LPARAM>(panel));
}

void TForm1::DrawPanel(const DRAWITEMSTRUCT& dis) const {
  const UINT panel = dis.itemID;
  if (panel >= panels_.size()) return;
  const Panel& p = panels_[panel];
  RECT rc = dis.rcItem;
  InflateRect(&rc, -scale_(2), 0);
  win::SelectGuard font(dis.hDC, font_.Get());
  const int n = static_cast<int>(p.text.size());
  // A figure wider than its panel is drawn narrower, never cut: the panels keep their sizes,
  // and the face's digits may be wider than the ones the sizes were made for.
  win::ScopedGdi narrow;
  std::optional<win::SelectGuard> narrowGuard;
  SIZE extent{};
  GetTextExtentPoint32A(dis.hDC, p.text.c_str(), n, &extent);
  const int room = rc.right - rc.left;
  if (extent.cx > room && room > 0) {
    LOGFONTA lf{};
    GetObjectA(font_.Get(), sizeof lf, &lf);
    TEXTMETRICA tm{};
    GetTextMetricsA(dis.hDC, &tm);
    for (int width = tm.tmAveCharWidth * room / extent.cx; width >= 1 && extent.cx > room; --width) {
      lf.lfWidth = width;
      narrowGuard.reset();
      narrow.Reset(CreateFontIndirectA(&lf));
      narrowGuard.emplace(dis.hDC, narrow.Get());
      GetTextExtentPoint32A(dis.hDC, p.text.c_str(), n, &extent);
    }
  }
  SetBkMode(dis.hDC, TRANSPARENT);
  SetTextColor(dis.hDC, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dis.hDC, p.text.c_str(), n, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (p.right ? DT_RIGHT : DT_LEFT));
}

std::string TForm1::PanelText(int panel) const {
  if (panel < 0 || panel >= 7) return {};
  return panels_[panel].text;
}

void TForm1::ShowTotals() {
  SetPanelText(1, FormatTotal(tree_.TotalCount) + "個", true);
  SetPanelText(2, FormatTotal(tree_.TotalSize) + "ﾊﾞｲﾄ", true);
}

void TForm1::EnableOperations(bool enable) {
  for (const ui::BitBtn* b : {&bitBtn1_, &bitBtn2_, &bitBtn3_}) EnableWindow(b->Handle(), enable);
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
  if (!args_.empty()) ReportBuildFailures();
  AfterOperation();
}

void TForm1::RestoreFocus() {
  HWND last = static_cast<HWND>(GetPropA(wnd_, kFocusProp));
  if (last && IsChild(wnd_, last) && IsWindowVisible(last) && IsWindowEnabled(last)) {
    SetFocus(last);
    return;
  }
  if (HWND first = GetNextDlgTabItem(wnd_, nullptr, FALSE)) SetFocus(first);
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
  ReportBuildFailures();
}

void TForm1::RunPendingDrop() {
  // A drop that arrived while a build or a copy pumped messages is applied after it, never
  // under it.
  while (!pendingDrop_.empty() && !OperationRunning()) {
    std::vector<std::string> paths = std::move(pendingDrop_);
    pendingDrop_.clear();
    ApplyDrop(paths);
  }
}

bool TForm1::PreTranslate(const MSG& msg) { return DropFiles(msg) || ui::NavigateKey(wnd_, msg); }

bool TForm1::DropFiles(const MSG& msg) {
  if (msg.message != WM_DROPFILES) return false;
  HDROP drop = reinterpret_cast<HDROP>(msg.wParam);
  std::vector<std::string> paths = ReadDrop(drop);
  DragFinish(drop);
  if (paths.empty()) return true;
  pendingDrop_ = std::move(paths);
  // Under a running build or copy the drop waits for its end, and under a handler's box until
  // the handler returns (it may still use the tree it started on); otherwise it is built now,
  // and a close requested while it was being built goes through after it, as after a copy.
  if (!OperationRunning() && handlerDepth_ <= 1) AfterOperation();
  return true;
}

int RunMessageLoop(TForm1& form) {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (form.PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace mv
