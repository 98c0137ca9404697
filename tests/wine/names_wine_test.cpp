// Every kind of hostile file name (tests/data/names.txt) on real files: the wide directory search
// names each item by an address that reaches exactly that file, and the whole window lists,
// changes and copies a tree of them with every file arriving under its exact wide name and bytes.
#include <map>

#include "hostile_names.h"
#include "ops/copy/win32/copy_platform_win32.h"
#include "platform/win32/fs_win32.h"
#include "road_support.h"
#include "targets/entry.h"

using namespace mv;
using namespace mv::testing;

namespace {

bool MakeFileW(const std::wstring& path, const std::string& contents) {
  win::ScopedFile h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  DWORD written = 0;
  return ::WriteFile(h.Get(), contents.data(), static_cast<DWORD>(contents.size()), &written,
                     nullptr) &&
         written == contents.size();
}

std::string ReadW(const std::wstring& path) {
  win::ScopedFile h(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h) return "<missing>";
  std::string out;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h.Get(), buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
  return out;
}

// Every file below a folder by its wide relative path, with its bytes; folders end in '\'.
void ListW(const std::wstring& root, const std::wstring& rel,
           std::map<std::wstring, std::string>& out) {
  WIN32_FIND_DATAW fd;
  win::ScopedFind f(
      FindFirstFileW((root + (rel.empty() ? L"" : L"\\" + rel) + L"\\*").c_str(), &fd));
  if (!f) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring sub = rel.empty() ? name : rel + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[sub + L"\\"] = "";
      ListW(root, sub, out);
    } else {
      out[sub] = ReadW(root + L"\\" + sub);
    }
  } while (FindNextFileW(f.Get(), &fd));
}
std::map<std::wstring, std::string> TreeW(const std::string& root) {
  std::map<std::wstring, std::string> out;
  ListW(win::WideOf(root), L"", out);
  return out;
}

std::string Utf8(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}
std::string Show(const std::map<std::wstring, std::string>& tree) {
  std::string out;
  for (const auto& [name, bytes] : tree) out += Utf8(name) + "=" + bytes + "\n";
  return out;
}

// Posts a WM_DROPFILES with wide paths, as the shell hands them over.
void PostWideDrop(HWND wnd, const std::vector<std::wstring>& paths) {
  size_t bytes = sizeof(DROPFILES) + sizeof(wchar_t);
  for (const auto& p : paths) bytes += (p.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(df) + sizeof(DROPFILES));
  for (const auto& p : paths) {
    std::copy(p.begin(), p.end(), out);
    out += p.size() + 1;
  }
  GlobalUnlock(mem);
  PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(mem), 0);
}

class NamesWine : public RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    names = LoadHostileNames(MV_NAMES_FILE);
    ASSERT_GT(names.size(), 100u) << MV_NAMES_FILE;
  }

  // Names\ with every file of the list (its bytes: its own UTF-8 name) and every folder of the
  // list holding one file; returns what a copy of Names must hold (dot items are left out).
  std::map<std::wstring, std::string> MakeTree(const std::string& folder) {
    MakeFolder(folder);
    const std::wstring at = win::WideOf(folder);
    std::map<std::wstring, std::string> expected;
    for (const HostileName& n : names) {
      const std::wstring name = FromUtf8(n.utf8);
      if (n.Folder()) {
        EXPECT_TRUE(CreateDirectoryW((at + L"\\" + name).c_str(), nullptr)) << n.utf8;
        EXPECT_TRUE(MakeFileW(at + L"\\" + name + L"\\in " + name + L".txt", "in " + n.utf8))
            << n.utf8;
        expected[name + L"\\"] = "";
        expected[name + L"\\in " + name + L".txt"] = "in " + n.utf8;
      } else {
        EXPECT_TRUE(MakeFileW(at + L"\\" + name, n.utf8)) << n.utf8;
        if (n.utf8[0] != '.') expected[name] = n.utf8;
      }
    }
    return expected;
  }

  // Each row's true name with the size it shows.
  std::map<std::wstring, std::string> ShownRows() {
    HWND list = MainList(form->Handle());
    const std::vector<std::string> sizes = ListRows(form->Handle(), 1);
    std::map<std::wstring, std::string> shown;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
      wchar_t text[MAX_PATH] = {};
      LVITEMW item{};
      item.pszText = text;
      item.cchTextMax = MAX_PATH;
      SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
      shown[text] = std::to_string(std::stoll(sizes[static_cast<size_t>(i)]));
    }
    return shown;
  }

  std::vector<HostileName> names;
};

TEST_F(NamesWine, TheSearchNamesEveryItemByAnAddressThatReachesExactlyIt) {
  const std::string folder = base + "\\Names";
  MakeTree(folder);
  win::Win32FileSystem fs;
  std::map<std::wstring, std::string> seen;
  std::vector<std::wstring> shortNamed, exact;
  ASSERT_TRUE(fs.Search(folder + "\\*.*", [&](const FindItem& item) {
    if (item.name == "." || item.name == "..") return;
    const std::string path = folder + "\\" + item.name;
    SCOPED_TRACE(path);
    ASSERT_TRUE(NamesOneItem(path));  // every item here has a short name at worst
    // The code-page path reaches the very item: its wide name and its bytes.
    WIN32_FIND_DATAW fd;
    win::ScopedFind f(FindFirstFileW(win::WideOf(path).c_str(), &fd));
    ASSERT_TRUE(f);
    const std::wstring trueName = fd.cFileName;
    const bool isShort = win::WideOf(item.name) != trueName;
    (isShort ? shortNamed : exact).push_back(trueName);
    if (isShort) {
      EXPECT_EQ(win::WideOf(item.name), std::wstring(fd.cAlternateFileName));
    }
    if (item.attributes & kAttrDirectory) {
      seen[trueName + L"\\"] = "";
    } else {
      seen[trueName] = ReadAll(path);
      EXPECT_EQ(fs.Lookup(path)->size, item.size);
      EXPECT_NE(fs.GetAttributes(path), kAttrInvalid);
    }
  }));
  // Nothing seen twice, nothing missed: best-fit pairs stay two files.
  std::map<std::wstring, std::string> files;
  for (const HostileName& n : names)
    files[FromUtf8(n.utf8) + (n.Folder() ? L"\\" : L"")] = n.Folder() ? "" : n.utf8;
  EXPECT_EQ(Show(seen), Show(files));

  // Short names exactly where the code page cannot hold the name (it holds Cyrillic, not ά).
  for (const wchar_t* name : {L"naïve.txt", L"résumé.doc", L"Ærø.txt", L"简体中文.txt",
                              L"Ünïcödé.txt", L"ไทย.txt", L"😀smile.txt", L"한글", L"Ελληνικά.txt",
                              L"العربية.txt", L"〜wave.txt", L"−minus.txt", L"‖bars.txt"})
    EXPECT_NE(std::find(shortNamed.begin(), shortNamed.end(), name), shortNamed.end())
        << Utf8(name);
  for (const wchar_t* name :
       {L"ポスター.txt", L"榎榎.txt", L"噂噂.txt", L"閏閏.txt", L"～wave.txt", L"－minus.txt",
        L"∥bars.txt", L"Русский", L"naive.txt", L"PROGRA~1.TXT", L"brackets[1].txt"})
    EXPECT_NE(std::find(exact.begin(), exact.end(), name), exact.end()) << Utf8(name);
}

TEST_F(NamesWine, AnItemWithoutAShortNameIsMarkedAndAddressesNothing) {
  WIN32_FIND_DATAW fd{};
  wcscpy(fd.cFileName, L"caf\u00e9.txt");
  std::string name;
  EXPECT_EQ(win::AnsiNameOf(fd, name), win::AnsiName::None);
  EXPECT_EQ(name, "caf?.txt");
  wcscpy(fd.cFileName, L"\U0001F600smile.txt");
  EXPECT_EQ(win::AnsiNameOf(fd, name), win::AnsiName::None);
  EXPECT_EQ(name, "?smile.txt");  // a surrogate pair is one character
  wcscpy(fd.cAlternateFileName, L"_SMILE~1.TXT");
  EXPECT_EQ(win::AnsiNameOf(fd, name), win::AnsiName::Short);
  EXPECT_EQ(name, "_SMILE~1.TXT");
  wcscpy(fd.cFileName,
         L"\u30dd\u30b9\u30bf\u30fc.txt");  // ポスター: its second byte 0x7C is no '|'
  EXPECT_EQ(win::AnsiNameOf(fd, name), win::AnsiName::Exact);
  EXPECT_EQ(name, "ポスター.txt");

  // The platform refuses a marked path: it would match other files as a pattern.
  WriteFile(base + "\\cafe.txt", "the other file");
  win::Win32FileSystem fs;
  EXPECT_FALSE(fs.Lookup(base + "\\caf?.txt"));
  EXPECT_FALSE(fs.FindOne(base + "\\caf?.txt", kMaskAll));
  EXPECT_EQ(fs.GetAttributes(base + "\\caf?.txt"), kAttrInvalid);
  EXPECT_EQ(fs.SetAttributes(base + "\\caf?.txt", FILE_ATTRIBUTE_HIDDEN), kErrorInvalidName);
  EXPECT_FALSE(fs.OpenExclusive(base + "\\caf?.txt"));
  EXPECT_EQ(GetFileAttributesA((base + "\\cafe.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(NamesWine, WidePathsFromTheCommandLineOrADropComeInTheCodePage) {
  const std::string folder = base + "\\Names";
  MakeTree(folder);
  const std::wstring wide =
      win::WideOf(folder) + L"\\\ud55c\uae00\\in \ud55c\uae00.txt";  // 한글\in 한글.txt
  const std::string ansi = win::AnsiPathOf(wide);
  EXPECT_EQ(ansi.rfind(folder + "\\", 0), 0u) << ansi;
  EXPECT_TRUE(NamesOneItem(ansi)) << ansi;
  const std::string contents = Utf8(L"in \ud55c\uae00");
  EXPECT_EQ(ReadAll(ansi), contents);
  EXPECT_EQ(win::AnsiPathOf(win::WideOf(folder) + L"\\ポスター.txt"), folder + "\\ポスター.txt");
  // A name that is not there cannot be looked up: it stays marked.
  EXPECT_FALSE(NamesOneItem(win::AnsiPathOf(win::WideOf(folder) + L"\\gone \u00e9.txt")));
}

TEST_F(NamesWine, TheDestinationTakesTheSourcesLongName) {
  const std::string folder = base + "\\Names";
  MakeTree(folder);
  win::Win32FileSystem fs;
  std::string alias;
  fs.Search(folder + "\\*.*", [&](const FindItem& item) {
    WIN32_FIND_DATAW fd;
    win::ScopedFind f(FindFirstFileW(win::WideOf(folder + "\\" + item.name).c_str(), &fd));
    if (f && std::wstring(fd.cFileName) == L"r\u00e9sum\u00e9.doc") alias = item.name;
  });
  ASSERT_FALSE(alias.empty());
  const std::string out = tmp / "Out";
  EXPECT_EQ(win::TrueDestination(folder + "\\" + alias, out + "\\" + alias),
            win::WideOf(out) + L"\\r\u00e9sum\u00e9.doc");
  EXPECT_EQ(win::TrueDestination(folder + "\\resume.doc", out + "\\resume.doc"), std::nullopt);
  EXPECT_EQ(win::TrueDestination(folder + "\\PROGRA~1.TXT", out + "\\PROGRA~1.TXT"), std::nullopt);
  // Only the components mirrored from the source are renamed.
  EXPECT_EQ(win::TrueDestination(folder + "\\" + alias, out + "\\" + alias + "x"), std::nullopt);
}

TEST_F(NamesWine, ATreeOfEveryNameIsListedChangedAndCopiedWithNothingMissedOrConfused) {
  const std::string folder = base + "\\Names";
  const std::map<std::wstring, std::string> expected = MakeTree(folder);
  Start({folder});

  // Every item but the dot file is counted: the folders, their files, the files.
  EXPECT_EQ(PanelText(form->Handle(), 1),
            FormatTotal(static_cast<int64_t>(expected.size()) + 1) + "個");
  HTREEITEM node = FindNode(TreeView_GetRoot(MainTree(form->Handle())), "Names");
  ASSERT_TRUE(node);
  TreeView_SelectItem(MainTree(form->Handle()), node);
  PumpPending();

  // The tree shows each folder's true name too.
  std::vector<std::wstring> folders, wantFolders;
  for (HTREEITEM child = TreeView_GetChild(MainTree(form->Handle()), node); child;
       child = TreeView_GetNextSibling(MainTree(form->Handle()), child)) {
    wchar_t text[MAX_PATH] = {};
    TVITEMW tvi{};
    tvi.mask = TVIF_HANDLE | TVIF_TEXT;
    tvi.hItem = child;
    tvi.pszText = text;
    tvi.cchTextMax = MAX_PATH;
    SendMessageW(MainTree(form->Handle()), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
    folders.push_back(text);
  }
  for (const HostileName& n : names)
    if (n.Folder()) wantFolders.push_back(FromUtf8(n.utf8));
  std::sort(folders.begin(), folders.end());
  std::sort(wantFolders.begin(), wantFolders.end());
  EXPECT_EQ(folders, wantFolders);

  // The list shows each row's true name, with the size of that very file.
  std::map<std::wstring, std::string> rows;
  for (const auto& [name, bytes] : expected) {
    if (name.find(L'\\') == std::wstring::npos)
      rows[name] = std::to_string(bytes.size());
    else if (name.back() == L'\\' && name.find(L'\\') == name.size() - 1)
      rows[name.substr(0, name.size() - 1)] = "0";
  }
  EXPECT_EQ(Show(ShownRows()), Show(rows));

  // The attribute run reaches every file, each pair twice over, and writes no line.
  Choose(kIdHGroup, 1);
  TypeDate("20210304050608");
  Click(kIdBitBtn2);
  PumpPending();
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(ErrorLines());
  const std::wstring at = win::WideOf(folder);
  for (const auto& [name, bytes] : expected) {
    if (name.back() == L'\\') continue;
    SCOPED_TRACE(Utf8(name));
    WIN32_FILE_ATTRIBUTE_DATA d{};
    ASSERT_TRUE(GetFileAttributesExW((at + L"\\" + name).c_str(), GetFileExInfoStandard, &d));
    EXPECT_NE(d.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    FILETIME local;
    SYSTEMTIME st;
    FileTimeToLocalFileTime(&d.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &st);
    EXPECT_EQ(st.wYear * 10000 + st.wMonth * 100 + st.wDay, 20210304);
  }
  ClearDate();
  Choose(kIdHGroup, 0);

  // The button copies the whole tree: every file under its exact name with its bytes.
  const std::string out = tmp / "Out";
  MakeFolder(out);
  answers.chooserFolder = out;
  Click(kIdBitBtn1);
  PumpPending();
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(ErrorLines());
  std::map<std::wstring, std::string> want;
  for (const auto& [name, bytes] : expected) want[L"Names\\" + name] = bytes;
  want[L"Names\\"] = "";
  EXPECT_EQ(Show(TreeW(out)), Show(want));

  // The menu copies the selected rows, descending into the folders matched by their captions.
  const std::string out2 = tmp / "Out2";
  MakeFolder(out2);
  answers.chooserFolder = out2;
  ListView_SetItemState(MainList(form->Handle()), -1, LVIS_SELECTED, LVIS_SELECTED);
  PumpPending();
  Menu(kCmdCopy1);
  PumpPending();
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(ErrorLines());
  EXPECT_EQ(Show(TreeW(out2)), Show(expected));

  // A second copy with "コピーしない" finds each destination under its true name and keeps it.
  Choose(kIdRadioGroup1, 2);
  const std::wstring cafeLike = L"na\u00efve.txt";
  win::ScopedFile(CreateFileW((win::WideOf(out2) + L"\\" + cafeLike).c_str(), GENERIC_WRITE, 0,
                              nullptr, TRUNCATE_EXISTING, 0, nullptr));
  answers.chooserFolder = out2;
  Menu(kCmdCopy1);
  PumpPending();
  EXPECT_EQ(ReadW(win::WideOf(out2) + L"\\" + cafeLike), "");  // kept, not copied over
  EXPECT_EQ(ReadW(win::WideOf(out2) + L"\\naive.txt"), "naive.txt");
  EXPECT_TRUE(ErrorLines().empty()) << ::testing::PrintToString(ErrorLines());
  Close();
}

TEST_F(NamesWine, ADropOfSuchNamesReachesEachFileAndNoOther) {
  const std::string folder = base + "\\Names";
  MakeTree(folder);
  Start({folder + "\\naive.txt"});
  const std::wstring at = win::WideOf(folder);
  PostWideDrop(form->Handle(),
               {at + L"\\na\u00efve.txt", at + L"\\naive.txt", at + L"\\\ud55c\uae00"});
  ASSERT_TRUE(PumpUntil([&] { return PanelText(form->Handle(), 1) == "4個"; }));
  // Each row reaches its own file: the true name and the size of that very file.
  EXPECT_EQ(Show(ShownRows()),
            Show({{L"na\u00efve.txt", "10"}, {L"naive.txt", "9"}, {L"\ud55c\uae00", "0"}}));
  Close();
}

TEST_F(NamesWine, TheCommandLineIsReadWide) {
  const std::string folder = base + "\\Names";
  MakeTree(folder);
  const std::wstring at = win::WideOf(folder);
  const std::wstring line =
      L"\"Morvane.exe\" \"" + at + L"\\na\u00efve.txt\" " + at + L"\\naive.txt";
  const std::vector<std::string> args = ArgumentPaths(line.c_str());
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(ReadAll(args[0]), Utf8(L"na\u00efve.txt"));  // its short name, never "naive.txt"
  EXPECT_EQ(args[1], folder + "\\naive.txt");
  // A relative name is made absolute.
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(folder.c_str());
  EXPECT_EQ(ArgumentPaths(L"Morvane.exe \u30dd\u30b9\u30bf\u30fc.txt"),
            std::vector<std::string>{folder + "\\ポスター.txt"});
  SetCurrentDirectoryA(current);
}

}  // namespace
