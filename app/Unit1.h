// TForm1: the main window. It owns the target tree and wires the window's events to the logic.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/session.h"
#include "app/settings/profile_win32.h"
#include "app/settings/settings.h"
#include "ui/Dragpnl.h"
#include "browse/browser.h"
#include "ops/lha/win32/lha_win32.h"
#include "ops/copy/copy_engine.h"
#include "ops/copy/win32/Unit2.h"
#include "ops/copy/win32/copy_platform_win32.h"
#include "ops/attrib/change_attr.h"
#include "ops/common/error_list.h"
#include "ops/attrib/win32/MaskEdit.h"
#include "ops/attrib/win32/Unit3.h"
#include "ops/attrib/win32/attrib_ui.h"
#include "ops/common/win32/message_boxes.h"
#include "browse/win32/list_view.h"
#include "platform/win32/fs_win32.h"
#include "platform/dpi.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"
#include "platform/win32/window.h"
#include "targets/builder.h"
#include "targets/tree.h"
#include "targets/win32/tree_view.h"

namespace mv {

inline constexpr UINT WM_MV_FIRSTSHOW = WM_APP + 1;

enum ControlId : int {
  kIdTree = 100,
  kIdList,
  kIdStatus,
  kIdBitBtn1,    // コピー
  kIdBitBtn2,    // 変  更
  kIdBitBtn3,    // ＬＨＡ
  kIdButton1,    // Cancel
  kIdCheckBox1,  // 属性を無視
  kIdSubChek,    // SubDir
  kIdAgeEdit,
  kIdLabel1,
  kIdAgeLabel,
  kIdGroupBox1,
  kIdRGroup = 200,  // each radio group: its box at id - 1, its items from id on
  kIdAGroup = 210,
  kIdSGroup = 220,
  kIdHGroup = 230,
  kIdRadioGroup1 = 240,
};

// Menu commands.
enum MenuId : UINT {
  kCmdIcon = 1000,
  kCmdList,
  kCmdReport,
  kCmdSmallIcon,
  kCmdUpFolder,
  kCmdSelectAll,
  kCmdDelete1,
  kCmdChenge1,
  kCmdCopy1,
  kCmdLha1,
  kCmdErrList1,
  kCmdAbout1,
  kCmdDelete2,
  kCmdFullExpand1,
  kCmdFullCollapse1,
  kCmdYearYYYY,
  kCmdYearYY,
  kCmdMonthYYYY,
  kCmdMonthYY,
};

class TForm1 : public win::Window, private SessionWindow {
 public:
  // args: the paths to work on (the command line after the program's name); settingsPath:
  // the settings file (empty: Morvane.ini beside the executable).
  explicit TForm1(std::vector<std::string> args, std::string settingsPath = {},
                  const lha::win::ArchiverLibrary* archiver = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  bool Create(HINSTANCE instance);
  // Create the progress dialog and the error window (start-up does this after the main window).
  bool CreateForm2(HINSTANCE instance);
  bool CreateForm3(HINSTANCE instance);

  // The application-wide message hook: true when the message was a drop and has been handled.
  bool DropFiles(const MSG& msg);
  // What the message loop does before dispatching: the drop hook, then the keyboard moves
  // between the controls. True when the message was used up.
  bool PreTranslate(const MSG& msg);

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

  void FormCreate();
  void Layout();
  void SetPanelText(int panel, const std::string& text, bool right);
  void DrawPanel(const DRAWITEMSTRUCT& dis) const;
  int LabelWidth(HWND label) const;
  void RestoreFocus();
  bool ListKeyDown(UINT vk);
  void ContextMenu(HWND from, LPARAM lp);
  void CreateControls();
  void CreateMenus();
  void Command(UINT id);
  HWND Control(int id) const;
  LRESULT StatusBarMessage(UINT msg, WPARAM wp, LPARAM lp);

  // SessionWindow
  AttribChoices AttribPanel() const override;
  int ExistingItem() const override { return radioGroup1_.ItemIndex(); }
  bool IgnoreAttributes() const override;
  bool SubDirChecked() const override;
  Settings CurrentSettings() const override;
  void RestoreDateLabel(const std::string& label) override;
  void SetSizes(int formWidth, int formHeight, int treeWidth) override;
  void SetSubDirChecked(bool checked) override;
  void SetPanel(int panel, const std::string& text) override { SetPanelText(panel, text, true); }
  void EnableOperations(bool enable) override;
  void SetViewMark(int item, bool checked) override { popupMenu1_.Check(kCmdIcon + item, checked); }
  void SetListStyle(ViewStyle style) override { list1_.SetViewStyle(style); }
  void ChooseDateLayout(int layout) override;
  void SetArchiveFolder(const std::string& folder) override { lhaDialog_.SetInitialFolder(folder); }
  Node* SelectedNode() const override { return mirror_.Selected(); }
  void SelectNode(Node* node) override { mirror_.Select(node); }
  void ExpandAll(bool expand) override { mirror_.ExpandAll(expand); }
  void FocusTree() override { SetFocus(treeView_); }
  void BeginTreeUpdate() override { mirror_.BeginUpdate(); }
  void EndTreeUpdate() override { mirror_.EndUpdate(); }
  void SetBusy(bool busy) override;
  void BringToFront() override { SetForegroundWindow(wnd_); }
  void PumpMessages() override;
  void ShowErrorWindow() override;
  void ShowAbout() override;
  void ErrorBox(const std::string& message) override { win::ShowErrorBox(wnd_, message); }
  void Notice(const std::string& text) override { win::ShowNotice(wnd_, text); }
  bool Confirm(const std::string& question) override { return win::ConfirmYesNo(wnd_, question); }
  void PostClose() override { PostMessageA(wnd_, WM_CLOSE, 0, 0); }
  void Destroy() override { DestroyWindow(wnd_); }

  std::string settingsPath_;
  TDragPanel dragPanel1_;
  DpiScale scale_;  // the display's, read when the window is made; the layout is in 96-DPI pixels
  HWND subChek_ = nullptr;
  ui::RadioGroup rGroup_, aGroup_, sGroup_, hGroup_, radioGroup1_;
  ui::BitBtn bitBtn1_, bitBtn2_, bitBtn3_;
  ui::PopupMenu popupMenu1_, popupMenu2_, popupMenu3_;
  std::vector<ui::Shortcut> shortcuts_;
  HWND treeView_ = nullptr;
  HWND listView_ = nullptr;
  HWND statusBar_ = nullptr;
  win::Subclass statusHook_;  // the panels' texts, and the SubDir box's clicks passed on
  win::ScopedGdi font_;
  struct Panel {
    std::string text;
    bool right = false;
  };
  std::array<Panel, 7> panels_;

  win::Win32FileSystem fs_;
  win::TreeViewMirror mirror_;
  win::ListView1 list1_;
  win::ShellWin32 shell_;
  win::DateFormatWin32 dates_;
  win::Win32ProfileStore store_;
  LocaleDates locale_ = win::ReadLocaleDates();
  win::MaskEdit ageEdit_{locale_};
  win::DateLayoutMenu dateMenu_{popupMenu3_.Handle(), kCmdYearYYYY};
  const lha::win::ArchiverLibrary* archiver_;
  std::unique_ptr<lha::win::ArchiverLibrary> ownArchiver_;  // when start-up gave none
  lha::win::LhaSaveDialog lhaDialog_;
  std::unique_ptr<lha::win::Win32ArchivePlatform> archivePlatform_;
  std::unique_ptr<lha::win::Win32ArchiveUi> archiveUi_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<win::Win32CopyPlatform> copyPlatform_;
  Session session_;  // declared last: it goes first, its engines before the ports they use
};

// Registers the window classes and common controls; once per process.
bool RegisterMorvaneClasses(HINSTANCE instance);

// Runs the message loop with the drop hook until the main window has closed.
int RunMessageLoop(TForm1& form);

// The target paths of a wide command line (after the program's own name), absolute, in the code
// page: the code page's own command line would give names it cannot hold in a best-fit or '?'
// spelling, which reaches another file or none.
std::vector<std::string> ArgumentPaths(const wchar_t* commandLine);

}  // namespace mv
