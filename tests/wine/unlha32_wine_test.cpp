// UNLHA32.DLL under Wine: loaded by name, called with the program's own command text and list
// file on real files, and its archive read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "platform/win32/fs_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/win.h"
#include "tests/native/hostile_names.h"
#include "tests/native/lzh_test_support.h"
#include "tests/wine/shell_support.h"
#include "tests/wine/wine_support.h"
#include "unlha32/dll/progress_window.h"

namespace {

using mv::lzh::testing::Bytes;
using mv::lzh::testing::MemberData;
using UnlhaFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using VersionFn = WORD(WINAPI*)();
using RunningFn = BOOL(WINAPI*)();
using CheckFn = BOOL(WINAPI*)(LPCSTR, int);

Bytes ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::string Text(size_t n) {
  std::string s;
  for (int i = 0; s.size() < n; ++i)
    s += "line " + std::to_string(i % 97) + " of the archive test\r\n";
  s.resize(n);
  return s;
}

// The data of one extended record of a level-2 header (empty when it is not there).
Bytes Record(const Bytes& archive, const mv::lzh::MemberEntry& m, uint8_t type) {
  size_t at = m.offset + 26;
  for (size_t size = archive[m.offset + 24] | (archive[m.offset + 25] << 8); size != 0;) {
    if (archive[at] == type)
      return Bytes(archive.begin() + at + 1, archive.begin() + at + size - 2);
    at += size;
    size = archive[at - 2] | (archive[at - 1] << 8);
  }
  return {};
}

void SetLastWrite(const std::string& path, uint64_t fileTime) {
  mv::win::ScopedFile f(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(static_cast<bool>(f)) << path;
  FILETIME t{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  ASSERT_TRUE(SetFileTime(f.Get(), nullptr, nullptr, &t));
}

// An entry point by name; null when the library lacks it.
template <typename Fn>
Fn Proc(HMODULE lib, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(lib, name)));
}

bool AnyTemporaryFile(const std::string& folder) {
  WIN32_FIND_DATAA fd;
  mv::win::ScopedFind find(FindFirstFileA((folder + "\\~mvlzh*").c_str(), &fd));
  return static_cast<bool>(find);
}

class Unlha32 : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_.Reset(LoadLibraryA("UNLHA32.DLL"));  // the normal library search: beside this program
    ASSERT_TRUE(static_cast<bool>(lib_)) << "UNLHA32.DLL not found, error " << GetLastError();
    unlha_ = Proc<UnlhaFn>(lib_.Get(), "Unlha");
    check_ = Proc<CheckFn>(lib_.Get(), "UnlhaCheckArchive");
    ASSERT_NE(unlha_, nullptr);
    ASSERT_NE(check_, nullptr);
    src_ = tmp_ / "src";
    prog_ = tmp_ / "Prog Dir";
    mv::testing::MakeFolder(src_);
    mv::testing::MakeFolder(prog_);
  }

  // Runs the command text the program builds; the output text comes back through *output.
  int Pack(const std::string& list, std::string* output = nullptr, HWND owner = nullptr) {
    mv::testing::WriteFile(prog_ + "\\TMPLHA.$", list);
    const std::string cmd =
        "a -r2x1a1 -gn1 \"" + archive_ + "\" \"" + src_ + "\\\" @" + prog_ + "\\TMPLHA.$";
    std::vector<char> in(32000), out(32000, 'X');
    std::memcpy(in.data(), cmd.c_str(), cmd.size() + 1);
    const int rc = unlha_(owner, in.data(), out.data(), 32000);
    if (output) *output = out.data();
    return rc;
  }

  mv::testing::TempFolder tmp_;
  mv::win::ScopedModule lib_;
  UnlhaFn unlha_ = nullptr;
  CheckFn check_ = nullptr;
  std::string src_, prog_, archive_ = tmp_ / "out.LZH";
};

TEST_F(Unlha32, ExportsItsEntryPointsByPlainNames) {
  for (const char* name : {"Unlha", "UnlhaGetVersion", "UnlhaGetRunning", "UnlhaCheckArchive"})
    EXPECT_NE(GetProcAddress(lib_.Get(), name), nullptr) << name;
  EXPECT_EQ(GetProcAddress(lib_.Get(), "Unlha@16"), nullptr);
  EXPECT_EQ(GetProcAddress(lib_.Get(), "_Unlha@16"), nullptr);
  EXPECT_GT(Proc<VersionFn>(lib_.Get(), "UnlhaGetVersion")(), 0);
  EXPECT_FALSE(Proc<RunningFn>(lib_.Get(), "UnlhaGetRunning")());
}

TEST_F(Unlha32, PacksRealFilesWithNamesTimesAndAttributes) {
  const std::string text = Text(200000);
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7919) >> 3);
  mv::testing::MakeFolder(src_ + "\\SUB");
  mv::testing::MakeFolder(src_ + "\\表");
  mv::testing::WriteFile(src_ + "\\a.txt", text);
  mv::testing::WriteFile(src_ + "\\SUB\\b.bin", binary);
  mv::testing::WriteFile(src_ + "\\表\\ソ.txt", text.substr(0, 999));
  const uint64_t stamp = 132000000000000000ull;  // 2019-04-14, an even second
  SetLastWrite(src_ + "\\a.txt", stamp);
  ASSERT_TRUE(SetFileAttributesA((src_ + "\\a.txt").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));

  std::string output;
  ASSERT_EQ(Pack("\"a.txt\"\r\n\"SUB\\b.bin\"\r\n\"表\\ソ.txt\"\r\n", &output), 0) << output;
  EXPECT_FALSE(output.empty());
  const Bytes archive = ReadAll(archive_);
  auto m = mv::lzh::testing::Members(archive);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].path, "a.txt");
  EXPECT_EQ(m[1].path, "SUB\\b.bin");
  EXPECT_EQ(m[2].path, "表\\ソ.txt");
  EXPECT_EQ(m[0].method, "-lh5-");
  EXPECT_EQ(MemberData(archive, m[0]), Bytes(text.begin(), text.end()));
  EXPECT_EQ(MemberData(archive, m[1]), Bytes(binary.begin(), binary.end()));
  EXPECT_EQ(MemberData(archive, m[2]), Bytes(text.begin(), text.begin() + 999));
  EXPECT_EQ(m[0].attributes & 0x07, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(m[0].time, (stamp - 116444736000000000ull) / 10000000);  // Unix time
  const Bytes times = Record(archive, m[0], 0x41);
  ASSERT_EQ(times.size(), 24u);
  uint64_t lastWrite = 0;
  std::memcpy(&lastWrite, times.data() + 8, 8);
  EXPECT_EQ(lastWrite, stamp);
  EXPECT_TRUE(check_(archive_.c_str(), 0));
  EXPECT_TRUE(check_(archive_.c_str(), 3));
  EXPECT_FALSE(AnyTemporaryFile(tmp_.Path()));

  // Again with a changed file and a new one: added to, the same name replaced.
  mv::testing::WriteFile(src_ + "\\SUB\\b.bin", "changed");
  mv::testing::WriteFile(src_ + "\\c.txt", "new");
  ASSERT_EQ(Pack("\"SUB\\b.bin\"\r\n\"c.txt\"\r\n", &output), 0) << output;
  const Bytes second = ReadAll(archive_);
  m = mv::lzh::testing::Members(second);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[1].path, "SUB\\b.bin");
  EXPECT_EQ(MemberData(second, m[1]), (Bytes{'c', 'h', 'a', 'n', 'g', 'e', 'd'}));
  EXPECT_EQ(m[3].path, "c.txt");
}

// An archive named by its short name (its own name is beyond the code page) is added to and
// keeps its own name: a rename onto the short spelling would have made that its name.
TEST_F(Unlha32, AnArchiveNamedByItsShortNameKeepsItsOwnName) {
  mv::testing::WriteFile(src_ + "\\a.txt", Text(3000));
  mv::testing::WriteFile(src_ + "\\b.txt", Text(4000));
  ASSERT_EQ(Pack("\"a.txt\"\r\n"), 0);
  const std::wstring folder = mv::win::WideOf(tmp_.Path()), own = folder + L"\\한글.lzh";
  ASSERT_TRUE(MoveFileW(mv::win::WideOf(archive_).c_str(), own.c_str()));
  WIN32_FIND_DATAW fd;
  ASSERT_TRUE(static_cast<bool>(mv::win::ScopedFind(FindFirstFileW(own.c_str(), &fd))));
  const std::string spelling = mv::win::ExactAnsi(fd.cAlternateFileName).value_or("");
  ASSERT_FALSE(spelling.empty());
  archive_ = tmp_ / spelling;

  std::string output;
  ASSERT_EQ(Pack("\"b.txt\"\r\n", &output), 0) << output;
  std::vector<std::wstring> archives;
  mv::win::ScopedFind find(FindFirstFileW((folder + L"\\*.lzh").c_str(), &fd));
  for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.Get(), &fd))
    archives.push_back(fd.cFileName);
  const std::vector<std::wstring> onlyOwn = {L"한글.lzh"};  // outside the macro: no code-page text
  EXPECT_TRUE(archives == onlyOwn) << archives.size();
  const auto m = mv::lzh::testing::Members(ReadAll(archive_));
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].path, "a.txt");
  EXPECT_EQ(m[1].path, "b.txt");
  EXPECT_FALSE(AnyTemporaryFile(tmp_.Path()));
}

TEST_F(Unlha32, AFailedCallLeavesNothingBehind) {
  mv::testing::WriteFile(src_ + "\\a.txt", Text(5000));
  std::string output;
  EXPECT_NE(Pack("\"a.txt\"\r\n\"missing.txt\"\r\n", &output), 0);
  EXPECT_NE(output.find("missing.txt"), std::string::npos) << output;
  EXPECT_EQ(GetFileAttributesA(archive_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(AnyTemporaryFile(tmp_.Path()));
  EXPECT_FALSE(check_(archive_.c_str(), 0));
  EXPECT_FALSE(check_((src_ + "\\a.txt").c_str(), 0));

  // The reason never takes more than the buffer's size, its terminator included.
  std::vector<char> out(64, 'X');
  const std::string cmd = "x \"" + archive_ + "\"";
  EXPECT_NE(unlha_(nullptr, cmd.c_str(), out.data(), 10), 0);
  EXPECT_LT(std::strlen(out.data()), 10u);
  for (size_t i = 10; i < out.size(); ++i) EXPECT_EQ(out[i], 'X') << i;
  EXPECT_NE(unlha_(nullptr, cmd.c_str(), nullptr, 0), 0);
  EXPECT_NE(unlha_(nullptr, nullptr, out.data(), 64), 0);
}

// The library's failures, called with a window as the program calls it: the reason in a box that
// window owns, and still the code and the text.
TEST_F(Unlha32, AFailureIsToldInABoxOwnedByTheCallersWindowASuccessIsNot) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                               200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  mv::testing::BoxWatcher answers(mv::testing::PressFirst({IDOK}));
  mv::testing::WriteFile(src_ + "\\a.txt", Text(5000));
  struct Case {
    const char* what;
    std::string list;
    int code;
    std::string named;  // what the reason must name
  };
  const Case cases[] = {
      {"missing file", "\"a.txt\"\r\n\"gone.txt\"\r\n", 0x8004, src_ + "\\gone.txt"},
      {"name with a wildcard", "\"a?.txt\"\r\n", 0x8008, "a?.txt"},
      {"file held open", "\"a.txt\"\r\n", 0x8005, src_ + "\\a.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mv::win::ScopedFile held;
    if (c.code == 0x8005) {  // another handle that shares nothing
      held.Reset(CreateFileA((src_ + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                             nullptr));
      ASSERT_TRUE(static_cast<bool>(held));
    }
    answers.seen.clear();
    std::string output;
    EXPECT_EQ(Pack(c.list, &output, owner), c.code);
    EXPECT_NE(output.find(c.named), std::string::npos) << output;
    ASSERT_EQ(answers.Lines().size(), 1u) << ::testing::PrintToString(answers.Lines());
    EXPECT_EQ(answers.Lines()[0], "UNLHA32.DLL|" + output);
    EXPECT_EQ(answers.Messages()[0].owner, owner);
    EXPECT_EQ(GetFileAttributesA(archive_.c_str()), INVALID_FILE_ATTRIBUTES);
  }

  answers.seen.clear();
  std::string output;
  ASSERT_EQ(Pack("\"a.txt\"\r\n", &output, owner), 0) << output;
  EXPECT_TRUE(answers.Lines().empty()) << ::testing::PrintToString(answers.Lines());

  // Without a window (no owner, or one already gone) nobody would see a box: none is shown, the
  // code and the text tell it all.
  DestroyWindow(owner);
  for (HWND none : {static_cast<HWND>(nullptr), owner}) {
    EXPECT_EQ(Pack("\"gone.txt\"\r\n", &output, none), 0x8004);
    EXPECT_NE(output.find("gone.txt"), std::string::npos) << output;
  }
  mv::testing::PumpPending();
  EXPECT_TRUE(answers.Lines().empty()) << ::testing::PrintToString(answers.Lines());
}

// A run for a window keeps that window disabled and the thread's messages flowing; once shown,
// the progress window tells the member and the count, and its Cancel stops the run. A quit taken
// from the queue meanwhile is handed on afterwards.
struct ProgressSeen {
  HWND owner = nullptr;
  bool ownerEnabled = true;
  std::string member;
  LRESULT position = -1, range = -1;
  std::atomic<bool> clicked{false};
};
ProgressSeen* g_seen;

VOID CALLBACK LookAtProgress(HWND, UINT, UINT_PTR, DWORD) {
  HWND wnd = FindWindowA(mv::lzh::kProgressClass, nullptr);
  if (!wnd || !IsWindowVisible(wnd) || g_seen->clicked) return;
  char text[256] = {};
  GetDlgItemTextA(wnd, mv::lzh::kProgressIdMember, text, sizeof text);
  if (std::string(text).empty()) return;  // not told yet
  g_seen->member = text;
  g_seen->ownerEnabled = IsWindowEnabled(g_seen->owner) != FALSE;
  g_seen->position = SendDlgItemMessageA(wnd, mv::lzh::kProgressIdBar, PBM_GETPOS, 0, 0);
  g_seen->range = SendDlgItemMessageA(wnd, mv::lzh::kProgressIdBar, PBM_GETRANGE, FALSE, 0);
  PostQuitMessage(7);
  SendDlgItemMessageA(wnd, IDCANCEL, BM_CLICK, 0, 0);
  g_seen->clicked = true;
}

TEST_F(Unlha32, ALongRunShowsItsProgressOverADisabledOwnerAndCancelStopsIt) {
  ProgressSeen seen;
  g_seen = &seen;
  seen.owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                               200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(seen.owner, nullptr);
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, LookAtProgress);
  int calls = 0;
  const mv::lzh::RunResult r = mv::lzh::RunWithProgressWindow(
      seen.owner,
      [&](const mv::lzh::ProgressFn& progress) {
        mv::lzh::RunResult out;
        // Told the same member until the Cancel arrives; bounded, so a missing window fails.
        for (; calls < 20000; ++calls) {
          if (!progress("SUB\\表ソ.txt", 1, 4)) {
            out.code = mv::lzh::kResultCancelled;
            return out;
          }
          Sleep(1);
        }
        return out;
      },
      mv::lzh::ProgressTimes{0, 10});
  KillTimer(nullptr, timer);
  EXPECT_EQ(r.code, mv::lzh::kResultCancelled);
  EXPECT_EQ(seen.member, "SUB\\表ソ.txt");
  EXPECT_FALSE(seen.ownerEnabled);
  EXPECT_EQ(seen.position, 1);
  EXPECT_EQ(seen.range, 4);
  EXPECT_TRUE(IsWindowEnabled(seen.owner));
  EXPECT_EQ(FindWindowA(mv::lzh::kProgressClass, nullptr), nullptr);
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
  DestroyWindow(seen.owner);
}

std::wstring Wide(const std::string& text, UINT codePage) {
  std::wstring w(text.size() + 1, L'\0');
  w.resize(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(),
                                                   static_cast<int>(text.size()), w.data(),
                                                   static_cast<int>(w.size()))));
  return w;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  std::string s(text.size() * 4 + 1, '\0');
  s.resize(static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(),
                                                   static_cast<int>(text.size()), s.data(),
                                                   static_cast<int>(s.size()), nullptr, nullptr)));
  return s;
}

// What the program hands on for an item: its name where the code page holds it, its short name
// otherwise (the form the ANSI functions reach exactly that item by).
std::string ListedName(const std::wstring& folder, const std::wstring& name, bool* shortName) {
  *shortName = false;
  if (std::optional<std::string> a = mv::win::ExactAnsi(name)) return *a;
  *shortName = true;
  WIN32_FIND_DATAW fd;
  mv::win::ScopedFind find(FindFirstFileW((folder + L"\\" + name).c_str(), &fd));
  return find ? mv::win::ExactAnsi(fd.cAlternateFileName).value_or("") : "";
}

TEST_F(Unlha32, EveryHostileNameIsStoredExactlyOrUnderItsShortNameAndReadBackByLhasaAnd7z) {
  const auto names = mv::testing::LoadHostileNames(MV_NAMES_FILE);
  ASSERT_GT(names.size(), 100u) << MV_NAMES_FILE;
  const std::wstring src = mv::win::WideOf(src_);
  struct Cleanup {  // the ANSI clean-up of the temporary folder cannot reach these names
    std::wstring folder;
    ~Cleanup() { mv::testing::RemoveTreeW(folder); }
  } cleanup{src};
  struct Expected {
    std::string stored;  // as the archive holds it, folders separated by backslashes
    std::string unix;    // as lhasa puts it on disk below its folder
    std::wstring wide;   // the true path where the stored one is not it
    std::string utf8;    // the true path as bsdtar puts it on disk, folders separated by '/'
    std::string data;
  };
  std::vector<Expected> expected;
  std::string list;
  bool inShortFolder = false;
  auto add = [&](const std::wstring& folder, const std::string& listedFolder,
                 const std::wstring& name, bool outside, const std::wstring& trueFolder = {}) {
    std::string data = "#" + std::to_string(expected.size()) + "\n";
    for (int i = 0; i < 300; ++i) data += static_cast<char>((i * 31 + expected.size()) & 0xFF);
    mv::win::ScopedFile f(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(static_cast<bool>(f));
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(f.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    f.Reset();
    bool isShort = false;
    const std::string listed = ListedName(folder, name, &isShort);
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(isShort, outside) << listed;
    list += "\"" + (listedFolder.empty() ? listed : listedFolder + "\\" + listed) + "\"\r\n";
    const std::wstring truePath = trueFolder.empty() ? name : trueFolder + L"\\" + name;
    std::string utf8 = Narrow(truePath, CP_UTF8);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    const bool other = outside || inShortFolder;
    expected.push_back(
        {listedFolder.empty() ? listed : listedFolder + "\\" + listed,
         mv::testing::AsLhasaWrites(listedFolder.empty() ? listed : listedFolder + "/" + listed),
         other ? truePath : std::wstring(), utf8, data});
  };
  // Names of these kinds are the code page's own; those outside it go by their short names.
  auto outsideKind = [](const std::string& kind) {
    return kind.find("outside") != std::string::npos || kind == "pair" || kind == "roundtrip";
  };
  int shortNames = 0;
  for (const auto& n : names) {
    SCOPED_TRACE(n.utf8);
    const std::wstring name = Wide(n.utf8, CP_UTF8);
    const bool outside =
        outsideKind(n.kind) && !mv::win::ExactAnsi(name);  // a pair's plain half is exact
    shortNames += outside;
    if (!n.Folder()) {
      add(src, "", name, outside);
      continue;
    }
    ASSERT_TRUE(CreateDirectoryW((src + L"\\" + name).c_str(), nullptr));
    bool isShort = false;
    const std::string folder = ListedName(src, name, &isShort);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(isShort, outside);
    inShortFolder = isShort;
    add(src + L"\\" + name, folder, L"ポスター.txt", false, name);
    add(src + L"\\" + name, folder, L"naïve.txt", true, name);
    inShortFolder = false;
  }
  // At least the accented pairs, the other scripts and the emoji.
  EXPECT_GE(shortNames, 11);

  std::string output;
  ASSERT_EQ(Pack(list, &output), 0) << output;
  const Bytes archive = ReadAll(archive_);
  const auto m = mv::lzh::testing::Members(archive);
  ASSERT_EQ(m.size(), expected.size());
  for (size_t i = 0; i < m.size(); ++i) {
    EXPECT_EQ(m[i].path, expected[i].stored);
    // Beside a short name, anywhere in the path, the whole true path in UTF-16.
    EXPECT_TRUE(std::wstring(m[i].widePath.begin(), m[i].widePath.end()) == expected[i].wide)
        << m[i].path;
    EXPECT_EQ(MemberData(archive, m[i]), Bytes(expected[i].data.begin(), expected[i].data.end()))
        << m[i].path;
  }

  // bsdtar reads the UTF-16 names: every file under its exact true name.
  const auto bsdtar = mv::testing::BsdtarBytes(archive_, tmp_ / "B");
  EXPECT_EQ(bsdtar.size(), expected.size());
  for (const Expected& e : expected) {
    const auto it = bsdtar.find(mv::testing::HexOf(e.utf8));
    ASSERT_NE(it, bsdtar.end()) << e.utf8;
    EXPECT_EQ(it->second, mv::testing::HexOf(e.data)) << e.utf8;
  }

  // lhasa puts every file under the stored bytes of its name; 7z finds every CRC right.
  std::string tested;
  const auto extracted = mv::testing::ExtractedBytes(archive_, tmp_ / "X", &tested);
  EXPECT_EQ(extracted.size(), expected.size());
  for (const Expected& e : expected) {
    const auto it = extracted.find(mv::testing::HexOf(e.unix));
    ASSERT_NE(it, extracted.end()) << e.stored;
    EXPECT_EQ(it->second, mv::testing::HexOf(e.data)) << e.stored;
  }
  EXPECT_NE(tested.find("Everything is Ok"), std::string::npos) << tested;
  EXPECT_NE(tested.find("Files: " + std::to_string(expected.size())), std::string::npos) << tested;
}

}  // namespace
