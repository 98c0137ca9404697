#include <gtest/gtest.h>

#include "platform/fs.h"
#include "targets/paths.h"

using namespace mv;

// 表 = 95 5C and ソ = 83 5C: their trail byte is a backslash.
static const std::string kHyo = "表";
static const std::string kSo = "ソ";

TEST(Paths, TrailByteIsNeverASeparator) {
  ASSERT_EQ(kHyo, std::string("\x95\x5C"));
  ASSERT_EQ(kSo, std::string("\x83\x5C"));
  const std::string path = "D:\\" + kHyo + "\\" + kSo + ".txt";
  EXPECT_EQ(PathName(path), kSo + ".txt");
  EXPECT_EQ(PathFolder(path), "D:\\" + kHyo + "\\");
  EXPECT_EQ(PathParent(path), "D:\\" + kHyo);
  EXPECT_EQ(PathParent("D:\\" + kHyo), "D:\\");
  // A name ending in ソ ends in byte 0x5C, which is not a trailing backslash.
  EXPECT_FALSE(EndsWithBackslash("D:\\a" + kSo));
  EXPECT_EQ(PathName("D:\\a" + kSo), "a" + kSo);
}

TEST(Paths, FolderAndNameAtColonsAndBackslashes) {
  struct Case { const char* path; const char* folder; const char* name; };
  const Case cases[] = {
      {"D:\\Work\\a.txt", "D:\\Work\\", "a.txt"},
      {"D:\\Work\\", "D:\\Work\\", ""},
      {"D:a.txt", "D:", "a.txt"},
      {"a.txt", "", "a.txt"},
      {"", "", ""},
      {"\\\\srv\\share\\x", "\\\\srv\\share\\", "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathFolder(c.path), c.folder) << c.path;
    EXPECT_EQ(PathName(c.path), c.name) << c.path;
  }
}

TEST(Paths, ParentKeepsRootsAndNetworkPrefix) {
  struct Case { const char* path; const char* parent; };
  const Case cases[] = {
      {"D:\\Work\\a.txt", "D:\\Work"}, {"D:\\Work", "D:\\"},     {"D:\\", "D:\\"},
      {"D:\\Work\\", "D:\\"},          {"\\Work\\a", "\\Work"},  {"\\Work", "\\"},
      {"\\\\srv\\share\\d\\a", "\\\\srv\\share\\d"}, {"\\\\srv\\share", "\\\\srv"},
      {"\\\\srv", "\\\\"},             {"x.txt", ""},            {"D:x", "D:"},
  };
  for (const Case& c : cases) EXPECT_EQ(PathParent(c.path), c.parent) << c.path;
}

TEST(Paths, LeadByteTestCanBeReplaced) {
  SetLeadByteTest([](unsigned char) { return false; });
  EXPECT_EQ(PathName("D:\\" + kHyo), "");  // a single-byte code page sees 0x5C as a separator
  SetLeadByteTest(nullptr);
  EXPECT_EQ(PathName("D:\\" + kHyo), kHyo);
}

namespace {

// Every double-byte character with each second byte the code page has: 0x40-0x7E (among them
// @ [ \ ] ^ _ ` { | } ~ and the letters) and 0x80-0xFC, after a lead byte from each lead range.
std::vector<std::string> EverySecondByte() {
  std::vector<std::string> chars;
  for (unsigned lead : {0x81u, 0x9Fu, 0xE0u, 0xFCu})
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
      if (trail != 0x7F) chars.push_back({static_cast<char>(lead), static_cast<char>(trail)});
  return chars;
}

}  // namespace

TEST(Paths, EverySecondByteStaysPartOfItsCharacter) {
  for (const std::string& c : EverySecondByte()) {
    SCOPED_TRACE(::testing::PrintToString(c));
    const std::string folder = "D:\\" + c + c;
    const std::string path = folder + "\\" + c + ".txt";
    EXPECT_EQ(PathName(path), c + ".txt");
    EXPECT_EQ(PathFolder(path), folder + "\\");
    EXPECT_EQ(PathParent(path), folder);
    EXPECT_EQ(PathParent(folder), "D:\\");
    EXPECT_FALSE(EndsWithBackslash(folder));
    EXPECT_EQ(AfterLastSeparator(c), 0u);
    EXPECT_TRUE(NamesOneItem(path));  // no second byte is a pattern character
  }
  EXPECT_FALSE(NamesOneItem("D:\\W\\caf?.txt"));
  EXPECT_FALSE(NamesOneItem("D:\\*\\a"));
}

TEST(Paths, RootsItemNamesAndJoins) {
  for (const char* root : {"D:", "d:\\", "\\\\srv\\share", "\\\\srv\\share\\"}) EXPECT_TRUE(IsRootPath(root)) << root;
  for (const char* other : {"D:\\x", "D:x", "\\\\srv", "\\\\srv\\share\\d", "\\x", "", "1:\\"})
    EXPECT_FALSE(IsRootPath(other)) << other;
  // The name a folder's node carries: a drive root has none of its own and is named by its drive.
  struct Case { const char* path; const char* name; };
  const Case cases[] = {{"D:\\", "D:"}, {"D:", "D:"}, {"D:\\Work", "Work"}, {"\\\\srv\\share", "share"}};
  for (const Case& c : cases) EXPECT_EQ(ItemName(c.path), c.name) << c.path;
  EXPECT_EQ(ItemName("D:\\" + kHyo), kHyo);
  EXPECT_EQ(JoinPath("D:\\", "a.txt"), "D:\\a.txt");
  EXPECT_EQ(JoinPath("D:\\Work", "*.*"), "D:\\Work\\*.*");
  EXPECT_EQ(JoinPath("D:\\" + kHyo, "a"), "D:\\" + kHyo + "\\a");  // a trail byte 0x5C is no backslash
}
