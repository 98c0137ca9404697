#include "ops/lha/archive_commands.h"

#include <algorithm>

#include "platform/fs.h"
#include "platform/text.h"
#include "targets/entry.h"

namespace mv::lha {

std::string CommandText(std::string_view archive, std::string_view base,
                        std::string_view listFile) {
  std::string text = "a -r2x1a1 -gn1 \"";
  text += archive;
  text += "\" \"";
  text += base;
  text += "\" @";
  text += listFile;
  return text;
}

std::string ListLine(std::string_view base, std::string_view path) {
  std::string_view name = path;
  if (!base.empty() && path.size() > base.size() && EqualsNoCase(path.substr(0, base.size()), base))
    name = path.substr(base.size());
  std::string line = "\"";
  line += name.substr(0, WholeCharsWithin(name, kMaxListName));
  line += "\"";
  return line;
}

std::string CannotCreateMessage(std::string_view path) {
  std::string text = "ﾌｧｲﾙ ";
  text += path;
  text += " を作成できません";
  return text;
}

std::string NotLhaLine(std::string_view path) { return "Not Lha FileName = " + std::string(path); }
std::string ShortNameLine(std::string_view path) {
  return "Lha ShortName FileName = " + std::string(path);
}

bool ArchiveCommands::IsFolder(const std::string& path) {
  // A path that cannot be queried (gone since the build) is treated as a folder: it gets no
  // list line, and an error line says it is not in the archive. A name the code page cannot
  // hold (no short name either) is listed instead, so the library refuses it and says why.
  if (!NamesOneItem(path)) return false;
  const uint32_t attributes = platform_.Attributes(path);
  if (attributes == kAttrInvalid) {
    notes_.push_back(NotLhaLine(path));
    return true;
  }
  return (attributes & kAttrDirectory) != 0;
}

void ArchiveCommands::AddFile(const std::string& path) {
  // The old archive of the chosen name is still in place while collecting; it is never packed.
  if (EqualsNoCase(path, archive_)) return;
  lines_.Append(ListLine(base_, path));
  // Only the stored part counts: below the base, or the name alone for a file outside it.
  const bool below = path.size() > base_.size() &&
                     EqualsNoCase(std::string_view(path).substr(0, base_.size()), base_);
  if (platform_.HoldsShortName(path, below ? base_.size() : NameStart(path)))
    shortNamed_.push_back(path);
}

void ArchiveCommands::ListLhaEntry(const Node& node, size_t index) {
  const std::string path = EntryPath(node.entries[index]);
  if (!IsFolder(path)) {
    AddFile(path);
    return;
  }
  // Folder entry i is child node i: a name would find the first of two children "Sub"
  // (targets A\Sub and B\Sub, or Sub and sub on a case-sensitive volume).
  if (const Node* child = node.Child(index)) ListLhaNode(*child);
}

void ArchiveCommands::ListLhaNode(const Node& node) {
  ReportUnlisted(node);
  for (size_t i = 0; i < node.entries.size(); ++i) ListLhaEntry(node, i);
}

void ArchiveCommands::ReportUnlisted(const Node& node) {
  // What the folder holds never reached the tree, so it is not in the archive either.
  if (node.listError) notes_.push_back(FindErrLine(node.listError, FolderPathOf(node)));
}

void ArchiveCommands::BitBtn3Click(const TargetTree& tree) {
  lines_.Clear();
  notes_.clear();
  shortNamed_.clear();
  const Node* first = tree.FirstNode();
  if (!first) return;
  base_ = first->text;
  std::optional<std::string> name = ui_.AskArchiveName();
  if (!name) return;
  archive_ = *name;
  tree.ForEachNode([&](Node& node) {
    ReportUnlisted(node);
    for (const std::string& entry : node.entries) {
      const std::string path = EntryPath(entry);
      if (!IsFolder(path)) AddFile(path);
    }
  });
  Pack(archive_);
}

void ArchiveCommands::Lha1Click(const Node* selected, const std::vector<SelectedRow>& rows) {
  std::optional<std::string> name = ui_.AskArchiveName();
  if (!name) return;
  // Without a first entry there is no base folder to be relative to.
  if (!selected || selected->entries.empty()) return;
  lines_.Clear();
  notes_.clear();
  shortNamed_.clear();
  archive_ = *name;
  base_ = PathFolder(EntryPath(selected->entries.front()));
  std::vector<SelectedRow> ordered = rows;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const SelectedRow& a, const SelectedRow& b) { return a.index < b.index; });
  for (size_t i = 0; i < ordered.size(); ++i) {
    if (i > 0 && ordered[i].index == ordered[i - 1].index) continue;
    if (ordered[i].index >= selected->entries.size()) continue;
    ListLhaEntry(*selected, ordered[i].index);
  }
  Pack(archive_);
}

void ArchiveCommands::Pack(const std::string& archive) {
  const std::string listFile = platform_.ProgramFolder() + kListFileName;
  struct Cleanup {
    ArchiveCommands& self;
    const std::string& listFile;
    ~Cleanup() {
      self.lines_.Clear();
      self.platform_.Delete(listFile);  // a missing file is no error
      // The list was scratch; what the run has to tell goes into the error window now.
      for (std::string& line : self.notes_) self.lines_.Append(std::move(line));
      self.notes_.clear();
      if (!self.lines_.Empty()) self.ui_.ShowErrors();
    }
  } cleanup{*this, listFile};

  if (lines_.Empty()) {
    ui_.Notice(kNoFileNotice);
    return;
  }
  if (!platform_.WriteList(lines_, listFile)) {
    ui_.ApplicationError(CannotCreateMessage(listFile));
    return;
  }
  Archive(archive, listFile);
}

std::string ArchiveCommands::AsideName(const std::string& archive) {
  const std::string folder = PathFolder(archive);
  for (int n = 0; n < 10000; ++n) {
    std::string candidate = folder + "MVLHA" + std::to_string(n) + ".$$$";
    if (platform_.Attributes(candidate) == kAttrInvalid) return candidate;
  }
  return {};
}

void ArchiveCommands::Archive(const std::string& archive, const std::string& listFile) {
  // The archive is made afresh: an old one of that name is moved aside for the duration of the
  // call and removed only once a new one exists, so a failed run keeps it. An old one chosen by
  // its short name (its own name is beyond the code page) is put back, or replaced, under its
  // own name: the library, reached only through the code page, makes the new one under the
  // short spelling, which then takes the own name.
  std::string aside, own;
  const uint32_t old = platform_.Attributes(archive);
  if (old != kAttrInvalid && !(old & kAttrDirectory)) {
    own = platform_.OwnName(archive);
    aside = AsideName(archive);
    if (aside.empty() || !platform_.Move(archive, aside)) {
      ui_.ApplicationError(CannotCreateMessage(archive));
      return;
    }
  }
  struct Restore {
    ArchivePlatform& platform;
    const std::string& archive;
    const std::string& aside;
    const std::string& own;
    bool made = false;
    ~Restore() {
      if (aside.empty()) return;
      if (made)
        platform.Delete(aside);
      else if (own.empty())
        platform.Move(aside, archive);
      else
        platform.MoveToOwnName(aside, own);
    }
  } restore{platform_, archive, aside, own};
  platform_.CallArchiver(CommandText(archive, base_, listFile));
  const uint32_t made = platform_.Attributes(archive);
  restore.made = made != kAttrInvalid && !(made & kAttrDirectory);
  if (restore.made && !own.empty() && !platform_.MoveToOwnName(archive, own)) {
    // Not under the chosen name: it goes, and the old archive comes back.
    platform_.Delete(archive);
    restore.made = false;
    ui_.ApplicationError(CannotCreateMessage(archive));
  }
  if (restore.made)
    for (const std::string& path : shortNamed_) notes_.push_back(ShortNameLine(path));
}

}  // namespace mv::lha
