#include "browse/browser.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <unordered_map>

#include "platform/text.h"
#include "targets/entry.h"

namespace mv {

std::string SizeCell(int64_t size) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%10lld", static_cast<long long>(size));
  return buf;
}

std::string DateCell(const FindItem& item, FileSystem& fs, DateFormatter& dates) {
  std::optional<uint32_t> dos = fs.ToLocalDos(item.lastWrite);
  if (!dos) return dates.FileTimeText(item.lastWrite);
  std::string text = dates.ShortDate(*dos);
  if ((*dos & 0xFFFFu) != 0) {  // midnight shows the date alone
    text += ' ';
    text += dates.LongTime(*dos);
  }
  return text;
}

std::vector<std::string> AttributeCells(uint32_t attributes) {
  auto flag = [&](uint32_t bit, const char* letter) {
    return std::string((attributes & bit) ? letter : "");
  };
  return {flag(kAttrReadOnly, "R"), flag(kAttrArchive, "A"), flag(kAttrSystem, "S"),
          flag(kAttrHidden, "H")};
}

int64_t SizeCellValue(const std::string& cell) {
  size_t i = cell.find_first_not_of(' ');
  if (i == std::string::npos) return 0;
  int64_t value = 0;
  auto res = std::from_chars(cell.data() + i, cell.data() + cell.size(), value);
  return res.ec == std::errc() ? value : 0;
}

std::string CountText(int64_t count) { return FormatTotal(count) + "個"; }
std::string BytesText(int64_t bytes) { return FormatTotal(bytes) + "ﾊﾞｲﾄ"; }

// The hourglass for the life of a command; nested commands keep it until the outermost ends.
struct Browser::Busy {
  explicit Busy(Browser& b) : b(b) {
    if (b.busyDepth_++ == 0) b.host_.SetBusy(true);
  }
  ~Busy() {
    if (--b.busyDepth_ == 0) b.host_.SetBusy(false);
  }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  Browser& b;
};

// Changes of the selection inside a command are written once, when the command ends.
struct Browser::Changes {
  explicit Changes(Browser& b) : b(b) { b.BeginChanges(); }
  ~Changes() { b.EndChanges(); }
  Changes(const Changes&) = delete;
  Changes& operator=(const Changes&) = delete;
  Browser& b;
};

namespace {
struct RedrawOff {
  explicit RedrawOff(ListViewPort& list) : list(list) { list.SuspendRedraw(); }
  ~RedrawOff() { list.ResumeRedraw(); }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;
  ListViewPort& list;
};

// Drops the marked items of a vector in one pass, keeping the order of the others.
template <class T>
void EraseMarked(std::vector<T>& items, const std::vector<bool>& gone) {
  size_t out = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i < gone.size() && gone[i]) continue;
    if (out != i) items[out] = std::move(items[i]);
    ++out;
  }
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(out), items.end());
}
}  // namespace

// The look-up of every row's path. A node's entries mostly share one folder: one search of it
// answers them all, where a search per row opens the folder once per row. A path the search did
// not report (gone, or in another folder) is looked up on its own, as before.
class Browser::FolderListing {
 public:
  FolderListing(FileSystem& fs, const Node& node) : fs_(fs) {
    if (node.entries.size() < 2) return;
    folder_ = PathFolder(EntryPath(node.entries.front()));
    if (folder_.empty() || folder_.back() != '\\') return;  // "D:" alone names no folder
    for (const std::string& entry : node.entries)
      if (PathFolder(EntryPath(entry)) != folder_) return;  // targets from several folders
    // Of equal names the first is kept, as a search for the name would find it; a marked name
    // names no single item and is left to its own look-up.
    fs_.Search(folder_ + "*.*", [&](const FindItem& item) {
      if (NamesOneItem(item.name)) items_.emplace(item.name, item);
    });
  }
  // Each item is handed out once, so the rows' own data can take its room; a path asked for
  // again is looked up on its own.
  std::optional<FindItem> Find(const std::string& path) {
    const std::string name = PathName(path);
    if (!items_.empty() && path.size() == folder_.size() + name.size()) {
      if (auto it = items_.find(name); it != items_.end()) {
        FindItem item = std::move(it->second);
        items_.erase(it);
        return item;
      }
    }
    return fs_.FindOne(path, kMaskAll);
  }

 private:
  FileSystem& fs_;
  std::string folder_;
  std::unordered_map<std::string, FindItem> items_;
};

Browser::Browser(TargetTree& tree, FileSystem& fs, ListViewPort& list, TreeViewPort& treeView,
                 ShellPort& shell, DateFormatter& dates, BrowseHost& host)
    : tree_(tree),
      fs_(fs),
      list_(list),
      treeView_(treeView),
      shell_(shell),
      dates_(dates),
      host_(host) {}

Browser::~Browser() {
  if (shellBatch_) shell_.EndBatch();
}

bool Browser::IsFolderPath(const std::string& path) {
  uint32_t attributes = fs_.GetAttributes(path);
  return attributes != kAttrInvalid && (attributes & kAttrDirectory);
}

void Browser::ShowSelection(int64_t count, int64_t bytes) {
  host_.SetPanel(4, CountText(count));
  host_.SetPanel(5, BytesText(bytes));
}

void Browser::EndChanges() {
  if (batchDepth_ > 0 && --batchDepth_ == 0 && dirty_) WriteFigures();
}

// The figures of the mode in force; once the close query has run the deep ones are left alone.
void Browser::WriteFigures() {
  if (batchDepth_ > 0) {
    dirty_ = true;
    return;
  }
  dirty_ = false;
  if (!subDir_) {
    ShowSelection(flatCount_, flatBytes_);
    return;
  }
  if (host_.Closing()) return;
  if (deepStale_) RecountDeep();
  ShowSelection(deepCount_, deepBytes_);
}

void Browser::FillFileList() {
  Changes changes(*this);
  Fill(treeView_.Selected());
  dirty_ = true;  // the new rows are all unselected
}

void Browser::DropRows() {
  rows_.clear();
  rows_.shrink_to_fit();
  rowsFolder_.clear();
  if (shellBatch_) {
    shellBatch_ = false;
    shell_.EndBatch();
  }
  flatCount_ = flatBytes_ = deepCount_ = deepBytes_ = 0;
  deepStale_ = false;
  dirty_ = true;
}

// Rows go in with what the folder's search gave; the shell is asked for a row's name and icons
// only when the row is drawn or read, in one batch kept open until the rows go.
void Browser::Fill(const Node* node) {
  Busy busy(*this);
  RedrawOff redraw(list_);
  DropRows();  // first: the control's notifications while it empties name no row of ours
  list_.ClearImages();
  list_.DeleteAll();
  if (!node) return;
  list_.ReserveRows(node->entries.size());
  shell_.BeginBatch();
  shellBatch_ = true;
  rows_.reserve(node->entries.size());
  rowsFolder_ =
      node->entries.empty() ? std::string() : PathFolder(EntryPath(node->entries.front()));
  bool oneFolder = !rowsFolder_.empty() && rowsFolder_.back() == '\\';  // "D:" names no folder
  for (const std::string& entry : node->entries) {
    Row row;
    const std::string path = EntryPath(entry);
    row.inFolder = !rowsFolder_.empty() && path.size() > rowsFolder_.size() &&
                   path.compare(0, rowsFolder_.size(), rowsFolder_) == 0 &&
                   PathFolder(path).size() == rowsFolder_.size();
    oneFolder = oneFolder && row.inFolder;
    row.path = row.inFolder ? path.substr(rowsFolder_.size()) : path;
    // An item the code page cannot name is shown by its marked name alone: asking the shell or
    // the file system for it would answer for whatever it matches.
    if (!NamesOneItem(path)) {
      row.described = std::make_unique<Described>();
      row.described->caption = PathName(path);
    }
    rows_.push_back(std::move(row));
  }
  auto take = [](Row& row, const FindItem& item) {
    row.found = true;
    row.size = item.size;
    row.lastWrite = item.lastWrite;
    row.attributes = item.attributes;
  };
  // The rows of one folder are answered by one search of it, found by name (of equal names the
  // first is kept, as a search for the name would find it; a marked name names no single item).
  std::vector<bool> searched(rows_.size());
  if (oneFolder && rows_.size() >= 2) {
    std::unordered_map<std::string_view, size_t> byName;
    byName.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i)
      if (!rows_[i].described) byName.emplace(rows_[i].path, i);
    fs_.Search(rowsFolder_ + "*.*", [&](const FindItem& item) {
      if (!NamesOneItem(item.name)) return;
      auto it = byName.find(item.name);
      if (it == byName.end()) return;
      take(rows_[it->second], item);
      searched[it->second] = true;
      byName.erase(it);
    });
  }
  // A path the search did not report (gone, named twice, or in another folder) is looked up on
  // its own.
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (searched[i] || rows_[i].described) continue;
    if (std::optional<FindItem> found = fs_.FindOne(PathOf(rows_[i]), kMaskAll))
      take(rows_[i], *found);
  }
  list_.AppendRows(rows_.size());
}

void Browser::Describe(Row& row) {
  if (row.described) return;
  const std::string path = PathOf(row);
  ShellInfo large = shell_.Describe(path, false);
  ShellInfo small = shell_.Describe(path, true);
  row.described = std::make_unique<Described>();
  row.image = list_.AddImages(small.icon.get(), large.icon.get());
  // A path the shell cannot name (it has vanished) still shows its own name.
  const ShellInfo* named = small.found ? &small : large.found ? &large : nullptr;
  row.described->caption = named ? named->displayName : PathName(path);
  if (named) row.described->shown = named->wideName;
}

std::string Browser::RowText(size_t i, int column) {
  if (i >= rows_.size() || rowsFrozen_) return {};
  Row& row = rows_[i];
  if (column == 0) {
    Describe(row);
    return row.described->caption;
  }
  if (!row.found || column < 1 || column > 6) return {};
  if (column == 1) return SizeCell(row.size);
  if (column == 2) {
    FindItem item;
    item.lastWrite = row.lastWrite;
    return DateCell(item, fs_, dates_);
  }
  return AttributeCells(row.attributes)[static_cast<size_t>(column - 3)];
}

std::wstring Browser::RowShown(size_t i) {
  if (i >= rows_.size() || rowsFrozen_) return {};
  Describe(rows_[i]);
  return rows_[i].described->shown;
}

int Browser::RowImage(size_t i) {
  if (i >= rows_.size() || rowsFrozen_) return -1;
  Describe(rows_[i]);
  return rows_[i].image;
}

std::string Browser::RowName(size_t i) const {
  if (i >= rows_.size() || rowsFrozen_) return {};
  const Row& row = rows_[i];
  return row.described ? row.described->caption : PathName(row.path);
}

std::optional<size_t> Browser::FindRow(const std::string& text, size_t start, bool wrap,
                                       bool partial) const {
  if (text.empty() || rowsFrozen_) return std::nullopt;
  auto matches = [&](size_t i) {
    const std::string name = RowName(i);
    if (!partial) return EqualsNoCase(name, text);
    // The caption's first characters that cover as many bytes as the text: a text ending inside
    // a double-byte character matches nothing.
    const size_t n = text.size();
    return n <= name.size() && IsCharBoundary(name, n) &&
           EqualsNoCase(std::string_view(name).substr(0, n), text);
  };
  for (size_t i = start; i < rows_.size(); ++i)
    if (matches(i)) return i;
  if (wrap)
    for (size_t i = 0; i < std::min(start, rows_.size()); ++i)
      if (matches(i)) return i;
  return std::nullopt;
}

void Browser::DirTreeViewChange(Node* node) {
  Changes changes(*this);
  const size_t rows = node ? node->entries.size() : 0;
  sizeCache_.assign(rows, std::nullopt);
  countCache_.assign(rows, std::nullopt);
  Fill(node);
}

// A row's figures join or leave the running figures; the deep ones of a row are computed the
// first time it is selected in the deep mode and kept until the next folder selection.
void Browser::MarkSelected(size_t i, bool selected) {
  if (i >= rows_.size() || rows_[i].selected == selected) return;
  Row& row = rows_[i];
  row.selected = selected;
  const int64_t sign = selected ? 1 : -1;
  flatCount_ += sign;
  flatBytes_ += sign * (row.found ? row.size : 0);
  if (subDir_ && !deepStale_) {
    if (host_.Closing()) {
      deepStale_ = true;  // the deep count does nothing now; recounted if it ever runs again
    } else {
      const auto [bytes, count] = DeepFigures(i);
      deepBytes_ += sign * bytes;
      deepCount_ += sign * count;
    }
  }
  dirty_ = true;
}

void Browser::ListView1Change(size_t row, bool selected) {
  Changes changes(*this);
  MarkSelected(row, selected);
}

size_t Browser::SelectedRowCount() const { return static_cast<size_t>(flatCount_); }

void Browser::ListView1ChangeRange(size_t first, size_t last, bool selected) {
  Changes changes(*this);
  for (size_t i = first; i <= last && i < rows_.size(); ++i) MarkSelected(i, selected);
}

void Browser::ListView1ChangeAll() {
  // While rows are removed the control's numbers are not those of rows_; the removed rows'
  // figures have left already, and the others keep their states.
  if (rowsFrozen_) return;
  Changes changes(*this);
  const size_t listed = list_.RowCount(), rows = std::min(listed, rows_.size());
  // None or every row (the select all, its undoing) needs no asking row by row.
  if (const size_t count = list_.SelectedCount(); count == 0 || count == listed) {
    for (size_t i = 0; i < rows; ++i) MarkSelected(i, count != 0);
    return;
  }
  size_t next = 0;  // rows before it are settled
  for (size_t selected : list_.SelectedRows()) {
    if (selected >= rows) break;
    for (; next < selected; ++next) MarkSelected(next, false);
    MarkSelected(selected, true);
    next = selected + 1;
  }
  for (; next < rows; ++next) MarkSelected(next, false);
}

void Browser::UpdateSelectionFlat() {
  if (subDir_) return;
  WriteFigures();
}

void Browser::SumFolderTree(const Node& node, int64_t& bytes, int64_t& count) {
  for (size_t j = 0; j < node.entries.size(); ++j) {
    bytes += EntrySize(node.entries[j]);
    ++count;
    // Only the first ChildCount entries have a child node to descend into.
    if (j < node.ChildCount() && IsFolderPath(EntryPath(node.entries[j])))
      SumFolderTree(*node.Child(j), bytes, count);
  }
}

std::pair<int64_t, int64_t> Browser::DeepFigures(size_t i) {
  const Node* node = treeView_.Selected();
  if (!node || i >= node->entries.size()) return {0, 0};
  if (sizeCache_.size() != node->entries.size()) {
    sizeCache_.resize(node->entries.size());
    countCache_.resize(node->entries.size());
  }
  if (!sizeCache_[i] || !countCache_[i]) {
    Busy busy(*this);
    const std::string& entry = node->entries[i];
    int64_t rowBytes = EntrySize(entry), rowCount = 1;
    if (i < node->ChildCount() && IsFolderPath(EntryPath(entry)))
      SumFolderTree(*node->Child(i), rowBytes, rowCount);
    sizeCache_[i] = rowBytes;
    countCache_[i] = rowCount;
  }
  return {*sizeCache_[i], *countCache_[i]};
}

void Browser::RecountDeep() {
  deepCount_ = deepBytes_ = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!rows_[i].selected) continue;
    const auto [bytes, count] = DeepFigures(i);
    deepBytes_ += bytes;
    deepCount_ += count;
  }
  deepStale_ = false;
}

void Browser::ListView1Click() {
  if (!subDir_ || host_.Closing()) return;
  Busy busy(*this);
  WriteFigures();
}

void Browser::SubChekClick(bool checked) {
  Changes changes(*this);
  if (checked && (!subDir_ || deepStale_)) deepStale_ = true;  // counted afresh in the new mode
  subDir_ = checked;
  if (checked)
    ListView1Click();
  else
    UpdateSelectionFlat();
}

bool Browser::ListView1MouseUp(bool listHasCapture) {
  if (!listHasCapture) return false;
  ListView1Click();
  return true;
}

void Browser::ListView1KeyDown(int virtualKey) {
  if (virtualKey == 13) ListView1DblClick();
}

void Browser::ListView1KeyUp() { SubChekClick(subDir_); }

void Browser::selectAll1Click() {
  if (list_.RowCount() == 0) return;
  Busy busy(*this);
  Changes changes(*this);
  {
    RedrawOff redraw(list_);  // one repaint of the rows in view, not an invalidation per row
    list_.SelectAll();
  }
  ListView1Click();
}

void Browser::RemoveSubtreeFromTotals(const Node& node) {
  for (size_t i = 0; i < node.entries.size(); ++i) {
    tree_.TotalCount -= 1;
    tree_.TotalSize -= EntrySize(node.entries[i]);
    // Entry i below ChildCount is child node i, which leaves with this node whatever the disk
    // says now: a sub-folder that vanished still takes its entries out of the totals.
    if (i < node.ChildCount()) RemoveSubtreeFromTotals(*node.Child(i));
  }
}

void Browser::Delete1Click() {
  Busy busy(*this);
  Changes changes(*this);
  if (Node* node = treeView_.Selected()) {
    const size_t rows = std::min(list_.RowCount(), node->entries.size());
    std::vector<bool> gone(node->entries.size());
    {
      RedrawOff redraw(list_);
      // Until the vectors are compacted below, a row the control numbers past the one being
      // removed is not rows_ at that index: nothing is told of any row meanwhile.
      std::vector<size_t> picked;  // last row first
      const bool every = rows > 0 && rows == list_.RowCount() && list_.SelectedCount() == rows;
      for (size_t n = rows; n-- > 0;)
        if (every || list_.IsSelected(n)) picked.push_back(n);
      // Many rows of one folder: their sizes now from one search of it, not a search each.
      std::optional<FolderListing> listing;
      if (picked.size() >= 32) listing.emplace(fs_, *node);
      rowsFrozen_ = true;
      for (size_t n : picked) {
        const std::string& entry = node->entries[n];
        // The row leaves with the size it has now; a vanished path takes its own recorded size.
        std::optional<FindItem> found =
            listing ? listing->Find(EntryPath(entry)) : fs_.FindOne(EntryPath(entry), kMaskAll);
        tree_.TotalSize -= found ? found->size : EntrySize(entry);
        tree_.TotalCount -= 1;
        MarkSelected(n, false);  // its figures leave before the control drops it
        gone[n] = true;
        // Folder rows are the first ChildCount rows, and rows after this one are gone or kept
        // by index only in the control: child n is still this row's own node.
        if (n < node->ChildCount()) {
          Node* child = node->Child(n);
          RemoveSubtreeFromTotals(*child);
          treeView_.Remove(*child);
        }
        if (!every) list_.DeleteRow(n);
      }
      if (every) list_.DeleteAll();  // every row: one message
      EraseMarked(node->entries, gone);
      EraseMarked(rows_, gone);
      EraseMarked(sizeCache_, gone);
      EraseMarked(countCache_, gone);
      rowsFrozen_ = false;
    }
  }
  host_.ShowTotals();
}

void Browser::delete2Click() {
  Changes changes(*this);
  if (Node* node = treeView_.Selected()) {
    if (node == treeView_.FirstNode()) {
      treeView_.RemoveAll();
      DropRows();  // no row is left to be selected, whatever the control said of it
      list_.DeleteAll();
      list_.ClearImages();
      sizeCache_.clear();
      countCache_.clear();
      tree_.TotalCount = 0;
      tree_.TotalSize = 0;
      host_.DisableOperations();
    } else {
      Busy busy(*this);
      if (Node* parent = node->parent) {
        // The node's own entry sits at its child index (folder entries come first, in order);
        // a name would take the first of two siblings "Sub".
        const size_t i = node->IndexInParent();
        if (i < parent->entries.size()) {
          const std::string entry = parent->entries[i];
          std::optional<FindItem> found = fs_.FindOne(EntryPath(entry), kMaskAll);
          tree_.TotalSize -= found ? found->size : EntrySize(entry);
          tree_.TotalCount -= 1;
          parent->entries.erase(parent->entries.begin() + static_cast<std::ptrdiff_t>(i));
        }
      }
      RemoveSubtreeFromTotals(*node);
      treeView_.Remove(*node);  // the control moves its selection and the list follows
      FillFileList();
    }
  }
  host_.ShowTotals();
}

void Browser::ListView1DblClick() {
  Node* node = treeView_.Selected();
  if (!node) return;
  std::optional<size_t> row = list_.FirstSelected();
  if (!row || *row >= node->entries.size()) return;
  const std::string path = EntryPath(node->entries[*row]);
  const uint32_t attributes = fs_.GetAttributes(path);
  if (attributes == kAttrInvalid) return;  // vanished: nothing to open or enter
  if (!(attributes & kAttrDirectory)) {
    shell_.Open(path);
    return;
  }
  // Folder row i is child node i; a name would enter the first of two folders "Sub" (targets
  // A\Sub and B\Sub). A row that became a folder after the build has no node to enter.
  if (Node* target = node->Child(*row)) treeView_.Select(target);
}

void Browser::upfolderClick() {
  Node* node = treeView_.Selected();
  if (node && node->parent) treeView_.Select(node->parent);
}

void Browser::FullExpand1Click() { treeView_.ExpandAll(true); }

void Browser::FullCollapse1Click() {
  treeView_.ExpandAll(false);
  FillFileList();  // collapsing may have moved the selection up
}

ListMenuState Browser::PopupMenu1Popup() const {
  ListMenuState s;
  const bool anySelected = list_.FirstSelected().has_value();
  s.remove = s.change = s.copy = s.lha = anySelected;
  s.selectAll = list_.RowCount() > 0;
  const Node* first = treeView_.FirstNode();
  s.upFolder = first != nullptr && treeView_.Selected() != first;
  return s;
}

TreeMenuState Browser::PopupMenu2Popup() const {
  TreeMenuState s;
  s.remove = s.fullExpand = s.fullCollapse = treeView_.Selected() != nullptr;
  return s;
}

}  // namespace mv
