// Whole roads through the main window under Wine: start-up with targets, the attribute change,
// the copy runs, the two archive commands checked by lhasa, and editing the target set, each
// driven by real messages with every modal box answered from a thread timer.
#include "road_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

class E2EWine : public RoadTest {};

TEST_F(E2EWine, TypicalRoadHidesEveryFileWithTheTypedDate) {
  MakeTree(base, {"a.txt=alpha", "Sub", "Sub\\b.txt=bbb", "Sub\\Deep", "Sub\\Deep\\表ソ.txt=cccc",
                  "other.txt=not a target"});
  SetLastWrite(base + "\\other.txt", 2001, 1, 1, 12);
  // The folder arrives in short form, as the shell may send it.
  char shortSub[MAX_PATH] = {};
  GetShortPathNameA((base + "\\Sub").c_str(), shortSub, MAX_PATH);
  Start({base + "\\a.txt", shortSub});

  EXPECT_EQ(TreeView_GetCount(MainTree(form->Handle())), 3u);
  EXPECT_EQ(SelectedNodeText(), base + "\\");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "a.txt"}));
  EXPECT_EQ(PanelText(form->Handle(), 0), "ファイル数");
  EXPECT_EQ(PanelText(form->Handle(), 1), "5個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "12ﾊﾞｲﾄ");

  Choose(kIdHGroup, 1);  // Hidden: 設定
  TypeDate("20210304050608");
  EXPECT_EQ(WindowText(MainControl(form->Handle(), kIdAgeEdit)), "2021/03/04 05:06:08");
  Click(kIdBitBtn2);
  PumpPending();
  ASSERT_EQ(watch.Lines().size(), 1u);
  EXPECT_EQ(watch.Lines()[0].rfind("確認|", 0), 0u) << watch.Lines()[0];

  const std::vector<std::string> seen =
      Probe({base + "\\a.txt", base + "\\Sub\\b.txt", base + "\\Sub\\Deep\\表ソ.txt",
             base + "\\other.txt"});
  ASSERT_EQ(seen.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(std::stoul(seen[i].substr(0, 2), nullptr, 16) & FILE_ATTRIBUTE_HIDDEN, 0u) << seen[i];
    EXPECT_EQ(seen[i].substr(3), "2021/03/04 05:06:08") << i;
  }
  EXPECT_EQ(std::stoul(seen[3].substr(0, 2), nullptr, 16) & FILE_ATTRIBUTE_HIDDEN, 0u)
      << "not a target";
  EXPECT_EQ(seen[3].substr(3), "2001/01/01 12:00:00");

  // The list was refilled: the file row shows the new date and the hidden flag.
  const std::vector<std::string> dates = Rows(2);
  ASSERT_EQ(dates.size(), 2u);
  EXPECT_EQ(dates[1], "2021/3/4 5:06:08");  // the locale's short date
  std::string flags;
  for (int c = 3; c < 7; ++c) flags += Rows(c)[1];
  EXPECT_NE(flags.find('H'), std::string::npos) << flags;
  EXPECT_FALSE(ErrorWindowShown());
  EXPECT_TRUE(ErrorLines().empty());

  Close();
}

TEST_F(E2EWine, CopyRoadNewFolderThenOnlyTheNewerThenDatesWithoutCopying) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\b.txt", "bbb");
  SetLastWrite(base + "\\a.txt", 2020, 5, 5, 10);
  SetLastWrite(base + "\\Sub\\b.txt", 2020, 5, 5, 10);
  Start({base + "\\a.txt", base + "\\Sub"});
  const std::string out = tmp / "Out\\New";
  answers.chooserFolder = out;

  Choose(kIdRadioGroup1, 1);  // 新しいﾌｧｲﾙ
  Click(kIdBitBtn1);
  ASSERT_EQ(watch.Lines().size(), 1u);
  EXPECT_NE(watch.Lines()[0].find(win::kChooserAskCreate), std::string::npos) << watch.Lines()[0];
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\b.txt=bbb", "a.txt=alpha"}));
  const FILETIME copiedTime = LastWrite(out + "\\a.txt"), sourceTime = LastWrite(base + "\\a.txt");
  EXPECT_EQ(CompareFileTime(&copiedTime, &sourceTime), 0);
  EXPECT_FALSE(ErrorWindowShown());

  // Touch one source; a copy of the other is changed in place but not newer than its source.
  WriteFile(base + "\\a.txt", "alpha, again");
  SetLastWrite(base + "\\a.txt", 2020, 6, 6, 10);
  WriteFile(out + "\\Sub\\b.txt", "edited copy");
  SetLastWrite(out + "\\Sub\\b.txt", 2020, 5, 5, 10);
  watch.seen.clear();
  Click(kIdBitBtn1);
  EXPECT_TRUE(watch.Lines().empty());  // the folder exists now: no question
  EXPECT_EQ(FilesBelow(out),
            (std::vector<std::string>{"Sub\\b.txt=edited copy", "a.txt=alpha, again"}));

  // Never overwrite, with a date: contents stay, dates change.
  Choose(kIdRadioGroup1, 2);  // コピーしない
  TypeDate("19990102030400");
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out),
            (std::vector<std::string>{"Sub\\b.txt=edited copy", "a.txt=alpha, again"}));
  const std::vector<std::string> seen =
      Probe({out + "\\a.txt", out + "\\Sub\\b.txt", base + "\\a.txt"});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].substr(3), "1999/01/02 03:04:00");
  EXPECT_EQ(seen[1].substr(3), "1999/01/02 03:04:00");
  EXPECT_EQ(seen[2].substr(3), "2020/06/06 10:00:00");  // the source is left alone
  EXPECT_FALSE(ErrorWindowShown());
  Close();
}

TEST_F(E2EWine, MenuRoadCopyAndChangeActOnTheSelectedRowsOnly) {
  MakeTree(base, {"a.txt=alpha", "Sub", "Sub\\b.txt=bbb", "Sub\\Deep", "Sub\\Deep\\c.txt=cc"});
  Start({base + "\\a.txt", base + "\\Sub"});
  const std::string out = tmp / "Out";
  answers.chooserFolder = out;

  SelectRows({0});  // the folder row: everything below it, mirrored from the base
  Menu(kCmdCopy1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\Deep\\c.txt=cc", "Sub\\b.txt=bbb"}));

  SelectRows({1});
  Choose(kIdSGroup, 1);  // System: 設定
  Menu(kCmdChenge1);
  const std::vector<std::string> seen = Probe({base + "\\a.txt", base + "\\Sub\\b.txt"});
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_NE(std::stoul(seen[0].substr(0, 2), nullptr, 16) & FILE_ATTRIBUTE_SYSTEM, 0u) << seen[0];
  EXPECT_EQ(std::stoul(seen[1].substr(0, 2), nullptr, 16) & FILE_ATTRIBUTE_SYSTEM, 0u) << seen[1];
  std::string flags;
  for (int c = 3; c < 7; ++c) flags += Rows(c)[1];
  EXPECT_NE(flags.find('S'), std::string::npos) << flags;  // the list was refilled

  // "ERR LIST" shows the (empty) error window on demand.
  Menu(kCmdErrList1);
  EXPECT_TRUE(ErrorWindowShown());
  Close();
}

TEST_F(E2EWine, CopyRoadLongRunShowsTheProgressDialogAndCancelStopsIt) {
  const int kFiles = 1500;
  MakeFolder(base + "\\Many");
  for (int i = 0; i < kFiles; ++i)
    WriteFile(base + "\\Many\\f" + std::to_string(i) + ".txt", std::string(64, 'x'));
  Start({base + "\\Many"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  answers.chooserFolder = out;
  Choose(kIdRadioGroup1, 0);  // 全て上書き

  HWND dialog = ProgramWindow("TForm2");
  bool seen = false;
  std::string from;
  watch.onTick = [&] {
    if (seen) return;
    if (!IsWindowVisible(dialog)) {
      // The second is up once a file has arrived: the test waits on no disk's pace.
      WIN32_FIND_DATAA fd;
      win::ScopedFind arrived(FindFirstFileA((out + "\\Many\\f*.txt").c_str(), &fd));
      if (arrived) SendMessageA(dialog, WM_TIMER, kIdForm2Timer1, 0);
      return;
    }
    seen = true;
    from = WindowText(GetDlgItem(ProgramWindow("TForm2"), kIdForm2From));
    PostMessageA(GetDlgItem(ProgramWindow("TForm2"), kIdForm2Button1), BM_CLICK, 0, 0);
  };
  Click(kIdBitBtn1);
  watch.onTick = nullptr;
  ASSERT_TRUE(seen) << "the run ended before the dialog appeared";
  EXPECT_NE(from.find(base + "\\Many\\f"), std::string::npos) << from;
  EXPECT_FALSE(IsWindowVisible(dialog));
  const size_t copied = FilesBelow(out).size();
  EXPECT_GT(copied, 0u);
  EXPECT_LT(copied, static_cast<size_t>(kFiles));
  EXPECT_FALSE(ErrorWindowShown());
  EXPECT_TRUE(watch.Lines().empty()) << ::testing::PrintToString(watch.Lines());
  Close();
}

TEST_F(E2EWine, ArchiveRoadWholeTreeAndSelectionExtractedByLhasa) {
  WriteFile(base + "\\a.txt", "alpha");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\b.txt", std::string(5000, 'b') + "tail");
  WriteFile(base + "\\Sub\\c.txt", "ccc");
  Start({base + "\\a.txt", base + "\\Sub"});
  const std::string out = tmp / "Out";
  MakeFolder(out);
  const std::string all = out + "\\all.lzh", sel = out + "\\sel.lzh";
  answers.saveNames = {all, sel, all, all};

  Click(kIdBitBtn3);
  ASSERT_TRUE(Exists(all)) << ::testing::PrintToString(watch.Lines());
  ASSERT_TRUE(ExtractWithLhasa(all, tmp / "X1"));
  EXPECT_EQ(FilesBelow(tmp / "X1"),
            (std::vector<std::string>{"Sub\\b.txt=" + std::string(5000, 'b') + "tail",
                                      "Sub\\c.txt=ccc", "a.txt=alpha"}));

  // The menu on a selection with a folder row: the folder's files only, below their base.
  SelectRows({0});
  Menu(kCmdLha1);
  ASSERT_TRUE(Exists(sel));
  ASSERT_TRUE(ExtractWithLhasa(sel, tmp / "X2"));
  EXPECT_EQ(FilesBelow(tmp / "X2"),
            (std::vector<std::string>{"Sub\\b.txt=" + std::string(5000, 'b') + "tail",
                                      "Sub\\c.txt=ccc"}));

  // A run that cannot finish (a source held open by another handle) keeps the old archive whole.
  const std::string before = ReadAll(all);
  WriteFile(base + "\\a.txt", "alpha two");
  {
    win::ScopedFile held(CreateFileA((base + "\\Sub\\c.txt").c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    watch.seen.clear();
    Click(kIdBitBtn3);
  }
  // The library told why, in a box the main window owns (after the save dialog's question).
  const std::vector<SeenBox> boxes = watch.Messages();
  const auto told = std::find_if(boxes.begin(), boxes.end(),
                                 [](const SeenBox& box) { return box.caption == "UNLHA32.DLL"; });
  ASSERT_NE(told, boxes.end()) << ::testing::PrintToString(watch.Lines());
  EXPECT_NE(told->text.find(base + "\\Sub\\c.txt"), std::string::npos) << told->text;
  EXPECT_EQ(told->owner, form->Handle());
  EXPECT_EQ(ReadAll(all), before);
  std::vector<std::string> leftovers = FilesBelow(out);
  EXPECT_EQ(leftovers.size(), 2u) << ::testing::PrintToString(leftovers);
  // Then it is replaced by a complete new one.
  Click(kIdBitBtn3);
  ASSERT_TRUE(ExtractWithLhasa(all, tmp / "X3"));
  EXPECT_EQ(FilesBelow(tmp / "X3"),
            (std::vector<std::string>{"Sub\\b.txt=" + std::string(5000, 'b') + "tail",
                                      "Sub\\c.txt=ccc", "a.txt=alpha two"}));
  EXPECT_FALSE(Exists(lha::win::ProgramFolder() + "TMPLHA.$"));
  Close();
}

TEST_F(E2EWine, EditingRoadRemovalsNavigationCollapseAndTheSplitter) {
  MakeTree(base, {"a.txt=1", "b.txt=22", "Sub", "Sub\\c.txt=333", "Sub\\Deep",
                  "Sub\\Deep\\d.txt=4444", "Sub2", "Sub2\\e.txt=55555"});
  Start({base + "\\a.txt", base + "\\b.txt", base + "\\Sub", base + "\\Sub2"});
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "Sub2", "a.txt", "b.txt"}));
  EXPECT_EQ(PanelText(form->Handle(), 1), "8個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "15ﾊﾞｲﾄ");

  // Remove a file row through the list's menu command.
  SelectRows({3});
  Menu(kCmdDelete1);
  PumpPending();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "Sub2", "a.txt"}));
  EXPECT_EQ(PanelText(form->Handle(), 1), "7個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "13ﾊﾞｲﾄ");

  // Remove the folder node Sub2 from the tree's menu: its row and its files go too.
  HTREEITEM sub2 = FindNode(TreeView_GetRoot(MainTree(form->Handle())), "Sub2");
  ASSERT_TRUE(sub2);
  TreeView_SelectItem(MainTree(form->Handle()), sub2);
  PumpPending();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"e.txt"}));
  Menu(kCmdDelete2);
  PumpPending();
  EXPECT_FALSE(FindNode(TreeView_GetRoot(MainTree(form->Handle())), "Sub2"));
  EXPECT_EQ(PanelText(form->Handle(), 1), "5個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "8ﾊﾞｲﾄ");
  TreeView_SelectItem(MainTree(form->Handle()), TreeView_GetRoot(MainTree(form->Handle())));
  PumpPending();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "a.txt"}));

  // Descend with Enter on the folder row, then go up.
  SelectRows({0});
  SetFocus(MainList(form->Handle()));
  SendMessageA(MainList(form->Handle()), WM_KEYDOWN, VK_RETURN, 0);
  PumpPending();
  EXPECT_EQ(SelectedNodeText(), "Sub");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Deep", "c.txt"}));
  Menu(kCmdUpFolder);
  PumpPending();
  EXPECT_EQ(SelectedNodeText(), base + "\\");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"Sub", "a.txt"}));

  // Full collapse folds every node and leaves the list showing the selection's rows.
  Menu(kCmdFullCollapse1);
  PumpPending();
  HTREEITEM root = TreeView_GetRoot(MainTree(form->Handle()));
  EXPECT_EQ(TreeView_GetItemState(MainTree(form->Handle()), root, TVIS_EXPANDED) & TVIS_EXPANDED,
            0u);
  EXPECT_EQ(PanelText(form->Handle(), 1), "5個");

  // The splitter: a real press, move and release on the panel.
  HWND panel = MainSplitter(form->Handle());
  RECT tree;
  GetWindowRect(MainTree(form->Handle()), &tree);
  const int width = tree.right - tree.left;
  RECT band;
  GetClientRect(panel, &band);
  const int middle = band.right / 2;  // the panel grows with the display's density
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle, 10));
  SendMessageA(panel, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(middle + 40, 10));
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(middle + 40, 10));
  GetWindowRect(MainTree(form->Handle()), &tree);
  EXPECT_EQ(tree.right - tree.left, width + 40);
  Close();
  EXPECT_NE(Ini().find("[DirTreeView]\nWidth=" + std::to_string(width + 40) + "\n"),
            std::string::npos)
      << Ini();
  EXPECT_TRUE(watch.Lines().empty()) << ::testing::PrintToString(watch.Lines());
}

}  // namespace
