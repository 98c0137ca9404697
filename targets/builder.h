// Builds the target tree from a list of paths (command line or drop), scanning folders depth
// first and counting every entry into the totals.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/fs.h"
#include "targets/tree.h"

namespace mv {

struct BuildHooks {
  std::function<void()> pumpMessages;  // before each target, so the window repaints
  std::function<void(bool)> busyCursor;
};

class TreeBuilder {
 public:
  TreeBuilder(FileSystem& fs, TargetTree& tree, BuildHooks hooks = {})
      : fs_(fs), tree_(tree), hooks_(std::move(hooks)) {}

  // The long name of the item a search for exactly this path finds with the mask, or "".
  std::string LongNameOf(const std::string& path, uint32_t mask);
  // The long-name form of a path, component by component.
  std::string ToLongPath(const std::string& path);

  // Replaces the tree with one root (the folder of the first path) holding every path as a
  // target. longNames: convert each path with ToLongPath first (command line), or use them as
  // they come (drop). Returns false when there was no path at all (the tree is left alone).
  bool Build(const std::vector<std::string>& paths, bool longNames);

  void AddTarget(Node& root, const std::string& path);
  void ScanFolder(Node& node, const std::string& folder);

  // The base folder of the first build of the run; later builds leave it (the archive save
  // dialog starts there).
  const std::string& FirstBaseFolder() const { return firstBase_; }

  // What the last build could not reach, one FindErrLine each, in the order met: targets not
  // found, folders that could not be listed, links not followed. The window shows them at once.
  const std::vector<std::string>& FailureLines() const { return failures_; }

 private:
  // How a folder met in a scan relates to the folders being scanned.
  enum class Reach {
    New,        // scan it
    BlindLink,  // a link whose identity the volume cannot tell: scan it, once along a branch
    Again,      // a folder being scanned, reached again through a link: listed, not entered
    Unbounded,  // a link met below a blind link: it could loop with nothing to tell, so it is
                // not followed, and the build says so
  };

  void ScanChildFolder(Node& parent, const FindItem& item, const std::string& full);
  // The items a search of the folder reports, without "." names; nullopt when it cannot be
  // listed (the node then carries the reason and the build a line).
  std::optional<std::vector<FindItem>> List(const std::string& folder);
  Reach Reached(const std::string& path, const FindItem& item, const std::vector<FindItem>& items);
  void Fill(Node& node, const std::string& folder, const std::vector<FindItem>& items);
  void Failed(Node* node, int code, const std::string& path);

  FileSystem& fs_;
  TargetTree& tree_;
  BuildHooks hooks_;
  std::string firstBase_;
  // The folders being scanned, outermost first; an identity is asked for only when needed
  // (nullopt where the volume gave none).
  struct Ancestor {
    std::string path;
    uint64_t lastWrite = 0;
    const std::vector<FindItem>* items = nullptr;  // its listing, alive while it is scanned
    bool idKnown = false;
    std::optional<uint64_t> id;
    bool blindLink = false;  // entered as a link without identity
  };
  std::vector<Ancestor> ancestors_;
  std::vector<std::string> failures_;
};

// A target path without a trailing backslash; a drive root is held as "D:\\" (a bare "D:" would
// mean the drive's current folder).
std::string TrimTrailingBackslash(const std::string& path);

}  // namespace mv
