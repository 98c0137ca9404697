#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "fake_fs.h"
#include "ops/attrib/change_attr.h"
#include "targets/builder.h"
#include "targets/entry.h"

using namespace mv;
using mv::testing::FakeFs;

namespace {

constexpr const char* kDate = "1997/05/07 12:34:59";
constexpr uint32_t kDos = (17u << 25 | 5u << 21 | 7u << 16) | (12u << 11 | 34u << 5 | 29u);

// The fake file system with a log of the calls that change something, in order.
class LoggingFs : public FakeFs {
 public:
  std::vector<std::string> log;
  bool throwOnSetTime = false;

  int SetAttributes(const std::string& path, uint32_t attributes) override {
    log.push_back("attr " + PathName(path) + " " + std::to_string(attributes));
    return FakeFs::SetAttributes(path, attributes);
  }
  std::unique_ptr<OpenFile> OpenExclusive(const std::string& path) override {
    std::unique_ptr<OpenFile> inner = FakeFs::OpenExclusive(path);
    log.push_back((inner ? "open " : "open failed ") + PathName(path));
    if (!inner) return nullptr;
    struct Logged : OpenFile {
      LoggingFs& fs;
      std::unique_ptr<OpenFile> inner;
      Logged(LoggingFs& f, std::unique_ptr<OpenFile> i) : fs(f), inner(std::move(i)) {}
      ~Logged() override { fs.log.push_back("close"); }
      int SetLastWriteDos(uint32_t dos) override {
        fs.log.push_back("time");
        if (fs.throwOnSetTime) throw std::runtime_error("device gone");
        return inner->SetLastWriteDos(dos);
      }
    };
    return std::make_unique<Logged>(*this, std::move(inner));
  }
};

struct Ui : AttribRunUi {
  std::vector<std::string> calls;
  bool answer = true;
  void Notice(const std::string& text) override { calls.push_back("notice " + text); }
  bool Confirm(const std::string&) override {
    calls.push_back("confirm");
    return answer;
  }
  void SetBusy(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  void RefillFileList() override { calls.push_back("refill"); }
  void ShowErrorWindow() override { calls.push_back("show"); }
};

struct Rig {
  LoggingFs fs;
  ErrorList errors;
  AttribChoices choices;
  AttribChanger changer{fs, errors, [this] { return choices; }, YmdLocale(), [] { return 2026; }};
  static LocaleDates YmdLocale() {
    LocaleDates l;
    l.shortDatePattern = "yyyy/M/d";
    return l;
  }
  uint32_t Attr(const std::string& path) { return fs.Find(path)->attributes; }
  uint64_t Time(const std::string& path) { return fs.Find(path)->lastWrite; }
};

// D:\W\ holding folder Sub (child node) and a.txt; Sub holding b.txt.
struct TreeRig : Rig {
  TargetTree tree;
  Node* root;
  Node* sub;
  TreeRig() {
    fs.AddFolder("D:\\W");
    fs.AddFolder("D:\\W\\Sub");
    fs.AddFile("D:\\W\\a.txt");
    fs.AddFile("D:\\W\\Sub\\b.txt");
    root = &tree.AddRoot("D:\\W\\");
    root->entries = {MakeEntry(0, "D:\\W\\SUB"), MakeEntry(0, "D:\\W\\a.txt")};
    sub = &tree.AddChild(*root, "Sub");
    sub->entries = {MakeEntry(0, "D:\\W\\Sub\\b.txt")};
  }
};

}  // namespace

TEST(ChangeFileAttr, ReadOnlyIsLiftedForTheDateAndRestoredAfterClosing) {
  Rig r;
  r.fs.AddFile("D:\\f", 0, kAttrReadOnly | kAttrArchive);
  r.choices.dateText = kDate;
  r.changer.ChangeFileAttr("D:\\f");
  EXPECT_EQ(r.Time("D:\\f"), kDos);  // 59 s stored as 58
  EXPECT_EQ(r.Attr("D:\\f"), kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(r.fs.log,
            (std::vector<std::string>{"attr f 32", "open f", "time", "close", "attr f 33"}));

  r.choices.readOnly = kClear;  // restored by the date part, then cleared by the attribute part
  r.changer.ChangeFileAttr("D:\\f");
  EXPECT_EQ(r.Attr("D:\\f"), kAttrArchive);
  EXPECT_EQ(r.fs.log.back(), "attr f 32");
  EXPECT_TRUE(r.errors.Empty());
}

TEST(ChangeFileAttr, FailuresBecomeLinesAndTheAttributePartStillRuns) {
  Rig r;
  r.fs.AddFile("D:\\locked", 0, kAttrReadOnly).locked = true;
  r.fs.AddFile("D:\\late");
  r.choices.hidden = kSet;
  r.choices.dateText = "2100/01/01 00:00:00";
  r.changer.ChangeFileAttr("D:\\locked");
  r.changer.ChangeFileAttr("D:\\late");
  EXPECT_EQ(r.errors.Lines(),
            (std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = D:\\locked",
                                      "DateSetErr ErrCode = 87 FileName = D:\\late"}));
  EXPECT_EQ(r.Attr("D:\\locked"), kAttrReadOnly | kAttrHidden);  // read-only came back
  EXPECT_EQ(r.Attr("D:\\late"), kAttrArchive | kAttrHidden);

  // A raise while setting the time still closes the file and restores read-only.
  r.fs.AddFile("D:\\ro", 0, kAttrReadOnly);
  r.fs.throwOnSetTime = true;
  r.fs.log.clear();
  EXPECT_THROW(r.changer.ChangeFileAttr("D:\\ro"), std::runtime_error);
  EXPECT_EQ(r.fs.log,
            (std::vector<std::string>{"attr ro 0", "open ro", "time", "close", "attr ro 1"}));
}

TEST(ChangeFileAttr, FoldersAndUnreadablePaths) {
  Rig r;
  r.fs.AddFolder("D:\\dir");
  r.choices.hidden = kSet;
  r.choices.dateText = kDate;
  r.changer.ChangeFileAttr("D:\\dir");      // a date given: left alone entirely
  r.changer.ChangeFileAttr("D:\\missing");  // cannot take the date: says so, then the attributes
  EXPECT_EQ(r.Attr("D:\\dir"), kAttrDirectory);
  EXPECT_EQ(r.fs.log, std::vector<std::string>{"attr missing 65535"});  // the folder is not touched
  EXPECT_EQ(r.errors.Lines(),
            (std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = D:\\missing",
                                      "Attribute SetErr ErrCode = 2 FileName = D:\\missing"}));
  r.choices.hidden = kLeave;  // the date alone
  r.errors.Clear();
  r.changer.ChangeFileAttr("D:\\missing");
  EXPECT_EQ(r.errors.Lines(),
            std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = D:\\missing"});
  r.errors.Clear();
  r.choices.hidden = kSet;

  r.choices.dateText = "    /  /     :  :  ";
  r.changer.ChangeFileAttr("D:\\dir");
  r.changer.ChangeFileAttr("D:\\missing");
  EXPECT_EQ(r.Attr("D:\\dir"), kAttrDirectory | kAttrHidden);
  EXPECT_EQ(r.errors.Lines(),
            std::vector<std::string>{"Attribute SetErr ErrCode = 2 FileName = D:\\missing"});
}

TEST(ChangeFileAttr, ChoicesApplyInOrderAndCarryOtherBits) {
  AttribChoices c;
  c.readOnly = kSet, c.archive = kClear, c.system = kSet, c.hidden = kClear;
  EXPECT_EQ(ApplyChoices(0x2022, c), 0x2005);  // 0x2000 is carried through
  EXPECT_EQ(ApplyChoices(0x2022, AttribChoices{}), 0x2022);

  Rig r;
  r.fs.AddFile("D:\\f");
  r.choices.dateText = kDate;  // date only: the attribute part writes nothing
  r.changer.ChangeFileAttr("D:\\f");
  EXPECT_EQ(r.fs.log, (std::vector<std::string>{"open f", "time", "close"}));
  r.choices.dateText = "  97/05/07 12:00:00";  // counts as empty
  r.choices.system = kSet;
  r.changer.ChangeFileAttr("D:\\f");
  EXPECT_EQ(r.fs.log.back(), "attr f 36");
  EXPECT_EQ(r.Time("D:\\f"), kDos);
}

TEST(ChangeFileAttr, TextThatIsNoDateRaisesBeforeAnythingIsTouched) {
  Rig r;
  r.fs.AddFile("D:\\f", 0, kAttrReadOnly);
  r.choices.hidden = kSet;
  r.choices.dateText = "1997/02/29 00:00:00";
  EXPECT_THROW(r.changer.ChangeFileAttr("D:\\f"), DateConvertError);
  EXPECT_TRUE(r.fs.log.empty());
  EXPECT_EQ(r.Attr("D:\\f"), kAttrReadOnly);
}

TEST(AttribCommands, NothingChosenOrDeclinedLeavesTheListAlone) {
  TreeRig r;
  Ui ui;
  r.errors.Append("old");
  EXPECT_EQ(RunChangeAll(r.changer, r.errors, r.tree, ui), RunResult::NothingChosen);
  EXPECT_EQ(ui.calls, std::vector<std::string>{std::string("notice ") + kNothingChosenNotice});
  r.choices.hidden = kSet;
  ui.answer = false;
  EXPECT_EQ(RunChangeAll(r.changer, r.errors, r.tree, ui), RunResult::Declined);
  EXPECT_EQ(r.errors.Count(), 1u);
  EXPECT_EQ(r.Attr("D:\\W\\a.txt"), kAttrArchive);
}

TEST(AttribCommands, WholeTreeIncludesFolderEntriesWithoutADate) {
  TreeRig r;
  Ui ui;
  r.errors.Append("old");
  r.choices.hidden = kSet;
  r.fs.Remove("D:\\W\\Sub\\b.txt");  // its entry stays: one failure
  EXPECT_EQ(RunChangeAll(r.changer, r.errors, r.tree, ui), RunResult::Done);
  EXPECT_EQ(r.Attr("D:\\W\\Sub"), kAttrDirectory | kAttrHidden);
  EXPECT_EQ(r.Attr("D:\\W\\a.txt"), kAttrArchive | kAttrHidden);
  EXPECT_EQ(r.errors.Lines(),
            std::vector<std::string>{"Attribute SetErr ErrCode = 2 FileName = D:\\W\\Sub\\b.txt"});
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"confirm", "busy", "idle", "refill", "show"}));

  ui.calls.clear();
  r.fs.AddFile("D:\\W\\Sub\\b.txt");
  r.choices.dateText = kDate;
  RunChangeAll(r.changer, r.errors, r.tree, ui);
  EXPECT_EQ(r.Time("D:\\W\\Sub\\b.txt"), kDos);
  EXPECT_EQ(r.Time("D:\\W\\Sub"), 0u);
  EXPECT_TRUE(r.errors.Empty());
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"confirm", "busy", "idle", "refill"}));
}

TEST(AttribCommands, ConversionFailureStopsTheRunUnrefreshed) {
  TreeRig r;
  Ui ui;
  r.choices.hidden = kSet;
  r.choices.dateText = "1997/05/07 24:00:00";
  EXPECT_THROW(RunChangeAll(r.changer, r.errors, r.tree, ui), DateConvertError);
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"confirm", "busy", "idle"}));
  EXPECT_TRUE(r.fs.log.empty());
}

TEST(AttribCommands, SelectedRowsDescendIntoTheirChildNodes) {
  TreeRig r;
  Ui ui;
  r.choices.system = kSet;
  // Row 0 is the folder (folder row i is child node i), row 5 does not exist.
  EXPECT_EQ(RunChangeSelected(r.changer, r.errors, r.root, {5, 0}, ui), RunResult::Done);
  EXPECT_EQ(r.Attr("D:\\W\\Sub\\b.txt"), kAttrArchive | kAttrSystem);
  EXPECT_EQ(r.Attr("D:\\W\\Sub"), kAttrDirectory);  // folders themselves are not changed
  EXPECT_EQ(r.Attr("D:\\W\\a.txt"), kAttrArchive);  // not selected

  r.sub->text = "Other";  // the node's text plays no part
  r.choices.hidden = kSet;
  RunChangeSelected(r.changer, r.errors, r.root, {0}, ui);
  EXPECT_EQ(r.Attr("D:\\W\\Sub\\b.txt"), kAttrArchive | kAttrSystem | kAttrHidden);

  // A file row that cannot be read now is not passed over as a folder without a node.
  r.fs.Remove("D:\\W\\a.txt");
  r.choices.hidden = kLeave;
  r.choices.system = kLeave;
  r.choices.dateText = kDate;
  RunChangeSelected(r.changer, r.errors, r.root, {1}, ui);
  EXPECT_EQ(r.errors.Lines(),
            std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = D:\\W\\a.txt"});
}

// Folder rows of one name (targets A\Sub and B\Sub from a search, or Sub beside sub on a
// case-sensitive volume) each reach their own node; a folder that could not be listed is told.
TEST(AttribCommands, FolderRowsOfOneNameReachTheirOwnNodesAndUnlistedFoldersAreTold) {
  for (bool caseSensitive : {false, true}) {
    Rig r;
    Ui ui;
    r.fs.caseSensitive = caseSensitive;
    const std::string first = caseSensitive ? "D:\\W\\Sub" : "D:\\A\\Sub";
    const std::string second = caseSensitive ? "D:\\W\\sub" : "D:\\B\\Sub";
    for (const char* folder : {"D:\\W", "D:\\A", "D:\\B"}) r.fs.AddFolder(folder);
    r.fs.AddFolder(first);
    r.fs.AddFile(first + "\\x.txt");
    r.fs.AddFolder(second);
    r.fs.AddFile(second + "\\y.txt");
    r.fs.AddFolder(second + "\\Locked");
    r.fs.Deny(second + "\\Locked");
    TargetTree tree;
    TreeBuilder(r.fs, tree).Build({first, second}, false);
    r.choices.hidden = kSet;
    RunChangeSelected(r.changer, r.errors, tree.FirstNode(), {1}, ui);
    EXPECT_EQ(r.Attr(first + "\\x.txt"), kAttrArchive) << caseSensitive;
    EXPECT_EQ(r.Attr(second + "\\y.txt"), kAttrArchive | kAttrHidden) << caseSensitive;
    EXPECT_EQ(r.errors.Lines(),
              std::vector<std::string>{"FindErr ErrCode = 5 FileName = " + second + "\\Locked"});
    RunChangeAll(r.changer, r.errors, tree, ui);
    EXPECT_EQ(r.errors.Lines(),
              std::vector<std::string>{"FindErr ErrCode = 5 FileName = " + second + "\\Locked"});
  }
}

// A selected drive root row ("D:\\") descends into its node, named by the drive.
TEST(AttribCommands, SelectedDriveRootRowDescendsIntoItsNode) {
  Rig r;
  Ui ui;
  r.fs.AddFolder("D:\\");
  r.fs.AddFile("D:\\top.txt");
  TargetTree tree;
  Node& top = tree.AddRoot("D:\\");
  top.entries = {MakeEntry(0, "D:\\")};
  tree.AddChild(top, "D:").entries = {MakeEntry(0, "D:\\top.txt")};
  r.choices.hidden = kSet;
  RunChangeSelected(r.changer, r.errors, &top, {0}, ui);
  EXPECT_EQ(r.Attr("D:\\top.txt"), kAttrArchive | kAttrHidden);
}

TEST(ChangeFileAttr, AnItemTheCodePageCannotNameGetsItsLinesAndNothingElseIsTouched) {
  Rig r;
  r.fs.AddFile("D:\\cafe.txt");
  r.fs.AddFile("D:\\caf?.txt");  // café.txt on a volume without short names
  r.choices.hidden = kSet;
  r.choices.dateText = kDate;
  r.changer.ChangeFileAttr("D:\\caf?.txt");
  EXPECT_EQ(r.errors.Lines(),
            (std::vector<std::string>{"FileOpenErr ErrCode = -1 FileName = D:\\caf?.txt",
                                      "Attribute SetErr ErrCode = 123 FileName = D:\\caf?.txt"}));
  EXPECT_TRUE(r.fs.log.empty());
  EXPECT_EQ(r.fs.markedAsks, 0);
  EXPECT_EQ(r.Attr("D:\\cafe.txt"), kAttrArchive);

  // A text that is no date ends the run here as at any other file.
  r.choices.dateText = "1997/02/29 00:00:00";
  EXPECT_THROW(r.changer.ChangeFileAttr("D:\\caf?.txt"), DateConvertError);
}

TEST(AttribCommands, SelectedItemsTheCodePageCannotNameAreNotPassedOver) {
  TreeRig r;
  Ui ui;
  r.root->entries.insert(r.root->entries.begin() + 1, MakeEntry(0, "D:\\W\\??"));  // a folder, 한글
  r.tree.AddChild(*r.root, "??");
  r.root->entries.push_back(MakeEntry(0, "D:\\W\\caf?.txt"));
  r.choices.readOnly = kSet;
  RunChangeSelected(r.changer, r.errors, r.root, {1, 3}, ui);
  EXPECT_EQ(r.errors.Lines(), (std::vector<std::string>{
                                  "Attribute SetErr ErrCode = 123 FileName = D:\\W\\??",
                                  "Attribute SetErr ErrCode = 123 FileName = D:\\W\\caf?.txt"}));
  EXPECT_EQ(r.fs.markedAsks, 0);
}
