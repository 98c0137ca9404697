// TForm1: the main window. It owns the target tree and wires the window's events to the logic.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"
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
};

class TForm1 {
 public:
  // args: the paths to work on (the command line after the program's name).
  explicit TForm1(std::vector<std::string> args);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  bool Create(HINSTANCE instance);
  HWND Handle() const { return wnd_; }

  // The application-wide message hook: true when the message was a drop and has been handled.
  bool DropFiles(const MSG& msg);

  // Test access.
  TargetTree& Tree() { return tree_; }
  HWND TreeView() const { return treeView_; }
  HWND ListView() const { return listView_; }
  HWND StatusBar() const { return statusBar_; }
  HWND Control(int id) const { return GetDlgItem(wnd_, id); }

  static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  void FormCreate();
  void FormShow();
  void BuildFromCommandLine();
  void ShowTotals();
  void EnableOperations(bool enable);
  void SelectFirstNode();
  void ApplyDrop(const std::vector<std::string>& paths);
  void RunPendingDrop();
  void Layout();
  void SetPanelText(int panel, const std::string& text, bool right);

  std::vector<std::string> args_;
  HWND wnd_ = nullptr;
  HWND treeView_ = nullptr;
  HWND listView_ = nullptr;
  HWND statusBar_ = nullptr;
  win::ScopedGdi font_;
  bool shown_ = false;
  bool building_ = false;
  std::vector<std::string> pendingDrop_;

  TargetTree tree_;
  win::Win32FileSystem fs_;
  win::TreeViewMirror mirror_;
  std::unique_ptr<TreeBuilder> builder_;
  int closedFolderIcon_ = 0;
  int openFolderIcon_ = 0;
};

// Registers the window classes and common controls; once per process.
bool RegisterMorvaneClasses(HINSTANCE instance);

// Runs the message loop with the drop hook until the main window has closed.
int RunMessageLoop(TForm1& form);

}  // namespace mv
