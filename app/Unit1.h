// TForm1: the main window. It owns the target tree and wires the window's events to the logic.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/settings/settings.h"
#include "ui/Dragpnl.h"
#include "browse/browser.h"
#include "ops/lha/win32/lha_win32.h"
#include "ops/copy/copy_engine.h"
#include "ops/copy/win32/Unit2.h"
#include "ops/copy/win32/copy_platform_win32.h"
#include "ops/attrib/change_attr.h"
#include "ops/attrib/error_list.h"
#include "ops/attrib/win32/MaskEdit.h"
#include "ops/attrib/win32/Unit3.h"
#include "ops/attrib/win32/attrib_ui.h"
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
  kIdBitBtn1,  // コピー
  kIdBitBtn2,  // 変  更
  kIdBitBtn3,  // ＬＨＡ
  kIdButton1,  // Cancel
  kIdCheckBox1,  // 属性を無視
  kIdSubChek,    // SubDir
  kIdAgeEdit,
  kIdLabel1,
  kIdAgeLabel,
  kIdGroupBox1,
  kIdRGroup = 200,       // each radio group: its box at id - 1, its items from id on
  kIdAGroup = 210,
  kIdSGroup = 220,
  kIdHGroup = 230,
  kIdRadioGroup1 = 240,
};

// Menu commands.
enum MenuId : UINT {
  kCmdIcon = 1000, kCmdList, kCmdReport, kCmdSmallIcon,
  kCmdUpFolder, kCmdSelectAll, kCmdDelete1, kCmdChenge1, kCmdCopy1, kCmdLha1, kCmdErrList1, kCmdAbout1,
  kCmdDelete2, kCmdFullExpand1, kCmdFullCollapse1,
  kCmdYearYYYY, kCmdYearYY, kCmdMonthYYYY, kCmdMonthYY,
};

class TForm1 : public win::Window, private BrowseHost {
 public:
  // args: the paths to work on (the command line after the program's name); settingsPath:
  // the settings file (empty: Morvane.ini beside the executable).
  explicit TForm1(std::vector<std::string> args, std::string settingsPath = {},
                  const lha::win::ArchiverLibrary* archiver = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  bool Create(HINSTANCE instance);

  // The application-wide message hook: true when the message was a drop and has been handled.
  bool DropFiles(const MSG& msg);
  // What the message loop does before dispatching: the drop hook, then the keyboard moves
  // between the controls. True when the message was used up.
  bool PreTranslate(const MSG& msg);

  // Test access.
  TargetTree& Tree() { return tree_; }
  HWND TreeView() const { return treeView_; }
  HWND ListView() const { return listView_; }
  HWND StatusBar() const { return statusBar_; }
  HWND Control(int id) const;
  HMENU PopupMenu1() const { return popupMenu1_.Handle(); }
  HMENU PopupMenu2() const { return popupMenu2_.Handle(); }
  HMENU PopupMenu3() const { return popupMenu3_.Handle(); }
  ui::RadioGroup& Group(int firstId);
  Browser& Browse() { return browser_; }
  win::ListView1& List1() { return list1_; }
  void RunCommand(UINT id) { Command(id); }
  bool IsClosing() const { return closing_; }
  // A status bar panel's text as the control holds it, without the alignment tabs.
  std::string PanelText(int panel) const;
  TDragPanel& DragPanel1() { return dragPanel1_; }
  // The close request: writes the settings; false keeps the window open (a value could not be
  // written, and the error box has told the user).
  bool FormCloseQuery();
  ErrorList& Errors() { return errors_; }
  TForm3* Form3() { return form3_.get(); }
  win::MaskEdit& AgeEdit() { return ageEdit_; }
  // Create the progress dialog and the error window (start-up does this after the main window).
  bool CreateForm2(HINSTANCE instance);
  bool CreateForm3(HINSTANCE instance);
  lha::win::LhaCommands* Lha() { return lha_.get(); }
  TForm2* Form2() { return form2_.get(); }
  CopyEngine* Copy() { return copyEngine_.get(); }
  win::Win32CopyPlatform* CopyPlatformForTests() { return copyPlatform_.get(); }
  // A build or a copy run is pumping messages: nothing may change or walk the targets now.
  bool OperationRunning() const;

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

  void FormCreate();
  void FormShow();
  void BuildFromCommandLine();
  void EnableOperations(bool enable);
  void SelectFirstNode();
  void ApplyDrop(const std::vector<std::string>& paths);
  void RunPendingDrop();
  void ReportBuildFailures();
  void ShowErrorWindow();
  void Layout();
  void SetPanelText(int panel, const std::string& text, bool right);
  void DrawPanel(const DRAWITEMSTRUCT& dis) const;
  int LabelWidth(HWND label) const;
  void RestoreFocus();

  // BrowseHost
  void SetPanel(int panel, const std::string& text) override { SetPanelText(panel, text, true); }
  void ShowTotals() override;
  void SetBusy(bool busy) override;
  void DisableOperations() override { EnableOperations(false); }
  bool Closing() const override { return closing_; }

  bool ListKeyDown(UINT vk);
  void ContextMenu(HWND from, LPARAM lp);
  void SetViewStyle(UINT command);
  AttribChoices PanelChoices() const;
  void BitBtn2Click();
  void BitBtn1Click();
  void copy1Click();
  void AfterOperation();
  void Chenge1Click();
  void ApplySettings();
  Settings CurrentSettings() const;
  void CreateControls();
  void CreateMenus();
  void Command(UINT id);
  LRESULT StatusBarMessage(UINT msg, WPARAM wp, LPARAM lp);

  std::vector<std::string> args_;
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
  bool shown_ = false;
  bool building_ = false;
  std::vector<std::string> pendingDrop_;
  // How many of this window's handlers are on the stack: above one, a modal loop inside a
  // handler dispatched the message in hand.
  int handlerDepth_ = 0;

  TargetTree tree_;
  win::Win32FileSystem fs_;
  win::TreeViewMirror mirror_;
  std::unique_ptr<TreeBuilder> builder_;
  win::ListView1 list1_;
  win::DirTreePort treePort_{tree_, mirror_};
  win::ShellWin32 shell_;
  win::DateFormatWin32 dates_;
  Browser browser_{tree_, fs_, list1_, treePort_, shell_, dates_, *this};
  bool closing_ = false;
  LocaleDates locale_ = win::ReadLocaleDates();
  ErrorList errors_;
  win::MaskEdit ageEdit_{locale_};
  win::DateLayoutMenu dateMenu_{popupMenu3_.Handle(), kCmdYearYYYY};
  AttribChanger changer_{fs_, errors_, [this] { return PanelChoices(); }, locale_, &win::CurrentLocalYear};
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm2> form2_;
  const lha::win::ArchiverLibrary* archiver_;
  std::unique_ptr<lha::win::ArchiverLibrary> ownArchiver_;  // when start-up gave none
  std::unique_ptr<lha::win::LhaCommands> lha_;
  std::unique_ptr<win::Win32CopyPlatform> copyPlatform_;
  std::unique_ptr<CopyEngine> copyEngine_;  // declared last: it goes first
  bool closeAfterRun_ = false;
  int closedFolderIcon_ = 0;
  int openFolderIcon_ = 0;
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
