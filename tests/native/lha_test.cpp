// The archive commands over an in-memory file system, and the archiver binding's slot table.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "fake_fs.h"
#include "ops/lha/LhaBinding.h"
#include "ops/lha/archive_commands.h"
#include "targets/entry.h"

using namespace mv;
using namespace mv::lha;
using mv::testing::FakeFs;

namespace {

// The platform over FakeFs: the list file and archives are items of the fake.
class FakeArchivePlatform : public ArchivePlatform {
 public:
  explicit FakeArchivePlatform(FakeFs& fs) : fs_(fs) {}
  uint32_t Attributes(const std::string& path) override { return fs_.GetAttributes(path); }
  bool Delete(const std::string& path) override {
    if (!fs_.Find(path)) return false;
    fs_.Remove(path);
    return true;
  }
  bool Move(const std::string& from, const std::string& to) override {
    FakeFs::Item* item = fs_.Find(from);
    if (!item || fs_.Find(to) || lockedMoves) return false;
    FakeFs::Item copy = *item;
    fs_.Remove(from);
    fs_.AddFile(to, copy.size, copy.attributes).contents = copy.contents;
    ++moves;
    return true;
  }
  std::string OwnName(const std::string& path) override {
    auto it = ownNames.find(path);
    return it == ownNames.end() || !fs_.Find(path) ? std::string() : it->second;
  }
  bool MoveToOwnName(const std::string& from, const std::string& ownName) override {
    return from != refuseOwnNameFrom && Move(from, ownName);
  }
  bool HoldsShortName(const std::string& path, size_t from) override {
    return path.find('~', from) != std::string::npos;
  }
  bool WriteList(const ErrorList& lines, const std::string& path) override {
    if (!listWritable) return false;
    std::ostringstream out;
    lines.SaveTo(out);
    fs_.AddFile(path).contents = out.str();
    return true;
  }
  std::string ProgramFolder() override { return programFolder; }
  void CallArchiver(const std::string& command) override {
    commands.push_back(command);
    const FakeFs::Item* list = fs_.Find(programFolder + kListFileName);
    listAtCall = list ? list->contents : "(none)";
    if (archiverMakes) fs_.AddFile(archiverMakes.value()).contents = "new";
  }

  std::string programFolder = "C:\\Program Files\\Mv\\";
  bool listWritable = true;
  bool lockedMoves = false;
  std::map<std::string, std::string> ownNames;  // short spelling -> own name, while it exists
  std::string refuseOwnNameFrom;                // MoveToOwnName fails from this path
  std::optional<std::string> archiverMakes;     // the archive the call writes, if any
  std::vector<std::string> commands;
  std::string listAtCall;
  int moves = 0;

 private:
  FakeFs& fs_;
};

class FakeUi : public ArchiveUi {
 public:
  std::optional<std::string> AskArchiveName() override {
    ++dialogs;
    return answer;
  }
  void Notice(const std::string& text) override { notices.push_back(text); }
  void ApplicationError(const std::string& message) override { errors.push_back(message); }
  void ShowErrors() override { ++shown; }

  std::optional<std::string> answer = "D:\\Out\\a.lzh";
  int dialogs = 0, shown = 0;
  std::vector<std::string> notices, errors;
};

class LhaCommandsTest : public ::testing::Test {
 protected:
  // D:\Work\ holds SUB\ (with 表ソ.txt and DEEP\c.txt), b.txt and a.txt.
  void SetUp() override {
    fs.AddFolder("D:\\Out");
    fs.AddFolder("D:\\Work");
    fs.AddFolder("D:\\Work\\SUB");
    fs.AddFolder("D:\\Work\\SUB\\DEEP");
    fs.AddFile("D:\\Work\\a.txt", 1);
    fs.AddFile("D:\\Work\\b.txt", 2);
    fs.AddFile("D:\\Work\\SUB\\表ソ.txt", 3);
    fs.AddFile("D:\\Work\\SUB\\DEEP\\c.txt", 4);
    Node& root = tree.AddRoot("D:\\Work\\");
    InsertFolderEntry(root, MakeEntry(0, "D:\\Work\\SUB"));
    Node& sub = tree.AddChild(root, "SUB");
    InsertFolderEntry(sub, MakeEntry(0, "D:\\Work\\SUB\\DEEP"));
    Node& deep = tree.AddChild(sub, "DEEP");
    AppendFileEntry(sub, MakeEntry(3, "D:\\Work\\SUB\\表ソ.txt"));
    AppendFileEntry(deep, MakeEntry(4, "D:\\Work\\SUB\\DEEP\\c.txt"));
    AppendFileEntry(root, MakeEntry(2, "D:\\Work\\b.txt"));
    AppendFileEntry(root, MakeEntry(1, "D:\\Work\\a.txt"));
  }
  std::string ListFile() const { return platform.programFolder + kListFileName; }
  std::string Contents(const std::string& path) {
    FakeFs::Item* item = fs.Find(path);
    return item ? item->contents : "(missing)";
  }
  void ExpectNoStrayFiles(const std::vector<std::string>& lines = {}) {
    EXPECT_EQ(fs.Find(ListFile()), nullptr);
    EXPECT_EQ(fs.Find("D:\\Out\\MVLHA0.$$$"), nullptr);
    EXPECT_EQ(errors.Lines(), lines);
    EXPECT_EQ(ui.shown, lines.empty() ? 0 : 1);
  }

  FakeFs fs;
  FakeArchivePlatform platform{fs};
  FakeUi ui;
  ErrorList errors;
  TargetTree tree;
  ArchiveCommands commands{platform, ui, errors};
};

TEST(LhaTextTest, CommandTextIsTheSixPiecesWithBlanksLeftUnquoted) {
  EXPECT_EQ(CommandText("D:\\Out\\a b.lzh", "D:\\Work\\", "C:\\Program Files\\Mv\\TMPLHA.$"),
            "a -r2x1a1 -gn1 \"D:\\Out\\a b.lzh\" \"D:\\Work\\\" @C:\\Program Files\\Mv\\TMPLHA.$");
}

TEST(LhaTextTest, ListLinesAreRelativeQuotedAndCutBetweenCharacters) {
  EXPECT_EQ(ListLine("D:\\Work\\", "D:\\Work\\a.txt"), "\"a.txt\"");
  EXPECT_EQ(ListLine("D:\\Work\\", "D:\\Work\\SUB\\b.txt"), "\"SUB\\b.txt\"");
  EXPECT_EQ(ListLine("D:\\WORK\\", "d:\\work\\a.txt"), "\"a.txt\"");
  // A folder named 表 ends in the byte 0x5C; the base is removed by length, bytes untouched.
  EXPECT_EQ(ListLine("D:\\表\\", "D:\\表\\ソ\\表.txt"), "\"ソ\\表.txt\"");
  EXPECT_EQ(ListLine("D:\\Work\\", "E:\\Other\\x.txt"), "\"E:\\Other\\x.txt\"");

  const std::string base = "D:\\W\\";
  EXPECT_EQ(ListLine(base, base + std::string(300, 'x')), "\"" + std::string(255, 'x') + "\"");
  // 254 ASCII bytes and then 表: the double-byte character does not fit and is left out whole.
  EXPECT_EQ(ListLine(base, base + std::string(254, 'y') + "表表"),
            "\"" + std::string(254, 'y') + "\"");
}

TEST_F(LhaCommandsTest, ButtonListsEveryFileInTreeOrderAndRemovesTheListFile) {
  platform.archiverMakes = "D:\\Out\\a.lzh";
  errors.Append("left from before");
  commands.BitBtn3Click(tree);
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_EQ(platform.commands[0],
            "a -r2x1a1 -gn1 \"D:\\Out\\a.lzh\" \"D:\\Work\\\" @C:\\Program Files\\Mv\\TMPLHA.$");
  EXPECT_EQ(platform.listAtCall,
            "\"b.txt\"\r\n\"a.txt\"\r\n\"SUB\\表ソ.txt\"\r\n\"SUB\\DEEP\\c.txt\"\r\n");
  EXPECT_TRUE(ui.notices.empty());
  EXPECT_TRUE(ui.errors.empty());
  ExpectNoStrayFiles();
}

TEST_F(LhaCommandsTest, ANameTheCodePageCannotHoldIsListedForTheLibraryToRefuse) {
  // The tree holds such an item under its marked spelling; the platform answers nothing for it.
  AppendFileEntry(*tree.FirstNode(),
                  MakeEntry(5, std::string("D:\\Work\\caf") + kNoNameMark + ".txt"));
  commands.BitBtn3Click(tree);
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_NE(platform.listAtCall.find("\"caf?.txt\"\r\n"), std::string::npos) << platform.listAtCall;
}

TEST_F(LhaCommandsTest, OnlyFoldersGivesNoFileAndNoCall) {
  TargetTree folders;
  Node& root = folders.AddRoot("D:\\Work\\");
  InsertFolderEntry(root, MakeEntry(0, "D:\\Work\\SUB"));
  folders.AddChild(root, "SUB");
  // A file that vanished since the tree was built gets no list line, and a line that says so.
  AppendFileEntry(root, MakeEntry(5, "D:\\Work\\gone.txt"));
  commands.BitBtn3Click(folders);
  EXPECT_EQ(ui.notices, std::vector<std::string>{"No File"});
  EXPECT_TRUE(platform.commands.empty());
  ExpectNoStrayFiles({"Not Lha FileName = D:\\Work\\gone.txt"});
}

// What the archive lacks (a file gone since the build) and what it holds under a short name only
// (its own is beyond the code page) become error lines, shown once the list file is gone; the
// short names only when an archive was made.
TEST_F(LhaCommandsTest, TheRunTellsWhatTheArchiveLacksOrHoldsUnderAShortName) {
  fs.AddFile("D:\\Work\\CAF_~1.TXT", 5);
  AppendFileEntry(*tree.FirstNode(), MakeEntry(5, "D:\\Work\\CAF_~1.TXT"));
  AppendFileEntry(*tree.FirstNode(), MakeEntry(6, "D:\\Work\\gone.txt"));
  for (const bool made : {true, false}) {
    SCOPED_TRACE(made);
    fs.Remove("D:\\Out\\a.lzh");
    platform.archiverMakes.reset();
    if (made) platform.archiverMakes = "D:\\Out\\a.lzh";
    ui.shown = 0;
    commands.BitBtn3Click(tree);
    EXPECT_NE(platform.listAtCall.find("\"CAF_~1.TXT\"\r\n"), std::string::npos)
        << platform.listAtCall;
    EXPECT_EQ(platform.listAtCall.find("gone"), std::string::npos) << platform.listAtCall;
    std::vector<std::string> lines = {"Not Lha FileName = D:\\Work\\gone.txt"};
    if (made) lines.push_back("Lha ShortName FileName = D:\\Work\\CAF_~1.TXT");
    ExpectNoStrayFiles(lines);
  }
  // The menu's rows alike; a short name in the base folder is not part of a stored name.
  fs.AddFolder("D:\\PRO~1");
  fs.AddFile("D:\\PRO~1\\a.txt", 1);
  TargetTree other;
  Node& root = other.AddRoot("D:\\PRO~1\\");
  AppendFileEntry(root, MakeEntry(1, "D:\\PRO~1\\a.txt"));
  fs.Remove("D:\\Out\\a.lzh");
  platform.archiverMakes = "D:\\Out\\a.lzh";
  ui.shown = 0;
  commands.Lha1Click(&root, {{0, "a.txt"}});
  ExpectNoStrayFiles();
}

// An old archive chosen by its short name (its own name is beyond the code page): the library
// makes the new one under that spelling, which must not stay its name; the old one goes aside
// and back under its own name.
TEST_F(LhaCommandsTest, AnArchiveChosenByItsShortNameKeepsItsOwnName) {
  const std::string spelling = "D:\\Out\\__~~~1.LZH", own = "D:\\Out\\(own name).lzh";
  struct Case {
    const char* what;
    bool makes;
    bool renameRefused;
    const char* left;  // what the own name holds after the run
    std::vector<std::string> boxes;
  };
  const Case cases[] = {
      {"made", true, false, "new", {}},
      {"nothing made", false, false, "old", {}},
      {"the new one cannot take the name",
       true,
       true,
       "old",
       {"ﾌｧｲﾙ D:\\Out\\__~~~1.LZH を作成できません"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs.Remove(own);
    fs.AddFile(spelling, 9).contents = "old";
    platform.ownNames[spelling] = own;
    platform.archiverMakes.reset();
    if (c.makes) platform.archiverMakes = spelling;
    platform.refuseOwnNameFrom = c.renameRefused ? spelling : "";
    ui.answer = spelling;
    ui.errors.clear();
    commands.BitBtn3Click(tree);
    EXPECT_EQ(Contents(own), c.left);
    EXPECT_EQ(fs.Find(spelling), nullptr);  // never a file named by the spelling
    EXPECT_EQ(ui.errors, c.boxes);
    ExpectNoStrayFiles();
  }
}

TEST_F(LhaCommandsTest, CancelledDialogClearsForTheButtonOnly) {
  ui.answer.reset();
  errors.Append("x");
  commands.BitBtn3Click(tree);
  EXPECT_TRUE(errors.Empty());
  errors.Append("x");
  commands.Lha1Click(tree.FirstNode(), {{1, "b.txt"}});
  EXPECT_EQ(errors.Count(), 1u);
  EXPECT_EQ(ui.dialogs, 2);
  EXPECT_TRUE(platform.commands.empty());
}

TEST_F(LhaCommandsTest, MenuListsSelectedRowsInIndexOrderAndDescendsByCaption) {
  Node* root = tree.FirstNode();
  // Rows given out of order; the folder row's caption differs in case from its node.
  commands.Lha1Click(root, {{2, "a.txt"}, {0, "sub"}, {7, "beyond"}});
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_EQ(platform.commands[0],
            "a -r2x1a1 -gn1 \"D:\\Out\\a.lzh\" \"D:\\Work\\\" @C:\\Program Files\\Mv\\TMPLHA.$");
  // Inside SUB its sub-folder DEEP comes before SUB's own file.
  EXPECT_EQ(platform.listAtCall, "\"SUB\\DEEP\\c.txt\"\r\n\"SUB\\表ソ.txt\"\r\n\"a.txt\"\r\n");
  ExpectNoStrayFiles();
}

// A folder row's caption is the shell's display name, which may differ from the folder's own
// name (a localized folder): the node is found by the entry's name all the same.
TEST_F(LhaCommandsTest, MenuBaseIsTheSelectedFolderAndFolderRowsAreFoundByTheirEntryName) {
  Node* sub = tree.FirstNode()->Child(0);
  commands.Lha1Click(sub, {{0, "深いフォルダー"}, {1, "表ソ.txt"}});
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_NE(platform.commands[0].find("\" \"D:\\Work\\SUB\\\" @"), std::string::npos);
  EXPECT_EQ(platform.listAtCall, "\"DEEP\\c.txt\"\r\n\"表ソ.txt\"\r\n");
}

// Folder rows of one name each take their own node (by position), in the menu's run as in the
// button's; a folder that could not be listed is missing from the archive, and the run says so
// in the error window once the list file is done with.
TEST_F(LhaCommandsTest, FolderRowsOfOneNameTakeTheirOwnNodesAndUnlistedFoldersAreTold) {
  fs.AddFolder("D:\\Other\\SUB");
  fs.AddFile("D:\\Other\\SUB\\o.txt", 5);
  Node* root = tree.FirstNode();
  InsertFolderEntry(*root, MakeEntry(0, "D:\\Other\\SUB"));
  Node& other = tree.AddChild(*root, "SUB");
  AppendFileEntry(other, MakeEntry(5, "D:\\Other\\SUB\\o.txt"));
  Node* deep = root->Child(0)->Child(0);
  deep->listError = 5;
  commands.Lha1Click(root, {{1, "SUB"}});
  EXPECT_EQ(platform.listAtCall, "\"D:\\Other\\SUB\\o.txt\"\r\n");
  EXPECT_TRUE(errors.Empty());
  EXPECT_EQ(ui.shown, 0);
  commands.Lha1Click(root, {{0, "SUB"}});
  EXPECT_EQ(platform.listAtCall, "\"SUB\\DEEP\\c.txt\"\r\n\"SUB\\表ソ.txt\"\r\n");
  const std::vector<std::string> told{"FindErr ErrCode = 5 FileName = D:\\Work\\SUB\\DEEP"};
  EXPECT_EQ(errors.Lines(), told);
  EXPECT_EQ(ui.shown, 1);
  commands.BitBtn3Click(tree);
  EXPECT_EQ(errors.Lines(), told);
  EXPECT_EQ(ui.shown, 2);
}

TEST_F(LhaCommandsTest, MenuOnAnEmptyNodeDoesNothingAfterTheDialog) {
  TargetTree empty;
  Node& root = empty.AddRoot("D:\\Empty\\");
  errors.Append("kept");
  commands.Lha1Click(&root, {{0, "x"}});
  commands.Lha1Click(nullptr, {});
  EXPECT_EQ(ui.dialogs, 2);
  EXPECT_EQ(errors.Count(), 1u);
  EXPECT_TRUE(ui.notices.empty());
  EXPECT_TRUE(platform.commands.empty());
}

TEST_F(LhaCommandsTest, OldArchiveSurvivesNoFile) {
  fs.AddFile("D:\\Out\\a.lzh", 9).contents = "old";
  fs.AddFolder("D:\\Work\\SUB\\DEEP\\Empty");
  Node& deep = *tree.FirstNode()->Child(0)->Child(0);
  InsertFolderEntry(deep, MakeEntry(0, "D:\\Work\\SUB\\DEEP\\Empty"));
  tree.AddChild(deep, "Empty");
  commands.Lha1Click(&deep, {{0, "Empty"}});  // a folder with no file in it
  EXPECT_EQ(ui.notices, std::vector<std::string>{"No File"});
  EXPECT_EQ(Contents("D:\\Out\\a.lzh"), "old");
  EXPECT_EQ(platform.moves, 0);
}

TEST_F(LhaCommandsTest, OldArchiveIsPutBackWhenTheArchiverMakesNothing) {
  fs.AddFile("D:\\Out\\a.lzh", 9).contents = "old";
  fs.AddFile("D:\\Out\\MVLHA0.$$$");  // an earlier leftover is not overwritten
  commands.BitBtn3Click(tree);
  ASSERT_EQ(platform.commands.size(), 1u);
  // During the call the name is free, so the archive is made afresh.
  EXPECT_EQ(platform.moves, 2);
  EXPECT_EQ(Contents("D:\\Out\\a.lzh"), "old");
  EXPECT_NE(fs.Find("D:\\Out\\MVLHA0.$$$"), nullptr);
  EXPECT_EQ(fs.Find("D:\\Out\\MVLHA1.$$$"), nullptr);
}

TEST_F(LhaCommandsTest, OldArchiveGoesOnceTheNewOneExists) {
  fs.AddFile("D:\\Out\\a.lzh", 9).contents = "old";
  platform.archiverMakes = "D:\\Out\\a.lzh";
  commands.BitBtn3Click(tree);
  EXPECT_EQ(Contents("D:\\Out\\a.lzh"), "new");
  ExpectNoStrayFiles();
}

TEST_F(LhaCommandsTest, UnwritableListFileIsAnErrorAndKeepsTheOldArchive) {
  fs.AddFile("D:\\Out\\a.lzh", 9).contents = "old";
  platform.listWritable = false;
  commands.BitBtn3Click(tree);
  EXPECT_EQ(ui.errors,
            std::vector<std::string>{"ﾌｧｲﾙ C:\\Program Files\\Mv\\TMPLHA.$ を作成できません"});
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_EQ(Contents("D:\\Out\\a.lzh"), "old");
  ExpectNoStrayFiles();
}

TEST_F(LhaCommandsTest, ArchiveThatCannotBeMovedAsideIsNotAddedTo) {
  fs.AddFile("D:\\Out\\a.lzh", 9).contents = "old";
  platform.lockedMoves = true;
  commands.BitBtn3Click(tree);
  EXPECT_EQ(ui.errors, std::vector<std::string>{"ﾌｧｲﾙ D:\\Out\\a.lzh を作成できません"});
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_EQ(Contents("D:\\Out\\a.lzh"), "old");
  ExpectNoStrayFiles();
}

TEST_F(LhaCommandsTest, ChosenArchiveAmongTheTargetsIsNotPackedIntoItself) {
  fs.AddFile("D:\\Work\\pack.LZH", 9).contents = "old";
  AppendFileEntry(*tree.FirstNode(), MakeEntry(9, "D:\\Work\\pack.LZH"));
  ui.answer = "D:\\Work\\pack.lzh";
  commands.BitBtn3Click(tree);
  EXPECT_EQ(platform.listAtCall.find("pack"), std::string::npos);
  EXPECT_EQ(Contents("D:\\Work\\pack.lzh"), "old");
}

// The binding's table over a fake loader.
class FakeLoader : public LibraryLoader {
 public:
  uintptr_t Load(const std::string& fileName) override {
    loadedName = fileName;
    return handle;
  }
  void* Find(uintptr_t library, const char* name) override {
    EXPECT_EQ(library, handle);
    auto it = exports.find(name);
    return it == exports.end() ? nullptr : it->second;
  }
  void Free(uintptr_t library) override { freed.push_back(library); }

  uintptr_t handle = 0;
  std::map<std::string, void*> exports;
  std::string loadedName;
  std::vector<uintptr_t> freed;
};

class RecordingBox : public PanicBox {
 public:
  void Show(const std::string& text, const std::string& caption) override {
    shown.push_back(caption + "|" + text);
  }
  std::vector<std::string> shown;
};

char g_marks[2 * kSlotCount];  // distinct addresses standing for entry points

std::array<void*, kSlotCount> Substitutes() {
  std::array<void*, kSlotCount> s{};
  for (int i = 0; i < kSlotCount; ++i) s[i] = &g_marks[i];
  return s;
}
void* Export(int slot) { return &g_marks[kSlotCount + slot]; }

TEST(LhaBindingTest, SubstitutesReportTheirNameAndReturnZero) {
  RecordingBox box;
  for (int i = 0; i < kSlotCount; ++i) EXPECT_EQ(RunSubstitute(box, i), 0);
  ASSERT_EQ(box.shown.size(), static_cast<size_t>(kSlotCount));
  EXPECT_EQ(box.shown[kSlotUnlha], "PANIC!!|Unlha: LHA.DLL not loaded.");
  EXPECT_EQ(box.shown[0], "PANIC!!|UnlhaGetVersion: LHA.DLL not loaded.");
  EXPECT_EQ(box.shown[kSlotGetArcCompressedSize],
            "PANIC!!|UnlhaGetArcCompessedSize: LHA.DLL not loaded.");
  EXPECT_EQ(box.shown[kSlotGetAccessTime], "PANIC!!|UnlhaGetAcessTime: LHA.DLL not loaded.");
  EXPECT_EQ(box.shown[kSlotClearOwnerWindow], "PANIC!!|UnlhaClearOwnerWindow: LHA.DLL not loaded.");
}

TEST(LhaBindingTest, MissingLibraryKeepsEverySubstituteAndFreesNothing) {
  for (uintptr_t failed : {uintptr_t{0}, uintptr_t{31}}) {
    FakeLoader loader;
    loader.handle = failed;
    loader.exports["Unlha"] = Export(kSlotUnlha);
    SlotTable table(Substitutes());
    table.Load(loader);
    EXPECT_EQ(loader.loadedName, "UNLHA32.DLL");
    EXPECT_FALSE(table.Loaded());
    for (int i = 0; i < kSlotCount; ++i) EXPECT_TRUE(table.IsSubstitute(i)) << i;
    table.Unload(loader);
    EXPECT_TRUE(loader.freed.empty());
  }
}

TEST(LhaBindingTest, LibraryLackingOneEntryKeepsThatSubstituteOnly) {
  FakeLoader loader;
  loader.handle = 32;
  for (int i = 0; i < kSlotCount; ++i)
    if (i != kSlotGetAccessTime) loader.exports[kSlots[i].entryPoint] = Export(i);
  // The misspelt message names are not export names.
  loader.exports["UnlhaGetAcessTime"] = &g_marks[0];
  SlotTable table(Substitutes());
  table.Load(loader);
  EXPECT_TRUE(table.Loaded());
  for (int i = 0; i < kSlotCount; ++i) {
    if (i == kSlotGetAccessTime)
      EXPECT_TRUE(table.IsSubstitute(i));
    else
      EXPECT_EQ(table.At(i), Export(i)) << kSlots[i].entryPoint;
  }
  table.Unload(loader);
  table.Unload(loader);
  EXPECT_EQ(loader.freed, std::vector<uintptr_t>{32});
  // The library is gone: every slot is back on its substitute, so a late call cannot jump into it.
  EXPECT_TRUE(table.IsSubstitute(kSlotUnlha));
}

}  // namespace
