// The target tree built by the real window from real folders, and the Win32 file-system layer.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Unit1.h"
#include "platform/win32/text_win32.h"
#include "platform/win32/handles.h"
#include "targets/builder.h"
#include "main_view.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

class TargetsWine : public ::testing::Test {
 protected:
  void SetUp() override {
    win::InstallPlatformText();
    // Work\a.txt (3), Work\Long Folder Name\{b.txt (5), hidden h.txt (7), system s.sys (11),
    // .profile, .cache\x, 表ソ.txt (13)}, Work\Long Folder Name\Deep\c.txt (17)
    work = tmp / "Work";
    MakeFolder(work);
    WriteFile(work + "\\a.txt", "aaa");
    sub = work + "\\Long Folder Name";
    MakeFolder(sub);
    WriteFile(sub + "\\b.txt", std::string(5, 'b'));
    WriteFile(sub + "\\h.txt", std::string(7, 'h'), FILE_ATTRIBUTE_HIDDEN);
    WriteFile(sub + "\\s.sys", std::string(11, 's'), FILE_ATTRIBUTE_SYSTEM);
    WriteFile(sub + "\\.profile", "p");
    MakeFolder(sub + "\\.cache");
    WriteFile(sub + "\\.cache\\x", "x");
    WriteFile(sub + "\\表ソ.txt", std::string(13, 'j'));
    MakeFolder(sub + "\\Deep");
    WriteFile(sub + "\\Deep\\c.txt", std::string(17, 'c'));
  }

  std::unique_ptr<TForm1> Start(std::vector<std::string> args) {
    auto form = std::make_unique<TForm1>(std::move(args));
    EXPECT_TRUE(form->Create(GetModuleHandleA(nullptr)));
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    PumpPending();
    return form;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  TempFolder tmp;
  std::string work, sub;
};

// The build of a command line on the real file system: a short name comes back long, hidden and
// system items are listed, dot items neither listed nor counted.
TEST_F(TargetsWine, CommandLineWithShortNameBuildsTheTreeAndTotals) {
  char shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(sub.c_str(), shortName, MAX_PATH), 0u);
  win::Win32FileSystem fs;
  TargetTree tree;
  ASSERT_TRUE(TreeBuilder(fs, tree).Build({work + "\\a.txt", shortName}, true));
  Node* root = tree.FirstNode();
  EXPECT_EQ(root->text, work + "\\");
  ASSERT_EQ(root->entries.size(), 2u);
  EXPECT_EQ(root->entries[0], "0," + sub);
  EXPECT_EQ(root->entries[1], "3," + work + "\\a.txt");
  ASSERT_EQ(root->ChildCount(), 1u);
  Node* s = root->Child(0);
  EXPECT_EQ(s->text, "Long Folder Name");
  ASSERT_GE(s->entries.size(), 1u);
  EXPECT_EQ(s->entries[0], "0," + sub + "\\Deep");
  EXPECT_EQ(Sorted({s->entries.begin() + 1, s->entries.end()}),
            Sorted({"5," + sub + "\\b.txt", "7," + sub + "\\h.txt", "11," + sub + "\\s.sys",
                    "13," + sub + "\\表ソ.txt"}));
  EXPECT_EQ(s->Child(0)->entries, std::vector<std::string>{"17," + sub + "\\Deep\\c.txt"});
  EXPECT_EQ(tree.TotalCount, 8);  // a.txt, the folder, b, h, s, 表ソ, Deep, c
  EXPECT_EQ(tree.TotalSize, 3 + 5 + 7 + 11 + 13 + 17);
}

// Every node shows expanded and in view after a build, and again after a full collapse and a
// full expand from the tree's menu: the view is laid out, not only the items marked.
TEST_F(TargetsWine, BuildAndFullExpandShowEveryNode) {
  auto form = Start({work});
  ASSERT_TRUE(PumpUntil([&] { return PanelText(form->Handle(), 1) == "9個"; }));
  HWND tv = MainTree(form->Handle());
  auto inView = [&] {
    int n = 0;
    for (HTREEITEM i = TreeView_GetRoot(tv); i; i = TreeView_GetNextVisible(tv, i)) ++n;
    return n;
  };
  auto allExpanded = [&] {
    for (HTREEITEM i = TreeView_GetRoot(tv); i; i = TreeView_GetNextVisible(tv, i))
      if (TreeView_GetChild(tv, i) &&
          !(TreeView_GetItemState(tv, i, TVIS_EXPANDED) & TVIS_EXPANDED))
        return false;
    return true;
  };
  ASSERT_EQ(TreeView_GetCount(tv), 4u);  // the base folder, Work, Long Folder Name, Deep
  EXPECT_EQ(inView(), 4);
  EXPECT_TRUE(allExpanded());
  RECT deep{};
  HTREEITEM last = TreeView_GetLastVisible(tv);
  ASSERT_TRUE(last);
  ASSERT_TRUE(TreeView_GetItemRect(tv, last, &deep, TRUE));
  EXPECT_GT(deep.top, 0);  // laid out below the others
  MainCommand(form->Handle(), kCmdFullCollapse1);
  PumpPending();
  EXPECT_EQ(inView(), 1);
  MainCommand(form->Handle(), kCmdFullExpand1);
  PumpPending();
  EXPECT_EQ(inView(), 4);
  EXPECT_TRUE(allExpanded());
}

TEST_F(TargetsWine, NoArgumentsLeavesPanelsUnwrittenAndADropBuilds) {
  auto form = Start({});
  PumpPending();
  HWND tv = MainTree(form->Handle());
  EXPECT_EQ(TreeView_GetCount(tv), 0u);
  EXPECT_EQ(PanelText(form->Handle(), 1), "");
  EXPECT_FALSE(IsWindowEnabled(MainControl(form->Handle(), kIdBitBtn2)));
  PostDrop(form->Handle(), {sub + "\\b.txt", sub + "\\表ソ.txt", sub + "\\Deep"});
  static TForm1* current;
  current = form.get();
  g_messageHook = [](const MSG& m) { return current->DropFiles(m); };
  ASSERT_TRUE(PumpUntil([&] { return PanelText(form->Handle(), 1) == "4個"; }));
  EXPECT_EQ(TreeItemText(tv, TreeView_GetSelection(tv)), sub + "\\");
  EXPECT_EQ(ListRows(form->Handle()), (std::vector<std::string>{"Deep", "b.txt", "表ソ.txt"}));
  EXPECT_EQ(PanelText(form->Handle(), 2), "35ﾊﾞｲﾄ");
  EXPECT_TRUE(IsWindowEnabled(MainControl(form->Handle(), kIdBitBtn2)));

  EXPECT_TRUE(ErrorLines().empty());

  // A second drop replaces the whole tree and its totals. An item that is not there has no
  // entry, and the error window says so as soon as the build ends.
  ASSERT_TRUE(form->CreateForm3(GetModuleHandleA(nullptr)));
  PostDrop(form->Handle(), {work + "\\a.txt", work + "\\gone.txt"});
  ASSERT_TRUE(PumpUntil([&] { return PanelText(form->Handle(), 1) == "1個"; }));
  g_messageHook = nullptr;
  EXPECT_EQ(TreeItemText(tv, TreeView_GetRoot(tv)), work + "\\");
  EXPECT_EQ(TreeView_GetCount(tv), 1u);
  EXPECT_EQ(ErrorLines(),
            std::vector<std::string>{"FindErr ErrCode = 2 FileName = " + work + "\\gone.txt"});
  EXPECT_TRUE(IsWindowVisible(ProgramWindow("TForm3")));
}

// A folder the file functions reach, whose search pattern ("\\*.*") passes the length limit, is
// listed whole; a folder beyond the limit is not listed, and the build says why.
TEST_F(TargetsWine, FoldersAtTheLengthLimitAreListedOrRefusedWithTheirReason) {
  const std::string top = tmp / "L";
  MakeFolder(top);
  const std::string fits = top + "\\" + std::string(257 - top.size() - 1, 'n');
  ASSERT_EQ(fits.size(), 257u);
  const std::string beyond = fits + "\\beyond";
  auto wide = [](const std::string& path) { return L"\\\\?\\" + win::WideOf(path); };
  ASSERT_TRUE(CreateDirectoryW(wide(fits).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(wide(beyond).c_str(), nullptr));
  {
    win::ScopedFile f(CreateFileW(wide(fits + "\\f.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(f);
  }
  win::Win32FileSystem fs;
  std::vector<std::string> names;
  EXPECT_TRUE(fs.Search(fits + "\\*.*", [&](const FindItem& item) { names.push_back(item.name); }));
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{".", "..", "beyond", "f.txt"}));
  EXPECT_FALSE(fs.Search(beyond + "\\*.*", [](const FindItem&) {}));
  EXPECT_EQ(fs.LastSearchError(), ERROR_FILENAME_EXCED_RANGE);

  TargetTree tree;
  TreeBuilder builder(fs, tree);
  ASSERT_TRUE(builder.Build({fits}, false));
  Node* node = tree.FirstNode()->Child(0);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->entries, (std::vector<std::string>{"0," + beyond, "0," + fits + "\\f.txt"}));
  EXPECT_EQ(node->Child(0)->listError, ERROR_FILENAME_EXCED_RANGE);
  EXPECT_EQ(builder.FailureLines(),
            std::vector<std::string>{"FindErr ErrCode = 206 FileName = " + beyond});
  RemoveTreeW(wide(fits));
}

TEST_F(TargetsWine, FileSystemLayerOnRealFiles) {
  win::Win32FileSystem fs;
  auto item = fs.FindOne(sub + "\\h.txt", kMaskAll);
  ASSERT_TRUE(item);
  EXPECT_TRUE(item->attributes & kAttrHidden);
  EXPECT_FALSE(fs.FindOne(sub + "\\h.txt", kAttrDirectory));  // hidden items need the mask
  EXPECT_FALSE(fs.FindOne(sub + "\\missing", kMaskAll));
  EXPECT_EQ(fs.GetAttributes(sub + "\\missing"), kAttrInvalid);
  auto a = fs.FolderIdentity(sub), b = fs.FolderIdentity(work + "\\Long Folder Name\\.\\");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, *b);
  EXPECT_NE(*a, *fs.FolderIdentity(work));
  // A file another handle holds without sharing cannot be opened exclusively.
  HANDLE other =
      CreateFileA((sub + "\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs.OpenExclusive(sub + "\\b.txt"), nullptr);
  CloseHandle(other);
  EXPECT_NE(fs.OpenExclusive(sub + "\\b.txt"), nullptr);
}

// The one-path query answers as the directory search does, without a search.
TEST_F(TargetsWine, LookupAgreesWithTheSearch) {
  win::Win32FileSystem fs;
  for (const std::string& path :
       {sub + "\\h.txt", sub + "\\s.sys", sub + "\\表ソ.txt", sub + "\\Deep"}) {
    SCOPED_TRACE(path);
    auto found = fs.FindOne(path, kMaskAll);
    auto looked = fs.Lookup(path);
    ASSERT_TRUE(found && looked);
    EXPECT_EQ(looked->name, found->name);  // the trail byte 0x5C of ソ is no separator
    EXPECT_EQ(looked->attributes, found->attributes);
    EXPECT_EQ(looked->size, found->size);
    EXPECT_EQ(looked->lastWrite, found->lastWrite);
  }
  EXPECT_FALSE(fs.Lookup(sub + "\\missing"));
  EXPECT_FALSE(fs.Lookup(work + "\\missing\\a.txt"));
  // A pattern names no single item: neither answers with whatever it matches.
  EXPECT_FALSE(fs.Lookup(work + "\\a.t?t"));
  EXPECT_FALSE(fs.FindOne(work + "\\a.t?t", kMaskAll));
  EXPECT_FALSE(fs.Search(work + "\\?\\*.*", [](const FindItem&) {}));
  // A drive root has no entry of its own in a search but is a folder.
  auto root = fs.Lookup("C:\\");
  ASSERT_TRUE(root);
  EXPECT_TRUE(root->attributes & kAttrDirectory);
}

}  // namespace
