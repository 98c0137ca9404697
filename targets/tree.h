// The target tree: folder nodes, each owning its entry list, and the two global totals.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

struct Node {
  std::string text;                  // the base folder for the root, else the folder's name
  std::vector<std::string> entries;  // "size,path" records; folder entries first, in child order
  std::vector<std::unique_ptr<Node>> children;
  Node* parent = nullptr;
  int image = -1;          // closed-folder icon index
  int selectedImage = -1;  // open-folder icon index
  // Why the folder's contents are not in the tree, as the platform's error code: its listing
  // failed, or it is a link that was not followed. 0 when it was listed. Every run that reaches
  // the node says so (FindErrLine), as the build did.
  int listError = 0;

  size_t ChildCount() const { return children.size(); }
  Node* Child(size_t i) const { return i < children.size() ? children[i].get() : nullptr; }
  size_t IndexInParent() const;
};

// Told about every structural change, so a tree view can mirror the model.
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  virtual void NodeAdded(Node& node) = 0;     // node is already the last child of its parent
  virtual void NodeRemoving(Node& node) = 0;  // node and its subtree are about to go
  virtual void Cleared() = 0;                 // every node is gone
  virtual void NodeChanged(Node& node) { (void)node; }  // text or icons changed
};

class TargetTree {
 public:
  int64_t TotalCount = 0;
  int64_t TotalSize = 0;

  void SetObserver(TreeObserver* observer) { observer_ = observer; }

  bool Empty() const { return roots_.empty(); }
  Node* FirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  const std::vector<std::unique_ptr<Node>>& Roots() const { return roots_; }

  void Clear();                                    // removes every node (not the totals)
  Node& AddRoot(std::string text);                 // appended after existing roots
  Node& AddChild(Node& parent, std::string text);  // appended as the last child
  void Remove(Node& node);                         // the node and everything below it
  void Changed(Node& node);

  // Every node in tree order: a node before its children, depth first, the first root first.
  void ForEachNode(const std::function<void(Node&)>& fn) const;
  size_t NodeCount() const;

 private:
  std::vector<std::unique_ptr<Node>> roots_;
  TreeObserver* observer_ = nullptr;
};

// The path of the folder a node stands for: its own entry in its parent's list (folder entry i
// is child node i). Empty for a top node, which stands for no entry.
std::string FolderPathOf(const Node& node);

// "FindErr ErrCode = 5 FileName = D:\\Work\\Sub": the directory search could not reach the
// path (a target not found) or list it (a folder whose contents are missing from the tree).
std::string FindErrLine(int code, std::string_view path);

// Adds an entry under the order rule: folder entries go at index = the node's current number of
// children (just before the folder's child node is appended); files go at the end.
void InsertFolderEntry(Node& node, std::string entry);
void AppendFileEntry(Node& node, std::string entry);

}  // namespace mv
