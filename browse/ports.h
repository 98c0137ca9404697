// What the file list and navigation logic needs of the window system: the list, the tree, the
// shell, the locale's date texts and the main window. Win32 implements them in browse/win32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "targets/tree.h"

namespace mv {

// An icon the shell handed out; the platform's subclass frees the handle (one handed out inside a
// batch may be shared, and then lasts until the batch ends).
class ShellIcon {
 public:
  virtual ~ShellIcon() = default;
};

struct ShellInfo {
  bool found = false;       // false when the shell knows nothing of the path
  std::string displayName;  // the name as the shell shows it
  // Where the code page cannot hold that name: the name itself, and displayName is the short
  // name of the path, which the tree's nodes carry as well.
  std::wstring wideName;
  std::unique_ptr<ShellIcon> icon;
};

class ShellPort {
 public:
  virtual ~ShellPort() = default;
  virtual ShellInfo Describe(const std::string& path, bool smallIcon) = 0;
  // Describe calls between these may share what the shell learnt of their folder, which is
  // dropped at the end (a folder's files change between fills).
  virtual void BeginBatch() {}
  virtual void EndBatch() {}
  // Opens the path with its associated program; the outcome is not reported.
  virtual void Open(const std::string& path) = 0;
};

// The file list control. Rows are never sorted, so row i stays entry i of the selected node. The
// control holds nothing of a row but its selected state: it asks the browser for a row's
// caption, cells and image when it draws the row or is asked for it (Browser::RowText, RowShown,
// RowImage).
class ListViewPort {
 public:
  virtual ~ListViewPort() = default;
  virtual size_t RowCount() const = 0;
  virtual void DeleteAll() = 0;
  // Empties both image lists.
  virtual void ClearImages() = 0;
  // This many rows are about to be appended to the emptied list: room for their images may be
  // made at once.
  virtual void ReserveRows(size_t /*rows*/) {}
  // An image of these two icons, at one index in both lists, for a row: appended, or one made
  // earlier in the same fill for the same icons. -1 and nothing added when either icon is
  // missing, so both lists stay in step.
  virtual int AddImages(const ShellIcon* small, const ShellIcon* large) = 0;
  // Appends this many unselected rows whose texts and image are the browser's.
  virtual void AppendRows(size_t count) = 0;
  virtual bool IsSelected(size_t row) const = 0;
  // Each changed row raises a change notification (Browser::ListView1Change).
  virtual void SetSelected(size_t row, bool selected) = 0;
  // Every row selected, first row first; the notifications may name each row or none.
  virtual void SelectAll() {
    for (size_t i = 0, n = RowCount(); i < n; ++i) SetSelected(i, true);
  }
  virtual size_t SelectedCount() const {
    size_t n = 0;
    for (size_t i = 0, rows = RowCount(); i < rows; ++i) n += IsSelected(i) ? 1 : 0;
    return n;
  }
  // The selected rows, in ascending order.
  virtual std::vector<size_t> SelectedRows() const {
    std::vector<size_t> rows;
    for (size_t i = 0, n = RowCount(); i < n; ++i)
      if (IsSelected(i)) rows.push_back(i);
    return rows;
  }
  virtual void DeleteRow(size_t row) = 0;
  virtual std::optional<size_t> FirstSelected() const = 0;
  virtual void SuspendRedraw() = 0;
  virtual void ResumeRedraw() = 0;
};

// The folder tree control over the target tree. Selecting a node (also when the control moves
// its selection itself, as after a deletion) makes the window call Browser::DirTreeViewChange.
class TreeViewPort {
 public:
  virtual ~TreeViewPort() = default;
  virtual Node* Selected() const = 0;
  virtual void Select(Node* node) = 0;
  virtual Node* FirstNode() const = 0;
  virtual void Remove(Node& node) = 0;  // the node and everything below it, via TargetTree
  virtual void RemoveAll() = 0;
  virtual void ExpandAll(bool expand) = 0;
};

// The locale's renderings of a last-write time.
class DateFormatter {
 public:
  virtual ~DateFormatter() = default;
  virtual std::string ShortDate(uint32_t dos) = 0;  // date in the high word
  virtual std::string LongTime(uint32_t dos) = 0;   // time in the low word
  // A time the packed form cannot hold (UTC file time): the platform's own local date-time.
  virtual std::string FileTimeText(uint64_t fileTime) = 0;
};

// The main window's part in browsing.
class BrowseHost {
 public:
  virtual ~BrowseHost() = default;
  virtual void SetPanel(int panel, const std::string& text) = 0;  // status bar panels 4 and 5
  virtual void ShowTotals() = 0;                                  // panels 1 and 2
  virtual void SetBusy(bool busy) = 0;                            // screen-wide hourglass
  virtual void DisableOperations() = 0;  // "コピー", "変  更", "ＬＨＡ" after the tree is gone
  virtual bool Closing() const = 0;      // the close query has run
};

}  // namespace mv
