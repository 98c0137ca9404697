#include <gtest/gtest.h>

#include <climits>

#include "platform/text.h"
#include "targets/entry.h"
#include "targets/tree.h"

using namespace mv;

TEST(Entry, FirstCommaSeparatesSizeAndPath) {
  EXPECT_EQ(EntryPath("1234,D:\\Work\\a,b.txt"), "D:\\Work\\a,b.txt");
  EXPECT_EQ(EntrySize("1234,D:\\Work\\a,b.txt"), 1234);
  EXPECT_EQ(EntryPath("0,"), "");
  EXPECT_EQ(EntrySize(",D:\\x"), 0);
  EXPECT_EQ(EntryPath("no comma"), "no comma");
  EXPECT_EQ(EntrySize("no comma"), 0);
}

TEST(Entry, SizesOf2GiBAndMoreRoundTrip) {
  for (int64_t size :
       {int64_t{0}, int64_t{-1}, int64_t{2147483648LL}, int64_t{5000000000LL}, INT64_MAX}) {
    std::string e = MakeEntry(size, "C:\\big.bin");
    EXPECT_EQ(EntrySize(e), size) << e;
    EXPECT_EQ(EntryPath(e), "C:\\big.bin");
  }
  EXPECT_EQ(MakeEntry(2147483648LL, "C:\\x"), "2147483648,C:\\x");
  EXPECT_EQ(EntrySize("12x,C:\\x"), 0);  // not what the program writes: no partial number
}

TEST(Entry, FormatTotalGroupsByThrees) {
  EXPECT_EQ(FormatTotal(0), "");
  EXPECT_EQ(FormatTotal(999), "999");
  EXPECT_EQ(FormatTotal(1000), "1,000");
  EXPECT_EQ(FormatTotal(1234567), "1,234,567");
  EXPECT_EQ(FormatTotal(-1234567), "-1,234,567");
  EXPECT_EQ(FormatTotal(5000000000LL), "5,000,000,000");
  EXPECT_EQ(FormatTotal(INT64_MIN), "-9,223,372,036,854,775,808");
  // The locale's separator, as the platform installs it.
  SetThousandsSeparator(".");
  EXPECT_EQ(FormatTotal(1234567), "1.234.567");
  EXPECT_EQ(FormatTotal(-1000, "\xA0\xA0"),
            "-1\xA0\xA0"
            "000");
  SetThousandsSeparator(",");
}

TEST(Tree, FolderEntriesStayInChildOrderBeforeFiles) {
  TargetTree tree;
  Node& root = tree.AddRoot("D:\\");
  AppendFileEntry(root, "1,D:\\x");
  InsertFolderEntry(root, "0,D:\\A");
  tree.AddChild(root, "A");
  InsertFolderEntry(root, "0,D:\\B");
  tree.AddChild(root, "B");
  AppendFileEntry(root, "2,D:\\y");
  EXPECT_EQ(root.entries, (std::vector<std::string>{"0,D:\\A", "0,D:\\B", "1,D:\\x", "2,D:\\y"}));
  EXPECT_EQ(root.Child(1)->text, "B");
  EXPECT_EQ(root.Child(1)->IndexInParent(), 1u);
}

TEST(Tree, ObserverSeesEveryChangeAndRemovalTakesSubtree) {
  struct Log : TreeObserver {
    std::vector<std::string> events;
    void NodeAdded(Node& n) override { events.push_back("+" + n.text); }
    void NodeRemoving(Node& n) override { events.push_back("-" + n.text); }
    void Cleared() override { events.push_back("clear"); }
  } log;
  TargetTree tree;
  tree.SetObserver(&log);
  Node& root = tree.AddRoot("D:\\");
  Node& a = tree.AddChild(root, "A");
  tree.AddChild(a, "deep");
  tree.AddChild(root, "B");
  EXPECT_EQ(tree.NodeCount(), 4u);
  tree.Remove(a);
  EXPECT_EQ(tree.NodeCount(), 2u);
  EXPECT_EQ(root.Child(0)->text, "B");
  tree.Clear();
  EXPECT_TRUE(tree.Empty());
  EXPECT_EQ(log.events, (std::vector<std::string>{"+D:\\", "+A", "+deep", "+B", "-A", "clear"}));
}
