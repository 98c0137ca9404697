// The target tree: folder nodes, each owning its entry list, and the two global totals.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mv {

struct Node {
  std::string text;                   // the base folder for the root, else the folder's name
  std::vector<std::string> entries;   // "size,path" records; folder entries first, in child order
  std::vector<std::unique_ptr<Node>> children;
  Node* parent = nullptr;
  int image = -1;          // closed-folder icon index
  int selectedImage = -1;  // open-folder icon index

  size_t ChildCount() const { return children.size(); }
  Node* Child(size_t i) const { return i < children.size() ? children[i].get() : nullptr; }
  size_t IndexInParent() const;
};

// Told about every structural change, so a tree view can mirror the model.
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  virtual void NodeAdded(Node& node) = 0;      // node is already the last child of its parent
  virtual void NodeRemoving(Node& node) = 0;   // node and its subtree are about to go
  virtual void Cleared() = 0;                  // every node is gone
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

// Adds an entry under the order rule: folder entries go at index = the node's current number of
// children (just before the folder's child node is appended); files go at the end.
void InsertFolderEntry(Node& node, std::string entry);
void AppendFileEntry(Node& node, std::string entry);

}  // namespace mv
