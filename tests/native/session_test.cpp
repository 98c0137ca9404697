// The main window's logic over fakes: what arrives while an operation or a handler's box runs,
// and the answers to a close and to the end of the user's session.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "app/session.h"
#include "fake_fs.h"

using namespace mv;
using mv::testing::FakeFs;

namespace {

struct MapStore : ProfileStore {
  std::map<std::string, std::string> values;
  bool failWrites = false;
  std::string ReadString(std::string_view s, std::string_view k,
                         std::string_view def) const override {
    auto it = values.find(std::string(s) + "/" + std::string(k));
    return it == values.end() ? std::string(def) : it->second;
  }
  bool WriteString(std::string_view s, std::string_view k, std::string_view v) override {
    if (!failWrites) values[std::string(s) + "/" + std::string(k)] = v;
    return !failWrites;
  }
  bool RemoveKey(std::string_view, std::string_view) override { return !failWrites; }
  std::string Path() const override { return "C:\\P\\Morvane.ini"; }
};

struct FakeList : ListViewPort {
  std::vector<bool> selected;
  size_t RowCount() const override { return selected.size(); }
  void DeleteAll() override { selected.clear(); }
  void ClearImages() override {}
  int AddImages(const ShellIcon*, const ShellIcon*) override { return -1; }
  void AppendRows(size_t count) override { selected.resize(selected.size() + count); }
  bool IsSelected(size_t row) const override { return selected[row]; }
  void SetSelected(size_t row, bool on) override { selected[row] = on; }
  void DeleteRow(size_t row) override {
    selected.erase(selected.begin() + static_cast<ptrdiff_t>(row));
  }
  std::optional<size_t> FirstSelected() const override { return std::nullopt; }
  void SuspendRedraw() override {}
  void ResumeRedraw() override {}
};

struct NoShell : ShellPort {
  ShellInfo Describe(const std::string&, bool) override { return {}; }
  void Open(const std::string&) override {}
};

struct NoDates : DateFormatter {
  std::string ShortDate(uint32_t) override { return {}; }
  std::string LongTime(uint32_t) override { return {}; }
  std::string FileTimeText(uint64_t) override { return {}; }
};

// Every hook a test may fire from: the builder's and the copy's pumps, the archiver's call and
// a box's modal loop.
struct Hooks {
  std::function<void()> pump, box, archiver;
  static void Fire(std::function<void()>& f) {
    if (f) std::exchange(f, nullptr)();  // once
  }
};

struct FakeWindow : SessionWindow {
  Hooks& hooks;
  Session* session = nullptr;
  Node* selected = nullptr;
  AttribChoices choices;
  std::vector<std::string> log;
  bool destroyed = false;
  explicit FakeWindow(Hooks& h) : hooks(h) { choices.hidden = kSet; }

  AttribChoices AttribPanel() const override { return choices; }
  int ExistingItem() const override { return 0; }
  bool IgnoreAttributes() const override { return true; }
  bool SubDirChecked() const override { return false; }
  Settings CurrentSettings() const override { return Settings{}; }
  void RestoreDateLabel(const std::string&) override {}
  void SetSizes(int, int, int) override {}
  void SetSubDirChecked(bool) override {}
  void SetPanel(int, const std::string&) override {}
  void EnableOperations(bool) override {}
  void SetViewMark(int, bool) override {}
  void SetListStyle(ViewStyle) override {}
  void ChooseDateLayout(int) override {}
  void SetArchiveFolder(const std::string& folder) override {
    log.push_back("save dialog at " + folder);
  }
  Node* SelectedNode() const override { return selected; }
  void SelectNode(Node* node) override { selected = node; }
  void ExpandAll(bool) override {}
  void FocusTree() override {}
  void BeginTreeUpdate() override {}
  void EndTreeUpdate() override {}
  void SetBusy(bool) override {}
  void BringToFront() override {}
  void PumpMessages() override { Hooks::Fire(hooks.pump); }
  void ShowErrorWindow() override { log.push_back("error window"); }
  void ShowAbout() override {}
  void ErrorBox(const std::string& message) override { log.push_back("error box " + message); }
  void Notice(const std::string&) override {}
  bool Confirm(const std::string&) override {
    Hooks::Fire(hooks.box);
    return true;
  }
  void PostClose() override { log.push_back("close posted"); }
  void Destroy() override {
    destroyed = true;
    session->Destroying();
  }
};

struct FakeCopy : CopyPlatform, CopyProgress {
  FakeFs& fs;
  Hooks& hooks;
  int copied = 0;
  FakeCopy(FakeFs& f, Hooks& h) : fs(f), hooks(h) {}
  FileSystem& Files() override { return fs; }
  bool DuplicateFile(const std::string&, const std::string& to, bool) override {
    ++copied;
    fs.AddFile(to);
    return true;
  }
  bool CreateFolders(const std::string& path) override {
    if (!fs.Find(path)) fs.AddFolder(path);
    return true;
  }
  std::optional<int64_t> FreeBytes(const std::string&) override { return int64_t{1} << 40; }
  std::optional<std::string> ChooseFolder() override { return "E:\\Out"; }
  void PumpMessages() override { Hooks::Fire(hooks.pump); }
  void BusyCursor(bool) override {}
  void StartTimer() override {}
  void StopTimer() override {}
  void Hide() override {}
  void SetPaths(const std::string&, const std::string&, int64_t) override {}
  void SetPosition(int) override {}
  void DiskFullBox(const std::string&) override {}
};

struct FakeArchive : lha::ArchivePlatform, lha::ArchiveUi {
  FakeFs& fs;
  Hooks& hooks;
  int calls = 0;
  FakeArchive(FakeFs& f, Hooks& h) : fs(f), hooks(h) {}
  uint32_t Attributes(const std::string& path) override { return fs.GetAttributes(path); }
  bool Delete(const std::string&) override { return true; }
  bool Move(const std::string&, const std::string&) override { return true; }
  std::string OwnName(const std::string&) override { return {}; }
  bool MoveToOwnName(const std::string&, const std::string&) override { return true; }
  bool HoldsShortName(const std::string&, size_t) override { return false; }
  bool WriteList(const ErrorList&, const std::string&) override { return true; }
  std::string ProgramFolder() override { return "C:\\P\\"; }
  void CallArchiver(const std::string&) override {
    ++calls;
    Hooks::Fire(hooks.archiver);
  }
  std::optional<std::string> AskArchiveName() override { return "E:\\t.lzh"; }
  void Notice(const std::string&) override {}
  void ApplicationError(const std::string&) override {}
  void ShowErrors() override {}
};

struct Rig {
  FakeFs fs;
  Hooks hooks;
  FakeWindow window{hooks};
  FakeList list;
  NoShell shell;
  NoDates dates;
  MapStore store;
  FakeCopy copy{fs, hooks};
  FakeArchive archive{fs, hooks};
  Session session{window,
                  SessionPorts{fs, list, shell, dates, store, nullptr, {}, [] { return 2024; }},
                  {"D:\\W\\a.txt", "D:\\W\\Sub"}};

  Rig() {
    fs.AddFolder("D:\\W");
    fs.AddFile("D:\\W\\a.txt", 1);
    fs.AddFolder("D:\\W\\Sub");
    fs.AddFile("D:\\W\\Sub\\b.txt", 2);
    fs.AddFolder("D:\\X");
    fs.AddFile("D:\\X\\c.txt", 3);
    fs.AddFolder("E:\\Out");
    window.session = &session;
    session.AttachCopy(copy, copy);
    session.AttachArchive(archive, archive);
  }
  // A message the window procedure is handed, by the main loop or by a modal loop inside a
  // handler.
  void Dispatch(const std::function<void()>& handler) {
    session.EnterHandler();
    handler();
    session.LeaveHandler();
  }
  std::string Root() const {
    Node* root = const_cast<Session&>(session).Tree().FirstNode();
    return root ? root->text : "";
  }
  bool Logged(const std::string& line) const {
    return std::find(window.log.begin(), window.log.end(), line) != window.log.end();
  }
};

enum class Op { Build, Copy, Archive, ChangeBox };
enum class Event { Drop, Close, SessionEnd, Command };

// Whatever arrives under a build, a copy, an archive run or a box of the attribute change waits
// for its end: the tree the operation walks stays, a close or a session end stops a copy, and
// afterwards the drop is built and the close or end goes through. A command is refused.
TEST(Session, WhatArrivesDuringAnOperationWaitsForItsEnd) {
  for (Op op : {Op::Build, Op::Copy, Op::Archive, Op::ChangeBox}) {
    for (Event event : {Event::Drop, Event::Close, Event::SessionEnd, Event::Command}) {
      SCOPED_TRACE(::testing::Message() << "operation " << static_cast<int>(op) << ", event "
                                        << static_cast<int>(event));
      Rig rig;
      if (op != Op::Build) rig.Dispatch([&] { rig.session.BuildFromCommandLine(); });
      bool fired = false;
      auto arrive = [&] {
        fired = true;
        const std::string root = rig.Root();
        rig.Dispatch([&] {
          switch (event) {
            case Event::Drop:
              rig.session.Drop({"D:\\X\\c.txt"});
              break;
            case Event::Close:
              rig.session.Close();
              break;
            case Event::SessionEnd:
              EXPECT_TRUE(rig.session.QueryEndSession());
              rig.session.EndSession(true);
              break;
            case Event::Command:
              rig.session.Run(Command::ErrorList);
              break;
          }
        });
        EXPECT_FALSE(rig.window.destroyed);
        EXPECT_EQ(rig.Root(), root);
        EXPECT_FALSE(rig.Logged("close posted"));
      };
      switch (op) {
        case Op::Build:
          rig.hooks.pump = arrive;
          rig.Dispatch([&] { rig.session.BuildFromCommandLine(); });
          break;
        case Op::Copy:
          rig.hooks.pump = arrive;
          rig.Dispatch([&] { rig.session.Run(Command::Copy); });
          break;
        case Op::Archive:
          rig.hooks.archiver = arrive;
          rig.Dispatch([&] { rig.session.Run(Command::Archive); });
          break;
        case Op::ChangeBox:
          rig.hooks.box = arrive;
          rig.Dispatch([&] { rig.session.Run(Command::Change); });
          break;
      }
      ASSERT_TRUE(fired);
      EXPECT_EQ(rig.session.Running(), Session::Operation::None);
      const bool stops = event == Event::Close || event == Event::SessionEnd;
      EXPECT_EQ(rig.session.Tree().TotalCount,
                event == Event::Drop ? 1 : 3);  // each build went through
      if (op == Op::Copy) {
        EXPECT_EQ(rig.copy.copied < 2, stops);
      }
      EXPECT_EQ(rig.archive.calls, op == Op::Archive ? 1 : 0);
      EXPECT_EQ(rig.Root(), event == Event::Drop         ? "D:\\X\\"
                            : event == Event::SessionEnd ? ""
                                                         : "D:\\W\\");
      EXPECT_EQ(rig.Logged("close posted"), event == Event::Close);
      EXPECT_EQ(rig.window.destroyed, event == Event::SessionEnd);
      EXPECT_EQ(rig.Logged("error window"), false);
      EXPECT_EQ(rig.store.values.count("Form/Width"), event == Event::SessionEnd ? 1u : 0u);
      if (event == Event::Close) {  // the posted close, as the loop delivers it
        rig.store.values.clear();
        rig.Dispatch([&] { rig.session.Close(); });
        EXPECT_TRUE(rig.window.destroyed);
        EXPECT_EQ(rig.store.values.count("Form/Width"), 1u);
      }
    }
  }
}

// A drop as the first build gives the save dialog its folder. Idle, a close writes the settings
// and the window goes; a value that cannot be written is told, keeps the window and refuses a
// session end; Closing stays set until the session goes on.
TEST(Session, CloseAndSessionEndWriteTheSettingsOrKeepTheWindow) {
  Rig rig;
  rig.session.Drop({"D:\\X\\c.txt"});  // the first build of the run, from the main loop's hook
  EXPECT_EQ(rig.window.log, std::vector<std::string>{"save dialog at D:\\X\\"});
  rig.store.failWrites = true;
  rig.Dispatch([&] { rig.session.Close(); });
  EXPECT_FALSE(rig.window.destroyed);
  EXPECT_TRUE(rig.session.Closing());
  EXPECT_TRUE(rig.Logged("error box C:\\P\\Morvane.ini に書き込めません"));
  EXPECT_FALSE(rig.session.QueryEndSession());
  rig.session.EndSession(false);
  EXPECT_FALSE(rig.session.Closing());

  rig.store.failWrites = false;
  EXPECT_TRUE(rig.session.QueryEndSession());
  EXPECT_EQ(rig.store.values["Form/Width"], "578");
  rig.Dispatch([&] { rig.session.EndSession(true); });
  EXPECT_TRUE(rig.window.destroyed);
}

}  // namespace
