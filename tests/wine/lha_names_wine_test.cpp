// The archive road through the main window with a tree of every hostile name (every second
// byte from 0x40 to 0x7E, kana words, awkward ASCII, names outside the code page, folders of
// them): every file arrives in the archive under its own bytes or, where the code page cannot
// hold its name, under its short name, checked by lhasa and 7z, and the error window names the
// latter.
#include "platform/win32/fs_win32.h"
#include "road_support.h"
#include "tests/native/hostile_names.h"

using namespace mv;
using namespace mv::testing;

namespace {

class LhaNamesWine : public RoadTest {};

std::wstring FromUtf8(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                      wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

TEST_F(LhaNamesWine, EveryNameIsArchivedUnderItsOwnBytesOrItsShortName) {
  const auto names = LoadHostileNames(MV_NAMES_FILE);
  ASSERT_GT(names.size(), 100u) << MV_NAMES_FILE;
  struct Cleanup {  // the ANSI clean-up of the temporary folder cannot reach every name
    std::wstring folder;
    ~Cleanup() { RemoveTreeW(folder); }
  } cleanup{win::WideOf(base)};
  std::vector<std::string> targets;
  std::map<std::string, std::string> expected;  // relative path with '/' -> contents
  std::vector<std::string> shortNamed;          // error lines of the files stored by short names
  bool inShortFolder = false;
  auto add = [&](const std::string& rel, bool isShort = false) {
    if (isShort || inShortFolder)
      shortNamed.push_back("Lha ShortName FileName = " + base + "\\" + rel);
    const std::string data = "#" + std::to_string(expected.size()) + " " + rel;
    WriteFile(base + "\\" + rel, data);
    std::string unix = rel;
    for (size_t i = 0; i < unix.size(); ++i) {
      if (IsLeadByte(static_cast<unsigned char>(unix[i])) && i + 1 < unix.size())
        ++i;
      else if (unix[i] == '\\')
        unix[i] = '/';
    }
    expected[AsLhasaWrites(unix)] = data;
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
        win::ScopedFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
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
  // Over an old archive whose own name is beyond the code page, chosen by its short name, as the
  // save dialog spells it: the new archive takes the own name, nothing is left under the short
  // one.
  const std::string out = tmp / "Out";
  MakeFolder(out);
  const std::wstring outW = win::WideOf(out), own = outW + L"\\\ud55c\uae00.lzh";  // 한글.lzh
  {
    win::ScopedFile old(
        CreateFileW(own.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(old));
  }
  WIN32_FIND_DATAW fd;
  ASSERT_TRUE(static_cast<bool>(win::ScopedFind(FindFirstFileW(own.c_str(), &fd))));
  const std::string archive = out + "\\" + win::ExactAnsi(fd.cAlternateFileName).value_or("");
  answers.saveNames = {archive};
  Click(kIdBitBtn3);
  ASSERT_TRUE(Exists(archive)) << ::testing::PrintToString(answers.boxes);
  std::vector<std::wstring> inOut;
  win::ScopedFind find(FindFirstFileW((outW + L"\\*").c_str(), &fd));
  for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &fd))
    if (fd.cFileName[0] != L'.') inOut.push_back(fd.cFileName);
  EXPECT_TRUE(inOut == std::vector<std::wstring>{own.substr(outW.size() + 1)}) << inOut.size();
  // Only the dialog's own question whether to replace it; the library had nothing to say.
  EXPECT_LE(answers.boxes.size(), 1u) << ::testing::PrintToString(answers.boxes);
  // The error window names each file stored under its short name.
  EXPECT_TRUE(ErrorWindowShown());
  std::vector<std::string> lines = form->Errors().Lines();
  std::sort(lines.begin(), lines.end());
  std::sort(shortNamed.begin(), shortNamed.end());
  EXPECT_EQ(lines, shortNamed);
  EXPECT_GE(shortNamed.size(), 11u);

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
