// The archive road through the main window with a tree of every hostile name (every second
// byte from 0x40 to 0x7E, kana words, awkward ASCII, names outside the code page, folders of
// them). What the archive holds for each name is the list's and the library's rule, proven
// below the window; here what only real items show: which of them the real file system names
// by a short name, and the error window telling exactly those.
#include "platform/win32/fs_win32.h"
#include "road_support.h"
#include "tests/native/hostile_names.h"

using namespace mv;
using namespace mv::testing;

namespace {

class LhaNamesWine : public RoadTest {};

TEST_F(LhaNamesWine, TheErrorWindowNamesExactlyTheFilesArchivedUnderShortNames) {
  const auto names = LoadHostileNames(MV_NAMES_FILE);
  ASSERT_GT(names.size(), 100u) << MV_NAMES_FILE;
  struct Cleanup {  // the ANSI clean-up of the temporary folder cannot reach every name
    std::wstring folder;
    ~Cleanup() { RemoveTreeW(folder); }
  } cleanup{win::WideOf(base)};
  std::vector<std::string> targets;
  std::vector<std::string> shortNamed;  // error lines of the files stored by short names
  bool inShortFolder = false;
  auto add = [&](const std::string& rel, bool isShort = false) {
    if (isShort || inShortFolder)
      shortNamed.push_back("Lha ShortName FileName = " + base + "\\" + rel);
    WriteFile(base + "\\" + rel, rel);
  };
  int shortNames = 0;
  for (const auto& n : names) {
    SCOPED_TRACE(n.utf8);
    const std::wstring wide = FromUtf8(n.utf8);
    if (wide[0] == L'.') continue;  // a scan leaves dot files out by design
    std::string name = win::ExactAnsi(wide).value_or("");
    if (name.empty()) {
      // Made by its true name; the tree and the archive hold it by its short name, which is
      // also how the shell may hand it over.
      const std::wstring path = win::WideOf(base) + L"\\" + wide;
      if (n.Folder()) {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
      } else {
        win::ScopedFile f(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(static_cast<bool>(f));
      }
      WIN32_FIND_DATAW fd;
      win::ScopedFind find(FindFirstFileW(path.c_str(), &fd));
      ASSERT_TRUE(static_cast<bool>(find));
      name = win::ExactAnsi(fd.cAlternateFileName).value_or("");
      ASSERT_FALSE(name.empty());
      ++shortNames;
    } else if (n.Folder()) {
      MakeFolder(base + "\\" + name);
    }
    targets.push_back(base + "\\" + name);
    if (n.Folder()) {
      inShortFolder = !win::ExactAnsi(wide);
      add(name + "\\ポスター.txt");
      add(name + "\\榎閏云.txt");
      inShortFolder = false;
    } else {
      add(name, !win::ExactAnsi(wide));
    }
  }
  EXPECT_GE(shortNames, 11);  // the accented pairs, the other scripts, the emoji
  Start(targets);
  const std::string archive = tmp / "all.lzh";
  answers.saveNames = {archive};
  Click(kIdBitBtn3);
  ASSERT_TRUE(Exists(archive)) << ::testing::PrintToString(watch.Lines());
  EXPECT_TRUE(watch.Lines().empty()) << ::testing::PrintToString(watch.Lines());
  // The error window names each file stored under its short name, and no other.
  EXPECT_TRUE(ErrorWindowShown());
  std::vector<std::string> lines = ErrorLines();
  std::sort(lines.begin(), lines.end());
  std::sort(shortNamed.begin(), shortNamed.end());
  EXPECT_EQ(lines, shortNamed);
  EXPECT_GE(shortNamed.size(), 11u);
  Close();
}

}  // namespace
