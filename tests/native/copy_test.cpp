#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "fake_fs.h"
#include "ops/copy/copy_engine.h"
#include "platform/text.h"
#include "targets/builder.h"

using namespace mv;
using mv::testing::FakeFs;

namespace {

constexpr int64_t kGiB = int64_t{1} << 30;
constexpr uint32_t kDos2030 = (50u << 25) | (1u << 21) | (1u << 16);  // 2030-01-01
constexpr uint32_t kDos2045 = (65u << 25) | (1u << 21) | (1u << 16);  // top bit set

// Copies between FakeFs items with the platform's refusals: missing parent, read-only or existing
// destination with fail-if-exists; every call is logged so the order can be checked.
struct FakePlatform : CopyPlatform {
  FakeFs fs;
  std::optional<std::string> chosen = "e:\\Backup";
  std::map<std::string, int64_t> freeBytes;  // by volume ("E:", "\\\\SRV"); absent: plenty
  std::vector<std::string> log;
  std::function<void(int)> onPump;
  int pumps = 0;
  // Mirrored path -> the path the copy is made at: its source's true name, for a source path
  // that carries a short name. A marked spelling there is a destination without short names,
  // which only the wide calls reach.
  std::map<std::string, std::string> named;
  mv::testing::FakeMirror mirror{fs};

  std::string TrueOf(const std::string& at) const {
    auto it = named.find(at);
    return it == named.end() ? at : it->second;
  }

  FileSystem& Files() override { return fs; }
  static std::string Volume(const std::string& p) {
    return p.compare(0, 2, "\\\\") == 0 ? "\\\\" : p.substr(0, 2);
  }
  bool DuplicateFile(const std::string& from, const std::string& to, bool failIfExists) override {
    log.push_back("copy " + to + (failIfExists ? " x" : ""));
    return Duplicate(from, TrueOf(to), failIfExists);
  }
  bool Duplicate(const std::string& from, const std::string& to, bool failIfExists) {
    FakeFs::Item* src = fs.Find(from);
    FakeFs::Item* parent = fs.Find(PathParent(to));
    FakeFs::Item* dst = fs.Find(to);
    if (!src ||
        (!IsRootPath(PathParent(to)) && (!parent || !(parent->attributes & kAttrDirectory))))
      return false;
    if (dst && (failIfExists || (dst->attributes & (kAttrReadOnly | kAttrDirectory)))) return false;
    if (freeBytes.count(Volume(to)) && src->size > freeBytes[Volume(to)])
      return false;  // disk full
    FakeFs::Item copy = *src;
    copy.path = to;
    *(dst ? dst : &fs.AddFile(to)) = copy;
    if (freeBytes.count(Volume(to))) freeBytes[Volume(to)] -= copy.size;
    return true;
  }
  bool CreateFolders(const std::string& path) override {
    log.push_back("mkdir " + path);
    if (PathParent(path) != path) CreateFolders(PathParent(path));
    if (!fs.Find(path) && !IsRootPath(path)) fs.AddFolder(path);
    return IsRootPath(path) || (fs.Find(path)->attributes & kAttrDirectory);
  }
  bool CreateFolderFor(const std::string&, const std::string& at) override {
    return CreateFolders(TrueOf(at));
  }
  FileSystem& MirrorFiles(const std::string&, const std::string& at,
                          const std::string& text) override {
    mirror.Aim(text, TrueOf(at));
    return mirror;
  }
  size_t PathUnits(const std::string&, const std::string& at) override {
    return CharCount(TrueOf(at));
  }
  std::optional<int64_t> FreeBytes(const std::string& folder) override {
    log.push_back("free " + folder);
    auto it = freeBytes.find(Volume(folder));
    return it == freeBytes.end() ? std::optional<int64_t>(64 * kGiB) : it->second;
  }
  std::optional<std::string> ChooseFolder() override { return chosen; }
  void PumpMessages() override {
    ++pumps;
    if (onPump) onPump(pumps);
  }
  void BusyCursor(bool on) override { log.push_back(on ? "busy" : "idle"); }
  std::map<std::string, std::string> spelled;  // folder text -> as the disk spells it
  std::string SpelledOnDisk(const std::string& folder) override {
    auto it = spelled.find(folder);
    return it == spelled.end() ? folder : it->second;
  }
};

struct FakeProgress : CopyProgress {
  std::vector<std::string>& log;
  std::vector<int> positions;
  explicit FakeProgress(std::vector<std::string>& l) : log(l) {}
  void StartTimer() override { log.push_back("timer on"); }
  void StopTimer() override { log.push_back("timer off"); }
  void Hide() override { log.push_back("hide"); }
  void SetPaths(const std::string& from, const std::string&, int64_t) override {
    log.push_back("from " + from);
  }
  void SetPosition(int p) override { positions.push_back(p); }
  void DiskFullBox(const std::string& message) override { log.push_back("box " + message); }
};

struct Copy : ::testing::Test {
  FakePlatform platform;
  FakeProgress progress{platform.log};
  CopyChoices choices;
  std::vector<std::string> errors, changed;
  bool errorWindow = false;
  // What the attribute change does on the file system it is given (nothing unless set).
  std::function<void(const std::string&, FileSystem&)> onChange;
  CopyEngine engine{
      platform, progress,
      CopyHooks{[this] { return choices; },
                [this](const std::string& p, FileSystem& at) {
                  changed.push_back(p);
                  if (onChange) onChange(p, at);
                },
                [this] { errors.clear(); }, [this](const std::string& l) { errors.push_back(l); },
                [this] { return errors.size(); }, [this] { errorWindow = true; }}};
  TargetTree tree;

  void SetUp() override {
    platform.fs.AddFolder("E:\\BACKUP");
    platform.fs.AddFolder("D:\\Work");
    platform.fs.AddFile("D:\\Work\\a.txt", 10).contents = "a";
    platform.fs.AddFolder("D:\\Work\\Sub");
    platform.fs.AddFile("D:\\Work\\Sub\\b.txt", 20).contents = "b";
    platform.fs.AddFolder("D:\\Work\\Empty");
  }
  void Build(const std::vector<std::string>& targets) {
    TreeBuilder builder(platform.fs, tree);
    ASSERT_TRUE(builder.Build(targets, false));
  }
  std::string Contents(const std::string& path) {
    FakeFs::Item* item = platform.fs.Find(path);
    return item ? item->contents : "<none>";
  }
  size_t Count(const std::string& line) {
    return std::count(platform.log.begin(), platform.log.end(), line);
  }
};

}  // namespace

TEST(CopyPaths, DestinationsAndBases) {
  EXPECT_EQ(RunDestination("E:\\"), "E:");
  EXPECT_EQ(SourceBaseOfRoot("C:\\DATA\\"), "C:\\DATA");
  EXPECT_EQ(SourceBaseOfRoot("C:\\"), "C:");
  EXPECT_EQ(SourceBaseOfEntry("C:\\a.txt"), "C:");
  EXPECT_EQ(SourceBaseOfEntry("C:\\表\\a.txt"), "C:\\表");  // 表 ends in 0x5C
  const SameTextFn same = [](std::string_view a, std::string_view b) {
    return AsciiEqualsNoCase(a, b);
  };
  struct Case {
    const char* base;
    const char* source;
    int depth;
    const char* expected;
  } cases[] = {
      {"C:\\DATA", "C:\\DATA\\sub\\a.txt", 1, "D:\\BK\\sub\\a.txt"},
      {"C:\\DATA", "c:\\data\\a.txt", 0, "D:\\BK\\a.txt"},            // case differs
      {"C:", "C:\\a.txt", 0, "D:\\BK\\a.txt"},                        // drive-root base
      {"C:\\DATA", "C:\\DATA2\\sub\\x", 2, "D:\\BK\\DATA2\\sub\\x"},  // a sibling, not under
      {"C:\\DATA", "F:\\Other\\Sub\\x", 1, "D:\\BK\\Sub\\x"},  // foreign, kept below its folder
      {"C:\\表", "C:\\表\\ソ.txt", 0, "D:\\BK\\ソ.txt"},
      {"C:\\DATA", "F:\\x", 1, "D:\\BK\\F\\x"},  // a foreign drive root named by letter
      {"E:", "E:", 0, "D:\\BK"},                 // the base itself
  };
  for (const Case& c : cases)
    EXPECT_EQ(MirrorPath("D:\\BK", c.base, c.source, c.depth, same), c.expected) << c.source;
}

TEST(CopyPaths, ProgressIs64Bit) {
  EXPECT_EQ(ProgressPosition(99, 99, 0), 0);  // below 100 bytes the bar stays
  EXPECT_EQ(ProgressPosition(3 * kGiB, 6 * kGiB, 0), 50);
  EXPECT_EQ(ProgressPosition(5 * kGiB, 4 * kGiB, 0), 125);
}

TEST_F(Copy, WholeTreeMirrorsUnderTheChosenFolder) {
  errors = {"old line"};
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub", "D:\\Work\\Empty"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), "a");
  EXPECT_EQ(Contents("E:\\BACKUP\\SUB\\b.txt"), "b");
  ASSERT_NE(platform.fs.Find("E:\\BACKUP\\Empty"), nullptr);
  EXPECT_EQ(changed, (std::vector<std::string>{"E:\\BACKUP\\a.txt", "E:\\BACKUP\\Sub\\b.txt"}));
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(errorWindow);
  EXPECT_EQ(platform.log.front(), "timer on");
  EXPECT_EQ(std::vector<std::string>(platform.log.end() - 3, platform.log.end()),
            (std::vector<std::string>{"timer off", "hide", "idle"}));
  EXPECT_EQ(Count("free E:\\BACKUP\\"), 1u);  // asked of the destination itself, once with room
  // A new file's destination is found absent by its copy alone: a look-up is a second search of
  // the folder (Wine searches it whole for a name that is not there).
  EXPECT_EQ(platform.mirror.looked,
            (std::vector<std::string>{"E:\\BACKUP\\Sub", "E:\\BACKUP\\Empty"}));
  EXPECT_EQ(engine.CopiedBytes(), 30);
  EXPECT_EQ(progress.positions.back(), 0);  // 30 bytes in all: no step
  EXPECT_FALSE(engine.Running());
  EXPECT_TRUE(engine.ContinueCopy());
}

TEST_F(Copy, PoliciesOnAnExistingDestination) {
  struct Case {
    ExistingPolicy policy;
    uint32_t sourceTime, destinationTime;
    bool copied;
  } cases[] = {
      {ExistingPolicy::OverwriteAll, kDos2030, kDos2045, true},
      {ExistingPolicy::NewerOnly, kDos2045, kDos2030, true},   // unsigned: 2045 is newer
      {ExistingPolicy::NewerOnly, kDos2030, kDos2030, false},  // equal packed times
      {ExistingPolicy::NewerOnly, kDos2030, kDos2045, false},
      {ExistingPolicy::Never, kDos2045, kDos2030, false},
  };
  Build({"D:\\Work\\a.txt"});
  for (const Case& c : cases) {
    platform.fs.Find("D:\\Work\\a.txt")->lastWrite = c.sourceTime;
    FakeFs::Item& old = platform.fs.AddFile("E:\\BACKUP\\a.txt", 3, kAttrHidden);
    old.contents = "old";
    old.lastWrite = c.destinationTime;
    choices.policy = c.policy;
    changed.clear();
    engine.BitBtn1Click(tree);
    EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), c.copied ? "a" : "old") << int(c.policy);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(changed.size(), 1u);  // also after a skip
  }
}

// Times the packed form cannot hold (before 1980, after 2107) are compared as the file times
// themselves, in two-second steps, never as the oldest time of all.
TEST_F(Copy, NewerOnlyWithTimesOutsideThePackedRange) {
  constexpr uint64_t kYear = 315576000000000;  // 100 ns units
  constexpr uint64_t kSecond = 10000000;
  const uint64_t y1970 = 369 * kYear, y2150 = 549 * kYear, y2200 = 599 * kYear;
  EXPECT_TRUE(IsNewer(platform.fs, y2200, y2150));
  EXPECT_FALSE(IsNewer(platform.fs, y2150, y2200));
  EXPECT_FALSE(IsNewer(platform.fs, y1970, y2150));
  EXPECT_FALSE(IsNewer(platform.fs, y1970 + kSecond, y1970));  // the same two-second step
  EXPECT_TRUE(IsNewer(platform.fs, y1970 + 2 * kSecond, y1970));
  EXPECT_TRUE(IsNewer(platform.fs, kDos2045, kDos2030));  // packed times as before

  Build({"D:\\Work\\a.txt"});
  choices.policy = ExistingPolicy::NewerOnly;
  platform.fs.Find("D:\\Work\\a.txt")->lastWrite = y2150;
  FakeFs::Item& later = platform.fs.AddFile("E:\\BACKUP\\a.txt", 3);
  later.contents = "later";
  later.lastWrite = y2200;
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), "later");
  platform.fs.Find("D:\\Work\\a.txt")->lastWrite = y2200 + 4 * kSecond;
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), "a");
  EXPECT_TRUE(errors.empty());
}

// A destination the look-up cannot see may still be there: it is copied with fail-if-exists, so
// an existing one is kept and the run says so, whatever the policy.
TEST_F(Copy, DestinationWhoseLookupFailsIsNeverOverwrittenBlind) {
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub"});
  platform.fs.AddFile("E:\\BACKUP\\a.txt", 3).contents = "old";
  platform.fs.Unseen("E:\\BACKUP\\a.txt");
  choices.policy = ExistingPolicy::OverwriteAll;
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), "old");
  EXPECT_EQ(Count("copy E:\\BACKUP\\a.txt x"), 1u);
  EXPECT_EQ(errors, (std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\a.txt"}));
  EXPECT_EQ(Contents("E:\\BACKUP\\Sub\\b.txt"), "b");  // a destination that is not there is made
}

TEST_F(Copy, IntoTheTargetsOwnFolderNoFileIsTouched) {
  platform.fs.Find("D:\\Work\\a.txt")->attributes = kAttrHidden | kAttrArchive;
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub"});
  platform.chosen = "d:\\work";  // the base folder itself, in other letter case
  choices.policy = ExistingPolicy::OverwriteAll;
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("D:\\Work\\a.txt"), "a");
  EXPECT_EQ(platform.fs.Find("D:\\Work\\a.txt")->attributes,
            kAttrHidden | kAttrArchive);  // no reset
  // The platform would refuse copying a file onto itself: each says so, as a refused copy does.
  EXPECT_EQ(errors, (std::vector<std::string>{"Not Copy FileName = D:\\WORK\\a.txt",
                                              "Not Copy FileName = D:\\WORK\\Sub\\b.txt"}));
  EXPECT_EQ(changed.size(), 2u);  // the attribute choices still apply, as after a refused copy
  choices.policy = ExistingPolicy::Never;
  engine.BitBtn1Click(tree);
  EXPECT_TRUE(errors.empty());  // a skip by the policy says nothing
}

TEST_F(Copy, ReadOnlyDestinationWithAndWithoutTheReset) {
  Build({"D:\\Work\\a.txt"});
  choices.policy = ExistingPolicy::OverwriteAll;
  for (bool reset : {false, true}) {
    platform.fs.AddFile("E:\\BACKUP\\a.txt", 3, kAttrReadOnly).contents = "old";
    choices.resetAttributes = reset;
    errorWindow = false;
    engine.BitBtn1Click(tree);
    EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), reset ? "a" : "old");
    EXPECT_EQ(errors, reset ? std::vector<std::string>{}
                            : std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\a.txt"});
    EXPECT_EQ(errorWindow, !reset);
  }
}

TEST_F(Copy, SelectionCopiesSelectedRowsAndFoldersBelowThem) {
  platform.fs.AddFile("D:\\Work\\Sub\\huge.bin", 3 * kGiB);
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub", "D:\\Work\\Empty"});
  Node* root = tree.FirstNode();                  // rows: Sub, Empty, a.txt
  platform.fs.Remove("D:\\Work\\Sub\\huge.bin");  // vanishes before the run: not sized, not copied
  engine.copy1Click(root, {{true, "Sub"}, {true, "Empty"}, {false, "a.txt"}});
  EXPECT_EQ(engine.ByteTotal(), 20);
  EXPECT_EQ(Contents("E:\\BACKUP\\Sub\\b.txt"), "b");
  EXPECT_NE(platform.fs.Find("E:\\BACKUP\\Empty"), nullptr);
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP\\a.txt"), nullptr);
  EXPECT_EQ(errors, (std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\Sub\\huge.bin"}));
  EXPECT_EQ(platform.pumps, 3 + 3);  // every row, every entry below, once more before each copy
}

// Folder rows of one name (targets A\Sub and B\Sub, as a drop from search results gives): the
// selected row's own node is copied, by position. A folder that could not be listed is made,
// and the run says its contents are missing, as the build did.
TEST_F(Copy, FolderRowsOfOneNameAreCopiedFromTheirOwnNodesAndUnlistedFoldersAreTold) {
  platform.fs.AddFolder("D:\\A");
  platform.fs.AddFolder("D:\\A\\Sub");
  platform.fs.AddFile("D:\\A\\Sub\\x.txt", 1).contents = "x";
  platform.fs.AddFolder("D:\\B");
  platform.fs.AddFolder("D:\\B\\Sub");
  platform.fs.AddFile("D:\\B\\Sub\\y.txt", 2).contents = "y";
  platform.fs.AddFolder("D:\\B\\Sub\\Locked");
  platform.fs.Deny("D:\\B\\Sub\\Locked");
  Build({"D:\\A\\Sub", "D:\\B\\Sub"});
  engine.copy1Click(tree.FirstNode(), {{false, "Sub"}, {true, "Sub"}});
  EXPECT_EQ(engine.ByteTotal(), 2);
  EXPECT_EQ(Contents("E:\\BACKUP\\Sub\\y.txt"), "y");
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP\\Sub\\x.txt"), nullptr);
  EXPECT_NE(platform.fs.Find("E:\\BACKUP\\Sub\\Locked"), nullptr);
  const std::vector<std::string> told{"FindErr ErrCode = 5 FileName = D:\\B\\Sub\\Locked"};
  EXPECT_EQ(errors, told);
  EXPECT_TRUE(errorWindow);
  platform.chosen = "e:\\All";
  platform.fs.AddFolder("E:\\ALL");
  engine.BitBtn1Click(tree);
  EXPECT_EQ(errors, told);
}

// A folder row's caption is the shell's display name; a folder with a localized name shows
// another than its own. Its node is found by the entry's name, so its contents are copied.
TEST_F(Copy, SelectedFolderWithADisplayNameOfItsOwnIsDescended) {
  Build({"D:\\Work\\Sub", "D:\\Work\\a.txt"});
  engine.copy1Click(tree.FirstNode(), {{true, "サブフォルダー"}, {false, "a.txt"}});
  EXPECT_EQ(engine.ByteTotal(), 20);
  EXPECT_EQ(Contents("E:\\BACKUP\\Sub\\b.txt"), "b");
  EXPECT_TRUE(errors.empty());
}

// A drive root target is held as "D:\", and both copy commands find its node. It mirrors onto
// the chosen folder itself, whose attributes stay whatever the policy and "属性を無視" say.
TEST_F(Copy, DriveRootTargetIsCopiedWholeByBothCommands) {
  constexpr uint32_t kChosen = kAttrDirectory | kAttrHidden | kAttrReadOnly;
  platform.fs.AddFolder("D:\\");
  platform.fs.Find("E:\\BACKUP")->attributes = kChosen;
  choices.policy = ExistingPolicy::OverwriteAll;
  choices.resetAttributes = true;
  Build({"D:\\"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\Work\\Sub\\b.txt"), "b");
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP")->attributes, kChosen);
  platform.chosen = "e:\\Menu";
  platform.fs.AddFolder("E:\\MENU", kChosen);
  engine.copy1Click(tree.FirstNode(), {{true, "ローカル ディスク (D:)"}});
  EXPECT_EQ(Contents("E:\\MENU\\Work\\a.txt"), "a");
  EXPECT_EQ(Contents("E:\\MENU\\Work\\Sub\\b.txt"), "b");
  EXPECT_EQ(platform.fs.Find("E:\\MENU")->attributes, kChosen);
  EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
}

TEST_F(Copy, DriveRootsAndForeignTargets) {
  platform.chosen = "E:\\";
  platform.fs.AddFile("C:\\top.txt", 5).contents = "t";
  platform.fs.AddFolder("F:\\Other");
  platform.fs.AddFolder("F:\\Other\\Sub");
  platform.fs.AddFile("F:\\Other\\Sub\\x.txt", 1).contents = "x";
  Build({"C:\\top.txt", "F:\\Other\\Sub"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\top.txt"), "t");
  EXPECT_EQ(Contents("E:\\Sub\\x.txt"), "x");
  engine.copy1Click(tree.FirstNode()->Child(0), {{true, "x.txt"}});
  EXPECT_EQ(Count("copy E:\\x.txt x"), 1u);
}

TEST_F(Copy, CancelFromThePumpKeepsTheFileInHand) {
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub"});
  platform.onPump = [this](int n) {
    if (n == 3) engine.Cancel();
  };  // inside the copy of a.txt
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\a.txt"), "a");
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP\\Sub\\b.txt"), nullptr);
  EXPECT_EQ(changed.size(), 1u);
  EXPECT_EQ(Count("box E ドライブの空きがありません！！"), 0u);
  platform.onPump = nullptr;
  engine.BitBtn1Click(tree);  // the next run starts afresh
  EXPECT_EQ(Contents("E:\\BACKUP\\Sub\\b.txt"), "b");
}

TEST_F(Copy, FreeSpaceAbort) {
  platform.fs.AddFile("D:\\Work\\zero", 0);
  Build({"D:\\Work\\Sub", "D:\\Work\\zero"});
  platform.freeBytes["E:"] = 0;  // 0 is not less than 0
  engine.BitBtn1Click(tree);
  EXPECT_NE(platform.fs.Find("E:\\BACKUP\\Sub"), nullptr);  // folders need no space
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP\\zero"), nullptr);
  const auto box =
      std::find(platform.log.begin(), platform.log.end(), "box E ドライブの空きがありません！！");
  ASSERT_NE(box, platform.log.end());
  EXPECT_EQ(std::vector<std::string>(box - 2, box),
            (std::vector<std::string>{"hide", "timer off"}));
  EXPECT_FALSE(engine.ContinueCopy());
  EXPECT_TRUE(changed.empty());
}

// The volume is asked once a run, and again only when its figure less what was copied comes near
// the file in hand; space that another program takes meanwhile fails that file's copy alone.
TEST_F(Copy, FreeSpaceIsAskedAgainOnlyNearTheEnd) {
  constexpr int64_t kMiB = int64_t{1} << 20;
  struct Case {
    const char* name;
    int64_t free;          // on E: when the run starts
    int64_t fileSize;      // each of four files
    int64_t takenByOther;  // after the first file, by another program
    size_t queries, copied;
    bool box;
  } cases[] = {
      {"plenty of room", 64 * kGiB, 1 * kMiB, 0, 1, 4, false},
      {"filling up: asked before each file, the fourth refused", 100 * kMiB, 30 * kMiB, 0, 4, 3,
       true},
      {"taken meanwhile: the copies fail alone", 1 * kGiB, 1 * kMiB, 1 * kGiB, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform.log.clear();
    errors.clear();
    std::vector<std::string> targets;
    for (int i = 0; i < 4; ++i) {
      const std::string path = "D:\\Big\\f" + std::to_string(i);
      if (!platform.fs.Find(path)) platform.fs.AddFile(path, 0);
      platform.fs.Find(path)->size = c.fileSize;
      targets.push_back(path);
      platform.fs.Remove("E:\\BACKUP\\f" + std::to_string(i));
    }
    tree = TargetTree();
    Build(targets);
    platform.freeBytes["E:"] = c.free;
    platform.onPump = [&](int) {
      if (platform.fs.Find("E:\\BACKUP\\f0") && c.takenByOther) platform.freeBytes["E:"] = 0;
    };
    engine.BitBtn1Click(tree);
    platform.onPump = nullptr;
    EXPECT_EQ(Count("free E:\\BACKUP\\"), c.queries);
    size_t copied = 0;
    for (int i = 0; i < 4; ++i)
      copied += platform.fs.Find("E:\\BACKUP\\f" + std::to_string(i)) != nullptr;
    EXPECT_EQ(copied, c.copied);
    EXPECT_EQ(Count("box E ドライブの空きがありません！！"), c.box ? 1u : 0u);
    EXPECT_EQ(errors.size(), c.takenByOther ? 3u : 0u);
  }
}

// The file system gets the folder as it is spelled on disk; the run's lines, labels and the
// attribute change keep the upper-cased text.
TEST_F(Copy, FileOperationsUseTheFolderAsTheDiskSpellsIt) {
  platform.spelled["E:\\BACKUP"] = "E:\\Backup";
  platform.fs.AddFile("E:\\BACKUP\\a.txt", 5).attributes = kAttrReadOnly;
  choices.policy = ExistingPolicy::OverwriteAll;
  choices.resetAttributes = false;
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Count("copy E:\\Backup\\a.txt"), 1u);
  EXPECT_EQ(Count("mkdir E:\\Backup\\Sub"), 1u);
  EXPECT_EQ(Count("copy E:\\Backup\\Sub\\b.txt x"), 1u);
  EXPECT_EQ(Count("free E:\\Backup\\"), 1u);
  EXPECT_EQ(Count("from D:\\Work\\a.txt"), 1u);
  EXPECT_EQ(
      errors,
      (std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\a.txt"}));  // read-only, kept
  EXPECT_EQ(changed, (std::vector<std::string>{"E:\\BACKUP\\a.txt", "E:\\BACKUP\\Sub\\b.txt"}));
}

TEST_F(Copy, NetworkDestinationAsksItsOwnVolume) {
  platform.chosen = "\\\\srv\\share\\dir";
  platform.fs.AddFolder("\\\\SRV\\SHARE\\DIR");
  Build({"D:\\Work\\a.txt"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("\\\\SRV\\SHARE\\DIR\\a.txt"), "a");
  EXPECT_EQ(Count("free \\\\SRV\\SHARE\\DIR\\"), 1u);
}

TEST_F(Copy, ProgressAboveTwoGiB) {
  platform.fs.AddFile("D:\\Work\\big1", 3 * kGiB);
  platform.fs.AddFile("D:\\Work\\big2", 3 * kGiB);
  Build({"D:\\Work\\big1", "D:\\Work\\big2"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(progress.positions, (std::vector<int>{0, 50, 100}));
  EXPECT_EQ(engine.CopiedBytes(), 6 * kGiB);
}

TEST_F(Copy, TooLongDestinationIsRefusedNotCut) {
  const std::string deep = "D:\\Work\\" + std::string(255, 'n');
  platform.fs.AddFile(deep, 7);
  Build({deep, "D:\\Work\\a.txt"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(errors,
            (std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\" + std::string(255, 'n')}));
  EXPECT_EQ(Count("copy E:\\BACKUP\\a.txt x"), 1u);  // the run goes on
  EXPECT_EQ(changed, (std::vector<std::string>{"E:\\BACKUP\\a.txt"}));
  EXPECT_EQ(engine.CopiedBytes(), 17);
}

TEST_F(Copy, FailingHookEndsTheRunAndRefusesNothingLater) {
  Build({"D:\\Work\\a.txt", "D:\\Work\\Sub"});
  CopyHooks throwing;
  throwing.changeFileAttr = [](const std::string&, FileSystem&) {
    throw std::runtime_error("date");
  };
  CopyEngine failing(platform, progress, throwing);
  EXPECT_THROW(failing.BitBtn1Click(tree), std::runtime_error);
  EXPECT_FALSE(failing.Running());
  EXPECT_EQ(platform.log.back(), "idle");
  // Re-entry through a pump while a run is under way starts nothing.
  int nested = 0;
  CopyEngine quiet(platform, progress, {});
  platform.onPump = [&](int) {
    if (nested++ == 0) quiet.BitBtn1Click(tree);
  };
  const size_t before = Count("timer on");
  quiet.BitBtn1Click(tree);
  EXPECT_EQ(Count("timer on"), before + 1);
  for (auto chosen : {std::optional<std::string>(), std::optional<std::string>("")}) {
    platform.chosen = chosen;  // cancelled, or nothing chosen: nothing at all
    quiet.BitBtn1Click(tree);
    quiet.copy1Click(tree.FirstNode(), {{true, "a.txt"}});
  }
  EXPECT_EQ(Count("timer on"), before + 1);
}

TEST(CopyPaths, EverySecondByteStaysPartOfItsCharacter) {
  const SameTextFn same = [](std::string_view a, std::string_view b) {
    return AsciiEqualsNoCase(a, b);
  };
  for (unsigned lead : {0x81u, 0x9Fu, 0xE0u, 0xFCu}) {
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string c{static_cast<char>(lead), static_cast<char>(trail)};
      SCOPED_TRACE(::testing::PrintToString(c));
      EXPECT_EQ(MirrorPath("E:\\BK", "C:\\" + c, "C:\\" + c + "\\" + c, 0, same), "E:\\BK\\" + c);
      EXPECT_EQ(LastComponents("\\\\SRV" + c, 1),
                "\\SRV" + c);  // a share root keeps its trail bytes
    }
  }
}

TEST_F(Copy, ItemsTheCodePageCannotNameAreReportedAndNoOtherFileTakesTheirPlace) {
  platform.fs.AddFile("D:\\Work\\cafe.txt", 4).contents = "plain";
  platform.fs.AddFile("D:\\Work\\caf?.txt", 5).contents = "accented, no short name";
  platform.fs.AddFolder("D:\\Work\\??");
  Build({"D:\\Work"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(Contents("E:\\BACKUP\\Work\\cafe.txt"), "plain");
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP\\Work\\caf?.txt"), nullptr);
  EXPECT_EQ(platform.fs.Find("E:\\BACKUP\\Work\\??"), nullptr);
  EXPECT_EQ(errors, (std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\Work\\??",
                                              "Not Copy FileName = E:\\BACKUP\\Work\\caf?.txt"}));
  EXPECT_TRUE(errorWindow);
  EXPECT_EQ(changed,
            (std::vector<std::string>{"E:\\BACKUP\\Work\\a.txt", "E:\\BACKUP\\Work\\cafe.txt",
                                      "E:\\BACKUP\\Work\\Sub\\b.txt"}));
}

// A source named by its short name (RSUM~ABC.DOC for résumé2.doc) is copied under its true
// name, here onto a volume without short names, where only the wide calls reach the copy; at
// the destination the source's short name belongs to another file (résumé.doc), which nothing
// may touch. Existence, the policy's time, the reset and the attribute change reach the copy.
TEST_F(Copy, TheCopyIsReachedUnderItsTrueNameNeverByTheSourcesShortName) {
  FakeFs::Item& source = platform.fs.AddFile("D:\\Work\\RSUM~ABC.DOC", 3);
  source.contents = "new";
  source.lastWrite = kDos2030;
  platform.named["E:\\BACKUP\\RSUM~ABC.DOC"] = "E:\\BACKUP\\r?sum?2.doc";
  FakeFs::Item& other = platform.fs.AddFile("E:\\BACKUP\\RSUM~ABC.DOC", 5, kAttrHidden);
  other.contents = "other";
  other.lastWrite = kDos2045;
  onChange = [](const std::string& path, FileSystem& at) { at.SetAttributes(path, kAttrReadOnly); };
  Build({"D:\\Work\\RSUM~ABC.DOC"});
  auto copy = [&] { return platform.fs.Find("E:\\BACKUP\\r?sum?2.doc"); };

  struct Case {
    ExistingPolicy policy;
    uint32_t sourceTime;
    const char* contents;
  } cases[] = {
      {ExistingPolicy::OverwriteAll, kDos2030, "new"},  // made fresh
      {ExistingPolicy::Never, kDos2030, "new"},         // there: kept without a line
      {ExistingPolicy::NewerOnly, kDos2030, "new"},     // not newer: kept
      {ExistingPolicy::NewerOnly, kDos2045, "newer"},   // newer: read-only lifted, replaced
  };
  choices.resetAttributes = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.policy));
    choices.policy = c.policy;
    source.lastWrite = c.sourceTime;
    source.contents = c.sourceTime == kDos2045 ? "newer" : "new";
    engine.BitBtn1Click(tree);
    ASSERT_NE(copy(), nullptr);
    EXPECT_EQ(copy()->contents, c.contents);
    EXPECT_EQ(copy()->attributes, kAttrReadOnly);  // the attribute change reached the copy
    EXPECT_TRUE(errors.empty()) << ::testing::PrintToString(errors);
    EXPECT_EQ(Contents("E:\\BACKUP\\RSUM~ABC.DOC"), "other");
    EXPECT_EQ(other.attributes, kAttrHidden);
  }
  EXPECT_EQ(changed.size(), 4u);
}

// Limits are counted as the file functions count them, in UTF-16 units of the path the copy is
// made at: 150 kanji are 300 bytes but 150 units; a short name standing for a long one counts
// as the long one. A folder that cannot be made has its own line.
TEST_F(Copy, LimitsCountCharactersOfTheTrueDestination) {
  const std::string kanji = [] {
    std::string k;
    for (int i = 0; i < 150; ++i) k += "漢";
    return k;
  }();
  struct Case {
    std::string name;
    std::string trueName;
    bool copied;
  } cases[] = {
      {kanji + ".txt", "", true},                              // 10 + 154 units
      {std::string(249, 'n'), "", true},                       // 259 units
      {std::string(250, 'n'), "", false},                      // 260
      {"LONG~1.TXT", std::string(245, 'l') + "?.txt", false},  // its true name is 260
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    platform.fs.AddFile("D:\\Work\\" + c.name, 1).contents = "x";
    if (!c.trueName.empty()) platform.named["E:\\BACKUP\\" + c.name] = "E:\\BACKUP\\" + c.trueName;
    tree = TargetTree{};
    Build({"D:\\Work\\" + c.name});
    engine.BitBtn1Click(tree);
    const std::string made = "E:\\BACKUP\\" + (c.trueName.empty() ? c.name : c.trueName);
    EXPECT_EQ(Contents(made), c.copied ? "x" : "<none>");
    EXPECT_EQ(errors, c.copied
                          ? std::vector<std::string>{}
                          : std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\" + c.name});
  }

  // A file stands where the folder Sub is to be made: the folder says so, then each file in it.
  platform.fs.AddFile("E:\\BACKUP\\Sub", 1);
  tree = TargetTree{};
  Build({"D:\\Work\\Sub"});
  engine.BitBtn1Click(tree);
  EXPECT_EQ(errors, (std::vector<std::string>{"Not Copy FileName = E:\\BACKUP\\Sub",
                                              "Not Copy FileName = E:\\BACKUP\\Sub\\b.txt"}));
}
