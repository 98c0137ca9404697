// The archive road through the main window with a tree of hostile names that the code page
// holds (every second byte from 0x40 to 0x7E, kana words, awkward ASCII, folders of them):
// every file arrives in the archive under its own bytes, checked by lhasa and 7z.
#include "road_support.h"
#include "tests/native/hostile_names.h"

using namespace mv;
using namespace mv::testing;

namespace {

class LhaNamesWine : public RoadTest {};

std::wstring Wide(const std::string& text, UINT codePage) {
  std::wstring w(text.size() + 1, L'\0');
  w.resize(static_cast<size_t>(
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), w.data(), static_cast<int>(w.size()))));
  return w;
}

// The code page's bytes for a name, or "" when it cannot hold the name exactly.
std::string Exact(const std::string& utf8) {
  const std::wstring w = Wide(utf8, CP_UTF8);
  std::string s(w.size() * 2 + 1, '\0');
  BOOL usedDefault = FALSE;
  s.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()),
                                                   s.data(), static_cast<int>(s.size()), "?", &usedDefault)));
  return usedDefault || Wide(s, CP_ACP) != w ? std::string() : s;
}

TEST_F(LhaNamesWine, EveryNameTheCodePageHoldsIsArchivedUnderItsOwnBytes) {
  const auto names = LoadHostileNames(MV_NAMES_FILE);
  ASSERT_GT(names.size(), 100u) << MV_NAMES_FILE;
  std::vector<std::string> targets;
  std::map<std::string, std::string> expected;  // relative path with '/' -> contents
  auto add = [&](const std::string& rel) {
    const std::string data = "#" + std::to_string(expected.size()) + " " + rel;
    WriteFile(base + "\\" + rel, data);
    std::string unix = rel;
    for (size_t i = 0; i < unix.size(); ++i) {
      if (IsLeadByte(static_cast<unsigned char>(unix[i])) && i + 1 < unix.size()) ++i;
      else if (unix[i] == '\\') unix[i] = '/';
    }
    expected[AsLhasaWrites(unix)] = data;
  };
  for (const auto& n : names) {
    const std::string name = Exact(n.utf8);
    // Names outside the code page reach the tree by their short names, which the target
    // tree's own tests cover; the dot file is left out of a scan by design.
    if (name.empty() || name[0] == '.') continue;
    targets.push_back(base + "\\" + name);
    if (n.Folder()) {
      MakeFolder(base + "\\" + name);
      add(name + "\\ポスター.txt");
      add(name + "\\榎閏云.txt");
    } else {
      add(name);
    }
  }
  Start(targets);
  const std::string out = tmp / "Out";
  MakeFolder(out);
  const std::string archive = out + "\\names.lzh";
  answers.saveNames = {archive};
  Click(kIdBitBtn3);
  ASSERT_TRUE(Exists(archive)) << ::testing::PrintToString(answers.boxes);
  EXPECT_TRUE(answers.boxes.empty()) << ::testing::PrintToString(answers.boxes);

  std::string tested;
  const auto extracted = ExtractedBytes(archive, tmp / "X", &tested);
  EXPECT_EQ(extracted.size(), expected.size());
  for (const auto& [path, data] : expected) {
    const auto it = extracted.find(HexOf(path));
    ASSERT_NE(it, extracted.end()) << path;
    EXPECT_EQ(it->second, HexOf(data)) << path;
  }
  EXPECT_NE(tested.find("Everything is Ok"), std::string::npos) << tested;
  EXPECT_NE(tested.find("Files: " + std::to_string(expected.size())), std::string::npos) << tested;
  EXPECT_FALSE(Exists(lha::win::ProgramFolder() + "TMPLHA.$"));
  Close();
}

}  // namespace
