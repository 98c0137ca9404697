// An in-memory file system with Windows path rules (backslashes, case-insensitive names), so the
// portable logic can be tested without Win32. Search reports "." and ".." first, as Wine does.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/text.h"

namespace mv::testing {

class FakeFs : public FileSystem {
 public:
  struct Item {
    std::string path;  // as added, e.g. "D:\\Work\\a.txt"
    uint32_t attributes = kAttrArchive;
    int64_t size = 0;
    uint64_t lastWrite = 0;
    uint64_t identity = 0;  // 0: none reported
    std::string contents;
    bool locked = false;  // opening it exclusively fails
  };

  Item& AddFile(const std::string& path, int64_t size = 0, uint32_t attributes = kAttrArchive) {
    Item& item = items_[Key(path)];
    item.path = path;
    item.size = size;
    item.attributes = attributes;
    order_.push_back(Key(path));
    return item;
  }
  Item& AddFolder(const std::string& path, uint32_t attributes = kAttrDirectory) {
    Item& item = AddFile(path, 0, attributes | kAttrDirectory);
    item.identity = ++nextIdentity_;
    return item;
  }
  Item* Find(const std::string& path) {
    auto it = items_.find(Key(path));
    return it == items_.end() ? nullptr : &it->second;
  }
  void Remove(const std::string& path) {
    items_.erase(Key(path));
    order_.erase(std::remove(order_.begin(), order_.end(), Key(path)), order_.end());
  }
  // Searches of this folder fail (an unreadable folder).
  void Deny(const std::string& folder) { denied_.push_back(Key(folder)); }
  // A search for exactly this path finds nothing, though the item is there (a look-up that fails).
  void Unseen(const std::string& path) { unseen_.push_back(Key(path)); }

  // An item whose name the code page cannot hold and that has no short name is added under its
  // marked spelling ("D:\\W\\caf?.txt"): listings report it so, and, as on the platform, every
  // call that names a marked path is refused (a search would take it for a pattern).
  bool Refused(const std::string& path) {
    if (acceptMarked || NamesOneItem(path)) return false;
    ++markedAsks;
    return true;
  }

  bool Search(const std::string& pattern,
              const std::function<void(const FindItem&)>& each) override {
    ++searches;
    searchError = 0;
    auto fail = [&](int code) {
      searchError = code;
      return false;
    };
    const std::string suffix = "\\*.*";
    if (pattern.size() > suffix.size() &&
        pattern.compare(pattern.size() - suffix.size(), suffix.size(), suffix) == 0) {
      if (Refused(pattern.substr(0, pattern.size() - suffix.size())))
        return fail(kErrorInvalidName);
      std::string folder = Key(pattern.substr(0, pattern.size() - suffix.size()));
      if (std::find(denied_.begin(), denied_.end(), folder) != denied_.end()) return fail(5);
      auto* dir = Find(folder);
      bool isRoot = folder.size() == 2 && folder[1] == ':';
      if (!isRoot && (!dir || !(dir->attributes & kAttrDirectory))) return fail(3);
      each(FindItem{".", kAttrDirectory, 0, 0});
      each(FindItem{"..", kAttrDirectory, 0, 0});
      for (const std::string& key : std::vector<std::string>(order_)) {
        auto it = items_.find(key);
        if (it == items_.end()) continue;
        size_t after = NameStart(key);
        if (after == 0 || key.substr(0, after - 1) != folder) continue;
        each(ToFind(it->second));
      }
      return true;
    }
    if (Refused(pattern)) return fail(kErrorInvalidName);
    auto* item = Find(pattern);
    if (!item || std::find(unseen_.begin(), unseen_.end(), Key(pattern)) != unseen_.end())
      return fail(2);
    each(ToFind(*item));
    return true;
  }

  uint32_t GetAttributes(const std::string& path) override {
    if (Refused(path)) return kAttrInvalid;
    auto* item = Find(path);
    return item ? item->attributes : kAttrInvalid;
  }
  int SetAttributes(const std::string& path, uint32_t attributes) override {
    if (Refused(path)) return kErrorInvalidName;
    auto* item = Find(path);
    if (!item) return 2;
    item->attributes =
        (attributes == kAttrNormal ? 0 : attributes) | (item->attributes & kAttrDirectory);
    return 0;
  }
  std::unique_ptr<OpenFile> OpenExclusive(const std::string& path) override {
    if (Refused(path)) return nullptr;
    auto* item = Find(path);
    if (!item || item->locked || (item->attributes & kAttrDirectory)) return nullptr;
    struct Handle : OpenFile {
      Item* item;
      explicit Handle(Item* i) : item(i) {}
      int SetLastWriteDos(uint32_t dos) override {
        if ((dos >> 16) == 0) return 87;  // ERROR_INVALID_PARAMETER, as for a zero DOS date
        item->lastWrite = dos;
        return 0;
      }
    };
    return std::make_unique<Handle>(item);
  }
  // Test times are already "local DOS" values stored in lastWrite's low 32 bits.
  std::optional<uint32_t> ToLocalDos(uint64_t fileTime) override {
    if (fileTime == 0 || fileTime > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<uint32_t>(fileTime);
  }
  std::optional<uint64_t> FolderIdentity(const std::string& path) override {
    if (Refused(path)) return std::nullopt;
    auto* item = Find(path);
    if (!item || !item->identity) return std::nullopt;
    return item->identity;
  }

  int LastSearchError() const override { return searchError; }

  int searches = 0;
  int searchError = 0;
  int markedAsks = 0;  // calls refused for naming a marked path
  // Names differ by case (a case-sensitive volume: "Sub" and "sub" side by side). Set before
  // adding items.
  bool caseSensitive = false;
  bool acceptMarked = false;  // the wide calls: they reach an item under its true name

 private:
  std::string Key(std::string path) const { return caseSensitive ? path : AsciiUpper(path); }
  static FindItem ToFind(const Item& item) {
    return FindItem{PathName(item.path), item.attributes, item.size, item.lastWrite};
  }
  std::map<std::string, Item> items_;
  std::vector<std::string> order_;
  std::vector<std::string> denied_;
  std::vector<std::string> unseen_;
  uint64_t nextIdentity_ = 0;
};

// The platform's wide calls on one item: `text` reaches the item at `path` (a marked spelling
// stands for its true name, which the code-page calls cannot give); other paths go to the fake.
class FakeMirror : public FileSystem {
 public:
  std::vector<std::string> looked;  // the aimed item's look-ups
  explicit FakeMirror(FakeFs& fs) : fs_(fs) {}
  void Aim(const std::string& text, const std::string& path) {
    text_ = text;
    path_ = path;
  }
  template <typename Fn>
  auto Wide(const std::string& p, Fn fn) -> decltype(fn(p)) {
    if (p != text_) return fn(p);
    fs_.acceptMarked = true;
    auto result = fn(path_);
    fs_.acceptMarked = false;
    return result;
  }
  bool Search(const std::string& pattern,
              const std::function<void(const FindItem&)>& each) override {
    return fs_.Search(pattern, each);
  }
  std::optional<FindItem> Lookup(const std::string& p) override {
    if (p == text_) looked.push_back(p);
    return Wide(p, [&](const std::string& at) { return fs_.Lookup(at); });
  }
  uint32_t GetAttributes(const std::string& p) override {
    return Wide(p, [&](const std::string& at) { return fs_.GetAttributes(at); });
  }
  int SetAttributes(const std::string& p, uint32_t attributes) override {
    return Wide(p, [&](const std::string& at) { return fs_.SetAttributes(at, attributes); });
  }
  std::unique_ptr<OpenFile> OpenExclusive(const std::string& p) override {
    return Wide(p, [&](const std::string& at) { return fs_.OpenExclusive(at); });
  }
  std::optional<uint32_t> ToLocalDos(uint64_t fileTime) override {
    return fs_.ToLocalDos(fileTime);
  }
  std::optional<uint64_t> FolderIdentity(const std::string& p) override {
    return fs_.FolderIdentity(p);
  }

 private:
  FakeFs& fs_;
  std::string text_, path_;
};

}  // namespace mv::testing
