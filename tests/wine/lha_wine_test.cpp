// The archive commands under Wine: real save dialog, real files, the library missing and a
// stand-in library that records what it is handed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "ops/lha/win32/lha_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/fs_win32.h"
#include "platform/text.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;
using namespace mv::lha;
using namespace mv::lha::win;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(missing)";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class LhaWine : public ::testing::Test {
 protected:
  void SetUp() override {
    mv::win::InstallPlatformText();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MvLhaTestOwner";
    RegisterClassA(&wc);
    owner = CreateWindowExA(0, "MvLhaTestOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    // Work\a.txt, Work\SUB\表ソ.txt, an empty Work\Empty, and the output folder Out.
    work = tmp / "Work";
    out = tmp / "Out";
    MakeFolder(work);
    MakeFolder(out);
    MakeFolder(work + "\\SUB");
    MakeFolder(work + "\\Empty");
    WriteFile(work + "\\a.txt", "aaa");
    WriteFile(work + "\\SUB\\表ソ.txt", "sjis");
    archive = out + "\\pack.LZH";
    listFile = ProgramFolder() + "TMPLHA.$";
  }
  void TearDown() override {
    DestroyWindow(owner);
    DeleteFileA(listFile.c_str());
  }
  void Build(const std::vector<std::string>& paths) { builder.Build(paths, false); }
  int SaveDialogs() const {
    return static_cast<int>(
        std::count_if(watch.seen.begin(), watch.seen.end(),
                      [](const SeenBox& b) { return b.kind == SeenBox::kSave; }));
  }
  std::vector<std::wstring> WideTexts() const {
    std::vector<std::wstring> texts;
    for (const SeenBox& b : watch.Messages()) texts.push_back(b.wideText);
    return texts;
  }
  std::vector<std::string> Panics() const {
    std::vector<std::string> p;
    for (const std::string& b : watch.Lines())
      if (b.rfind("PANIC!!|", 0) == 0) p.push_back(b);
    return p;
  }
  std::vector<std::string> OutFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA((out + "\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return names;
    do {
      if (fd.cFileName[0] != '.') names.push_back(fd.cFileName);
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder tmp;
  std::string work, out, archive, listFile;
  HWND owner = nullptr;
  TypedAnswers answers;  // the save dialog gets the next name, boxes Yes or OK
  BoxWatcher watch{std::ref(answers)};
  ErrorList errors;
  TargetTree tree;
  mv::win::Win32FileSystem fs;
  TreeBuilder builder{fs, tree};
};

TEST_F(LhaWine, MissingLibraryShowsOnePanicBoxAndLeavesNothingBehind) {
  ArchiverLibrary library;
  library.Load();
  ASSERT_FALSE(library.Loaded()) << "an UNLHA32.DLL is on the search path";
  Build({work + "\\a.txt", work + "\\SUB"});
  LhaCommands commands(library, owner, errors, "Morvane");
  commands.SetInitialFolder(builder.FirstBaseFolder());
  answers.saveNames = {out + "\\pack"};
  commands.BitBtn3Click(tree);
  EXPECT_EQ(SaveDialogs(), 1);
  EXPECT_EQ(watch.Lines(), std::vector<std::string>{"PANIC!!|Unlha: LHA.DLL not loaded."});
  // The default extension was added (Wine spells it in lower case).
  EXPECT_TRUE(EqualsNoCase(commands.Dialog().FileName(), archive)) << commands.Dialog().FileName();
  EXPECT_EQ(commands.Dialog().InitialFolder(), work + "\\");
  EXPECT_TRUE(OutFiles().empty());
  EXPECT_FALSE(Exists(listFile));
  EXPECT_TRUE(errors.Empty());
}

TEST_F(LhaWine, OldArchiveSurvivesNoFileAndAMissingLibrary) {
  ArchiverLibrary library;
  library.Load();
  ASSERT_FALSE(library.Loaded());
  WriteFile(archive, "old archive");
  LhaCommands commands(library, owner, errors, "Morvane");

  Build({work + "\\Empty"});
  answers.saveNames = {archive, archive};
  commands.BitBtn3Click(tree);
  // The overwrite question is answered Yes; then nothing to pack.
  ASSERT_EQ(watch.Lines().size(), 2u);
  EXPECT_EQ(watch.Lines()[1], "Morvane|No File");
  EXPECT_EQ(ReadAll(archive), "old archive");

  Build({work + "\\a.txt"});
  commands.BitBtn3Click(tree);
  EXPECT_EQ(Panics().size(), 1u);
  EXPECT_EQ(ReadAll(archive), "old archive");
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"pack.LZH"});
  EXPECT_FALSE(Exists(listFile));
}

TEST_F(LhaWine, SaveDialogSpellsTheChosenPathSoItReachesThatItemNeverABestFitOne) {
  const std::wstring outW(out.begin(), out.end());  // the temporary folder's path is ASCII
  const std::wstring cafe = outW + L"\\caf\u00e9", hangul = outW + L"\\\ud55c.LZH";
  ASSERT_TRUE(CreateDirectoryW(cafe.c_str(), nullptr));
  MakeFolder(out + "\\cafe");  // what "café" becomes in a best-fit spelling
  {
    mv::win::ScopedFile old(
        CreateFileW(hangul.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    DWORD n = 0;
    ASSERT_TRUE(::WriteFile(old.Get(), "old", 3, &n, nullptr));
  }
  LhaSaveDialog dialog;
  answers.wideSaveNames = {cafe + L"\\x.lzh", hangul, outW + L"\\na\u00efve.lzh"};

  // A folder the code page cannot hold: by its short name, never the "cafe" beside it.
  const std::optional<std::string> inFolder = dialog.Execute(owner);
  ASSERT_TRUE(inFolder.has_value());
  EXPECT_EQ(inFolder->find('?'), std::string::npos) << *inFolder;
  WriteFile(*inFolder, "new");
  EXPECT_NE(GetFileAttributesW((cafe + L"\\x.lzh").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(Exists(out + "\\cafe\\x.lzh"));
  EXPECT_EQ(dialog.FileName(), *inFolder);

  // An existing file of such a name, its overwrite question answered Yes: by its short name.
  const std::optional<std::string> existing = dialog.Execute(owner);
  ASSERT_TRUE(existing.has_value());
  EXPECT_EQ(ReadAll(*existing), "old");
  EXPECT_EQ(WideTexts().size(), 1u);  // the overwrite question was asked

  // A new file the code page cannot spell: refused, its true name kept.
  EXPECT_FALSE(dialog.Execute(owner).has_value());
  EXPECT_EQ(dialog.Refused(), outW + L"\\na\u00efve.lzh");

  // Through the button: the application's error box under the true name, and nothing else (the
  // missing library would show its box if it were called).
  ArchiverLibrary library;
  Build({work + "\\a.txt"});
  LhaCommands commands(library, owner, errors, "Morvane");
  answers.wideSaveNames.push_back(outW + L"\\na\u00efve.lzh");
  commands.BitBtn3Click(tree);
  ASSERT_EQ(WideTexts().size(), 2u) << ::testing::PrintToString(watch.Lines());
  EXPECT_EQ(WideTexts()[1], L"ﾌｧｲﾙ " + outW + L"\\na\u00efve.lzh を作成できません.");
  EXPECT_EQ(watch.Lines()[1].rfind("Morvane|", 0), 0u) << watch.Lines()[1];
  EXPECT_TRUE(Panics().empty());
  EXPECT_FALSE(Exists(listFile));

  DeleteFileW((cafe + L"\\x.lzh").c_str());
  RemoveDirectoryW(cafe.c_str());
  DeleteFileW(hangul.c_str());
}

TEST_F(LhaWine, StandInLibraryGetsTheCommandTextAndListFile) {
  const std::string stub = ProgramFolder() + "stub";
  ASSERT_TRUE(Exists(stub + "\\UNLHA32.DLL"));
  ASSERT_TRUE(SetDllDirectoryA(stub.c_str()));
  ArchiverLibrary library;
  library.Load();
  SetDllDirectoryA(nullptr);
  ASSERT_TRUE(library.Loaded());
  EXPECT_FALSE(library.Table().IsSubstitute(kSlotUnlha));
  EXPECT_TRUE(library.Table().IsSubstitute(kSlotGetVersion));  // the stand-in has only Unlha
  const std::string record = stub + "\\unlha_call.txt";
  DeleteFileA(record.c_str());

  Build({work + "\\SUB", work + "\\a.txt"});
  LhaCommands commands(library, owner, errors, "Morvane");
  WriteFile(archive, "old archive");
  answers.saveNames = {archive, archive};
  commands.BitBtn3Click(tree);
  const std::string command = "a -r2x1a1 -gn1 \"" + archive + "\" \"" + work + "\\\" @" + listFile;
  // The root's files come before the nodes below it.
  EXPECT_EQ(ReadAll(record), command + "\n\"a.txt\"\r\n\"SUB\\表ソ.txt\"\r\n");
  EXPECT_TRUE(Panics().empty());
  EXPECT_EQ(ReadAll(archive), "stub archive");
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"pack.LZH"});  // nothing left aside
  EXPECT_FALSE(Exists(listFile));

  // The menu: rows read from a real list view; only the selected ones, by caption.
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300,
                              200, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
  LVCOLUMNA col = {};
  col.mask = LVCF_WIDTH;
  col.cx = 100;
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
  const char* captions[] = {"sub", "a.txt"};  // row 0 is the folder entry SUB
  for (int i = 0; i < 2; ++i) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<char*>(captions[i]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  LVITEMA state = {};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  std::vector<SelectedRow> rows = SelectedRowsOf(list);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].caption, "sub");
  errors.Append("kept until the dialog is confirmed");
  commands.Lha1Click(tree.FirstNode(), rows);
  EXPECT_EQ(ReadAll(record), command + "\n\"SUB\\表ソ.txt\"\r\n");
  EXPECT_TRUE(errors.Empty());
  EXPECT_EQ(SaveDialogs(), 2);
  EXPECT_TRUE(Panics().empty());
  EXPECT_FALSE(Exists(listFile));
}

}  // namespace
