// Bad input and hostile surroundings met through the whole main window on real files: held,
// vanished and read-only files, too-long destinations, names with 0x5C trail bytes, link loops,
// broken settings, texts that are no dates, foreign targets in an archive, an unwritable list
// file and a missing archiver library.
#include "road_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

class FaultWine : public RoadTest {
 protected:
  std::vector<std::string> Lines() { return ErrorLines(); }
  static unsigned Attr(const std::string& probeLine) {
    return std::stoul(probeLine.substr(0, 2), nullptr, 16);
  }
};

TEST_F(FaultWine, ReadOnlyDestinationIsReplacedOnlyWhenNoErrorSaysOtherwise) {
  WriteFile(base + "\\a.txt", "new");
  Start({base + "\\a.txt"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  WriteFile(out + "\\a.txt", "old", FILE_ATTRIBUTE_READONLY);
  answers.chooserFolder = out;
  Choose(kIdRadioGroup1, 0);  // 全て上書き

  // "属性を無視" on (the default): the attributes are reset first, the copy replaces it.
  Click(kIdBitBtn1);
  EXPECT_EQ(ReadAll(out + "\\a.txt"), "new");
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  EXPECT_EQ(GetFileAttributesA((out + "\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

  // Off: the destination is written as it is, and a refused write is told. Wine as root writes
  // read-only files, so the refusal is provoked for real by another handle that shares nothing:
  // one error line, the old contents kept.
  WriteFile(out + "\\a.txt", "old again", FILE_ATTRIBUTE_READONLY);
  Click(kIdCheckBox1);
  ASSERT_EQ(SendMessageA(MainControl(form->Handle(), kIdCheckBox1), BM_GETCHECK, 0, 0),
            BST_UNCHECKED);
  {
    win::ScopedFile held(CreateFileA((out + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    Click(kIdBitBtn1);
  }
  EXPECT_EQ(ReadAll(out + "\\a.txt"), "old again");
  ASSERT_EQ(Lines().size(), 1u) << ::testing::PrintToString(Lines());
  EXPECT_EQ(Lines()[0].rfind("Not Copy FileName = ", 0), 0u);
  EXPECT_TRUE(ErrorWindowShown());
  Close();
}

TEST_F(FaultWine, FileHeldByAnotherHandleFailsAloneInCopyChangeAndArchive) {
  WriteFile(base + "\\a.txt", "alpha");
  WriteFile(base + "\\b.txt", "beta");
  Start({base + "\\a.txt", base + "\\b.txt"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  answers.chooserFolder = out;
  win::ScopedFile held(
      CreateFileA((base + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);

  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"b.txt=beta"}));
  ASSERT_EQ(Lines().size(), 1u) << ::testing::PrintToString(Lines());
  EXPECT_EQ(Lines()[0], "Not Copy FileName = " + UpperCase(out) + "\\a.txt");
  EXPECT_TRUE(ErrorWindowShown());
  ShowWindow(ProgramWindow("TForm3"), SW_HIDE);

  // The date cannot be written to a held file; its attributes still change, the other file's too.
  Choose(kIdHGroup, 1);
  TypeDate("20200102030400");
  Click(kIdBitBtn2);
  ASSERT_EQ(Lines().size(), 1u) << ::testing::PrintToString(Lines());
  EXPECT_EQ(Lines()[0].rfind("FileOpenErr", 0), 0u) << Lines()[0];
  EXPECT_TRUE(ErrorWindowShown());
  held.Reset();
  const std::vector<std::string> seen = Probe({base + "\\a.txt", base + "\\b.txt"});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(Attr(seen[0]) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_NE(seen[0].substr(3), "2020/01/02 03:04:00");
  EXPECT_EQ(seen[1].substr(3), "2020/01/02 03:04:00");
  Close();
}

TEST_F(FaultWine, SourcesThatVanishedAfterTheBuildAreReportedAndNothingElseIsLost) {
  MakeTree(base, {"a.txt=alpha", "gone.txt=soon gone", "Sub", "Sub\\c.txt=ccc"});
  Start({base + "\\a.txt", base + "\\gone.txt", base + "\\Sub"});
  DeleteFileA((base + "\\gone.txt").c_str());
  RemoveTree(base + "\\Sub");
  const std::string out = tmp / "Out";
  MakeFolder(out);
  answers.chooserFolder = out;

  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"a.txt=alpha"}));
  EXPECT_EQ(Lines().size(), 3u) << ::testing::PrintToString(Lines());  // Sub, its file, gone.txt
  EXPECT_TRUE(ErrorWindowShown());

  Choose(kIdHGroup, 1);
  Click(kIdBitBtn2);
  EXPECT_FALSE(ErrorLines().empty());
  const std::vector<std::string> seen = Probe({base + "\\a.txt", base + "\\gone.txt"});
  EXPECT_NE(Attr(seen[0]) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(seen[1], "-");  // nothing made in its place

  // The archive: a path that no longer answers gets no list line, so the archive holds exactly
  // the files that are still there, and an error line for each of the others.
  answers.saveNames = {out + "\\all.lzh"};
  watch.seen.clear();
  Click(kIdBitBtn3);
  ASSERT_TRUE(ExtractWithLhasa(out + "\\all.lzh", tmp / "X"));
  EXPECT_EQ(FilesBelow(tmp / "X"), (std::vector<std::string>{"a.txt=alpha"}));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Not Lha FileName = " + base + "\\Sub",
                                               "Not Lha FileName = " + base + "\\gone.txt",
                                               "Not Lha FileName = " + base + "\\Sub\\c.txt"}));
  EXPECT_EQ(FilesBelow(out).size(), 2u) << ::testing::PrintToString(FilesBelow(out));
  EXPECT_FALSE(Exists(lha::win::ProgramFolder() + "TMPLHA.$"));
  Close();
}

TEST_F(FaultWine, CopyIntoTheBaseFolderItselfKeepsEveryFileAndSaysSo) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\b.txt", std::string(100000, 'b'));
  Start({base + "\\a.txt", base + "\\Sub"});
  answers.chooserFolder = base;
  Choose(kIdRadioGroup1, 0);  // 全て上書き
  Click(kIdBitBtn1);
  EXPECT_EQ(ReadAll(base + "\\a.txt"), "alpha");
  EXPECT_EQ(ReadAll(base + "\\Sub\\b.txt"), std::string(100000, 'b'));
  // Nothing can be copied onto itself: one "Not Copy" line per file, as the platform refuses it.
  EXPECT_EQ(Lines().size(), 2u) << ::testing::PrintToString(Lines());
  EXPECT_TRUE(ErrorWindowShown());
  // Into a folder below the targets: the files of the tree as built, once, no deeper.
  const std::string inside = base + "\\Sub\\Copy";
  answers.chooserFolder = inside;
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(inside),
            (std::vector<std::string>{"Sub\\b.txt=" + std::string(100000, 'b'), "a.txt=alpha"}));
  Close();
}

// With "属性を無視" an existing destination is made normal before the copy: a destination that is
// the source itself must not be, or the source loses its hidden, system and read-only bits.
TEST_F(FaultWine, CopyIntoTheBaseFolderItselfKeepsTheSourcesAttributes) {
  WriteFile(base + "\\a.txt", "alpha", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  Start({base + "\\a.txt"});
  answers.chooserFolder = base;
  Choose(kIdRadioGroup1, 0);
  Click(kIdBitBtn1);
  EXPECT_EQ(ReadAll(base + "\\a.txt"), "alpha");
  EXPECT_EQ(GetFileAttributesA((base + "\\a.txt").c_str()) &
                (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  Close();
}

TEST_F(FaultWine, NamesWithBackslashTrailBytesThroughBuildChangeAndCopy) {
  // ソ is 83 5C, 表 is 95 5C, 能 is 94 5C: each ends in the backslash byte.
  const std::string b = tmp / "ソ表";
  MakeFolder(b);
  MakeTree(b, {"表.txt=hyou", "能", "能\\ソ.txt=so"});
  Start({b + "\\表.txt", b + "\\能"});
  EXPECT_EQ(SelectedNodeText(), b + "\\");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"能", "表.txt"}));
  EXPECT_EQ(PanelText(form->Handle(), 1), "3個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "6ﾊﾞｲﾄ");

  Choose(kIdHGroup, 1);
  Click(kIdBitBtn2);
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  const std::vector<std::string> seen = Probe({b + "\\表.txt", b + "\\能\\ソ.txt"});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(Attr(seen[0]) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_NE(Attr(seen[1]) & FILE_ATTRIBUTE_HIDDEN, 0u);

  Choose(kIdHGroup, 0);
  const std::string out = tmp / "先ソ";
  answers.chooserFolder = out;
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"能\\ソ.txt=so", "表.txt=hyou"}));
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  Close();
}

TEST_F(FaultWine, PathsAtTheLengthLimitAreHandledAndLongerDestinationsRefusedWhole) {
  // A file whose full path is 259 bytes, the most the A functions take.
  std::string folder = tmp / std::string(100, 'd');
  MakeFolder(folder);
  const size_t rest = 259 - folder.size() - 1;
  const std::string file = folder + "\\" + std::string(rest - 4, 'f') + ".txt";
  ASSERT_EQ(file.size(), 259u);
  WriteFile(file, "edge");
  ASSERT_TRUE(Exists(file));
  Start({file});
  EXPECT_EQ(PanelText(form->Handle(), 1), "1個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "4ﾊﾞｲﾄ");

  Choose(kIdHGroup, 1);
  Click(kIdBitBtn2);
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  EXPECT_NE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  Choose(kIdHGroup, 0);

  // Into a folder with a longer name than the base: the copy's path would pass the limit.
  const std::string out = tmp / (std::string(101, 'o'));
  MakeFolder(out);
  answers.chooserFolder = out;
  Click(kIdBitBtn1);
  EXPECT_TRUE(FilesBelow(out).empty()) << ::testing::PrintToString(FilesBelow(out));
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0].rfind("Not Copy FileName = ", 0), 0u);
  // Into one that fits, it is copied whole.
  const std::string fits = tmp / std::string(100, 'p');
  answers.chooserFolder = fits;
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(fits), (std::vector<std::string>{file.substr(folder.size() + 1) + "=edge"}));
  Close();
}

TEST_F(FaultWine, LinkLoopInAScannedFolderEndsTheBuild) {
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\a.txt", "a");
  ASSERT_TRUE(RunShell("ln -s . '" + UnixPath(base + "\\Sub") + "/loop' && ln -s .. '" +
                           UnixPath(base + "\\Sub") + "/up'",
                       tmp / "ln.status"));
  Start({base + "\\Sub"});
  // Sub, a.txt and both links; "loop" leads back to Sub and is not entered again, "up" leads to
  // the base folder, where Sub is listed once more but not entered.
  EXPECT_EQ(PanelText(form->Handle(), 1), "5個");
  EXPECT_EQ(TreeView_GetCount(MainTree(form->Handle())), 5u);
  const std::string out = tmp / "Out";
  answers.chooserFolder = out;
  Click(kIdBitBtn1);
  EXPECT_EQ(ReadAll(out + "\\Sub\\a.txt"), "a");
  Close();
}

TEST_F(FaultWine, LinkThatLeadsNowhereIsLeftOutAndTheRestIsHandled) {
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\a.txt", "a");
  ASSERT_TRUE(RunShell("ln -s /nonexistent/mv-nowhere '" + UnixPath(base + "\\Sub") + "/broken'",
                       tmp / "ln.status"));
  Start({base + "\\Sub"});
  // Wine's directory search does not list it: Sub and a.txt are all there is.
  EXPECT_EQ(PanelText(form->Handle(), 1), "2個");
  const std::string out = tmp / "Out";
  answers.chooserFolder = out;
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\a.txt=a"}));
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  Choose(kIdHGroup, 1);
  Click(kIdBitBtn2);
  EXPECT_NE(GetFileAttributesA((base + "\\Sub\\a.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  Close();
}

TEST_F(FaultWine, HostileSettingsValuesStartAWorkingWindowAndAreWrittenBackSane) {
  const std::string big(2 * 1024 * 1024, '7');
  WriteFile(ini, "[Form]\nWidth=99999999999999999999\nHeight=-500\n[DirTreeView]\nWidth=" + big +
                     "\n[DateType]\nAgeLabel=" + std::string(2 * 1024 * 1024, 'x') +
                     "\n[ListImage]\nReport=-1\nIcon=2147483648\n[SelectMode]\nChecked=-7\n");
  WriteFile(base + "\\a.txt", "alpha");
  Start({base + "\\a.txt"});
  RECT wr, tr;
  GetWindowRect(form->Handle(), &wr);
  GetWindowRect(MainTree(form->Handle()), &tr);
  EXPECT_GT(wr.right - wr.left, 0);
  EXPECT_LT(wr.right - wr.left, 40000);
  EXPECT_GE(wr.bottom - wr.top, 0);
  EXPECT_GE(tr.right - tr.left, 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"a.txt"}));
  Close();
  ASSERT_FALSE(IsWindow(form->Handle()));
  EXPECT_LT(ReadAll(ini).size(), 4096u);  // the long values come back clipped
  // And the next start reads what was written.
  Start({base + "\\a.txt"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"a.txt"}));
  Close();
  EXPECT_TRUE(watch.Lines().empty()) << ::testing::PrintToString(watch.Lines());
}

TEST_F(FaultWine, TextThatIsNoDateEndsTheCommandsInTheErrorBoxAndTouchesNothing) {
  WriteFile(base + "\\a.txt", "alpha");
  SetLastWrite(base + "\\a.txt", 2010, 10, 10, 10);
  Start({base + "\\a.txt"});
  Choose(kIdHGroup, 1);
  TypeDate("20211345256199");           // month 13, day 45, hour 25
  ASSERT_EQ(watch.Lines().size(), 1u);  // leaving the field told it
  EXPECT_EQ(watch.Lines()[0].rfind("Morvane|", 0), 0u) << watch.Lines()[0];
  watch.seen.clear();
  Click(kIdBitBtn2);
  // A confirmation may come first; the run ends in the error box.
  ASSERT_FALSE(watch.Lines().empty());
  EXPECT_EQ(watch.Lines().back().rfind("Morvane|", 0), 0u) << watch.Lines().back();
  const std::vector<std::string> seen = Probe({base + "\\a.txt"});
  EXPECT_EQ(Attr(seen[0]) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_EQ(seen[0].substr(3), "2010/10/10 10:00:00");

  // The copy reads the same field: the error box, and no copy carries a wrong date.
  const std::string out = tmp / "Out";
  MakeFolder(out);
  answers.chooserFolder = out;
  watch.seen.clear();
  Choose(kIdHGroup, 0);
  Click(kIdBitBtn1);
  ASSERT_FALSE(watch.Lines().empty());
  EXPECT_EQ(watch.Lines().back().rfind("Morvane|", 0), 0u) << watch.Lines().back();
  // The file was copied before its date was read; it keeps the source's.
  ASSERT_TRUE(Exists(out + "\\a.txt"));
  EXPECT_EQ(Probe({out + "\\a.txt"})[0].substr(3), "2010/10/10 10:00:00");
  Close();
}

TEST_F(FaultWine, ForeignTargetsNeverGiveArchiveNamesOutsideTheExtractionFolder) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(tmp / "Other");
  WriteFile(tmp / "Other\\b.txt", "beta");
  Start({base + "\\a.txt", tmp / "Other\\b.txt"});
  const std::string archive = PackInto("f.lzh");
  ASSERT_TRUE(Exists(archive)) << ::testing::PrintToString(watch.Lines());
  const std::string listing = ListWithLhasa(archive, tmp / "listing.txt");
  EXPECT_EQ(listing.find(".."), std::string::npos) << listing;
  EXPECT_EQ(listing.find(":\\"), std::string::npos) << listing;
  EXPECT_EQ(listing.find(" /"), std::string::npos) << listing;
  const std::string x = tmp / "Deep\\X";
  MakeFolder(tmp / "Deep");
  ASSERT_TRUE(ExtractWithLhasa(archive, x));
  const std::vector<std::string> got = FilesBelow(x);
  EXPECT_NE(std::find(got.begin(), got.end(), "a.txt=alpha"), got.end())
      << ::testing::PrintToString(got);
  std::vector<std::string> expected = {"X.status=0\n"};  // the test's own
  for (const std::string& g : got) expected.push_back("X\\" + g);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FilesBelow(tmp / "Deep"), expected);  // nothing landed beside the folder
  EXPECT_EQ(ReadAll(tmp / "Other\\b.txt"), "beta");
  Close();
}

// A target outside the base folder is stored by its name alone: one named like a file of the base
// must not take that file's place.
TEST_F(FaultWine, ForeignTargetsOfOneNameAreAllInTheArchive) {
  WriteFile(base + "\\x.txt", "base");
  MakeFolder(tmp / "B");
  WriteFile(tmp / "B\\x.txt", "other");
  Start({base + "\\x.txt", tmp / "B\\x.txt"});
  ASSERT_TRUE(ExtractWithLhasa(PackInto("two.lzh"), tmp / "X"));
  std::vector<std::string> contents;
  for (const std::string& f : FilesBelow(tmp / "X")) contents.push_back(f.substr(f.find('=') + 1));
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"base", "other"}))
      << ::testing::PrintToString(FilesBelow(tmp / "X"));
  Close();
}

TEST_F(FaultWine, ListFileThatCannotBeCreatedIsTheErrorBoxAndKeepsTheOldArchive) {
  const std::string listFile = lha::win::ProgramFolder() + "TMPLHA.$";
  MakeFolder(listFile);  // a folder where the list file should go
  WriteFile(base + "\\a.txt", "alpha");
  Start({base + "\\a.txt"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  WriteFile(out + "\\old.lzh", "old archive bytes");
  PackInto("old.lzh");
  RemoveDirectoryA(listFile.c_str());
  ASSERT_FALSE(watch.Lines().empty());
  EXPECT_NE(watch.Lines().back().find("TMPLHA.$"), std::string::npos) << watch.Lines().back();
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"old.lzh=old archive bytes"}));
  Close();
}

TEST_F(FaultWine, MissingArchiverLibraryIsOnePanicBoxAndNoArchive) {
  withArchiver = false;
  WriteFile(base + "\\a.txt", "alpha");
  Start({base + "\\a.txt"});
  PackInto("p.lzh");
  ASSERT_EQ(watch.Lines().size(), 1u) << ::testing::PrintToString(watch.Lines());
  EXPECT_EQ(watch.Lines()[0].rfind("PANIC!!|", 0), 0u) << watch.Lines()[0];
  EXPECT_TRUE(FilesBelow(tmp / "Out").empty());
  EXPECT_FALSE(Exists(lha::win::ProgramFolder() + "TMPLHA.$"));
  Close();
}

// After the unload the slots hold the substitutes again, not entries of a freed library.
TEST(ArchiverBindingWine, ACallAfterTheUnloadReachesTheSubstitute) {
  lha::win::ArchiverLibrary library;
  library.Load();
  ASSERT_TRUE(library.Loaded());
  library.Unload();
  BoxWatcher answer;
  char output[16] = {};
  EXPECT_EQ(library.Unlha(nullptr, "a x.lzh", output, sizeof output), 0);
  ASSERT_EQ(answer.Lines().size(), 1u);
  EXPECT_EQ(answer.Lines()[0].rfind("PANIC!!|", 0), 0u) << answer.Lines()[0];
}

}  // namespace
