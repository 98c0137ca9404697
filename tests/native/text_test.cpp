// Code-page text: the double-byte step, cuts, case folding and the path helpers, as tables.
#include <gtest/gtest.h>

#include "platform/text.h"

using namespace mv;

namespace {

// 表 = 95 5C and ソ = 83 5C: their second byte is a backslash.
const std::string kHyo = "表";
const std::string kSo = "ソ";
constexpr CodePage kSys = CodePage::System, kArc = CodePage::Cp932;

}  // namespace

TEST(CodePageText, StepsCountsAndCuts) {
  ASSERT_EQ(kHyo, std::string("\x95\x5C"));
  ASSERT_EQ(kSo, std::string("\x83\x5C"));
  // A lead byte before a byte that cannot follow it ("\x81:"): the system's rule takes the pair,
  // as the platform's path functions do; code page 932's own rule lets the lead byte stand alone.
  struct Case {
    std::string text;
    CodePage page;
    size_t first, count;
    size_t limit, within;
  };
  const Case cases[] = {
      {"a" + kHyo, kSys, 1, 2, 2, 1},  // a cut never keeps half of 表
      {kHyo + kSo, kSys, 2, 2, 3, 2},
      {kHyo + kSo, kArc, 2, 2, 4, 4},
      {"\x81:", kSys, 2, 1, 1, 0},
      {"\x81:", kArc, 1, 2, 1, 1},
      {"\x81", kSys, 1, 1, 1, 1},  // a lone lead byte at the end is one character
      {"\x81", kArc, 1, 1, 1, 1},
      {std::string(1022, 'a') + kHyo + kHyo, kSys, 1, 1024, 1023, 1022},
      {std::string(1021, 'a') + kHyo + kHyo, kSys, 1, 1023, 1023, 1023},
      {"", kSys, 1, 0, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text.substr(0, 8)));
    EXPECT_EQ(CharSize(c.text, 0, c.page), c.first);
    if (c.page == kSys) {
      EXPECT_EQ(CharCount(c.text), c.count);
    }
    EXPECT_EQ(WholeCharsWithin(c.text, c.limit, c.page), c.within);
  }
  EXPECT_FALSE(IsCharBoundary("a" + kHyo, 2));
  EXPECT_TRUE(IsCharBoundary("a" + kHyo, 3));
}

TEST(CodePageText, CaseFoldingLeavesDoubleByteCharactersAlone) {
  struct Case {
    std::string a, b;
    bool same;
  };
  const Case cases[] = {
      {"Sub\\Read.ME", "SUB\\read.me", true},
      {kHyo + ".TXT", kHyo + ".txt", true},
      {"\x83\x5C", "\x83\x7C", false},  // ソ and ポ are two characters, not one in two cases
      {"\x83\x61", "\x83\x41", false},  // a second byte that reads 'a' is no letter
      {"a\\b", "a\\bc", false},
  };
  for (CodePage page : {kSys, kArc}) {
    for (const Case& c : cases) {
      EXPECT_EQ(AsciiEqualsNoCase(c.a, c.b, page), c.same) << c.a << " / " << c.b;
      EXPECT_EQ(AsciiUpper(c.a, page) == AsciiUpper(c.b, page), c.same) << c.a << " / " << c.b;
    }
    EXPECT_EQ(AsciiUpper("x\x83\x61y", page), "X\x83\x61Y");
  }
}

TEST(CodePageText, FolderAndNameAtColonsAndBackslashes) {
  struct Case {
    std::string path, folder, name;
  };
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
    EXPECT_EQ(NameStart(c.path), c.folder.size()) << c.path;
  }
}

TEST(CodePageText, ParentKeepsRootsAndNetworkPrefix) {
  struct Case {
    std::string path, parent;
  };
  const Case cases[] = {
      {"D:\\Work\\a.txt", "D:\\Work"},
      {"D:\\Work", "D:\\"},
      {"D:\\", "D:\\"},
      {"D:\\Work\\", "D:\\"},
      {"\\Work\\a", "\\Work"},
      {"\\Work", "\\"},
      {"\\\\srv\\share\\d\\a", "\\\\srv\\share\\d"},
      {"\\\\srv\\share", "\\\\srv"},
      {"\\\\srv", "\\\\"},
      {"x.txt", ""},
      {"D:x", "D:"},
  };
  for (const Case& c : cases) EXPECT_EQ(PathParent(c.path), c.parent) << c.path;
}

TEST(CodePageText, RootsItemNamesAndJoins) {
  for (const char* root : {"D:", "d:\\", "\\\\srv\\share", "\\\\srv\\share\\"})
    EXPECT_TRUE(IsRootPath(root)) << root;
  for (const char* other : {"D:\\x", "D:x", "\\\\srv", "\\\\srv\\share\\d", "\\x", "", "1:\\"})
    EXPECT_FALSE(IsRootPath(other)) << other;
  // The name a folder's node carries: a drive root has none of its own and is named by its drive.
  struct Case {
    std::string path, name;
  };
  const Case cases[] = {
      {"D:\\", "D:"}, {"D:", "D:"}, {"D:\\Work", "Work"}, {"\\\\srv\\share", "share"}};
  for (const Case& c : cases) EXPECT_EQ(ItemName(c.path), c.name) << c.path;
  EXPECT_EQ(JoinPath("D:\\", "a.txt"), "D:\\a.txt");
  EXPECT_EQ(JoinPath("D:\\Work", "*.*"), "D:\\Work\\*.*");
  EXPECT_EQ(JoinPath("D:\\" + kHyo, "a"),
            "D:\\" + kHyo + "\\a");  // a trail byte 0x5C is no backslash
  EXPECT_FALSE(NamesOneItem("D:\\W\\caf?.txt"));
  EXPECT_FALSE(NamesOneItem("D:\\*\\a"));
}

// Every double-byte character with each second byte the code page has: 0x40-0x7E (among them
// @ [ \ ] ^ _ ` { | } ~ and the letters) and 0x80-0xFC, after a lead byte from each lead range.
TEST(CodePageText, EverySecondByteStaysPartOfItsCharacter) {
  for (unsigned lead : {0x81u, 0x9Fu, 0xE0u, 0xFCu})
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string c{static_cast<char>(lead), static_cast<char>(trail)};
      SCOPED_TRACE(::testing::PrintToString(c));
      const std::string folder = "D:\\" + c + c;
      const std::string path = folder + "\\" + c + ".txt";
      EXPECT_EQ(PathName(path), c + ".txt");
      EXPECT_EQ(PathFolder(path), folder + "\\");
      EXPECT_EQ(PathParent(path), folder);
      EXPECT_EQ(PathParent(folder), "D:\\");
      EXPECT_FALSE(EndsWithBackslash(folder));
      EXPECT_EQ(NameStart(c), 0u);
      EXPECT_TRUE(NamesOneItem(path));  // no second byte is a pattern character
      EXPECT_EQ(CharCount(c + c), 2u);
      EXPECT_EQ(WholeCharsWithin(c + c, 3), 2u);
      for (CodePage page : {kSys, kArc}) {
        EXPECT_EQ(CharSize(c, 0, page), 2u);
        EXPECT_EQ(AsciiUpper("a" + c, page), "A" + c);  // a letter as second byte keeps its case
        EXPECT_TRUE(AsciiEqualsNoCase("x" + c, "X" + c, page));
      }
    }
}

TEST(CodePageText, LeadByteTestCanBeReplaced) {
  SetLeadByteTest([](unsigned char) { return false; });
  EXPECT_EQ(PathName("D:\\" + kHyo), "");  // a single-byte code page sees 0x5C as a separator
  EXPECT_EQ(CharSize(kHyo, 0, kArc), 2u);  // archive names keep code page 932 whatever the system's
  SetLeadByteTest(nullptr);
  EXPECT_EQ(PathName("D:\\" + kHyo), kHyo);
}
