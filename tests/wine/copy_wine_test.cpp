// Copy runs on real folders through the Win32 services, the progress dialog with its timer, the
// free-space box and the folder chooser, answered the way a user would.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ops/common/win32/busy_cursor.h"
#include "ops/copy/win32/Unit2.h"
#include "ops/copy/win32/copy_platform_win32.h"
#include "ops/copy/win32/folder_chooser.h"
#include "platform/text.h"
#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win32.h"
#include "targets/builder.h"
#include "wine_support.h"

using namespace mv;
using namespace mv::testing;

namespace {

std::string Contents(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string text(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
  CloseHandle(h);
  text.resize(got);
  return text;
}

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteFileW(const std::wstring& path, const std::string& contents, DWORD attributes = 0) {
  win::ScopedFile h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(h);
  DWORD put = 0;
  ::WriteFile(h.Get(), contents.data(), static_cast<DWORD>(contents.size()), &put, nullptr);
  h.Reset();
  if (attributes) SetFileAttributesW(path.c_str(), attributes);
}

std::string ContentsW(const std::wstring& path) {
  win::ScopedFile h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!h) return "<missing>";
  std::string text(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(h.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
  text.resize(got);
  return text;
}

// The true name of the item a code-page path reaches: what the wide search reports for it.
std::wstring TrueName(const std::string& path) {
  WIN32_FIND_DATAW fd;
  win::ScopedFind find(FindFirstFileW(win::WideOf(path).c_str(), &fd));
  return find ? std::wstring(fd.cFileName) : L"<missing>";
}

// Local time 2020-05-10 12:00:00 plus the given seconds, as a UTC file time.
void SetWriteTime(const std::string& path, int plusSeconds) {
  SYSTEMTIME st{2020, 5, 0, 10, 12, 0, 0, 0};
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  ULARGE_INTEGER t{{local.dwLowDateTime, local.dwHighDateTime}};
  t.QuadPart += static_cast<ULONGLONG>(plusSeconds) * 10000000ULL;
  local = {t.LowPart, t.HighPart};
  LocalFileTimeToFileTime(&local, &utc);
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  SetFileTime(h, nullptr, nullptr, &utc);
  CloseHandle(h);
}

// The main window stand-in: owns the dialog and the boxes.
class MainWindow {
 public:
  MainWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CopyTestMain";
    RegisterClassA(&wc);
    wnd_ = CreateWindowExA(0, "CopyTestMain", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640,
                           480, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~MainWindow() { DestroyWindow(wnd_); }
  HWND Get() const { return wnd_; }

 private:
  HWND wnd_;
};

// Answers a box no step expects, so a fault fails the test instead of hanging it.
bool Unexpected(const SeenBox& box) {
  ADD_FAILURE() << "unexpected box " << box.Line();
  Press(box, box.Has(IDOK) ? IDOK : IDCANCEL);
  return true;
}

class CopyWine : public ::testing::Test {
 protected:
  void SetUp() override {
    win::InstallPlatformText();
    form2 = std::make_unique<TForm2>(main.Get(), [this] { engine->Cancel(); });
    ASSERT_TRUE(form2->Create(GetModuleHandleA(nullptr)));
    platform = std::make_unique<win::Win32CopyPlatform>(main.Get(), fs);
    platform->SetChooser([this]() -> std::optional<std::string> { return chosen; });
    MakeEngine();
    work = tmp / "Work";
    MakeFolder(work);
    out = tmp / "Out";
    MakeFolder(out);
  }

  // The dialog's timer going off, as its WM_TIMER: a run that has lasted a second.
  void SecondIsUp() { SendMessageA(form2->Handle(), WM_TIMER, kIdForm2Timer1, 0); }

  void MakeEngine() {
    CopyHooks hooks;
    hooks.choices = [this] { return choices; };
    hooks.changeFileAttr = [this](const std::string& path, FileSystem& at) {
      changed.push_back(path);
      if (onChange) onChange(path, at);
      if (IsWindowVisible(form2->Handle())) shownDuringRun = true;
      if (perFile) perFile();
    };
    hooks.clearErrors = [this] { errors.clear(); };
    hooks.appendError = [this](const std::string& line) { errors.push_back(line); };
    hooks.errorCount = [this] { return errors.size(); };
    hooks.showErrors = [this] { ++errorWindowShown; };
    engine = std::make_unique<CopyEngine>(*platform, *form2, std::move(hooks));
  }

  void Build(const std::vector<std::string>& targets) {
    TreeBuilder builder(fs, tree);
    ASSERT_TRUE(builder.Build(targets, false));
  }

  std::string Out(const std::string& rest) const { return UpperCase(out) + rest; }

  HWND Ctl(int id) const { return form2->Control(id); }

  MainWindow main;
  TempFolder tmp;
  win::Win32FileSystem fs;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<win::Win32CopyPlatform> platform;
  std::unique_ptr<CopyEngine> engine;
  TargetTree tree;
  std::optional<std::string> chosen;
  CopyChoices choices;
  std::vector<std::string> changed, errors;
  int errorWindowShown = 0;
  bool shownDuringRun = false;
  std::function<void()> perFile;
  std::function<void(const std::string&, FileSystem&)> onChange;  // on the file system it is given
  std::string work, out;
  BoxWatcher watch{&Unexpected};
};

TEST_F(CopyWine, ProgressDialogLayout) {
  HWND w = form2->Handle();
  EXPECT_EQ(WindowText(w), "コピーしています．．．");
  EXPECT_FALSE(IsWindowVisible(w));
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 425);
  EXPECT_EQ(client.bottom, 120);
  RECT frame;
  GetWindowRect(w, &frame);
  EXPECT_EQ(frame.left, 373);
  EXPECT_EQ(frame.top, 141);
  const LONG style = GetWindowLongA(w, GWL_STYLE);
  EXPECT_FALSE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);

  auto place = [&](int id) {
    RECT r;
    GetWindowRect(Ctl(id), &r);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
    return std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  EXPECT_EQ(place(kIdForm2Animate), (std::vector<LONG>{24, 0, 272, 60}));
  EXPECT_EQ(place(kIdForm2Button1), (std::vector<LONG>{355, 94, 64, 21}));
  EXPECT_EQ(place(kIdForm2Progress), (std::vector<LONG>{8, 96, 337, 17}));
  EXPECT_EQ(place(kIdForm2Label1)[0], 7);
  EXPECT_EQ(place(kIdForm2Label2)[1], 77);
  EXPECT_EQ(place(kIdForm2From)[0], 44);
  EXPECT_EQ(place(kIdForm2To)[1], 77);
  EXPECT_EQ(WindowText(Ctl(kIdForm2Button1)), "Cancel");
  EXPECT_EQ(GetWindowLongA(Ctl(kIdForm2Button1), GWL_STYLE) & 0xF,
            BS_PUSHBUTTON);  // not the default
  EXPECT_EQ(WindowText(Ctl(kIdForm2Label2)), "To  :");
  EXPECT_EQ(WindowText(Ctl(kIdForm2From)), "fromEdit");
  EXPECT_EQ(SendMessageA(Ctl(kIdForm2Progress), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(form2->Animate1()->AviResId(), 161);
  EXPECT_EQ(GetWindowLongA(Ctl(kIdForm2Animate), GWL_STYLE) & 7, 6);
}

TEST_F(CopyWine, TimerShowsTheDialogOnceAfterASecond) {
  SecondIsUp();  // no run: nothing to show
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
  form2->StartTimer();
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
  SecondIsUp();
  EXPECT_TRUE(IsWindowVisible(form2->Handle()));
  form2->Hide();
  SecondIsUp();  // one shot
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
  // A window-manager close stops the run as Cancel does.
  bool cancelled = false;
  TForm2 other(main.Get(), [&] { cancelled = true; });
  ASSERT_TRUE(other.Create(GetModuleHandleA(nullptr)));
  other.Show();
  SendMessageA(other.Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(cancelled);
  EXPECT_FALSE(IsWindowVisible(other.Handle()));
  EXPECT_TRUE(IsWindow(other.Handle()));  // hidden, not destroyed
}

// Hidden, the labels wait for the dialog to show or hide; shown, a run of small files updates them
// ten times a second while a big file shows at once. A label never shrinks below its text.
TEST_F(CopyWine, LabelsFollowTheFileInHandAtTheScreensPace) {
  const auto from = [&] { return WindowText(Ctl(kIdForm2From)); };
  const auto width = [&](int id) {
    RECT r;
    GetWindowRect(Ctl(id), &r);
    return r.right - r.left;
  };
  DWORD now = 5000;
  form2->SetClock([&] { return now; });
  form2->SetPaths("C:\\hidden\\a.txt", "D:\\a.txt", 10);
  EXPECT_EQ(from(), "fromEdit");
  form2->Show();
  EXPECT_EQ(from(), "C:\\hidden\\a.txt");
  EXPECT_EQ(WindowText(Ctl(kIdForm2To)), "D:\\a.txt");
  form2->SetPaths("C:\\big\\c.bin", "D:\\c.bin", 1 << 20);
  EXPECT_EQ(from(), "C:\\big\\c.bin");
  form2->SetPaths("C:\\small\\b.txt", "D:\\b.txt", 10);  // right after: waits
  EXPECT_EQ(from(), "C:\\big\\c.bin");
  const std::string longPath = "C:\\" + std::string(120, 'x') + "\\d.txt";
  form2->SetPaths(longPath, "D:\\d.txt", -1);
  EXPECT_EQ(from(), longPath);
  const LONG wide = width(kIdForm2From);
  EXPECT_GT(wide, 300);
  form2->SetPaths("C:\\x.txt", "D:\\x.txt", 10);  // within a tenth of a second: waits
  now += 99;
  form2->SetPaths("C:\\y.txt", "D:\\y.txt", 10);
  EXPECT_EQ(from(), longPath);
  now += 1;
  form2->SetPaths("C:\\e.txt", "D:\\e.txt", 10);  // a tenth since the last: at once
  EXPECT_EQ(from(), "C:\\e.txt");
  EXPECT_EQ(width(kIdForm2From), wide);
  form2->SetPaths("C:\\f.txt", "D:\\f.txt", 10);
  form2->Hide();  // what the run ended with stays on the labels
  EXPECT_EQ(from(), "C:\\f.txt");
  EXPECT_EQ(WindowText(Ctl(kIdForm2To)), "D:\\f.txt");
}

TEST_F(CopyWine, DialogGoneWithItsOwnerIsLetGoSafely) {
  auto owner = std::make_unique<MainWindow>();
  auto dialog = std::make_unique<TForm2>(owner->Get(), nullptr);
  ASSERT_TRUE(dialog->Create(GetModuleHandleA(nullptr)));
  dialog->StartTimer();
  owner.reset();  // destroys the owned dialog with it
  EXPECT_EQ(dialog->Handle(), nullptr);
  dialog->SetPaths("a", "b");  // nothing left to write to
  dialog->Button1Click();      // no cancel callback given
  dialog.reset();
}

TEST_F(CopyWine, WholeTreeIsMirroredAndAFastRunShowsNoDialog) {
  WriteFile(work + "\\a.txt", "aaa");
  MakeFolder(work + "\\Sub");
  WriteFile(work + "\\Sub\\表ソ.txt", "bbbbb", FILE_ATTRIBUTE_HIDDEN);
  MakeFolder(work + "\\Sub\\Deep");
  WriteFile(work + "\\Sub\\Deep\\c.txt", std::string(17, 'c'));
  MakeFolder(work + "\\Empty");
  Build({work + "\\a.txt", work + "\\Sub", work + "\\Empty"});
  chosen = out + "\\";  // the trailing backslash goes
  bool busy = true;
  perFile = [&] { busy = busy && win::BusyCursorShown(); };
  engine->BitBtn1Click(tree);
  EXPECT_TRUE(busy);

  EXPECT_EQ(Contents(out + "\\a.txt"), "aaa");
  EXPECT_EQ(Contents(out + "\\Sub\\表ソ.txt"), "bbbbb");
  EXPECT_TRUE(GetFileAttributesA((out + "\\Sub\\表ソ.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Contents(out + "\\Sub\\Deep\\c.txt"), std::string(17, 'c'));
  EXPECT_TRUE(IsFolder(out + "\\Empty"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(errorWindowShown, 0);
  EXPECT_EQ(changed, (std::vector<std::string>{Out("\\a.txt"), Out("\\Sub\\表ソ.txt"),
                                               Out("\\Sub\\Deep\\c.txt")}));
  EXPECT_FALSE(shownDuringRun);
  SecondIsUp();  // the timer stopped with the run
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
  EXPECT_FALSE(win::BusyCursorShown());
  // 25 bytes: too few for a step of the bar.
  EXPECT_EQ(SendMessageA(Ctl(kIdForm2Progress), PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(WindowText(Ctl(kIdForm2From)), work + "\\Sub\\Deep\\c.txt");
  EXPECT_EQ(WindowText(Ctl(kIdForm2To)), Out("\\Sub\\Deep\\c.txt"));
  RECT r;
  GetWindowRect(Ctl(kIdForm2To), &r);
  EXPECT_GT(r.right - r.left, 100);  // the label grew with its text
}

TEST_F(CopyWine, ForeignTargetsLandByTheirOwnName) {
  WriteFile(work + "\\a.txt", std::string(150, 'a'));
  const std::string other = tmp / "Other";
  MakeFolder(other);
  MakeFolder(other + "\\Far");
  WriteFile(other + "\\Far\\f.txt", std::string(150, 'f'));
  Build({work + "\\a.txt", other + "\\Far"});
  chosen = out;
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(out + "\\a.txt"), std::string(150, 'a'));
  EXPECT_EQ(Contents(out + "\\Far\\f.txt"), std::string(150, 'f'));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(SendMessageA(Ctl(kIdForm2Progress), PBM_GETPOS, 0, 0), 100);
}

TEST_F(CopyWine, ExistingDestinationsFollowThePolicy) {
  const std::string src = work + "\\f.txt", dst = out + "\\f.txt";
  WriteFile(src, "new");
  Build({src});
  chosen = out;
  auto prepare = [&](int sourceSeconds, int destinationSeconds) {
    WriteFile(dst, "old");
    SetWriteTime(src, sourceSeconds);
    SetWriteTime(dst, destinationSeconds);
    changed.clear();
  };

  choices = {ExistingPolicy::OverwriteAll, true};
  prepare(0, 100);  // even an older source replaces it
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(dst), "new");

  choices.policy = ExistingPolicy::NewerOnly;
  prepare(10, 0);
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(dst), "new");
  prepare(0, 10);
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(dst), "old");
  // One second apart packs to the same two-second step: equal, so not copied.
  prepare(1, 0);
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(dst), "old");
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(changed, std::vector<std::string>{Out("\\f.txt")});  // still applied to the destination

  choices.policy = ExistingPolicy::Never;
  prepare(100, 0);
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(dst), "old");
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(changed, std::vector<std::string>{Out("\\f.txt")});
}

TEST_F(CopyWine, RefusedDestinationIsLoggedAndKept) {
  const std::string src = work + "\\f.txt", dst = out + "\\f.txt";
  WriteFile(src, "new");
  Build({src});
  chosen = out;
  choices = {ExistingPolicy::OverwriteAll, true};

  // A read-only destination with the reset: replaced.
  WriteFile(dst, "old", FILE_ATTRIBUTE_READONLY);
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(dst), "new");
  EXPECT_TRUE(errors.empty());

  // Wine run as root writes read-only files regardless, so the refusal comes from a destination
  // another handle holds open without sharing.
  WriteFile(dst, "old");
  HANDLE held = CreateFileA(dst.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  choices.resetAttributes = false;
  engine->BitBtn1Click(tree);
  EXPECT_EQ(errors, std::vector<std::string>{"Not Copy FileName = " + Out("\\f.txt")});
  EXPECT_EQ(errorWindowShown, 1);
  EXPECT_EQ(changed.back(), Out("\\f.txt"));  // applied after a failed copy too

  // A refusal by the policy itself logs nothing.
  choices.policy = ExistingPolicy::Never;
  engine->BitBtn1Click(tree);
  EXPECT_TRUE(errors.empty());
  CloseHandle(held);
  EXPECT_EQ(Contents(dst), "old");
}

TEST_F(CopyWine, SelectionCopiesSelectedRowsAndEmptyFolders) {
  MakeTree(work, {"a.txt=aaa", "Sub", "Sub\\b.txt=bbbbb", "Sub\\Deep", "Sub\\Deep\\c.txt=ccccccc",
                  "Empty", "z.txt=zz"});
  Build({work + "\\Sub", work + "\\Empty", work + "\\a.txt", work + "\\z.txt"});
  Node* root = tree.FirstNode();
  ASSERT_EQ(root->entries.size(), 4u);  // Sub, Empty, a.txt, z.txt
  chosen = out;
  engine->copy1Click(root, {{true, "Sub"}, {true, "Empty"}, {false, "a.txt"}, {true, "z.txt"}});
  EXPECT_EQ(engine->ByteTotal(), 5 + 7 + 2);
  EXPECT_EQ(Contents(out + "\\Sub\\b.txt"), "bbbbb");
  EXPECT_EQ(Contents(out + "\\Sub\\Deep\\c.txt"), "ccccccc");
  EXPECT_TRUE(IsFolder(out + "\\Empty"));
  EXPECT_EQ(Contents(out + "\\a.txt"), "<missing>");
  EXPECT_EQ(Contents(out + "\\z.txt"), "zz");
  EXPECT_TRUE(errors.empty());

  // A selection inside a folder mirrors from that folder.
  const std::string out2 = tmp / "Out2";
  chosen = out2;
  Node* sub = root->Child(0);
  ASSERT_EQ(sub->entries.size(), 2u);  // Deep, b.txt
  // A file into a folder nobody made is refused and logged; the volume is not taken for full.
  EXPECT_TRUE(platform->FreeBytes(UpperCase(out2) + "\\"));
  engine->copy1Click(sub, {{false, "Deep"}, {true, "b.txt"}});
  EXPECT_FALSE(IsFolder(out2));
  EXPECT_EQ(errors, std::vector<std::string>{"Not Copy FileName = " + UpperCase(out2) + "\\b.txt"});
  // A folder entry makes its missing parents too.
  engine->copy1Click(sub, {{true, "Deep"}, {false, "b.txt"}});
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Contents(out2 + "\\Deep\\c.txt"), "ccccccc");
  EXPECT_EQ(Contents(out2 + "\\b.txt"), "<missing>");
}

// Real searches and free-space queries, but copies and folders only noted: a drive root of this
// machine is no place for a test to write (drives mapped at run time do not work under Wine).
class NotingPlatform : public win::Win32CopyPlatform {
 public:
  using Win32CopyPlatform::Win32CopyPlatform;
  bool DuplicateFile(const std::string& from, const std::string& to, bool failIfExists) override {
    noted.push_back(from + ">" + to + (failIfExists ? " keep" : ""));
    return true;
  }
  bool CreateFolders(const std::string& path) override {
    noted.push_back("mkdir " + path);
    return true;
  }
  std::optional<int64_t> FreeBytes(const std::string& folder) override {
    asked.push_back(folder);
    return Win32CopyPlatform::FreeBytes(folder);
  }
  std::vector<std::string> noted, asked;
};

TEST_F(CopyWine, TheDestinationIsSpelledAsOnDisk) {
  win::Win32CopyPlatform plain(main.Get(), fs);
  MakeFolder(out + "\\Mixed Case");
  MakeFolder(out + "\\Mixed Case\\表ソ");
  const std::string deep = out + "\\Mixed Case\\表ソ";
  EXPECT_EQ(plain.SpelledOnDisk(UpperCase(deep)), deep);
  EXPECT_EQ(plain.SpelledOnDisk(UpperCase(deep) + "\\NOT YET\\THERE"), deep + "\\NOT YET\\THERE");
  EXPECT_EQ(plain.SpelledOnDisk(UpperCase(out) + "\\*"), UpperCase(out) + "\\*");
  EXPECT_EQ(plain.SpelledOnDisk("C:"), "C:");
  EXPECT_EQ(plain.SpelledOnDisk("C:\\"), "C:\\");

  // A run into the upper-cased folder writes where it did before, under the same names.
  WriteFile(work + "\\a.txt", "aaa");
  Build({work + "\\a.txt"});
  chosen = deep;
  engine->BitBtn1Click(tree);
  EXPECT_EQ(Contents(deep + "\\a.txt"), "aaa");
  EXPECT_EQ(WindowText(Ctl(kIdForm2To)), UpperCase(deep) + "\\a.txt");
}

TEST_F(CopyWine, DriveRootDestination) {
  NotingPlatform noting(main.Get(), fs);
  noting.SetChooser([]() -> std::optional<std::string> { return "c:\\"; });
  CopyEngine rooted(noting, *form2, {});
  const std::string name = "mvtest" + std::to_string(GetCurrentProcessId()) + ".txt";
  WriteFile(work + "\\" + name, "aaa");
  MakeFolder(work + "\\Sub");
  WriteFile(work + "\\Sub\\b.txt", "bb");
  Build({work + "\\" + name, work + "\\Sub"});
  rooted.BitBtn1Click(tree);
  // Nothing was there to be replaced: each copy may only make a new file.
  EXPECT_EQ(noting.noted, (std::vector<std::string>{"mkdir C:\\Sub",
                                                    work + "\\" + name + ">C:\\" + name + " keep",
                                                    work + "\\Sub\\b.txt>C:\\Sub\\b.txt keep"}));
  EXPECT_EQ(noting.asked, (std::vector<std::string>{"C:\\"}));  // once: there is room
  EXPECT_TRUE(rooted.ContinueCopy());                           // the root's free space was found
}

// At the destination the source's short name belongs to another file (on Windows the ~N name of
// résumé.doc, for résumé2.doc's; here a file named so): the copy is checked, reset and changed
// under its true name, and that file is left as it was.
TEST_F(CopyWine, TheCopyIsReachedUnderItsTrueNameNeverByTheSourcesShortName) {
  const std::wstring source = win::WideOf(work) + L"\\r\u00e9sum\u00e92.doc";
  WriteFileW(source, "new");
  const std::string alias = win::AnsiPathOf(source);
  ASSERT_TRUE(NamesOneItem(alias));
  const std::string shortName = alias.substr(work.size() + 1);
  WriteFile(out + "\\" + shortName, "other", FILE_ATTRIBUTE_HIDDEN);
  const std::wstring copy = win::WideOf(out) + L"\\r\u00e9sum\u00e92.doc";
  Build({alias});
  chosen = out;
  choices.resetAttributes = true;
  onChange = [](const std::string& path, FileSystem& at) {
    at.SetAttributes(path, FILE_ATTRIBUTE_READONLY);
  };
  for (ExistingPolicy policy :
       {ExistingPolicy::OverwriteAll, ExistingPolicy::Never, ExistingPolicy::OverwriteAll}) {
    SCOPED_TRACE(static_cast<int>(policy));
    choices.policy = policy;
    engine->BitBtn1Click(tree);
    EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
    EXPECT_EQ(ContentsW(copy), "new");
    EXPECT_EQ(GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY,
              DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(Contents(out + "\\" + shortName), "other");
    EXPECT_EQ(GetFileAttributesA((out + "\\" + shortName).c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              DWORD{FILE_ATTRIBUTE_HIDDEN});
  }
}

// A destination of 80 + 60 kanji is over 259 bytes but about 190 characters: the system takes
// it, and so does the copy.
TEST_F(CopyWine, ADestinationLongInBytesButNotInCharactersIsCopied) {
  std::string folder, file;
  for (int i = 0; i < 80; ++i) folder += "漢";
  for (int i = 0; i < 60; ++i) file += "字";
  file += ".txt";
  const std::wstring into = win::WideOf(out + "\\" + folder);
  ASSERT_TRUE(CreateDirectoryW(into.c_str(), nullptr));
  WriteFile(work + "\\" + file, "kanji");
  Build({work + "\\" + file});
  chosen = out + "\\" + folder;
  ASSERT_GT(chosen->size() + 1 + file.size(), 259u);
  engine->BitBtn1Click(tree);
  EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
  EXPECT_EQ(ContentsW(into + L"\\" + win::WideOf(file)), "kanji");
}

// "コピー" into "café" typed in the chooser while "cafe" stands beside it: the run writes into
// café, reached by its short name, and cafe stays empty.
TEST_F(CopyWine, AFolderTypedInTheChooserIsTheOneCopiedIntoNeverItsBestFitTwin) {
  const std::wstring plain = win::WideOf(out) + L"\\cafe",
                     accented = win::WideOf(out) + L"\\caf\u00e9";
  ASSERT_TRUE(CreateDirectoryW(plain.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(accented.c_str(), nullptr));
  WriteFile(work + "\\a.txt", "aaa");
  Build({work + "\\a.txt"});
  platform->SetChooser([this] { return win::ChooseFolderDialog(main.Get(), out); });
  watch.handler = [](const SeenBox& box) {
    if (box.kind != SeenBox::kChooser) return Unexpected(box);
    TypeName(box, std::wstring(L"caf\u00e9"));
    Press(box, IDOK);
    return true;
  };
  engine->BitBtn1Click(tree);
  EXPECT_EQ(ContentsW(accented + L"\\a.txt"), "aaa");
  EXPECT_EQ(ContentsW(plain + L"\\a.txt"), "<missing>");
  EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
}

// A volume nearly full when the run starts: room for the first file only.
class FillingPlatform : public win::Win32CopyPlatform {
 public:
  using Win32CopyPlatform::Win32CopyPlatform;
  std::optional<int64_t> FreeBytes(const std::string& folder) override {
    folders.push_back(folder);
    // Room for a.txt alone, then none: the volume is nearly full when the run starts.
    Win32CopyPlatform::FreeBytes(folder);
    return std::optional<int64_t>(folders.size() == 1 ? 4 : 0);
  }
  std::vector<std::string> folders;
};

TEST_F(CopyWine, FullVolumeStopsTheRunWithTheAbortBox) {
  FillingPlatform filling(main.Get(), fs);
  filling.SetChooser([this]() -> std::optional<std::string> { return out; });
  platform.reset();
  CopyHooks hooks;
  hooks.appendError = [this](const std::string& line) { errors.push_back(line); };
  engine = std::make_unique<CopyEngine>(filling, *form2, std::move(hooks));
  WriteFile(work + "\\a.txt", "aaa");
  WriteFile(work + "\\b.txt", "");  // 0 bytes on 0 free: not less, so no room
  WriteFile(work + "\\c.txt", "c");
  Build({work + "\\a.txt", work + "\\b.txt", work + "\\c.txt"});

  std::string caption, message, button;
  watch.handler = [&](const SeenBox& box) {
    caption = box.caption;
    message = box.text;
    button = WindowText(GetDlgItem(box.wnd, IDOK));
    Press(box, IDOK);
    return true;
  };
  engine->BitBtn1Click(tree);
  EXPECT_EQ(caption, "ｴﾗｰ");
  EXPECT_EQ(message, UpperCase(out).substr(0, 1) + " ドライブの空きがありません！！");
  EXPECT_EQ(button, "中止(&A)");
  EXPECT_EQ(filling.folders.size(), 2u);
  EXPECT_EQ(filling.folders[0], out + "\\");  // as the disk spells it
  EXPECT_EQ(Contents(out + "\\a.txt"), "aaa");
  EXPECT_EQ(Contents(out + "\\b.txt"), "<missing>");
  EXPECT_EQ(Contents(out + "\\c.txt"), "<missing>");
  EXPECT_FALSE(engine->ContinueCopy());
  SecondIsUp();  // the timer stopped with the run
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
  engine.reset();
}

// A destination whose volume cannot be asked (a share that is not there, a file) is told as a
// full drive before anything is written.
TEST_F(CopyWine, ADestinationWhoseVolumeCannotBeAskedStopsTheRunUnwritten) {
  WriteFile(work + "\\a.txt", "alpha");
  Build({work + "\\a.txt"});
  const std::string plain = tmp / "plain.txt";
  WriteFile(plain, "keep me");
  watch.handler = PressFirst({IDOK});
  for (const std::string& at : {std::string("\\\\NOSUCH\\share\\dir"), plain}) {
    chosen = at;
    engine->BitBtn1Click(tree);
  }
  ASSERT_EQ(watch.Lines().size(), 2u);
  for (const std::string& line : watch.Lines())
    EXPECT_NE(line.find("ドライブの空きがありません！！"), std::string::npos) << line;
  EXPECT_TRUE(changed.empty());
  EXPECT_EQ(Contents(plain), "keep me");
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
}

TEST_F(CopyWine, CancelDuringALongRunKeepsWhatWasCopied) {
  std::vector<std::string> targets;
  for (int i = 0; i < 40; ++i) {
    const std::string name = work + "\\f" + std::to_string(i) + ".txt";
    WriteFile(name, std::string(100 + i, 'x'));
    targets.push_back(name);
  }
  Build(targets);
  chosen = out;
  // After the fifth file the second is up and the user presses Cancel on the dialog it shows.
  bool shownAtCancel = false;
  perFile = [&] {
    if (changed.size() != 5) return;
    SecondIsUp();
    shownAtCancel = IsWindowVisible(form2->Handle()) != FALSE;
    SendMessageA(Ctl(kIdForm2Button1), BM_CLICK, 0, 0);
  };
  engine->BitBtn1Click(tree);
  EXPECT_TRUE(shownAtCancel);
  EXPECT_FALSE(IsWindowVisible(form2->Handle()));
  EXPECT_FALSE(engine->ContinueCopy());
  const size_t done = changed.size();
  EXPECT_EQ(done, 5u);  // the run stops before the next file
  for (size_t i = 0; i < targets.size(); ++i) {
    const std::string copy = out + "\\f" + std::to_string(i) + ".txt";
    EXPECT_EQ(Contents(copy), i < done ? std::string(100 + i, 'x') : "<missing>") << i;
  }
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(errorWindowShown, 0);

  // The next run starts afresh and finishes.
  perFile = nullptr;
  shownDuringRun = false;
  engine->BitBtn1Click(tree);
  EXPECT_TRUE(engine->ContinueCopy());
  EXPECT_FALSE(shownDuringRun);
  EXPECT_EQ(Contents(out + "\\f39.txt"), std::string(139, 'x'));
}

class ChooserWine : public ::testing::Test {
 protected:
  void SetUp() override {
    win::InstallPlatformText();
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(tmp.Path().c_str()));
    MakeFolder(tmp / "Sub");
    MakeFolder(tmp / "Sub\\Deep");
  }
  void TearDown() override { SetCurrentDirectoryA(saved); }

  static void DoubleClick(HWND list, int index) {
    SendMessageA(list, LB_SETCURSEL, index, 0);
    RECT r;
    SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 2, r.top + 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
  }
  static std::string Item(HWND list, int index) {
    char text[MAX_PATH] = {};
    SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
  }

  MainWindow main;
  TempFolder tmp;
  char saved[MAX_PATH] = {};
  BoxWatcher watch{&Unexpected};
};

TEST_F(ChooserWine, TypedNewFolderIsCreatedWithItsParentsOnlyAfterYes) {
  const std::string wanted = tmp / "New\\表ソ\\Deep";
  int step = 0;
  std::string opening, question;
  bool openAfterNo = false;
  watch.handler = [&](const SeenBox& box) {
    if (box.kind == SeenBox::kChooser) {
      if (!IsWindowEnabled(box.wnd)) return false;  // its question is up
      if (step == 0) {
        opening = WindowText(GetDlgItem(box.wnd, win::kIdChooserName));
        TypeName(box, std::string("New\\表ソ\\Deep"));
        Press(box, IDOK);
        step = 1;
      } else if (step == 2) {
        // After No the chooser is still there and nothing was made.
        openAfterNo = !IsFolder(tmp / "New");
        Press(box, IDOK);
        step = 3;
      }
      return false;  // it stays until its question is answered Yes
    }
    if (box.caption != "確認" || (step != 1 && step != 3)) return Unexpected(box);
    question = box.text;
    Press(box, step == 1 ? IDNO : IDYES);
    ++step;
    return true;
  };
  std::optional<std::string> result = win::ChooseFolderDialog(main.Get());
  EXPECT_EQ(opening, tmp.Path());  // the process's current folder
  EXPECT_EQ(question, win::kChooserAskCreate);
  EXPECT_TRUE(openAfterNo);
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, wanted);
  EXPECT_TRUE(IsFolder(wanted));
}

TEST_F(ChooserWine, ListEntersFoldersAndGoesUp) {
  std::vector<std::string> seen;
  watch.handler = [&](const SeenBox& box) {
    if (box.kind != SeenBox::kChooser) return Unexpected(box);
    HWND list = GetDlgItem(box.wnd, win::kIdChooserFolders);
    HWND name = GetDlgItem(box.wnd, win::kIdChooserName);
    seen.push_back(Item(list, 0));  // ".."
    seen.push_back(Item(list, 1));  // "Sub"
    DoubleClick(list, 1);
    seen.push_back(WindowText(name));
    seen.push_back(Item(list, 1));  // "Deep"
    DoubleClick(list, 0);           // up again
    seen.push_back(WindowText(name));
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    SendMessageA(box.wnd, WM_COMMAND, MAKEWPARAM(win::kIdChooserFolders, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    seen.push_back(WindowText(name));
    Press(box, IDOK);
    return true;
  };
  std::optional<std::string> result = win::ChooseFolderDialog(main.Get());
  EXPECT_EQ(seen,
            (std::vector<std::string>{"..", "Sub", tmp / "Sub", "Deep", tmp.Path(), tmp / "Sub"}));
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, tmp / "Sub");

  // Cancel gives nothing; a typed drive comes back as its root.
  watch.handler = PressFirst({IDCANCEL});
  EXPECT_FALSE(win::ChooseFolderDialog(main.Get()));
  TypedAnswers typed;
  typed.chooserFolder = " c: ";
  watch.handler = std::ref(typed);
  result = win::ChooseFolderDialog(main.Get());
  ASSERT_TRUE(result);
  EXPECT_TRUE(*result == "C:\\" || *result == "c:\\") << *result;
}

// The list shows true names; a folder the code page cannot hold, picked or typed new, comes
// back by its short name; where there is none (a volume without 8.3 names, modelled by the
// namer) the chooser says so in a box and stays open.
TEST_F(ChooserWine, NamesTheCodePageCannotHoldComeBackByTheirShortNameOrAreRefused) {
  const std::wstring here = win::WideOf(tmp.Path());
  ASSERT_TRUE(CreateDirectoryW((here + L"\\cafe").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((here + L"\\caf\u00e9").c_str(), nullptr));
  bool listed = false;
  watch.handler = [&](const SeenBox& box) {
    if (box.kind != SeenBox::kChooser) return Unexpected(box);
    HWND dlg = box.wnd;
    HWND list = GetDlgItem(dlg, win::kIdChooserFolders);
    const LRESULT i = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(L"caf\u00e9"));
    listed = i != LB_ERR;
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(win::kIdChooserFolders, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    Press(box, IDOK);
    return true;
  };
  std::optional<std::string> result = win::ChooseFolderDialog(main.Get());
  EXPECT_TRUE(listed);
  ASSERT_TRUE(result);
  EXPECT_TRUE(NamesOneItem(*result)) << *result;
  EXPECT_EQ(TrueName(*result), L"caf\u00e9");

  // Typed new, below a new folder: both made under their true names.
  TypedAnswers typed;
  watch.handler = [&](const SeenBox& box) {
    if (box.kind == SeenBox::kChooser) {
      if (!IsWindowEnabled(box.wnd)) return false;  // its question is up
      TypeName(box, std::wstring(L"na\u00efve\\\ud55c\uae00"));
      Press(box, IDOK);
      return true;
    }
    return box.caption == "確認" ? typed(box) : Unexpected(box);
  };
  result = win::ChooseFolderDialog(main.Get());
  ASSERT_TRUE(result);
  EXPECT_EQ(TrueName(*result), L"\ud55c\uae00");
  EXPECT_EQ(TrueName(PathParent(*result)), L"na\u00efve");
  EXPECT_FALSE(IsFolder(tmp / "naive"));

  // No short name: refused in a box, the chooser stays until cancelled.
  const win::FolderNamer noShortNames = [](const std::wstring& path) {
    return win::ExactAnsi(path).value_or("");
  };
  std::string caption;
  bool stayed = false;
  watch.handler = [&](const SeenBox& box) {
    if (box.kind != SeenBox::kChooser) {
      caption = box.caption;
      Press(box, IDOK);
      return true;
    }
    if (!IsWindowEnabled(box.wnd)) return false;  // its box is up
    if (caption.empty()) {
      TypeName(box, std::wstring(L"caf\u00e9"));
      Press(box, IDOK);
      return false;
    }
    stayed = true;
    Press(box, IDCANCEL);
    return true;
  };
  EXPECT_FALSE(win::ChooseFolderDialog(main.Get(), "", noShortNames));
  EXPECT_EQ(caption, "ｴﾗｰ");
  EXPECT_TRUE(stayed);
}

TEST(ChooserNames, TypedNamesResolveAgainstTheShownFolder) {
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data", L"Out"), L"C:\\Data\\Out");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\", L"Out\\"), L"C:\\Out");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data\\Sub", L".."), L"C:\\Data");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data", L"D:\\x\\"), L"D:\\x");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data", L"D:"), L"D:\\");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data", L"\\Top"), L"C:\\Top");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data", L"  "), L"");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\表", L"ソ"), L"C:\\表\\ソ");
  EXPECT_EQ(win::ResolveTypedFolder(L"C:\\Data", L"caf\u00e9\\"),
            L"C:\\Data\\caf\u00e9");  // as typed, never "cafe"
}

TEST(CopyFolders, CreateFolderPathMakesEveryParent) {
  win::InstallPlatformText();
  TempFolder tmp;
  EXPECT_TRUE(win::CreateFolderPath(tmp / "a\\表\\ソ\\"));
  EXPECT_TRUE(IsFolder(tmp / "a\\表\\ソ"));
  EXPECT_TRUE(win::CreateFolderPath(tmp / "a"));  // already there
  WriteFile(tmp / "file", "x");
  EXPECT_FALSE(win::CreateFolderPath(tmp / "file\\below"));
  EXPECT_FALSE(win::CreateFolderPath(""));
}

}  // namespace
