#include "targets/builder.h"

#include "targets/entry.h"
#include "targets/paths.h"

namespace mv {

std::string TrimTrailingBackslash(const std::string& path) {
  if (path.size() == 2 && path[1] == ':' && IsRootPath(path)) return path + "\\";
  if (!EndsWithBackslash(path)) return path;
  if (path.size() == 3 && path[1] == ':') return path;  // "D:\" stays a drive root
  if (path.size() <= 1) return path;
  return path.substr(0, path.size() - 1);
}

std::string TreeBuilder::LongNameOf(const std::string& path, uint32_t mask) {
  if (path.empty() || !NamesOneItem(path)) return {};  // a pattern would find whatever it matches
  auto item = fs_.FindOne(path, mask);
  return item ? item->name : std::string();
}

std::string TreeBuilder::ToLongPath(const std::string& path) {
  std::string result = LongNameOf(path, kMaskAll);
  if (result.empty()) return path;  // nothing there to convert; the caller leaves it out
  std::string p = path;
  for (;;) {
    std::string parent = PathParent(p);
    if (parent == p) break;  // a root is its own parent: nothing above it to look up
    p = parent;
    std::string t = LongNameOf(p, kAttrDirectory);
    if (t.empty()) break;
    result = t + "\\" + result;
  }
  if (p.empty()) return result;
  if (AfterLastSeparator(p) == p.size()) return p + result;  // ends with "\" or ":"
  return p + "\\" + result;
}

bool TreeBuilder::Build(const std::vector<std::string>& paths, bool longNames) {
  if (paths.empty()) return false;
  auto prepare = [&](const std::string& raw) {
    std::string p = TrimTrailingBackslash(raw);
    return longNames ? ToLongPath(p) : p;
  };
  tree_.Clear();
  tree_.TotalCount = 0;
  tree_.TotalSize = 0;
  ancestors_.clear();
  std::string first = prepare(paths.front());
  Node& root = tree_.AddRoot(PathFolder(first));
  for (const std::string& raw : paths) AddTarget(root, prepare(raw));
  return true;
}

void TreeBuilder::AddTarget(Node& root, const std::string& path) {
  if (hooks_.pumpMessages) hooks_.pumpMessages();
  if (hooks_.busyCursor) hooks_.busyCursor(true);
  // A pattern is no target: the search would report whatever it matches.
  std::optional<FindItem> item = NamesOneItem(path) ? fs_.FindOne(path, kMaskAll) : std::nullopt;
  const std::string entryPath = TrimTrailingBackslash(path);
  if (!item && IsRootPath(entryPath)) {
    // A drive or share root has no directory entry of its own: take it as a folder of size 0.
    item = FindItem{entryPath, kAttrDirectory, 0, 0};
  }
  if (item) {
    if (item->attributes & kAttrDirectory) {
      InsertFolderEntry(root, MakeEntry(item->size, entryPath));
      Node& child = tree_.AddChild(root, ItemName(entryPath));
      ScanChildFolder(child, entryPath);
      tree_.Changed(child);
    } else {
      AppendFileEntry(root, MakeEntry(item->size, entryPath));
    }
    tree_.TotalCount += 1;
    tree_.TotalSize += item->size;
  }
  if (firstBase_.empty() && tree_.FirstNode()) firstBase_ = tree_.FirstNode()->text;
  if (hooks_.busyCursor) hooks_.busyCursor(false);
}

void TreeBuilder::ScanChildFolder(Node& child, const std::string& full) {
  // A folder the code page cannot name (no short name either) keeps an empty node: searching
  // below its marked spelling would list other folders' contents.
  if (!NamesOneItem(full)) {
    child.entries.clear();
    return;
  }
  if (EnterFolder(full)) {
    ScanFolder(child, full);
    LeaveFolder();
  }
}

bool TreeBuilder::EnterFolder(const std::string& path) {
  // Links, junctions and mount points are scanned like folders; one that leads back to a folder
  // being scanned is listed but not entered again. Only a real identity can tell: a volume that
  // gives none (or the same for every folder) never stops a scan.
  std::optional<uint64_t> id = fs_.FolderIdentity(path);
  if (id) {
    for (const std::optional<uint64_t>& a : ancestors_)
      if (a == id) return false;
  }
  ancestors_.push_back(id);
  return true;
}

void TreeBuilder::LeaveFolder() { ancestors_.pop_back(); }

void TreeBuilder::ScanFolder(Node& node, const std::string& folder) {
  node.entries.clear();
  fs_.Search(JoinPath(folder, "*.*"), [&](const FindItem& item) {
    if (!item.name.empty() && item.name[0] == '.') return;  // ".", ".." and dot files
    if (item.name.empty()) return;
    tree_.TotalCount += 1;
    tree_.TotalSize += item.size;
    std::string full = JoinPath(folder, item.name);
    if (item.attributes & kAttrDirectory) {
      InsertFolderEntry(node, MakeEntry(item.size, full));
      Node& child = tree_.AddChild(node, item.name);
      ScanChildFolder(child, full);
      tree_.Changed(child);
    } else {
      AppendFileEntry(node, MakeEntry(item.size, full));
    }
  });
}

}  // namespace mv
