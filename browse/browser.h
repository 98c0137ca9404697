// The file list of the selected folder, its selection figures, the commands that shrink the
// target set and the navigation commands. Row i of the list is entry i of the selected node, and
// folder rows (the first ChildCount rows) are its child nodes in the same order.
#pragma once

#include <cstdint>
#include <memory>
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
  ~Browser();
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // Rebuilds every row from the selected node; the deep figures' caches are left as they are.
  void FillFileList();
  // A node became the tree's selection (null: none).
  void DirTreeViewChange(Node* node);

  // The list's texts, asked for when a row is drawn or read from outside: column 0 the caption
  // (the shell's display name, asked once per fill), 1 to 6 the cells. Empty past the rows.
  std::string RowText(size_t row, int column);
  // What the caption shows where the code page cannot hold the shell's name; empty otherwise.
  std::wstring RowShown(size_t row);
  int RowImage(size_t row);  // -1: the row has no image
  // The caption as far as it is known without asking the shell: the shell's name once the row
  // was shown or read, its own name before. Empty past the rows.
  std::string RowName(size_t row) const;
  // The first row from start on (then from the top, when wrap) whose caption is text, or begins
  // with it when partial, letters of either case alike, as typing in the list finds a row;
  // nullopt when none does.
  std::optional<size_t> FindRow(const std::string& text, size_t start, bool wrap,
                                bool partial) const;

  // The list's change notification: the row's selected state is now this. The figures move by
  // the row's own figures and are written when the batch of changes ends.
  void ListView1Change(size_t row, bool selected);
  // The rows selected as the notifications said.
  size_t SelectedRowCount() const;
  // Rows first to last (inclusive) all took this selected state, in one notification.
  void ListView1ChangeRange(size_t first, size_t last, bool selected);
  // The control changed rows without naming them: every row's state is read again.
  void ListView1ChangeAll();
  // Changes between Begin and End are written to panels 4 and 5 once, at the outermost End.
  void BeginChanges() { ++batchDepth_; }
  void EndChanges();

  void UpdateSelectionFlat();  // flat figures into panels 4 and 5
  void ListView1Click();       // the deep figures into panels 4 and 5
  // Adds every entry below the node, with the sizes recorded in the entries.
  void SumFolderTree(const Node& node, int64_t& bytes, int64_t& count);

  bool SubDir() const { return subDir_; }
  void SetSubDir(bool on) {  // from the settings, without recounting
    subDir_ = on;
    deepStale_ = true;
  }
  void SubChekClick(bool checked);  // the box was toggled: recount in the new mode

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
  struct Changes;
  class FolderListing;
  // One row: what the folder's search gave, and what the shell said once it was asked.
  struct Described {
    std::string caption;  // the shell's display name, or the path's own name
    std::wstring shown;   // the name the caption shows where the code page cannot hold it
  };
  struct Row {
    std::string path;  // without rowsFolder_ where inFolder: most rows' names need no heap
    std::unique_ptr<Described> described;  // null until the shell has been asked
    int64_t size = 0;
    uint64_t lastWrite = 0;
    uint32_t attributes = 0;
    int image = -1;
    bool inFolder = false;
    bool found = false;     // the search reported the path
    bool selected = false;  // as the control's notifications said
  };
  std::string PathOf(const Row& row) const {
    return row.inFolder ? rowsFolder_ + row.path : row.path;
  }
  void Fill(const Node* node);
  void DropRows();  // the rows, their figures and the shell's batch go
  void Describe(Row& row);
  void MarkSelected(size_t row, bool selected);
  std::pair<int64_t, int64_t> DeepFigures(size_t row);  // bytes, count; cached per folder
  void RecountDeep();
  void WriteFigures();
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
  std::vector<Row> rows_;
  std::string rowsFolder_;   // the folder most rows are in
  bool shellBatch_ = false;  // the shell's batch stays open while rows may still be described
  bool rowsFrozen_ = false;  // rows are being removed: row i of the control may not be rows_[i]
  // Running selection figures; the deep ones only while SubDir is ticked and not stale.
  int64_t flatCount_ = 0, flatBytes_ = 0, deepCount_ = 0, deepBytes_ = 0;
  bool deepStale_ = true;
  int batchDepth_ = 0;
  bool dirty_ = false;  // figures to write when the batch ends
  std::vector<std::optional<int64_t>> sizeCache_;
  std::vector<std::optional<int64_t>> countCache_;
};

}  // namespace mv
