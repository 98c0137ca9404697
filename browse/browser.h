// The file list of the selected folder, its selection figures, the commands that shrink the
// target set and the navigation commands. Row i of the list is entry i of the selected node, and
// folder rows (the first ChildCount rows) are its child nodes in the same order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "browse/ports.h"
#include "platform/fs.h"
#include "targets/tree.h"

namespace mv {

// Cells of one row.
std::string SizeCell(int64_t size);  // right-aligned in at least ten characters
std::string DateCell(const FindItem& item, FileSystem& fs, DateFormatter& dates);
std::vector<std::string> AttributeCells(uint32_t attributes);  // R, A, S, H or empty texts
// The value of a Size cell: leading blanks skipped, 0 for an empty or unreadable cell.
int64_t SizeCellValue(const std::string& cell);

std::string CountText(int64_t count);  // "1,234個"
std::string BytesText(int64_t bytes);  // "1,234ﾊﾞｲﾄ"

enum class ViewStyle { Icon, SmallIcon, List, Report };

// Enabled states of the list's context menu; the items not named here are always enabled.
struct ListMenuState {
  bool remove = true, change = true, copy = true, lha = true;  // a row is selected
  bool selectAll = true;                                       // the list has rows
  bool upFolder = true;  // the tree has nodes and the selection is not the top folder
};
struct TreeMenuState {
  bool remove = true, fullExpand = true, fullCollapse = true;  // a node is selected
};

class Browser {
 public:
  Browser(TargetTree& tree, FileSystem& fs, ListViewPort& list, TreeViewPort& treeView,
          ShellPort& shell, DateFormatter& dates, BrowseHost& host);

  // Rebuilds every row from the selected node; caches and figures are left as they are.
  void FillFileList();
  // A node became the tree's selection (null: none).
  void DirTreeViewChange(Node* node);

  void UpdateSelectionFlat();  // every change notification of the list
  void ListView1Click();       // the deep count
  // Adds every entry below the node, with the sizes recorded in the entries.
  void SumFolderTree(const Node& node, int64_t& bytes, int64_t& count);

  bool SubDir() const { return subDir_; }
  void SetSubDir(bool on) { subDir_ = on; }  // from the settings, without recounting
  void SubChekClick(bool checked);           // the box was toggled: recount in the new mode

  // Mouse rules: true when the list should take the mouse capture.
  bool ListView1MouseDown() const { return subDir_; }
  // A button went up; listHasCapture from GetCapture. True when the capture should be released.
  bool ListView1MouseUp(bool listHasCapture);
  void ListView1KeyDown(int virtualKey);  // Enter opens
  void ListView1KeyUp();                  // every release recounts

  void selectAll1Click();

  void Delete1Click();  // removes the selected rows from the target set
  void delete2Click();  // removes the selected folder node
  void RemoveSubtreeFromTotals(const Node& node);
  bool RemoveChildNode(const std::string& name);  // first child of the selection with that name
  void ListView1DblClick();
  void upfolderClick();
  void FullExpand1Click();
  void FullCollapse1Click();

  ListMenuState PopupMenu1Popup() const;
  TreeMenuState PopupMenu2Popup() const;

  // Deep figures per row of the selected node; nullopt while not computed.
  const std::vector<std::optional<int64_t>>& SizeCache() const { return sizeCache_; }
  const std::vector<std::optional<int64_t>>& CountCache() const { return countCache_; }

 private:
  struct Busy;
  class FolderListing;
  void Fill(const Node* node);
  void ShowSelection(int64_t count, int64_t bytes);
  bool IsFolderPath(const std::string& path);  // a failed query is never a folder

  TargetTree& tree_;
  FileSystem& fs_;
  ListViewPort& list_;
  TreeViewPort& treeView_;
  ShellPort& shell_;
  DateFormatter& dates_;
  BrowseHost& host_;
  bool subDir_ = false;
  int busyDepth_ = 0;
  std::vector<std::optional<int64_t>> sizeCache_;
  std::vector<std::optional<int64_t>> countCache_;
};

}  // namespace mv
