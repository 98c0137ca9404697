#include "targets/builder.h"

#include "platform/text.h"
#include "targets/entry.h"

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
  if (NameStart(p) == p.size()) return p + result;  // ends with "\" or ":"
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
  failures_.clear();
  std::string first = prepare(paths.front());
  Node& root = tree_.AddRoot(PathFolder(first));
  for (const std::string& raw : paths) AddTarget(root, prepare(raw));
  return true;
}

void TreeBuilder::AddTarget(Node& root, const std::string& path) {
  if (hooks_.pumpMessages) hooks_.pumpMessages();
  if (hooks_.busyCursor) hooks_.busyCursor(true);
  // A pattern is no target: the search would report whatever it matches.
  const bool oneItem = NamesOneItem(path);
  std::optional<FindItem> item = oneItem ? fs_.FindOne(path, kMaskAll) : std::nullopt;
  const std::string entryPath = TrimTrailingBackslash(path);
  if (!item && IsRootPath(entryPath)) {
    // A drive or share root has no directory entry of its own: take it as a folder of size 0.
    item = FindItem{entryPath, kAttrDirectory, 0, 0};
  }
  if (!item) {
    // Not there (or no single item): it has no entry, and the user hears of it.
    const int code = oneItem ? fs_.LastSearchError() : kErrorInvalidName;
    Failed(nullptr, code ? code : kErrorFileNotFound, path);
  }
  if (item) {
    if (item->attributes & kAttrDirectory) {
      InsertFolderEntry(root, MakeEntry(item->size, entryPath));
      Node& child = tree_.AddChild(root, ItemName(entryPath));
      ScanChildFolder(child, *item, entryPath);
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

void TreeBuilder::Failed(Node* node, int code, const std::string& path) {
  if (node) node->listError = code;
  failures_.push_back(FindErrLine(code, path));
}

void TreeBuilder::ScanChildFolder(Node& child, const FindItem& item, const std::string& full) {
  // A folder the code page cannot name (no short name either) keeps an empty node: searching
  // below its marked spelling would list other folders' contents.
  if (!NamesOneItem(full)) {
    child.entries.clear();
    return;
  }
  std::optional<std::vector<FindItem>> items = List(full);
  if (!items) {
    const int code = fs_.LastSearchError();
    Failed(&child, code ? code : kErrorFileNotFound, full);
    return;
  }
  const Reach reach = Reached(full, item, *items);
  if (reach == Reach::Again) return;
  if (reach == Reach::Unbounded) {
    Failed(&child, kErrorCantResolve, full);
    return;
  }
  ancestors_.push_back(
      Ancestor{full, item.lastWrite, &*items, false, std::nullopt, reach == Reach::BlindLink});
  Fill(child, full, *items);
  ancestors_.pop_back();
}

std::optional<std::vector<FindItem>> TreeBuilder::List(const std::string& folder) {
  std::vector<FindItem> items;
  const bool listed = fs_.Search(JoinPath(folder, "*.*"), [&](const FindItem& item) {
    if (item.name.empty() || item.name[0] == '.') return;  // ".", ".." and dot files
    items.push_back(item);
  });
  if (!listed) return std::nullopt;
  return items;
}

TreeBuilder::Reach TreeBuilder::Reached(const std::string& path, const FindItem& item,
                                        const std::vector<FindItem>& items) {
  // Links, junctions and mount points are scanned like folders; one that leads back to a folder
  // being scanned is listed but not entered again. Only a real identity can tell, and asking for
  // one costs a trip to the file system as long as the folder's whole search: a link is always
  // asked, a plain folder only where it could be a folder it is in, reached again through a
  // link the platform did not flag (the same folder reports the same last-write time and lists
  // the same items).
  auto sameListing = [&](const std::vector<FindItem>& other) {
    if (other.size() != items.size()) return false;
    for (size_t i = 0; i < items.size(); ++i) {
      const FindItem &a = items[i], &b = other[i];
      if (a.name != b.name || a.attributes != b.attributes || a.size != b.size ||
          a.lastWrite != b.lastWrite)
        return false;
    }
    return true;
  };
  const bool link = (item.attributes & kAttrReparsePoint) != 0;
  std::optional<uint64_t> id;
  bool idKnown = false;
  auto ask = [&] {
    if (!idKnown) id = fs_.FolderIdentity(path);
    idKnown = true;
  };
  if (link) ask();
  for (Ancestor& a : ancestors_) {
    if (!link && (a.lastWrite != item.lastWrite || !sameListing(*a.items))) continue;
    ask();
    if (!id) break;
    if (!a.idKnown) {
      a.id = fs_.FolderIdentity(a.path);
      a.idKnown = true;
    }
    if (a.id == id) return Reach::Again;
  }
  if (!link || id) return Reach::New;
  // A volume that gives no identity cannot tell a loop: a link is followed once along a branch,
  // so a loop shows its folder once more and two links cannot multiply the tree.
  for (const Ancestor& a : ancestors_)
    if (a.blindLink) return Reach::Unbounded;
  return Reach::BlindLink;
}

void TreeBuilder::ScanFolder(Node& node, const std::string& folder) {
  node.entries.clear();
  std::optional<std::vector<FindItem>> items = List(folder);
  if (!items) {
    const int code = fs_.LastSearchError();
    Failed(&node, code ? code : kErrorFileNotFound, folder);
    return;
  }
  Fill(node, folder, *items);
}

// The folder's items in the order of the search; each sub-folder's whole tree is built before
// the next item is looked at.
void TreeBuilder::Fill(Node& node, const std::string& folder, const std::vector<FindItem>& items) {
  node.entries.clear();
  for (const FindItem& item : items) {
    tree_.TotalCount += 1;
    tree_.TotalSize += item.size;
    std::string full = JoinPath(folder, item.name);
    if (item.attributes & kAttrDirectory) {
      InsertFolderEntry(node, MakeEntry(item.size, full));
      Node& child = tree_.AddChild(node, item.name);
      ScanChildFolder(child, item, full);
      tree_.Changed(child);
    } else {
      AppendFileEntry(node, MakeEntry(item.size, full));
    }
  }
}

}  // namespace mv
