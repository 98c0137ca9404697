// Targets and operations at their edges, through the whole main window on real files: links to
// folders made from the test, a drive letter that names a test folder, times outside the packed
// range, a destination the look-up cannot see, drops met by a close request, and the figures of
// the status bar after every refill.
#include "platform/win32/fs_win32.h"
#include "road_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

class EdgesWine : public RoadTest {
 protected:
  void TearDown() override {
    if (!drive.empty()) RunShell("rm -f '" + driveLink + "'", tmp / "rm.status");
    RoadTest::TearDown();
  }
  std::vector<std::string> Lines() { return ErrorLines(); }
  std::string Figures() {
    return PanelText(form->Handle(), 4) + " " + PanelText(form->Handle(), 5);
  }

  // Makes a free drive letter name the folder (a link in the prefix's device folder); "" when
  // none could be made.
  std::string MountDrive(const std::string& folder) {
    std::string devices = UnixPath("C:\\");
    while (!devices.empty() && devices.back() == '/') devices.pop_back();
    const size_t slash = devices.rfind('/');
    if (slash == std::string::npos) return {};
    devices.resize(slash);
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'M'; --letter) {
      if (used & (1u << (letter - 'A'))) continue;
      const std::string link = devices + "/" + static_cast<char>(letter - 'A' + 'a') + ":";
      if (!RunShell("[ ! -e '" + link + "' ] && ln -s '" + UnixPath(folder) + "' '" + link + "'",
                    tmp / "ln.status"))
        continue;
      driveLink = link;
      drive = std::string(1, letter) + ":";
      return drive;
    }
    return {};
  }
  std::string drive, driveLink;
};

// Links to folders (as junctions, directory links and mount points are) are scanned like
// folders, named as targets or found below one; one that leads back up is not entered again.
TEST_F(EdgesWine, LinksToFoldersAreScannedLikeFoldersAndLoopsEndTheBuild) {
  MakeFolder(base + "\\Data");
  WriteFile(base + "\\Data\\d.txt", "dd");
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\a.txt", "a");
  ASSERT_TRUE(RunShell("ln -s '" + UnixPath(base + "\\Data") + "' '" + UnixPath(base + "\\Sub") +
                           "/dlink' && ln -s . '" + UnixPath(base + "\\Sub") + "/loop' && ln -s '" +
                           UnixPath(base + "\\Data") + "' '" + UnixPath(base) + "/Named'",
                       tmp / "ln.status"));
  Start({base + "\\Sub", base + "\\Named"});
  // Sub, a.txt, dlink, dlink\d.txt, loop (listed, not entered), Named, Named\d.txt.
  EXPECT_EQ(PanelText(form->Handle(), 1), "7個");
  const std::string out = tmp / "Out";
  answers.chooserFolder = out;
  Click(kIdBitBtn1);
  EXPECT_EQ(FilesBelow(out),
            (std::vector<std::string>{"Named\\d.txt=dd", "Sub\\a.txt=a", "Sub\\dlink\\d.txt=dd"}));
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  Close();
}

// A volume that reports file index 0 for every folder tells no identity at all.
TEST(FolderIdentityWine, IndexZeroIsNoIdentity) {
  EXPECT_EQ(win::FolderIdentityOf(0x1234, 0, 0), std::nullopt);
  EXPECT_NE(win::FolderIdentityOf(0x1234, 0, 5), std::nullopt);
  EXPECT_NE(win::FolderIdentityOf(0x1234, 0, 5), win::FolderIdentityOf(0x1234, 0, 6));
  EXPECT_NE(win::FolderIdentityOf(0x1234, 1, 5), win::FolderIdentityOf(0x1234, 0, 5));
}

// A drive root target: entered as "X:\", its node named "X:", and every command that matches
// the two agrees: the double click enters it, the archive menu packs what it holds, removing its
// node takes its entry and its counts.
TEST_F(EdgesWine, DriveRootTargetIsHeldAsTheRootByEveryCommand) {
  const std::string folder = tmp / "Drive";
  MakeFolder(folder);
  MakeTree(folder, {"r.txt=root", "In", "In\\i.txt=in"});
  const std::string d = MountDrive(folder);
  ASSERT_FALSE(d.empty()) << "no free drive letter could be made";
  ASSERT_EQ(ReadAll(d + "\\r.txt"), "root");

  Start({d + "\\"});
  EXPECT_EQ(PanelText(form->Handle(), 1), "4個");  // the drive, In, i.txt, r.txt
  ASSERT_EQ(Rows().size(), 1u);

  const std::string archive = tmp / "root.lzh";
  answers.saveNames = {archive};
  SelectRows({0});
  Menu(kCmdLha1);
  const std::string listing = ListWithLhasa(archive, tmp / "listing.txt");
  EXPECT_NE(listing.find("r.txt"), std::string::npos) << listing;
  EXPECT_NE(listing.find("i.txt"), std::string::npos) << listing;

  const std::string out = tmp / "Out";
  answers.chooserFolder = out;
  SelectRows({0});
  Menu(kCmdCopy1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"In\\i.txt=in", "r.txt=root"}));

  SelectRows({0});
  SendMessageA(MainList(form->Handle()), WM_KEYDOWN, VK_RETURN,
               0);  // Enter enters, as a double click
  EXPECT_EQ(SelectedNodeText(), d);
  EXPECT_EQ(Rows().size(), 2u);

  MainCommand(form->Handle(), kCmdDelete2);
  EXPECT_EQ(SelectedNodeText(), d + "\\");
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(PanelText(form->Handle(), 1), "個");
  EXPECT_EQ(PanelText(form->Handle(), 2), "ﾊﾞｲﾄ");
  Close();
}

// The flat figures follow every refill of the list, and read zero once the top folder is gone.
TEST_F(EdgesWine, FlatFiguresFollowEveryRefillAndReadZeroWithoutATree) {
  WriteFile(base + "\\a.txt", "aaaa");
  WriteFile(base + "\\b.txt", "bb");
  Start({base + "\\a.txt", base + "\\b.txt"});
  SelectRows({0, 1});
  EXPECT_EQ(Figures(), "2個 6ﾊﾞｲﾄ");
  Choose(kIdHGroup, 1);
  Click(kIdBitBtn2);  // confirmed by the answerer; the list is refilled
  EXPECT_EQ(GetFileAttributesA((base + "\\a.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN,
            FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  SelectRows({1});
  EXPECT_EQ(Figures(), "1個 2ﾊﾞｲﾄ");
  Menu(kCmdFullCollapse1);
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  SelectRows({0});
  EXPECT_EQ(Figures(), "1個 4ﾊﾞｲﾄ");
  MainCommand(form->Handle(), kCmdDelete2);  // the top folder
  EXPECT_EQ(PanelText(form->Handle(), 1), "個");
  EXPECT_EQ(Figures(), "個 ﾊﾞｲﾄ");
  Close();
}

// The totals and figures use the locale's thousands separator.
TEST_F(EdgesWine, FiguresUseTheLocaleThousandsSeparator) {
  // The prefix's setting outlives the test: it goes back whatever way the test ends.
  struct Separator {
    char saved[8] = {};
    Separator() { GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, saved, sizeof saved); }
    ~Separator() {
      if (saved[0]) SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, saved);
      win::InstallPlatformText();
    }
  } restore;
  ASSERT_NE(restore.saved[0], '\0');
  ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, "."));
  win::InstallPlatformText();
  WriteFile(base + "\\big.bin", std::string(1234567, 'x'));
  Start({base + "\\big.bin"});
  SelectRows({0});
  const std::string total = PanelText(form->Handle(), 2), selected = PanelText(form->Handle(), 5);
  Close();
  EXPECT_EQ(total, "1.234.567ﾊﾞｲﾄ");
  EXPECT_EQ(selected, "1.234.567ﾊﾞｲﾄ");
}

// "新しいﾌｧｲﾙ" with a destination time the packed form cannot hold: the real times decide.
TEST_F(EdgesWine, NewerOnlyKeepsADestinationDatedBeyondThePackedRange) {
  WriteFile(base + "\\a.txt", "new");
  WriteFile(base + "\\b.txt", "new");
  SetLastWrite(base + "\\a.txt", 2030, 1, 1, 12);
  SetLastWrite(base + "\\b.txt", 2030, 1, 1, 12);
  const std::string out = tmp / "Out";
  MakeFolder(out);
  WriteFile(out + "\\a.txt", "later");
  SetLastWrite(out + "\\a.txt", 2110, 1, 1, 12);  // after 2107
  WriteFile(out + "\\b.txt", "older");
  SetLastWrite(out + "\\b.txt", 1975, 1, 1, 12);  // before 1980
  Start({base + "\\a.txt", base + "\\b.txt"});
  answers.chooserFolder = out;
  ASSERT_EQ(SendMessageA(GroupItem(form->Handle(), kIdRadioGroup1, 1), BM_GETCHECK, 0, 0),
            BST_CHECKED);
  Click(kIdBitBtn1);
  EXPECT_EQ(ReadAll(out + "\\a.txt"), "later");
  EXPECT_EQ(ReadAll(out + "\\b.txt"), "new");
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(Lines());
  Close();
}

// A destination the look-up cannot see (a link that leads nowhere) is never written through:
// the copy may only make a new file, fails, and says so.
TEST_F(EdgesWine, DestinationTheLookupCannotSeeIsNotOverwrittenBlind) {
  WriteFile(base + "\\a.txt", "new");
  const std::string out = tmp / "Out", elsewhere = tmp / "Elsewhere";
  MakeFolder(out);
  MakeFolder(elsewhere);
  ASSERT_TRUE(RunShell("ln -s '" + UnixPath(elsewhere) + "/a.txt' '" + UnixPath(out) + "/a.txt'",
                       tmp / "ln.status"));
  ASSERT_EQ(GetFileAttributesA((out + "\\a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  Start({base + "\\a.txt"});
  answers.chooserFolder = out;
  Choose(kIdRadioGroup1, 0);  // 全て上書き
  Click(kIdBitBtn1);
  EXPECT_FALSE(Exists(elsewhere + "\\a.txt"));
  EXPECT_EQ(Lines(),
            (std::vector<std::string>{"Not Copy FileName = " + UpperCase(out) + "\\a.txt"}));
  Close();
}

// The list's first caption as a folder with a localized display name shows it: the window's
// answer to the control's request rewritten.
WNDPROC g_formProc = nullptr;
LRESULT CALLBACK Recaptioned(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  const LRESULT r = CallWindowProcA(g_formProc, wnd, msg, wp, lp);
  if (msg != WM_NOTIFY) return r;
  auto& hdr = *reinterpret_cast<NMHDR*>(lp);
  if (hdr.code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(hdr).item;
    if (item.iItem == 0 && item.iSubItem == 0 && (item.mask & LVIF_TEXT))
      lstrcpynW(item.pszText, L"サブフォルダー", item.cchTextMax);
  } else if (hdr.code == LVN_GETDISPINFOA) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(hdr).item;
    if (item.iItem == 0 && item.iSubItem == 0 && (item.mask & LVIF_TEXT))
      lstrcpynA(item.pszText, "サブフォルダー", item.cchTextMax);
  }
  return r;
}

// A folder row whose caption differs from its name (as a folder with a localized display name
// shows) is still descended by the menu's copy, attribute change and archive.
TEST_F(EdgesWine, FolderRowWithAnotherCaptionIsDescendedByTheMenuCommands) {
  MakeFolder(base + "\\Sub");
  WriteFile(base + "\\Sub\\a.txt", "a");
  Start({base + "\\Sub"});
  g_formProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(form->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Recaptioned)));
  auto recaption = [&] {
    char caption[MAX_PATH] = {};
    ListView_GetItemText(MainList(form->Handle()), 0, 0, caption, sizeof caption);
    ASSERT_STREQ(caption, "サブフォルダー");
    SelectRows({0});
  };
  const std::string out = tmp / "Out";
  answers.chooserFolder = out;
  recaption();
  Menu(kCmdCopy1);
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"Sub\\a.txt=a"}));

  recaption();
  Choose(kIdHGroup, 1);
  Menu(kCmdChenge1);
  EXPECT_NE(GetFileAttributesA((base + "\\Sub\\a.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

  const std::string archive = tmp / "sub.lzh";
  answers.saveNames = {archive};
  recaption();
  Menu(kCmdLha1);
  const std::string listing = ListWithLhasa(archive, tmp / "listing.txt");
  EXPECT_NE(listing.find("a.txt"), std::string::npos) << listing;
  EXPECT_TRUE(watch.Lines().empty() || watch.Lines().back().find("No File") == std::string::npos)
      << ::testing::PrintToString(watch.Lines());
  Close();
}

}  // namespace
