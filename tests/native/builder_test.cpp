#include <gtest/gtest.h>

#include "fake_fs.h"
#include "platform/text.h"
#include "targets/builder.h"
#include "targets/entry.h"

using namespace mv;
using mv::testing::FakeFs;

namespace {

// D:\Work\a.txt (10 bytes), D:\Work\Sub\b.txt (20), D:\Work\Sub\Deep\c.txt (30).
void MakeWork(FakeFs& fs) {
  fs.AddFolder("D:\\Work");
  fs.AddFile("D:\\Work\\a.txt", 10);
  fs.AddFolder("D:\\Work\\Sub");
  fs.AddFile("D:\\Work\\Sub\\b.txt", 20);
  fs.AddFolder("D:\\Work\\Sub\\Deep");
  fs.AddFile("D:\\Work\\Sub\\Deep\\c.txt", 30);
}

struct Built {
  FakeFs fs;
  TargetTree tree;
  TreeBuilder builder{fs, tree};
};

}  // namespace

TEST(Builder, FileAndFolderOfOneBase) {
  Built b;
  MakeWork(b.fs);
  ASSERT_TRUE(b.builder.Build({"D:\\Work\\a.txt", "D:\\Work\\Sub"}, true));
  Node* root = b.tree.FirstNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text, "D:\\Work\\");
  EXPECT_EQ(root->entries, (std::vector<std::string>{"0,D:\\Work\\Sub", "10,D:\\Work\\a.txt"}));
  ASSERT_EQ(root->ChildCount(), 1u);
  Node* sub = root->Child(0);
  EXPECT_EQ(sub->text, "Sub");
  // b.txt was found before Deep, yet the folder entry comes first.
  b.fs.AddFile("D:\\Work\\Sub\\z.txt", 1);  // after the build: not seen
  EXPECT_EQ(sub->entries,
            (std::vector<std::string>{"0,D:\\Work\\Sub\\Deep", "20,D:\\Work\\Sub\\b.txt"}));
  ASSERT_EQ(sub->ChildCount(), 1u);
  EXPECT_EQ(sub->Child(0)->entries, (std::vector<std::string>{"30,D:\\Work\\Sub\\Deep\\c.txt"}));
  EXPECT_EQ(b.tree.TotalCount, 5);
  EXPECT_EQ(b.tree.TotalSize, 60);
  EXPECT_EQ(b.builder.FirstBaseFolder(), "D:\\Work\\");
}

TEST(Builder, DotItemsAreSkippedWhenScannedButNotWhenNamed) {
  Built b;
  b.fs.AddFolder("D:\\W");
  b.fs.AddFile("D:\\W\\.profile", 5);
  b.fs.AddFolder("D:\\W\\.cache");
  b.fs.AddFile("D:\\W\\.cache\\x", 7);
  b.fs.AddFile("D:\\W\\seen", 1, kAttrHidden | kAttrSystem);
  ASSERT_TRUE(b.builder.Build({"D:\\W"}, true));
  Node* w = b.tree.FirstNode()->Child(0);
  EXPECT_EQ(w->entries,
            (std::vector<std::string>{"1,D:\\W\\seen"}));  // hidden and system found too
  EXPECT_EQ(w->ChildCount(), 0u);
  EXPECT_EQ(b.tree.TotalCount, 2);

  ASSERT_TRUE(b.builder.Build({"D:\\W\\.cache"}, true));
  Node* cache = b.tree.FirstNode()->Child(0);
  EXPECT_EQ(cache->text, ".cache");
  EXPECT_EQ(cache->entries.size(), 1u);
  EXPECT_EQ(b.tree.TotalCount, 2);
  EXPECT_EQ(b.builder.FirstBaseFolder(), "D:\\");  // set by the first build only
}

TEST(Builder, TargetsFromSeveralFoldersAndDuplicatesAllCount) {
  Built b;
  MakeWork(b.fs);
  b.fs.AddFolder("E:\\Other");
  b.fs.AddFile("E:\\Other\\o.txt", 4);
  ASSERT_TRUE(b.builder.Build({"E:\\Other\\o.txt", "D:\\Work\\a.txt", "D:\\Work\\a.txt"}, false));
  Node* root = b.tree.FirstNode();
  EXPECT_EQ(root->text, "E:\\Other\\");
  EXPECT_EQ(root->entries, (std::vector<std::string>{"4,E:\\Other\\o.txt", "10,D:\\Work\\a.txt",
                                                     "10,D:\\Work\\a.txt"}));
  EXPECT_EQ(b.tree.TotalCount, 3);
  EXPECT_EQ(b.tree.TotalSize, 24);
}

TEST(Builder, MissingPathsAreLeftOutAndUnreadableFoldersStayEmpty) {
  Built b;
  MakeWork(b.fs);
  b.fs.Deny("D:\\Work\\Sub");
  ASSERT_TRUE(b.builder.Build({"D:\\Work\\gone.txt", "D:\\Work\\Sub", "D:\\Work\\a.txt"}, true));
  Node* root = b.tree.FirstNode();
  EXPECT_EQ(root->entries, (std::vector<std::string>{"0,D:\\Work\\Sub", "10,D:\\Work\\a.txt"}));
  EXPECT_TRUE(root->Child(0)->entries.empty());
  EXPECT_EQ(b.tree.TotalCount, 2);
  // Neither goes without a word: each is a line the window shows at once, and the node keeps why
  // it is empty for the runs that reach it.
  EXPECT_EQ(b.builder.FailureLines(),
            (std::vector<std::string>{"FindErr ErrCode = 2 FileName = D:\\Work\\gone.txt",
                                      "FindErr ErrCode = 5 FileName = D:\\Work\\Sub"}));
  EXPECT_EQ(root->Child(0)->listError, 5);
  EXPECT_EQ(FolderPathOf(*root->Child(0)), "D:\\Work\\Sub");
  // A folder met below a target, and a target that names no single item.
  ASSERT_TRUE(b.builder.Build({"D:\\Work", "D:\\Work\\*.txt"}, false));
  EXPECT_EQ(b.builder.FailureLines(),
            (std::vector<std::string>{"FindErr ErrCode = 5 FileName = D:\\Work\\Sub",
                                      "FindErr ErrCode = 123 FileName = D:\\Work\\*.txt"}));
  EXPECT_FALSE(b.builder.Build({}, true));
  EXPECT_FALSE(b.tree.Empty());  // no paths: the tree is left as it was
}

TEST(Builder, LargeFilesAndTotalsAreNotTruncated) {
  Built b;
  b.fs.AddFolder("D:\\Big");
  b.fs.AddFile("D:\\Big\\4g.bin", 4294967296LL + 5);
  b.fs.AddFile("D:\\Big\\3g.bin", 3221225472LL);
  ASSERT_TRUE(b.builder.Build({"D:\\Big"}, true));
  EXPECT_EQ(b.tree.FirstNode()->Child(0)->entries[0], "4294967301,D:\\Big\\4g.bin");
  EXPECT_EQ(b.tree.TotalSize, 4294967301LL + 3221225472LL);
  EXPECT_EQ(FormatTotal(b.tree.TotalSize), "7,516,192,773");
}

// A drive root is held as "D:\" (a bare "D:" is the drive's current folder), and its node
// carries the name that every command matching entries to nodes takes from that path.
TEST(Builder, DriveRootIsScannedAsAFolder) {
  for (const char* given : {"D:\\", "D:"}) {
    Built b;
    b.fs.AddFile("D:\\top.txt", 3);
    b.fs.AddFolder("D:\\Dir");
    b.fs.AddFile("D:\\Dir\\in.txt", 2);
    ASSERT_TRUE(b.builder.Build({given}, true));
    Node* root = b.tree.FirstNode();
    EXPECT_EQ(root->text, "D:\\");
    EXPECT_EQ(root->entries, (std::vector<std::string>{"0,D:\\"}));
    Node* drive = root->Child(0);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->text, "D:");
    EXPECT_EQ(drive->text, ItemName(EntryPath(root->entries[0])));
    EXPECT_EQ(drive->entries, (std::vector<std::string>{"0,D:\\Dir", "3,D:\\top.txt"}));
    EXPECT_EQ(drive->Child(0)->entries, (std::vector<std::string>{"2,D:\\Dir\\in.txt"}));
    EXPECT_EQ(b.tree.TotalCount, 4);
  }
}

// Links, junctions and mount points are folders to scan, named as targets or found below one;
// only one that leads back to a folder being scanned is listed and not entered again.
TEST(Builder, LinksAreScannedAndOnlyLoopsAreNotEnteredAgain) {
  Built b;
  b.fs.AddFolder("D:\\L");
  b.fs.AddFolder("D:\\L\\junction", kAttrReparsePoint);
  b.fs.AddFile("D:\\L\\junction\\inside", 1);
  auto& loop = b.fs.AddFolder("D:\\L\\loop", kAttrReparsePoint);
  loop.identity = b.fs.Find("D:\\L")->identity;  // leads back to L
  b.fs.AddFile("D:\\L\\loop\\again", 1);
  b.fs.AddFolder("D:\\M", kAttrReparsePoint);  // a mount point named as a target
  b.fs.AddFile("D:\\M\\m.txt", 4);
  ASSERT_TRUE(b.builder.Build({"D:\\L", "D:\\M"}, true));
  Node* l = b.tree.FirstNode()->Child(0);
  ASSERT_EQ(l->ChildCount(), 2u);  // both are listed, with their nodes, so rows map to nodes
  EXPECT_EQ(l->Child(0)->entries, (std::vector<std::string>{"1,D:\\L\\junction\\inside"}));
  EXPECT_TRUE(l->Child(1)->entries.empty());
  EXPECT_EQ(b.tree.FirstNode()->Child(1)->entries, (std::vector<std::string>{"4,D:\\M\\m.txt"}));
  EXPECT_EQ(b.tree.TotalCount, 6);
}

// A volume that can tell no folder's identity never stops a scan of plain folders. Links on it
// cannot be told from loops: a link is followed once along a branch, and a link met below it is
// listed, not followed, and told, so a loop cannot run to the path limit and two cannot multiply
// the tree.
TEST(Builder, FoldersWithoutIdentityAreScannedToTheBottom) {
  Built b;
  std::string path = "D:\\N";
  for (int i = 0; i < 4; ++i, path += "\\n") b.fs.AddFolder(path).identity = 0;
  b.fs.AddFile(path + ".txt", 1);
  ASSERT_TRUE(b.builder.Build({"D:\\N"}, true));
  EXPECT_EQ(b.tree.NodeCount(), 5u);
  EXPECT_EQ(b.tree.TotalCount, 5);
  EXPECT_TRUE(b.builder.FailureLines().empty());

  // L holds two links back to itself: the fake lists a link's own items, so each is given L's.
  struct LoopFs : FakeFs {
    bool Search(const std::string& pattern,
                const std::function<void(const FindItem&)>& each) override {
      std::string p = pattern;
      for (size_t at; (at = p.find("\\a\\")) != std::string::npos ||
                      (at = p.find("\\b\\")) != std::string::npos;)
        p.erase(at, 2);  // D:\L\a\b\*.* lists as D:\L\*.*
      return FakeFs::Search(p, each);
    }
  } fs;
  fs.AddFolder("D:\\L").identity = 0;
  fs.AddFolder("D:\\L\\a", kAttrReparsePoint).identity = 0;
  fs.AddFolder("D:\\L\\b", kAttrReparsePoint).identity = 0;
  fs.AddFile("D:\\L\\f.txt", 1);
  TargetTree tree;
  TreeBuilder builder(fs, tree);
  ASSERT_TRUE(builder.Build({"D:\\L"}, true));
  Node* l = tree.FirstNode()->Child(0);
  ASSERT_EQ(l->ChildCount(), 2u);
  for (Node* link : {l->Child(0), l->Child(1)}) {
    EXPECT_EQ(link->entries.size(), 3u);  // L's items once more
    ASSERT_EQ(link->ChildCount(), 2u);
    for (Node* again : {link->Child(0), link->Child(1)}) {
      EXPECT_TRUE(again->entries.empty());
      EXPECT_EQ(again->listError, kErrorCantResolve);
    }
  }
  EXPECT_EQ(tree.NodeCount(), 8u);
  EXPECT_EQ(builder.FailureLines(),
            (std::vector<std::string>{"FindErr ErrCode = 1921 FileName = D:\\L\\a\\a",
                                      "FindErr ErrCode = 1921 FileName = D:\\L\\a\\b",
                                      "FindErr ErrCode = 1921 FileName = D:\\L\\b\\a",
                                      "FindErr ErrCode = 1921 FileName = D:\\L\\b\\b"}));
}

TEST(Builder, FolderIdentitiesAreAskedOnlyForAFolderThatListsLikeOneItIsIn) {
  struct CountingFs : FakeFs {
    std::optional<uint64_t> FolderIdentity(const std::string& path) override {
      ++asked;
      return FakeFs::FolderIdentity(path);
    }
    int asked = 0;
  };
  CountingFs fs;
  TargetTree tree;
  TreeBuilder builder{fs, tree};
  fs.AddFolder("D:\\T").lastWrite = 100;
  fs.AddFolder("D:\\T\\a").lastWrite = 50;
  fs.AddFolder("D:\\T\\b").lastWrite = 100;  // T's time, other items: entered unasked
  // A link is always asked: it may report its own time.
  fs.AddFolder("D:\\T\\link", kAttrReparsePoint).lastWrite = 7;
  fs.AddFile("D:\\T\\a\\f", 1);
  fs.AddFile("D:\\T\\b\\g", 1);
  auto& loop = fs.AddFolder("D:\\T\\b\\loop");  // T again: its time and its items
  loop.lastWrite = 100;
  loop.identity = fs.Find("D:\\T")->identity;
  fs.AddFolder("D:\\T\\b\\loop\\a").lastWrite = 50;
  fs.AddFolder("D:\\T\\b\\loop\\b").lastWrite = 100;
  fs.AddFolder("D:\\T\\b\\loop\\link", kAttrReparsePoint).lastWrite = 7;
  ASSERT_TRUE(builder.Build({"D:\\T"}, true));
  Node* t = tree.FirstNode()->Child(0);
  ASSERT_EQ(t->ChildCount(), 3u);
  EXPECT_EQ(t->Child(0)->entries, (std::vector<std::string>{"1,D:\\T\\a\\f"}));
  ASSERT_EQ(t->Child(1)->ChildCount(), 1u);
  EXPECT_EQ(t->Child(1)->entries, (std::vector<std::string>{"0,D:\\T\\b\\loop", "1,D:\\T\\b\\g"}));
  EXPECT_TRUE(t->Child(1)->Child(0)->entries.empty());  // the loop: listed, not entered
  EXPECT_EQ(fs.asked, 3);                               // the link's, the loop's and T's
  EXPECT_EQ(tree.TotalCount, 7);
}

TEST(Builder, ShiftJisNamesWithBackslashTrailBytes) {
  Built b;
  const std::string folder = "D:\\表示";  // 表 ends in 0x5C
  b.fs.AddFolder(folder);
  b.fs.AddFile(folder + "\\ソフト.txt", 8);
  ASSERT_TRUE(b.builder.Build({folder + "\\ソフト.txt", folder}, true));
  Node* root = b.tree.FirstNode();
  EXPECT_EQ(root->text, folder + "\\");
  ASSERT_EQ(root->ChildCount(), 1u);
  EXPECT_EQ(root->Child(0)->text, "表示");
  EXPECT_EQ(root->entries,
            (std::vector<std::string>{"0," + folder, "8," + folder + "\\ソフト.txt"}));
  EXPECT_EQ(root->Child(0)->entries, (std::vector<std::string>{"8," + folder + "\\ソフト.txt"}));
  ASSERT_TRUE(b.builder.Build({folder}, true));
  EXPECT_EQ(b.tree.FirstNode()->text, "D:\\");
  EXPECT_EQ(b.tree.FirstNode()->Child(0)->text, "表示");
}

TEST(Builder, LongPathConversionComponentByComponent) {
  Built b;
  // The fake finds items by their long names only; a short alias resolves through a lookup table.
  struct AliasFs : FakeFs {
    bool Search(const std::string& pattern,
                const std::function<void(const FindItem&)>& each) override {
      std::string p = pattern;
      for (auto [s, l] : {std::pair{"PROGRA~1", "Program Files"},
                          std::pair{"MYDATA~1.TXT", "My Data File.txt"}}) {
        size_t at = p.find(s);
        if (at != std::string::npos) p.replace(at, std::string(s).size(), l);
      }
      return FakeFs::Search(p, each);
    }
  } fs;
  fs.AddFolder("D:\\Program Files");
  fs.AddFile("D:\\Program Files\\My Data File.txt", 1);
  fs.AddFolder("D:\\Hidden", kAttrHidden);
  fs.AddFile("D:\\Hidden\\x.txt", 1);
  TargetTree tree;
  TreeBuilder builder(fs, tree);
  EXPECT_EQ(builder.ToLongPath("D:\\PROGRA~1\\MYDATA~1.TXT"),
            "D:\\Program Files\\My Data File.txt");
  fs.AddFile("x.txt", 1);
  EXPECT_EQ(builder.ToLongPath("x.txt"), "x.txt");
  EXPECT_EQ(builder.ToLongPath("D:\\PROGRA~1\\gone.txt"),
            "D:\\PROGRA~1\\gone.txt");  // left as given
  EXPECT_EQ(builder.ToLongPath("D:\\"), "D:\\");
  // A hidden parent is not reported by the folder-only search: it stays as written.
  EXPECT_EQ(builder.ToLongPath("D:\\Hidden\\x.txt"), "D:\\Hidden\\x.txt");
  EXPECT_EQ(builder.LongNameOf("D:\\Hidden", kAttrDirectory), "");
  EXPECT_EQ(builder.LongNameOf("D:\\Hidden", kMaskAll), "Hidden");
}

TEST(Builder, PumpsBeforeEachTargetAndRestoresTheCursor) {
  FakeFs fs;
  MakeWork(fs);
  TargetTree tree;
  int pumps = 0, busy = 0;
  TreeBuilder builder(fs, tree,
                      BuildHooks{[&] { ++pumps; }, [&](bool on) { busy += on ? 1 : -1; }});
  builder.Build({"D:\\Work\\a.txt", "D:\\Work\\Sub", "D:\\nothing"}, false);
  EXPECT_EQ(pumps, 3);
  EXPECT_EQ(busy, 0);
}

// Names the code page cannot hold: an item with a short name is entered by it, also as a target
// (the long-path conversion keeps it short); one without is entered under its marked spelling,
// counted, and nothing is searched below it or in its place.
TEST(Builder, NamesOutsideTheCodePage) {
  Built b;
  b.fs.AddFolder("D:\\W");
  b.fs.AddFile("D:\\W\\cafe.txt", 4);
  b.fs.AddFile("D:\\W\\CAF_~CRT.TXT", 5);  // café.txt by its short name
  b.fs.AddFile("D:\\W\\r?sum?.doc", 6);    // résumé.doc without one
  b.fs.AddFolder("D:\\W\\??");             // 한글 without one
  b.fs.AddFile("D:\\W\\??\\in.txt", 7);
  b.fs.AddFolder("D:\\W\\X");
  b.fs.AddFile("D:\\W\\X\\x.txt", 8);
  ASSERT_TRUE(b.builder.Build({"D:\\W\\CAF_~CRT.TXT", "D:\\W", "D:\\W\\*.txt"}, true));
  Node* root = b.tree.FirstNode();
  EXPECT_EQ(root->entries,
            (std::vector<std::string>{"0,D:\\W", "5,D:\\W\\CAF_~CRT.TXT"}));  // no pattern target
  Node* w = root->Child(0);
  EXPECT_EQ(w->entries, (std::vector<std::string>{"0,D:\\W\\??", "0,D:\\W\\X", "4,D:\\W\\cafe.txt",
                                                  "5,D:\\W\\CAF_~CRT.TXT", "6,D:\\W\\r?sum?.doc"}));
  ASSERT_EQ(w->ChildCount(), 2u);
  EXPECT_TRUE(w->Child(0)->entries.empty());
  EXPECT_EQ(w->Child(1)->entries, std::vector<std::string>{"8,D:\\W\\X\\x.txt"});
  EXPECT_EQ(b.tree.TotalCount, 2 + 6);
  EXPECT_EQ(b.fs.markedAsks, 0);
}
