// The main window's logic without the window: the target model, the engines, the command switch,
// the run state (the operation running, a drop or a close held back until it ends) and the answers
// to a close and to the end of the user's session. The window unpacks its messages into the calls
// below and does what SessionWindow asks of it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/settings/settings.h"
#include "browse/browser.h"
#include "browse/ports.h"
#include "ops/attrib/change_attr.h"
#include "ops/common/error_list.h"
#include "ops/copy/copy_engine.h"
#include "ops/lha/archive_commands.h"
#include "platform/fs.h"
#include "targets/builder.h"
#include "targets/tree.h"

namespace mv {

// The buttons and menu items of the main window.
enum class Command {
  Change,           // "変  更": the whole tree
  Copy,             // "コピー"
  Archive,          // "ＬＨＡ"
  ChangeSelected,   // menu "属性変更": the selected rows
  CopySelected,     // menu "コピー"
  ArchiveSelected,  // menu "Lha圧縮"
  Close,            // "Cancel"
  ErrorList,        // "ERR LIST"
  About,            // "バージョン情報"
  SubDir,           // the "SubDir" box was toggled
  ViewIcon,         // the four view styles, in menu order
  ViewList,
  ViewReport,
  ViewSmallIcon,
  UpFolder,
  SelectAll,
  RemoveRows,  // "対象から削除" of the list
  RemoveNode,  // "対象から削除" of the tree
  FullExpand,
  FullCollapse,
  DateLayout1,  // the date field's four layouts, in menu order
  DateLayout2,
  DateLayout3,
  DateLayout4,
};

// What the session needs of the main window: its controls, its boxes and its life.
class SessionWindow {
 public:
  virtual ~SessionWindow() = default;

  // What the controls hold at the moment of asking.
  virtual AttribChoices AttribPanel() const = 0;
  virtual int ExistingItem() const = 0;       // "同名ファイル": the chosen item, -1 for none
  virtual bool IgnoreAttributes() const = 0;  // "属性を無視"
  virtual bool SubDirChecked() const = 0;
  // The settings as the window shows them now: the date label, the view marks, the box, the
  // sizes (a minimised or maximised window's restored ones) and the display's density.
  virtual Settings CurrentSettings() const = 0;

  // Settings applied at start-up.
  virtual void RestoreDateLabel(const std::string& label) = 0;
  virtual void SetSizes(int formWidth, int formHeight, int treeWidth) = 0;
  virtual void SetSubDirChecked(bool checked) = 0;

  virtual void SetPanel(int panel, const std::string& text) = 0;  // right-aligned
  virtual void EnableOperations(bool enable) = 0;  // "コピー", "変  更", "ＬＨＡ"
  virtual void SetViewMark(int item,
                           bool checked) = 0;  // item 0..3: ICON, LIST, REPORT, SMALL ICON
  virtual void SetListStyle(ViewStyle style) = 0;
  virtual void ChooseDateLayout(int layout) = 0;  // 0..3: the field's mask, the label, the marks
  virtual void SetArchiveFolder(const std::string& folder) = 0;  // where the save dialog starts

  // The folder tree control.
  virtual Node* SelectedNode() const = 0;
  virtual void SelectNode(Node* node) = 0;
  virtual void ExpandAll(bool expand) = 0;
  virtual void FocusTree() = 0;
  virtual void BeginTreeUpdate() = 0;  // no drawing until the matching End
  virtual void EndTreeUpdate() = 0;

  virtual void SetBusy(bool busy) = 0;  // the screen-wide hourglass
  virtual void BringToFront() = 0;
  virtual void PumpMessages() = 0;  // what is pending, through the window's own hook
  virtual void ShowErrorWindow() = 0;
  virtual void ShowAbout() = 0;
  virtual void ErrorBox(const std::string& message) = 0;  // the application's, "." appended
  virtual void Notice(const std::string& text) = 0;
  virtual bool Confirm(const std::string& question) = 0;  // Yes/No; true only for Yes

  virtual void PostClose() = 0;  // a close request, handled when the loop gets to it
  virtual void Destroy() = 0;    // the window goes now
};

// The ports the engines reach the platform through.
struct SessionPorts {
  FileSystem& fs;
  ListViewPort& list;
  ShellPort& shell;
  DateFormatter& dates;
  ProfileStore& settings;
  TreeObserver* mirror = nullptr;  // the tree control, told of every change of the tree
  LocaleDates locale;
  std::function<int()> currentYear;
};

class Session : private BrowseHost, private TreeViewPort, private AttribRunUi {
 public:
  // What is running: nothing may change or walk the targets meanwhile.
  enum class Operation { None, Build, Copy, Archive, Change };

  // args: the paths of the command line, built at the first show.
  Session(SessionWindow& window, SessionPorts ports, std::vector<std::string> args);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The engines that need windows made after the main one.
  void AttachCopy(CopyPlatform& platform, CopyProgress& progress);
  void AttachArchive(lha::ArchivePlatform& platform, lha::ArchiveUi& ui);

  // Start-up: the stored choices onto the window.
  void ApplySettings();
  // True once: the first time the window is shown, when the command line is to be built.
  bool FirstShow();
  void BuildFromCommandLine();

  // A handler of the window begins or ends. Above one, a modal loop inside a handler dispatched
  // the message in hand; what it held back runs when the outermost handler has returned.
  void EnterHandler() { ++depth_; }
  void LeaveHandler();

  // Files dropped on the window: built now, or after the operation or handler in the way.
  void Drop(std::vector<std::string> paths);
  // A close request: the settings are written and the window goes, or, under an operation or a
  // handler, the close waits for its end (a copy is cancelled first).
  void Close();
  // The session is ending: the settings are written; false when a value could not be, and the
  // end is refused as a close would be.
  bool QueryEndSession();
  // The end of the session (ending) or its cancellation.
  void EndSession(bool ending);
  // The window is going: the tree goes with it and nothing held back is replayed.
  void Destroying();

  void Run(Command command);
  void CancelCopy();  // the progress dialog's Cancel

  // Writes the settings; false keeps the window open (a value could not be written, and the
  // error box has said so). Closing() is true from then on.
  bool CloseQuery();

  Operation Running() const { return running_; }
  bool Closing() const override { return closing_; }
  TargetTree& Tree() { return tree_; }
  Browser& Browse() { return browser_; }
  ErrorList& Errors() { return errors_; }

 private:
  // Nothing held back may run now: an operation runs, or a handler's modal loop is in the way.
  bool Held() const { return running_ != Operation::None || depth_ > 1; }
  void Settle();
  void ApplyDrop(const std::vector<std::string>& paths);
  void AfterBuild();
  void SelectFirstNode();
  void ReportBuildFailures();
  void SetViewStyle(int item);
  template <typename F>
  void Operate(Operation op, F&& body);
  std::vector<size_t> SelectedRows() const;

  // BrowseHost
  void SetPanel(int panel, const std::string& text) override { window_.SetPanel(panel, text); }
  void ShowTotals() override;
  void SetBusy(bool busy) override { window_.SetBusy(busy); }
  void DisableOperations() override { window_.EnableOperations(false); }

  // TreeViewPort: the control's selection and expansion, the tree's nodes.
  Node* Selected() const override { return window_.SelectedNode(); }
  void Select(Node* node) override { window_.SelectNode(node); }
  Node* FirstNode() const override { return tree_.FirstNode(); }
  void Remove(Node& node) override { tree_.Remove(node); }
  void RemoveAll() override { tree_.Clear(); }
  void ExpandAll(bool expand) override { window_.ExpandAll(expand); }

  // AttribRunUi
  void Notice(const std::string& text) override { window_.Notice(text); }
  bool Confirm(const std::string& question) override { return window_.Confirm(question); }
  void RefillFileList() override { browser_.FillFileList(); }
  void ShowErrorWindow() override { window_.ShowErrorWindow(); }

  SessionWindow& window_;
  ListViewPort& list_;
  ProfileStore& settings_;
  std::vector<std::string> args_;
  TargetTree tree_;
  ErrorList errors_;
  TreeBuilder builder_;
  Browser browser_;
  AttribChanger changer_;
  std::unique_ptr<lha::ArchiveCommands> archive_;
  std::unique_ptr<CopyEngine> copy_;

  Operation running_ = Operation::None;
  int depth_ = 0;
  bool shown_ = false;
  bool closing_ = false;
  bool gone_ = false;  // the window has been destroyed
  std::vector<std::string> pendingDrop_;
  bool pendingClose_ = false;
  bool pendingEnd_ = false;
};

}  // namespace mv
