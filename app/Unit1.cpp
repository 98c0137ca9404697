#include "app/Unit1.h"

#include <cstring>
#include <optional>
#include <utility>

#include "app/settings/profile_win32.h"
#include "ops/common/win32/busy_cursor.h"
#include "ops/common/win32/message_boxes.h"
#include "platform/text.h"
#include "platform/win32/dpi.h"
#include "platform/win32/fs_win32.h"
#include "targets/entry.h"

namespace mv {
namespace {

const char kClassName[] = "TForm1";
const char kTitle[] = "Morvane";

// Status bar panels: right edges of the seven fixed-width panels (60, 60, 100, 75, 60, 100, 50).
const int kPanelRight[7] = {60, 120, 220, 295, 355, 455, 505};

// The control of a main window that last took the focus, kept as a property of that window so
// the focus can go back there when the window is active again (after a message box, another
// program, a minimise).
const char kFocusProp[] = "MvLastFocus";

LRESULT CALLBACK FocusHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_SETFOCUS) {
    HWND to = reinterpret_cast<HWND>(wp);
    HWND root = to ? GetAncestor(to, GA_ROOT) : nullptr;
    char cls[16] = {};
    if (root && root != to && GetClassNameA(root, cls, sizeof cls) &&
        lstrcmpA(cls, kClassName) == 0)
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
    args.push_back(
        win::AnsiPathOf(n > 0 && n < MAX_PATH ? std::wstring(full, n) : std::wstring(argv[i])));
  }
  LocalFree(argv);
  return args;
}

bool RegisterMorvaneClasses(HINSTANCE instance) {
  static bool done = false;
  if (done) return true;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES |
                                           ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
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

TForm1::TForm1(std::vector<std::string> args, std::string settingsPath,
               const lha::win::ArchiverLibrary* archiver)
    : settingsPath_(settingsPath.empty() ? win::SettingsFilePath() : std::move(settingsPath)),
      store_(settingsPath_),
      archiver_(archiver),
      session_(*this,
               SessionPorts{fs_, list1_, shell_, dates_, store_, &mirror_, locale_,
                            &win::CurrentLocalYear},
               std::move(args)) {
  if (!archiver_) {
    ownArchiver_ = std::make_unique<lha::win::ArchiverLibrary>();  // substitutes only
    archiver_ = ownArchiver_.get();
  }
}

TForm1::~TForm1() {
  if (wnd_) DestroyWindow(wnd_);
}

bool TForm1::Create(HINSTANCE instance) {
  if (!RegisterMorvaneClasses(instance)) return false;
  InstallFocusHook();
  ui::InstallEditSelectAll();
  scale_ = win::ScreenScale();
  return MakeWindow(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                    scale_(578), scale_(435), nullptr, nullptr, instance) != nullptr;
}

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  // The session counts the handlers on the stack: what a modal loop inside one dispatched waits
  // for the outermost to return.
  session_.EnterHandler();
  const LRESULT r = OnMessage(msg, wp, lp);
  session_.LeaveHandler();
  return r;
}

LRESULT TForm1::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_SHOWWINDOW:
      if (wp && session_.FirstShow()) PostMessageA(wnd_, WM_MV_FIRSTSHOW, 0, 0);
      break;
    case WM_MV_FIRSTSHOW:
      session_.BuildFromCommandLine();
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
      return session_.QueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
      session_.EndSession(wp != 0);
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
      if (LRESULT result = 0;
          win::RouteBrowseNotify(session_.Browse(), list1_, mirror_, hdr, result))
        return result;
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
      session_.Close();
      return 0;
    case WM_SETCURSOR:
      if (win::BusyCursorShown()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      RemovePropA(wnd_, kFocusProp);
      session_.Destroying();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(wnd_, msg, wp, lp);
}

void TForm1::FormCreate() {
  font_.Reset(CreateFontA(-scale_(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック"));
  CreateControls();
  CreateMenus();

  DragAcceptFiles(wnd_, TRUE);

  // The system's folder icons, asked by attributes alone: no file is named, so the code-page
  // call is as good as the wide one.
  SHFILEINFOA info{};
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
  const int closedFolderIcon = info.iIcon;
  SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_OPENICON);
  const int openFolderIcon = info.iIcon;
  mirror_.Attach(treeView_);
  mirror_.SetFolderIcons(closedFolderIcon, openFolderIcon, small);
  session_.ApplySettings();
  Layout();
  archivePlatform_ = std::make_unique<lha::win::Win32ArchivePlatform>(*archiver_, wnd_);
  archiveUi_ = std::make_unique<lha::win::Win32ArchiveUi>(lhaDialog_, wnd_, kTitle,
                                                          [this] { ShowErrorWindow(); });
  session_.AttachArchive(*archivePlatform_, *archiveUi_);
}

void TForm1::RestoreDateLabel(const std::string& label) {
  dateMenu_.Restore(label, ageEdit_, Control(kIdAgeLabel));
}

void TForm1::ChooseDateLayout(int layout) {
  dateMenu_.Choose(static_cast<DateLayout>(layout), ageEdit_, Control(kIdAgeLabel));
  Layout();
}

void TForm1::SetSizes(int formWidth, int formHeight, int treeWidth) {
  RECT tr;
  GetWindowRect(treeView_, &tr);
  SetWindowPos(wnd_, nullptr, 0, 0, formWidth, formHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(treeView_, nullptr, 0, 0, treeWidth, std::max<int>(0, tr.bottom - tr.top),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TForm1::SubDirChecked() const {
  return SendMessageA(subChek_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TForm1::SetSubDirChecked(bool checked) {
  SendMessageA(subChek_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TForm1::IgnoreAttributes() const {
  return SendMessageA(Control(kIdCheckBox1), BM_GETCHECK, 0, 0) == BST_CHECKED;
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

HWND TForm1::Control(int id) const {
  if (id == kIdSubChek) return subChek_;
  return GetDlgItem(wnd_, id);
}

void TForm1::CreateControls() {
  HFONT font = static_cast<HFONT>(font_.Get());
  using ui::CreateChild;
  treeView_ =
      CreateChild(wnd_, WC_TREEVIEWA, "",
                  WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                  kIdTree, 0, 0, scale_(169), 100, font, WS_EX_CLIENTEDGE);
  TreeView_SetIndent(treeView_, scale_(19));
  listView_ =
      CreateChild(wnd_, WC_LISTVIEWA, "",
                  WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                  kIdList, scale_(173), 0, 100, 100, font, WS_EX_CLIENTEDGE);
  // DragPanel1 between tree and list moves the tree's right edge; the list follows.
  dragPanel1_.SetBevelOuter(Bevel::None);
  dragPanel1_.SetAlign(Align::Left);
  dragPanel1_.Create(wnd_, scale_(169), 0, scale_(4), 100);
  dragPanel1_.SetReSizeCtrl(treeView_);
  dragPanel1_.OnEndDrag = [this](TDragPanel&, int32_t, int32_t) { Layout(); };
  list1_.Attach(listView_);  // columns, image lists and the mouse-capture rules
  list1_.Connect(&session_.Browse());
  shell_.SetOwner(wnd_);

  // The bottom panel's controls, in tab order; Layout() places them.
  const std::vector<std::string> keep = {"不変", "設定", "解除"};
  CreateChild(wnd_, "BUTTON", "Attribute", BS_GROUPBOX, kIdGroupBox1, 0, 0, 279, 75, font);
  rGroup_.Create(wnd_, "ReadOnly", keep, kIdRGroup, 0, 0, 65, 57, font, 0);
  aGroup_.Create(wnd_, "Archive", keep, kIdAGroup, 0, 0, 65, 57, font, 0);
  sGroup_.Create(wnd_, "System", keep, kIdSGroup, 0, 0, 65, 57, font, 0);
  hGroup_.Create(wnd_, "Hidden", keep, kIdHGroup, 0, 0, 65, 57, font, 0);
  radioGroup1_.Create(wnd_, "同名ファイル", {"全て上書き", "新しいﾌｧｲﾙ", "コピーしない"},
                      kIdRadioGroup1, 0, 0, 185, 73, font, 1);
  // WS_GROUP: the radio group before it ends here.
  HWND check = CreateChild(wnd_, "BUTTON", "属性を無視", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
                           kIdCheckBox1, 0, 0, 81, 17, font);
  SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
  bitBtn1_.Create(wnd_, "コピー", ui::Glyph::Copy, kIdBitBtn1, 0, 0, 75, 25, font, scale_);
  CreateChild(wnd_, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, kIdButton1, 0, 0, 75, 25, font);
  bitBtn3_.Create(wnd_, "ＬＨＡ", ui::Glyph::Archive, kIdBitBtn3, 0, 0, 75, 25, font, scale_);
  bitBtn2_.Create(wnd_, "変  更", ui::Glyph::Change, kIdBitBtn2, 0, 0, 75, 25, font, scale_);
  EnableOperations(false);
  CreateChild(wnd_, "STATIC", "更新日付", SS_LEFT, kIdLabel1, 0, 0, 52, 14, font);
  HWND age = CreateChild(wnd_, "EDIT", "", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, kIdAgeEdit, 0, 0,
                         137, 20, font, WS_EX_CLIENTEDGE);
  ageEdit_.Attach(age);
  ageEdit_.SetContextMenu(popupMenu3_.Handle(), wnd_);
  ageEdit_.SetOnExit([this] { win::CheckDateField(wnd_, ageEdit_.Text(), locale_); });
  CreateChild(wnd_, "STATIC", "(yyyy/mm/dd hh:mm:ss)", SS_LEFT, kIdAgeLabel, 0, 0, 140, 14, font);

  // 21 pixels high as laid out, not the height the control would pick from its font.
  statusBar_ = CreateChild(wnd_, STATUSCLASSNAMEA, "", CCS_NORESIZE | CCS_NOPARENTALIGN, kIdStatus,
                           0, 0, 10, scale_(21), font);
  int panelRight[7];
  for (int i = 0; i < 7; ++i) panelRight[i] = scale_(kPanelRight[i]);
  SendMessageA(statusBar_, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(panelRight));
  SetPanelText(0, "ファイル数", false);
  SetPanelText(3, "選択ファイル", false);
  SetPanelText(6, "", false);
  // "SubDir" lives inside panel 6; the status bar passes its clicks on to this window.
  subChek_ = CreateChild(statusBar_, "BUTTON", "SubDir", BS_AUTOCHECKBOX, kIdSubChek, scale_(460),
                         scale_(3), scale_(60), scale_(16), font);
  statusHook_.Attach(
      statusBar_, [this](UINT msg, WPARAM wp, LPARAM lp) { return StatusBarMessage(msg, wp, lp); });
}

LRESULT TForm1::StatusBarMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND) return SendMessageA(wnd_, msg, wp, lp);
  // The panels are drawn by the window, so the control itself holds no text; it still answers
  // with each panel's text, as readers of other programs' controls (and screen readers) expect.
  if ((msg == SB_GETTEXTA || msg == SB_GETTEXTLENGTHA) && LOWORD(wp) < 7) {
    const std::string& text = panels_[LOWORD(wp)].text;
    if (msg == SB_GETTEXTA && lp)
      std::memcpy(reinterpret_cast<char*>(lp), text.c_str(), text.size() + 1);
    return MAKELRESULT(text.size(), 0);
  }
  if ((msg == SB_GETTEXTW || msg == SB_GETTEXTLENGTHW) && LOWORD(wp) < 7) {
    const std::wstring text = win::WideOf(panels_[LOWORD(wp)].text);
    if (msg == SB_GETTEXTW && lp)
      std::memcpy(reinterpret_cast<wchar_t*>(lp), text.c_str(),
                  (text.size() + 1) * sizeof(wchar_t));
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
  shortcuts_ = {{kCmdUpFolder, 'U', true, false},      {kCmdSelectAll, 'A', true, false},
                {kCmdDelete1, VK_DELETE, false, true}, {kCmdChenge1, 'H', true, false},
                {kCmdCopy1, 'C', true, false},         {kCmdLha1, 'L', true, false}};

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
  static const std::pair<UINT, mv::Command> kCommands[] = {
      {kIdBitBtn2, mv::Command::Change},          {kIdBitBtn1, mv::Command::Copy},
      {kIdBitBtn3, mv::Command::Archive},         {kCmdChenge1, mv::Command::ChangeSelected},
      {kCmdCopy1, mv::Command::CopySelected},     {kCmdLha1, mv::Command::ArchiveSelected},
      {kIdButton1, mv::Command::Close},           {kCmdErrList1, mv::Command::ErrorList},
      {kCmdAbout1, mv::Command::About},           {kIdSubChek, mv::Command::SubDir},
      {kCmdIcon, mv::Command::ViewIcon},          {kCmdList, mv::Command::ViewList},
      {kCmdReport, mv::Command::ViewReport},      {kCmdSmallIcon, mv::Command::ViewSmallIcon},
      {kCmdUpFolder, mv::Command::UpFolder},      {kCmdSelectAll, mv::Command::SelectAll},
      {kCmdDelete1, mv::Command::RemoveRows},     {kCmdDelete2, mv::Command::RemoveNode},
      {kCmdFullExpand1, mv::Command::FullExpand}, {kCmdFullCollapse1, mv::Command::FullCollapse},
      {kCmdYearYYYY, mv::Command::DateLayout1},   {kCmdYearYY, mv::Command::DateLayout2},
      {kCmdMonthYYYY, mv::Command::DateLayout3},  {kCmdMonthYY, mv::Command::DateLayout4},
  };
  for (const auto& [control, command] : kCommands)
    if (control == id) session_.Run(command);
}

AttribChoices TForm1::AttribPanel() const {
  AttribChoices c;
  c.readOnly = rGroup_.ItemIndex();
  c.archive = aGroup_.ItemIndex();
  c.system = sGroup_.ItemIndex();
  c.hidden = hGroup_.ItemIndex();
  c.dateText = ageEdit_.Text();
  return c;
}

bool TForm1::CreateForm2(HINSTANCE instance) {
  form2_ = std::make_unique<TForm2>(wnd_, [this] { session_.CancelCopy(); });
  if (!form2_->Create(instance)) return false;
  copyPlatform_ = std::make_unique<win::Win32CopyPlatform>(wnd_, fs_);
  copyPlatform_->SetMessageHook([this](const MSG& m) { return PreTranslate(m); });
  session_.AttachCopy(*copyPlatform_, *form2_);
  return true;
}

bool TForm1::CreateForm3(HINSTANCE instance) {
  form3_ = std::make_unique<TForm3>(session_.Errors());
  return form3_->Create(instance);
}

void TForm1::ShowErrorWindow() {
  if (form3_) form3_->Show();
}

void TForm1::ShowAbout() {
  ShellAboutA(wnd_, "Morvane Ver 0.97", "属性・日付の変更、コピー、LZH 書庫",
              reinterpret_cast<HICON>(GetClassLongPtrA(wnd_, GCLP_HICON)));
}

void TForm1::PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (PreTranslate(msg)) continue;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool TForm1::ListKeyDown(UINT vk) {
  UINT command = ui::MatchShortcut(popupMenu1_.Handle(), shortcuts_, vk,
                                   GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0);
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
    ListMenuState st = session_.Browse().PopupMenu1Popup();
    popupMenu1_.Enable(kCmdDelete1, st.remove);
    popupMenu1_.Enable(kCmdLha1, st.lha);
    popupMenu1_.Enable(kCmdCopy1, st.copy);
    popupMenu1_.Enable(kCmdChenge1, st.change);
    popupMenu1_.Enable(kCmdSelectAll, st.selectAll);
    popupMenu1_.Enable(kCmdUpFolder, st.upFolder);
    popupMenu1_.Popup(wnd_, pt);
  } else if (from == treeView_) {
    TreeMenuState st = session_.Browse().PopupMenu2Popup();
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
    for (int i = 0; i < 3; ++i)
      place(groups[g]->Item(i), 3 + groupX[g] + 6, 6 + 15 + 13 + i * 14, 56, 14);
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
  MoveWindow(Control(kIdAgeLabel), x0 + ageLabelX, y0 + scale_(88),
             LabelWidth(Control(kIdAgeLabel)), scale_(14), TRUE);
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
    for (int width = tm.tmAveCharWidth * room / extent.cx; width >= 1 && extent.cx > room;
         --width) {
      lf.lfWidth = width;
      narrowGuard.reset();
      narrow.Reset(CreateFontIndirectA(&lf));
      narrowGuard.emplace(dis.hDC, narrow.Get());
      GetTextExtentPoint32A(dis.hDC, p.text.c_str(), n, &extent);
    }
  }
  SetBkMode(dis.hDC, TRANSPARENT);
  SetTextColor(dis.hDC, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dis.hDC, p.text.c_str(), n, &rc,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (p.right ? DT_RIGHT : DT_LEFT));
}

void TForm1::EnableOperations(bool enable) {
  for (const ui::BitBtn* b : {&bitBtn1_, &bitBtn2_, &bitBtn3_}) EnableWindow(b->Handle(), enable);
}

void TForm1::RestoreFocus() {
  HWND last = static_cast<HWND>(GetPropA(wnd_, kFocusProp));
  if (last && IsChild(wnd_, last) && IsWindowVisible(last) && IsWindowEnabled(last)) {
    SetFocus(last);
    return;
  }
  if (HWND first = GetNextDlgTabItem(wnd_, nullptr, FALSE)) SetFocus(first);
}

bool TForm1::PreTranslate(const MSG& msg) { return DropFiles(msg) || ui::NavigateKey(wnd_, msg); }

bool TForm1::DropFiles(const MSG& msg) {
  if (msg.message != WM_DROPFILES) return false;
  HDROP drop = reinterpret_cast<HDROP>(msg.wParam);
  std::vector<std::string> paths = ReadDrop(drop);
  DragFinish(drop);
  session_.Drop(std::move(paths));
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
