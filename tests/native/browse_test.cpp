// The file list, selection figures, target removal and navigation over fake controls.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

#include "browse/browser.h"
#include "fake_fs.h"
#include "targets/entry.h"

using namespace mv;
using mv::testing::FakeFs;

namespace {

struct FakeIcon : ShellIcon {
  explicit FakeIcon(bool small) : small(small) {}
  bool small;
};

class FakeShell : public ShellPort {
 public:
  explicit FakeShell(FakeFs& fs) : fs_(fs) {}
  ShellInfo Describe(const std::string& path, bool smallIcon) override {
    if (batchDepth == 0) ++outside;
    ++asked;
    ShellInfo info;
    if (!fs_.Find(path)) return info;
    info.found = true;
    info.displayName = "<" + PathName(path) + ">";  // tells the shell's name from the entry's
    if (auto it = longNames.find(PathName(path)); it != longNames.end()) {
      info.displayName = PathName(path);  // a name the code page cannot hold: the short one stays
      info.wideName = it->second;
    }
    info.icon = std::make_unique<FakeIcon>(smallIcon);
    return info;
  }
  void Open(const std::string& path) override { opened.push_back(path); }
  void BeginBatch() override { ++batchDepth, ++batches; }
  void EndBatch() override { --batchDepth; }
  std::vector<std::string> opened;
  std::map<std::string, std::wstring> longNames;  // short name -> the long name the shell shows
  int batchDepth = 0, batches = 0, outside = 0;   // outside: Describe calls outside a batch
  int asked = 0;

 private:
  FakeFs& fs_;
};

// A list that holds no texts: like the real control it asks the browser for a row's caption,
// cells and image when it draws the row, here every row once redrawing is on (drawEverything), or
// only the rows a test draws.
class FakeList : public ListViewPort {
 public:
  struct Row {
    std::string caption;
    std::vector<std::string> cells;
    int image = -1;
    bool selected = false;
    bool drawn = false;
  };
  size_t RowCount() const override { return rows.size(); }
  void DeleteAll() override { rows.clear(); }
  void ClearImages() override { smallImages = largeImages = 0; }
  void ReserveRows(size_t n) override {
    EXPECT_TRUE(rows.empty() && smallImages == 0 && largeImages == 0)
        << "room is made in emptied lists (the real list makes it only then)";
    reserved.push_back(n);
  }
  int AddImages(const ShellIcon* small, const ShellIcon* large) override {
    if (!small || !large) return -1;
    EXPECT_TRUE(static_cast<const FakeIcon*>(small)->small);
    EXPECT_FALSE(static_cast<const FakeIcon*>(large)->small);
    ++smallImages;
    return largeImages++;
  }
  void AppendRows(size_t count) override {
    rows.resize(rows.size() + count);
    if (suspended == 0) DrawAll();
  }
  std::map<size_t, std::wstring> shown;  // rows whose caption shows another text
  std::string Cell(size_t row, int column) const {
    return column == 0 ? rows.at(row).caption : rows.at(row).cells.at(column - 1);
  }
  bool IsSelected(size_t row) const override { return rows.at(row).selected; }
  void SetSelected(size_t row, bool selected) override {
    if (rows.at(row).selected == selected) return;
    rows.at(row).selected = selected;
    if (onChange) onChange(row, selected);  // the control's change notification
  }
  void DeleteRow(size_t row) override {
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
  }
  std::optional<size_t> FirstSelected() const override {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].selected) return i;
    return std::nullopt;
  }
  void SuspendRedraw() override { ++suspended; }
  void ResumeRedraw() override {
    if (--suspended == 0) DrawAll();
  }

  // Exactly these rows selected, each change notified as the control does.
  void Pick(std::initializer_list<size_t> which) {
    std::vector<bool> want(rows.size());
    for (size_t i : which) want.at(i) = true;
    for (size_t i = 0; i < rows.size(); ++i) SetSelected(i, want[i]);
  }
  void Draw(size_t i) {
    Row& r = rows.at(i);
    r.caption = source->RowText(i, 0);
    r.cells.clear();
    for (int c = 1; c <= 6; ++c) r.cells.push_back(source->RowText(i, c));
    r.image = source->RowImage(i);
    if (std::wstring w = source->RowShown(i); !w.empty()) shown[i] = w;
    r.drawn = true;
  }
  void DrawAll() {
    if (!source || !drawEverything) return;
    for (size_t i = 0; i < rows.size(); ++i)
      if (!rows[i].drawn) Draw(i);
  }

  std::vector<Row> rows;
  std::vector<size_t> reserved;
  int smallImages = 0, largeImages = 0, suspended = 0;
  std::function<void(size_t, bool)> onChange;
  Browser* source = nullptr;
  bool drawEverything = true;
};

// A tree control: selecting reports the change, and deleting the selected node moves the
// selection to its parent first, as the real control does.
class FakeTree : public TreeViewPort {
 public:
  explicit FakeTree(TargetTree& tree) : tree_(tree) {}
  Node* Selected() const override { return selected; }
  void Select(Node* node) override {
    if (node == selected) return;
    selected = node;
    if (browser) browser->DirTreeViewChange(node);
  }
  Node* FirstNode() const override { return tree_.FirstNode(); }
  void Remove(Node& node) override {
    for (Node* n = selected; n; n = n->parent)
      if (n == &node) {
        Select(node.parent);
        break;
      }
    tree_.Remove(node);
  }
  void RemoveAll() override {
    tree_.Clear();
    if (notifyOnRemoveAll)
      Select(nullptr);
    else
      selected = nullptr;
  }
  void ExpandAll(bool expand) override {
    (expand ? expanded : collapsed)++;
    if (!expand && moveOnCollapse && selected) Select(tree_.FirstNode());
  }
  Node* selected = nullptr;
  Browser* browser = nullptr;
  int expanded = 0, collapsed = 0;
  bool moveOnCollapse = true;
  bool notifyOnRemoveAll = true;  // a control may drop everything without a change notification

 private:
  TargetTree& tree_;
};

class FakeDates : public DateFormatter {
 public:
  std::string ShortDate(uint32_t dos) override {
    uint32_t d = dos >> 16;
    return std::to_string(1980 + (d >> 9)) + "/" + std::to_string((d >> 5) & 15) + "/" +
           std::to_string(d & 31);
  }
  std::string LongTime(uint32_t dos) override {
    uint32_t t = dos & 0xFFFF;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%u:%02u:%02u", t >> 11, (t >> 5) & 63, (t & 31) * 2);
    return buf;
  }
  std::string FileTimeText(uint64_t fileTime) override { return "raw " + std::to_string(fileTime); }
};

class FakeHost : public BrowseHost {
 public:
  explicit FakeHost(TargetTree& tree) : tree_(tree) {}
  void SetPanel(int panel, const std::string& text) override {
    panels[panel] = text;
    if (panel == 4) ++selectionWrites;
  }
  void ShowTotals() override {
    panels[1] = FormatTotal(tree_.TotalCount) + "個";
    panels[2] = FormatTotal(tree_.TotalSize) + "ﾊﾞｲﾄ";
    ++totalsShown;
  }
  void SetBusy(bool on) override {
    busy = on;
    ++busyChanges;
  }
  void DisableOperations() override { disabled = true; }
  bool Closing() const override { return closing; }
  std::map<int, std::string> panels;
  int totalsShown = 0, busyChanges = 0, selectionWrites = 0;
  bool busy = false, disabled = false, closing = false;

 private:
  TargetTree& tree_;
};

uint32_t Dos(int y, int mo, int d, int h, int mi, int s) {
  return (static_cast<uint32_t>(((y - 1980) << 9) | (mo << 5) | d) << 16) |
         static_cast<uint32_t>((h << 11) | (mi << 5) | (s / 2));
}

// D:\Work\ {Sub {Deep {e 7}, c 5, d 6}, a 3, b 4}: seven entries, 25 bytes.
class BrowseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.AddFolder("D:\\Work");
    AddFolder(root, "D:\\Work\\Sub");
    sub = root->Child(0);
    AddFolder(sub, "D:\\Work\\Sub\\Deep");
    deep = sub->Child(0);
    AddFile(deep, "D:\\Work\\Sub\\Deep\\e.txt", 7);
    AddFile(sub, "D:\\Work\\Sub\\c.txt", 5);
    AddFile(sub, "D:\\Work\\Sub\\d.txt", 6);
    AddFile(root, "D:\\Work\\a.txt", 3);
    AddFile(root, "D:\\Work\\b.txt", 4);
    list.onChange = [this](size_t row, bool on) { browser.ListView1Change(row, on); };
    list.source = &browser;
    treeView.browser = &browser;
    treeView.Select(root);
  }
  void AddFolder(Node* parent, const std::string& path) {
    fs.AddFolder(path).lastWrite = Dos(2024, 5, 6, 12, 0, 0);
    InsertFolderEntry(*parent, MakeEntry(0, path));
    tree.AddChild(*parent, PathName(path));
    tree.TotalCount += 1;
  }
  void AddFile(Node* node, const std::string& path, int64_t size) {
    fs.AddFile(path, size).lastWrite = Dos(2024, 5, 6, 12, 34, 56);
    AppendFileEntry(*node, MakeEntry(size, path));
    tree.TotalCount += 1;
    tree.TotalSize += size;
  }
  std::string Panel(int i) { return host.panels[i]; }
  std::string Figures() { return Panel(4) + " " + Panel(5); }

  FakeFs fs;
  TargetTree tree;
  Node* root = &tree.AddRoot("D:\\Work\\");
  Node* sub = nullptr;
  Node* deep = nullptr;
  FakeList list;
  FakeTree treeView{tree};
  FakeShell shell{fs};
  FakeDates dates;
  FakeHost host{tree};
  Browser browser{tree, fs, list, treeView, shell, dates, host};
};

TEST_F(BrowseTest, FillShowsShellNamesSizesDatesAndFlags) {
  fs.Find("D:\\Work\\a.txt")->attributes = kAttrReadOnly | kAttrHidden | kAttrSystem;
  fs.Find("D:\\Work\\b.txt")->lastWrite = Dos(2023, 12, 31, 0, 0, 0);
  browser.FillFileList();
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.suspended, 0);
  EXPECT_FALSE(host.busy);
  EXPECT_EQ(list.rows[0].caption, "<Sub>");
  EXPECT_EQ(list.rows[0].cells,
            (std::vector<std::string>{"         0", "2024/5/6 12:00:00", "", "", "", ""}));
  EXPECT_EQ(list.rows[1].cells,
            (std::vector<std::string>{"         3", "2024/5/6 12:34:56", "R", "", "S", "H"}));
  EXPECT_EQ(list.rows[2].cells[1], "2023/12/31");  // midnight: the date alone
  EXPECT_EQ(list.rows[2].cells[3], "A");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.rows[i].image, i);
  EXPECT_EQ(list.smallImages, 3);
  EXPECT_FALSE(list.rows[0].selected);

  // Refilling starts the image lists afresh.
  browser.FillFileList();
  EXPECT_EQ(list.largeImages, 3);
  EXPECT_EQ(list.rows.size(), 3u);
}

TEST_F(BrowseTest, FillMakesRoomForItsRowsAndAsksTheShellInOneBatch) {
  list.reserved.clear();  // the selection in SetUp filled once already
  shell.batches = 0;
  browser.FillFileList();
  EXPECT_EQ(list.reserved, std::vector<size_t>{3});
  EXPECT_EQ(shell.batches, 1);
  EXPECT_EQ(shell.batchDepth, 1);  // open while rows may be drawn, over with the next fill
  EXPECT_EQ(shell.outside, 0);
  treeView.Select(sub);
  EXPECT_EQ(list.reserved, (std::vector<size_t>{3, 3}));
  EXPECT_EQ(shell.batchDepth, 1);
  treeView.Select(nullptr);  // nothing to fill: no room asked for, no batch left open
  EXPECT_EQ(list.reserved.size(), 2u);
  EXPECT_EQ(shell.batches, 2);
  EXPECT_EQ(shell.batchDepth, 0);
}

// The shell is asked for a row when the row is first drawn or read, once per fill, in any order.
TEST_F(BrowseTest, TheShellIsAskedOnlyForRowsDrawnOrRead) {
  list.drawEverything = false;
  shell.asked = 0;
  browser.FillFileList();
  EXPECT_EQ(shell.asked, 0);
  EXPECT_EQ(browser.RowText(1, 1), "         3");  // the search's figures need no shell
  EXPECT_EQ(shell.asked, 0);
  list.Draw(2);
  EXPECT_EQ(shell.asked, 2);  // its large and small icons
  EXPECT_EQ(list.rows[2].caption, "<b.txt>");
  EXPECT_EQ(list.rows[2].image, 0);
  EXPECT_EQ(browser.RowImage(0), 1);
  EXPECT_EQ(browser.RowText(0, 0), "<Sub>");
  list.Draw(2);
  EXPECT_EQ(shell.asked, 4);
  EXPECT_EQ(list.largeImages, 2);
  EXPECT_EQ(browser.RowText(3, 0), "");  // past the rows
  EXPECT_EQ(browser.RowImage(3), -1);
  browser.FillFileList();  // a new fill asks again
  list.Draw(2);
  EXPECT_EQ(shell.asked, 6);
}

TEST_F(BrowseTest, FillCopesWithVanishedPathsOddTimesAndBigFiles) {
  fs.Remove("D:\\Work\\a.txt");
  fs.Find("D:\\Work\\b.txt")->lastWrite = 0x123456789ull;  // outside the packed range
  fs.Find("D:\\Work\\b.txt")->size = 5'000'000'000;
  browser.FillFileList();
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[1].caption, "a.txt");
  EXPECT_EQ(list.rows[1].cells, std::vector<std::string>(6));
  EXPECT_EQ(list.rows[1].image, -1);
  EXPECT_EQ(list.rows[2].image, 1);  // the image lists stay in step with the rows that have icons
  EXPECT_EQ(list.rows[2].cells[0], "5000000000");
  EXPECT_EQ(list.rows[2].cells[1], "raw " + std::to_string(0x123456789ull));
}

TEST_F(BrowseTest, RowsOfOneFolderAreLookedUpInOneSearchOfIt) {
  fs.Find("D:\\Work\\a.txt")->attributes = kAttrHidden;
  fs.searches = 0;
  browser.FillFileList();
  EXPECT_EQ(fs.searches, 1);
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[1].cells,
            (std::vector<std::string>{"         3", "2024/5/6 12:34:56", "", "", "", "H"}));
  // A row the search did not report is looked up on its own, and shows nothing if it is gone.
  fs.Remove("D:\\Work\\b.txt");
  fs.searches = 0;
  browser.FillFileList();
  EXPECT_EQ(fs.searches, 2);
  EXPECT_EQ(list.rows[2].cells, std::vector<std::string>(6));
  // Targets from several folders: each row is looked up on its own.
  fs.AddFolder("D:\\Other");
  fs.AddFile("D:\\Other\\x.txt", 9).lastWrite = Dos(2024, 5, 6, 12, 34, 56);
  AppendFileEntry(*root, MakeEntry(9, "D:\\Other\\x.txt"));
  fs.searches = 0;
  browser.FillFileList();
  EXPECT_EQ(fs.searches, 4);
  EXPECT_EQ(list.rows[3].cells[0], "         9");
}

TEST(BrowseCells, SizeCellsReadBackAndFlagsFollowTheirBits) {
  EXPECT_EQ(SizeCell(12345678901234), "12345678901234");
  EXPECT_EQ(SizeCell(-5), "        -5");
  for (int64_t v : {int64_t{0}, int64_t{42}, int64_t{-5}, int64_t{5'000'000'000}})
    EXPECT_EQ(SizeCellValue(SizeCell(v)), v);
  EXPECT_EQ(SizeCellValue(""), 0);
  EXPECT_EQ(SizeCellValue("   x"), 0);
  EXPECT_EQ(AttributeCells(kAttrArchive | kAttrDirectory),
            (std::vector<std::string>{"", "A", "", ""}));
  EXPECT_EQ(AttributeCells(0x27), (std::vector<std::string>{"R", "A", "S", "H"}));
  EXPECT_EQ(CountText(0), "個");
  EXPECT_EQ(BytesText(1234567), "1,234,567ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, SelectingAFolderResetsCachesAndFigures) {
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  EXPECT_EQ(browser.SizeCache().size(), 3u);
  treeView.Select(deep);
  EXPECT_EQ(list.rows.size(), 1u);
  EXPECT_EQ(browser.CountCache().size(), 1u);
  treeView.Select(nullptr);
  EXPECT_TRUE(list.rows.empty());
  EXPECT_TRUE(browser.SizeCache().empty());
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, FlatAndDeepCountsOfAFolderRow) {
  list.SetSelected(0, true);  // Sub
  EXPECT_EQ(Figures(), "1個 ﾊﾞｲﾄ");
  list.SetSelected(1, true);
  EXPECT_EQ(Figures(), "2個 3ﾊﾞｲﾄ");
  browser.SubChekClick(true);  // Sub itself, Deep, e, c, d; plus a
  EXPECT_EQ(Figures(), "6個 21ﾊﾞｲﾄ");
  EXPECT_EQ(browser.CountCache()[0], 5);
  EXPECT_EQ(browser.SizeCache()[0], 18);
  EXPECT_FALSE(browser.SizeCache()[2].has_value());
  // In the deep mode a change moves the figures by the row's deep ones.
  list.SetSelected(1, false);
  EXPECT_EQ(Figures(), "5個 18ﾊﾞｲﾄ");
  browser.UpdateSelectionFlat();  // the flat count does nothing in the deep mode
  EXPECT_EQ(Figures(), "5個 18ﾊﾞｲﾄ");
  browser.SubChekClick(false);
  EXPECT_EQ(Figures(), "1個 ﾊﾞｲﾄ");
  browser.ListView1Click();  // the deep count does nothing in the flat mode
  EXPECT_EQ(Figures(), "1個 ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, DeepFiguresAreCachedUntilTheNextFolderSelection) {
  browser.SetSubDir(true);
  host.closing = true;  // once the close query has run, nothing is counted
  list.Pick({0});
  browser.ListView1Click();
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  host.closing = false;
  browser.ListView1Click();
  EXPECT_EQ(Figures(), "5個 18ﾊﾞｲﾄ");
  fs.Remove("D:\\Work\\Sub");  // unseen: the cached figure is used
  browser.ListView1Click();
  EXPECT_EQ(Figures(), "5個 18ﾊﾞｲﾄ");
  treeView.Select(sub);
  treeView.Select(root);
  list.Pick({0});
  browser.ListView1Click();  // a failed query is not taken for a folder
  EXPECT_EQ(Figures(), "1個 ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, SelectAllCountsEveryRowThenEveryEntryBelow) {
  browser.selectAll1Click();
  EXPECT_EQ(Figures(), "3個 7ﾊﾞｲﾄ");
  browser.SubChekClick(true);
  EXPECT_EQ(Figures(), "7個 25ﾊﾞｲﾄ");  // the whole tree
  for (auto& r : list.rows) r.selected = false;
  browser.selectAll1Click();
  EXPECT_EQ(Figures(), "7個 25ﾊﾞｲﾄ");

  treeView.Select(deep);
  treeView.Select(nullptr);
  host.panels.clear();
  browser.selectAll1Click();  // an empty list: nothing happens
  EXPECT_TRUE(host.panels.empty());
}

TEST_F(BrowseTest, MouseAndKeyRules) {
  EXPECT_FALSE(browser.ListView1MouseDown());
  list.Pick({0});
  EXPECT_FALSE(browser.ListView1MouseUp(false));
  host.panels.clear();
  browser.ListView1KeyUp();  // every key release writes the figures of the mode in force
  EXPECT_EQ(Figures(), "1個 ﾊﾞｲﾄ");

  browser.SetSubDir(true);
  EXPECT_TRUE(browser.ListView1MouseDown());
  EXPECT_TRUE(browser.ListView1MouseUp(true));
  EXPECT_EQ(Figures(), "5個 18ﾊﾞｲﾄ");
  list.Pick({2});
  EXPECT_EQ(Figures(), "1個 4ﾊﾞｲﾄ");
  host.panels.clear();
  EXPECT_FALSE(browser.ListView1MouseUp(false));  // capture lost: no count
  EXPECT_TRUE(host.panels.empty());
  browser.ListView1KeyUp();
  EXPECT_EQ(Figures(), "1個 4ﾊﾞｲﾄ");

  browser.ListView1KeyDown('A');
  EXPECT_TRUE(shell.opened.empty());
  browser.ListView1KeyDown(13);
  EXPECT_EQ(shell.opened, std::vector<std::string>{"D:\\Work\\b.txt"});
}

TEST_F(BrowseTest, RemovingEveryRowKeepsTheNodeWithAnEmptyList) {
  list.Pick({0, 1, 2});
  browser.Delete1Click();
  EXPECT_TRUE(root->entries.empty());
  EXPECT_EQ(root->ChildCount(), 0u);
  EXPECT_EQ(tree.NodeCount(), 1u);
  EXPECT_EQ(treeView.selected, root);
  EXPECT_TRUE(list.rows.empty());
  EXPECT_TRUE(browser.SizeCache().empty());
  EXPECT_EQ(tree.TotalCount, 0);
  EXPECT_EQ(tree.TotalSize, 0);
  EXPECT_EQ(Panel(1), "個");
  EXPECT_EQ(Panel(2), "ﾊﾞｲﾄ");
  EXPECT_FALSE(host.busy);
}

TEST_F(BrowseTest, RemovingAFolderRowTakesItsNodeAndKeepsOtherRowsCaches) {
  browser.SetSubDir(true);
  list.Pick({0, 2});
  browser.ListView1Click();
  ASSERT_EQ(Figures(), "6個 22ﾊﾞｲﾄ");
  list.Pick({0});
  browser.Delete1Click();
  EXPECT_EQ(tree.TotalCount, 2);
  EXPECT_EQ(tree.TotalSize, 7);
  EXPECT_EQ(root->ChildCount(), 0u);
  EXPECT_EQ(root->entries, (std::vector<std::string>{"3,D:\\Work\\a.txt", "4,D:\\Work\\b.txt"}));
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].caption, "<a.txt>");
  ASSERT_EQ(browser.SizeCache().size(), 2u);
  EXPECT_FALSE(browser.SizeCache()[0].has_value());
  EXPECT_EQ(browser.SizeCache()[1], 4);
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");  // the removed row's figures left with it
  list.Pick({0, 1});
  browser.ListView1Click();
  EXPECT_EQ(Figures(), "2個 7ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, RemovedRowsLeaveWithTheirSizeNowOrTheirRecordedOne) {
  fs.Find("D:\\Work\\a.txt")->size = 100;  // grown since the build
  fs.Remove("D:\\Work\\b.txt");            // vanished
  list.Pick({1, 2});
  browser.Delete1Click();
  EXPECT_EQ(tree.TotalCount, 5);
  EXPECT_EQ(tree.TotalSize, 25 - 100 - 4);
  EXPECT_EQ(root->entries.size(), 1u);
}

TEST_F(BrowseTest, AVanishedFolderRowStillTakesItsOwnNode) {
  fs.Remove("D:\\Work\\Sub");
  fs.Remove("D:\\Work\\Sub\\Deep");
  list.Pick({0});
  browser.Delete1Click();
  EXPECT_EQ(tree.NodeCount(), 1u);
  EXPECT_EQ(root->entries.size(), 2u);
  // Sub, its three entries and what lay in the vanished Deep all leave: the nodes say what goes.
  EXPECT_EQ(tree.TotalCount, 7 - 5);
  EXPECT_EQ(tree.TotalSize, 25 - 18);
}

TEST_F(BrowseTest, AVanishedSubFolderOfARemovedNodeStillLeavesTheTotals) {
  fs.Remove("D:\\Work\\Sub\\Deep");
  treeView.Select(sub);
  browser.delete2Click();
  EXPECT_EQ(tree.NodeCount(), 1u);
  EXPECT_EQ(tree.TotalCount, 2);  // a.txt and b.txt; e.txt left with the vanished Deep
  EXPECT_EQ(tree.TotalSize, 7);
}

// A drive root target: its entry is "D:\" and its node "D:", and every command that matches the
// two agrees, so removing the node takes the entry with it and rows keep mapping to nodes.
TEST_F(BrowseTest, ADriveRootNodeMatchesItsEntry) {
  TargetTree drives;
  FakeTree view{drives};
  Browser b{drives, fs, list, view, shell, dates, host};
  view.browser = &b;
  list.source = &b;
  list.onChange = [&b](size_t row, bool on) { b.ListView1Change(row, on); };
  fs.AddFolder("D:\\");
  Node& top = drives.AddRoot("D:\\");
  InsertFolderEntry(top, MakeEntry(0, "D:\\"));
  Node& drive = drives.AddChild(top, "D:");
  InsertFolderEntry(drive, MakeEntry(0, "D:\\Work"));
  drives.AddChild(drive, "Work");
  AppendFileEntry(top, MakeEntry(3, "D:\\Work\\a.txt"));
  drives.TotalCount = 3;
  drives.TotalSize = 3;
  view.Select(&top);
  list.Pick({0});
  b.ListView1DblClick();
  EXPECT_EQ(view.selected, &drive);
  view.Select(&drive);
  b.delete2Click();
  EXPECT_EQ(top.entries, (std::vector<std::string>{"3,D:\\Work\\a.txt"}));
  EXPECT_EQ(top.ChildCount(), 0u);
  EXPECT_EQ(drives.TotalCount, 1);
  EXPECT_EQ(drives.TotalSize, 3);
}

TEST_F(BrowseTest, AFolderRowRemovesItsOwnNodeNotASameNamedOne) {
  AddFolder(root, "E:\\Other\\sub");  // a second top-level target with the same name
  browser.DirTreeViewChange(root);
  list.Pick({1});
  browser.Delete1Click();
  ASSERT_EQ(root->ChildCount(), 1u);
  EXPECT_EQ(root->Child(0), sub);
  EXPECT_EQ(EntryPath(root->entries[0]), "D:\\Work\\Sub");
  EXPECT_EQ(tree.TotalCount, 7);
  // Two folder rows of one name: the second is entered, and its node removed, by position.
  AddFolder(root, "E:\\Other\\Sub");
  browser.DirTreeViewChange(root);
  list.Pick({1});
  browser.ListView1DblClick();
  EXPECT_EQ(treeView.selected, root->Child(1));
  browser.delete2Click();
  EXPECT_EQ(root->entries.size(), 3u);
  EXPECT_EQ(EntryPath(root->entries[0]), "D:\\Work\\Sub");
  EXPECT_EQ(tree.TotalCount, 7);
}

TEST_F(BrowseTest, RemovingASubFolderNodeRefillsFromTheNewSelection) {
  treeView.Select(sub);
  browser.delete2Click();
  EXPECT_EQ(treeView.selected, root);
  EXPECT_EQ(tree.NodeCount(), 1u);
  EXPECT_EQ(tree.TotalCount, 2);
  EXPECT_EQ(tree.TotalSize, 7);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].caption, "<a.txt>");
  EXPECT_EQ(browser.SizeCache().size(), 2u);
  EXPECT_EQ(Panel(1), "2個");
  EXPECT_FALSE(host.disabled);
}

TEST_F(BrowseTest, RemovingTheTopFolderEmptiesEverythingAndDisables) {
  browser.delete2Click();
  EXPECT_TRUE(tree.Empty());
  EXPECT_TRUE(list.rows.empty());
  EXPECT_EQ(tree.TotalCount, 0);
  EXPECT_EQ(tree.TotalSize, 0);
  EXPECT_TRUE(host.disabled);
  EXPECT_EQ(Panel(1), "個");
  EXPECT_EQ(Panel(2), "ﾊﾞｲﾄ");
  // Nothing selected now: the commands are harmless.
  host.totalsShown = 0;
  browser.delete2Click();
  browser.upfolderClick();
  browser.ListView1DblClick();
  browser.Delete1Click();
  EXPECT_EQ(host.totalsShown, 2);
  EXPECT_FALSE(browser.PopupMenu2Popup().remove);
  EXPECT_FALSE(browser.PopupMenu1Popup().upFolder);
}

// Every refill makes new, unselected rows: the flat figures follow it, and read zero once the
// top folder is gone, also when the control says nothing of the rows it dropped.
TEST_F(BrowseTest, FlatFiguresFollowEveryRefillAndTheRemovalOfEverything) {
  list.SetSelected(1, true);
  list.SetSelected(2, true);
  EXPECT_EQ(Figures(), "2個 7ﾊﾞｲﾄ");
  browser.FillFileList();  // after "変  更" or "属性変更"
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  list.SetSelected(1, true);
  treeView.moveOnCollapse = false;
  browser.FullCollapse1Click();
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");

  // In the deep mode too: the refilled rows are unselected.
  browser.SubChekClick(true);
  list.SetSelected(0, true);
  EXPECT_EQ(Figures(), "5個 18ﾊﾞｲﾄ");
  browser.FillFileList();
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");

  browser.SubChekClick(false);
  list.SetSelected(1, true);
  EXPECT_EQ(Figures(), "1個 3ﾊﾞｲﾄ");
  treeView.notifyOnRemoveAll = false;
  browser.delete2Click();
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, MenuEnableTables) {
  ListMenuState m = browser.PopupMenu1Popup();
  EXPECT_FALSE(m.remove || m.change || m.copy || m.lha);
  EXPECT_TRUE(m.selectAll);
  EXPECT_FALSE(m.upFolder);  // the top folder is selected
  list.Pick({2});
  m = browser.PopupMenu1Popup();
  EXPECT_TRUE(m.remove && m.change && m.copy && m.lha);
  treeView.Select(deep);
  m = browser.PopupMenu1Popup();
  EXPECT_TRUE(m.upFolder);
  EXPECT_FALSE(m.remove);
  treeView.Select(sub);
  list.Pick({0, 1, 2});
  browser.Delete1Click();
  m = browser.PopupMenu1Popup();
  EXPECT_FALSE(m.selectAll);
  TreeMenuState t = browser.PopupMenu2Popup();
  EXPECT_TRUE(t.remove && t.fullExpand && t.fullCollapse);
}

TEST_F(BrowseTest, DoubleClickEntersFoldersAndOpensFiles) {
  browser.ListView1DblClick();  // nothing selected
  EXPECT_EQ(treeView.selected, root);
  list.Pick({1, 2});
  browser.ListView1DblClick();
  EXPECT_EQ(shell.opened, std::vector<std::string>{"D:\\Work\\a.txt"});
  list.Pick({0, 2});
  browser.ListView1DblClick();
  EXPECT_EQ(treeView.selected, sub);
  ASSERT_EQ(list.rows.size(), 3u);
  EXPECT_EQ(list.rows[0].caption, "<Deep>");

  fs.Remove("D:\\Work\\Sub\\Deep");
  fs.Remove("D:\\Work\\Sub\\c.txt");
  list.Pick({0});
  browser.ListView1DblClick();
  list.Pick({1});
  browser.ListView1DblClick();
  EXPECT_EQ(treeView.selected, sub);
  EXPECT_EQ(shell.opened.size(), 1u);

  treeView.Select(deep);
  browser.upfolderClick();
  EXPECT_EQ(treeView.selected, sub);
  browser.upfolderClick();
  browser.upfolderClick();  // at the top: nothing
  EXPECT_EQ(treeView.selected, root);
  EXPECT_EQ(list.rows.size(), 3u);
}

TEST_F(BrowseTest, ExpandAndCollapse) {
  treeView.Select(deep);
  browser.FullExpand1Click();
  EXPECT_EQ(treeView.expanded, 1);
  EXPECT_EQ(list.rows.size(), 1u);
  browser.FullCollapse1Click();
  EXPECT_EQ(treeView.selected, root);
  EXPECT_EQ(list.rows.size(), 3u);

  // The refill also shows changes when the selection stays.
  treeView.moveOnCollapse = false;
  fs.Find("D:\\Work\\b.txt")->attributes = kAttrHidden;
  browser.FullCollapse1Click();
  EXPECT_EQ(list.rows[2].cells[5], "H");
}

}  // namespace

TEST_F(BrowseTest, RowsOfNamesTheCodePageCannotHold) {
  AddFile(root, "D:\\Work\\CAF_~CRT.TXT", 8);  // café.txt by its short name
  AddFile(root, "D:\\Work\\caf?.doc", 9);      // one without a short name
  shell.longNames["CAF_~CRT.TXT"] = L"caf\u00e9.txt";
  browser.FillFileList();
  ASSERT_EQ(list.rows.size(), 5u);
  // The shell's name is shown; the caption that rows are matched by stays the short name.
  EXPECT_EQ(list.rows[3].caption, "CAF_~CRT.TXT");
  EXPECT_EQ(list.shown, (std::map<size_t, std::wstring>{{3, L"caf\u00e9.txt"}}));
  EXPECT_EQ(list.rows[3].cells[0], "         8");
  // Nothing is asked of the marked one: its name alone, no figures, no icon.
  EXPECT_EQ(list.rows[4].caption, "caf?.doc");
  EXPECT_EQ(list.rows[4].cells, std::vector<std::string>(6));
  EXPECT_EQ(list.rows[4].image, -1);
  EXPECT_EQ(fs.markedAsks, 0);
}

// Typing finds a row by the beginning of its caption: the shell's once the row was shown, its
// own name before (the shell is not asked for rows nobody has seen).
TEST_F(BrowseTest, TypingFindsRowsByTheirCaptions) {
  AddFile(root, "D:\\Work\\表ソ.txt", 1);
  list.drawEverything = false;
  browser.FillFileList();
  shell.asked = 0;
  list.Draw(0);  // "<Sub>"
  const struct {
    const char* text;
    size_t start;
    bool wrap, partial;
    std::optional<size_t> row;
  } cases[] = {
      {"A", 0, false, true, 1},        {"b.TXT", 0, false, false, 2}, {"b.tx", 0, false, false, {}},
      {"a", 2, true, true, 1},         {"a", 2, false, true, {}},     {"<s", 0, false, true, 0},
      {"Sub", 0, true, true, {}},      {"表", 0, false, true, 3},     {"\x95", 0, false, true, {}},
      {"表ソ.txt", 4, true, false, 3}, {"", 0, true, true, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(browser.FindRow(c.text, c.start, c.wrap, c.partial), c.row)
        << c.text << " from " << c.start;
  EXPECT_EQ(shell.asked, 2);  // row 0's two icons only
}

TEST_F(BrowseTest, ABatchOfChangesWritesTheFiguresOnce) {
  for (int i = 0; i < 200; ++i) AddFile(root, "D:\\Work\\f" + std::to_string(i) + ".txt", i);
  browser.FillFileList();
  host.selectionWrites = 0;
  browser.selectAll1Click();
  EXPECT_EQ(host.selectionWrites, 1);
  EXPECT_EQ(Figures(), "203個 19,907ﾊﾞｲﾄ");
  host.selectionWrites = 0;
  browser.BeginChanges();  // one message of the control that changes many rows
  for (size_t i = 0; i < 100; ++i) list.SetSelected(i, false);
  browser.EndChanges();
  EXPECT_EQ(host.selectionWrites, 1);
  host.selectionWrites = 0;
  fs.Find("D:\\Work\\f150.txt")->size = 1000;  // grown since the build: leaves with its size now
  fs.searches = 0;
  browser.Delete1Click();
  EXPECT_EQ(fs.searches, 1);  // the folder searched once for the 103 rows' sizes
  EXPECT_EQ(tree.TotalCount, 207 - 103);
  EXPECT_EQ(tree.TotalSize, 19925 - (97 + 199) * 103 / 2 - (1000 - 150));
  EXPECT_EQ(host.selectionWrites, 1);
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  EXPECT_EQ(list.rows.size(), 100u);
  EXPECT_EQ(root->entries.size(), 100u);
  EXPECT_EQ(list.rows[0].caption, "<Sub>");
  EXPECT_EQ(list.rows[99].cells[0], "        96");  // f96: rows keep their own figures
}

// The running figures against a full recount by the rules alone, after every step of long
// random sequences of selections, removals, refills, folder selections and SubDir toggles.
TEST_F(BrowseTest, RunningFiguresEqualAFullRecount) {
  std::mt19937 random(19);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  for (int f = 0; f < 4; ++f) {
    const std::string folder = "D:\\Work\\F" + std::to_string(f);
    AddFolder(root, folder);
    Node* node = root->Child(root->ChildCount() - 1);
    AddFolder(node, folder + "\\In");
    for (int i = 0; i < 3 + f; ++i)
      AddFile(node->Child(0), folder + "\\In\\i" + std::to_string(i),
              static_cast<int64_t>(pick(900)));
    for (int i = 0; i < 2 * f; ++i)
      AddFile(node, folder + "\\g" + std::to_string(i), static_cast<int64_t>(pick(900)));
  }
  for (int i = 0; i < 30; ++i)
    AddFile(root, "D:\\Work\\r" + std::to_string(i) + ".txt", static_cast<int64_t>(pick(5000)));
  browser.FillFileList();

  std::function<void(const Node&, size_t, int64_t&, int64_t&)> deep =
      [&](const Node& node, size_t i, int64_t& bytes, int64_t& count) {
        bytes += EntrySize(node.entries[i]);
        ++count;
        const uint32_t a = fs.GetAttributes(EntryPath(node.entries[i]));
        if (i < node.ChildCount() && a != kAttrInvalid && (a & kAttrDirectory))
          for (size_t j = 0; j < node.Child(i)->entries.size(); ++j)
            deep(*node.Child(i), j, bytes, count);
      };
  auto recount = [&] {
    int64_t count = 0, bytes = 0;
    for (size_t i = 0; i < list.rows.size(); ++i) {
      if (!list.rows[i].selected) continue;
      if (browser.SubDir()) {
        deep(*treeView.selected, i, bytes, count);
      } else {
        ++count;
        bytes += SizeCellValue(list.Cell(i, 1));
      }
    }
    return CountText(count) + " " + BytesText(bytes);
  };

  for (int step = 0; step < 3000; ++step) {
    const size_t rows = list.rows.size();
    const size_t op = pick(15);
    if (op < 5 && rows) {
      const size_t r = pick(rows);
      list.SetSelected(r, !list.rows[r].selected);  // a click with Ctrl, or the space bar
    } else if (op == 5 && rows) {  // Shift+click or Shift+End: one message, many changes
      const size_t a = pick(rows), b = a + pick(rows - a);
      browser.BeginChanges();
      for (size_t i = 0; i < rows; ++i) list.SetSelected(i, i >= a && i <= b);
      browser.EndChanges();
    } else if (op == 6) {
      browser.selectAll1Click();
    } else if (op == 7) {
      browser.SubChekClick(!browser.SubDir());
    } else if (op == 8) {
      browser.FillFileList();
    } else if (op == 9 && pick(3) == 0) {
      browser.Delete1Click();
    } else if (op == 10) {
      std::vector<Node*> nodes;
      tree.ForEachNode([&](Node& n) { nodes.push_back(&n); });
      if (!nodes.empty()) treeView.Select(nodes[pick(nodes.size())]);
    } else if (op == 11 && rows) {  // the control changed rows without naming them
      for (int k = 0; k < 3; ++k) list.rows[pick(rows)].selected ^= true;
      browser.ListView1ChangeAll();
    } else if (op == 12) {
      browser.ListView1KeyUp();
    } else if (op == 13 && treeView.selected && treeView.selected != tree.FirstNode() &&
               pick(4) == 0) {
      browser.delete2Click();
    } else if (op == 14 && rows) {  // a range told in one notification, as owner-data lists do
      const size_t a = pick(rows), b = a + pick(rows - a);
      const bool on = pick(2) == 0;
      for (size_t i = a; i <= b; ++i) list.rows[i].selected = on;
      browser.ListView1ChangeRange(a, b, on);
    }
    ASSERT_EQ(Figures(), recount()) << "step " << step << ", operation " << op;
  }
}
