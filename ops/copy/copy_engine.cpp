#include "ops/copy/copy_engine.h"

#include <algorithm>

#include "platform/text.h"
#include "targets/entry.h"

namespace mv {

struct CopyEngine::Snap {
  std::string text;
  std::vector<std::string> entries;
  std::vector<Snap> children;  // child i is the folder of entry i
  std::string path;            // the folder's own entry path; empty for a top node
  int listError = 0;           // its contents are missing from the tree (Node::listError)

  static Snap Of(const Node& node) {
    Snap snap{node.text, node.entries, {}, FolderPathOf(node), node.listError};
    snap.children.reserve(node.children.size());
    for (const auto& child : node.children) snap.children.push_back(Of(*child));
    return snap;
  }
  // The node of folder row or entry i: by position, never by name (two targets A\Sub and B\Sub,
  // or "Sub" and "sub" on a case-sensitive volume, share a name).
  const Snap* Child(size_t i) const { return i < children.size() ? &children[i] : nullptr; }
};

namespace {

const char kNotCopy[] = "Not Copy FileName = ";
const char kDiskFull[] = " ドライブの空きがありません！！";

template <typename Fn>
void OrNothing(Fn& fn) {
  if (!fn) fn = [](auto&&...) {};
}

// The first character of the text, a double-byte character whole.
std::string FirstChar(const std::string& text) {
  if (text.empty()) return {};
  return text.substr(0, CharSize(text, 0));
}

}  // namespace

bool IsNewer(FileSystem& fs, uint64_t sourceTime, uint64_t destinationTime) {
  const std::optional<uint32_t> source = fs.ToLocalDos(sourceTime);
  const std::optional<uint32_t> destination = fs.ToLocalDos(destinationTime);
  // Packed DOS times compare unsigned: years from 2044 set the top bit.
  if (source && destination) return *source > *destination;
  // A time the packed form cannot hold (before 1980, after 2107) must not count as the oldest
  // or the newest of all: compare the file times themselves, in the same two-second steps.
  constexpr uint64_t kTwoSeconds = 20000000;  // in 100 ns units
  return sourceTime / kTwoSeconds > destinationTime / kTwoSeconds;
}

int64_t ProgressPosition(int64_t copied, int64_t total, int64_t previous) {
  const int64_t step = total / 100;
  return step > 0 ? copied / step : previous;
}

CopyEngine::CopyEngine(CopyPlatform& platform, CopyProgress& progress, CopyHooks hooks)
    : platform_(platform), progress_(progress), hooks_(std::move(hooks)) {
  if (!hooks_.choices) hooks_.choices = [] { return CopyChoices{}; };
  if (!hooks_.errorCount) hooks_.errorCount = [] { return size_t{0}; };
  if (!hooks_.changeFileAttr) hooks_.changeFileAttr = [](const std::string&, FileSystem&) {};
  OrNothing(hooks_.clearErrors);
  OrNothing(hooks_.appendError);
  OrNothing(hooks_.showErrors);
}

CopyChoices CopyEngine::Choices() const { return hooks_.choices(); }

void CopyEngine::BitBtn1Click(const TargetTree& tree) {
  if (running_ || tree.Empty()) return;
  std::optional<std::string> chosen = platform_.ChooseFolder();
  if (!chosen || chosen->empty()) return;  // an empty folder would mean the drive's root
  base_ = SourceBaseOfRoot(tree.FirstNode()->text);
  std::vector<Snap> roots;
  for (const auto& root : tree.Roots()) roots.push_back(Snap::Of(*root));

  destination_ = platform_.UpperCase(*chosen);
  BeginRun();
  total_ = tree.TotalSize;
  try {
    // Tree order puts a folder entry (in its parent's list) before the node of its contents.
    std::function<void(const Snap&, int)> visit = [&](const Snap& node, int depth) {
      ReportUnlisted(node);
      for (const std::string& entry : node.entries) {
        if (stop_ || !CopyEntry(EntryPath(entry), depth)) return;
      }
      for (const Snap& child : node.children) {
        if (stop_ || !continueCopy_) return;
        visit(child, depth + 1);
      }
    };
    for (const Snap& root : roots) {
      if (stop_ || !continueCopy_) break;
      visit(root, 0);
    }
  } catch (...) {
    EndRun(false);
    throw;
  }
  EndRun(true);
}

void CopyEngine::copy1Click(const Node* selected, const std::vector<FileRow>& rows) {
  if (running_ || !selected || selected->entries.empty()) return;
  const Snap node = Snap::Of(*selected);
  base_ = SourceBaseOfEntry(EntryPath(node.entries.front()));
  const size_t count = std::min(rows.size(), node.entries.size());

  // Sizing pass: no pumps, so it cannot be cancelled.
  int64_t total = 0;
  platform_.BusyCursor(true);
  for (size_t i = 0; i < count; ++i) {
    if (!rows[i].selected) continue;
    const std::string path = EntryPath(node.entries[i]);
    std::optional<FindItem> item = platform_.Files().Lookup(path);
    if (item) total += item->size;
    uint32_t attributes = item ? item->attributes : platform_.Files().GetAttributes(path);
    if (attributes & kAttrDirectory) {
      if (const Snap* child = node.Child(i)) SumNodeBytes(*child, total);
    }
  }
  platform_.BusyCursor(false);

  std::optional<std::string> chosen = platform_.ChooseFolder();
  if (!chosen || chosen->empty()) return;  // an empty folder would mean the drive's root
  destination_ = platform_.UpperCase(*chosen);
  BeginRun();
  total_ = total;
  try {
    for (size_t i = 0; i < count; ++i) {
      platform_.PumpMessages();
      if (!continueCopy_) break;
      if (!rows[i].selected) continue;
      const std::string path = EntryPath(node.entries[i]);
      const int64_t size = CopyOneFile(path, 0);
      if (size == kNoSpace) {
        DiskFullAbort();
        break;
      }
      copied_ += size;
      UpdateProgress();
      // A failed read counts as a folder: its node, if any, decides.
      if (platform_.Files().GetAttributes(path) & kAttrDirectory) {
        if (const Snap* child = node.Child(i)) CopyNodeFiles(*child, 1);
        if (stop_) break;
      }
    }
  } catch (...) {
    EndRun(false);
    throw;
  }
  EndRun(true);
}

void CopyEngine::BeginRun() {
  running_ = true;
  stop_ = false;
  continueCopy_ = true;
  hooks_.clearErrors();
  progress_.StartTimer();
  copied_ = 0;
  total_ = 0;
  position_ = 0;
  freeEstimate_.reset();
  progress_.SetPosition(0);
  destination_ = RunDestination(destination_);
  onDisk_ = platform_.SpelledOnDisk(destination_);
  platform_.BusyCursor(true);
}

void CopyEngine::EndRun(bool showErrors) {
  progress_.StopTimer();
  progress_.Hide();
  platform_.BusyCursor(false);
  running_ = false;
  if (showErrors && hooks_.errorCount() > 0) hooks_.showErrors();
}

bool CopyEngine::CopyEntry(const std::string& path, int depth) {
  platform_.PumpMessages();
  if (!continueCopy_) {
    stop_ = true;
    return false;
  }
  const int64_t size = CopyOneFile(path, depth);
  if (size == kNoSpace) {
    DiskFullAbort();
    return false;
  }
  copied_ += size;
  UpdateProgress();
  return true;
}

void CopyEngine::CopyNodeFiles(const Snap& node, int depth) {
  ReportUnlisted(node);
  for (size_t i = 0; i < node.entries.size(); ++i) {
    const std::string path = EntryPath(node.entries[i]);
    if (!CopyEntry(path, depth)) return;
    if (platform_.Files().GetAttributes(path) & kAttrDirectory) {
      if (const Snap* child = node.Child(i)) CopyNodeFiles(*child, depth + 1);
      if (stop_) return;
    }
  }
}

void CopyEngine::SumNodeBytes(const Snap& node, int64_t& total) {
  for (size_t i = 0; i < node.entries.size(); ++i) {
    std::optional<FindItem> item = platform_.Files().Lookup(EntryPath(node.entries[i]));
    if (!item) continue;  // vanished: counts nothing
    total += item->size;
    if (item->attributes & kAttrDirectory) {
      if (const Snap* child = node.Child(i)) SumNodeBytes(*child, total);
    }
  }
}

void CopyEngine::ReportUnlisted(const Snap& node) {
  // Its folder is made, but what it holds never reached the tree: the run says so.
  if (node.listError) hooks_.appendError(FindErrLine(node.listError, node.path));
}

int64_t CopyEngine::CopyOneFile(const std::string& source, int depth) {
  const CopyChoices choices = Choices();
  FileSystem& fs = platform_.Files();
  const SameTextFn same = [this](std::string_view a, std::string_view b) {
    return platform_.SameText(a, b);
  };
  // The text names the file in the run's lines and labels; the platform is given `mirrored`.
  const std::string destination = MirrorPath(destination_, base_, source, depth, same);
  const std::string mirrored = onDisk_ + destination.substr(destination_.size());
  // A drive root as a target mirrors onto the chosen folder itself, which is the user's and
  // keeps its attributes whatever the policy.
  const bool chosenItself = destination.size() <= destination_.size() + 1;

  std::optional<FindItem> from = fs.Lookup(source);
  if (!from && IsRootPath(source))
    from = FindItem{source, kAttrDirectory, 0, 0};  // no entry of its own
  if (!from) {
    // Gone since the tree was built: nothing to copy, nothing counted.
    hooks_.appendError(kNotCopy + destination);
    return 0;
  }
  const int64_t size = from->size;
  if (platform_.PathUnits(source, mirrored) > kMaxPathUnits) {
    // Cutting it short would write somewhere else; refuse it whole.
    hooks_.appendError(kNotCopy + destination);
    return size;
  }

  // Copying into the targets' own folder maps a file onto itself. The platform refuses such a
  // copy; the attribute reset before it would strip the source's own flags, so it is not made.
  const bool itself = same(mirrored, source);
  // Existence, time, reset and the attribute change all reach the copy under the name it takes,
  // never whatever answers to the source's short name at the destination.
  FileSystem& at = platform_.MirrorFiles(source, mirrored, destination);
  // What the policy makes of an existing destination: true to leave it as it is.
  const auto skipExisting = [&](const std::optional<FindItem>& existing) {
    if (!existing) return false;
    bool overwrite = choices.policy == ExistingPolicy::OverwriteAll;
    if (choices.policy == ExistingPolicy::NewerOnly)
      overwrite = IsNewer(fs, from->lastWrite, existing->lastWrite);
    if (!overwrite) return true;
    if (choices.resetAttributes && !itself && !chosenItself)
      at.SetAttributes(destination, kAttrNormal);
    return false;
  };

  if (from->attributes & kAttrDirectory) {
    skipExisting(at.Lookup(destination));
    // A folder that cannot be made would leave its files to fail one by one and itself unsaid.
    if (!chosenItself && !platform_.CreateFolderFor(source, mirrored))
      hooks_.appendError(kNotCopy + destination);
    return size;
  }
  if (!EnoughDiskSpace(size)) return kNoSpace;

  progress_.SetPaths(source, destination, size);
  platform_.PumpMessages();
  // Copied first as to a new destination, which leaves an existing one untouched: the look-up
  // is made only when that fails. Looking up a name that is not there searches the whole folder
  // where names match regardless of case over a file system that does not (Wine), and the copy
  // searches again: two searches a file, growing with the folder.
  if (itself) {
    if (!skipExisting(at.Lookup(destination))) hooks_.appendError(kNotCopy + destination);
  } else if (!platform_.DuplicateFile(source, mirrored, true)) {
    std::optional<FindItem> existing = at.Lookup(destination);
    // A destination the look-up cannot see is never replaced blind: the failure stands.
    if (!existing || (!skipExisting(existing) && !platform_.DuplicateFile(source, mirrored, false)))
      hooks_.appendError(kNotCopy + destination);
  }
  hooks_.changeFileAttr(destination, at);
  return size;
}

bool CopyEngine::EnoughDiskSpace(int64_t size) {
  // The volume is asked once, and again whenever what is left of its figure comes near the file
  // in hand: a query per file took a sixth of a copy of many small files. Space that another
  // program takes meanwhile is still caught, by this query near the end or by the copy's own
  // failure line.
  constexpr int64_t kNear = int64_t{64} << 20;
  constexpr int64_t kCluster = 4096;
  if (!freeEstimate_ || *freeEstimate_ < size + kNear)
    freeEstimate_ = platform_.FreeBytes(onDisk_ + "\\").value_or(-1);
  if (size >= *freeEstimate_) return false;
  // A file takes whole clusters: the estimate errs toward asking again.
  *freeEstimate_ -= (size + kCluster - 1) / kCluster * kCluster;
  return true;
}

void CopyEngine::DiskFullAbort() {
  stop_ = true;
  continueCopy_ = false;
  progress_.Hide();
  progress_.StopTimer();
  progress_.DiskFullBox(FirstChar(destination_) + kDiskFull);
}

void CopyEngine::UpdateProgress() {
  position_ = ProgressPosition(copied_, total_, position_);
  progress_.SetPosition(static_cast<int>(std::clamp<int64_t>(position_, 0, 100)));
}

}  // namespace mv
