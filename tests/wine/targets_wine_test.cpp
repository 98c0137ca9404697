// The target tree built by the real window from real folders, and the Win32 file-system layer.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Unit1.h"
#include "platform/win32/text_win32.h"
#include "targets/entry.h"
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

TEST_F(TargetsWine, CommandLineWithShortNameBuildsTheTreeAndTotals) {
  char shortName[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA(sub.c_str(), shortName, MAX_PATH), 0u);
  auto form = Start({work + "\\a.txt", shortName});
  ASSERT_TRUE(PumpUntil([&] { return form->Tree().FirstNode() != nullptr; }));
  Node* root = form->Tree().FirstNode();
  EXPECT_EQ(root->text, work + "\\");
  ASSERT_EQ(root->entries.size(), 2u);
  EXPECT_EQ(root->entries[0], "0," + sub);  // the short name came back long
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
  // a.txt, the folder, b, h, s, 表ソ, Deep, c: dot items are neither listed nor counted.
  EXPECT_EQ(form->Tree().TotalCount, 8);
  EXPECT_EQ(form->Tree().TotalSize, 3 + 5 + 7 + 11 + 13 + 17);
  EXPECT_EQ(form->PanelText(1), "8個");
  EXPECT_EQ(form->PanelText(2), "56ﾊﾞｲﾄ");
  EXPECT_EQ(form->PanelText(0), "ファイル数");
  EXPECT_EQ(TreeView_GetCount(form->TreeView()), 3u);
  EXPECT_TRUE(IsWindowEnabled(form->Control(kIdBitBtn1)));
  // The root is selected and the tree has the focus.
  EXPECT_EQ(form->TreeView() ? TreeView_GetSelection(form->TreeView()) : nullptr, TreeView_GetRoot(form->TreeView()));
}

// Every node shows expanded and in view after a build, and again after a full collapse and a
// full expand from the tree's menu: the view is laid out, not only the items marked.
TEST_F(TargetsWine, BuildAndFullExpandShowEveryNode) {
  auto form = Start({work});
  ASSERT_TRUE(PumpUntil([&] { return form->PanelText(1) == "9個"; }));
  HWND tv = form->TreeView();
  auto inView = [&] {
    int n = 0;
    for (HTREEITEM i = TreeView_GetRoot(tv); i; i = TreeView_GetNextVisible(tv, i)) ++n;
    return n;
  };
  auto allExpanded = [&] {
    for (HTREEITEM i = TreeView_GetRoot(tv); i; i = TreeView_GetNextVisible(tv, i))
      if (TreeView_GetChild(tv, i) && !(TreeView_GetItemState(tv, i, TVIS_EXPANDED) & TVIS_EXPANDED)) return false;
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
  form->RunCommand(kCmdFullCollapse1);
  PumpPending();
  EXPECT_EQ(inView(), 1);
  form->RunCommand(kCmdFullExpand1);
  PumpPending();
  EXPECT_EQ(inView(), 4);
  EXPECT_TRUE(allExpanded());
}

TEST_F(TargetsWine, NoArgumentsLeavesPanelsUnwrittenAndADropBuilds) {
  auto form = Start({});
  PumpPending();
  EXPECT_TRUE(form->Tree().Empty());
  EXPECT_EQ(form->PanelText(1), "");
  EXPECT_FALSE(IsWindowEnabled(form->Control(kIdBitBtn2)));
  PostDrop(form->Handle(), {sub + "\\b.txt", sub + "\\表ソ.txt", sub + "\\Deep"});
  static TForm1* current;
  current = form.get();
  g_messageHook = [](const MSG& m) { return current->DropFiles(m); };
  ASSERT_TRUE(PumpUntil([&] { return form->Tree().FirstNode() != nullptr; }));
  Node* root = form->Tree().FirstNode();
  EXPECT_EQ(root->text, sub + "\\");
  EXPECT_EQ(root->entries, (std::vector<std::string>{"0," + sub + "\\Deep", "5," + sub + "\\b.txt",
                                                     "13," + sub + "\\表ソ.txt"}));
  EXPECT_EQ(form->Tree().TotalCount, 4);
  EXPECT_EQ(form->PanelText(2), "35ﾊﾞｲﾄ");
  EXPECT_TRUE(IsWindowEnabled(form->Control(kIdBitBtn2)));

  // A second drop replaces the whole tree and its totals.
  PostDrop(form->Handle(), {work + "\\a.txt"});
  ASSERT_TRUE(PumpUntil([&] { return form->Tree().TotalCount == 1; }));
  g_messageHook = nullptr;
  EXPECT_EQ(form->Tree().FirstNode()->text, work + "\\");
  EXPECT_EQ(form->PanelText(1), "1個");
  EXPECT_EQ(TreeView_GetCount(form->TreeView()), 1u);
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
  HANDLE other = CreateFileA((sub + "\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs.OpenExclusive(sub + "\\b.txt"), nullptr);
  CloseHandle(other);
  EXPECT_NE(fs.OpenExclusive(sub + "\\b.txt"), nullptr);
}

// The one-path query answers as the directory search does, without a search.
TEST_F(TargetsWine, LookupAgreesWithTheSearch) {
  win::Win32FileSystem fs;
  for (const std::string& path : {sub + "\\h.txt", sub + "\\s.sys", sub + "\\表ソ.txt", sub + "\\Deep"}) {
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
