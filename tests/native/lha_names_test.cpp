// The program's command text and list file as the archiver library reads them: every hostile
// name survives the way from one to the other.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <optional>
#include <sstream>

#include "hostile_names.h"
#include "lzh_test_support.h"
#include "ops/common/error_list.h"
#include "ops/lha/archive_commands.h"

namespace {

using mv::lzh::testing::Bytes;

using mv::lzh::testing::Convert;

// The code page's bytes for a name, or nothing when it cannot hold the name exactly (the
// converter here maps 〜 and − one way only: a round trip tells).
std::optional<std::string> Cp932(const std::string& utf8) {
  std::optional<std::string> bytes = Convert(utf8, "UTF-8", "CP932");
  if (!bytes || Convert(*bytes, "CP932", "UTF-8") != utf8) return std::nullopt;
  return bytes;
}

// Names the code page cannot hold reach the library as short names: stored under them, with
// the whole true path beside them in UTF-16 (only for those members).
TEST(LhaNamesTest, TheLibraryStoresEveryNameTheProgramListsAsItWasListed) {
  const auto names = mv::testing::LoadHostileNames(MV_NAMES_FILE);
  ASSERT_GT(names.size(), 100u) << MV_NAMES_FILE;
  using Store = mv::lzh::testing::MemStore;
  // Base folders ending in characters whose second byte is '|' and '\'.
  for (const std::string base : {"D:\\作業\\ポ\\", "D:\\表\\"}) {
    SCOPED_TRACE(base);
    Store store;
    mv::ErrorList lines;
    std::vector<std::string> relative;
    std::vector<std::u16string> truePaths;  // empty where the stored path is the true one
    int shortNames = 0;
    // A name the code page cannot hold reaches the program as its short name, which the
    // platform knows to stand for it; trueName gets the name in UTF-8 either way.
    auto listed = [&](const std::string& utf8, bool* isShort) {
      *isShort = false;
      if (std::optional<std::string> bytes = Cp932(utf8)) return *bytes;
      *isShort = true;
      return "SHRT~" + std::to_string(++shortNames) + ".TXT";
    };
    auto add = [&](const std::string& rel, const std::string& trueRelUtf8) {
      store.Put(base + rel, mv::lzh::testing::TextBytes(100 + relative.size(),
                                                        static_cast<uint32_t>(relative.size())));
      lines.Append(mv::lha::ListLine(base, base + rel));
      relative.push_back(rel);
      truePaths.push_back(trueRelUtf8.empty() ? std::u16string()
                                              : Store::Utf16(trueRelUtf8, "UTF-8"));
    };
    for (const auto& n : names) {
      bool isShort = false;
      const std::string name = listed(n.utf8, &isShort);
      if (isShort) store.longNames[Store::Key(base + name)] = Store::Utf16(n.utf8, "UTF-8");
      if (!n.Folder()) {
        add(name, isShort ? n.utf8 : "");
        continue;
      }
      for (const char* inner : {"ポスター.txt", "榎\\閏]云.txt"})
        add(name + "\\" + inner, isShort ? n.utf8 + "\\" + *Convert(inner, "CP932", "UTF-8") : "");
    }
    std::ostringstream list;
    ASSERT_TRUE(lines.SaveTo(list));
    const std::string listFile = "C:\\Program Files\\表示\\" + std::string(mv::lha::kListFileName);
    store.PutText(listFile, list.str());

    const mv::lzh::RunResult r =
        mv::lzh::RunCommand(store, mv::lha::CommandText("D:\\出力 ポ\\榎@[].LZH", base, listFile));
    ASSERT_EQ(r.code, 0) << r.message;
    const Store::File* archive = store.Get("D:\\出力 ポ\\榎@[].LZH");
    ASSERT_NE(archive, nullptr);
    const auto m = mv::lzh::testing::Members(archive->bytes);
    ASSERT_EQ(m.size(), relative.size());
    for (size_t i = 0; i < m.size(); ++i) {
      EXPECT_EQ(m[i].path, relative[i]);
      EXPECT_TRUE(m[i].widePath == truePaths[i]) << relative[i];
      const bool ascii = std::all_of(relative[i].begin(), relative[i].end(),
                                     [](char c) { return (c & 0x80) == 0; });
      EXPECT_EQ(m[i].codePage, ascii && truePaths[i].empty() ? 0u : 932u) << relative[i];
      EXPECT_EQ(mv::lzh::testing::MemberData(archive->bytes, m[i]),
                store.Get(base + relative[i])->bytes)
          << relative[i];
    }
    EXPECT_GE(shortNames, 11);  // the accented pairs, other scripts, emoji and their folders
  }
}

}  // namespace
