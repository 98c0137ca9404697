#include "app/session.h"

#include <utility>

#include "ops/attrib/date_time.h"
#include "targets/entry.h"

namespace mv {

Session::Session(SessionWindow& window, SessionPorts ports, std::vector<std::string> args)
    : window_(window),
      list_(ports.list),
      settings_(ports.settings),
      args_(std::move(args)),
      builder_(
          ports.fs, tree_,
          BuildHooks{[this] { window_.PumpMessages(); }, [this](bool on) { window_.SetBusy(on); }}),
      browser_(tree_, ports.fs, ports.list, *this, ports.shell, ports.dates, *this),
      changer_(
          ports.fs, errors_, [this] { return window_.AttribPanel(); }, ports.locale,
          std::move(ports.currentYear)) {
  tree_.SetObserver(ports.mirror);
}

Session::~Session() { tree_.SetObserver(nullptr); }

void Session::AttachCopy(CopyPlatform& platform, CopyProgress& progress) {
  CopyHooks hooks;
  hooks.choices = [this] {
    CopyChoices c;
    const int item = window_.ExistingItem();
    c.policy = static_cast<ExistingPolicy>(item >= 0 && item <= 2 ? item : 1);
    c.resetAttributes = window_.IgnoreAttributes();
    return c;
  };
  hooks.changeFileAttr = [this](const std::string& path, FileSystem& at) {
    changer_.ChangeFileAttr(path, at);
  };
  hooks.clearErrors = [this] { errors_.Clear(); };
  hooks.appendError = [this](const std::string& line) { errors_.Append(line); };
  hooks.errorCount = [this] { return errors_.Count(); };
  hooks.showErrors = [this] { window_.ShowErrorWindow(); };
  copy_ = std::make_unique<CopyEngine>(platform, progress, std::move(hooks));
}

void Session::AttachArchive(lha::ArchivePlatform& platform, lha::ArchiveUi& ui) {
  archive_ = std::make_unique<lha::ArchiveCommands>(platform, ui, errors_);
}

void Session::ApplySettings() {
  const Settings s = ReadSettings(settings_, window_.CurrentSettings());
  // A stored label that names no layout is shown as it is, with the first layout's mask.
  window_.RestoreDateLabel(s.ageLabel);
  // The marks come back resolved: at most one is set, and it decides the style.
  const bool marks[4] = {s.icon, s.list, s.report, s.smallIcon};
  for (int i = 0; i < 4; ++i) {
    window_.SetViewMark(i, marks[i]);
    if (marks[i]) SetViewStyle(i);
  }
  window_.SetSizes(s.formWidth, s.formHeight, s.treeWidth);
  if (s.subDirChecked != window_.SubDirChecked()) {
    window_.SetSubDirChecked(s.subDirChecked);
    browser_.SubChekClick(s.subDirChecked);
  }
}

bool Session::CloseQuery() {
  std::optional<std::string> error = WriteSettings(settings_, window_.CurrentSettings());
  closing_ = true;
  if (error) {
    window_.ErrorBox(*error);
    return false;  // stays open; the next close tries again
  }
  return true;
}

bool Session::FirstShow() {
  if (shown_) return false;
  shown_ = true;
  return true;
}

template <typename F>
void Session::Operate(Operation op, F&& body) {
  running_ = op;
  try {
    body();
  } catch (const DateConvertError& e) {
    // A date text that does not convert ends the command, as an unhandled error would.
    running_ = Operation::None;
    window_.ErrorBox(e.what());
  }
  running_ = Operation::None;
  // What arrived meanwhile runs now, unless a handler further out still works on the tree.
  if (depth_ <= 1) Settle();
}

void Session::BuildFromCommandLine() {
  if (!args_.empty()) {
    running_ = Operation::Build;
    window_.SetBusy(true);
    window_.EnableOperations(true);
    window_.BeginTreeUpdate();
    builder_.Build(args_, true);
    window_.EndTreeUpdate();
    running_ = Operation::None;
    ShowTotals();
  }
  SelectFirstNode();
  if (!args_.empty()) ReportBuildFailures();
  AfterBuild();
  if (depth_ <= 1) Settle();
}

void Session::ApplyDrop(const std::vector<std::string>& paths) {
  running_ = Operation::Build;
  window_.SetBusy(true);
  tree_.TotalCount = 0;
  tree_.TotalSize = 0;
  window_.EnableOperations(true);
  window_.BringToFront();
  window_.BeginTreeUpdate();
  builder_.Build(paths, false);
  window_.EndTreeUpdate();
  running_ = Operation::None;
  SelectFirstNode();
  ShowTotals();
  ReportBuildFailures();
  AfterBuild();
}

void Session::AfterBuild() {
  // The first build of the run, whether from the command line or a drop, sets it once.
  if (!builder_.FirstBaseFolder().empty()) window_.SetArchiveFolder(builder_.FirstBaseFolder());
}

void Session::SelectFirstNode() {
  window_.ExpandAll(true);
  window_.SelectNode(tree_.FirstNode());
  window_.FocusTree();
}

void Session::ReportBuildFailures() {
  // What the build could not reach is told at once, as a run tells its failures: the error list
  // holds those lines and the error window comes up. A build that reached everything leaves the
  // list of the last run as it was.
  const std::vector<std::string>& lines = builder_.FailureLines();
  if (lines.empty()) return;
  errors_.Clear();
  for (const std::string& line : lines) errors_.Append(line);
  window_.ShowErrorWindow();
}

void Session::ShowTotals() {
  window_.SetPanel(1, FormatTotal(tree_.TotalCount) + "個");
  window_.SetPanel(2, FormatTotal(tree_.TotalSize) + "ﾊﾞｲﾄ");
}

void Session::Settle() {
  // Drops first, each a build of its own (under which new ones wait again); then a close.
  while (!gone_ && !pendingDrop_.empty() && !Held()) {
    std::vector<std::string> paths = std::move(pendingDrop_);
    pendingDrop_.clear();
    ApplyDrop(paths);
  }
  if (gone_ || Held()) return;
  if (pendingEnd_) {
    pendingEnd_ = pendingClose_ = false;
    window_.Destroy();
  } else if (pendingClose_) {
    pendingClose_ = false;
    window_.PostClose();
  }
}

void Session::LeaveHandler() {
  if (--depth_ == 0) Settle();
}

void Session::Drop(std::vector<std::string> paths) {
  if (paths.empty() || gone_) return;
  pendingDrop_ = std::move(paths);  // a later drop replaces one still waiting
  // Under a running operation the drop waits for its end, and under a handler's box until the
  // handler returns (it may still use the tree it started on).
  if (!Held()) Settle();
}

void Session::Close() {
  if (gone_) return;
  if (Held()) {
    // Closing under a running copy would pull the window from under it: stop the run first.
    pendingClose_ = true;
    CancelCopy();
    return;
  }
  if (CloseQuery()) window_.Destroy();
}

bool Session::QueryEndSession() { return CloseQuery(); }

void Session::EndSession(bool ending) {
  if (!ending) {
    closing_ = false;  // the session goes on, and so does the window
    pendingEnd_ = false;
    return;
  }
  if (gone_) return;
  if (Held()) {
    // The settings were stored when the end was asked; the window goes when the run is over.
    pendingEnd_ = true;
    CancelCopy();
    return;
  }
  window_.Destroy();
}

void Session::Destroying() {
  gone_ = true;
  pendingDrop_.clear();
  pendingClose_ = pendingEnd_ = false;
  tree_.Clear();
}

void Session::CancelCopy() {
  if (copy_ && copy_->Running()) copy_->Cancel();
}

std::vector<size_t> Session::SelectedRows() const {
  std::vector<size_t> rows;
  for (size_t i = 0, n = list_.RowCount(); i < n; ++i)
    if (list_.IsSelected(i)) rows.push_back(i);
  return rows;
}

void Session::SetViewStyle(int item) {
  static const ViewStyle styles[] = {ViewStyle::Icon, ViewStyle::List, ViewStyle::Report,
                                     ViewStyle::SmallIcon};
  window_.SetListStyle(styles[item]);
  for (int i = 0; i < 4; ++i) window_.SetViewMark(i, i == item);
}

void Session::Run(Command command) {
  // Nothing starts while an operation runs; Cancel of the progress dialog is the dialog's own.
  // The close button waits like the close box, and the box and the view styles touch no target.
  const bool harmless = command == Command::Close || command == Command::SubDir ||
                        (command >= Command::ViewIcon && command <= Command::ViewSmallIcon);
  if (running_ != Operation::None && !harmless) return;
  switch (command) {
    case Command::Change:
      Operate(Operation::Change, [&] { RunChangeAll(changer_, errors_, tree_, *this); });
      break;
    case Command::ChangeSelected: {
      std::vector<size_t> rows = SelectedRows();
      Node* node = window_.SelectedNode();
      Operate(Operation::Change,
              [&] { RunChangeSelected(changer_, errors_, node, std::move(rows), *this); });
      break;
    }
    case Command::Copy:
      if (copy_) Operate(Operation::Copy, [&] { copy_->BitBtn1Click(tree_); });
      break;
    case Command::CopySelected:
      if (copy_) {
        std::vector<FileRow> rows;
        for (size_t i = 0, n = list_.RowCount(); i < n; ++i)
          rows.push_back(FileRow{list_.IsSelected(i), browser_.RowText(i, 0)});
        Node* node = window_.SelectedNode();
        Operate(Operation::Copy, [&] { copy_->copy1Click(node, rows); });
      }
      break;
    case Command::Archive:
      if (archive_) Operate(Operation::Archive, [&] { archive_->BitBtn3Click(tree_); });
      break;
    case Command::ArchiveSelected:
      if (archive_) {
        std::vector<lha::SelectedRow> rows;
        for (size_t i : SelectedRows()) rows.push_back(lha::SelectedRow{i, browser_.RowText(i, 0)});
        Node* node = window_.SelectedNode();
        Operate(Operation::Archive, [&] { archive_->Lha1Click(node, rows); });
      }
      break;
    case Command::Close:
      window_.PostClose();
      break;
    case Command::ErrorList:
      window_.ShowErrorWindow();
      break;
    case Command::About:
      window_.ShowAbout();
      break;
    case Command::SubDir:
      browser_.SubChekClick(window_.SubDirChecked());
      break;
    case Command::ViewIcon:
    case Command::ViewList:
    case Command::ViewReport:
    case Command::ViewSmallIcon:
      SetViewStyle(static_cast<int>(command) - static_cast<int>(Command::ViewIcon));
      break;
    case Command::UpFolder:
      browser_.upfolderClick();
      break;
    case Command::SelectAll:
      browser_.selectAll1Click();
      break;
    case Command::RemoveRows:
      browser_.Delete1Click();
      break;
    case Command::RemoveNode:
      browser_.delete2Click();
      break;
    case Command::FullExpand:
      browser_.FullExpand1Click();
      break;
    case Command::FullCollapse:
      browser_.FullCollapse1Click();
      break;
    case Command::DateLayout1:
    case Command::DateLayout2:
    case Command::DateLayout3:
    case Command::DateLayout4:
      window_.ChooseDateLayout(static_cast<int>(command) - static_cast<int>(Command::DateLayout1));
      break;
  }
}

}  // namespace mv
