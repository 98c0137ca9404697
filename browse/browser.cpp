#include "browse/browser.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unordered_map>

#include "platform/text.h"
#include "targets/entry.h"
#include "targets/paths.h"

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

namespace {
struct RedrawOff {
  explicit RedrawOff(ListViewPort& list) : list(list) { list.SuspendRedraw(); }
  ~RedrawOff() { list.ResumeRedraw(); }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;
  ListViewPort& list;
};
struct ShellBatch {
  explicit ShellBatch(ShellPort& shell) : shell(shell) { shell.BeginBatch(); }
  ~ShellBatch() { shell.EndBatch(); }
  ShellBatch(const ShellBatch&) = delete;
  ShellBatch& operator=(const ShellBatch&) = delete;
  ShellPort& shell;
};
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

bool Browser::IsFolderPath(const std::string& path) {
  uint32_t attributes = fs_.GetAttributes(path);
  return attributes != kAttrInvalid && (attributes & kAttrDirectory);
}

void Browser::ShowSelection(int64_t count, int64_t bytes) {
  host_.SetPanel(4, CountText(count));
  host_.SetPanel(5, BytesText(bytes));
}

void Browser::FillFileList() {
  Fill(treeView_.Selected());
  // The new rows are all unselected; the list control reports no change for rows it drops
  // wholesale, so the flat figures are brought in line here.
  UpdateSelectionFlat();
}

void Browser::Fill(const Node* node) {
  Busy busy(*this);
  RedrawOff redraw(list_);
  list_.ClearImages();
  list_.DeleteAll();
  if (!node) return;
  list_.ReserveRows(node->entries.size());
  ShellBatch batch(shell_);  // every row of a node but the top one shares its folder
  FolderListing listing(fs_, *node);
  for (const std::string& entry : node->entries) {
    const std::string path = EntryPath(entry);
    // An item the code page cannot name is shown by its marked name alone: asking the shell or
    // the file system for it would answer for whatever it matches.
    const bool oneItem = NamesOneItem(path);
    ShellInfo large = oneItem ? shell_.Describe(path, false) : ShellInfo{};
    ShellInfo small = oneItem ? shell_.Describe(path, true) : ShellInfo{};
    std::vector<std::string> cells(6);
    if (std::optional<FindItem> found = oneItem ? listing.Find(path) : std::nullopt) {
      std::vector<std::string> flags = AttributeCells(found->attributes);
      cells = {SizeCell(found->size),
               DateCell(*found, fs_, dates_),
               flags[0],
               flags[1],
               flags[2],
               flags[3]};
    }
    int image = list_.AddImages(small.icon.get(), large.icon.get());
    // A path the shell cannot name (it has vanished) still shows its own name.
    const ShellInfo* named = small.found ? &small : large.found ? &large : nullptr;
    std::string caption = named ? named->displayName : PathName(path);
    if (named && !named->wideName.empty())
      list_.AppendRowShowing(named->wideName, caption, cells, image);
    else
      list_.AppendRow(caption, cells, image);
  }
}

void Browser::DirTreeViewChange(Node* node) {
  Fill(node);
  const size_t rows = node ? node->entries.size() : 0;
  sizeCache_.assign(rows, std::nullopt);
  countCache_.assign(rows, std::nullopt);
  ShowSelection(0, 0);
}

void Browser::UpdateSelectionFlat() {
  if (subDir_) return;
  int64_t count = 0, bytes = 0;
  for (size_t i = 0, n = list_.RowCount(); i < n; ++i) {
    if (!list_.IsSelected(i)) continue;
    ++count;
    bytes += SizeCellValue(list_.Cell(i, 1));
  }
  ShowSelection(count, bytes);
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

void Browser::ListView1Click() {
  if (!subDir_ || host_.Closing()) return;
  Busy busy(*this);
  int64_t bytes = 0, count = 0;
  if (const Node* node = treeView_.Selected()) {
    if (sizeCache_.size() != node->entries.size()) {
      sizeCache_.resize(node->entries.size());
      countCache_.resize(node->entries.size());
    }
    const size_t rows = std::min(list_.RowCount(), node->entries.size());
    for (size_t i = 0; i < rows; ++i) {
      if (!list_.IsSelected(i)) continue;
      if (!sizeCache_[i] || !countCache_[i]) {
        const std::string& entry = node->entries[i];
        int64_t rowBytes = EntrySize(entry), rowCount = 1;
        if (i < node->ChildCount() && IsFolderPath(EntryPath(entry)))
          SumFolderTree(*node->Child(i), rowBytes, rowCount);
        sizeCache_[i] = rowBytes;
        countCache_[i] = rowCount;
      }
      bytes += *sizeCache_[i];
      count += *countCache_[i];
    }
  }
  ShowSelection(count, bytes);
}

void Browser::SubChekClick(bool checked) {
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
  const size_t rows = list_.RowCount();
  if (rows == 0) return;
  for (size_t i = 0; i < rows; ++i) list_.SetSelected(i, true);
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

bool Browser::RemoveChildNode(const std::string& name) {
  Node* node = treeView_.Selected();
  if (!node) return false;
  for (auto& child : node->children) {
    if (EqualsNoCase(child->text, name)) {
      treeView_.Remove(*child);
      return true;
    }
  }
  return false;
}

void Browser::Delete1Click() {
  Busy busy(*this);
  if (Node* node = treeView_.Selected()) {
    for (size_t n = std::min(list_.RowCount(), node->entries.size()); n-- > 0;) {
      if (!list_.IsSelected(n)) continue;
      const std::string entry = node->entries[n];
      // The row leaves with the size it has now; a vanished path takes its own recorded size.
      std::optional<FindItem> found = fs_.FindOne(EntryPath(entry), kMaskAll);
      tree_.TotalSize -= found ? found->size : EntrySize(entry);
      tree_.TotalCount -= 1;
      list_.DeleteRow(n);
      node->entries.erase(node->entries.begin() + static_cast<std::ptrdiff_t>(n));
      // Folder rows are the first ChildCount rows: the row's own node goes with it (a name
      // search could hit a same-named folder from elsewhere among the top folder's targets).
      if (n < node->ChildCount()) {
        Node* child = node->Child(n);
        RemoveSubtreeFromTotals(*child);
        treeView_.Remove(*child);
      }
      if (n < sizeCache_.size())
        sizeCache_.erase(sizeCache_.begin() + static_cast<std::ptrdiff_t>(n));
      if (n < countCache_.size())
        countCache_.erase(countCache_.begin() + static_cast<std::ptrdiff_t>(n));
    }
  }
  host_.ShowTotals();
}

void Browser::delete2Click() {
  if (Node* node = treeView_.Selected()) {
    if (node == treeView_.FirstNode()) {
      treeView_.RemoveAll();
      list_.DeleteAll();
      list_.ClearImages();
      sizeCache_.clear();
      countCache_.clear();
      tree_.TotalCount = 0;
      tree_.TotalSize = 0;
      host_.DisableOperations();
      ShowSelection(0, 0);  // no row is left to be selected
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
